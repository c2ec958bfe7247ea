#pragma once
// The screen between games: a title, three items (play, high scores, exit), a selection
// bar, menu music and the high-score screen, drawn straight with the render device. Run
// fades in from black, and every way out fades to black and silences the music.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "game/shell/HighScoreTable.h"
#include "game/shell/InputMap.h"
#include "game/shell/UserScores.h"
#include "graphics/RenderPass.h"
#include "graphics/TextureObject.h"
#include "scene/ScreenOverlay.h"
#include "scene/ScreenText.h"
#include "sound/SoundChannel.h"
#include "sound/SoundSample.h"
#include "sound/SoundStream.h"

namespace KOR {
class Device;
class SoundSystem;
}  // namespace KOR

class MainMenu {
public:
  // sound may be null: the menu is then silent. The overlays, samples and music are made
  // here, once, and kept for every Run. input says which keys and buttons move, select
  // and leave.
  MainMenu(KOR::Device* device, KOR::SoundSystem* sound, float aspect, const InputMap& input = InputMap(GameSettings{}));
  MainMenu(const MainMenu&) = delete;
  MainMenu& operator=(const MainMenu&) = delete;
  ~MainMenu();

  // The shipped table, then the player's own scores merged after it.
  void LoadHighScores();
  // True for Play, false to leave the program (Exit, Escape or a quit message).
  bool Run();
  // Enters the score and keeps the best ten in the player's own file.
  void SubmitScore(const std::string& name, int32_t score);
  HighScoreTable& GetTable() { return table; }

  // Seconds from any fixed point; the performance counter unless a test replaces it.
  std::function<double()> clock;
  // Where the player's own scores live (tests point it elsewhere).
  UserScores userScores;
  int32_t selection = 0;  // 0 play, 1 high scores, 2 exit; kept between runs

  // What the last frame showed, for tests: the blackout's alpha and the music's volume.
  float blackoutAlpha = 1.0f;
  float musicVolume = 0.0f;
  bool showingHighScores = false;

private:
  void AddOverlay(KOR::ScreenOverlay& overlay, const char* texture, float x0, float y0, float x1, float y1,
                  int32_t layer);
  void DrawFrame();
  void ShowSelection();
  void HighScoreScreen();
  void Play(KOR::SoundSample& sample, KOR::SoundChannel& channel);

  KOR::Device* device;
  KOR::SoundSystem* sound;
  HighScoreTable table;
  KOR::OverlayBatch overlays;
  std::vector<std::unique_ptr<KOR::TextureObject>> textures;
  std::vector<std::unique_ptr<KOR::RenderPass>> materials;
  InputMap input;
  KOR::ScreenOverlay title, playItem, highItem, exitItem, bar, border, blackout;
  KOR::ScreenText text;
  KOR::SoundSample moveSound, selectSound;
  KOR::SoundStream music;
  KOR::SoundChannel moveChannel, selectChannel, musicChannel;
};
