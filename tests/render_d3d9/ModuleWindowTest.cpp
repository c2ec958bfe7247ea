// The module in a real window on an X server: Present scales the back buffer into the
// window with its aspect kept and black bars, as it does on a fullscreen desktop; the
// picture is kept as a PNG artifact.

#include <stb/stb_image_write.h>

#include "tests/render_d3d9/ModuleGlSupport.h"

namespace {

// Lets the X server and SDL agree on the window's new size.
void Settle() {
  MSG message;
  for (int i = 0; i < 20; ++i) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(10);
  }
}

void KeepAsArtifact(const Picture& p, const char* name) {
  std::vector<unsigned char> rgb;
  for (uint32_t pixel : p.pixels) rgb.insert(rgb.end(), {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel)});
  std::string path = std::string(KOR_ARTIFACTS) + "/" + name;
  EXPECT_NE(stbi_write_png(path.c_str(), int(p.width), int(p.height), 3, rgb.data(), int(p.width) * 3), 0)
      << path;
}

TEST_F(ModuleGlTest, PresentScalesThePictureIntoTheWindowWithBars) {
  KOR::Renderable* r = LeftTriangle(0xFF00FF00u);
  KOR::StreamMap* map = Map();
  HWND window = FindWindowA("rd3d9Window", nullptr);
  ASSERT_NE(window, nullptr);
  Frame(r, map);
  Picture actual = Window();  // a window of the back buffer's size shows it unscaled
  EXPECT_EQ(actual.width, 64u);
  EXPECT_EQ(actual.At(14, 31), 0xFF00FF00u);
  EXPECT_EQ(actual.At(18, 31), 0xFF0000FFu);
  EXPECT_EQ(actual.At(32, 0), 0xFF0000FFu);
  device->Present();
  SetWindowPos(window, nullptr, 0, 0, 200, 200, 0);
  Settle();
  Frame(r, map);
  Picture shown = Window();
  KeepAsArtifact(shown, "device-window-letterbox.png");
  ASSERT_EQ(shown.width, 200u);
  ASSERT_EQ(shown.height, 200u);
  // 64 × 32 becomes 200 × 100, centred: bars of 50 rows above and below.
  EXPECT_EQ(shown.At(100, 10), 0xFF000000u);
  EXPECT_EQ(shown.At(100, 189), 0xFF000000u);
  EXPECT_EQ(shown.At(50, 100), 0xFF00FF00u);
  EXPECT_EQ(shown.At(150, 100), 0xFF0000FFu);
  EXPECT_EQ(shown.At(2, 52), 0xFF00FF00u);
  EXPECT_EQ(shown.At(197, 147), 0xFF0000FFu);
  device->Present();

  // Fullscreen and back: the back buffer keeps its size and its picture.
  device->SetWindowType(1);
  Frame(r, map);
  Picture full = BackBuffer();
  EXPECT_EQ(full.width, 64u);
  EXPECT_EQ(full.At(0, 0), 0xFF00FF00u);
  device->Present();
  device->SetWindowType(0);
  Frame(r, map);
  EXPECT_EQ(BackBuffer().At(63, 31), 0xFF0000FFu);
}

}  // namespace
