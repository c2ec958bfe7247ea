#include "core/Exception.h"
#include "graphics/GpuProgram.h"
#include "platform/win32/Win32Testing.h"
#include "render_d3d9/AutoConstants.h"
#include "tests/render_d3d9/RecordingDeviceSupport.h"

namespace {

const char* kProgram = R"(
float4x4 worldViewProjection;
float2 offset;
float4 unused;
sampler2D diffuseMap;
struct Output { float4 position : POSITION; float2 uv : TEXCOORD0; };
Output vs(float4 position : POSITION, float2 uv : TEXCOORD0) {
  Output o;
  o.position = mul(position, worldViewProjection) + float4(offset, 0, 0);
  o.uv = uv;
  return o;
}
float4 ps(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(diffuseMap, uv); }
)";

class GpuProgramTest : public CurrentRecordedDevice {
protected:
  KOR::GpuProgram* Program(int profile, const char* entry, const char* source = kProgram) {
    KOR::GpuProgram* p = device->CreateGpuProgram();
    made.push_back(p);
    p->Create(source, profile, entry);
    return p;
  }
  std::string ErrorOf(KOR::GpuProgram* p, const char* source, int profile, const char* entry) {
    try {
      p->Create(source, profile, entry);
    } catch (const KOR::Exception& e) {
      return e.GetModule() + " / " + e.GetError() + " / " + e.GetDescription();
    }
    return "created";
  }
};

TEST_F(GpuProgramTest, AVertexProgramBindsOnlyTheVertexShader) {
  KOR::GpuProgram* vertex = Program(1, "vs");
  EXPECT_EQ(Count("CreateVertexShader("), 1u);
  EXPECT_EQ(Count("CreatePixelShader("), 0u);
  recording.calls.clear();
  vertex->Bind();
  EXPECT_EQ(recording.calls.size(), 1u);
  EXPECT_EQ(recording.calls[0].rfind("SetVertexShader(#", 0), 0u);
  KOR::GpuProgram* pixel = Program(10, "ps");
  recording.calls.clear();
  pixel->Bind();
  EXPECT_EQ(recording.calls.size(), 1u);
  EXPECT_EQ(recording.calls[0].rfind("SetPixelShader(#", 0), 0u);
  EXPECT_NE(ErrorOf(vertex, kProgram, 1, "vs").find("Shader already created / Cannot recreate shaders"),
            std::string::npos);
}

TEST_F(GpuProgramTest, CompilerMessagesFailTheCompileWithTheirText) {
  KOR::GpuProgram* p = device->CreateGpuProgram();
  made.push_back(p);
  std::string error = ErrorOf(p, "float4 main() : COLOR0 { return undefinedThing; }", 10, "main");
  EXPECT_EQ(error.rfind("KOR Renderer D3D9 (GpuProgram) / Compile error / ", 0), 0u) << error;
  EXPECT_NE(error.find("undefinedThing"), std::string::npos) << error;
  // A failed compile left no table: the program may be compiled again.
  EXPECT_EQ(ErrorOf(p, kProgram, 10, "ps"), "created");
  KOR::GpuProgram* warned = device->CreateGpuProgram();
  made.push_back(warned);
  error = ErrorOf(warned,
                  "cbuffer cb : register(ps_5_0, b3) { float4 tint; };\n"
                  "float4 main() : COLOR0 { return tint; }",
                  10, "main");
  EXPECT_NE(error.find("Compile error / "), std::string::npos) << error;
  EXPECT_NE(error.find("ignoring shader_profile"), std::string::npos) << error;
  EXPECT_EQ(Count("CreatePixelShader(") , 1u);  // only the good one made a shader
}

TEST_F(GpuProgramTest, ConstantsSetTheirRegistersByKind) {
  KOR::GpuProgram* p = Program(1, "vs");
  EXPECT_THROW(p->GetConstant("unused"), KOR::Exception);
  try {
    p->GetConstant("unused");
  } catch (const KOR::Exception& e) {
    EXPECT_EQ(e.GetError(), "Constant not found");
    EXPECT_EQ(e.GetDescription(), "The constant name does not exists in the shader code");
  }
  KOR::GpuProgramConstant* offset = p->GetConstant("offset");
  offset->kind = KOR::GpuProgramConstant::Float2;
  offset->value.vector[0] = 2, offset->value.vector[1] = 3;
  recording.calls.clear();
  offset->Apply();
  ASSERT_EQ(recording.calls.size(), 1u);
  EXPECT_EQ(recording.calls[0], "SetVertexShaderConstantF(4, [2 3 0 1], 1)");

  KOR::GpuProgramConstant* matrix = p->GetConstant("worldViewProjection");
  matrix->autoSource = 1;
  KOR::Matrix world;
  world.m[3][0] = 5;
  device->SetWorldMatrix(&world.m[0][0]);
  recording.calls.clear();
  matrix->Apply();
  ASSERT_EQ(recording.calls.size(), 1u);
  // Registers hold the matrix's columns: the translation ends the first one.
  EXPECT_EQ(recording.calls[0], "SetVertexShaderConstantF(0, [1 0 0 5 0 1 0 0 0 0 1 0 0 0 0 1], 4)");
  matrix->autoSource = 15;  // no such source: nothing is set
  recording.calls.clear();
  matrix->Apply();
  EXPECT_TRUE(recording.calls.empty());
}

TEST_F(GpuProgramTest, SamplersGetTheirStatesOnTheCompilersSamplerIndex) {
  KOR::GpuProgram* p = Program(10, "ps");
  KOR::GpuProgramConstant* map = p->GetConstant("diffuseMap");
  map->kind = KOR::GpuProgramConstant::Sampler;
  map->value.sampler = {nullptr, 7, 2, 4, 4, 8};
  map->setAddress = map->setFilter = true;
  recording.calls.clear();
  map->Apply();
  EXPECT_EQ(recording.calls,
            (std::vector<std::string>{"SetSamplerState(0, 1, 1)", "SetSamplerState(0, 2, 3)",
                                      "SetSamplerState(0, 3, 5)", "SetSamplerState(0, 5, 2)",
                                      "SetSamplerState(0, 6, 3)", "SetSamplerState(0, 7, 3)",
                                      "SetSamplerState(0, 10, 8)"}));
}

TEST_F(GpuProgramTest, ProgramsMadeAndDestroyedAgainAndAgainLeaveNothingBehind) {
  for (int i = 0; i < 100; ++i) {
    KOR::GpuProgram* p = device->CreateGpuProgram();
    p->Create(kProgram, i % 2 ? 10 : 1, i % 2 ? "ps" : "vs");
    p->Bind();
    device->UnbindVertexProgram();
    device->UnbindPixelProgram();
    device->DestroyObject(p);
  }
  EXPECT_EQ(Count("CreateVertexShader("), 50u);
}

// What the game's effect files use: options folded by the compiler, samplers of two
// dimensions, clip, and the common intrinsics, through structs with semantics.
const char* kEffectLike = R"(
static const bool useSpecular = true;
static const bool useGlow = false;
float4x4 worldViewProjection;
float4x4 world;
float3 lightPosition;
float4 lightColour;
sampler2D diffuseMap;
sampler3D attenuationMap;
struct VertexIn { float4 position : POSITION; float3 normal : NORMAL; float2 uv : TEXCOORD0; };
struct VertexOut {
  float4 position : POSITION;
  float2 uv : TEXCOORD0;
  float3 normal : TEXCOORD1;
  float3 toLight : TEXCOORD2;
};
VertexOut vs(VertexIn v) {
  VertexOut o;
  o.position = mul(v.position, worldViewProjection);
  float3 p = mul(v.position, world).xyz;
  o.normal = normalize(mul(v.normal, (float3x3)world));
  o.toLight = lightPosition - p;
  o.uv = v.uv;
  return o;
}
float4 ps(VertexOut i) : COLOR0 {
  float4 base = tex2D(diffuseMap, i.uv);
  clip(base.a - 0.5);
  float3 l = normalize(i.toLight);
  float diffuse = saturate(dot(normalize(i.normal), l));
  float attenuation = tex3D(attenuationMap, i.toLight * 0.01 + 0.5).r;
  float3 colour = base.rgb * diffuse * attenuation * lightColour.rgb;
  if (useSpecular) colour += pow(diffuse, 16.0) * lightColour.rgb;
  if (useGlow) colour = lerp(colour, float3(1, 1, 1), 0.5);
  return float4(colour, base.a);
}
)";

TEST_F(GpuProgramTest, EffectStyleSourcesCompileWithTheirOptionsFolded) {
  KOR::GpuProgram* vertex = Program(2, "vs", kEffectLike);
  KOR::GpuProgram* pixel = Program(10, "ps", kEffectLike);
  EXPECT_NE(vertex->GetConstant("worldViewProjection"), nullptr);
  EXPECT_NE(vertex->GetConstant("lightPosition"), nullptr);
  EXPECT_NE(pixel->GetConstant("attenuationMap"), nullptr);
  EXPECT_NE(pixel->GetConstant("lightColour"), nullptr);
  EXPECT_THROW(pixel->GetConstant("worldViewProjection"), KOR::Exception);
  EXPECT_EQ(Count("CreateVertexShader("), 1u);
  EXPECT_EQ(Count("CreatePixelShader("), 1u);
}

}  // namespace
