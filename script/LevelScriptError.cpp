#include "script/LevelScriptError.h"

#include "core/Exception.h"

namespace Script {

void RaiseLevelScriptError(const std::string& message, int line) {
  throw KOR::Exception("Game", "Level Script Sintax Error",
                       message + " - Line: " + std::to_string(line));
}

}  // namespace Script
