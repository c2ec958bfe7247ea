// The current render device lives apart from the module registry, so code that only
// needs a device (and tests with a device of their own) links without any module.

#include "graphics/RenderSystem.h"
#include "graphics/RenderSystemTesting.h"

namespace KOR {
namespace {
Device* current = nullptr;
}

Device* CurrentDevice() { return current; }
void SetCurrentDevice(Device* device) { current = device; }
void RenderSystemTesting::SetCurrentDevice(Device* device) { KOR::SetCurrentDevice(device); }

}  // namespace KOR
