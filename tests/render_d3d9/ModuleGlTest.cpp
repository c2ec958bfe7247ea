// The module on the GL backend, headless: what a frame drawn through the engine's objects
// puts on the back buffer and in the window, across resolution changes.

#include "tests/render_d3d9/ModuleGlSupport.h"

namespace {

TEST_F(ModuleGlTest, ATriangleDrawnThroughAStreamMapLandsOnItsPixels) {
  KOR::Renderable* r = LeftTriangle(0xFFFF0000u);
  Frame(r, Map());
  Picture p = BackBuffer();
  ASSERT_EQ(p.width, 64u);
  ASSERT_EQ(p.height, 32u);
  EXPECT_EQ(p.At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(p.At(31, 0), 0xFFFF0000u);   // the last column of the left half
  EXPECT_EQ(p.At(32, 0), 0xFF0000FFu);   // the first of the right half: cleared
  EXPECT_EQ(p.At(63, 31), 0xFF0000FFu);
  EXPECT_EQ(p.At(0, 31), 0xFFFF0000u);
  Picture w = Window();
  EXPECT_EQ(w.width, 64u);
  EXPECT_EQ(w.At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(w.At(63, 31), 0xFF0000FFu);
}

TEST_F(ModuleGlTest, AResolutionChangeKeepsDrawingRight) {
  KOR::Renderable* r = LeftTriangle(0xFF00FF00u);
  KOR::StreamMap* map = Map();
  Frame(r, map);
  device->SetResolution(32, 16);
  Frame(r, map);
  Picture small = BackBuffer();
  ASSERT_EQ(small.width, 32u);
  ASSERT_EQ(small.height, 16u);
  EXPECT_EQ(small.At(15, 0), 0xFF00FF00u);
  EXPECT_EQ(small.At(16, 0), 0xFF0000FFu);
  EXPECT_EQ(small.At(0, 15), 0xFF00FF00u);
}

}  // namespace
