// The program's entry point: the options dialog, then the game; every engine error that
// escapes is reported in the debug console before the program ends.

#include "core/DebugConsole.h"
#include "core/Exception.h"
#include "game/GameSettings.h"
#include "game/OptionsDialog.h"
#include "platform/win32/Windows.h"

GameSettings gameSettings;

namespace {

// The display's 32-bit modes. The render device takes this over once it exists.
OptionsChoices ChoicesFromDisplay() {
  OptionsChoices choices;
  DEVMODEA mode;
  for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &mode); ++i)
    if (mode.dmBitsPerPel == 32)
      choices.displayModes.push_back({mode.dmPelsWidth, mode.dmPelsHeight, mode.dmDisplayFrequency});
  return choices;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    RegisterOptionsResources();
    gameSettings = GameSettings{};
    if (!RunOptionsDialog(ChoicesFromDisplay(), gameSettings)) return 0;
    throw KOR::Exception("Game", "Not built yet", "Only the options and this console so far.");
  } catch (KOR::Exception& e) {
    ShowCursor(TRUE);
    e.Report();
    ShowCursor(TRUE);
    Sleep(300);
    // A reported error is a failure, whatever the player pressed.
    return 1;
  }
}

int main() { return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWDEFAULT); }
