// The testing hooks a replay stands on, and the recorder driving frames on the recording
// device: clock steps, keys by frame, the end, the CSV, the live-object counts.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/d3d9/D3D9Testing.h"
#include "platform/win32/Win32Testing.h"
#include "platform/win32/Windows.h"
#include "scene/Scene.h"
#include "tools/replay/ReplayRecorder.h"

namespace {

int64_t Counter() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

D3DPRESENT_PARAMETERS Parameters() {
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = 64;
  pp.BackBufferHeight = 48;
  pp.BackBufferFormat = D3DFMT_X8R8G8B8;
  pp.BackBufferCount = 1;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.Windowed = TRUE;
  return pp;
}

class RecordingDevice : public ::testing::Test {
protected:
  void SetUp() override {
    D3D9StartRecording(&recording);
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp = Parameters();
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
  }
  void TearDown() override {
    D3D9SetPresentHook(nullptr);
    if (device) device->Release();
    if (d3d) d3d->Release();
    D3D9StopRecording();
    Win32Testing::UseManualClock(false);
    Win32Testing::Reset();
  }
  D3D9Recording recording;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
};

TEST(ManualClock, StandsStillUntilAdvancedThenMovesByExactlyTheStep) {
  Win32Testing::UseManualClock(true);
  int64_t a = Counter();
  int64_t b = Counter();
  EXPECT_EQ(a, b);
  Win32Testing::AdvanceClock(0.02);
  EXPECT_EQ(Counter() - a, 20000000);
  Win32Testing::UseManualClock(false);
  int64_t real = Counter();
  Sleep(2);
  EXPECT_GT(Counter(), real) << "switched off, the real clock runs again";
}

TEST(WaitHandler, IsAskedBeforeGetMessageWaitsAndWhatItPostsIsDelivered) {
  int asked = 0;
  Win32Testing::SetWaitHandler([&] {
    ++asked;
    PostMessageA(nullptr, WM_USER + 7, 3, 0);
  });
  MSG msg{};
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, UINT(WM_USER + 7));
  EXPECT_EQ(asked, 1);
  // A message already queued is taken without asking.
  PostMessageA(nullptr, WM_USER + 8, 0, 0);
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, UINT(WM_USER + 8));
  EXPECT_EQ(asked, 1);
  Win32Testing::Reset();
  int idle = 0;
  Win32Testing::SetIdleHandler([&] {
    ++idle;
    PostQuitMessage(0);
    return true;
  });
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE) << "Reset forgets the wait handler";
  EXPECT_EQ(asked, 1);
  Win32Testing::Reset();
}

TEST_F(RecordingDevice, CountersFollowDrawsStateCallsAndLiveObjects) {
  D3D9Counters before = D3D9GetCounters();
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
  D3D9Counters made = D3D9GetCounters();
  EXPECT_EQ(made.liveTextures, before.liveTextures + 1);
  EXPECT_GT(made.liveObjects, before.liveObjects);
  device->SetTexture(0, texture);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  EXPECT_EQ(D3D9GetCounters().stateChanges, made.stateChanges + 2);
  device->SetTexture(0, nullptr);
  texture->Release();
  D3D9Counters after = D3D9GetCounters();
  EXPECT_EQ(after.liveTextures, before.liveTextures);
  EXPECT_EQ(after.liveObjects, before.liveObjects) << "every object the texture made went with it";
  EXPECT_EQ(after.draws, before.draws);
  device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0);
  EXPECT_EQ(D3D9GetCounters().draws, before.draws + 1);
}

TEST_F(RecordingDevice, PresentCallsTheHookWithItsDeviceUntilTheHookIsCleared) {
  std::vector<IDirect3DDevice9*> seen;
  D3D9SetPresentHook([&](IDirect3DDevice9* d) { seen.push_back(d); });
  device->Present(nullptr, nullptr, nullptr, nullptr);
  device->Present(nullptr, nullptr, nullptr, nullptr);
  D3D9SetPresentHook(nullptr);
  device->Present(nullptr, nullptr, nullptr, nullptr);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], device);
}

// Frames as the program makes them: one Present each; what happens between is the replay's.
TEST_F(RecordingDevice, TheRecorderStepsTheClockPressesKeysByFrameAndEndsTheRun) {
  ReplayScript script = ParseReplay(
      "frametime 0.05\n"
      "at 0 press Left\n"
      "at 2 tap A\n"
      "at 3 release Left\n"
      "end 4\n");
  std::ostringstream csv;
  ReplayRecorder recorder(script, &csv, "", true);
  recorder.Install();
  EXPECT_TRUE(GetAsyncKeyState(VK_LEFT) & 0x8000) << "frame 0's keys are down before it is drawn";
  int64_t start = Counter();
  std::vector<bool> leftDown, aDown;
  std::vector<int64_t> clock;
  MSG msg{};
  bool quit = false;
  for (int frame = 0; frame < 5; ++frame) {
    device->Present(nullptr, nullptr, nullptr, nullptr);
    leftDown.push_back(GetAsyncKeyState(VK_LEFT) & 0x8000);
    aDown.push_back(GetAsyncKeyState('A') & 0x8000);
    clock.push_back(Counter() - start);
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) quit = quit || msg.message == WM_QUIT;
    if (frame < 3) {
      EXPECT_FALSE(quit) << "no quit before the end frame, after frame " << frame;
    }
  }
  EXPECT_TRUE(quit);
  recorder.Uninstall();
  // After frame n is shown, frame n + 1's keys and clock step are in place.
  EXPECT_EQ(leftDown, (std::vector<bool>{true, true, false, false, false}));
  EXPECT_EQ(aDown, (std::vector<bool>{false, true, false, false, false}));
  EXPECT_EQ(clock, (std::vector<int64_t>{50000000, 100000000, 150000000, 200000000, 250000000}));
  EXPECT_EQ(recorder.FrameCount(), 5);

  std::istringstream rows(csv.str());
  std::string line;
  std::getline(rows, line);
  EXPECT_EQ(line, ReplayRecorder::CsvHeader());
  int count = 0;
  while (std::getline(rows, line)) {
    EXPECT_EQ(line.rfind(std::to_string(count) + ",", 0), 0u) << line;
    ++count;
  }
  EXPECT_EQ(count, 5);
  EXPECT_EQ(recorder.Summary().gameFrames, 0u) << "no scene ran: every frame was the menu's";
}

}  // namespace
