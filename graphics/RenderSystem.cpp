#include "graphics/RenderSystem.h"

#include "core/Exception.h"
#include "graphics/RenderSystemTesting.h"

namespace KOR {
namespace {

const RenderModule* loaded = nullptr;

Exception RenderSystemError(const char* error, const char* description) {
  return Exception("KOR Graphics (RenderSystem)", error, description);
}

}  // namespace

RenderSystem& RenderSystem::Instance() {
  static RenderSystem* instance = new RenderSystem;  // never destroyed
  return *instance;
}

void RenderSystem::LoadModule(std::string name) {
  const RenderModule* module = nullptr;
  for (int i = 0; i < kRenderModuleCount; ++i)
    if (name == kRenderModules[i].name) module = &kRenderModules[i];
  if (!module)
    throw RenderSystemError("Render Module not found", "The render module does not exist.");
  if (!module->initialise())
    throw RenderSystemError("Incompatible Render Module",
                            "The render module is not compatible with this hardware.");
  loaded = module;
}

Device* RenderSystem::CreateDevice() {
  if (!loaded)
    throw RenderSystemError("No loaded module",
                            "Trying to create a device while no render module was loaded.");
  Device* device = loaded->device();
  SetCurrentDevice(device);
  return device;
}

void RenderSystemTesting::Forget() {
  loaded = nullptr;
  SetCurrentDevice(nullptr);
}

}  // namespace KOR
