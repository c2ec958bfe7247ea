#include "render_d3d9/D3D9Device.h"

#include <algorithm>

#include "core/Exception.h"
#include "core/Matrix.h"
#include "render_d3d9/AutoConstants.h"
#include "render_d3d9/DeviceAccess.h"
#include "render_d3d9/Module.h"
#include "render_d3d9/GpuProgram.h"
#include "render_d3d9/StateObjects.h"
#include "render_d3d9/StreamMap.h"
#include "render_d3d9/Textures.h"

namespace KOR {
namespace {

const char kWindowClass[] = "rd3d9Window";
const char kModule[] = "KOR Renderer D3D9 (Device)";

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  // Alt+Enter: full screen or a window of the chosen size, keeping every resource.
  if (message == WM_SYSKEYDOWN && wParam == VK_RETURN && !(lParam & (1 << 30))) {
    auto* device = reinterpret_cast<D3D9Device*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (device && D3D9::Device9()) device->SetWindowType(device->GetWindowType() == 1 ? 0 : 1);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// One entry per size, the last of each run of equal sizes (the highest refresh rate).
std::vector<DisplayMode> ModeList(IDirect3D9* direct3D, D3DFORMAT format) {
  std::vector<DisplayMode> list;
  UINT n = direct3D->GetAdapterModeCount(D3DADAPTER_DEFAULT, format);
  for (UINT i = 0; i < n; ++i) {
    D3DDISPLAYMODE mode{};
    if (FAILED(direct3D->EnumAdapterModes(D3DADAPTER_DEFAULT, format, i, &mode))) continue;
    if (mode.Width == 0 || mode.Height == 0) continue;
    DisplayMode entry{mode.Width, mode.Height, mode.RefreshRate};
    if (!list.empty() && list.back().width == entry.width && list.back().height == entry.height)
      list.back() = entry;
    else
      list.push_back(entry);
  }
  return list;
}

struct DepthFormat {
  BOOL enabled;
  D3DFORMAT format;
};
DepthFormat DepthFormatOf(int depthMode) {
  switch (depthMode) {
    case 0: return {FALSE, D3DFMT_UNKNOWN};
    case 1: return {TRUE, D3DFMT_D16};
    case 2: return {TRUE, D3DFMT_D24X8};
    case 3: return {TRUE, D3DFMT_D24S8};
    case 4: return {TRUE, D3DFMT_D32};
    default: return {TRUE, D3DFMT_D24S8};  // a depth buffer was asked for: the richest one
  }
}

BYTE ColourByte(float c) {
  c = std::clamp(c, 0.0f, 1.0f);
  return BYTE(c * 255.0f);
}


}  // namespace

D3D9Device::D3D9Device(IDirect3D9* direct3D)
    : direct3D(direct3D), modes16(ModeList(direct3D, D3DFMT_R5G6B5)), modes32(ModeList(direct3D, D3DFMT_X8R8G8B8)) {}

VertexElementBuffer* D3D9Device::CreateVertexBuffer(VertexElementDecl decl) {
  return new D3D9VertexElementBuffer(decl);
}

int D3D9Device::GetResolutionCount(bool colour32) {
  return int(colour32 ? modes32.size() : modes16.size());
}

void D3D9Device::GetResolution(DisplayMode& mode, bool colour32, int index) {
  const std::vector<DisplayMode>& list = colour32 ? modes32 : modes16;
  // Out of range leaves mode as it was rather than reading past the list.
  if (index >= 0 && size_t(index) < list.size()) mode = list[size_t(index)];
}

UINT D3D9Device::RefreshRateFor(int w, int h) const {
  for (const DisplayMode& m : trueColour ? modes32 : modes16)
    if (int(m.width) == w && int(m.height) == h) return m.refreshRate;
  return 0;
}

void D3D9Device::Create(int w, int h, bool colour32, int depth, int type, int multiSampleType) {
  if (D3D9::Device9()) Destroy();
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.style = 0;
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  windowClass.lpszClassName = kWindowClass;
  if (!RegisterClassA(&windowClass))
    throw FatalError(kModule, "Failed to create device",
                     "Could not create window class. Bad error, aborting application.");
  HWND window = CreateWindowExA(0, kWindowClass, "Korvanes Engine 1.5 - Direct3D9 render module",
                                WS_CAPTION, 0, 0, w, h, nullptr, nullptr, instance, nullptr);
  if (!window) {
    UnregisterClassA(kWindowClass, instance);
    throw Exception(kModule, "Failed to create device", "Could not create the window for the device.");
  }
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  windows.push_back(window);

  width = w, height = h, trueColour = colour32, depthMode = depth, windowType = type;
  D3DFORMAT format = trueColour ? D3DFMT_X8R8G8B8 : D3DFMT_R5G6B5;
  BOOL windowed = windowType == 0;
  auto samples = D3DMULTISAMPLE_TYPE(multiSampleType);
  if (FAILED(direct3D->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, format,
                                                  windowed, samples, nullptr)))
    samples = D3DMULTISAMPLE_NONE;

  DepthFormat depthFormat = DepthFormatOf(depthMode);
  presentParameters = {};
  presentParameters.BackBufferWidth = UINT(w);
  presentParameters.BackBufferHeight = UINT(h);
  presentParameters.BackBufferFormat = format;
  presentParameters.BackBufferCount = 1;
  presentParameters.MultiSampleType = samples;
  presentParameters.MultiSampleQuality = 0;
  presentParameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
  presentParameters.hDeviceWindow = window;
  presentParameters.Windowed = windowed;
  presentParameters.EnableAutoDepthStencil = depthFormat.enabled;
  presentParameters.AutoDepthStencilFormat = depthFormat.format;
  presentParameters.Flags = 0;
  presentParameters.FullScreen_RefreshRateInHz = windowed ? 0 : RefreshRateFor(w, h);
  presentParameters.PresentationInterval = verticalSync ? D3DPRESENT_INTERVAL_ONE : D3DPRESENT_INTERVAL_IMMEDIATE;

  IDirect3DDevice9* device = nullptr;
  if (FAILED(direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                    D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE,
                                    &presentParameters, &device)) &&
      FAILED(direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                    D3DCREATE_SOFTWARE_VERTEXPROCESSING, &presentParameters, &device)))
    throw Exception(kModule, "Failed to create device",
                    "There was an error trying to create a direct3D 9 device.");
  D3D9::SetDevice9(device);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
  AutoConstants& store = GetAutoConstants();
  store.screenWidth = float(w);
  store.screenHeight = float(h);
}

void D3D9Device::Destroy() {
  if (IDirect3DDevice9* device = D3D9::Device9()) {
    if (backBuffer) backBuffer->Release();
    backBuffer = nullptr;
    SetCurrentTarget(nullptr);
    device->Release();
  }
  D3D9::SetDevice9(nullptr);
  if (!windows.empty()) DestroyWindow(GetWindow());
  UnregisterClassA(kWindowClass, GetModuleHandleA(nullptr));
}

void D3D9Device::SetWindowType(int type) {
  IDirect3DDevice9* device = D3D9::Device9();
  if (!device)
    throw Exception(kModule, "Invalid call",
                    "The device must be created before you can change it's window type.");
  if (windowType == 1) {
    presentParameters.Windowed = TRUE;
    presentParameters.FullScreen_RefreshRateInHz = 0;
  } else {
    presentParameters.BackBufferWidth = UINT(width);
    presentParameters.BackBufferHeight = UINT(height);
    presentParameters.Windowed = FALSE;
    presentParameters.FullScreen_RefreshRateInHz = RefreshRateFor(width, height);
  }
  if (FAILED(device->Reset(&presentParameters)))
    throw Exception(kModule, "Failed reset device",
                    "There was a problem while reseting the device for the new window type.");
  D3D9::InvalidateDrawCache();
  windowType = type;
}

void D3D9Device::SetResolution(int w, int h) {
  IDirect3DDevice9* device = D3D9::Device9();
  if (!device)
    throw Exception(kModule, "Invalid call",
                    "The device must be created before you can change it's resolution.");
  if (windowType == 0) {
    SetWindowPos(GetWindow(), nullptr, 0, 0, w, h, 0);
  } else {
    presentParameters.FullScreen_RefreshRateInHz = RefreshRateFor(w, h);
  }
  presentParameters.BackBufferWidth = UINT(w);
  presentParameters.BackBufferHeight = UINT(h);
  if (FAILED(device->Reset(&presentParameters)))
    throw Exception(kModule, "Failed reset device",
                    "There was a problem while reseting the device for the new resolution.");
  D3D9::InvalidateDrawCache();
  width = w, height = h;
}

void D3D9Device::BeginFrame() {
  if (IDirect3DDevice9* device = D3D9::Device9()) device->BeginScene();
}

void D3D9Device::EndFrame() {
  if (IDirect3DDevice9* device = D3D9::Device9()) device->EndScene();
}

void D3D9Device::Clear(bool colour, bool depth, bool stencil, float red, float green, float blue,
                       float alpha) {
  IDirect3DDevice9* device = D3D9::Device9();
  if (!device) return;
  DWORD flags = (colour ? D3DCLEAR_TARGET : 0) | (depth ? D3DCLEAR_ZBUFFER : 0) |
                (stencil ? D3DCLEAR_STENCIL : 0);
  D3DCOLOR word = D3DCOLOR_ARGB(ColourByte(alpha), ColourByte(red), ColourByte(green), ColourByte(blue));
  device->Clear(0, nullptr, flags, word, 1.0f, 0);
}

void D3D9Device::Present() {
  if (IDirect3DDevice9* device = D3D9::Device9()) device->Present(nullptr, nullptr, nullptr, nullptr);
}

void D3D9Device::RestoreBackBuffer() {
  if (IDirect3DDevice9* device = D3D9::Device9()) device->SetRenderTarget(0, backBuffer);
  SetCurrentTarget(nullptr);
}

void D3D9Device::SetWorldMatrix(const float* matrix) {
  Matrix m;
  std::copy(matrix, matrix + 16, &m.m[0][0]);
  if (IDirect3DDevice9* device = D3D9::Device9())
    device->SetTransform(D3DTS_WORLD, reinterpret_cast<const D3DMATRIX*>(&m));
  AutoConstants& store = GetAutoConstants();
  store.world = m;
  store.inverseWorld = InverseOrSelf(m);
}

StreamMap* D3D9Device::CreateStreamMap() { return new D3D9StreamMap; }
Renderable* D3D9Device::CreateRenderable(bool dynamic) { return new D3D9Renderable(this, dynamic); }
Camera* D3D9Device::CreateCamera() { return new D3D9Camera; }
Texture2D* D3D9Device::CreateTexture2D() { return new D3D9Texture2D; }
Texture2D* D3D9Device::CreateTextureCube() { return new D3D9TextureCube; }
Texture3D* D3D9Device::CreateTexture3D() { return new D3D9Texture3D; }
TextureStageSet* D3D9Device::CreateTextureStageSet() { return new D3D9TextureStageSet; }
LightSet* D3D9Device::CreateLight() { return new D3D9LightSet; }
FixedFunctionMaterial* D3D9Device::CreateMaterial() { return new D3D9FixedFunctionMaterial; }
RenderStateSet* D3D9Device::CreateRenderStateSet() { return new D3D9RenderStateSet; }
GpuProgram* D3D9Device::CreateGpuProgram() { return new D3D9GpuProgram; }

void D3D9Device::DestroyObject(DeviceObject* object) { delete object; }

void D3D9Device::SetCurrentTarget(IDirect3DSurface9* target) {
  // The target's reference is the device's from here; the one it replaces is let go, so
  // no surface piles up frame after frame.
  if (currentTarget) currentTarget->Release();
  currentTarget = target;
}

void D3D9Device::CopyBackBufferToTarget() {
  IDirect3DDevice9* device = D3D9::Device9();
  if (device && currentTarget)
    device->StretchRect(backBuffer, nullptr, currentTarget, nullptr, D3DTEXF_LINEAR);
}

void D3D9Device::UnbindVertexProgram() {
  if (IDirect3DDevice9* device = D3D9::Device9()) device->SetVertexShader(nullptr);
}

void D3D9Device::UnbindPixelProgram() {
  if (IDirect3DDevice9* device = D3D9::Device9()) device->SetPixelShader(nullptr);
}

ShaderVersions D3D9Device::GetShaderVersions() {
  ShaderVersions versions;
  D3DCAPS9 caps{};
  if (!direct3D || FAILED(direct3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps)))
    return versions;  // no Direct3D: no programs at all
  auto convert = [](DWORD v) { return int32_t(((v >> 8) & 0xFF) * 10 + (v & 0xFF)); };
  versions.vertex = convert(caps.VertexShaderVersion);
  versions.pixel = convert(caps.PixelShaderVersion);
  return versions;
}

}  // namespace KOR
