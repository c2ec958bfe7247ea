#include <cmath>

#include "platform/win32/Win32Testing.h"
#include "render_d3d9/AutoConstants.h"
#include "render_d3d9/StateObjects.h"
#include "tests/render_d3d9/RecordingDeviceSupport.h"

namespace {

class StateObjectsTest : public CurrentRecordedDevice {
protected:
  KOR::LightSet* Lights(int count) {
    KOR::LightSet* set = Keep(device->CreateLight());
    set->count = count;
    for (int i = 0; i < count; ++i) set->lights[i].type = i % 3;
    return set;
  }
};

TEST_F(StateObjectsTest, RenderStateSetsSendOnlyFlaggedStatesConverted) {
  KOR::RenderStateSet* set = Keep(device->CreateRenderStateSet());
  set->Apply();
  EXPECT_TRUE(recording.calls.empty());
  set->Set(0, 1);
  set->Apply();
  EXPECT_EQ(recording.calls, (std::vector<std::string>{"SetRenderState(7, 1)"}));
  recording.calls.clear();
  KOR::RenderStateSet* more = Keep(device->CreateRenderStateSet());
  more->Set(5, 4);    // source alpha
  more->Set(7, 2);    // counter-clockwise
  more->Set(35, 0);   // diffuse from the material
  more->Set(36, 1);   // specular from colour 1
  more->Set(37, 2);   // ambient from colour 2
  more->Set(38, 0);
  more->Set(8, 9);    // no such comparison
  more->Set(15, 3);   // linear table fog
  more->Set(31, 7);   // no such fog mode
  more->Set(66, 4);   // maximum
  more->Set(14, 0xFF102030u);
  more->Apply();
  EXPECT_EQ(recording.calls,
            (std::vector<std::string>{"SetRenderState(19, 5)", "SetRenderState(22, 3)",
                                      "SetRenderState(23, 0)", "SetRenderState(34, 4279246896)",
                                      "SetRenderState(35, 3)", "SetRenderState(140, 0)",
                                      "SetRenderState(145, 0)", "SetRenderState(146, 1)",
                                      "SetRenderState(147, 2)", "SetRenderState(148, 0)",
                                      "SetRenderState(209, 5)"}));
}

TEST_F(StateObjectsTest, FewerLightsSwitchOffEveryLightTheEarlierSetLeftOn) {
  Lights(4)->Apply();
  EXPECT_EQ(Count("LightEnable(4, 0)"), 1u);
  recording.calls.clear();
  Lights(2)->Apply();
  EXPECT_EQ(recording.calls,
            (std::vector<std::string>{"SetLight(0, 1)", "LightEnable(0, 1)", "SetLight(1, 3)",
                                      "LightEnable(1, 1)", "LightEnable(2, 0)",
                                      "LightEnable(3, 0)"}));
  recording.calls.clear();
  Lights(3)->Apply();  // more lights than before: only the one past the set goes off
  EXPECT_EQ(Count("LightEnable(3, 0)"), 1u);
  EXPECT_EQ(Count("LightEnable(4, 0)"), 0u);
  EXPECT_EQ(Count("SetLight(2, 3)"), 1u);  // types 1 and 2 are both directional
}

TEST_F(StateObjectsTest, NewMaterialIsWhiteDiffuseAndAmbientWithPowerOne) {
  KOR::FixedFunctionMaterial* m = Keep(device->CreateMaterial());
  m->Apply();
  EXPECT_EQ(recording.calls.back(), "SetMaterial(ptr)");
  EXPECT_EQ(m->diffuse.r, 1.0f);
  EXPECT_EQ(m->ambient.a, 1.0f);
  EXPECT_EQ(m->specular.g, 0.0f);
  EXPECT_EQ(m->emissive.b, 0.0f);
  EXPECT_EQ(m->power, 1.0f);
}

TEST_F(StateObjectsTest, TextureStagesSendFlaggedGroupsAndCloseTheFirstUnusedStageOnce) {
  KOR::TextureStageSet* three = Keep(device->CreateTextureStageSet());
  three->count = 3;
  three->Apply();
  EXPECT_EQ(recording.calls, (std::vector<std::string>{"SetTexture(3, null)",
                                                       "SetTextureStageState(3, 1, 1)",
                                                       "SetTextureStageState(3, 4, 1)"}));
  KOR::TextureStageSet* two = Keep(device->CreateTextureStageSet());
  two->count = 2;
  KOR::TextureStage& s = two->stages[1];
  s.colourOp = 3, s.setColourOp = true;
  s.alphaOp = 42, s.setAlphaOp = true;               // unknown: modulate
  s.colourArg1 = 2 | 0x200, s.colourArg2 = 9, s.setColourArgs = true;
  s.resultArg = 4 | 0x400, s.setResultArg = true;  // temp, alpha replicated
  s.addressU = 4, s.addressV = 7, s.addressW = 1, s.setAddress = true;
  s.filter = 4, s.maxAnisotropy = 8, s.setFilter = true;
  s.coordinateMode = 3, s.setCoordinateMode = true;
  s.setTexture = true;
  recording.calls.clear();
  two->Apply();
  EXPECT_EQ(recording.calls,
            (std::vector<std::string>{
                "SetTexture(1, null)", "SetSamplerState(1, 1, 5)", "SetSamplerState(1, 2, 1)",
                "SetSamplerState(1, 3, 2)", "SetSamplerState(1, 5, 2)", "SetSamplerState(1, 6, 3)",
                "SetSamplerState(1, 7, 3)", "SetSamplerState(1, 10, 8)",
                "SetTextureStageState(1, 1, 4)", "SetTextureStageState(1, 4, 4)",
                "SetTextureStageState(1, 2, 18)", "SetTextureStageState(1, 3, 0)",
                "SetTextureStageState(1, 28, 37)", "SetTextureStageState(1, 11, 131072)",
                "SetTexture(2, null)", "SetTextureStageState(2, 1, 1)",
                "SetTextureStageState(2, 4, 1)"}));
  recording.calls.clear();
  EXPECT_TRUE(two->ApplyAll());
  EXPECT_EQ(Count("SetTexture(2"), 0u);
  EXPECT_EQ(Count("SetTextureStageState(2"), 0u);
}

TEST_F(StateObjectsTest, CameraFillsTheConstantStoreAndTheDeviceTransforms) {
  KOR::Camera* camera = Keep(dynamic_cast<KOR::D3D9Camera*>(device->CreateCamera()));
  camera->SetPerspective(60.0f, 4.0f / 3.0f, 1.0f, 100.0f);
  camera->SetFrame({1, 2, 3}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
  camera->BuildCombinedMatrix();
  camera->ApplyProjection();
  camera->ApplyCamera();
  EXPECT_EQ(Count("SetTransform(3, ["), 1u);
  EXPECT_EQ(Count("SetTransform(2, [1 0 0 0 0 1 0 0 0 0 1 0 -1 -2 -3 1])"), 1u);
  const KOR::AutoConstants& store = KOR::GetAutoConstants();
  EXPECT_EQ(store.cameraPosition.z, 3.0f);
  EXPECT_EQ(store.cameraLook.z, 1.0f);
  EXPECT_EQ(store.inverseView.m[3][0], 1.0f);  // the inverse puts the camera back
  KOR::Matrix vp = camera->view * camera->projection;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(store.viewProjection.m[r][c], vp.m[r][c]);
  KOR::Matrix identity = store.projection * store.inverseProjection;
  EXPECT_NEAR(identity.m[2][2], 1.0f, 1e-5f);
}

}  // namespace
