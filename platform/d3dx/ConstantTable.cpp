#include "platform/d3dx/ConstantTable.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace d3dx {

ConstantTable::ConstantTable(std::shared_ptr<const std::vector<ConstantRecord>> records,
                             bool pixel, DWORD version)
    : records(std::move(records)), pixel(pixel), version(version) {}

HRESULT ConstantTable::GetDesc(D3DXCONSTANTTABLE_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  desc->Creator = "KOR HLSL compiler";
  desc->Version = version;
  desc->Constants = UINT(records->size());
  return D3D_OK;
}

// A handle is the address of a record's name, so lookups by handle need no search by text;
// a plain name string is accepted too, as D3DX allows.
const ConstantRecord* ConstantTable::Find(D3DXHANDLE handle) const {
  if (!handle) return nullptr;
  for (const ConstantRecord& r : *records)
    if (r.name.c_str() == handle) return &r;
  for (const ConstantRecord& r : *records)
    if (r.name == handle) return &r;
  return nullptr;
}

D3DXHANDLE ConstantTable::GetConstant(D3DXHANDLE parent, UINT index) {
  if (parent || index >= records->size()) return nullptr;
  return (*records)[index].name.c_str();
}

D3DXHANDLE ConstantTable::GetConstantByName(D3DXHANDLE parent, LPCSTR name) {
  if (parent || !name) return nullptr;
  for (const ConstantRecord& r : *records)
    if (r.name == name) return r.name.c_str();
  return nullptr;
}

HRESULT ConstantTable::GetConstantDesc(D3DXHANDLE constant, D3DXCONSTANT_DESC* desc, UINT* count) {
  const ConstantRecord* r = Find(constant);
  if (!r || !count) return D3DERR_INVALIDCALL;
  if (desc && *count >= 1) {
    *desc = r->desc;
    desc->Name = r->name.c_str();
  }
  *count = 1;
  return D3D_OK;
}

UINT ConstantTable::GetSamplerIndex(D3DXHANDLE constant) {
  const ConstantRecord* r = Find(constant);
  if (!r || r->desc.RegisterSet != D3DXRS_SAMPLER) return UINT(-1);
  return r->desc.RegisterIndex;
}

HRESULT ConstantTable::Write(IDirect3DDevice9* device, D3DXHANDLE handle, const float* values,
                             UINT registers) {
  const ConstantRecord* r = Find(handle);
  if (!device || !r || r->desc.RegisterSet == D3DXRS_SAMPLER) return D3DERR_INVALIDCALL;
  UINT count = std::min(registers, r->desc.RegisterCount);
  UINT start = r->desc.RegisterIndex;
  switch (r->desc.RegisterSet) {
    case D3DXRS_FLOAT4:
      return pixel ? device->SetPixelShaderConstantF(start, values, count)
                   : device->SetVertexShaderConstantF(start, values, count);
    case D3DXRS_INT4: {
      std::vector<int> ints(size_t(count) * 4);
      for (size_t i = 0; i < ints.size(); ++i) ints[i] = int(std::lround(values[i]));
      return pixel ? device->SetPixelShaderConstantI(start, ints.data(), count)
                   : device->SetVertexShaderConstantI(start, ints.data(), count);
    }
    case D3DXRS_BOOL: {
      // One BOOL per register: the register's first value.
      std::vector<BOOL> bools(count);
      for (UINT i = 0; i < count; ++i) bools[i] = values[size_t(i) * 4] != 0.0f;
      return pixel ? device->SetPixelShaderConstantB(start, bools.data(), count)
                   : device->SetVertexShaderConstantB(start, bools.data(), count);
    }
    default: return D3DERR_INVALIDCALL;
  }
}

HRESULT ConstantTable::SetBool(IDirect3DDevice9* device, D3DXHANDLE constant, BOOL value) {
  const float values[4] = {value ? 1.0f : 0.0f, 0, 0, 0};
  return Write(device, constant, values, 1);
}

HRESULT ConstantTable::SetInt(IDirect3DDevice9* device, D3DXHANDLE constant, INT value) {
  const ConstantRecord* r = Find(constant);
  if (r && r->desc.RegisterSet == D3DXRS_INT4) {
    // Not through floats: large ints would lose their low bits.
    const int ints[4] = {value, 0, 0, 0};
    if (!device) return D3DERR_INVALIDCALL;
    return pixel ? device->SetPixelShaderConstantI(r->desc.RegisterIndex, ints, 1)
                 : device->SetVertexShaderConstantI(r->desc.RegisterIndex, ints, 1);
  }
  const float values[4] = {float(value), 0, 0, 0};
  return Write(device, constant, values, 1);
}

HRESULT ConstantTable::SetFloat(IDirect3DDevice9* device, D3DXHANDLE constant, float value) {
  const float values[4] = {value, 0, 0, 0};
  return Write(device, constant, values, 1);
}

HRESULT ConstantTable::SetVector(IDirect3DDevice9* device, D3DXHANDLE constant,
                                 const D3DXVECTOR4* vector) {
  if (!vector) return D3DERR_INVALIDCALL;
  const float values[4] = {vector->x, vector->y, vector->z, vector->w};
  return Write(device, constant, values, 1);
}

HRESULT ConstantTable::SetMatrix(IDirect3DDevice9* device, D3DXHANDLE constant,
                                 const D3DXMATRIX* matrix) {
  const ConstantRecord* r = Find(constant);
  if (!matrix || !r) return D3DERR_INVALIDCALL;
  float values[16];
  if (r->desc.Class == D3DXPC_MATRIX_COLUMNS) {
    // HLSL's default packing: register k holds column k, so mul(v, M) is four dot
    // products of v with the registers and equals v × M on the CPU.
    for (int k = 0; k < 4; ++k)
      for (int i = 0; i < 4; ++i) values[k * 4 + i] = matrix->m[i][k];
  } else {
    std::memcpy(values, matrix->m, sizeof values);
  }
  return Write(device, constant, values, 4);
}

}  // namespace d3dx
