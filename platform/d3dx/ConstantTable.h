#pragma once
// The constant table handed out by D3DXCompileShader, over the records of one compile.

#include <memory>
#include <vector>

#include "platform/d3d9/DeviceCore.h"
#include "platform/d3dx/HlslCompiler.h"

namespace d3dx {

class ConstantTable final : public d3d9::RefCounted<ID3DXConstantTable> {
public:
  // records is shared with the compile cache and never changes.
  ConstantTable(std::shared_ptr<const std::vector<ConstantRecord>> records, bool pixel,
                DWORD version);
  HRESULT GetDesc(D3DXCONSTANTTABLE_DESC* desc) override;
  D3DXHANDLE GetConstant(D3DXHANDLE parent, UINT index) override;
  D3DXHANDLE GetConstantByName(D3DXHANDLE parent, LPCSTR name) override;
  HRESULT GetConstantDesc(D3DXHANDLE constant, D3DXCONSTANT_DESC* desc, UINT* count) override;
  UINT GetSamplerIndex(D3DXHANDLE constant) override;
  HRESULT SetBool(IDirect3DDevice9* device, D3DXHANDLE constant, BOOL value) override;
  HRESULT SetInt(IDirect3DDevice9* device, D3DXHANDLE constant, INT value) override;
  HRESULT SetFloat(IDirect3DDevice9* device, D3DXHANDLE constant, float value) override;
  HRESULT SetVector(IDirect3DDevice9* device, D3DXHANDLE constant,
                    const D3DXVECTOR4* vector) override;
  HRESULT SetMatrix(IDirect3DDevice9* device, D3DXHANDLE constant,
                    const D3DXMATRIX* matrix) override;

private:
  const ConstantRecord* Find(D3DXHANDLE handle) const;
  // Writes registers × 4 values (row k is register k) to the constant's file, converted.
  HRESULT Write(IDirect3DDevice9* device, D3DXHANDLE handle, const float* values,
                UINT registers);

  std::shared_ptr<const std::vector<ConstantRecord>> records;
  bool pixel;
  DWORD version;
};

}  // namespace d3dx
