// The fixed-function transforms and what a draw writes, against Direct3D's formulas computed
// here: vertex blending between world matrices, normals under non-uniform scaling, sRGB
// writes and clears, and the alpha an X8R8G8B8 target does not have.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/d3d9/D3D9Testing.h"
#include "platform/d3dx/D3DX9Shader.h"
#include "tests/d3d9/DeviceTestSupport.h"

namespace {

constexpr UINT kSize = 32;

int Channel(uint32_t pixel, int shift) { return int((pixel >> shift) & 0xFF); }
void ExpectColour(uint32_t pixel, int r, int g, int b, int tolerance = 2) {
  EXPECT_NEAR(Channel(pixel, 16), r, tolerance) << std::hex << pixel;
  EXPECT_NEAR(Channel(pixel, 8), g, tolerance) << std::hex << pixel;
  EXPECT_NEAR(Channel(pixel, 0), b, tolerance) << std::hex << pixel;
}

D3DMATRIX Identity() {
  D3DMATRIX m{};
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1;
  return m;
}
D3DMATRIX Translation(float x, float y) {
  D3DMATRIX m = Identity();
  m.m[3][0] = x, m.m[3][1] = y;
  return m;
}

// sRGB's encoding of a linear channel, as the published formula has it.
float Srgb(float c) { return c <= 0.0031308f ? 12.92f * c : 1.055f * std::pow(c, 1.0f / 2.4f) - 0.055f; }

class TransformsAndTargetsGlTest : public GlDeviceFixture {
protected:
  void SetUp() override {
    MakeDevice(kSize, kSize);
    if (!device) return;
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
  }
  void TearDown() override {
    for (IUnknown* made : objects) made->Release();
    GlDeviceFixture::TearDown();
  }
  // Vertices of the given layout, drawn as a triangle list from a new buffer.
  template <class Vertex>
  HRESULT Draw(const D3DVERTEXELEMENT9* elements, const std::vector<Vertex>& vertices) {
    IDirect3DVertexDeclaration9* declaration = nullptr;
    EXPECT_EQ(device->CreateVertexDeclaration(elements, &declaration), D3D_OK);
    IDirect3DVertexBuffer9* buffer = nullptr;
    UINT bytes = UINT(vertices.size() * sizeof(Vertex));
    EXPECT_EQ(device->CreateVertexBuffer(bytes, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr), D3D_OK);
    objects.push_back(declaration);
    objects.push_back(buffer);
    void* data = nullptr;
    buffer->Lock(0, 0, &data, 0);
    std::memcpy(data, vertices.data(), bytes);
    buffer->Unlock();
    device->SetVertexDeclaration(declaration);
    device->SetStreamSource(0, buffer, 0, sizeof(Vertex));
    return device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, UINT(vertices.size() / 3));
  }
  uint32_t Pixel(UINT x, UINT y) {
    std::vector<uint32_t> pixels;
    UINT w = 0, h = 0;
    EXPECT_TRUE(D3D9ReadBackBuffer(device, &pixels, &w, &h));
    return pixels.empty() ? 0 : pixels[size_t(y) * w + x];
  }
  // The pixel column a clip-space x lands on (no projection, viewport the whole target).
  static UINT Column(float x) { return UINT((x + 1.0f) / 2.0f * kSize); }

  std::vector<IUnknown*> objects;
};

// A small square around the origin, every vertex with the same three weights.
struct Weighted {
  float x, y, z;
  float weights[3];
  D3DCOLOR colour;
};
const D3DVERTEXELEMENT9 kWeighted[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BLENDWEIGHT, 0},
    {0, 24, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    D3DDECL_END()};
std::vector<Weighted> Square(float w0, float w1, float w2) {
  const float e = 0.08f;
  const float corners[6][2] = {{-e, -e}, {e, -e}, {-e, e}, {-e, e}, {e, -e}, {e, e}};
  std::vector<Weighted> out;
  for (const auto& c : corners) out.push_back({c[0], c[1], 0.5f, {w0, w1, w2}, 0xFFFF0000u});
  return out;
}

TEST_F(TransformsAndTargetsGlTest, VertexBlendingMovesPositionsByTheWeightedWorldMatrices) {
  // World n moves x by offsets[n]; the blend lands the square at the weighted sum.
  const float offsets[4] = {-0.6f, 0.2f, 0.5f, 0.8f};
  for (DWORD n = 0; n < 4; ++n) {
    D3DMATRIX world = Translation(offsets[n], 0);
    ASSERT_EQ(device->SetTransform(D3DTS_WORLDMATRIX(n), &world), D3D_OK);
  }
  D3DMATRIX kept{};
  ASSERT_EQ(device->GetTransform(D3DTS_WORLDMATRIX(2), &kept), D3D_OK);
  EXPECT_EQ(kept.m[3][0], offsets[2]) << "the matrix is kept";

  struct Case {
    DWORD blend;
    float w[3];
  };
  const Case cases[] = {{D3DVBF_DISABLE, {0.3f, 0.3f, 0.3f}}, {D3DVBF_0WEIGHTS, {0.3f, 0.3f, 0.3f}},
                        {D3DVBF_1WEIGHTS, {0.25f, 0.5f, 0.5f}}, {D3DVBF_2WEIGHTS, {0.5f, 0.25f, 0.9f}},
                        {D3DVBF_3WEIGHTS, {0.1f, 0.2f, 0.3f}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "D3DRS_VERTEXBLEND " << c.blend);
    // n weights from the vertex for n + 1 matrices, the last weight 1 minus the others.
    int used = c.blend >= D3DVBF_1WEIGHTS && c.blend <= D3DVBF_3WEIGHTS ? int(c.blend) : 0;
    float x = 0, rest = 1;
    for (int i = 0; i < used; ++i) x += c.w[i] * offsets[i], rest -= c.w[i];
    x += rest * offsets[used];
    ASSERT_EQ(device->SetRenderState(D3DRS_VERTEXBLEND, c.blend), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1, 0), D3D_OK);
    ASSERT_EQ(Draw(kWeighted, Square(c.w[0], c.w[1], c.w[2])), D3D_OK);
    ExpectColour(Pixel(Column(x), kSize / 2), 255, 0, 0);
    // Where the square would be under another count of weights, nothing.
    ExpectColour(Pixel(Column(x + 0.3f), kSize / 2), 0, 0, 0);
    ExpectColour(Pixel(Column(x - 0.3f), kSize / 2), 0, 0, 0);
  }
}

// A lit vertex with a normal; the light shines along −x, so it lights by the normal's x.
struct Lit {
  float x, y, z, nx, ny, nz;
  float weight;
};
const D3DVERTEXELEMENT9 kLit[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT1, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BLENDWEIGHT, 0},
    D3DDECL_END()};

// A triangle covering the screen once the world scales x by sx.
std::vector<Lit> LitCover(float sx, float nx, float ny, float weight = 1) {
  return {{-1 / sx, 3, 0.5f, nx, ny, 0, weight}, {3 / sx, -1, 0.5f, nx, ny, 0, weight},
          {-1 / sx, -1, 0.5f, nx, ny, 0, weight}};
}

TEST_F(TransformsAndTargetsGlTest, NormalsFollowTheInverseTransposeOfANonUniformScale) {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 1, 1, 1};
  light.Direction = {-1, 0, 0};
  device->SetLight(0, &light);
  device->LightEnable(0, TRUE);
  D3DMATERIAL9 white{{1, 1, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 1};
  device->SetMaterial(&white);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  for (float scale : {4.0f, 0.25f, 1.0f}) {
    SCOPED_TRACE(testing::Message() << "x scaled by " << scale);
    D3DMATRIX world = Identity();
    world.m[0][0] = scale;
    device->SetTransform(D3DTS_WORLD, &world);
    // A surface whose normal is (1, 1, 0) is stretched: its normal becomes (1 / s, 1, 0).
    float nx = 1 / scale, ny = 1, length = std::sqrt(nx * nx + ny * ny);
    int expected = int(std::lround(255 * nx / length));
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1, 0);
    ASSERT_EQ(Draw(kLit, LitCover(scale, 1, 1)), D3D_OK);
    ExpectColour(Pixel(kSize / 2, kSize / 2), expected, expected, expected, 3);
  }

  // Blended normals go by each world matrix's own inverse transpose, weighted.
  D3DMATRIX stretched = Identity(), squeezed = Identity();
  stretched.m[0][0] = 4, squeezed.m[0][0] = 0.25f;
  device->SetTransform(D3DTS_WORLDMATRIX(0), &stretched);
  device->SetTransform(D3DTS_WORLDMATRIX(1), &stretched);
  device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1, 0);
  ASSERT_EQ(Draw(kLit, LitCover(4, 1, 1, 0.5f)), D3D_OK);
  int expected = int(std::lround(255 * 0.25f / std::sqrt(0.25f * 0.25f + 1)));
  ExpectColour(Pixel(kSize / 2, kSize / 2), expected, expected, expected, 3);
  device->SetTransform(D3DTS_WORLDMATRIX(1), &squeezed);
  device->SetRenderState(D3DRS_NORMALIZENORMALS, FALSE);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1, 0);
  // Weights 0.8 and 0.2: positions scale by 0.8 x 4 + 0.2 x 0.25, a normal (0.2, 0, 0) by
  // 0.8 / 4 + 0.2 x 4, unnormalised.
  ASSERT_EQ(Draw(kLit, LitCover(0.8f * 4 + 0.2f * 0.25f, 0.2f, 0, 0.8f)), D3D_OK);
  expected = int(std::lround(255 * 0.2f * (0.8f / 4 + 0.2f * 4)));
  ExpectColour(Pixel(kSize / 2, kSize / 2), expected, expected, expected, 3);
}

// Screen-space vertices with a colour.
struct Screen {
  float x, y, z, rhw;
  D3DCOLOR colour;
};
const D3DVERTEXELEMENT9 kScreen[] = {
    {0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITIONT, 0},
    {0, 16, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    D3DDECL_END()};
std::vector<Screen> FullScreen(D3DCOLOR colour) {
  const float s = float(kSize);
  return {{0, 0, 0.5f, 1, colour}, {s, 0, 0.5f, 1, colour}, {0, s, 0.5f, 1, colour},
          {0, s, 0.5f, 1, colour}, {s, 0, 0.5f, 1, colour}, {s, s, 0.5f, 1, colour}};
}

TEST_F(TransformsAndTargetsGlTest, SrgbWritesConvertWhatIsDrawnAndCleared) {
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  int grey = int(std::lround(255 * Srgb(0x7F / 255.0f)));
  EXPECT_EQ(grey, 0xBB);
  ASSERT_EQ(device->SetRenderState(D3DRS_SRGBWRITEENABLE, TRUE), D3D_OK);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF7F7F7Fu, 1, 0), D3D_OK);
  ExpectColour(Pixel(3, 3), grey, grey, grey, 1);
  ASSERT_EQ(Draw(kScreen, FullScreen(0xFF7F0040u)), D3D_OK);
  ExpectColour(Pixel(3, 3), grey, 0, int(std::lround(255 * Srgb(0x40 / 255.0f))), 1);

  // Through a pixel program too.
  const char* source = "float4 main() : COLOR { return float4(0.2, 0.5, 1.0, 1.0); }";
  LPD3DXBUFFER code = nullptr;
  ASSERT_EQ(D3DXCompileShader(source, UINT(std::strlen(source)), nullptr, nullptr, "main", "ps_2_0", 0, &code,
                              nullptr, nullptr),
            D3D_OK);
  IDirect3DPixelShader9* shader = nullptr;
  ASSERT_EQ(device->CreatePixelShader(static_cast<const DWORD*>(code->GetBufferPointer()), &shader), D3D_OK);
  code->Release();
  objects.push_back(shader);
  device->SetPixelShader(shader);
  ASSERT_EQ(Draw(kScreen, FullScreen(0xFFFFFFFFu)), D3D_OK);
  ExpectColour(Pixel(3, 3), int(std::lround(255 * Srgb(0.2f))), int(std::lround(255 * Srgb(0.5f))), 255, 1);
  device->SetRenderState(D3DRS_SRGBWRITEENABLE, FALSE);
  ASSERT_EQ(Draw(kScreen, FullScreen(0xFFFFFFFFu)), D3D_OK);
  ExpectColour(Pixel(3, 3), 51, 128, 255, 1);
  // And on again with nothing else changed.
  device->SetRenderState(D3DRS_SRGBWRITEENABLE, TRUE);
  ASSERT_EQ(Draw(kScreen, FullScreen(0xFFFFFFFFu)), D3D_OK);
  ExpectColour(Pixel(3, 3), int(std::lround(255 * Srgb(0.2f))), int(std::lround(255 * Srgb(0.5f))), 255, 1);
  device->SetRenderState(D3DRS_SRGBWRITEENABLE, FALSE);
  device->SetPixelShader(nullptr);
}

TEST_F(TransformsAndTargetsGlTest, AnX8R8G8B8TargetReadsDestinationAlphaAsOne) {
  // Cleared with alpha 0: a target that stored it would read 0 below.
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  struct Case {
    DWORD source, dest;
    int r, g, b;  // red drawn over blue, destination alpha 1
  };
  const Case cases[] = {{D3DBLEND_DESTALPHA, D3DBLEND_ZERO, 255, 0, 0},
                        {D3DBLEND_INVDESTALPHA, D3DBLEND_ONE, 0, 0, 255},
                        {D3DBLEND_ONE, D3DBLEND_DESTALPHA, 255, 0, 255},
                        {D3DBLEND_ONE, D3DBLEND_INVDESTALPHA, 255, 0, 0},
                        {D3DBLEND_SRCALPHASAT, D3DBLEND_ONE, 0, 0, 255}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "blend " << c.source << ", " << c.dest);
    device->SetRenderState(D3DRS_SRCBLEND, c.source);
    device->SetRenderState(D3DRS_DESTBLEND, c.dest);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x000000FFu, 1, 0);
    ASSERT_EQ(Draw(kScreen, FullScreen(0xFFFF0000u)), D3D_OK);
    ExpectColour(Pixel(3, 3), c.r, c.g, c.b);
  }

  // An A8R8G8B8 render target keeps its alpha: cleared to 0, DESTALPHA reads 0.
  IDirect3DTexture9* target = nullptr;
  ASSERT_EQ(device->CreateTexture(kSize, kSize, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target,
                                  nullptr),
            D3D_OK);
  objects.push_back(target);
  IDirect3DSurface9 *surface = nullptr, *back = nullptr;
  target->GetSurfaceLevel(0, &surface);
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  device->SetRenderTarget(0, surface);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x000000FFu, 1, 0);
  ASSERT_EQ(Draw(kScreen, FullScreen(0xFFFF0000u)), D3D_OK);
  device->SetRenderTarget(0, back);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  ASSERT_EQ(device->StretchRect(surface, nullptr, back, nullptr, D3DTEXF_POINT), D3D_OK);
  ExpectColour(Pixel(3, 3), 0, 0, 0);
  surface->Release();
  back->Release();
}

}  // namespace
