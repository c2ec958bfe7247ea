#pragma once
// Compiling HLSL in tests: the buffers and table of one D3DXCompileShader call, released
// when the test is done with them.

#include <string>

#include "platform/d3d9/ShaderCode.h"
#include "platform/d3dx/D3DX9Shader.h"

struct Compiled {
  Compiled() = default;
  Compiled(const Compiled&) = delete;
  Compiled& operator=(const Compiled&) = delete;
  ~Compiled() {
    if (code) code->Release();
    if (errors) errors->Release();
    if (table) table->Release();
  }
  std::string Messages() const {
    return errors ? static_cast<const char*>(errors->GetBufferPointer()) : "";
  }
  const DWORD* Function() const {
    return code ? static_cast<const DWORD*>(code->GetBufferPointer()) : nullptr;
  }
  d3d9::ShaderCode Decoded() const {
    d3d9::ShaderCode decoded;
    if (code) d3d9::Decode(Function(), code->GetBufferSize() / sizeof(DWORD), &decoded);
    return decoded;
  }
  // The description of a top-level constant; Name is null when there is no such constant.
  D3DXCONSTANT_DESC Constant(const char* name) const {
    D3DXCONSTANT_DESC desc{};
    UINT count = 1;
    D3DXHANDLE handle = table ? table->GetConstantByName(nullptr, name) : nullptr;
    if (handle) table->GetConstantDesc(handle, &desc, &count);
    return desc;
  }

  HRESULT result = E_FAIL;
  ID3DXBuffer* code = nullptr;
  ID3DXBuffer* errors = nullptr;
  ID3DXConstantTable* table = nullptr;
};

inline void Compile(Compiled& out, const std::string& source, const char* profile,
                    const char* entry = "main", const D3DXMACRO* defines = nullptr) {
  out.result = D3DXCompileShader(source.c_str(), UINT(source.size()), defines, nullptr, entry,
                                 profile, 0, &out.code, &out.errors, &out.table);
}
