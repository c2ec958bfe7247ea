// Copies into GPU surfaces and locks of part of a level, on GL and read back: UpdateSurface
// (render targets and the back buffer included), UpdateTexture, ColorFill, and textures
// whose bytes the layer no longer keeps once they are on the GPU.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/d3d9/D3D9Testing.h"
#include "tests/d3d9/DeviceTestSupport.h"

namespace {

constexpr UINT kSize = 16;

// A texel value that says where it came from: level, x and y.
uint32_t Mark(UINT level, UINT x, UINT y) { return 0xFF000000u | (level << 16) | (y << 8) | x; }

uint32_t& Texel(const D3DLOCKED_RECT& locked, UINT x, UINT y) {
  return reinterpret_cast<uint32_t*>(static_cast<BYTE*>(locked.pBits) + size_t(y) * locked.Pitch)[x];
}

class SurfaceCopiesGlTest : public GlDeviceFixture {
protected:
  void SetUp() override { MakeDevice(kSize, kSize); }
  void TearDown() override {
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) (*it)->Release();
    GlDeviceFixture::TearDown();
  }
  IDirect3DTexture9* Texture(UINT edge, UINT levels, DWORD usage, D3DPOOL pool, D3DFORMAT format = D3DFMT_A8R8G8B8) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(edge, edge, levels, usage, format, pool, &texture, nullptr), D3D_OK);
    if (texture) objects.push_back(texture);
    return texture;
  }
  IDirect3DSurface9* Level(IDirect3DTexture9* texture, UINT level) {
    IDirect3DSurface9* surface = nullptr;
    EXPECT_EQ(texture->GetSurfaceLevel(level, &surface), D3D_OK);
    objects.push_back(surface);
    return surface;
  }
  // Every level filled with its marks.
  void FillMarks(IDirect3DTexture9* texture) {
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
      D3DSURFACE_DESC desc{};
      texture->GetLevelDesc(level, &desc);
      D3DLOCKED_RECT locked{};
      ASSERT_EQ(texture->LockRect(level, &locked, nullptr, 0), D3D_OK);
      for (UINT y = 0; y < desc.Height; ++y)
        for (UINT x = 0; x < desc.Width; ++x) Texel(locked, x, y) = Mark(level, x, y);
      texture->UnlockRect(level);
    }
  }
  // A render target's pixels, through a system-memory copy.
  std::vector<uint32_t> Read(IDirect3DSurface9* target) {
    D3DSURFACE_DESC desc{};
    target->GetDesc(&desc);
    IDirect3DTexture9* copy = Texture(desc.Width, 1, 0, D3DPOOL_SYSTEMMEM, desc.Format);
    EXPECT_EQ(device->GetRenderTargetData(target, Level(copy, 0)), D3D_OK);
    D3DLOCKED_RECT locked{};
    copy->LockRect(0, &locked, nullptr, D3DLOCK_READONLY);
    std::vector<uint32_t> pixels;
    for (UINT y = 0; y < desc.Height; ++y)
      for (UINT x = 0; x < desc.Width; ++x) pixels.push_back(Texel(locked, x, y));
    copy->UnlockRect(0);
    return pixels;
  }
  uint32_t BackPixel(UINT x, UINT y) {
    std::vector<uint32_t> pixels;
    UINT w = 0, h = 0;
    EXPECT_TRUE(D3D9ReadBackBuffer(device, &pixels, &w, &h));
    return pixels.empty() ? 0 : pixels[size_t(y) * w + x] & 0xFFFFFFu;
  }

  std::vector<IUnknown*> objects;
};

TEST_F(SurfaceCopiesGlTest, UpdateSurfaceCopiesARectangleToAPointOfTargetsAndTextures) {
  IDirect3DTexture9* source = Texture(8, 1, 0, D3DPOOL_SYSTEMMEM);
  FillMarks(source);
  RECT rect{1, 2, 5, 4};
  POINT point{3, 5};
  // Into a render-target texture.
  IDirect3DTexture9* target = Texture(8, 1, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT);
  IDirect3DSurface9* targetLevel = Level(target, 0);
  ASSERT_EQ(device->ColorFill(targetLevel, nullptr, 0xFF123456u), D3D_OK);
  ASSERT_EQ(device->UpdateSurface(Level(source, 0), &rect, targetLevel, &point), D3D_OK);
  std::vector<uint32_t> pixels = Read(targetLevel);
  for (UINT y = 0; y < 8; ++y)
    for (UINT x = 0; x < 8; ++x) {
      bool inside = x >= 3 && x < 7 && y >= 5 && y < 7;
      uint32_t expected = inside ? Mark(0, x - 3 + 1, y - 5 + 2) : 0xFF123456u;
      EXPECT_EQ(pixels[y * 8 + x], expected) << x << ", " << y;
    }
  // Into the back buffer, whole, at a point, from a level of the back buffer's format.
  source = Texture(8, 1, 0, D3DPOOL_SYSTEMMEM, D3DFMT_X8R8G8B8);
  FillMarks(source);
  IDirect3DSurface9* back = nullptr;
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  objects.push_back(back);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1, 0), D3D_OK);
  POINT corner{8, 8};
  ASSERT_EQ(device->UpdateSurface(Level(source, 0), nullptr, back, &corner), D3D_OK);
  EXPECT_EQ(BackPixel(8, 8), Mark(0, 0, 0) & 0xFFFFFFu);
  EXPECT_EQ(BackPixel(15, 12), Mark(0, 7, 4) & 0xFFFFFFu);
  EXPECT_EQ(BackPixel(7, 8), 0u);
  POINT tooFar{9, 9};
  EXPECT_EQ(device->UpdateSurface(Level(source, 0), nullptr, back, &tooFar), D3DERR_INVALIDCALL);
}

TEST_F(SurfaceCopiesGlTest, UpdateTextureMatchesTheDestinationsTopLevelToTheSourceLevelOfItsSize) {
  IDirect3DTexture9* source = Texture(8, 3, 0, D3DPOOL_SYSTEMMEM);  // 8, 4, 2
  FillMarks(source);
  IDirect3DTexture9* dest = Texture(4, 2, 0, D3DPOOL_DEFAULT);  // 4, 2
  ASSERT_EQ(device->UpdateTexture(source, dest), D3D_OK);
  for (UINT level = 0; level < 2; ++level) {
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(dest->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    UINT edge = 4 >> level;
    for (UINT y = 0; y < edge; ++y)
      for (UINT x = 0; x < edge; ++x) EXPECT_EQ(Texel(locked, x, y), Mark(level + 1, x, y)) << level;
    dest->UnlockRect(level);
  }
  IDirect3DTexture9* tooBig = Texture(16, 1, 0, D3DPOOL_DEFAULT);
  EXPECT_EQ(device->UpdateTexture(source, tooBig), D3DERR_INVALIDCALL);
}

TEST_F(SurfaceCopiesGlTest, ColorFillFillsARectangleOfATargetWhateverTheStates) {
  IDirect3DSurface9* back = nullptr;
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  objects.push_back(back);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1, 0);
  RECT scissor{0, 0, 2, 2};
  device->SetScissorRect(&scissor);
  device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
  device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
  RECT rect{4, 4, 12, 8};
  ASSERT_EQ(device->ColorFill(back, &rect, 0xFF00FF00u), D3D_OK);
  EXPECT_EQ(BackPixel(4, 4), 0x00FF00u);
  EXPECT_EQ(BackPixel(11, 7), 0x00FF00u);
  EXPECT_EQ(BackPixel(12, 7), 0u);
  EXPECT_EQ(BackPixel(4, 8), 0u);
  EXPECT_EQ(device->ColorFill(Level(Texture(8, 1, 0, D3DPOOL_DEFAULT), 0), nullptr, 0), D3DERR_INVALIDCALL);
}

// A managed texture lives on the GPU alone: a lock stages only the locked box, reads it back
// unless discarded, and Unlock sends it up and lets it go.
TEST_F(SurfaceCopiesGlTest, LocksOfPartOfALevelStageOnlyThatPartAndFreeIt) {
  uint64_t before = D3D9GetCounters().textureBytes;
  IDirect3DTexture9* texture = Texture(kSize, 2, 0, D3DPOOL_MANAGED);
  EXPECT_EQ(D3D9GetCounters().textureBytes, before) << "nothing kept beside the GPU's copy";
  D3DLOCKED_RECT fresh{};
  ASSERT_EQ(texture->LockRect(1, &fresh, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(Texel(fresh, 7, 7), 0u) << "a new level holds zeros";
  texture->UnlockRect(1);
  FillMarks(texture);
  EXPECT_EQ(D3D9GetCounters().textureBytes, before);

  RECT rect{4, 2, 7, 6};
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(0, &locked, &rect, 0), D3D_OK);
  EXPECT_EQ(D3D9GetCounters().textureBytes, before + 3 * 4 * 4) << "three texels by four rows";
  EXPECT_EQ(Texel(locked, 0, 0), Mark(0, 4, 2)) << "read back from the GPU";
  EXPECT_EQ(Texel(locked, 2, 3), Mark(0, 6, 5));
  Texel(locked, 1, 1) = 0xFFABCDEFu;
  D3DLOCKED_RECT again{};
  EXPECT_EQ(texture->LockRect(0, &again, nullptr, 0), D3DERR_INVALIDCALL) << "the level is locked";
  ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
  EXPECT_EQ(D3D9GetCounters().textureBytes, before) << "the staging copy is freed";

  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(locked.Pitch, INT(kSize * 4)) << "a whole level keeps the level's pitch";
  EXPECT_EQ(Texel(locked, 5, 3), 0xFFABCDEFu);
  EXPECT_EQ(Texel(locked, 4, 3), Mark(0, 4, 3));
  EXPECT_EQ(Texel(locked, 8, 3), Mark(0, 8, 3));
  texture->UnlockRect(0);
  ASSERT_EQ(texture->LockRect(1, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(Texel(locked, 7, 7), Mark(1, 7, 7)) << "the other level is untouched";
  texture->UnlockRect(1);

  // A discarded lock reads nothing back; whatever is written replaces the box.
  RECT corner{0, 0, 2, 2};
  ASSERT_EQ(texture->LockRect(0, &locked, &corner, D3DLOCK_DISCARD), D3D_OK);
  for (UINT y = 0; y < 2; ++y)
    for (UINT x = 0; x < 2; ++x) Texel(locked, x, y) = 0xFF000001u;
  texture->UnlockRect(0);
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(Texel(locked, 1, 1), 0xFF000001u);
  EXPECT_EQ(Texel(locked, 2, 1), Mark(0, 2, 1));
  texture->UnlockRect(0);

  RECT outside{10, 10, 17, 12};
  EXPECT_EQ(texture->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);
  RECT empty{3, 3, 3, 5};
  EXPECT_EQ(texture->LockRect(0, &locked, &empty, 0), D3DERR_INVALIDCALL);

  // A system-memory texture is the CPU's: its bytes stay.
  Texture(kSize, 1, 0, D3DPOOL_SYSTEMMEM);
  EXPECT_EQ(D3D9GetCounters().textureBytes, before + kSize * kSize * 4);
}

TEST_F(SurfaceCopiesGlTest, CompressedLevelsLockInWholeBlocks) {
  IDirect3DTexture9* texture = Texture(8, 1, 0, D3DPOOL_MANAGED, D3DFMT_DXT1);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(locked.Pitch, 2 * 8) << "two blocks of 8 bytes a row";
  // Each block: colour 0 and 1 as R5G6B5, every texel colour 0; the first block red, the rest blue.
  for (UINT block = 0; block < 4; ++block) {
    uint16_t colour = block == 0 ? 0xF800 : 0x001F;
    BYTE* at = static_cast<BYTE*>(locked.pBits) + (block / 2) * locked.Pitch + (block % 2) * 8;
    std::memcpy(at, &colour, 2);
    std::memcpy(at + 2, &colour, 2);
    std::memset(at + 4, 0, 4);
  }
  texture->UnlockRect(0);
  RECT second{4, 4, 8, 8};
  ASSERT_EQ(texture->LockRect(0, &locked, &second, 0), D3D_OK);
  uint16_t colour = 0;
  std::memcpy(&colour, locked.pBits, 2);
  EXPECT_EQ(colour, 0x001F) << "the block at (4, 4)";
  texture->UnlockRect(0);
  RECT cut{2, 0, 6, 4};
  EXPECT_EQ(texture->LockRect(0, &locked, &cut, 0), D3DERR_INVALIDCALL) << "cuts through blocks";
}

}  // namespace
