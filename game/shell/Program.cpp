// The program around games: the render device and sound, the options dialog, the menu
// and games in turn until the player leaves, and the one place every engine error that
// escapes is reported.

#include "game/shell/Program.h"

#include <cstdio>

#include "core/DebugConsole.h"
#include "core/Exception.h"
#include "game/shell/InputMap.h"
#include "game/shell/MainMenu.h"
#include "game/shell/OneGame.h"
#include "game/shell/OptionsDialog.h"
#include "game/shell/UserOptions.h"
#include "graphics/Device.h"
#include "graphics/RenderSystem.h"
#include "platform/win32/Windows.h"
#include "script/LevelScript.h"
#include "sound/SoundSystem.h"

namespace {

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

// The settings from the remembered choices, through the dialog unless it is skipped; "Go!!"
// remembers what the dialog shows. False when the player leaves the dialog.
bool ChooseSettings(const ProgramOptions& options, KOR::Device& device, const KOR::SoundSystem& sound,
                    GameSettings& settings) {
  const UserOptions remembered(options.optionsPath);
  const OptionsChoices offered = GatherChoices(device, sound);
  const GameSettings opening = OpeningChoices(offered, remembered.Load());
  GameSettings choices = opening;
  if (options.fullScreen) choices.fullScreen = *options.fullScreen;
  if (options.noVerticalSync) choices.verticalSync = 0;
  if (!options.skipDialog) {
    if (!RunOptionsDialog(offered, choices)) return false;
    GameSettings kept = choices;
    // A box left as this run's option set it keeps the remembered choice.
    if (options.fullScreen && choices.fullScreen == *options.fullScreen) kept.fullScreen = opening.fullScreen;
    if (options.noVerticalSync && !choices.verticalSync) kept.verticalSync = opening.verticalSync;
    if (!options.optionsPath.empty()) remembered.Save(kept);
  }
  settings = SettingsOf(choices);
  return true;
}

}  // namespace

int RunProgram(const ProgramOptions& options) {
  KOR::Device* renderDevice = nullptr;
  try {
    RegisterOptionsResources();
    KOR::RenderSystem& renderSystem = KOR::RenderSystem::Instance();
    renderSystem.LoadModule("d3d9");
    renderDevice = renderSystem.CreateDevice();
    KOR::SoundSystem* sound = KOR::SoundSystem::Get();
    GameSettings gameSettings;
    if (options.answers) gameSettings = *options.answers;
    else if (!ChooseSettings(options, *renderDevice, *sound, gameSettings)) return 0;
    if (options.fullScreen) gameSettings.fullScreen = *options.fullScreen;
    if (options.noVerticalSync) gameSettings.verticalSync = 0;
    const InputMap input(gameSettings);
    renderDevice->SetVerticalSync(gameSettings.verticalSync != 0);
    renderDevice->Create(gameSettings.screenWidth, gameSettings.screenHeight, true, 3,
                         gameSettings.fullScreen ? 1 : 0, 0);
    sound->Init(gameSettings.soundDriver, 44100, 8, gameSettings.eaxReverb);
    static LevelScript levelScript;  // lives until the program ends
    levelScript.Load("assets/level.zub.script", options.traceLevel ? stdout : nullptr);
    ShowCursor(FALSE);
    if (options.started) options.started(gameSettings);
    float aspect = float(gameSettings.screenWidth) / float(gameSettings.screenHeight ? gameSettings.screenHeight : 1);
    MainMenu menu(renderDevice, sound, aspect, input);
    menu.LoadHighScores();
    const GameSetup setup = GameSetupOf(gameSettings, options.invulnerable);
    GameCarry carry;  // one run's games share the random sequence and the boss's alternation
    while (menu.Run()) {
      int32_t score = PlayOneGame(renderDevice, sound, levelScript, setup, input, carry, options.watchGames,
                                  options.pilot);
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
