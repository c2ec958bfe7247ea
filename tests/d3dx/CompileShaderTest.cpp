#include <gtest/gtest.h>

#include <algorithm>

#include "platform/d3d9/D3D9Testing.h"
#include "platform/d3dx/D3DX9Testing.h"
#include "tests/d3d9/DeviceTestSupport.h"
#include "tests/d3dx/ShaderTestSupport.h"

namespace {

const char* kVertexProgram = R"(
float4x4 matWorldViewProj;
float4 unusedColour;
float3 lightDir;
float shininess;
struct Output { float4 position : POSITION; float2 uv : TEXCOORD0; float4 colour : COLOR0; };
Output main(float4 position : POSITION, float3 normal : NORMAL, float2 uv : TEXCOORD0) {
  Output o;
  o.position = mul(position, matWorldViewProj);
  o.uv = uv;
  o.colour = dot(normal, lightDir) * shininess;
  return o;
}
)";

const char* kPixelProgram = R"(
sampler2D diffuseMap;
sampler2D detailMap;
samplerCUBE environmentMap;
float4 main(float2 uv : TEXCOORD0, float4 colour : COLOR0) : COLOR {
  float4 c = tex2D(diffuseMap, uv) * colour + tex2D(detailMap, uv * 4);
  if (optEnvironment) c += texCUBE(environmentMap, float3(uv, 1));
  return c;
}
)";

std::string WithOption(bool environment) {
  return std::string("static const bool optEnvironment = ") + (environment ? "true" : "false") +
         ";\n" + kPixelProgram;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(CompileShader, MessagesGoToTheErrorBufferAndOnlyErrorsFail) {
  Compiled error;
  Compile(error, "float4 main() : COLOR { return missingValue; }\n", "ps_2_0");
  EXPECT_TRUE(FAILED(error.result));
  EXPECT_TRUE(Contains(error.Messages(), "missingValue")) << error.Messages();
  // The caller reads the buffer as one zero-terminated string.
  ASSERT_NE(error.errors, nullptr);
  EXPECT_EQ(error.errors->GetBufferSize(), error.Messages().size() + 1);
  EXPECT_EQ(error.code, nullptr);
  EXPECT_EQ(error.table, nullptr);

  // A warning alone still compiles, and the caller gets its text.
  Compiled warning;
  Compile(warning,
          "cbuffer cb : register(ps_5_0, b3) { float4 tint; };\n"
          "float4 main() : COLOR { return tint; }\n",
          "ps_2_0");
  EXPECT_EQ(warning.result, D3D_OK);
  EXPECT_TRUE(Contains(warning.Messages(), "ignoring shader_profile")) << warning.Messages();
  EXPECT_NE(warning.code, nullptr);

  // No message at all: no error buffer.
  Compiled clean;
  Compile(clean, kVertexProgram, "vs_2_0");
  EXPECT_EQ(clean.result, D3D_OK);
  EXPECT_EQ(clean.errors, nullptr) << clean.Messages();
}

TEST(CompileShader, WrongEntryPointOrProfileFailsWithAMessage) {
  Compiled entry;
  Compile(entry, kVertexProgram, "vs_2_0", "vertexMain");
  EXPECT_TRUE(FAILED(entry.result));
  EXPECT_TRUE(Contains(entry.Messages(), "vertexMain")) << entry.Messages();
  EXPECT_EQ(entry.code, nullptr);
  EXPECT_EQ(entry.table, nullptr);

  Compiled profile;
  Compile(profile, kVertexProgram, "vs_4_0");
  EXPECT_TRUE(FAILED(profile.result));
  EXPECT_TRUE(Contains(profile.Messages(), "vs_4_0")) << profile.Messages();
  EXPECT_EQ(profile.code, nullptr);
}

TEST(CompileShader, ProfilesChooseTheStageOfTheCode) {
  for (const char* profile : {"vs_1_1", "vs_2_0", "vs_3_0"}) {
    Compiled c;
    Compile(c, kVertexProgram, profile);
    ASSERT_EQ(c.result, D3D_OK) << profile << c.Messages();
    EXPECT_EQ(c.Function()[0], D3DVS_VERSION(3, 0));
    EXPECT_EQ(c.Function()[1] * sizeof(DWORD), c.code->GetBufferSize());
    EXPECT_EQ(c.Decoded().stage, d3d9::ShaderStage::Vertex);
  }
  for (const char* profile : {"ps_1_1", "ps_1_2", "ps_1_3", "ps_1_4", "ps_2_0", "ps_2_a",
                              "ps_2_b", "ps_3_0"}) {
    Compiled c;
    Compile(c, WithOption(false), profile);
    ASSERT_EQ(c.result, D3D_OK) << profile << c.Messages();
    EXPECT_EQ(c.Function()[0], D3DPS_VERSION(3, 0));
    EXPECT_EQ(c.Decoded().stage, d3d9::ShaderStage::Pixel);
  }
}

TEST(CompileShader, UsedConstantsGetRegistersInDeclarationOrderAndUnusedOnesAreAbsent) {
  Compiled c;
  Compile(c, kVertexProgram, "vs_2_0");
  ASSERT_EQ(c.result, D3D_OK) << c.Messages();
  D3DXCONSTANTTABLE_DESC desc{};
  ASSERT_EQ(c.table->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Constants, 3u);

  D3DXCONSTANT_DESC matrix = c.Constant("matWorldViewProj");
  ASSERT_NE(matrix.Name, nullptr);
  EXPECT_STREQ(matrix.Name, "matWorldViewProj");
  EXPECT_EQ(matrix.RegisterSet, D3DXRS_FLOAT4);
  EXPECT_EQ(matrix.RegisterIndex, 0u);
  EXPECT_EQ(matrix.RegisterCount, 4u);
  EXPECT_EQ(matrix.Class, D3DXPC_MATRIX_COLUMNS);
  EXPECT_EQ(matrix.Rows, 4u);
  EXPECT_EQ(matrix.Columns, 4u);
  D3DXCONSTANT_DESC light = c.Constant("lightDir");
  EXPECT_EQ(light.RegisterIndex, 4u);
  EXPECT_EQ(light.RegisterCount, 1u);
  EXPECT_EQ(light.Class, D3DXPC_VECTOR);
  EXPECT_EQ(light.Columns, 3u);
  D3DXCONSTANT_DESC shininess = c.Constant("shininess");
  EXPECT_EQ(shininess.RegisterIndex, 5u);
  EXPECT_EQ(shininess.Class, D3DXPC_SCALAR);
  EXPECT_EQ(c.Constant("unusedColour").Name, nullptr);
  EXPECT_EQ(c.table->GetConstantByName(nullptr, "unusedColour"), nullptr);

  // Enumeration by index gives the same handles as lookup by name.
  for (UINT i = 0; i < desc.Constants; ++i) {
    D3DXHANDLE handle = c.table->GetConstant(nullptr, i);
    D3DXCONSTANT_DESC byIndex{};
    UINT count = 1;
    ASSERT_EQ(c.table->GetConstantDesc(handle, &byIndex, &count), D3D_OK);
    EXPECT_EQ(c.table->GetConstantByName(nullptr, byIndex.Name), handle);
  }
  EXPECT_EQ(c.table->GetConstant(nullptr, desc.Constants), nullptr);

  // The code carries the same registers with the block offsets the GLSL uses.
  d3d9::ShaderCode code = c.Decoded();
  ASSERT_EQ(code.constants.size(), 3u);
  EXPECT_EQ(code.constants[0].name, "matWorldViewProj");
  EXPECT_EQ(code.constants[0].matrix, d3d9::MatrixLayout::Rows);
  EXPECT_EQ(code.constants[0].count, 4u);
  EXPECT_EQ(code.constants[1].first, 4u);
  EXPECT_EQ(code.constants[1].components, 3u);
  EXPECT_EQ(code.constants[2].offset, code.constants[1].offset + 12) << "std140 packs the float";
  EXPECT_TRUE(Contains(code.glsl, "uniform " + code.uniformBlock));
}

TEST(CompileShader, InputsAndVaryingsAreNamedFromTheirSemantics) {
  Compiled vs;
  Compile(vs, kVertexProgram, "vs_2_0");
  ASSERT_EQ(vs.result, D3D_OK);
  d3d9::ShaderCode code = vs.Decoded();
  ASSERT_EQ(code.inputs.size(), 3u);
  EXPECT_EQ(code.inputs[0].usage, DWORD(D3DDECLUSAGE_POSITION));
  EXPECT_EQ(code.inputs[1].usage, DWORD(D3DDECLUSAGE_NORMAL));
  EXPECT_EQ(code.inputs[2].usage, DWORD(D3DDECLUSAGE_TEXCOORD));
  EXPECT_EQ(code.inputs[2].usageIndex, 0u);
  for (const auto& input : code.inputs)
    EXPECT_TRUE(Contains(code.glsl, " " + input.name + ";")) << input.name << code.glsl;
  EXPECT_TRUE(Contains(code.glsl, "in vec4 in_POSITION0;")) << code.glsl;
  EXPECT_TRUE(Contains(code.glsl, "gl_Position =")) << code.glsl;

  Compiled ps;
  Compile(ps, WithOption(false), "ps_2_0");
  ASSERT_EQ(ps.result, D3D_OK);
  std::string pixel = ps.Decoded().glsl;
  // Each name the pixel program reads, the vertex program writes.
  for (const char* varying : {"vec2 v_TEXCOORD0;", "vec4 v_COLOR0;"}) {
    EXPECT_TRUE(Contains(code.glsl, std::string("out ") + varying)) << code.glsl;
    EXPECT_TRUE(Contains(pixel, std::string("in ") + varying)) << pixel;
  }
}

TEST(CompileShader, Direct3DSemanticsForBuiltInValuesBecomeGlslBuiltIns) {
  Compiled vs;
  Compile(vs,
          "struct O { float4 p : POSITION; float size : PSIZE; float4 uv : TEXCOORD1; };\n"
          "O main(float4 p : POSITION, float4 uv : TEXCOORD2) {\n"
          "  O o; o.p = p; o.size = 2; o.uv = uv; return o; }\n",
          "vs_3_0");
  ASSERT_EQ(vs.result, D3D_OK) << vs.Messages();
  d3d9::ShaderCode vertex = vs.Decoded();
  EXPECT_TRUE(Contains(vertex.glsl, "gl_PointSize = ")) << vertex.glsl;
  EXPECT_TRUE(Contains(vertex.glsl, "out vec4 v_TEXCOORD1;")) << vertex.glsl;
  ASSERT_EQ(vertex.inputs.size(), 2u);
  EXPECT_EQ(vertex.inputs[1].usageIndex, 2u);

  Compiled ps;
  Compile(ps,
          "struct O { float4 c0 : COLOR0; float4 c1 : COLOR1; float d : DEPTH; };\n"
          "O main(float4 c : COLOR1) { O o; o.c0 = c; o.c1 = c.wzyx; o.d = 0.5; return o; }\n",
          "ps_3_0");
  ASSERT_EQ(ps.result, D3D_OK) << ps.Messages();
  d3d9::ShaderCode pixel = ps.Decoded();
  EXPECT_TRUE(Contains(pixel.glsl, "gl_FragDepth = ")) << pixel.glsl;
  EXPECT_TRUE(Contains(pixel.glsl, "layout(location = 1) out vec4")) << pixel.glsl;
  EXPECT_TRUE(Contains(pixel.glsl, "in vec4 v_COLOR1;")) << pixel.glsl;
  Compiled target;
  Compile(target, "float4 main(float4 c : COLOR0) : SV_Target1 { return c; }\n", "ps_3_0");
  ASSERT_EQ(target.result, D3D_OK) << target.Messages();
  EXPECT_TRUE(Contains(target.Decoded().glsl, "layout(location = 1) out vec4"));
  Compiled unknown;
  Compile(unknown, "float4 main(float4 c : COLOR0) : NORMAL { return c; }\n", "ps_3_0");
  EXPECT_TRUE(FAILED(unknown.result));
  EXPECT_TRUE(Contains(unknown.Messages(), "NORMAL")) << unknown.Messages();

  // A pixel position has no varying to come from: refused rather than left unlinked.
  Compiled vpos;
  Compile(vpos, "float4 main(float2 p : VPOS) : COLOR { return p.xyxy; }\n", "ps_3_0");
  EXPECT_TRUE(FAILED(vpos.result));
  EXPECT_TRUE(Contains(vpos.Messages(), "VPOS")) << vpos.Messages();
}

TEST(CompileShader, StaticConstOptionsFoldAwayDisabledSamplers) {
  Compiled off;
  Compile(off, WithOption(false), "ps_2_0");
  ASSERT_EQ(off.result, D3D_OK) << off.Messages();
  EXPECT_EQ(off.Constant("environmentMap").Name, nullptr);
  EXPECT_EQ(off.table->GetSamplerIndex("diffuseMap"), 0u);
  EXPECT_EQ(off.table->GetSamplerIndex("detailMap"), 1u);
  EXPECT_EQ(off.Decoded().samplers.size(), 2u);

  Compiled on;
  Compile(on, WithOption(true), "ps_2_0");
  ASSERT_EQ(on.result, D3D_OK) << on.Messages();
  D3DXCONSTANT_DESC environment = on.Constant("environmentMap");
  ASSERT_NE(environment.Name, nullptr);
  EXPECT_EQ(environment.RegisterSet, D3DXRS_SAMPLER);
  EXPECT_EQ(environment.Type, D3DXPT_SAMPLERCUBE);
  EXPECT_EQ(on.table->GetSamplerIndex(on.table->GetConstantByName(nullptr, "environmentMap")), 2u);
  d3d9::ShaderCode code = on.Decoded();
  ASSERT_EQ(code.samplers.size(), 3u);
  EXPECT_EQ(code.samplers[2].dimension, d3d9::SamplerDimension::Cube);
  EXPECT_EQ(code.samplers[2].index, 2u);
  EXPECT_TRUE(Contains(code.glsl, "uniform samplerCube " + code.samplers[2].name)) << code.glsl;
  // Not a sampler: no sampler index.
  EXPECT_EQ(on.table->GetSamplerIndex("noSuchConstant"), UINT(-1));
}

TEST(CompileShader, DefinesReachThePreprocessor) {
  const D3DXMACRO defines[] = {{"SCALE", "2.5"}, {nullptr, nullptr}};
  Compiled c;
  Compile(c, "float4 main() : COLOR { return SCALE; }\n", "ps_2_0", "main", defines);
  ASSERT_EQ(c.result, D3D_OK) << c.Messages();
  EXPECT_TRUE(Contains(c.Decoded().glsl, "2.5")) << c.Decoded().glsl;
  Compiled undefined;
  Compile(undefined, "float4 main() : COLOR { return SCALE; }\n", "ps_2_0");
  EXPECT_TRUE(FAILED(undefined.result)) << "the define must not leak into the cache key";
}

// Serves one file and counts what it hands out and gets back.
struct OneFileInclude final : ID3DXInclude {
  HRESULT Open(D3DXINCLUDE_TYPE, LPCSTR fileName, LPCVOID, LPCVOID* data, UINT* bytes) override {
    if (std::string(fileName) != "lighting.h") return E_FAIL;
    *data = text.c_str();
    *bytes = UINT(text.size());
    ++opened;
    return D3D_OK;
  }
  HRESULT Close(LPCVOID) override {
    ++closed;
    return D3D_OK;
  }
  std::string text = "float4 Lit(float4 c) { return c * 0.5; }\n";
  int opened = 0, closed = 0;
};

TEST(CompileShader, IncludesComeFromTheHandlerAndAreNotCached) {
  const std::string source =
      "#include \"lighting.h\"\nfloat4 main(float4 c : COLOR0) : COLOR { return Lit(c); }\n";
  OneFileInclude include;
  ID3DXBuffer* code = nullptr;
  ID3DXBuffer* errors = nullptr;
  uint64_t before = D3DXTestingCompileCount();
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(D3DXCompileShader(source.c_str(), UINT(source.size()), nullptr, &include, "main",
                                "ps_2_0", 0, &code, &errors, nullptr),
              D3D_OK)
        << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
    code->Release();
  }
  EXPECT_EQ(include.opened, 2);
  EXPECT_EQ(include.closed, 2);
  EXPECT_EQ(D3DXTestingCompileCount(), before + 2);

  // Without a handler the include cannot be found.
  Compiled missing;
  Compile(missing, source, "ps_2_0");
  EXPECT_TRUE(FAILED(missing.result));
  EXPECT_FALSE(missing.Messages().empty());
}

TEST(CompileShader, SecondCompileOfAVariantComesFromTheCache) {
  const std::string source = std::string("// cache test\n") + kVertexProgram;
  uint64_t before = D3DXTestingCompileCount();
  Compiled first;
  Compile(first, source, "vs_2_0");
  ASSERT_EQ(first.result, D3D_OK);
  EXPECT_EQ(D3DXTestingCompileCount(), before + 1);
  Compiled second;
  Compile(second, source, "vs_1_1");  // same code as vs_2_0
  ASSERT_EQ(second.result, D3D_OK);
  EXPECT_EQ(D3DXTestingCompileCount(), before + 1);
  ASSERT_EQ(first.code->GetBufferSize(), second.code->GetBufferSize());
  EXPECT_TRUE(std::equal(first.Function(), first.Function() + first.Function()[1],
                         second.Function()));
  EXPECT_NE(first.table, second.table) << "each caller owns its own table";

  // Another entry point or profile family is another variant; failures are cached too.
  Compiled third;
  Compile(third, source, "vs_3_0");
  EXPECT_EQ(D3DXTestingCompileCount(), before + 2);
  Compiled other;
  Compile(other, source, "vs_2_0", "other");
  EXPECT_TRUE(FAILED(other.result));
  Compiled again;
  Compile(again, source, "vs_2_0", "other");
  EXPECT_EQ(again.Messages(), other.Messages());
  EXPECT_EQ(D3DXTestingCompileCount(), before + 3);

  D3DXTestingClearCache();
  Compiled cleared;
  Compile(cleared, source, "vs_2_0");
  EXPECT_EQ(D3DXTestingCompileCount(), before + 4);
}

TEST(CompileShader, CodeIsAcceptedByTheDevice) {
  D3D9Recording recording;
  D3D9StartRecording(&recording);
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  D3DPRESENT_PARAMETERS pp = WindowedParameters(16, 16, nullptr);
  IDirect3DDevice9* device = nullptr;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &device), D3D_OK);
  Compiled vs, ps;
  Compile(vs, kVertexProgram, "vs_2_0");
  Compile(ps, WithOption(false), "ps_2_0");
  IDirect3DVertexShader9* vertexShader = nullptr;
  IDirect3DPixelShader9* pixelShader = nullptr;
  EXPECT_EQ(device->CreateVertexShader(vs.Function(), &vertexShader), D3D_OK);
  EXPECT_EQ(device->CreatePixelShader(ps.Function(), &pixelShader), D3D_OK);
  // The stages are not interchangeable.
  IDirect3DPixelShader9* wrong = nullptr;
  EXPECT_EQ(device->CreatePixelShader(vs.Function(), &wrong), D3DERR_INVALIDCALL);
  if (vertexShader) vertexShader->Release();
  if (pixelShader) pixelShader->Release();
  if (device) device->Release();
  d3d->Release();
  D3D9StopRecording();
}

}  // namespace

namespace {

// The initialiser forms HLSL allows compile, and the lines of what follows them are kept, so
// a later error is reported where it is.
TEST(CompileShader, FlatAndNestedInitialisersCompileAndKeepTheirLines) {
  const char* forms[] = {
      "static const float2 offsets[4] = { -1, 0, 1, 0, 0, -1, 0, 1 };",
      "static const float2 offsets[4] = { {-1, 0}, {1, 0}, {0, -1}, {0, 1} };",
      "static const float2 offsets[] = { -1, 0, 1, 0, 0, -1, 0, 1, };",
      "static const float4 offsets[2] = { float2(1, 2), 3, 4, float3(5, 6, 7), 8 };",
      "static const float2x2 offsets[2] = { 1, 2, 3, 4, 5, 6, 7, 8 };",
      "struct Tap { float2 at; /* in texels */ float weight; // of the sum\n};\n"
      "static const Tap offsets[2] = { 1, 0, 0.5, -1, 0, 0.5 };",
      "struct Tap { float2 at; float weight[2]; };\nstatic const Tap offsets = { 1, 0, 0.25, 0.75 };",
      "static const float4 offsets = 0.5;",
  };
  for (const char* form : forms) {
    SCOPED_TRACE(form);
    std::string source = std::string(form) + "\nfloat4 main() : COLOR { return 1; }\n";
    Compiled compiled;
    Compile(compiled, source, "ps_2_0");
    EXPECT_EQ(compiled.result, D3D_OK) << compiled.Messages();
  }
  // An initialiser over three lines, then an error on line 5.
  Compiled error;
  Compile(error,
          "static const float2 offsets[2] = {\n  -1, 0,\n  1, 0 };\n"
          "float4 main() : COLOR {\n  return missingValue; }\n",
          "ps_2_0");
  EXPECT_TRUE(FAILED(error.result));
  EXPECT_TRUE(Contains(error.Messages(), ":5:") || Contains(error.Messages(), "(5)")) << error.Messages();
}

}  // namespace
