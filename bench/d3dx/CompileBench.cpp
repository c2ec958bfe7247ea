// Shader compile time of a per-pixel lighting effect like the game's (vertex and pixel
// program, options in front): a real compile, glslang to GLSL, against a hit in the
// compiler's cache, which is what every later load of the same material variant costs.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/d3dx/D3DX9Shader.h"
#include "platform/d3dx/D3DX9Testing.h"

namespace {

const char* kOptions =
    "static const bool optSpecular = true;\n"
    "static const bool optBumpMap = true;\n"
    "static const bool optSpecMap = false;\n";

const char* kEffect = R"(
float4x4 matViewProj;
float4x4 matWorld;
float4x4 matWorldInverse;
float4 viewPosition;
float4 lightPosition;
float4 lightColour;
float lightRange;
float shininess;
sampler2D diffuseMap;
sampler2D normalMap;
sampler2D specularMap;
sampler2D attenuationMap;

struct VertexOutput {
  float4 position : POSITION;
  float2 uv : TEXCOORD0;
  float3 toLight : TEXCOORD1;
  float3 toView : TEXCOORD2;
  float3 attenuation : TEXCOORD3;
};

VertexOutput vertexMain(float3 position : POSITION, float2 uv : TEXCOORD0,
                        float3 normal : NORMAL, float4 tangent : TANGENT) {
  VertexOutput o;
  float4 world = mul(float4(position, 1), matWorld);
  o.position = mul(world, matViewProj);
  o.uv = uv;
  float3 objectLight = mul(lightPosition, matWorldInverse).xyz - position;
  float3 objectView = mul(viewPosition, matWorldInverse).xyz - position;
  float3 binormal = cross(normal, tangent.xyz) * tangent.w;
  float3x3 toTangent = float3x3(tangent.xyz, binormal, normal);
  if (optBumpMap) {
    o.toLight = mul(toTangent, objectLight);
    o.toView = mul(toTangent, objectView);
  } else {
    o.toLight = objectLight;
    o.toView = objectView;
  }
  o.attenuation = (world.xyz - lightPosition.xyz) / lightRange * 0.5 + 0.5;
  return o;
}

float4 pixelMain(float2 uv : TEXCOORD0, float3 toLight : TEXCOORD1, float3 toView : TEXCOORD2,
                 float3 attenuation : TEXCOORD3) : COLOR {
  float3 normal = float3(0, 0, 1);
  if (optBumpMap) normal = normalize(tex2D(normalMap, uv).xyz * 2 - 1);
  float3 l = normalize(toLight);
  float3 v = normalize(toView);
  float diffuse = saturate(dot(normal, l));
  float4 colour = tex2D(diffuseMap, uv) * diffuse;
  if (optSpecular) {
    float3 h = normalize(l + v);
    float specular = pow(saturate(dot(normal, h)), shininess);
    if (optSpecMap) specular *= tex2D(specularMap, uv).r;
    colour += specular;
  }
  float falloff = tex2D(attenuationMap, attenuation.xy).r * tex2D(attenuationMap, attenuation.zz).r;
  return colour * lightColour * falloff;
}
)";

// Both programs of the effect; the pair is what a material pass compiles.
bool CompilePair(const std::string& source) {
  bool ok = true;
  for (auto [entry, profile] : {std::pair{"vertexMain", "vs_2_0"}, {"pixelMain", "ps_2_0"}}) {
    ID3DXBuffer *code = nullptr, *errors = nullptr;
    ID3DXConstantTable* table = nullptr;
    HRESULT hr = D3DXCompileShader(source.c_str(), UINT(source.size()), nullptr, nullptr, entry,
                                   profile, 0, &code, &errors, &table);
    ok = ok && hr == D3D_OK && !errors;
    if (code) code->Release();
    if (errors) errors->Release();
    if (table) table->Release();
  }
  return ok;
}

void FirstCompile(benchmark::State& state) {
  std::string source = std::string(kOptions) + kEffect;
  for (auto _ : state) {
    D3DXTestingClearCache();
    if (!CompilePair(source)) state.SkipWithError("the effect does not compile cleanly");
  }
  state.counters["programs/s"] =
      benchmark::Counter(double(state.iterations()) * 2, benchmark::Counter::kIsRate);
}
BENCHMARK(FirstCompile)->Unit(benchmark::kMillisecond);

void CacheHit(benchmark::State& state) {
  std::string source = std::string(kOptions) + kEffect;
  if (!CompilePair(source)) state.SkipWithError("the effect does not compile cleanly");
  uint64_t compiles = D3DXTestingCompileCount();
  for (auto _ : state) CompilePair(source);
  if (D3DXTestingCompileCount() != compiles) state.SkipWithError("cache missed");
  state.counters["programs/s"] =
      benchmark::Counter(double(state.iterations()) * 2, benchmark::Counter::kIsRate);
}
BENCHMARK(CacheHit)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
