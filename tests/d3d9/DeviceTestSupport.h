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

// Bound buffers, declarations and shaders hold the device and it holds them: unbind first, as
// every Direct3D 9 program must, or the last Release frees nothing.
inline void UnbindAndRelease(IDirect3DDevice9* device) {
  if (!device) return;
  for (UINT stream = 0; stream < 16; ++stream) device->SetStreamSource(stream, nullptr, 0, 0);
  device->SetIndices(nullptr);
  device->SetVertexDeclaration(nullptr);
  device->SetVertexShader(nullptr);
  device->SetPixelShader(nullptr);
  device->Release();
}
