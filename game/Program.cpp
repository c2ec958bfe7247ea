// The program around games: the render device and sound, the options dialog, the menu
// and games in turn until the player leaves, and the one place every engine error that
// escapes is reported.

#include "game/Program.h"

#include "core/DebugConsole.h"
#include "core/Exception.h"
#include "game/MainMenu.h"
#include "game/OneGame.h"
#include "game/OptionsDialog.h"
#include "graphics/Device.h"
#include "graphics/RenderSystem.h"
#include "platform/win32/Gamepad.h"
#include "platform/win32/Windows.h"
#include "script/LevelScript.h"
#include "sound/SoundSystem.h"

namespace {

KOR::Device* renderDevice = nullptr;

// The device's 32-bit modes and shader versions, and the sound system's drivers.
OptionsChoices GatherChoices(KOR::Device& device, const KOR::SoundSystem& sound) {
  OptionsChoices choices;
  for (int i = 0, n = device.GetResolutionCount(true); i < n; ++i) {
    KOR::DisplayMode mode;
    device.GetResolution(mode, true, i);
    choices.displayModes.push_back({mode.width, mode.height, mode.refreshRate});
  }
  choices.pixelShaderVersion = device.GetShaderVersions().pixel;
  choices.soundDrivers = sound.GetDriverNames();
  choices.firstDriverHasEax = !choices.soundDrivers.empty() && sound.SupportsHardware3D(choices.soundDrivers[0]);
  return choices;
}

}  // namespace

int RunProgram(const ProgramOptions& options) {
  try {
    RegisterOptionsResources();
    KOR::RenderSystem& renderSystem = KOR::RenderSystem::Instance();
    renderSystem.LoadModule("d3d9");
    renderDevice = renderSystem.CreateDevice();
    KOR::SoundSystem* sound = KOR::SoundSystem::Get();
    gameSettings = GameSettings{};
    if (options.answers) gameSettings = *options.answers;
    else if (!RunOptionsDialog(GatherChoices(*renderDevice, *sound), gameSettings)) return 0;
    // A gamepad presses the keys the player chose.
    SetGamepadKeys({int(gameSettings.keyFire), int(gameSettings.keyFillEnergy), int(gameSettings.keyUp),
                    int(gameSettings.keyDown), int(gameSettings.keyLeft), int(gameSettings.keyRight)});
    renderDevice->Create(gameSettings.screenWidth, gameSettings.screenHeight, true, 3, 1, 0);
    sound->Init(gameSettings.soundDriver, 44100, 8, gameSettings.eaxReverb);
    static LevelScript levelScript;  // lives until the program ends
    levelScript.Load("assets/level.zub.script");
    ShowCursor(FALSE);
    if (options.started) options.started();
    float aspect = float(gameSettings.screenWidth) / float(gameSettings.screenHeight ? gameSettings.screenHeight : 1);
    MainMenu menu(renderDevice, sound, aspect);
    menu.LoadHighScores();
    while (menu.Run()) {
      int32_t score = PlayOneGame(renderDevice, sound, levelScript, gameSettings, options.invulnerable);
      menu.SubmitScore(gameSettings.playerName, score);
    }
    return 0;
  } catch (KOR::Exception& e) {
    ShowCursor(TRUE);
    if (renderDevice) renderDevice->Destroy();
    // Release copes with a sound system that was never made.
    KOR::SoundSystem::Release();
    e.Report();
    ShowCursor(TRUE);
    Sleep(300);
    // A reported error is a failure, whatever the player pressed.
    return 1;
  }
}
