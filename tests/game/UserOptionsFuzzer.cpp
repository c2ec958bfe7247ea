// Any bytes as an options file: the reader keeps only what the dialog can show, and the
// choices the dialog then opens with are written so that they read back unchanged.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "game/shell/OptionsDialog.h"
#include "game/shell/UserOptions.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<int> refused;
  const RememberedOptions read = ParseOptions(std::string_view(reinterpret_cast<const char*>(data), size), &refused);
  Require(std::is_sorted(refused.begin(), refused.end()));
  if (read.playerName) Require(read.playerName->size() <= 15 && read.playerName->find('\n') == std::string::npos);
  if (read.soundDriver) Require(!read.soundDriver->empty() && read.soundDriver->size() <= 255);
  for (const auto& key : {read.keyFire, read.keyFillEnergy, read.keyUp, read.keyDown, read.keyLeft, read.keyRight})
    if (key) Require(IndexOfKey(*key) >= 0);
  Require(read.screenWidth.has_value() == read.screenHeight.has_value());

  OptionsChoices offered;
  offered.displayModes = {{640, 480, 60}, {800, 600, 60}, {1024, 768, 60}};
  offered.pixelShaderVersion = 30;
  offered.soundDrivers = {"First", read.soundDriver.value_or("Second")};
  const GameSettings opening = OpeningChoices(offered, read);
  std::vector<int> rereadRefused;
  const RememberedOptions reread = ParseOptions(FormatOptions(opening), &rereadRefused);
  Require(rereadRefused.empty());
  Require(reread.screenWidth == opening.screenWidth && reread.screenHeight == opening.screenHeight);
  Require(reread.perPixelLighting == bool(opening.perPixelLighting));
  Require(reread.specularLighting == bool(opening.specularLighting));
  Require(reread.glowEffects == bool(opening.glowEffects));
  Require(reread.soundDriver.value_or("") == opening.soundDriver);
  Require(reread.keyFire == opening.keyFire && reread.keyLeft == opening.keyLeft);
  Require(reread.playerName == opening.playerName);
  return 0;
}
