// The device's buffers, vertex declarations and shaders: their bytes, locks and
// descriptions. A GL backend mirrors them through the device's hooks.

#include <algorithm>
#include <cstring>

#include "platform/d3d9/CallLog.h"
#include "platform/d3d9/DeviceCore.h"

namespace d3d9 {
namespace {

HRESULT LockRange(BufferStore& store, UINT offset, UINT size, void** data) {
  if (!data || store.locked) return D3DERR_INVALIDCALL;
  uint64_t length = store.bytes.size();
  if (size == 0) size = offset < length ? UINT(length - offset) : 0;
  if (uint64_t(offset) + size > length) return D3DERR_INVALIDCALL;
  store.locked = true;
  store.lockOffset = offset;
  store.lockSize = size;
  *data = store.bytes.data() + offset;
  return D3D_OK;
}

}  // namespace

UINT DeclTypeSize(BYTE type) {
  switch (type) {
    case D3DDECLTYPE_FLOAT1: return 4;
    case D3DDECLTYPE_FLOAT2: return 8;
    case D3DDECLTYPE_FLOAT3: return 12;
    case D3DDECLTYPE_FLOAT4: return 16;
    case D3DDECLTYPE_D3DCOLOR:
    case D3DDECLTYPE_UBYTE4:
    case D3DDECLTYPE_UBYTE4N:
    case D3DDECLTYPE_SHORT2:
    case D3DDECLTYPE_SHORT2N:
    case D3DDECLTYPE_USHORT2N: return 4;
    case D3DDECLTYPE_SHORT4:
    case D3DDECLTYPE_SHORT4N:
    case D3DDECLTYPE_USHORT4N: return 8;
    default: return 0;
  }
}

UINT VerticesOfPrimitives(D3DPRIMITIVETYPE type, UINT count) {
  switch (type) {
    case D3DPT_POINTLIST: return count;
    case D3DPT_LINELIST: return count * 2;
    case D3DPT_LINESTRIP: return count + 1;
    case D3DPT_TRIANGLELIST: return count * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return count + 2;
    default: return 0;
  }
}

VertexBuffer::VertexBuffer(DeviceCore& device, UINT length, DWORD usage, D3DPOOL pool)
    : device(device), reference(device) {
  store.serial = device.NextSerial();
  store.bytes.assign(length, 0);
  store.usage = usage;
  store.pool = pool;
  device.BufferCreated(store, false);
}
VertexBuffer::~VertexBuffer() { device.BufferDestroyed(store, false); }
HRESULT VertexBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  HRESULT hr = LockRange(store, offset, size, data);
  if (device.Logging())
    device.Log(CallLine("VertexBuffer::Lock", {ObjectName(this), Unsigned(offset), Unsigned(size), Hex(flags)}) +
               (FAILED(hr) ? " failed" : ""));
  return hr;
}
HRESULT VertexBuffer::Unlock() {
  if (!store.locked) return D3DERR_INVALIDCALL;
  store.locked = false;
  if (device.Logging()) device.Log(CallLine("VertexBuffer::Unlock", {ObjectName(this)}));
  device.BufferUnlocked(store, false);
  return D3D_OK;
}
HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = {D3DFMT_UNKNOWN, store.usage, store.pool, UINT(store.bytes.size()), 0};
  return D3D_OK;
}

IndexBuffer::IndexBuffer(DeviceCore& device, UINT length, DWORD usage, D3DFORMAT format,
                         D3DPOOL pool)
    : format(format), device(device), reference(device) {
  store.serial = device.NextSerial();
  store.bytes.assign(length, 0);
  store.usage = usage;
  store.pool = pool;
  device.BufferCreated(store, true);
}
IndexBuffer::~IndexBuffer() { device.BufferDestroyed(store, true); }
HRESULT IndexBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  HRESULT hr = LockRange(store, offset, size, data);
  if (SUCCEEDED(hr) && !(flags & D3DLOCK_READONLY)) ForgetRanges(store.lockOffset, store.lockSize);
  if (device.Logging())
    device.Log(CallLine("IndexBuffer::Lock", {ObjectName(this), Unsigned(offset), Unsigned(size), Hex(flags)}) +
               (FAILED(hr) ? " failed" : ""));
  return hr;
}
HRESULT IndexBuffer::Unlock() {
  if (!store.locked) return D3DERR_INVALIDCALL;
  store.locked = false;
  ForgetRanges(store.lockOffset, store.lockSize);  // a draw while locked may have measured bytes written since
  if (device.Logging()) device.Log(CallLine("IndexBuffer::Unlock", {ObjectName(this)}));
  device.BufferUnlocked(store, true);
  return D3D_OK;
}
HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = {format, store.usage, store.pool, UINT(store.bytes.size())};
  return D3D_OK;
}
void IndexBuffer::IndexRange(UINT start, UINT count, UINT* lowest, UINT* highest) {
  auto known = std::find_if(ranges.begin(), ranges.end(),
                            [&](const Range& r) { return r.start == start && r.count == count; });
  if (known == ranges.end()) {
    UINT low = ~0u, high = 0;
    const BYTE* at = store.bytes.data() + size_t(start) * IndexSize();
    for (UINT i = 0; i < count; ++i) {
      UINT value;
      if (format == D3DFMT_INDEX32) {
        uint32_t v;
        std::memcpy(&v, at + i * 4, 4);
        value = v;
      } else {
        uint16_t v;
        std::memcpy(&v, at + i * 2, 2);
        value = v;
      }
      low = std::min(low, value);
      high = std::max(high, value);
    }
    known = ranges.insert(ranges.end(), {start, count, low, high});
  }
  *lowest = known->lowest;
  *highest = known->highest;
}

void IndexBuffer::ForgetRanges(UINT offset, UINT size) {
  uint64_t from = offset, to = uint64_t(offset) + (size ? size : store.bytes.size());
  std::erase_if(ranges, [&](const Range& r) {
    return uint64_t(r.start) * IndexSize() < to && uint64_t(r.start + r.count) * IndexSize() > from;
  });
}

VertexDeclaration::VertexDeclaration(DeviceCore& device, std::vector<D3DVERTEXELEMENT9> elements)
    : serial(device.NextSerial()), elements(std::move(elements)), device(device), reference(device) {}
VertexDeclaration::~VertexDeclaration() = default;
HRESULT VertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* out, UINT* count) {
  if (!count) return D3DERR_INVALIDCALL;
  *count = UINT(elements.size() + 1);
  if (out) {
    std::copy(elements.begin(), elements.end(), out);
    out[elements.size()] = D3DDECL_END();
  }
  return D3D_OK;
}

template <class Interface>
Shader<Interface>::Shader(DeviceCore& device, std::vector<DWORD> function)
    : serial(device.NextSerial()), function(std::move(function)), device(device), reference(device) {
  ++counters.liveShaders;
}
template <class Interface>
Shader<Interface>::~Shader() {
  --counters.liveShaders;
  device.ShaderDestroyed(serial, glName);
}
template <class Interface>
HRESULT Shader<Interface>::GetFunction(void* data, UINT* size) {
  if (!size) return D3DERR_INVALIDCALL;
  UINT bytes = UINT(function.size() * sizeof(DWORD));
  if (data) {
    if (*size < bytes) return D3DERR_INVALIDCALL;
    std::memcpy(data, function.data(), bytes);
  }
  *size = bytes;
  return D3D_OK;
}
template class Shader<IDirect3DVertexShader9>;
template class Shader<IDirect3DPixelShader9>;

}  // namespace d3d9
