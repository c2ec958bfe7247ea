#pragma once
// The one error of the level script: scanner, parser and interpreter all raise
// it, always with the line it refers to.

#include <string>

namespace Script {

// Throws KOR::Exception("Game", "Level Script Sintax Error", message + " - Line: " + line).
[[noreturn]] void RaiseLevelScriptError(const std::string& message, int line);

}  // namespace Script
