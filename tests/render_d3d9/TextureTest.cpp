#include "core/Exception.h"
#include "graphics/RenderSystemTesting.h"
#include "platform/win32/Win32Testing.h"
#include "render_d3d9/Textures.h"
#include "tests/render_d3d9/RecordingDeviceSupport.h"

namespace {

class TextureTest : public CurrentRecordedDevice {
protected:
  KOR::Texture2D* Texture(KOR::PixelFormat format, int usage, int w, int h, bool mipmapped) {
    KOR::Texture2D* t = device->CreateTexture2D();
    made.push_back(t);
    t->Create(format, usage, w, h, mipmapped);
    return t;
  }
  std::string ErrorOf(KOR::Texture2D* t) {
    try {
      t->SetAsRenderTarget();
    } catch (const KOR::Exception& e) {
      return e.GetModule() + " / " + e.GetError() + " / " + e.GetDescription();
    }
    return "set";
  }
};

TEST_F(TextureTest, EveryLevelIsCopiedIntoOneDirect3DTexture) {
  KOR::Texture2D* t = Texture(KOR::PixelFormats::A8R8G8B8, 0, 256, 256, true);
  t->Update();
  ASSERT_EQ(t->GetLevelCount(), 9);
  EXPECT_EQ(Count("CreateTexture(256, 256, 9, 0, 21, 1) -> #"), 1u);
  EXPECT_EQ(Count("LockRect(#"), 9u);
  EXPECT_EQ(Count("UnlockRect(#"), 9u);
  EXPECT_EQ(Count("LockRect(#4, 0, 8)"), 1u);
  t->Update();  // again: the same texture, filled again
  EXPECT_EQ(Count("CreateTexture("), 1u);
  EXPECT_EQ(Count("LockRect(#"), 18u);
}

TEST_F(TextureTest, FormatsAndUsagesMapToDirect3DFormatsAndPools) {
  Texture(KOR::PixelFormats::DXT1, 0, 8, 8, false)->Update();
  EXPECT_EQ(Count("CreateTexture(8, 8, 1, 0, 827611204, 1)"), 1u);
  Texture(12, 0, 4, 4, false)->Update();
  EXPECT_EQ(Count("CreateTexture(4, 4, 1, 0, 22, 1)"), 1u);
  Texture(KOR::PixelFormats::R5G6B5, 1, 4, 4, false)->Update();
  EXPECT_EQ(Count("CreateTexture(4, 4, 1, 512, 23, 0)"), 1u);  // dynamic: the default pool
  recording.calls.clear();
  KOR::Texture2D* target = Texture(KOR::PixelFormats::X8R8G8B8, 2, 64, 64, false);
  target->Update();
  EXPECT_EQ(recording.calls, (std::vector<std::string>{"CreateTexture(64, 64, 1, 1, 22, 0) -> #7"}));
  EXPECT_EQ(target->GetType(), 0);
  made.push_back(device->CreateTextureCube());
  EXPECT_EQ(static_cast<KOR::Texture2D*>(made.back())->GetType(), 1);
  KOR::Texture3D* volume = device->CreateTexture3D();
  made.push_back(volume);
  EXPECT_EQ(volume->GetType(), 2);
  volume->Create(KOR::PixelFormats::X8R8G8B8, 0, 8, 8, 8, true);
  volume->Update();
  EXPECT_EQ(Count("CreateVolumeTexture(8, 8, 8, 4, 0, 22, 1)"), 1u);
  EXPECT_EQ(Count("LockBox(#"), 4u);
}

TEST_F(TextureTest, RenderTargetsAreCheckedAndTheirSurfacesNotKeptTwice) {
  KOR::Texture2D* plain = Texture(KOR::PixelFormats::X8R8G8B8, 0, 16, 16, false);
  plain->Update();
  EXPECT_EQ(ErrorOf(plain),
            "KOR Renderer D3D9 (Texture2D) / Not a render target / trying render target a non render "
            "target texture.");
  KOR::Texture2D* target = Texture(KOR::PixelFormats::X8R8G8B8, 2, 16, 16, false);
  EXPECT_EQ(ErrorOf(target),
            "KOR Renderer D3D9 (Texture2D) / Texture not built / Trying to render target a texture that "
            "was not built.");
  target->Update();
  EXPECT_EQ(ErrorOf(target), "set");
  EXPECT_EQ(ErrorOf(target), "set");
  EXPECT_EQ(recording.calls.back(), "SetRenderTarget(0, #6)");
  auto* d3d = static_cast<KOR::D3D9Texture2D*>(target)->texture;
  // The texture's own and the current target's; binding adds no public reference.
  EXPECT_EQ(d3d->AddRef(), 3u);
  d3d->Release();
  device->CopyBackBufferToTarget();
  EXPECT_EQ(recording.calls.back(), "StretchRect(#2, null, #6, null, 2)");
  device->RestoreBackBuffer();
  EXPECT_EQ(d3d->AddRef(), 2u);
  d3d->Release();
}

}  // namespace
