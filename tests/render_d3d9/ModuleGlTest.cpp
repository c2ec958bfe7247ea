// The module on the GL backend, headless: what a frame drawn through the engine's objects
// puts on the back buffer and in the window, across resolution changes.

#include <algorithm>

#include "graphics/GpuProgram.h"
#include "graphics/StateObjects.h"
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

// Static geometry shares its pool's buffers: each object still draws its own vertices,
// and room given back by a destroyed one serves the next.
TEST_F(ModuleGlTest, ObjectsSharingBuffersDrawTheirOwnVertices) {
  KOR::Renderable* left = LeftTriangle(0xFFFF0000u);
  KOR::Renderable* right = LeftTriangle(0xFF00FF00u, 1);
  KOR::StreamMap* map = Map();
  auto drawBoth = [&] {
    device->Clear(true, true, false, 0, 0, 1, 1);
    device->BeginFrame();
    left->Draw(map);
    right->Draw(map);
    device->EndFrame();
    return BackBuffer();
  };
  Picture p = drawBoth();
  EXPECT_EQ(p.At(4, 4), 0xFFFF0000u);
  EXPECT_EQ(p.At(36, 4), 0xFF00FF00u);
  EXPECT_EQ(p.At(30, 28), 0xFF0000FFu) << "below the left diagonal";
  device->DestroyObject(left);
  made.erase(std::find(made.begin(), made.end(), left));
  left = LeftTriangle(0xFFFFFF00u);
  p = drawBoth();
  EXPECT_EQ(p.At(4, 4), 0xFFFFFF00u);
  EXPECT_EQ(p.At(36, 4), 0xFF00FF00u);
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

const char* kProgram = R"(
float4x4 world;
float4 tint;
float4 vs(float4 position : POSITION) : POSITION { return mul(position, world); }
float4 ps() : COLOR0 { return tint; }
)";

TEST_F(ModuleGlTest, CompiledProgramsDrawWithTheirConstants) {
  KOR::Renderable* r = LeftTriangle(0xFFFF0000u);
  KOR::StreamMap* positions = device->CreateStreamMap();
  made.push_back(positions);
  positions->AddElement(kPosition);
  positions->Build();
  KOR::GpuProgram* vertex = device->CreateGpuProgram();
  KOR::GpuProgram* pixel = device->CreateGpuProgram();
  made.push_back(vertex);
  made.push_back(pixel);
  vertex->Create(kProgram, 2, "vs");
  pixel->Create(kProgram, 10, "ps");
  KOR::GpuProgramConstant* world = vertex->GetConstant("world");
  world->autoSource = 1;
  KOR::GpuProgramConstant* tint = pixel->GetConstant("tint");
  tint->kind = KOR::GpuProgramConstant::Float4;
  tint->value.vector[0] = 0, tint->value.vector[1] = 1, tint->value.vector[2] = 0.5f, tint->value.vector[3] = 1;
  KOR::Matrix shift;
  shift.m[3][0] = 1.0f;  // half the screen to the right
  device->SetWorldMatrix(&shift.m[0][0]);

  device->Clear(true, true, false, 0, 0, 0, 1);
  device->BeginFrame();
  vertex->Bind();
  pixel->Bind();
  world->Apply();
  tint->Apply();
  r->Draw(positions);
  device->EndFrame();
  Picture p = BackBuffer();
  EXPECT_EQ(p.At(31, 0), 0xFF000000u);
  EXPECT_EQ(p.At(32, 0), 0xFF00FF80u);
  EXPECT_EQ(p.At(63, 0), 0xFF00FF80u);

  // The constants change between draws; the same programs draw the new values.
  tint->value.vector[0] = 1, tint->value.vector[1] = 0;
  tint->Apply();
  shift.m[3][0] = 0.0f;
  device->SetWorldMatrix(&shift.m[0][0]);
  world->Apply();
  r->Draw(positions);
  p = BackBuffer();
  EXPECT_EQ(p.At(0, 0), 0xFFFF0080u);
  EXPECT_EQ(p.At(32, 0), 0xFF00FF80u);

  // Back to the built-in programs: the vertex colours again.
  device->UnbindVertexProgram();
  device->UnbindPixelProgram();
  r->Draw(Map());
  EXPECT_EQ(BackBuffer().At(0, 0), 0xFFFF0000u);
}

// The game's back buffer is X8R8G8B8: it has no alpha, so blending reads destination alpha
// as 1 whatever alpha a clear or a draw left in its storage.
TEST_F(ModuleGlTest, TheBackBufferReadsDestinationAlphaAsOne) {
  KOR::Renderable* r = LeftTriangle(0xFFFF0000u);
  KOR::StreamMap* map = Map();
  KOR::RenderStateSet* states = device->CreateRenderStateSet();
  made.push_back(states);
  states->Set(KOR::RenderState::AlphaBlendEnable, 1);
  struct Case {
    KOR::Blend source, dest;
    uint32_t expected;  // red over blue, destination alpha 1
  };
  const Case cases[] = {{KOR::Blend::DestAlpha, KOR::Blend::Zero, 0xFF0000u},
                        {KOR::Blend::InverseDestAlpha, KOR::Blend::One, 0x0000FFu},
                        {KOR::Blend::One, KOR::Blend::InverseDestAlpha, 0xFF0000u}};
  for (const Case& c : cases) {
    SCOPED_TRACE(+c.source);
    states->Set(KOR::RenderState::SourceBlend, +c.source);
    states->Set(KOR::RenderState::DestBlend, +c.dest);
    device->Clear(true, true, false, 0, 0, 1, 0);  // alpha 0
    device->BeginFrame();
    states->Apply();
    r->Draw(map);
    device->EndFrame();
    EXPECT_EQ(BackBuffer().At(4, 4) & 0xFFFFFFu, c.expected) << std::hex << BackBuffer().At(4, 4);
  }
}

}  // namespace
