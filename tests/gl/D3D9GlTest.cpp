#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "platform/d3d9/D3D9Testing.h"
#include "tests/d3d9/DeviceTestSupport.h"

namespace {

struct Vertex {
  float x, y, z;
  D3DCOLOR colour;
};

const D3DVERTEXELEMENT9 kPositionColour[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    D3DDECL_END()};


constexpr UINT kWidth = 64, kHeight = 32;

class GlDeviceTest : public GlDeviceFixture {
protected:
  void SetUp() override {
    MakeDevice(kWidth, kHeight);
    if (!device) return;
    // Unlit, as Direct3D needs for vertices without normals to show their colours.
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
  }
  void TearDown() override {
    for (IUnknown* object : made) object->Release();
    GlDeviceFixture::TearDown();
  }
  uint32_t Pixel(UINT x, UINT y) {
    std::vector<uint32_t> pixels;
    UINT w = 0, h = 0;
    EXPECT_TRUE(D3D9ReadBackBuffer(device, &pixels, &w, &h));
    EXPECT_EQ(w, kWidth);
    EXPECT_EQ(h, kHeight);
    return pixels.empty() ? 0 : pixels[y * w + x];
  }
  IDirect3DVertexBuffer9* Buffer(const Vertex* vertices, UINT count) {
    IDirect3DVertexBuffer9* vb = nullptr;
    EXPECT_EQ(device->CreateVertexBuffer(count * sizeof(Vertex), D3DUSAGE_WRITEONLY, 0,
                                         D3DPOOL_DEFAULT, &vb, nullptr),
              D3D_OK);
    void* data = nullptr;
    EXPECT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, vertices, count * sizeof(Vertex));
    vb->Unlock();
    return vb;
  }
  // The vertices as stream 0 with their declaration; both released after the test.
  IDirect3DVertexBuffer9* Stream(const Vertex* vertices, UINT count) {
    IDirect3DVertexBuffer9* vb = Buffer(vertices, count);
    IDirect3DVertexDeclaration9* decl = nullptr;
    EXPECT_EQ(device->CreateVertexDeclaration(kPositionColour, &decl), D3D_OK);
    device->SetVertexDeclaration(decl);
    device->SetStreamSource(0, vb, 0, sizeof(Vertex));
    made.insert(made.end(), {vb, decl});
    return vb;
  }
  std::vector<IUnknown*> made;
};

TEST_F(GlDeviceTest, ClearColourReadsBackAsTheDirect3DColourWord) {
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                          D3DCOLOR_ARGB(255, 255, 0, 127), 1.0f, 0),
            D3D_OK);
  EXPECT_EQ(Pixel(0, 0), 0xFFFF007Fu);
  EXPECT_EQ(Pixel(kWidth - 1, kHeight - 1), 0xFFFF007Fu);
  // Rectangles clear only themselves; rows count from the top.
  D3DRECT rect = {2, 1, 4, 3};
  device->Clear(1, &rect, D3DCLEAR_TARGET, D3DCOLOR_ARGB(255, 0, 255, 0), 1.0f, 0);
  EXPECT_EQ(Pixel(2, 1), 0xFF00FF00u);
  EXPECT_EQ(Pixel(3, 2), 0xFF00FF00u);
  EXPECT_EQ(Pixel(4, 2), 0xFFFF007Fu);
  EXPECT_EQ(Pixel(2, 0), 0xFFFF007Fu);
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

// A triangle covering the left half of the target, top to bottom, wound clockwise as
// Direct3D sees it: with the default culling of counter-clockwise faces it is drawn.
TEST_F(GlDeviceTest, TriangleLandsOnTheExpectedPixelsAndBackFacesAreCulled) {
  const D3DCOLOR red = D3DCOLOR_ARGB(255, 255, 0, 0);
  const Vertex clockwise[] = {{-1, 1, 0.5f, red}, {0, 1, 0.5f, red}, {-1, -1, 0.5f, red}};
  Stream(clockwise, 3);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(255, 0, 0, 0), 1.0f, 0);
  device->BeginScene();
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  device->EndScene();
  EXPECT_EQ(Pixel(0, 0), 0xFFFF0000u) << "top-left corner";
  EXPECT_EQ(Pixel(20, 4), 0xFFFF0000u);
  EXPECT_EQ(Pixel(0, kHeight - 2), 0xFFFF0000u) << "bottom-left";
  EXPECT_EQ(Pixel(40, 4), 0xFF000000u) << "right half untouched";
  EXPECT_EQ(Pixel(30, kHeight - 2), 0xFF000000u) << "below the diagonal";

  // The same triangle wound the other way is culled.
  const Vertex counterClockwise[] = {clockwise[0], clockwise[2], clockwise[1]};
  IDirect3DVertexBuffer9* back = Buffer(counterClockwise, 3);
  device->SetStreamSource(0, back, 0, sizeof(Vertex));
  device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(255, 0, 0, 0), 1.0f, 0);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  EXPECT_EQ(Pixel(20, 4), 0xFF000000u);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  EXPECT_EQ(Pixel(20, 4), 0xFFFF0000u);
  back->Release();
}

// Direct3D samples pixel centres at integer screen positions, GL half a pixel further on.
// A left edge at screen x 32.25 leaves pixel 32 (centre 32.0) out in Direct3D, while GL's
// own rule (centre 32.5) would take it in.
TEST_F(GlDeviceTest, PixelCentresFollowDirect3D) {
  const D3DCOLOR white = D3DCOLOR_ARGB(255, 255, 255, 255);
  const float left = 32.25f / 32 - 1;  // clip x of screen x 32.25
  const Vertex quad[] = {{left, 1, 0, white},  {1, 1, 0, white}, {left, -1, 0, white},
                         {left, -1, 0, white}, {1, 1, 0, white}, {1, -1, 0, white}};
  Stream(quad, 6);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  EXPECT_EQ(Pixel(32, 10), 0xFF000000u);
  EXPECT_EQ(Pixel(33, 10), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(kWidth - 1, 0), 0xFFFFFFFFu);
}

TEST_F(GlDeviceTest, RepeatedDrawWithUnchangedStateCostsOneGlCall) {
  const D3DCOLOR red = D3DCOLOR_ARGB(255, 255, 0, 0);
  const Vertex v[] = {{-1, 1, 0.5f, red}, {0, 1, 0.5f, red}, {-1, -1, 0.5f, red}};
  IDirect3DVertexBuffer9* vb = Stream(v, 3);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  uint64_t before = D3D9GlCallCount();
  for (int i = 0; i < 10; ++i) device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
  EXPECT_EQ(D3D9GlCallCount() - before, 10u);
  // Setting a state to its current value or rebinding the same stream costs nothing.
  device->SetStreamSource(0, vb, 0, sizeof(Vertex));
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  before = D3D9GlCallCount();
  device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
  EXPECT_EQ(D3D9GlCallCount() - before, 1u);
  // Another declaration of the same elements feeds the same vertex array; one that
  // declares something else does not, and drawing with it still shows the triangle.
  IDirect3DVertexDeclaration9* alike = nullptr;
  ASSERT_EQ(device->CreateVertexDeclaration(kPositionColour, &alike), D3D_OK);
  made.push_back(alike);
  device->SetVertexDeclaration(alike);
  before = D3D9GlCallCount();
  device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
  EXPECT_EQ(D3D9GlCallCount() - before, 1u);
  const D3DVERTEXELEMENT9 colourLater[] = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 1}, D3DDECL_END()};
  IDirect3DVertexDeclaration9* other = nullptr;
  ASSERT_EQ(device->CreateVertexDeclaration(colourLater, &other), D3D_OK);
  made.push_back(other);
  device->SetVertexDeclaration(other);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
  before = D3D9GlCallCount();
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  EXPECT_GT(D3D9GlCallCount() - before, 1u);
  EXPECT_EQ(Pixel(4, 4), 0xFFFFFFFFu) << "no colour 0 declared: white";
  device->SetVertexDeclaration(alike);
  // A draw past the buffer makes no GL call at all.
  before = D3D9GlCallCount();
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3D9GlCallCount(), before);
}

// Blend factors changed while blending is off cost no GL call; the draw that blends
// again blends by the factors set last.
TEST_F(GlDeviceTest, BlendFactorsSetWithoutBlendingWaitForTheDrawThatBlends) {
  const D3DCOLOR half = D3DCOLOR_ARGB(128, 255, 0, 0);
  const Vertex v[] = {{-1, 1, 0.5f, half}, {3, 1, 0.5f, half}, {-1, -3, 0.5f, half}};
  Stream(v, 3);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  uint64_t before = D3D9GlCallCount();
  for (DWORD source : {D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLEND_ZERO}) {
    device->SetRenderState(D3DRS_SRCBLEND, source);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
  }
  EXPECT_EQ(D3D9GlCallCount() - before, 3u) << "the draws alone";
  // Zero × source + (1 − 0.5) × blue.
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FFu, 1.0f, 0);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  EXPECT_NEAR(int(Pixel(4, 4) & 0xFF), 127, 1);
  EXPECT_EQ((Pixel(4, 4) >> 16) & 0xFF, 0u) << "no red: the source was weighed by zero";
}

// A present into a window of the back buffer's size is one copy where the driver offers
// direct state access, binding nothing; the next frame still draws into the back buffer.
TEST_F(GlDeviceTest, PresentCopiesToTheWindowAndDrawingCarriesOnInTheBackBuffer) {
  const D3DCOLOR red = D3DCOLOR_ARGB(255, 255, 0, 0), green = D3DCOLOR_ARGB(255, 0, 255, 0);
  const Vertex v[] = {{-1, 1, 0.5f, red}, {3, 1, 0.5f, red}, {-1, -3, 0.5f, red}};
  IDirect3DVertexBuffer9* vb = Stream(v, 3);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  std::vector<uint32_t> window;
  UINT w = 0, h = 0;
  ASSERT_TRUE(D3D9ReadWindow(device, &window, &w, &h));
  ASSERT_EQ(std::make_pair(w, h), std::make_pair(kWidth, kHeight)) << "the window fits the back buffer";
  uint64_t before = D3D9GlCallCount();
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_LE(D3D9GlCallCount() - before, SDL_GL_ExtensionSupported("GL_ARB_direct_state_access") ? 1u : 4u);

  const Vertex greens[] = {{-1, 1, 0.5f, green}, {3, 1, 0.5f, green}, {-1, -3, 0.5f, green}};
  void* data = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
  std::memcpy(data, greens, sizeof greens);
  vb->Unlock();
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  EXPECT_EQ(Pixel(kWidth / 2, kHeight / 2), 0xFF00FF00u) << "drawn after the present";
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  ASSERT_TRUE(D3D9ReadWindow(device, &window, &w, &h));
  EXPECT_EQ(window[size_t(kHeight / 2) * kWidth + kWidth / 2], 0xFF00FF00u) << "and shown";
}

}  // namespace

namespace {

// Full screen scales into the desktop, so the list offers the standard sizes up to the
// desktop's own, each at the desktop's refresh rate and never at 0 Hz.
TEST_F(GlDeviceTest, DisplayModesAreTheStandardSizesUpToTheDesktop) {
  UINT count = d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8);
  ASSERT_GE(count, 2u);
  std::vector<D3DDISPLAYMODE> modes(count);
  for (UINT i = 0; i < count; ++i) ASSERT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, i, &modes[i]), D3D_OK);
  const D3DDISPLAYMODE& largest = modes.back();
  bool has640 = false, has800 = false;
  for (size_t i = 0; i < modes.size(); ++i) {
    const D3DDISPLAYMODE& m = modes[i];
    EXPECT_GT(m.RefreshRate, 0u) << m.Width << " x " << m.Height;
    EXPECT_EQ(m.RefreshRate, largest.RefreshRate) << "the desktop's rate for every size";
    EXPECT_LE(m.Width, largest.Width);
    EXPECT_LE(m.Height, largest.Height);
    if (i) {
      EXPECT_LT(std::tie(modes[i - 1].Width, modes[i - 1].Height), std::tie(m.Width, m.Height));
    }
    has640 = has640 || (m.Width == 640 && m.Height == 480);
    has800 = has800 || (m.Width == 800 && m.Height == 600);
  }
  EXPECT_TRUE(has640);
  EXPECT_TRUE(has800);
}

}  // namespace
