// .kor.texture loading: the magic and version are forced, so every input reaches the
// engine reader's checks of sizes, palette and indices.

#include <cstdint>
#include <cstring>
#include <vector>

#include "TextureFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  if (bytes.size() >= 8) {
    std::memcpy(bytes.data(), "TEXT", 4);
    const uint8_t version[4] = {100, 0, 0, 0};
    std::memcpy(bytes.data() + 4, version, 4);
  }
  KOR::Testing::FuzzLoad(bytes);
  return 0;
}
