// Compiled programs drawn by the GL device: the registers a program names explicitly, in
// each register file, are the ones the device feeds it, and a sampler1D reads a texture of
// height 1 bound to its sampler register.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/d3d9/D3D9Testing.h"
#include "platform/win32/Windows.h"
#include "tests/d3d9/DeviceTestSupport.h"
#include "tests/d3dx/ShaderTestSupport.h"

namespace {

struct Vertex {
  float x, y, z;
  float u, v;
};

const D3DVERTEXELEMENT9 kPositionTexture[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END()};

// The whole target, u running 0 to 1 from left to right. c0 is left at zero, so a scale read
// from any register but c9 draws nothing.
const char* kVertexProgram = R"(
struct Output { float4 position : POSITION; float2 uv : TEXCOORD0; };
Output main(float4 position : POSITION, float2 uv : TEXCOORD0,
            uniform float4 scale : register(c9)) {
  Output o;
  o.position = position * scale;
  o.uv = uv;
  return o;
}
)";


constexpr UINT kWidth = 64, kHeight = 16;

class ShaderDeviceGlTest : public GlDeviceFixture {
protected:
  void SetUp() override {
    MakeDevice(kWidth, kHeight);
    if (!device) return;
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);

    Compile(vertexCode, kVertexProgram, "vs_2_0");
    ASSERT_EQ(vertexCode.result, D3D_OK) << vertexCode.Messages();
    ASSERT_EQ(device->CreateVertexShader(vertexCode.Function(), &vertexShader), D3D_OK);
    const float scale[4] = {1, 1, 1, 1};
    device->SetVertexShaderConstantF(9, scale, 1);

    const Vertex quad[] = {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {-1, -1, 0.5f, 0, 1},
                           {1, 1, 0.5f, 1, 0},  {1, -1, 0.5f, 1, 1}, {-1, -1, 0.5f, 0, 1}};
    ASSERT_EQ(device->CreateVertexBuffer(sizeof quad, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT,
                                         &buffer, nullptr),
              D3D_OK);
    void* data = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, quad, sizeof quad);
    buffer->Unlock();
    ASSERT_EQ(device->CreateVertexDeclaration(kPositionTexture, &declaration), D3D_OK);
  }
  void TearDown() override {
    if (device) {
      for (DWORD s = 0; s < 16; ++s) device->SetTexture(s, nullptr);
    }
    if (declaration) declaration->Release();
    if (buffer) buffer->Release();
    if (vertexShader) vertexShader->Release();
    for (IDirect3DPixelShader9* shader : pixelShaders) shader->Release();
    GlDeviceFixture::TearDown();
  }

  void UsePixelProgram(const std::string& source) {
    Compiled pixel;
    Compile(pixel, source, "ps_3_0");
    ASSERT_EQ(pixel.result, D3D_OK) << pixel.Messages();
    IDirect3DPixelShader9* shader = nullptr;
    ASSERT_EQ(device->CreatePixelShader(pixel.Function(), &shader), D3D_OK);
    pixelShaders.push_back(shader);
    device->SetPixelShader(shader);
  }

  // The back buffer after one full-target draw, as Direct3D colour words.
  std::vector<uint32_t> Draw() {
    device->SetVertexShader(vertexShader);
    device->SetVertexDeclaration(declaration);
    device->SetStreamSource(0, buffer, 0, sizeof(Vertex));
    device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(255, 0, 0, 0), 1.0f, 0);
    device->BeginScene();
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    device->EndScene();
    std::vector<uint32_t> pixels;
    UINT w = 0, h = 0;
    EXPECT_TRUE(D3D9ReadBackBuffer(device, &pixels, &w, &h));
    EXPECT_EQ(w, kWidth);
    EXPECT_EQ(h, kHeight);
    pixels.resize(size_t(kWidth) * kHeight);
    return pixels;
  }

  Compiled vertexCode;
  IDirect3DVertexShader9* vertexShader = nullptr;
  std::vector<IDirect3DPixelShader9*> pixelShaders;
  IDirect3DVertexBuffer9* buffer = nullptr;
  IDirect3DVertexDeclaration9* declaration = nullptr;
};

TEST_F(ShaderDeviceGlTest, ExplicitFloatBoolAndIntRegistersReachTheProgram) {
  UsePixelProgram(R"(
float4 low;
float4 high : register(c7);
bool useHigh : register(b2);
int steps : register(i3);
float4 main(float2 uv : TEXCOORD0) : COLOR {
  float4 c = useHigh ? high : low;
  for (int i = 0; i < steps; ++i) c.b += 0.25;
  return c;
}
)");
  const float low[4] = {1, 0, 0, 1}, high[4] = {0, 1, 0, 1};
  device->SetPixelShaderConstantF(0, low, 1);
  device->SetPixelShaderConstantF(7, high, 1);
  const int steps[4] = {2, 0, 0, 0};
  device->SetPixelShaderConstantI(3, steps, 1);
  const BOOL on = TRUE, off = FALSE;
  device->SetPixelShaderConstantB(2, &on, 1);
  uint32_t highColour = Draw()[kWidth * 8 + 32];
  EXPECT_EQ(highColour & 0xFFFFFF00u, 0xFF00FF00u) << std::hex << highColour;
  EXPECT_NEAR(double(highColour & 0xFF), 127.5, 1.0) << "two steps of 0.25 in blue";

  device->SetPixelShaderConstantB(2, &off, 1);
  uint32_t lowColour = Draw()[kWidth * 8 + 32];
  EXPECT_EQ(lowColour & 0xFFFFFF00u, 0xFFFF0000u) << std::hex << lowColour;
}

// Vertex programs take their inputs by usage whatever order they declare them in: one
// whose inputs all have a fixed slot shares the vertex array of another, and one with an
// input of no slot (TEXCOORD9) keeps locations of its own; all three draw the same ramp.
TEST_F(ShaderDeviceGlTest, VertexProgramsFindTheirInputsInAnyOrder) {
  UsePixelProgram("float4 main(float2 uv : TEXCOORD0) : COLOR { return float4(uv.x, uv.y, 0, 1); }");
  std::vector<uint32_t> first = Draw();
  EXPECT_GT(first[kWidth * 8 + 60] >> 16 & 0xFF, 200u) << "red rises to the right";
  for (const char* source : {R"(
struct Output { float4 position : POSITION; float2 uv : TEXCOORD0; };
Output main(float2 uv : TEXCOORD0, float4 position : POSITION, uniform float4 scale : register(c9)) {
  Output o;
  o.position = position * scale;
  o.uv = uv;
  return o;
}
)",
                             R"(
struct Output { float4 position : POSITION; float2 uv : TEXCOORD0; };
Output main(float4 extra : TEXCOORD9, float2 uv : TEXCOORD0, float4 position : POSITION,
            uniform float4 scale : register(c9)) {
  Output o;
  o.position = position * scale;
  o.uv = uv + extra.xy;  // not in the declaration: read as 0
  return o;
}
)"}) {
    Compiled code;
    Compile(code, source, "vs_3_0");
    ASSERT_EQ(code.result, D3D_OK) << code.Messages();
    IDirect3DVertexShader9* shader = nullptr;
    ASSERT_EQ(device->CreateVertexShader(code.Function(), &shader), D3D_OK);
    std::swap(shader, vertexShader);
    std::vector<uint32_t> again = Draw();
    std::swap(shader, vertexShader);
    device->SetVertexShader(vertexShader);
    shader->Release();
    EXPECT_EQ(again, first) << source;
  }
}

// sRGB writes convert what a pair of programs writes, and stop when turned off, the
// programs unchanged.
TEST_F(ShaderDeviceGlTest, SrgbWritesFollowTheStateUnderVertexAndPixelPrograms) {
  UsePixelProgram("float4 main() : COLOR { return float4(0.2, 0.5, 1.0, 1.0); }");
  const uint32_t linear = 0xFF3380FFu, converted = 0xFF7CBCFFu;  // 0.2 and 0.5 as sRGB: 124, 188
  EXPECT_EQ(Draw()[kWidth * 8 + 32], linear);
  device->SetRenderState(D3DRS_SRGBWRITEENABLE, TRUE);
  EXPECT_EQ(Draw()[kWidth * 8 + 32], converted);
  device->SetRenderState(D3DRS_SRGBWRITEENABLE, FALSE);
  EXPECT_EQ(Draw()[kWidth * 8 + 32], linear);
}

// A 4 × 1 ramp of red, green, blue and white; each quarter of the target shows one texel.
TEST_F(ShaderDeviceGlTest, Sampler1DReadsATextureOfHeightOneAtItsSamplerRegister) {
  const uint32_t texels[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
  IDirect3DTexture9* ramp = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &ramp, nullptr),
            D3D_OK);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(ramp->LockRect(0, &locked, nullptr, 0), D3D_OK);
  std::memcpy(locked.pBits, texels, sizeof texels);
  ramp->UnlockRect(0);
  device->SetTexture(3, ramp);
  device->SetSamplerState(3, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  device->SetSamplerState(3, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
  device->SetSamplerState(3, D3DSAMP_MIPFILTER, D3DTEXF_NONE);

  for (const char* lookup : {"tex1D(ramp, uv.x)", "tex1Dproj(ramp, float4(uv.x * 2, 0, 0, 2))",
                             "tex1Dlod(ramp, float4(uv.x, 0, 0, 0))"}) {
    SCOPED_TRACE(lookup);
    UsePixelProgram(std::string("sampler1D ramp : register(s3);\n"
                                "float4 main(float2 uv : TEXCOORD0) : COLOR { return ") +
                    lookup + "; }\n");
    std::vector<uint32_t> pixels = Draw();
    for (UINT quarter = 0; quarter < 4; ++quarter) {
      UINT x = quarter * (kWidth / 4) + kWidth / 8;
      EXPECT_EQ(pixels[kWidth * 4 + x], texels[quarter]) << "column " << x;
      EXPECT_EQ(pixels[kWidth * 12 + x], texels[quarter]) << "every row reads row 0";
    }
  }
  device->SetTexture(3, nullptr);
  ramp->Release();
}


// HLSL's initialiser forms: a flat list of scalars fills arrays, vectors, matrices and
// structs member by member, as nested braces and constructors do, and a scalar fills every
// component of a vector. Each program shows three of the values it was given as a colour.
TEST_F(ShaderDeviceGlTest, InitialiserFormsFillTheirValuesInOrder) {
  struct Case {
    const char* program;
    float r, g, b;
  };
  // The flat list 0.1, 0.2, … read in order; the expected values are its n-th elements.
  auto nth = [](int n) { return 0.1f * float(n); };
  const Case cases[] = {
      {"static const float2 o[4] = { 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8 };\n"
       "float4 main() : COLOR { return float4(o[1].x, o[2].y, o[3].x, 1); }",
       nth(3), nth(6), nth(7)},
      {"float4 main() : COLOR {\n  float2 o[4] = { 0.1, 0.2,\n 0.3, 0.4, 0.5, 0.6, 0.7, 0.8 };\n"
       "  return float4(o[1].x, o[2].y, o[3].x, 1);\n}",
       nth(3), nth(6), nth(7)},
      {"static const float2 o[4] = { {0.1, 0.2}, {0.3, 0.4}, {0.5, 0.6}, {0.7, 0.8} };\n"
       "float4 main() : COLOR { return float4(o[1].x, o[2].y, o[3].x, 1); }",
       nth(3), nth(6), nth(7)},
      {"static const float2 o[] = { 0.1, 0.2, 0.3, 0.4, 0.5, 0.6 };\n"
       "float4 main() : COLOR { return float4(o[0].y, o[1].x, o[2].y, 1); }",
       nth(2), nth(3), nth(6)},
      {"static const float3x2 m = { 0.1, 0.2, 0.3, 0.4, 0.5, 0.6 };\n"
       "float4 main() : COLOR { return float4(m[0].y, m[1].x, m[2].y, 1); }",
       nth(2), nth(3), nth(6)},
      {"static const float4 a[2] = { float4(0.1, 0.2, 0.3, 0.4), 0.5, 0.6, 0.7, 0.8 };\n"
       "float4 main() : COLOR { return float4(a[0].w, a[1].x, a[1].w, 1); }",
       nth(4), nth(5), nth(8)},
      {"struct Part { float2 a; float b; };\nstatic const Part p[2] = { 0.1, 0.2, 0.3, 0.4, 0.5, 0.6 };\n"
       "float4 main() : COLOR { return float4(p[0].b, p[1].a.x, p[1].b, 1); }",
       nth(3), nth(4), nth(6)},
      {"struct Part { float2 a; float b; };\nstatic const Part p = { {0.1, 0.2}, 0.3 };\n"
       "float4 main() : COLOR { return float4(p.a.x, p.a.y, p.b, 1); }",
       nth(1), nth(2), nth(3)},
      {"static const float3 v = 0.5;\nfloat4 main() : COLOR { return float4(v, 1); }", 0.5f, 0.5f, 0.5f},
      {"float4 main() : COLOR { float3 v = 0.25; return float4(v.x, v.y, v.z, 1); }", 0.25f, 0.25f, 0.25f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program);
    UsePixelProgram(c.program);
    uint32_t colour = Draw()[kWidth * 8 + 32];
    EXPECT_NEAR(double((colour >> 16) & 0xFF), c.r * 255, 1.0) << std::hex << colour;
    EXPECT_NEAR(double((colour >> 8) & 0xFF), c.g * 255, 1.0) << std::hex << colour;
    EXPECT_NEAR(double(colour & 0xFF), c.b * 255, 1.0) << std::hex << colour;
  }
}

}  // namespace
