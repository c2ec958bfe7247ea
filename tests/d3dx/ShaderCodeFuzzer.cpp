// Decodes arbitrary bytes as shader code; whatever decodes must encode back to the same words.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/d3d9/ShaderCode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<DWORD> words(size / sizeof(DWORD));
  if (!words.empty()) std::memcpy(words.data(), data, words.size() * sizeof(DWORD));
  d3d9::ShaderCode code;
  if (!d3d9::Decode(words.data(), words.size(), &code)) return 0;
  std::vector<DWORD> again = d3d9::Encode(code);
  if (again.size() > words.size() || std::memcmp(again.data(), words.data(), again.size() * 4) != 0)
    std::abort();
  return 0;
}
