// Direct3D 9 behaviours that games lean on, drawn on GL and read back: untextured stages,
// the alpha test after a pixel program, the fog modes, depth clamping, viewports, clears,
// locked buffers, defaults, every texture operation, scissor and flat shading, and draws
// that cannot be made failing loudly.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/d3d9/D3D9Testing.h"
#include "platform/d3d9/ShaderCode.h"
#include "platform/d3dx/D3DX9Shader.h"
#include "tests/d3d9/DeviceTestSupport.h"

namespace {

// Screen-space vertices: position with rhw, diffuse, specular, one texture coordinate set.
struct Vertex {
  float x, y, z, rhw;
  D3DCOLOR diffuse, specular;
  float u, v;
};
const D3DVERTEXELEMENT9 kElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITIONT, 0},
    {0, 16, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    {0, 20, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 1},
    {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END()};

constexpr UINT kSize = 32;
constexpr D3DCOLOR kBlue = 0xFF0000FFu;

int Channel(uint32_t pixel, int shift) { return int((pixel >> shift) & 0xFF); }
void ExpectColour(uint32_t pixel, int r, int g, int b, int tolerance = 2) {
  EXPECT_NEAR(Channel(pixel, 16), r, tolerance) << std::hex << pixel;
  EXPECT_NEAR(Channel(pixel, 8), g, tolerance) << std::hex << pixel;
  EXPECT_NEAR(Channel(pixel, 0), b, tolerance) << std::hex << pixel;
}

class FidelityGlTest : public GlDeviceFixture {
protected:
  void SetUp() override {
    MakeDevice(kSize, kSize);
    if (!device) return;
    ASSERT_EQ(device->CreateVertexBuffer(sizeof(Vertex) * 6, D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, &buffer, nullptr),
              D3D_OK);
    ASSERT_EQ(device->CreateVertexDeclaration(kElements, &declaration), D3D_OK);
    device->SetVertexDeclaration(declaration);
    device->SetStreamSource(0, buffer, 0, sizeof(Vertex));
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  }
  void TearDown() override {
    if (declaration) declaration->Release();
    if (buffer) buffer->Release();
    GlDeviceFixture::TearDown();
  }

  // Writes a rectangle's two triangles; the first vertex of each is its top-left corner.
  void Fill(float left, float top, float right, float bottom, float z, D3DCOLOR diffuse, D3DCOLOR specular,
            Vertex* out) {
    const Vertex quad[6] = {{left, top, z, 1, diffuse, specular, 0, 0},     {right, top, z, 1, diffuse, specular, 1, 0},
                            {left, bottom, z, 1, diffuse, specular, 0, 1},  {left, bottom, z, 1, diffuse, specular, 0, 1},
                            {right, top, z, 1, diffuse, specular, 1, 0},    {right, bottom, z, 1, diffuse, specular, 1, 1}};
    std::memcpy(out, quad, sizeof quad);
  }
  HRESULT Quad(float left, float top, float right, float bottom, float z = 0.5f, D3DCOLOR diffuse = 0xFFFFFFFFu,
               D3DCOLOR specular = 0xFF000000u) {
    void* data = nullptr;
    EXPECT_EQ(buffer->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK);
    Fill(left, top, right, bottom, z, diffuse, specular, static_cast<Vertex*>(data));
    buffer->Unlock();
    return device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
  }
  HRESULT Screen(D3DCOLOR diffuse, D3DCOLOR specular = 0xFF000000u, float z = 0.5f) {
    return Quad(0, 0, kSize, kSize, z, diffuse, specular);
  }
  void Clear(D3DCOLOR colour = kBlue, float z = 1.0f) {
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, z, 0), D3D_OK);
  }
  uint32_t Pixel(UINT x, UINT y) {
    std::vector<uint32_t> pixels;
    UINT w = 0, h = 0;
    EXPECT_TRUE(D3D9ReadBackBuffer(device, &pixels, &w, &h));
    return pixels.empty() ? 0 : pixels[size_t(y) * w + x];
  }
  uint32_t Centre() { return Pixel(kSize / 2, kSize / 2); }
  static DWORD Bits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
  }

  IDirect3DVertexBuffer9* buffer = nullptr;
  IDirect3DVertexDeclaration9* declaration = nullptr;
};

TEST_F(FidelityGlTest, UntexturedStagesPassTheDiffuseColourAndAlphaOn) {
  Clear();
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  // Half-transparent red over blue: a fade overlay is a blend, not solid red.
  ASSERT_EQ(Screen(0x80FF0000u), D3D_OK);
  ExpectColour(Centre(), 128, 0, 127);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
  device->SetRenderState(D3DRS_ALPHAREF, 0x90);
  Clear();
  Screen(0x80FF0000u);
  ExpectColour(Centre(), 0, 0, 255);  // alpha 0x80 fails "greater than 0x90"
  Screen(0xA000FF00u);
  ExpectColour(Centre(), 0, 255, 0);
}

TEST_F(FidelityGlTest, TheAlphaTestRunsAfterAPixelProgram) {
  const char* source = "float4 main() : COLOR { return float4(1, 0, 0, 0.25); }";
  LPD3DXBUFFER code = nullptr, errors = nullptr;
  ASSERT_EQ(D3DXCompileShader(source, UINT(std::strlen(source)), nullptr, nullptr, "main", "ps_2_0", 0, &code,
                              &errors, nullptr),
            D3D_OK);
  IDirect3DPixelShader9* shader = nullptr;
  ASSERT_EQ(device->CreatePixelShader(static_cast<const DWORD*>(code->GetBufferPointer()), &shader), D3D_OK);
  code->Release();
  if (errors) errors->Release();
  device->SetPixelShader(shader);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  device->SetRenderState(D3DRS_ALPHAREF, 0x80);
  Clear();
  ASSERT_EQ(Screen(0xFFFFFFFFu), D3D_OK);
  {
    SCOPED_TRACE("alpha 64 is below the reference 128");
    ExpectColour(Centre(), 0, 0, 255);
  }
  device->SetRenderState(D3DRS_ALPHAREF, 0x40);
  Screen(0xFFFFFFFFu);
  ExpectColour(Centre(), 255, 0, 0);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHAREF, 0xFF);
  Clear();
  Screen(0xFFFFFFFFu);
  {
    SCOPED_TRACE("the test is off");
    ExpectColour(Centre(), 255, 0, 0);
  }
  device->SetPixelShader(nullptr);
  shader->Release();
}

TEST_F(FidelityGlTest, FogModesFollowTheirFormulas) {
  device->SetRenderState(D3DRS_ZENABLE, FALSE);  // quads at several depths over each other
  device->SetRenderState(D3DRS_FOGENABLE, TRUE);
  device->SetRenderState(D3DRS_FOGCOLOR, 0xFF00FF00u);
  // Pre-transformed vertices take the factor from the specular alpha: 0x40 of the colour.
  device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
  Clear();
  Screen(0xFFFF0000u, 0x40000000u);
  ExpectColour(Centre(), 64, 191, 0);
  // Table fog is per pixel from the depth (no projection: z): z 0.5 between 0.25 and 0.75.
  device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
  device->SetRenderState(D3DRS_FOGSTART, Bits(0.25f));
  device->SetRenderState(D3DRS_FOGEND, Bits(0.75f));
  Screen(0xFFFF0000u, 0xFF000000u);
  ExpectColour(Centre(), 128, 127, 0, 3);
  // End before start reverses the ramp: (0.25 − 0.5) / (0.25 − 0.75) = 0.5, and at z 0.3, 0.1.
  device->SetRenderState(D3DRS_FOGSTART, Bits(0.75f));
  device->SetRenderState(D3DRS_FOGEND, Bits(0.25f));
  Screen(0xFFFF0000u, 0xFF000000u, 0.3f);
  ExpectColour(Centre(), 26, 229, 0, 3);
  // Start equal to end fogs fully.
  device->SetRenderState(D3DRS_FOGSTART, Bits(0.5f));
  device->SetRenderState(D3DRS_FOGEND, Bits(0.5f));
  Screen(0xFFFF0000u, 0xFF000000u, 0.1f);
  ExpectColour(Centre(), 0, 255, 0);
  // exp2 with density 2 at z 0.5: e^−1.
  device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP2);
  device->SetRenderState(D3DRS_FOGDENSITY, Bits(2.0f));
  Screen(0xFFFF0000u);
  ExpectColour(Centre(), 94, 161, 0, 3);
  // Both modes NONE: the specular alpha again.
  device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
  device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
  Screen(0xFFFF0000u, 0xC0000000u);
  ExpectColour(Centre(), 192, 63, 0);
}

// Pre-transformed depth outside [0, 1] is compared as it stands, clipping on or off: against
// a buffer cleared to 1.0 (or 0.0), the comparison function alone decides. Without a depth
// test such a quad is drawn.
TEST_F(FidelityGlTest, PreTransformedDepthOutsideTheRangeComparesAsItStands) {
  struct Case {
    float z, cleared;
    DWORD function;
  };
  // A stored depth at the range's very end cannot be passed strictly: the buffer holds
  // nothing beyond it, so the strict cases use a depth inside.
  const Case cases[] = {{5.0f, 1.0f, D3DCMP_LESSEQUAL}, {1.5f, 1.0f, D3DCMP_LESS},     {5.0f, 0.5f, D3DCMP_GREATER},
                        {5.0f, 0.0f, D3DCMP_GREATEREQUAL}, {-0.5f, 0.5f, D3DCMP_LESS}, {-0.5f, 1.0f, D3DCMP_LESSEQUAL},
                        {-0.5f, 0.0f, D3DCMP_GREATER},  {5.0f, 1.0f, D3DCMP_EQUAL},    {-0.5f, 0.5f, D3DCMP_NOTEQUAL}};
  for (BOOL clipping : {TRUE, FALSE}) {
    device->SetRenderState(D3DRS_CLIPPING, clipping);
    for (const Case& c : cases) {
      // What comparing the depth as it stands says.
      bool passes = false;
      switch (c.function) {
        case D3DCMP_LESS: passes = c.z < c.cleared; break;
        case D3DCMP_LESSEQUAL: passes = c.z <= c.cleared; break;
        case D3DCMP_GREATER: passes = c.z > c.cleared; break;
        case D3DCMP_GREATEREQUAL: passes = c.z >= c.cleared; break;
        case D3DCMP_EQUAL: passes = c.z == c.cleared; break;
        case D3DCMP_NOTEQUAL: passes = c.z != c.cleared; break;
      }
      SCOPED_TRACE(testing::Message() << "z " << c.z << " over " << c.cleared << ", function " << c.function
                                      << ", clipping " << clipping);
      device->SetRenderState(D3DRS_ZENABLE, TRUE);
      device->SetRenderState(D3DRS_ZFUNC, c.function);
      Clear(kBlue, c.cleared);
      ASSERT_EQ(Screen(0xFFFF0000u, 0, c.z), D3D_OK);
      if (passes) ExpectColour(Centre(), 255, 0, 0);
      else ExpectColour(Centre(), 0, 0, 255);
      device->SetRenderState(D3DRS_ZENABLE, FALSE);
      Screen(0xFF00FF00u, 0, c.z);
      ExpectColour(Centre(), 0, 255, 0);
    }
  }
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  device->SetRenderState(D3DRS_CLIPPING, TRUE);
  // In range, depth is compared and written as ever: 0.4 stays in front of a later 0.6.
  Clear();
  Screen(0xFFFF0000u, 0, 0.4f);
  Screen(0xFF00FF00u, 0, 0.6f);
  ExpectColour(Centre(), 255, 0, 0);
}

TEST_F(FidelityGlTest, ViewportsReachPastTheTargetAndFlatDepthRangesKeepAThousandth) {
  Clear();
  D3DVIEWPORT9 wide{16, 16, 64, 64, 0, 1};
  ASSERT_EQ(device->SetViewport(&wide), D3D_OK);
  // Screen coordinates are the target's: the quad lands where it says, clipped to 32 x 32.
  ASSERT_EQ(Quad(20, 20, 40, 40, 0.5f, 0xFFFF0000u), D3D_OK);
  ExpectColour(Pixel(25, 25), 255, 0, 0);
  ExpectColour(Pixel(10, 10), 0, 0, 255);

  D3DVIEWPORT9 flat{0, 0, kSize, kSize, 0.3f, 0.3f};
  ASSERT_EQ(device->SetViewport(&flat), D3D_OK);
  Clear();
  Screen(0xFFFF0000u, 0, 1.0f);  // lands at 0.301 at most
  D3DVIEWPORT9 full{0, 0, kSize, kSize, 0, 1};
  device->SetViewport(&full);
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
  Screen(0xFF00FF00u, 0, 0.31f);
  {
    SCOPED_TRACE("0.31 is behind");
    ExpectColour(Centre(), 255, 0, 0);
  }
  Screen(0xFF00FF00u, 0, 0.29f);
  ExpectColour(Centre(), 0, 255, 0);
}

TEST_F(FidelityGlTest, ClearsRectanglesOnlyWhenTheyAreCounted) {
  Clear(0xFF000000u);
  D3DRECT corner{0, 0, 8, 8};
  EXPECT_EQ(device->Clear(0, &corner, D3DCLEAR_TARGET, 0xFFFF0000u, 1, 0), D3D_OK);
  {
    SCOPED_TRACE("rectangles without a count clear nothing");
    ExpectColour(Pixel(2, 2), 0, 0, 0);
  }
  EXPECT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, 0xFF00FF00u, 1, 0), D3D_OK);
  {
    SCOPED_TRACE("a count without rectangles clears it all");
    ExpectColour(Pixel(30, 30), 0, 255, 0);
  }
  EXPECT_EQ(device->Clear(1, &corner, D3DCLEAR_TARGET, 0xFFFF0000u, 1, 0), D3D_OK);
  ExpectColour(Pixel(2, 2), 255, 0, 0);
  ExpectColour(Pixel(20, 20), 0, 255, 0);
}

TEST_F(FidelityGlTest, DrawsFromALockedBufferSeeWhatIsWrittenSoFar) {
  Clear();
  void* data = nullptr;
  ASSERT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
  Fill(0, 0, kSize, kSize, 0.5f, 0xFFFFFF00u, 0, static_cast<Vertex*>(data));
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  ExpectColour(Centre(), 255, 255, 0);
  buffer->Unlock();
}

TEST_F(FidelityGlTest, DefaultsAndSmallStates) {
  // A light never set is white and shines along +z: onto a face looking at −z.
  struct Lit {
    float x, y, z, nx, ny, nz;
  };
  const D3DVERTEXELEMENT9 litElements[] = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
      D3DDECL_END()};
  IDirect3DVertexDeclaration9* litDeclaration = nullptr;
  ASSERT_EQ(device->CreateVertexDeclaration(litElements, &litDeclaration), D3D_OK);
  IDirect3DVertexBuffer9* litBuffer = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(sizeof(Lit) * 3, 0, 0, D3DPOOL_MANAGED, &litBuffer, nullptr), D3D_OK);
  void* data = nullptr;
  litBuffer->Lock(0, 0, &data, 0);
  const Lit triangle[3] = {{-1, 3, 0.5f, 0, 0, -1}, {3, -1, 0.5f, 0, 0, -1}, {-1, -1, 0.5f, 0, 0, -1}};
  std::memcpy(data, triangle, sizeof triangle);
  litBuffer->Unlock();
  device->SetVertexDeclaration(litDeclaration);
  device->SetStreamSource(0, litBuffer, 0, sizeof(Lit));
  D3DMATERIAL9 white{{1, 1, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 1};
  device->SetMaterial(&white);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  ASSERT_EQ(device->LightEnable(3, TRUE), D3D_OK);
  Clear();
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  ExpectColour(Centre(), 255, 255, 255);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetVertexDeclaration(declaration);
  device->SetStreamSource(0, buffer, 0, sizeof(Vertex));
  litBuffer->Release();
  litDeclaration->Release();

  // Without a depth surface, nothing is depth-tested: a quad behind the cleared depth shows.
  Clear(kBlue, 0.0f);
  Screen(0xFFFF0000u);
  ExpectColour(Centre(), 0, 0, 255);
  ASSERT_EQ(device->SetDepthStencilSurface(nullptr), D3D_OK);
  Screen(0xFFFF0000u);
  ExpectColour(Centre(), 255, 0, 0);
  IDirect3DSurface9* depth = nullptr;
  EXPECT_EQ(device->GetDepthStencilSurface(&depth), D3DERR_NOTFOUND);
}

// A two-level texture, red on level 0 and green on level 1.
IDirect3DTexture9* TwoLevels(IDirect3DDevice9* device, D3DPOOL pool = D3DPOOL_MANAGED) {
  IDirect3DTexture9* texture = nullptr;
  EXPECT_EQ(device->CreateTexture(4, 4, 2, 0, D3DFMT_A8R8G8B8, pool, &texture, nullptr), D3D_OK);
  for (UINT level = 0; level < 2; ++level) {
    D3DLOCKED_RECT locked{};
    texture->LockRect(level, &locked, nullptr, 0);
    UINT edge = 4 >> level;
    for (UINT y = 0; y < edge; ++y)
      for (UINT x = 0; x < edge; ++x)
        reinterpret_cast<uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x] =
            level == 0 ? 0xFFFF0000u : 0xFF00FF00u;
    texture->UnlockRect(level);
  }
  return texture;
}

TEST_F(FidelityGlTest, MostDetailedLevelFromTheSamplerOrTheTexture) {
  IDirect3DTexture9* texture = TwoLevels(device);
  device->SetTexture(0, texture);
  device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
  Clear();
  Screen(0xFFFFFFFFu);
  ExpectColour(Centre(), 255, 0, 0);
  device->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 1);
  Screen(0xFFFFFFFFu);
  ExpectColour(Centre(), 0, 255, 0);
  device->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 0);
  Screen(0xFFFFFFFFu);
  ExpectColour(Centre(), 255, 0, 0);
  EXPECT_EQ(texture->SetLOD(5), 0u);
  EXPECT_EQ(texture->GetLOD(), 1u) << "clamped to the last level";
  Screen(0xFFFFFFFFu);
  ExpectColour(Centre(), 0, 255, 0);

  // Without mipmapping, the sampler's most detailed level is ignored: only the LOD's level.
  texture->SetLOD(0);
  device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
  device->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 1);
  Screen(0xFFFFFFFFu);
  {
    SCOPED_TRACE("MAXMIPLEVEL 1 without mipmapping");
    ExpectColour(Centre(), 255, 0, 0);
  }
  texture->SetLOD(1);
  Screen(0xFFFFFFFFu);
  ExpectColour(Centre(), 0, 255, 0);
  device->SetTexture(0, nullptr);
  texture->Release();
}

// Copying bytes into the back buffer goes through a scratch texture on a unit of its own;
// the sampler's unit must still take the next change of its texture's level.
TEST_F(FidelityGlTest, ATextureLevelChangedAfterAnUpdateOfTheBackBufferStillShows) {
  IDirect3DTexture9* texture = TwoLevels(device);
  IDirect3DTexture9* bytes = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &bytes, nullptr), D3D_OK);
  IDirect3DSurface9* source = nullptr;
  IDirect3DSurface9* back = nullptr;
  bytes->GetSurfaceLevel(0, &source);
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  device->SetTexture(0, texture);
  device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
  texture->SetLOD(1);  // the draw sets the level on the sampler's unit
  Clear();
  Screen(0xFFFFFFFFu);
  ExpectColour(Centre(), 0, 255, 0);
  ASSERT_EQ(device->UpdateSurface(source, nullptr, back, nullptr), D3D_OK);
  texture->SetLOD(0);
  Screen(0xFFFFFFFFu);
  ExpectColour(Centre(), 255, 0, 0);
  back->Release();
  source->Release();
  bytes->Release();
  device->SetTexture(0, nullptr);
  texture->Release();
}

TEST_F(FidelityGlTest, StretchRectCopiesFromADefaultPoolTexture) {
  IDirect3DTexture9* texture = TwoLevels(device, D3DPOOL_DEFAULT);
  IDirect3DSurface9* source = nullptr;
  IDirect3DSurface9* back = nullptr;
  texture->GetSurfaceLevel(0, &source);
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  Clear();
  EXPECT_EQ(device->StretchRect(source, nullptr, back, nullptr, D3DTEXF_POINT), D3D_OK);
  ExpectColour(Centre(), 255, 0, 0);
  back->Release();
  source->Release();
  texture->Release();
}

// One stage over no texture: diffuse 0x80 grey with alpha 0x40, factor 0xC0 with alpha
// 0x80, specular (0x20, 0x40, 0x60) with alpha 0xFF; the expected colour per operation.
TEST_F(FidelityGlTest, EveryTextureOperationCombinesItsArguments) {
  struct Case {
    DWORD op, arg0, arg1, arg2;
    int r, g, b;
  };
  const Case cases[] = {
      {D3DTOP_BLENDDIFFUSEALPHA, 0, D3DTA_TFACTOR, D3DTA_SPECULAR, 72, 96, 120},   // 0.25 f + 0.75 s
      {D3DTOP_BLENDFACTORALPHA, 0, D3DTA_DIFFUSE, D3DTA_SPECULAR, 80, 96, 112},    // 0.5 d + 0.5 s
      {D3DTOP_BLENDCURRENTALPHA, 0, D3DTA_TFACTOR, D3DTA_SPECULAR, 72, 96, 120},   // current = diffuse
      {D3DTOP_MODULATEALPHA_ADDCOLOR, 0, D3DTA_DIFFUSE, D3DTA_SPECULAR, 136, 144, 152},  // d + d.a s
      {D3DTOP_MODULATECOLOR_ADDALPHA, 0, D3DTA_SPECULAR, D3DTA_DIFFUSE, 255, 255, 255},  // s d + s.a
      {D3DTOP_MODULATEINVALPHA_ADDCOLOR, 0, D3DTA_DIFFUSE, D3DTA_SPECULAR, 152, 176, 200},  // (1 − d.a) s + d
      {D3DTOP_MODULATEINVCOLOR_ADDALPHA, 0, D3DTA_SPECULAR, D3DTA_DIFFUSE, 255, 255, 255},
      {D3DTOP_DOTPRODUCT3, 0, D3DTA_TFACTOR, D3DTA_TFACTOR, 196, 196, 196},        // 4 × 3 × (0.753 − 0.5)²
      {D3DTOP_MULTIPLYADD, D3DTA_SPECULAR, D3DTA_DIFFUSE, D3DTA_TFACTOR, 128, 160, 192},  // s + d f
      {D3DTOP_LERP, D3DTA_SPECULAR, D3DTA_TFACTOR, D3DTA_DIFFUSE, 136, 144, 152},  // s f + (1 − s) d
  };
  device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x80C0C0C0u);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.op);
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, c.op), D3D_OK);
    device->SetTextureStageState(0, D3DTSS_COLORARG0, c.arg0);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, c.arg1);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, c.arg2);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    Clear();
    ASSERT_EQ(Screen(0x40808080u, 0xFF204060u), D3D_OK);
    ExpectColour(Centre(), c.r, c.g, c.b, 3);
  }
  // The chain goes on after such an operation: stage 1 adds the specular colour.
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_BLENDFACTORALPHA);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_SPECULAR);
  device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
  device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
  device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_SPECULAR);
  device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
  Screen(0x40808080u, 0xFF204060u);
  ExpectColour(Centre(), 112, 160, 208, 3);
}

TEST_F(FidelityGlTest, ScissorRectangleLimitsDrawsAndClearsAndFlatShading) {
  RECT left{0, 0, 16, 32};
  ASSERT_EQ(device->SetScissorRect(&left), D3D_OK);
  Clear();
  device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
  Screen(0xFFFF0000u);
  ExpectColour(Pixel(8, 16), 255, 0, 0);
  ExpectColour(Pixel(24, 16), 0, 0, 255);
  // A clear, whole or by rectangles, stays inside the scissor rectangle too.
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00u, 1, 0), D3D_OK);
  ExpectColour(Pixel(8, 16), 0, 255, 0);
  ExpectColour(Pixel(24, 16), 0, 0, 255);
  D3DRECT across{8, 0, 32, 8};
  ASSERT_EQ(device->Clear(1, &across, D3DCLEAR_TARGET, 0xFFFFFFFFu, 1, 0), D3D_OK);
  ExpectColour(Pixel(12, 4), 255, 255, 255);
  ExpectColour(Pixel(20, 4), 0, 0, 255);
  device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00u, 1, 0), D3D_OK);
  ExpectColour(Pixel(24, 16), 0, 255, 0);

  // A triangle whose corners differ: flat shading takes the first vertex's colour.
  void* data = nullptr;
  buffer->Lock(0, 0, &data, 0);
  auto* v = static_cast<Vertex*>(data);
  v[0] = {0, 0, 0.5f, 1, 0xFFFF0000u, 0, 0, 0};
  v[1] = {64, 0, 0.5f, 1, 0xFF00FF00u, 0, 0, 0};
  v[2] = {0, 64, 0.5f, 1, 0xFF0000FFu, 0, 0, 0};
  buffer->Unlock();
  device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
  Clear(0);
  device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
  ExpectColour(Pixel(10, 10), 255, 0, 0);
  ExpectColour(Pixel(20, 4), 255, 0, 0);
  device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
  device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
  EXPECT_GT(Channel(Pixel(20, 4), 8), 60) << "Gouraud blends toward the green corner";
}

TEST_F(FidelityGlTest, ValuesOutsideTheirEnumerationsAndProgramsThatCannotBeMadeFail) {
  EXPECT_EQ(device->SetRenderState(D3DRS_ZFUNC, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState(D3DRS_SRCBLEND, 16), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState(D3DRS_BLENDOP, 6), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState(D3DRS_STENCILPASS, 9), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetSamplerState(0, D3DSAMP_ADDRESSU, 6), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, 27), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_COLORARG1, 7), D3DERR_INVALIDCALL);
  Clear();
  EXPECT_EQ(Screen(0xFFFF0000u), D3D_OK) << "the refused values left the defaults in place";
  ExpectColour(Centre(), 255, 0, 0);

  // A pixel stage whose GLSL does not compile: the draw says so instead of drawing nothing.
  d3d9::ShaderCode broken;
  broken.stage = d3d9::ShaderStage::Pixel;
  broken.glsl = "#version 330 core\nout vec4 target;\nvoid main() { target = undefined; }\n";
  std::vector<DWORD> function = d3d9::Encode(broken);
  IDirect3DPixelShader9* shader = nullptr;
  ASSERT_EQ(device->CreatePixelShader(function.data(), &shader), D3D_OK);
  device->SetPixelShader(shader);
  EXPECT_EQ(Screen(0xFF00FF00u), D3DERR_INVALIDCALL);
  ExpectColour(Centre(), 255, 0, 0);
  device->SetPixelShader(nullptr);
  EXPECT_EQ(Screen(0xFF00FF00u), D3D_OK);
  shader->Release();
}

}  // namespace

namespace {

// A level loaded again makes its shaders again: programs follow the code, not the shader
// objects, so the second load links nothing.
TEST_F(FidelityGlTest, AShaderMadeAgainFromTheSameCodeLinksNothingNew) {
  const char* source = "float4 main() : COLOR { return float4(0, 1, 0, 1); }";
  LPD3DXBUFFER code = nullptr, errors = nullptr;
  ASSERT_EQ(D3DXCompileShader(source, UINT(std::strlen(source)), nullptr, nullptr, "main", "ps_2_0", 0, &code,
                              &errors, nullptr),
            D3D_OK);
  auto drawWithNewShader = [&] {
    IDirect3DPixelShader9* shader = nullptr;
    EXPECT_EQ(device->CreatePixelShader(static_cast<const DWORD*>(code->GetBufferPointer()), &shader), D3D_OK);
    device->SetPixelShader(shader);
    Clear();
    EXPECT_EQ(Screen(0xFFFFFFFFu), D3D_OK);
    ExpectColour(Centre(), 0, 255, 0);
    device->SetPixelShader(nullptr);
    shader->Release();
  };
  drawWithNewShader();
  uint64_t linked = D3D9GlProgramsLinked();
  drawWithNewShader();
  EXPECT_EQ(D3D9GlProgramsLinked(), linked);
  code->Release();
  if (errors) errors->Release();
}

}  // namespace
