#pragma once
// For tests: start the render system over, or put a device of the test's own in place.

namespace KOR {

class Device;

struct RenderSystemTesting {
  // No module loaded and no current device, as at start-up (the module keeps its state).
  static void Forget();
  static void SetCurrentDevice(Device* device);
};

}  // namespace KOR
