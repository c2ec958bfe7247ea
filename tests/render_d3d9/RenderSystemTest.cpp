#include <gtest/gtest.h>

#include "core/Exception.h"
#include "graphics/RenderSystem.h"
#include "graphics/RenderSystemTesting.h"
#include "platform/d3d9/D3D9Testing.h"

namespace {

using KOR::RenderSystem;

std::string ErrorOf(void (*f)()) {
  try {
    f();
  } catch (const KOR::Exception& e) {
    return e.GetModule() + " / " + e.GetError() + " / " + e.GetDescription();
  }
  return "no error";
}

// One process, in order: the module's Direct3D object is made once and kept.
TEST(RenderSystemTest, SelectsTheModuleByExactNameOnlyWhereADeviceCanBeMade) {
  EXPECT_EQ(ErrorOf([] { RenderSystem::Instance().CreateDevice(); }),
            "KOR Graphics (RenderSystem) / No loaded module / Trying to create a device while no "
            "render module was loaded.");
  EXPECT_EQ(ErrorOf([] { RenderSystem::Instance().LoadModule("D3D9"); }),
            "KOR Graphics (RenderSystem) / Render Module not found / The render module does not exist.");
  // Without windows to draw into (headless), no device can be made.
  EXPECT_EQ(ErrorOf([] { RenderSystem::Instance().LoadModule("d3d9"); }),
            "KOR Graphics (RenderSystem) / Incompatible Render Module / The render module is not "
            "compatible with this hardware.");
  EXPECT_EQ(ErrorOf([] { RenderSystem::Instance().CreateDevice(); }).find("No loaded module") !=
                std::string::npos,
            true);

  D3D9Recording recording;
  D3D9StartRecording(&recording);
  RenderSystem::Instance().LoadModule("d3d9");
  EXPECT_EQ(recording.calls.front(), "Direct3DCreate9(31)");
  KOR::Device* device = RenderSystem::Instance().CreateDevice();
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(KOR::CurrentDevice(), device);
  EXPECT_EQ(RenderSystem::Instance().CreateDevice(), device);
  EXPECT_EQ(&RenderSystem::Instance(), &RenderSystem::Instance());
  D3D9StopRecording();
}

}  // namespace
