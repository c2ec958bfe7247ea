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

