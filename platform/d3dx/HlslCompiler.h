#pragma once
// HLSL to the layer's shader code over glslang and SPIRV-Cross; what D3DXCompileShader and
// the constant table are made from. The only place that sees either library.

#include <string>
#include <string_view>
#include <vector>

#include "platform/d3dx/D3DX9Shader.h"

namespace d3dx {

// One used constant as the table reports it; desc.Name is set by whoever keeps name.
struct ConstantRecord {
  std::string name;
  D3DXCONSTANT_DESC desc{};
};

struct CompileResult {
  bool ok = false;
  bool pixel = false;
  std::string messages;  // every error and warning, one per line
  std::vector<DWORD> code;
  std::vector<ConstantRecord> constants;  // floats, ints and bools in declaration order, then samplers
};

// preamble goes before the source as its own text, so line numbers stay those of source.
// saturateColours: COLORn vertex outputs are clamped to [0, 1], as shader model 1 and 2
// vertex programs' colour registers are.
CompileResult CompileHlsl(std::string_view source, const std::string& preamble,
                          ID3DXInclude* include, const std::string& entry, bool pixel,
                          bool saturateColours);

}  // namespace d3dx
