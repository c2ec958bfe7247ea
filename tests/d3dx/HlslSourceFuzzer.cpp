// Rewords arbitrary text as HLSL for glslang: nothing may crash, and every line stays where
// it was, so messages keep the caller's line numbers.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/d3dx/HlslSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string prepared = d3dx::PrepareHlsl(text);
  if (std::count(prepared.begin(), prepared.end(), '\n') != std::count(text.begin(), text.end(), '\n'))
    std::abort();
  return 0;
}
