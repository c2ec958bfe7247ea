// Feeds arbitrary bytes through the whole loader: scanner, parser, interpreter
// and the flattening into spawns. Level-script errors are the expected outcome
// of most inputs; anything else (a crash, a leak, another exception) is a fault.
#include <cstdint>
#include <cstdio>

#include "core/Exception.h"
#include "script/LevelScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::FILE* trace = std::fopen("/dev/null", "w");
  std::FILE* input = size > 0 ? fmemopen(const_cast<uint8_t*>(data), size, "rb")
                              : std::fopen("/dev/null", "rb");
  if (!input) return 0;
  LevelScript level;
  try {
    level.Load(input, trace);
  } catch (const KOR::Exception& error) {
    if (error.GetModule() != "Game" || error.GetError() != "Level Script Sintax Error") __builtin_trap();
  }
  std::fclose(input);
  return 0;
}
