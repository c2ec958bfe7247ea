#include "game/shell/OneGame.h"

#include "game/gameplay/Player.h"
#include "game/hud/PauseSign.h"
#include "game/shell/InputMap.h"
#include "script/LevelScript.h"
#include "sound/ReverbPresets.h"
#include "sound/SoundStream.h"
#include "sound/SoundSystem.h"

KOR::SceneSettings SceneSettingsOf(const GameSettings& settings) {
  KOR::SceneSettings s;
  s.perPixelLighting = settings.perPixelLighting != 0;
  s.glowEffects = settings.glowEffects != 0;
  s.specularLighting = settings.specularLighting != 0;
  s.screenWidth = settings.screenWidth;
  s.screenHeight = settings.screenHeight;
  return s;
}

GameSetup GameSetupOf(const GameSettings& settings, bool invulnerable) {
  GameSetup setup;
  setup.scene = SceneSettingsOf(settings);
  setup.playerName = settings.playerName;
  setup.invulnerable = invulnerable;
  return setup;
}

int32_t PlayOneGame(KOR::Device* device, KOR::SoundSystem* sound, const LevelScript& level, const GameSetup& setup,
                    const InputMap& input, GameCarry& carry, const GameWatch& watch, const GamePilot& pilot) {
  KOR::SoundStream music;
  KOR::SoundChannel musicChannel;
  int32_t score = 0;
  {
    GameSession game(setup, carry);
    game.SetSoundSystem(sound);
    game.Start(device, "assets/", "zubra_level1.kor.scene", level.spawns);
    game.WarmUp();
    // P, Pause or the pad's Start hold the game; the same key lets it go.
    PauseSign pauseSign;
    pauseSign.Build(game);
    game.requestOf = [&input](const MSG& message) {
      if (input.IsBack(message)) return KOR::Scene::RunRequest::Leave;
      return input.IsPause(message) ? KOR::Scene::RunRequest::Pause : KOR::Scene::RunRequest::None;
    };
    game.onPlayerPause = [&pauseSign](bool on) { pauseSign.Show(on); };
    game.onFrameStart = [&game, &input, &pilot] { game.command = pilot ? pilot(game) : input.Sample(); };
    if (sound) {
      sound->SetReverb(KOR::kRoomReverb);
      music.Open("assets/action.mp3");
      music.SetLoop(false);
      musicChannel = music.Play();
      musicChannel.SetVolume(0.6f);
    }
    if (watch) watch(&game);
    game.Run();
    if (watch) watch(nullptr);
    // A scene file without a player scores nothing rather than reading a missing entity.
    if (Player* player = game.player) {
      score = player->score;
      player->bossMusicChannel.Stop();
    }
    musicChannel.Stop();
    carry = game.Carry();
  }
  return score;
}
