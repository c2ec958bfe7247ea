// Any bytes as a 3DF mesh: refused, or bounds taken, never read outside the buffer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/Exception.h"
#include "graphics/Mesh3DF.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  try {
    KOR::Mesh3DF mesh;
    mesh.LoadFromMemory(bytes.data(), bytes.size());
  } catch (const KOR::Exception&) {
  }
  return 0;
}
