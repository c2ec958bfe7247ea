#pragma once
// Selects a render module by name and hands out its device, which then becomes the
// current render device of the graphics layer.

#include <string>

namespace KOR {

class Device;

class RenderSystem {
public:
  static RenderSystem& Instance();
  void LoadModule(std::string name);
  Device* CreateDevice();

private:
  RenderSystem() = default;
};

// The device graphics-layer objects create their device objects through; null before
// RenderSystem::CreateDevice.
Device* CurrentDevice();
void SetCurrentDevice(Device* device);

// A module of the registry: its availability check and its device.
struct RenderModule {
  const char* name;
  bool (*initialise)();
  Device* (*device)();
};
// The registry, supplied by the render modules' library.
extern const RenderModule kRenderModules[];
extern const int kRenderModuleCount;

}  // namespace KOR
