// The fixed-function pipeline on GL, against Direct3D 9's formulas: lights with their
// attenuation and range, vertex fog, alpha test, and a texture stage modulating.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/d3d9/D3D9Testing.h"
#include "tests/d3d9/DeviceTestSupport.h"

namespace {

// Position, normal, colour and one texture coordinate set.
struct Vertex {
  float x, y, z;
  float nx, ny, nz;
  D3DCOLOR colour;
  float u, v;
};
const D3DVERTEXELEMENT9 kElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    {0, 28, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END()};

constexpr UINT kSize = 32;

class FixedFunctionGlTest : public GlDeviceFixture {
protected:
  void SetUp() override {
    MakeDevice(kSize, kSize);
    if (!device) return;
    // A screen-filling quad at depth 0.5 facing the camera, white, in clip space.
    const D3DCOLOR white = 0xFFFFFFFFu;
    const Vertex quad[] = {{-1, 1, 0.5f, 0, 0, -1, white, 0, 0}, {1, 1, 0.5f, 0, 0, -1, white, 1, 0},
                           {-1, -1, 0.5f, 0, 0, -1, white, 0, 1}, {-1, -1, 0.5f, 0, 0, -1, white, 0, 1},
                           {1, 1, 0.5f, 0, 0, -1, white, 1, 0}, {1, -1, 0.5f, 0, 0, -1, white, 1, 1}};
    std::memcpy(vertices, quad, sizeof quad);
    ASSERT_EQ(device->CreateVertexBuffer(sizeof quad, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &buffer, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateVertexDeclaration(kElements, &declaration), D3D_OK);
    device->SetVertexDeclaration(declaration);
    device->SetStreamSource(0, buffer, 0, sizeof(Vertex));
    D3DMATERIAL9 white4{{1, 1, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 1};
    device->SetMaterial(&white4);
    device->SetRenderState(D3DRS_COLORVERTEX, FALSE);
  }
  void TearDown() override {
    if (declaration) declaration->Release();
    if (buffer) buffer->Release();
    GlDeviceFixture::TearDown();
  }
  // Draws the quad with the vertex colour given, and reads the centre pixel.
  uint32_t Draw(D3DCOLOR colour = 0xFFFFFFFFu) {
    for (Vertex& v : vertices) v.colour = colour;
    void* data = nullptr;
    buffer->Lock(0, 0, &data, 0);
    std::memcpy(data, vertices, sizeof vertices);
    buffer->Unlock();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FFu, 1.0f, 0);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    std::vector<uint32_t> pixels;
    UINT w = 0, h = 0;
    EXPECT_TRUE(D3D9ReadBackBuffer(device, &pixels, &w, &h));
    return pixels.empty() ? 0 : pixels[(h / 2) * w + w / 2];
  }
  static int Channel(uint32_t pixel, int shift) { return int((pixel >> shift) & 0xFF); }
  static void ExpectColour(uint32_t pixel, int r, int g, int b) {
    EXPECT_NEAR(Channel(pixel, 16), r, 2) << std::hex << pixel;
    EXPECT_NEAR(Channel(pixel, 8), g, 2) << std::hex << pixel;
    EXPECT_NEAR(Channel(pixel, 0), b, 2) << std::hex << pixel;
  }

  IDirect3DVertexBuffer9* buffer = nullptr;
  IDirect3DVertexDeclaration9* declaration = nullptr;
  Vertex vertices[6];
};

TEST_F(FixedFunctionGlTest, UnlitVerticesShowTheirColourAndLitOnesTheMaterialsWithoutLights) {
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  ExpectColour(Draw(0xFF40C020u), 0x40, 0xC0, 0x20);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_AMBIENT, 0xFF404040u);
  D3DMATERIAL9 m{{1, 1, 1, 1}, {1, 0.5f, 0, 1}, {0, 0, 0, 0}, {0, 0, 0.25f, 0}, 1};
  device->SetMaterial(&m);
  // Ambient × the global ambient, plus emissive; no light is on.
  ExpectColour(Draw(), 0x40, 0x20, 0x40);
}

TEST_F(FixedFunctionGlTest, DirectionalAndPointLightsFollowLambertAndAttenuation) {
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  D3DLIGHT9 sun{};
  sun.Type = D3DLIGHT_DIRECTIONAL;
  sun.Diffuse = {0.5f, 0.25f, 1, 1};
  sun.Direction = {0, 0, 1};  // into the screen, onto the quad's face
  device->SetLight(0, &sun);
  device->LightEnable(0, TRUE);
  ExpectColour(Draw(), 128, 64, 255);
  sun.Direction = {0, std::sqrt(0.75f), 0.5f};  // 60° off the normal: half as bright
  device->SetLight(0, &sun);
  ExpectColour(Draw(), 64, 32, 128);

  device->LightEnable(0, FALSE);
  D3DLIGHT9 lamp{};
  lamp.Type = D3DLIGHT_POINT;
  lamp.Diffuse = {1, 1, 1, 1};
  lamp.Position = {0, 0, -1.5f};  // 2 in front of the quad's centre
  lamp.Attenuation2 = 1;
  lamp.Range = 10;
  device->SetLight(1, &lamp);
  device->LightEnable(1, TRUE);
  // Lit at the vertices, as Direct3D does: each corner is √6 from the lamp, so
  // 1 / d² × N·L = 1/6 × 2/√6, the same at all four and so everywhere between.
  int lit = int(std::lround(255.0 / 6.0 * 2.0 / std::sqrt(6.0)));
  ExpectColour(Draw(), lit, lit, lit);
  lamp.Range = 1.5f;                  // the quad is out of reach
  device->SetLight(1, &lamp);
  ExpectColour(Draw(), 0, 0, 0);
}

TEST_F(FixedFunctionGlTest, LinearVertexFogBlendsTowardTheFogColourByDepth) {
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_FOGENABLE, TRUE);
  device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
  device->SetRenderState(D3DRS_FOGCOLOR, 0xFF000000u);
  float start = 0.0f, end = 1.0f;
  DWORD bits;
  std::memcpy(&bits, &start, 4);
  device->SetRenderState(D3DRS_FOGSTART, bits);
  std::memcpy(&bits, &end, 4);
  device->SetRenderState(D3DRS_FOGEND, bits);
  ExpectColour(Draw(), 128, 128, 128);  // depth 0.5: halfway
  device->SetRenderState(D3DRS_FOGENABLE, FALSE);
  ExpectColour(Draw(), 255, 255, 255);
}

TEST_F(FixedFunctionGlTest, AlphaTestDiscardsWhatFailsTheReference) {
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHAREF, 0x80);
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
  // Stage 0 takes its alpha from the diffuse colour here.
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  ExpectColour(Draw(0x40FFFFFFu), 0, 0, 255);    // discarded: the clear colour stays
  ExpectColour(Draw(0xC0FFFFFFu), 255, 255, 255);
}

TEST_F(FixedFunctionGlTest, ATextureStageModulatesTheDiffuseColour) {
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  *static_cast<uint32_t*>(locked.pBits) = 0xFF8040FFu;
  texture->UnlockRect(0);
  device->SetTexture(0, texture);
  ExpectColour(Draw(0xFFFF8000u), 128, 32, 0);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
  ExpectColour(Draw(0xFF008000u), 128, 192, 255);
  device->SetTexture(0, nullptr);
  texture->Release();
}

TEST_F(FixedFunctionGlTest, SpotLightsCutOffOutsideTheirCone) {
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  D3DLIGHT9 spot{};
  spot.Type = D3DLIGHT_SPOT;
  spot.Diffuse = {1, 1, 1, 1};
  spot.Position = {0, 0, -1.5f};
  spot.Direction = {0, 0, 1};
  spot.Attenuation0 = 1;
  spot.Range = 10;
  spot.Falloff = 1;
  spot.Theta = 2.0f, spot.Phi = 2.5f;  // wide: the corners (35° off the axis) are inside
  device->SetLight(0, &spot);
  device->LightEnable(0, TRUE);
  int lit = int(std::lround(255.0 * 2.0 / std::sqrt(6.0)));
  ExpectColour(Draw(), lit, lit, lit);
  spot.Theta = 0.2f, spot.Phi = 0.4f;  // narrow: every corner is outside the cone
  device->SetLight(0, &spot);
  ExpectColour(Draw(), 0, 0, 0);
}

TEST_F(FixedFunctionGlTest, BlendingAndStencilFollowTheirStates) {
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  ExpectColour(Draw(0xFF800000u), 128, 0, 255);  // added to the blue clear colour
  device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT);
  ExpectColour(Draw(0xFF000040u), 0, 0, 191);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

  device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0);
  device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
  device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
  device->SetRenderState(D3DRS_STENCILREF, 1);
  ExpectColour(Draw(0xFFFF0000u), 0, 0, 255);  // stencil 0 ≠ 1: nothing drawn
  device->SetRenderState(D3DRS_STENCILREF, 0);
  ExpectColour(Draw(0xFFFF0000u), 255, 0, 0);
  device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
}

TEST_F(FixedFunctionGlTest, AFrameOfAFewStatesLinksNothingAfterItsFirstAppearance) {
  auto frame = [&] {
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    Draw();
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    Draw();
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    Draw();
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
  };
  frame();
  uint64_t linked = D3D9GlProgramsLinked();
  uint64_t calls = D3D9GlCallCount();
  frame();
  EXPECT_EQ(D3D9GlProgramsLinked(), linked);
  frame();
  // The same frame again costs the same GL calls.
  uint64_t second = D3D9GlCallCount() - calls;
  calls = D3D9GlCallCount();
  frame();
  EXPECT_EQ(D3D9GlCallCount() - calls, second / 2);
}

// A render module sends each object's lights again: the same lights cost nothing, and
// lights that changed go up together in one call beside the object's world matrix.
TEST_F(FixedFunctionGlTest, ObjectsLitAlikeSendOnlyTheirWorldAndChangedLightsGoInOneCall) {
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = {1, 1, 1, 1};
  light.Range = 100;
  light.Attenuation0 = 1;
  for (DWORD i = 0; i < 2; ++i) {
    device->SetLight(i, &light);
    device->LightEnable(i, TRUE);
  }
  Draw();
  auto drawAt = [&](float x) {
    D3DMATRIX world{};
    world.m[0][0] = world.m[1][1] = world.m[2][2] = world.m[3][3] = 1;
    world.m[3][0] = x;
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetLight(0, &light);
    device->SetLight(1, &light);
    uint64_t before = D3D9GlCallCount();
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    return D3D9GlCallCount() - before;
  };
  drawAt(0.1f);
  EXPECT_EQ(drawAt(0.2f), 2u) << "the world matrix and the draw";
  light.Position.x = 5;
  EXPECT_EQ(drawAt(0.3f), 3u) << "the world matrix, the lights and the draw";
  EXPECT_EQ(drawAt(0.4f), 2u);
}

// The device leaves out GL calls that would set what GL already holds; what a draw or a
// clear closed or changed in between is set again.
TEST_F(FixedFunctionGlTest, MasksCullingAndClearValuesFollowTheirStatesAcrossDrawsAndClears) {
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  auto centre = [&] {
    std::vector<uint32_t> pixels;
    UINT w = 0, h = 0;
    EXPECT_TRUE(D3D9ReadBackBuffer(device, &pixels, &w, &h));
    return pixels.empty() ? 0 : pixels[(h / 2) * w + w / 2] & 0xFFFFFFu;
  };
  // Draws with colour and depth writes closed, between clears: each clear writes its
  // colour and depth all the same, and each draw leaves them.
  Draw(0xFFFF0000u);
  device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  for (D3DCOLOR clear : {0xFF00FF00u, 0xFF00FF00u, 0xFF404040u}) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 0.25f, 0);
    EXPECT_EQ(centre(), clear & 0xFFFFFFu);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    EXPECT_EQ(centre(), clear & 0xFFFFFFu);
  }
  // Behind the last clear's depth (0.25) the quad would not draw: a depth-only clear to 1
  // with writes open again lets it.
  device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
  device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  EXPECT_EQ(centre(), 0xFF0000u);

  // Culling turned off and on again culls the face its mode names.
  auto shown = [&](DWORD mode) {
    device->SetRenderState(D3DRS_CULLMODE, mode);
    return Draw(0xFFFF0000u) == 0xFFFF0000u;
  };
  const bool clockwise = shown(D3DCULL_CW), counterClockwise = shown(D3DCULL_CCW);
  EXPECT_NE(clockwise, counterClockwise) << "one of the two culls the quad";
  for (DWORD mode : {D3DCULL_CW, D3DCULL_NONE, D3DCULL_CW, D3DCULL_CCW, D3DCULL_NONE, D3DCULL_CCW, D3DCULL_NONE,
                     D3DCULL_CW})
    EXPECT_EQ(shown(mode), mode == D3DCULL_NONE ? true : mode == D3DCULL_CW ? clockwise : counterClockwise) << mode;
}

// The camera, lights and fog are one block that every fixed-function program reads: a
// camera move sends it once, whatever the number of programs drawing after it, and a
// program that sat the move out draws with the new camera too.
TEST_F(FixedFunctionGlTest, ACameraMoveIsOneUploadForAllProgramsAndEachDrawsWithTheNewView) {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 1, 1, 1};
  light.Direction = {0, 0, 1};
  device->SetLight(0, &light);
  device->LightEnable(0, TRUE);
  D3DMATRIX view{};
  view.m[0][0] = view.m[1][1] = view.m[2][2] = view.m[3][3] = 1;
  // Three programs: unlit, lit, lit and fogged; their draws' GL calls, counted.
  auto frame = [&](float x) {
    view.m[3][0] = x;
    device->SetTransform(D3DTS_VIEW, &view);
    uint64_t before = D3D9GlCallCount();
    for (int program = 0; program < 3; ++program) {
      device->SetRenderState(D3DRS_LIGHTING, program > 0);
      device->SetRenderState(D3DRS_FOGENABLE, program > 1);
      EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    }
    return D3D9GlCallCount() - before;
  };
  Draw();
  frame(0.1f);
  uint64_t still = frame(0.1f);
  // Each program sends its object matrices again (normals go by world × view); the
  // camera, the lights moved into it and the fog go up once.
  EXPECT_EQ(frame(0.2f), still + 3 + 1);
  EXPECT_EQ(frame(0.2f), still);

  // The unlit program draws with the camera moved off the quad, though only the lit one
  // drew since the move.
  device->SetRenderState(D3DRS_FOGENABLE, FALSE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  view.m[3][0] = 0;
  device->SetTransform(D3DTS_VIEW, &view);
  ExpectColour(Draw(0xFFFF0000u), 255, 0, 0);
  view.m[3][0] = 3;
  device->SetTransform(D3DTS_VIEW, &view);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  ExpectColour(Draw(0xFFFF0000u), 0, 0, 255);  // the clear colour: the quad is off screen
}

// A finely tessellated sphere lit by each kind of light, read back and compared with the
// same formulas evaluated on the CPU at the surface point under each sampled pixel. Light
// is computed at the vertices and interpolated, so a peak between vertices reads a few
// levels low.
class LitSphereTest : public FixedFunctionGlTest {
protected:
  static constexpr float kRadius = 0.8f;
  struct Point {
    float x, y, z, nx, ny, nz;
  };

  void DrawSphere(const D3DLIGHT9& light) {
    constexpr int kRings = 48, kSegments = 96;
    std::vector<Point> grid;
    for (int r = 0; r <= kRings; ++r)
      for (int s = 0; s <= kSegments; ++s) {
        double theta = 3.14159265358979 * r / kRings, phi = 2 * 3.14159265358979 * s / kSegments;
        float nx = float(std::sin(theta) * std::cos(phi)), ny = float(std::cos(theta)),
              nz = float(std::sin(theta) * std::sin(phi));
        grid.push_back({kRadius * nx, kRadius * ny, kRadius * nz, nx, ny, nz});
      }
    std::vector<Point> triangles;
    for (int r = 0; r < kRings; ++r)
      for (int s = 0; s < kSegments; ++s) {
        auto at = [&](int rr, int ss) { return grid[size_t(rr * (kSegments + 1) + ss)]; };
        for (const Point& p : {at(r, s), at(r + 1, s), at(r, s + 1), at(r, s + 1), at(r + 1, s), at(r + 1, s + 1)})
          triangles.push_back(p);
      }
    static const D3DVERTEXELEMENT9 elements[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0}, D3DDECL_END()};
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DVertexDeclaration9* decl = nullptr;
    UINT bytes = UINT(triangles.size() * sizeof(Point));
    ASSERT_EQ(device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
    void* data = nullptr;
    vb->Lock(0, 0, &data, 0);
    std::memcpy(data, triangles.data(), bytes);
    vb->Unlock();
    ASSERT_EQ(device->CreateVertexDeclaration(elements, &decl), D3D_OK);
    device->SetVertexDeclaration(decl);
    device->SetStreamSource(0, vb, 0, sizeof(Point));
    // Orthographic: view space is world space, depth from −2 … 2 into 0 … 1.
    D3DMATRIX projection = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 0.25f, 0}, {0, 0, 0.5f, 1}}};
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, UINT(triangles.size() / 3)), D3D_OK);
    UINT w = 0, h = 0;
    EXPECT_TRUE(D3D9ReadBackBuffer(device, &pixels, &w, &h));
    device->SetStreamSource(0, buffer, 0, sizeof(Vertex));
    device->SetVertexDeclaration(declaration);
    decl->Release();
    vb->Release();
  }

  // Direct3D's diffuse term for a white material at the visible point under a pixel.
  static double Expected(const D3DLIGHT9& l, double x, double y) {
    double z = -std::sqrt(kRadius * kRadius - x * x - y * y);
    double n[3] = {x / kRadius, y / kRadius, z / kRadius};
    double toLight[3], attenuation = 1, d = 0;
    if (l.Type == D3DLIGHT_DIRECTIONAL) {
      double len = std::sqrt(l.Direction.x * l.Direction.x + l.Direction.y * l.Direction.y + l.Direction.z * l.Direction.z);
      toLight[0] = -l.Direction.x / len, toLight[1] = -l.Direction.y / len, toLight[2] = -l.Direction.z / len;
    } else {
      double v[3] = {l.Position.x - x, l.Position.y - y, l.Position.z - z};
      d = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
      for (int i = 0; i < 3; ++i) toLight[i] = v[i] / d;
      attenuation = d > l.Range ? 0 : 1 / (l.Attenuation0 + l.Attenuation1 * d + l.Attenuation2 * d * d);
      if (l.Type == D3DLIGHT_SPOT) {
        double len = std::sqrt(l.Direction.x * l.Direction.x + l.Direction.y * l.Direction.y + l.Direction.z * l.Direction.z);
        double rho = -(l.Direction.x * toLight[0] + l.Direction.y * toLight[1] + l.Direction.z * toLight[2]) / len;
        double inner = std::cos(l.Theta / 2), outer = std::cos(l.Phi / 2);
        attenuation *= rho > inner ? 1 : rho <= outer ? 0 : std::pow((rho - outer) / (inner - outer), l.Falloff);
      }
    }
    double lambert = std::max(0.0, n[0] * toLight[0] + n[1] * toLight[1] + n[2] * toLight[2]);
    return std::min(1.0, attenuation * lambert * l.Diffuse.r) * 255.0;
  }

  void Compare(const D3DLIGHT9& light) {
    DrawSphere(light);
    int compared = 0;
    for (UINT py = 2; py < kSize; py += 3)
      for (UINT px = 2; px < kSize; px += 3) {
        // Direct3D samples pixel px at x = px × 2 / width − 1.
        double x = px * 2.0 / kSize - 1, y = 1 - py * 2.0 / kSize;
        if (x * x + y * y > 0.6 * 0.6) continue;  // well inside the silhouette
        EXPECT_NEAR(Channel(pixels[py * kSize + px], 16), Expected(light, x, y), 6.0)
            << "pixel " << px << ", " << py;
        ++compared;
      }
    EXPECT_GT(compared, 20);
  }
  std::vector<uint32_t> pixels;
};

TEST_F(LitSphereTest, DirectionalPointAndSpotLightsMatchTheirFormulas) {
  D3DLIGHT9 sun{};
  sun.Type = D3DLIGHT_DIRECTIONAL;
  sun.Diffuse = {1, 1, 1, 1};
  sun.Direction = {0.5f, -0.5f, 0.7f};
  Compare(sun);

  D3DLIGHT9 lamp{};
  lamp.Type = D3DLIGHT_POINT;
  lamp.Diffuse = {1, 1, 1, 1};
  lamp.Position = {0.4f, 0.4f, -1.2f};
  lamp.Attenuation0 = 0.3f, lamp.Attenuation1 = 0.2f, lamp.Attenuation2 = 0.4f;
  lamp.Range = 10;
  Compare(lamp);

  D3DLIGHT9 spot = lamp;
  spot.Type = D3DLIGHT_SPOT;
  spot.Position = {-0.3f, 0.1f, -2.0f};
  spot.Direction = {0.1f, 0, 1};
  spot.Theta = 0.3f, spot.Phi = 0.9f, spot.Falloff = 1;
  Compare(spot);
}

}  // namespace
