#include "game/OneGame.h"

#include <memory>

#include "game/Boss.h"
#include "game/EnemyEntity.h"
#include "game/PauseKey.h"
#include "game/PauseSign.h"
#include "game/Player.h"
#include "scene/Scene.h"
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

int32_t PlayOneGame(KOR::Device* device, KOR::SoundSystem* sound, const LevelScript& level,
                    const GameSettings& settings, bool invulnerable) {
  KOR::SoundStream music;
  KOR::SoundChannel musicChannel;
  int32_t score = 0;
  {
    KOR::Scene scene;
    scene.SetAssetDirectory("assets/");
    KOR::Scene::SetSoundSystem(sound);
    scene.Init(device, SceneSettingsOf(settings));
    scene.backgroundColour = {0.1f, 0.12f, 0.15f, 1.0f};
    scene.fogDensity = 0.001f;
    scene.RegisterPrototype("Player", std::make_unique<Player>());
    scene.RegisterPrototype("Boss", std::make_unique<Boss>());
    scene.LoadScene("assets/zubra_level1.kor.scene");
    scene.SetCameraName("p_camera");
    if (auto* player = static_cast<Player*>(scene.FindFirstByType("Player"))) player->invulnerable = invulnerable;
    for (const EnemySpawn& spawn : level.spawns) {
      auto* enemy = static_cast<EnemyEntity*>(scene.AddEntity(std::make_unique<EnemyEntity>()));
      enemy->Setup(spawn);
    }
    scene.WarmUp();
    // P, Pause or the pad's Start hold the game; the same key lets it go.
    PauseSign pauseSign;
    pauseSign.Build(scene);
    scene.isPauseKey = [&settings](const MSG& message) { return PausePressed(message, settings); };
    scene.onPlayerPause = [&pauseSign](bool on) { pauseSign.Show(on); };
    if (sound) {
      sound->SetReverb(KOR::kRoomReverb);
      music.Open("assets/action.mp3");
      music.SetLoop(false);
      musicChannel = music.Play();
      musicChannel.SetVolume(0.6f);
    }
    scene.Run();
    // A scene file without a player scores nothing rather than reading a missing entity.
    auto* player = static_cast<Player*>(scene.FindFirstByType("Player"));
    if (player) {
      score = player->score;
      player->bossMusicChannel.Stop();
    }
    musicChannel.Stop();
  }
  return score;
}
