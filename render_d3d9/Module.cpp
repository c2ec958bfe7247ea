#include "render_d3d9/Module.h"

#include "graphics/RenderSystem.h"
#include "platform/d3d9/D3D9.h"
#include "render_d3d9/AutoConstants.h"
#include "render_d3d9/D3D9Device.h"
#include "render_d3d9/GeometryPool.h"
#include "render_d3d9/DeviceAccess.h"
#include "render_d3d9/StateObjects.h"

namespace KOR {
namespace D3D9 {
namespace {

IDirect3D9* direct3D = nullptr;     // kept for the life of the process
IDirect3DDevice9* device9 = nullptr;
DrawCache drawCache;

}  // namespace

bool InitialiseModule() {
  if (!direct3D) direct3D = Direct3DCreate9(D3D_SDK_VERSION);
  return direct3D != nullptr;
}

Device* GetDevice() {
  static D3D9Device* device = nullptr;
  if (!device && direct3D) device = new D3D9Device(direct3D);  // lives until the process ends
  return device;
}

IDirect3D9* Direct3D() { return direct3D; }
IDirect3DDevice9* Device9() { return device9; }
void SetDevice9(IDirect3DDevice9* device) {
  device9 = device;
  // A new device starts with Direct3D's defaults: nothing bound, no light on.
  InvalidateDrawCache();
  SharedGeometry().Retire();
  StagesAppliedLast() = 0;
  LightsEnabledLast() = 0;
}

void SetDirect3D(IDirect3D9* object) { direct3D = object; }

DrawCache& GetDrawCache() { return drawCache; }
void InvalidateDrawCache() { drawCache = {}; }
void ForgetInDrawCache(const void* object) {
  if (!object) return;
  if (drawCache.geometry == object) drawCache.geometry = nullptr;
  if (drawCache.declaration == object) drawCache.declaration = nullptr;
}

}  // namespace D3D9

AutoConstants& GetAutoConstants() {
  static AutoConstants store;
  return store;
}

const RenderModule kRenderModules[] = {{"d3d9", D3D9::InitialiseModule, D3D9::GetDevice}};
const int kRenderModuleCount = 1;

}  // namespace KOR
