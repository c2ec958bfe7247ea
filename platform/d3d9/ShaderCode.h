#pragma once
// The function of a vertex or pixel program as the shader compiler layer writes it: GLSL
// 330 text with what the device needs to feed it (attributes, the register-to-uniform-block
// map, samplers). The DWORD blob starts like a Direct3D 9 function, with the version token
// and the total length in DWORDs, so CreateVertexShader/CreatePixelShader take it as is.

#include <string>
#include <vector>

#include "platform/d3d9/D3D9Types.h"

namespace d3d9 {

enum class ShaderStage : DWORD { Vertex = 0, Pixel = 1 };

// A vertex attribute: the GLSL input and the declaration element that feeds it.
struct ShaderInput {
  std::string name;
  DWORD usage = 0;  // D3DDECLUSAGE
  DWORD usageIndex = 0;
};

// Register files, numbered as D3DXREGISTER_SET.
enum class RegisterFile : DWORD { Bool = 0, Int4 = 1, Float4 = 2 };

// How the registers of a matrix constant land in its GLSL member.
enum class MatrixLayout : DWORD {
  None = 0,     // scalar, vector or an array of them
  Rows = 1,     // register k is row k of the GLSL matrix (the member is layout(row_major))
  Columns = 2,  // register k is column k of the GLSL matrix
};

// One used constant: registers [first, first + count) of file go to the uniform block,
// register first + k at byte offset + k * stride, its first components values (4 bytes
// each: float, int, or BOOL as a 32-bit word) and nothing else, since std140 may pack the
// next member into the rest of a vec4.
struct ShaderConstant {
  std::string name;  // the GLSL member of the block
  RegisterFile file = RegisterFile::Float4;
  DWORD first = 0;
  DWORD count = 0;
  DWORD offset = 0;
  DWORD stride = 16;
  DWORD components = 4;
  MatrixLayout matrix = MatrixLayout::None;
};

enum class SamplerDimension : DWORD { Texture2D = 2, Texture3D = 3, Cube = 4 };

struct ShaderSampler {
  std::string name;  // the GLSL sampler uniform
  DWORD index = 0;   // the Direct3D sampler register, s0, s1 …
  SamplerDimension dimension = SamplerDimension::Texture2D;
};

struct ShaderCode {
  ShaderStage stage = ShaderStage::Vertex;
  // void main() writes gl_Position as the program computed it, with no clip-space fix-up.
  std::string glsl;
  std::vector<ShaderInput> inputs;  // vertex programs only
  std::string uniformBlock;         // empty when no constant is used
  DWORD uniformBlockSize = 0;       // bytes
  std::vector<ShaderConstant> constants;
  std::vector<ShaderSampler> samplers;
};

// Register counts of each file per stage, as the device offers them.
constexpr DWORD kVertexFloatRegisters = 256, kPixelFloatRegisters = 224,
                kIntRegisters = 16, kBoolRegisters = 16;

std::vector<DWORD> Encode(const ShaderCode& code);
// Reads a blob of size DWORDs; false, with *code unspecified, for anything that is not a
// complete and consistent blob. Never reads outside [function, function + size).
bool Decode(const DWORD* function, size_t size, ShaderCode* code);

}  // namespace d3d9
