// TGA loading: the image type is forced to 2, so every input reaches the TGA reader's
// checks of the header against the file.

#include <cstdint>
#include <vector>

#include "TextureFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  if (bytes.size() >= 3) bytes[2] = 2;
  KOR::Testing::FuzzLoad(bytes);
  return 0;
}
