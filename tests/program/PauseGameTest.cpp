// The pause in the real game from build/dist, played frame by frame on a fixed clock as a
// replay plays it: P holds the game (its time stands still, every sound is paused, the
// picture is dimmed under "PAUSED", kept as a screenshot) and P lets it go without one long
// frame; Enter does not pause, a pad's Start does, and Start again resumes.

#include <SDL.h>
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <vector>

#include "game/gameplay/GameSession.h"
#include "game/gameplay/Player.h"
#include "game/shell/Program.h"
#include "platform/d3d9/D3D9Testing.h"
#include "platform/fmod/FmodTesting.h"
#include "platform/win32/Win32Testing.h"
#include "scene/Entity.h"
#include "scene/Scene.h"
#include "tests/win32/VirtualPad.h"

namespace {

constexpr double kFrameTime = 1.0 / 30.0;

struct Picture {
  std::vector<uint32_t> pixels;
  UINT width = 0, height = 0;

  static int Luma(uint32_t p) { return int(((p >> 16) & 0xFF) * 3 + ((p >> 8) & 0xFF) * 6 + (p & 0xFF)) / 10; }
  double Mean() const {
    double sum = 0;
    for (uint32_t p : pixels) sum += Luma(p);
    return pixels.empty() ? 0 : sum / double(pixels.size());
  }
  // Near-white pixels in the middle fifth of the picture, where the sign sits.
  int BrightInTheMiddle() const {
    int count = 0;
    for (UINT y = height * 2 / 5; y < height * 3 / 5; ++y)
      for (UINT x = 0; x < width; ++x) count += Luma(pixels[size_t(y) * width + x]) > 220;
    return count;
  }
  bool Save(const std::string& file) const {
    std::vector<unsigned char> rgb(pixels.size() * 3);
    for (size_t i = 0; i < pixels.size(); ++i) {
      rgb[i * 3] = (pixels[i] >> 16) & 0xFF, rgb[i * 3 + 1] = (pixels[i] >> 8) & 0xFF, rgb[i * 3 + 2] = pixels[i] & 0xFF;
    }
    return stbi_write_png(file.c_str(), int(width), int(height), 3, rgb.data(), int(width) * 3) != 0;
  }
};

// What one game frame showed and heard.
struct Seen {
  bool held = false;
  float age = -1;  // the player's: the game's own time
  int playing = 0, paused = 0;
  double mean = 0;
  int bright = 0;
};

TEST(PauseGame, PHoldsTheGameStillSilentAndSignedAndPLetsItGo) {
  std::filesystem::current_path(KOR_DIST);
  GameSettings answers;
  answers.screenWidth = 320, answers.screenHeight = 240;
  answers.verticalSync = 0;
  Win32Testing::UseManualClock(true);
  // Keys to press or release at a game frame (counted from the game's first).
  std::map<int, std::function<void()>> atGameFrame;
  auto tap = [&](int frame, std::function<void(bool)> key) {
    atGameFrame[frame] = [key] { key(true); };
    atGameFrame[frame + 1] = [key] { key(false); };
  };
  auto keyboard = [](int vk) { return [vk](bool down) { down ? Win32Testing::KeyDown(vk) : Win32Testing::KeyUp(vk); }; };
  SDL_Joystick* pad = nullptr;
  auto start = [&](bool down) {
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_START, down ? 1 : 0);
    SDL_JoystickUpdate();
  };
  tap(30, keyboard('P'));        // held from about 31 to 70
  tap(70, keyboard('P'));
  tap(90, keyboard(VK_RETURN));  // the keyboard's Enter is no pause
  tap(110, start);               // held from about 111 to 140
  tap(140, start);
  tap(170, keyboard(VK_ESCAPE));
  std::vector<Seen> seen;
  Picture beforePause, whilePaused;
  int frame = 0, menuFrames = 0, swapInterval = -1;
  const GameSession* running = nullptr;
  D3D9SetPresentHook([&](IDirect3DDevice9* device) {
    Win32Testing::AdvanceClock(kFrameTime);
    ++frame;
    if (frame == 1) swapInterval = SDL_GL_GetSwapInterval();  // the device's context is current
    if (frame == 2) {
      pad = OpenVirtualPad();
    }
    if (frame == 10) Win32Testing::KeyDown(VK_RETURN);  // Play
    if (frame == 11) Win32Testing::KeyUp(VK_RETURN);
    if (frame == 3000) PostQuitMessage(0);                // a run that went wrong still ends
    const GameSession* scene = running;
    if (!scene) {
      if (!seen.empty() && ++menuFrames == 20) Win32Testing::KeyDown(VK_ESCAPE);  // leave
      return;
    }
    Seen now;
    now.held = scene->IsHeldByPlayer();
    if (const Player* player = scene->player) now.age = player->GetAge();
    FSOUND_Testing_GetChannelStates(&now.playing, &now.paused);
    Picture picture;
    if (D3D9ReadBackBuffer(device, &picture.pixels, &picture.width, &picture.height)) {
      now.mean = picture.Mean();
      now.bright = picture.BrightInTheMiddle();
    }
    const int gameFrame = int(seen.size());
    if (gameFrame == 29) beforePause = picture;
    if (gameFrame == 50) whilePaused = picture;
    seen.push_back(now);
    auto action = atGameFrame.find(gameFrame);
    if (action != atGameFrame.end() && (pad || gameFrame < 110)) action->second();
  });
  ProgramOptions options;
  options.answers = &answers;
  options.watchGames = [&running](const GameSession* game) { running = game; };
  EXPECT_EQ(RunProgram(options), 0);
  D3D9SetPresentHook(nullptr);
  Win32Testing::UseManualClock(false);
  ASSERT_NE(pad, nullptr) << SDL_GetError();
  SDL_JoystickClose(pad);
  ASSERT_GE(seen.size(), 170u) << "the game was played to its Escape";
  EXPECT_EQ(swapInterval, 0) << "vertical sync off, as the answers asked";

  // P: held from the frame after the press until the frame after the next.
  for (int f = 32; f <= 70; ++f) {
    EXPECT_TRUE(seen[f].held) << f;
    EXPECT_FLOAT_EQ(seen[f].age, seen[31].age) << "the game's time stands still, frame " << f;
    EXPECT_EQ(seen[f].playing, 0) << "nothing plays while held, frame " << f;
    EXPECT_GE(seen[f].paused, 1) << "the level music waits, frame " << f;
  }
  EXPECT_FALSE(seen[29].held);
  EXPECT_GE(seen[29].playing, 1) << "the level music played before";
  const int resumed = 72;
  EXPECT_FALSE(seen[resumed].held);
  EXPECT_GE(seen[resumed].playing, 1) << "the music plays again";
  EXPECT_GT(seen[resumed].age, seen[31].age);
  EXPECT_LE(seen[resumed].age - seen[31].age, 2.5 * kFrameTime) << "the held second is not one long frame";

  // The sign: the picture dimmed, and white letters across the middle that were not there.
  EXPECT_LT(whilePaused.Mean(), 0.75 * beforePause.Mean());
  EXPECT_GT(whilePaused.BrightInTheMiddle(), 200);
  EXPECT_GT(whilePaused.BrightInTheMiddle(), 4 * beforePause.BrightInTheMiddle() + 50);
  std::filesystem::create_directories(KOR_ARTIFACTS);
  EXPECT_TRUE(whilePaused.Save(std::string(KOR_ARTIFACTS) + "/pause-game.png"));
  EXPECT_LT(seen[resumed + 5].bright, seen[50].bright / 4) << "the sign goes with the pause";

  for (int f = 91; f < 110; ++f) EXPECT_FALSE(seen[f].held) << "Enter does not pause, frame " << f;
  for (int f = 112; f <= 140; ++f) EXPECT_TRUE(seen[f].held) << "the pad's Start holds it, frame " << f;
  EXPECT_FALSE(seen[143].held) << "and Start lets it go";
  EXPECT_GT(seen[160].age, seen[143].age);
}

}  // namespace
