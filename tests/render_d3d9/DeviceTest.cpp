#include <cmath>

#include "core/Exception.h"
#include "platform/win32/Win32Testing.h"
#include "render_d3d9/AutoConstants.h"
#include "tests/render_d3d9/RecordingDeviceSupport.h"

namespace {

using KOR::DisplayMode;

class DeviceTest : public RecordedDevice {
protected:
  void SetUp() override {
    Win32Testing::SetHeadless(true);
    RecordedDevice::SetUp();
  }
  void TearDown() override {
    RecordedDevice::TearDown();
    Win32Testing::Reset();
  }
};

template <class F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const KOR::Exception& e) {
    return e.GetError() + " / " + e.GetDescription();
  }
  return "no error";
}

TEST_F(DeviceTest, ModeListsKeepOneEntryPerSizeWithItsHighestRefreshRate) {
  recording.modes.insert(recording.modes.begin() + 1, {0, 480, 60, D3DFMT_UNKNOWN});
  KOR::D3D9Device& d = Device();
  EXPECT_EQ(Count("GetAdapterModeCount(0, 23)"), 1u);  // R5G6B5 first, then X8R8G8B8
  EXPECT_EQ(Count("GetAdapterModeCount(0, 22)"), 1u);
  ASSERT_EQ(d.GetResolutionCount(true), 2);
  ASSERT_EQ(d.GetResolutionCount(false), 2);
  DisplayMode mode;
  d.GetResolution(mode, true, 0);
  EXPECT_EQ(mode.width, 640u);
  EXPECT_EQ(mode.refreshRate, 75u);
  d.GetResolution(mode, false, 1);
  EXPECT_EQ(mode.width, 800u);
  EXPECT_EQ(mode.refreshRate, 60u);
  DisplayMode untouched{1, 2, 3};
  d.GetResolution(untouched, true, 2);
  d.GetResolution(untouched, true, -1);
  EXPECT_EQ(untouched.width, 1u);
}

TEST_F(DeviceTest, CreateMakesTheWindowAndAPureHardwareDeviceWithTheStartStates) {
  Device().Create(800, 600, true, 3, 1, 4);
  HWND window = FindWindowA("rd3d9Window", nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(device->GetWindow(), window);
  char title[80] = {};
  GetWindowTextA(window, title, sizeof title);
  EXPECT_STREQ(title, "Korvanes Engine 1.5 - Direct3D9 render module");
  std::vector<std::string> calls = From("CheckDeviceMultiSampleType");
  ASSERT_GE(calls.size(), 7u);
  EXPECT_EQ(calls[0], "CheckDeviceMultiSampleType(0, 1, 22, 0, 4)");
  // The rejected multisample type became none; fullscreen at 800 × 600 asks for its 60 Hz.
  EXPECT_EQ(calls[1], "CreateDevice(0, 1, window, 80, 800x600 format 22 windowed 0 depth 1/75 refresh 60) -> #1");
  EXPECT_EQ(calls[2], "SetRenderState(22, 1)");
  EXPECT_EQ(calls[3], "SetRenderState(137, 0)");
  EXPECT_EQ(calls[4], "SetRenderState(7, 0)");
  EXPECT_EQ(calls[5], "SetRenderState(23, 4)");
  EXPECT_EQ(calls[6].rfind("GetBackBuffer(0, 0, 0)", 0), 0u);
  EXPECT_EQ(KOR::GetAutoConstants().screenWidth, 800.0f);
  EXPECT_EQ(KOR::GetAutoConstants().screenHeight, 600.0f);
}

TEST_F(DeviceTest, CreationFallsBackToSoftwareVerticesAndReportsWhenBothFail) {
  recording.failCreateDeviceFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
  Device().Create(1024, 768, false, 1, 1, 0);
  EXPECT_EQ(Count("CreateDevice(0, 1, window, 80, 1024x768 format 23 windowed 0 depth 1/80 refresh 0) failed"), 1u);
  EXPECT_EQ(Count("CreateDevice(0, 1, window, 32, "), 1u);
  EXPECT_NE(KOR::D3D9::Device9(), nullptr);

  recording.failCreateDevice = 2;
  recording.failCreateDeviceFlags = 0;
  EXPECT_EQ(ErrorOf([&] { device->Create(640, 480, true, 0, 0, 0); }),
            "Failed to create device / There was an error trying to create a direct3D 9 device.");
  EXPECT_EQ(KOR::D3D9::Device9(), nullptr);
}

TEST_F(DeviceTest, SecondCreateDestroysTheFirstDeviceAndWindowFirst) {
  Device().Create(64, 48, true, 2, 0, 0);
  HWND first = device->GetWindow();
  recording.calls.clear();
  device->Create(32, 32, true, 4, 0, 0);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_NE(device->GetWindow(), first);
  EXPECT_TRUE(IsWindow(device->GetWindow()));
  EXPECT_EQ(Count("CreateDevice(0, 1, window, 80, 32x32 format 22 windowed 1 depth 1/71 refresh 0)"), 1u);
  // The first device is released: only the new one remains to be destroyed.
  device->Destroy();
  EXPECT_FALSE(IsWindow(first));
  MSG message;
  int quits = 0;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    if (message.message == WM_QUIT) {
      ++quits;
      EXPECT_EQ(message.wParam, 0u);
    }
  EXPECT_GE(quits, 1);  // closing the device window asks the loop to end
}

TEST_F(DeviceTest, ResolutionAndWindowTypeNeedADeviceAndKeepTheOldValuesWhenResetFails) {
  EXPECT_EQ(ErrorOf([&] { Device().SetResolution(640, 480); }),
            "Invalid call / The device must be created before you can change it's resolution.");
  EXPECT_EQ(ErrorOf([&] { Device().SetWindowType(1); }),
            "Invalid call / The device must be created before you can change it's window type.");
  Created();
  device->SetWindowType(1);
  EXPECT_EQ(recording.calls.back(), "Reset(64, 48, 0, 0)");  // 64 × 48 is no listed mode
  EXPECT_EQ(device->GetWindowType(), 1);
  device->SetResolution(800, 600);
  EXPECT_EQ(recording.calls.back(), "Reset(800, 600, 0, 60)");
  EXPECT_EQ(device->GetWidth(), 800);
  recording.failReset = 1;
  EXPECT_EQ(ErrorOf([&] { device->SetWindowType(0); }),
            "Failed reset device / There was a problem while reseting the device for the new window type.");
  EXPECT_EQ(device->GetWindowType(), 1);
  recording.failReset = 1;
  EXPECT_EQ(ErrorOf([&] { device->SetResolution(640, 480); }),
            "Failed reset device / There was a problem while reseting the device for the new resolution.");
  EXPECT_EQ(device->GetWidth(), 800);
  device->SetWindowType(0);
  EXPECT_EQ(recording.calls.back(), "Reset(640, 480, 1, 0)");
  EXPECT_EQ(device->GetWindowType(), 0);
}

TEST_F(DeviceTest, ClearClampsAndPacksTheColourAndFrameCallsGoThrough) {
  Device().BeginFrame();  // no device yet: nothing happens
  Device().Clear(true, true, true, 0, 0, 0, 0);
  EXPECT_EQ(Count("BeginScene"), 0u);
  Created();
  device->Clear(true, false, false, 1.5f, -0.2f, 0.5f, 1.0f);
  EXPECT_EQ(recording.calls.back(), "Clear(0, null, 0x00000001, 0xFFFF007F, 1, 0)");
  device->Clear(false, true, true, 0, 0, 0, 0);
  EXPECT_EQ(recording.calls.back(), "Clear(0, null, 0x00000006, 0x00000000, 1, 0)");
  device->BeginFrame();
  device->EndFrame();
  device->Present();
  device->UnbindVertexProgram();
  device->UnbindPixelProgram();
  device->RestoreBackBuffer();
  std::vector<std::string> tail(recording.calls.end() - 6, recording.calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"BeginScene()", "EndScene()",
                                            "Present(null, null, window, null)",
                                            "SetVertexShader(null)", "SetPixelShader(null)",
                                            "SetRenderTarget(0, #2)"}));
  device->CopyBackBufferToTarget();  // no render target bound: nothing to copy
  EXPECT_EQ(Count("StretchRect"), 0u);
}

bool NearIdentity(const KOR::Matrix& a, const KOR::Matrix& b, float tolerance) {
  KOR::Matrix p = a * b;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (std::fabs(p.m[r][c] - (r == c ? 1.0f : 0.0f)) > tolerance) return false;
  return true;
}

TEST_F(DeviceTest, WorldMatrixGoesToTheDeviceAndTheStoreWithItsInverse) {
  KOR::Matrix small = KOR::WorldMatrix(0.05f, {1, 0, 0, 0}, {3, -2, 7});
  Device().SetWorldMatrix(&small.m[0][0]);  // without a device only the store changes
  EXPECT_EQ(Count("SetTransform"), 0u);
  EXPECT_TRUE(NearIdentity(small, KOR::GetAutoConstants().inverseWorld, 1e-4f));
  Created();
  KOR::Matrix singular;
  singular.m[2][2] = 0.0f;
  device->SetWorldMatrix(&singular.m[0][0]);
  EXPECT_EQ(recording.calls.back(), "SetTransform(256, [1 0 0 0 0 1 0 0 0 0 0 0 0 0 0 1])");
  EXPECT_EQ(KOR::GetAutoConstants().world.m[2][2], 0.0f);
  EXPECT_EQ(KOR::GetAutoConstants().inverseWorld.m[2][2], 0.0f);  // the matrix itself
}

TEST_F(DeviceTest, ShaderVersionsComeFromTheCapsAndObjectsOfLaterKindsSaySoClearly) {
  recording.vertexShaderVersion = D3DVS_VERSION(1, 1);
  recording.pixelShaderVersion = D3DPS_VERSION(2, 0);
  KOR::ShaderVersions v = Device().GetShaderVersions();
  EXPECT_EQ(v.vertex, 11);
  EXPECT_EQ(v.pixel, 20);
  device->DestroyObject(nullptr);
  device->DestroyObject(device->CreateStreamMap());
}

}  // namespace

namespace {

// Alt+Enter as the player presses it: the layer turns keys under Alt into system keys,
// and the device window switches between full screen and a window, keeping the device.
TEST_F(DeviceTest, AltEnterTogglesFullScreenAndBackThroughTheWindow) {
  Created();
  ASSERT_EQ(device->GetWindowType(), 0);
  auto press = [&] {
    Win32Testing::KeyDown(VK_MENU);
    Win32Testing::KeyDown(VK_RETURN);
    Win32Testing::KeyUp(VK_RETURN);
    Win32Testing::KeyUp(VK_MENU);
    MSG msg;
    bool system = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      system = system || (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_RETURN);
      msg.hwnd = device->GetWindow();  // the game's window has the keyboard
      DispatchMessageA(&msg);
    }
    return system;
  };
  EXPECT_TRUE(press()) << "Enter under Alt is a system key";
  EXPECT_EQ(device->GetWindowType(), 1);
  EXPECT_EQ(recording.calls.back(), "Reset(64, 48, 0, 0)");
  EXPECT_EQ(Count("CreateDevice"), 0u) << "the same device, reset";
  press();
  EXPECT_EQ(device->GetWindowType(), 0);
  EXPECT_EQ(recording.calls.back(), "Reset(64, 48, 1, 0)");
}

}  // namespace
