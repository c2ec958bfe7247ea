#pragma once
// What every test of a Direct3D 9 device needs: windowed present parameters and a
// teardown that really frees the device.

#include "platform/d3d9/D3D9.h"

// A windowed back buffer with a 24-bit depth and 8-bit stencil surface.
inline D3DPRESENT_PARAMETERS WindowedParameters(UINT width, UINT height, HWND window) {
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = width;
  pp.BackBufferHeight = height;
  pp.BackBufferFormat = D3DFMT_X8R8G8B8;
  pp.BackBufferCount = 1;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = window;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D24S8;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  return pp;
}


#include <gtest/gtest.h>

// A window of the Win32 layer with a GL device drawing into it, made by MakeDevice and
// let go after the test (the fixture's own objects first, in the derived TearDown).
class GlDeviceFixture : public ::testing::Test {
protected:
  void MakeDevice(UINT width, UINT height) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); };
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);
    window = CreateWindowExA(0, kClass, "test", WS_CAPTION, 0, 0, int(width), int(height), nullptr, nullptr,
                             wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr) << "no GL 3.3 context on this machine";
    D3DPRESENT_PARAMETERS pp = WindowedParameters(width, height, window);
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
  }
  void TearDown() override {
    if (device) device->Release();
    if (d3d) d3d->Release();
    if (window) DestroyWindow(window);
    UnregisterClassA(kClass, GetModuleHandleA(nullptr));
  }

  static constexpr const char* kClass = "glDeviceTest";
  HWND window = nullptr;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
};
