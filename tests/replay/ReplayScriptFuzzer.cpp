// Any bytes as a replay file: the reader refuses what it cannot read with a message
// naming the line, and what it accepts is a script the recorder can play as it stands.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "tools/replay/ReplayScript.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReplayScript script;
  try {
    script = ParseReplay(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const std::runtime_error& e) {
    Require(std::string(e.what()).rfind("replay line ", 0) == 0);
    return 0;
  }
  Require(script.frameTime == 0.0 || (std::isfinite(script.frameTime) && script.frameTime > 0.0 &&
                                      script.frameTime <= 1.0));
  Require(script.answers.screenWidth >= 1 && script.answers.screenHeight >= 1);
  Require(!script.answers.playerName.empty());
  for (size_t i = 0; i < script.keys.size(); ++i) {
    const ReplayKeyEvent& k = script.keys[i];
    Require(k.frame >= 0 && k.virtualKey > 0 && k.virtualKey < 256);
    if (i) Require(script.keys[i - 1].frame <= k.frame);
  }
  for (size_t i = 0; i < script.shots.size(); ++i) {
    Require(script.shots[i].frame >= 0 && !script.shots[i].file.empty());
    if (i) Require(script.shots[i - 1].frame <= script.shots[i].frame);
  }
  Require(script.endFrame >= -1);
  return 0;
}
