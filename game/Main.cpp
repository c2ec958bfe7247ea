// The program's entry point: the options dialog, then the game; every engine error that
// escapes is reported in the debug console before the program ends.

#include "core/DebugConsole.h"
#include "core/Exception.h"
#include "game/GameSettings.h"
#include "game/OptionsDialog.h"
#include "platform/win32/Windows.h"
#include "sound/SoundSystem.h"

GameSettings gameSettings;

namespace {

// The display's 32-bit modes (the render device takes this over once it exists) and the
// sound system's drivers.
OptionsChoices GatherChoices(const KOR::SoundSystem& sound) {
  OptionsChoices choices;
  DEVMODEA mode;
  for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &mode); ++i)
    if (mode.dmBitsPerPel == 32)
      choices.displayModes.push_back({mode.dmPelsWidth, mode.dmPelsHeight, mode.dmDisplayFrequency});
  choices.soundDrivers = sound.GetDriverNames();
  choices.firstDriverHasEax = !choices.soundDrivers.empty() && sound.SupportsHardware3D(choices.soundDrivers[0]);
  return choices;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    RegisterOptionsResources();
    KOR::SoundSystem* sound = KOR::SoundSystem::Get();
    gameSettings = GameSettings{};
    if (!RunOptionsDialog(GatherChoices(*sound), gameSettings)) return 0;
    sound->Init(gameSettings.soundDriver, 44100, 8, gameSettings.eaxReverb);
    throw KOR::Exception("Game", "Not built yet", "Only the options and this console so far.");
  } catch (KOR::Exception& e) {
    ShowCursor(TRUE);
    KOR::SoundSystem::Release();
    e.Report();
    ShowCursor(TRUE);
    Sleep(300);
    // A reported error is a failure, whatever the player pressed.
    return 1;
  }
}

int main() { return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWDEFAULT); }
