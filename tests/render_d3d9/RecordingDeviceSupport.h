#pragma once
// A D3D9Device over the recording backend, with the calls it made so far at hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "graphics/RenderSystemTesting.h"
#include "platform/d3d9/D3D9Testing.h"
#include "platform/win32/Win32Testing.h"
#include "render_d3d9/D3D9Device.h"
#include "render_d3d9/DeviceAccess.h"
#include "render_d3d9/Module.h"

class RecordedDevice : public ::testing::Test {
protected:
  void SetUp() override {
    recording.modes = {{640, 480, 60, D3DFMT_UNKNOWN},
                       {640, 480, 75, D3DFMT_UNKNOWN},
                       {800, 600, 60, D3DFMT_UNKNOWN}};
    D3D9StartRecording(&recording);
    direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(direct3D, nullptr);
    KOR::D3D9::SetDirect3D(direct3D);
  }
  void TearDown() override {
    if (device) device->Destroy();
    delete device;
    KOR::D3D9::SetDirect3D(nullptr);
    direct3D->Release();
    D3D9StopRecording();
  }
  KOR::D3D9Device& Device() {
    if (!device) device = new KOR::D3D9Device(direct3D);
    return *device;
  }
  // The device made, windowed 64 × 48 with a depth and stencil buffer, and a fresh log.
  KOR::D3D9Device& Created() {
    Device().Create(64, 48, true, 3, 0, 0);
    recording.calls.clear();
    return *device;
  }
  size_t Count(const std::string& prefix) const {
    return size_t(std::count_if(recording.calls.begin(), recording.calls.end(),
                                [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
  }
  // The log from the first call starting with prefix, or empty.
  std::vector<std::string> From(const std::string& prefix) const {
    auto at = std::find_if(recording.calls.begin(), recording.calls.end(),
                           [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    return {at, recording.calls.end()};
  }

  D3D9Recording recording;
  IDirect3D9* direct3D = nullptr;
  KOR::D3D9Device* device = nullptr;
};

// The recording device, created and current while the test runs, with no windows on
// screen; objects given to Keep are destroyed through it at the end.
class CurrentRecordedDevice : public RecordedDevice {
protected:
  void SetUp() override {
    Win32Testing::SetHeadless(true);
    RecordedDevice::SetUp();
    Created();
    KOR::RenderSystemTesting::SetCurrentDevice(device);
  }
  void TearDown() override {
    for (KOR::DeviceObject* o : made) device->DestroyObject(o);
    KOR::RenderSystemTesting::SetCurrentDevice(nullptr);
    RecordedDevice::TearDown();
    Win32Testing::Reset();
  }
  template <class T>
  T* Keep(T* object) {
    made.push_back(object);
    return object;
  }
  std::vector<KOR::DeviceObject*> made;
};

