// The start of a game as the player hears it, through our sound layer and OpenAL Soft's
// wave backend: the level music from the first moment, and once the first steering
// window opens at 5.6 s the player's shots and two explosions on top of it.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "platform/fmod/Fmod.h"
#include "tests/content/ContentTestSupport.h"
#include "tests/sound/WaveOutput.h"

namespace {

using ContentTest::Asset;

TEST(ContentSoundCapture, MusicFromTheStartThenShotsAndExplosionsOnTop) {
  ASSERT_TRUE(FSOUND_Init(44100, 8, 0));
  FSOUND_STREAM* music = FSOUND_Stream_Open(Asset("action.mp3").c_str(), FSOUND_LOOP_OFF, 0, 0);
  FSOUND_SAMPLE* fire = FSOUND_Sample_Load(FSOUND_FREE, Asset("fire2.wav").c_str(), FSOUND_2D, 0, 0);
  FSOUND_SAMPLE* boom = FSOUND_Sample_Load(FSOUND_FREE, Asset("explosion.wav").c_str(), FSOUND_2D, 0, 0);
  ASSERT_NE(music, nullptr);
  ASSERT_NE(fire, nullptr);
  ASSERT_NE(boom, nullptr);
  const int channel = FSOUND_Stream_Play(FSOUND_FREE, music);
  FSOUND_SetPaused(channel, FALSE);
  FSOUND_SetVolume(channel, 153);  // the game's 0.6
  const auto start = std::chrono::steady_clock::now();
  double nextShot = 5.6;
  bool first = true, second = true;
  for (;;) {
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (t >= 10.0) break;
    if (t >= nextShot) {
      FSOUND_PlaySound(FSOUND_FREE, fire);
      nextShot += 0.1;  // ten shots a second at no energy
    }
    if (first && t >= 7.0) FSOUND_PlaySound(FSOUND_FREE, boom), first = false;
    if (second && t >= 8.5) FSOUND_PlaySound(FSOUND_FREE, boom), second = false;
    FSOUND_Update();
    WaveOutput::Sleep(0.01);
  }
  FSOUND_Close();
  const WaveOutput::Capture out = WaveOutput::Read();
  ASSERT_GE(out.Seconds(), 9.5);
  std::string report = "RMS per second:";
  for (int s = 0; s < 10; ++s) {
    char cell[24];
    std::snprintf(cell, sizeof cell, " %.3f", out.Rms(2, s, s + 1));
    report += cell;
  }
  std::printf("%s\n", report.c_str());
  RecordProperty("rms", report);
  // Music from the start, never silent.
  EXPECT_LT(out.Onset(0.01), 0.3);
  for (int s = 0; s < 10; ++s) EXPECT_GT(out.Rms(2, s, s + 1), 0.02) << s;
  // The fight is louder than the music alone, and the explosions stand out.
  const double musicAlone = out.Rms(2, 1, 5), fight = out.Rms(2, 6, 10);
  EXPECT_GT(fight, musicAlone * 1.2);
  EXPECT_GT(out.Rms(2, 7.0, 7.4), out.Rms(2, 6.0, 6.4));
}

}  // namespace
