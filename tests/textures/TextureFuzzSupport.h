#pragma once
// Both texture fuzzers load through TextureObject on the fake device and check what a
// caller would rely on after a load that did not throw.

#include <cstdint>
#include <vector>

#include "FakeDevice.h"
#include "core/Exception.h"
#include "graphics/RenderSystemTesting.h"
#include "graphics/Surface.h"
#include "graphics/Texture.h"
#include "graphics/TextureObject.h"

namespace KOR::Testing {

inline void FuzzLoad(const std::vector<uint8_t>& bytes) {
  static FakeDevice device;
  RenderSystemTesting::SetCurrentDevice(&device);
  {
    TextureObject object;
    try {
      object.LoadFromMemory(bytes.data(), uint32_t(bytes.size()));
    } catch (const Exception&) {
      if (object.GetTexture()) __builtin_trap();
    }
    if (Texture2D* t = object.GetTexture()) {
      if (t->width <= 0 || t->height <= 0 || !IsPowerOfTwoSize(t->width) || !IsPowerOfTwoSize(t->height))
        __builtin_trap();
      if (t->GetLevelCount() != MipLevelCount(t->width, t->height)) __builtin_trap();
      const Surface* last = t->GetLevel(t->GetLevelCount() - 1);
      if (last->width != 1 || last->height != 1) __builtin_trap();
    }
  }
  if (device.LiveObjects() != 0 || device.counts.foreignDestroys != 0) __builtin_trap();
  RenderSystemTesting::SetCurrentDevice(nullptr);
}

}  // namespace KOR::Testing
