#pragma once
// GPU programs of the Direct3D 9 module: compiled with the shader compiler, their
// constants set through its constant table.

#include <map>
#include <memory>
#include <string>

#include "graphics/GpuProgram.h"
#include "platform/d3dx/D3DX9Shader.h"

namespace KOR {

class D3D9GpuProgram;

class D3D9GpuProgramConstant final : public GpuProgramConstant {
public:
  D3D9GpuProgramConstant(D3D9GpuProgram* program, D3DXHANDLE handle) : program(program), handle(handle) {}
  void Apply() override;

  D3D9GpuProgram* program;
  D3DXHANDLE handle;
};

class D3D9GpuProgram final : public GpuProgram {
public:
  ~D3D9GpuProgram() override;
  void Create(const char* source, int profile, std::string entryPoint) override;
  GpuProgramConstant* GetConstant(const std::string& name) override;
  GpuProgramConstant* FindConstant(const std::string& name) override;
  void Bind() override;

  IDirect3DVertexShader9* vertexShader = nullptr;
  IDirect3DPixelShader9* pixelShader = nullptr;
  ID3DXConstantTable* constantTable = nullptr;
  std::map<std::string, std::unique_ptr<D3D9GpuProgramConstant>> constants;
};

}  // namespace KOR
