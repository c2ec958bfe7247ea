#pragma once
// What the device makes and binds: reference counting with the device's holds, buffers
// and declarations with their bytes, surfaces, textures' levels and shaders. Both
// backends share them; a GL backend mirrors their bytes in GL objects.

#include <array>
#include <cstdint>
#include <vector>

#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/D3D9Testing.h"

namespace d3d9 {

// The process-wide figures behind D3D9GetCounters.
extern D3D9Counters counters;

class DeviceCore;

// What the device binds: its hold keeps an object alive without showing in the count that
// AddRef and Release report, as Direct3D 9's bindings do.
struct Bindable {
  virtual void Hold() = 0;
  virtual void Unhold() = 0;

protected:
  ~Bindable() = default;
};

template <class Interface>
class RefCounted : public Interface, public Bindable {
public:
  RefCounted() { ++counters.liveObjects; }
  ~RefCounted() override { --counters.liveObjects; }
  ULONG_PTR AddRef() override { return ++references; }
  ULONG_PTR Release() override {
    ULONG_PTR left = --references;
    if (left == 0) {
      if (holds == 0) delete this;
      else Orphaned();  // may end in the object's deletion: nothing is touched after it
    }
    return left;
  }
  void Hold() override { ++holds; }
  void Unhold() override {
    if (--holds == 0 && references == 0) delete this;
  }

protected:
  // The last public reference went while the device still binds the object.
  virtual void Orphaned() {}

private:
  ULONG_PTR references = 1, holds = 0;
};

// A resource's reference on its device, let go when the application lets the resource go
// (the device may still bind it) or at the latest with the resource.
class DeviceReference {
public:
  explicit DeviceReference(IUnknown& device) : device(&device) { device.AddRef(); }
  ~DeviceReference() { Drop(); }
  DeviceReference(const DeviceReference&) = delete;
  DeviceReference& operator=(const DeviceReference&) = delete;
  void Drop() {
    if (IUnknown* d = device) device = nullptr, d->Release();
  }

private:
  IUnknown* device;
};

// A vertex or index buffer: its bytes live here, a GL backend mirrors them on Unlock.
struct BufferStore {
  uint64_t serial = 0;  // never reused, unlike addresses
  std::vector<BYTE> bytes;
  DWORD usage = 0;
  D3DPOOL pool = D3DPOOL_DEFAULT;
  bool locked = false;
  UINT lockOffset = 0, lockSize = 0;
  unsigned glName = 0;
};

class VertexBuffer final : public RefCounted<IDirect3DVertexBuffer9> {
public:
  VertexBuffer(DeviceCore& device, UINT length, DWORD usage, D3DPOOL pool);
  ~VertexBuffer() override;
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
  HRESULT Unlock() override;
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;
  BufferStore store;

private:
  void Orphaned() override { reference.Drop(); }
  DeviceCore& device;
  DeviceReference reference;
};

class IndexBuffer final : public RefCounted<IDirect3DIndexBuffer9> {
public:
  IndexBuffer(DeviceCore& device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
  ~IndexBuffer() override;
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
  HRESULT Unlock() override;
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;
  UINT IndexSize() const { return format == D3DFMT_INDEX32 ? 4 : 2; }
  UINT IndexCount() const { return UINT(store.bytes.size() / IndexSize()); }
  // Smallest and largest index in [start, start + count); each range asked is kept until
  // its bytes are written, since a mesh draws the same range frame after frame (and many
  // meshes may share one buffer).
  void IndexRange(UINT start, UINT count, UINT* lowest, UINT* highest);
  BufferStore store;
  D3DFORMAT format;

private:
  void Orphaned() override { reference.Drop(); }
  DeviceCore& device;
  DeviceReference reference;
  void ForgetRanges(UINT offset, UINT size);
  struct Range {
    UINT start, count, lowest, highest;
  };
  std::vector<Range> ranges;
};

class VertexDeclaration final : public RefCounted<IDirect3DVertexDeclaration9> {
public:
  VertexDeclaration(DeviceCore& device, std::vector<D3DVERTEXELEMENT9> elements);
  ~VertexDeclaration() override;
  HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count) override;
  uint64_t serial;
  std::vector<D3DVERTEXELEMENT9> elements;  // without the end marker

private:
  void Orphaned() override { reference.Drop(); }
  DeviceCore& device;
  DeviceReference reference;
};

struct TextureData;

// The back buffer, the depth buffer, or one face and level of a texture, whose reference
// count it shares.
class Surface final : public RefCounted<IDirect3DSurface9> {
public:
  ~Surface() override = default;
  ULONG_PTR AddRef() override { return owner ? owner->AddRef() : RefCounted::AddRef(); }
  ULONG_PTR Release() override { return owner ? owner->Release() : RefCounted::Release(); }
  void Hold() override { owner ? ownerHold->Hold() : RefCounted::Hold(); }
  void Unhold() override { owner ? ownerHold->Unhold() : RefCounted::Unhold(); }
  HRESULT GetDesc(D3DSURFACE_DESC* desc) override;

  uint64_t serial = 0;
  UINT width = 0, height = 0;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  DWORD usage = 0;
  D3DPOOL pool = D3DPOOL_DEFAULT;
  IUnknown* owner = nullptr;      // the texture, for a texture's surface
  Bindable* ownerHold = nullptr;  // the same texture
  TextureData* texture = nullptr;
  UINT face = 0, level = 0;
};

// How a format lays out: bytes per block of blockEdge × blockEdge pixels (1 × 1 unless
// compressed). False for a format textures cannot have.
bool TextureFormatLayout(D3DFORMAT format, UINT* blockBytes, UINT* blockEdge);

// The bytes of a box of one face and level: rows rowPitch apart, slices slicePitch apart.
struct TexelBytes {
  BYTE* bytes;
  UINT rowPitch, slicePitch;
};

struct TextureLevel {
  UINT width = 0, height = 0, depth = 1;
  UINT rowPitch = 0, slicePitch = 0;  // bytes of a row of blocks, of a slice
  std::vector<BYTE> bytes;    // the level, where the backend keeps textures' bytes
  std::vector<BYTE> staging;  // the locked box, while locked, where it does not
  D3DBOX lockBox{};
  DWORD lockFlags = 0;
  bool locked = false;
  bool written = false;  // anything but the zeros a new level holds
};

// What the three texture kinds share: every face and level's bytes where the backend keeps
// them (KeepsTextureBytes), else only a locked box's while it is locked.
struct TextureData {
  TextureData() { ++counters.liveTextures; }
  virtual ~TextureData() { --counters.liveTextures; }
  TextureData(const TextureData&) = delete;
  TextureData& operator=(const TextureData&) = delete;
  TextureLevel& Level(UINT face, UINT level) { return levels[size_t(face) * levelCount + level]; }
  uint64_t serial = 0;
  D3DRESOURCETYPE type = D3DRTYPE_TEXTURE;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  DWORD usage = 0;
  D3DPOOL pool = D3DPOOL_MANAGED;
  UINT width = 0, height = 0, depth = 1, levelCount = 0, faces = 1;
  std::vector<TextureLevel> levels;
  std::vector<Surface*> surfaces;  // made on first request, one per face and level
  DWORD lod = 0;                   // SetLOD's most detailed level
  unsigned glName = 0;
  UINT glBaseLevel = 0;            // what the GL texture's base level was last set to
};

// A vertex or pixel program's function, kept as given; a GL backend compiles it.
template <class Interface>
class Shader final : public RefCounted<Interface> {
public:
  Shader(DeviceCore& device, std::vector<DWORD> function);
  ~Shader() override;
  HRESULT GetFunction(void* data, UINT* size) override;
  uint64_t serial;
  std::vector<DWORD> function;
  unsigned glName = 0;

private:
  void Orphaned() override { reference.Drop(); }
  DeviceCore& device;
  DeviceReference reference;
};
using VertexShader = Shader<IDirect3DVertexShader9>;
using PixelShader = Shader<IDirect3DPixelShader9>;

// One stage's constant registers, with what changed since a backend last looked.
struct ConstantRegisters {
  explicit ConstantRegisters(UINT floats) : floats(size_t(floats) * 4, 0.0f) {}
  std::vector<float> floats;
  std::array<int, 16 * 4> ints{};
  std::array<BOOL, 16> bools{};
  bool dirty = true;
};

// Bytes one element of that type takes; 0 for a type the layer does not know.
UINT DeclTypeSize(BYTE type);
// Vertices (or indices) a draw of that many primitives reads; 0 for an unknown type.
UINT VerticesOfPrimitives(D3DPRIMITIVETYPE type, UINT primitiveCount);

}  // namespace d3d9
