// The recording backend: Direct3D objects that draw nothing and log every call.

#include <string>

#include "platform/d3d9/D3D9Testing.h"
#include "platform/d3d9/DeviceCore.h"

namespace d3d9 {
IDirect3D9* CreateGlDirect3D9();
}

namespace {

D3D9Recording* activeRecording = nullptr;

std::string Str(uint64_t v) { return std::to_string(v); }

class RecordingDevice final : public d3d9::DeviceCore {
public:
  RecordingDevice(D3D9Recording& recording, uint64_t* serials, IUnknown* parent)
      : DeviceCore(&recording.calls, serials, parent), recording(recording) {}

protected:
  HRESULT DoReset(const D3DPRESENT_PARAMETERS&) override {
    if (recording.failReset > 0) {
      --recording.failReset;
      return D3DERR_DEVICELOST;
    }
    return D3D_OK;
  }

private:
  D3D9Recording& recording;
};

class RecordingDirect3D9 final : public d3d9::RefCounted<IDirect3D9> {
public:
  explicit RecordingDirect3D9(D3D9Recording& recording) : recording(recording) {}

  UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override {
    Log("GetAdapterModeCount(" + Str(adapter) + ", " + Str(format) + ")");
    return adapter == 0 ? UINT(recording.modes.size()) : 0;
  }
  HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                           D3DDISPLAYMODE* result) override {
    Log("EnumAdapterModes(" + Str(adapter) + ", " + Str(format) + ", " + Str(mode) + ")");
    if (adapter != 0 || !result || mode >= recording.modes.size()) return D3DERR_INVALIDCALL;
    *result = recording.modes[mode];
    result->Format = format;
    return D3D_OK;
  }
  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override {
    Log("GetDeviceCaps(" + Str(adapter) + ", " + Str(type) + ")");
    if (adapter != 0 || !caps) return D3DERR_INVALIDCALL;
    *caps = {type, adapter, 4096, 4096, 8, 16, recording.vertexShaderVersion, 256,
             recording.pixelShaderVersion, 1};
    return D3D_OK;
  }
  HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, BOOL windowed,
                                     D3DMULTISAMPLE_TYPE samples, DWORD* quality) override {
    Log("CheckDeviceMultiSampleType(" + Str(adapter) + ", " + Str(type) + ", " + Str(format) +
        ", " + Str(windowed) + ", " + Str(samples) + ")");
    if (quality) *quality = 1;
    return samples == D3DMULTISAMPLE_NONE ? D3D_OK : D3DERR_NOTAVAILABLE;
  }
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                       D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override {
    std::string line = "CreateDevice(" + Str(adapter) + ", " + Str(type) + ", " +
                       (focus ? "window" : "null") + ", " + Str(flags);
    if (parameters)
      line += ", " + Str(parameters->BackBufferWidth) + "x" + Str(parameters->BackBufferHeight) +
              " format " + Str(parameters->BackBufferFormat) + " windowed " +
              Str(parameters->Windowed) + " depth " + Str(parameters->EnableAutoDepthStencil) +
              "/" + Str(parameters->AutoDepthStencilFormat) + " refresh " +
              Str(parameters->FullScreen_RefreshRateInHz);
    line += ")";
    bool fail = !parameters || !device || adapter != 0 ||
                (recording.failCreateDeviceFlags && (flags & recording.failCreateDeviceFlags));
    if (!fail && recording.failCreateDevice > 0) {
      --recording.failCreateDevice;
      fail = true;
    }
    if (fail) {
      Log(line + " failed");
      return D3DERR_NOTAVAILABLE;
    }
    auto* made = new RecordingDevice(recording, &serials, this);
    Log(line + " -> #" + Str(++serials));
    made->Start(*parameters);
    *device = made;
    return D3D_OK;
  }

private:
  void Log(const std::string& line) { recording.calls.push_back(line); }
  D3D9Recording& recording;
  uint64_t serials = 0;
};

}  // namespace

void D3D9StartRecording(D3D9Recording* recording) { activeRecording = recording; }
void D3D9StopRecording() { activeRecording = nullptr; }

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
  if (activeRecording) {
    activeRecording->calls.push_back("Direct3DCreate9(" + Str(sdkVersion) + ")");
    return new RecordingDirect3D9(*activeRecording);
  }
  return d3d9::CreateGlDirect3D9();
}
