// A render pass on the recording device: objects are made once through the current
// device, only what is marked used is applied, and in the fixed order.

#include <gtest/gtest.h>

#include "graphics/EngineNumbers.h"
#include "graphics/GpuProgram.h"
#include "graphics/RenderPass.h"
#include "graphics/StateObjects.h"
#include "tests/render_d3d9/RecordingDeviceSupport.h"

namespace {

class RenderPassTest : public CurrentRecordedDevice {
protected:
  // Where the first call starting with prefix stands in the log; the log's size if none.
  size_t At(const std::string& prefix) const {
    for (size_t i = 0; i < recording.calls.size(); ++i)
      if (recording.calls[i].rfind(prefix, 0) == 0) return i;
    return recording.calls.size();
  }
};

const char kVertex[] = "float4x4 world; float4 main(float4 p : POSITION) : POSITION { return mul(p, world); }";
const char kPixel[] = "float4 tint; float4 main() : COLOR { return tint; }";

TEST_F(RenderPassTest, AppliesWhatIsUsedInOrderStatesProgramsThenConstants) {
  KOR::RenderPass pass;
  pass.UseMaterial()->diffuse = {1, 0, 0, 1};
  pass.UseRenderStates()->Set(KOR::RenderState::DepthWrite, 0);
  pass.UseTextureStages()->count = 1;
  pass.UseVertexProgram()->Create(kVertex, +KOR::Profile::Vs20, "main");
  pass.UsePixelProgram()->Create(kPixel, +KOR::Profile::Ps20, "main");
  KOR::GpuProgramConstant* world = pass.GetVertexProgram()->GetConstant("world");
  world->autoSource = +KOR::AutoSource::World;
  KOR::GpuProgramConstant* tint = pass.GetPixelProgram()->GetConstant("tint");
  tint->kind = KOR::GpuProgramConstant::Float4;
  pass.AddPixelConstant(tint);
  pass.AddVertexConstant(world);
  recording.calls.clear();
  pass.Apply();
  size_t material = At("SetMaterial"), states = At("SetRenderState(14, 0)"), stages = At("SetTexture(1");
  size_t vertex = At("SetVertexShader"), pixel = At("SetPixelShader"), vertexConstant = At("SetVertexShaderConstantF");
  size_t pixelConstant = At("SetPixelShaderConstantF");
  ASSERT_LT(pixelConstant, recording.calls.size()) << "every part was applied";
  EXPECT_LT(material, states);
  EXPECT_LT(states, stages);
  EXPECT_LT(stages, vertex);
  EXPECT_LT(vertex, pixel);
  EXPECT_LT(pixel, vertexConstant) << "constants follow the programs";
  EXPECT_LT(vertexConstant, pixelConstant) << "vertex constants before pixel constants, whatever the adding order";
}

TEST_F(RenderPassTest, ObjectsAreMadeOnceAndOnlyUsedOnesApplied) {
  KOR::RenderPass pass;
  KOR::RenderStateSet* states = pass.GetRenderStates();
  EXPECT_EQ(pass.GetRenderStates(), states);
  EXPECT_EQ(pass.UseRenderStates(), states);
  states->Set(KOR::RenderState::CullMode, +KOR::Cull::None);
  pass.GetMaterial();  // made, never marked used
  pass.usesRenderStates = false;
  recording.calls.clear();
  pass.Apply();
  EXPECT_TRUE(recording.calls.empty()) << recording.calls.front();
  pass.usesRenderStates = true;
  pass.Apply();
  EXPECT_EQ(recording.calls, (std::vector<std::string>{"SetRenderState(22, 1)"}));
}

}  // namespace
