// MP3 streams through the wave backend: music plays on while the game never calls
// FSOUND_Update, and the end of the file stops or loops it by mode.

#include "platform/fmod/Fmod.h"
#include "tests/sound/WaveOutput.h"

#include <gtest/gtest.h>

#include <chrono>

using WaveOutput::Capture;
using WaveOutput::Sleep;

namespace {

class FsoundStreamTest : public testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(FSOUND_Init(44100, 8, 0)); }
  void TearDown() override { FSOUND_Close(); }
};

// The shortest 5 ms window's level between from and to, relative to the median level.
double QuietestWindow(const Capture& out, double from, double to) {
  std::vector<double> levels;
  for (double t = from; t + 0.005 <= to; t += 0.005)
    levels.push_back(out.Rms(2, t, t + 0.005));
  if (levels.empty())
    return 0.0;
  std::vector<double> sorted = levels;
  std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
  return *std::min_element(levels.begin(), levels.end()) / sorted[sorted.size() / 2];
}

TEST_F(FsoundStreamTest, MusicPlaysWithoutGapsThroughTenSecondsOfFramesWithoutUpdate) {
  FSOUND_STREAM* music = FSOUND_Stream_Open(KOR_TONE_LONG_MP3, FSOUND_LOOP_OFF, 0, 0);
  ASSERT_NE(music, nullptr);
  const int channel = FSOUND_Stream_Play(FSOUND_FREE, music);
  ASSERT_GE(channel, 0);
  FSOUND_SetPaused(channel, FALSE);
  FSOUND_SetVolume(channel, 153);
  // Frames of a busy game: the thread works for 12 ms of every 16 and never waits on sound.
  const auto start = std::chrono::steady_clock::now();
  int frames = 0;
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
    const auto frame = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - frame < std::chrono::milliseconds(12)) {
    }
    Sleep(0.004);
    ++frames;
  }
  EXPECT_TRUE(FSOUND_IsPlaying(channel));
  // About 620 frames on an idle machine; a thread that waited on decoding would fall far
  // below, while a loaded machine (tests run in parallel) may lose some.
  EXPECT_GT(frames, 300);
  FSOUND_Close();
  const Capture out = WaveOutput::Read();
  const double onset = out.Onset(0.01);
  ASSERT_GE(onset, 0.0);
  EXPECT_LT(onset, 0.2) << "the music started late";
  ASSERT_GT(out.Seconds(), onset + 9.5);
  EXPECT_GT(QuietestWindow(out, onset + 0.05, onset + 9.5), 0.7) << "a gap in the music";
  // A 0.5 tone at volume 153 of 255: centred, at most 0.6 of the sine's RMS.
  EXPECT_LT(out.Rms(2, onset + 1, onset + 9), 0.354 * 0.6 * 1.05);
  EXPECT_GT(out.Rms(2, onset + 1, onset + 9), 0.354 * 0.6 * 0.5);
}

TEST_F(FsoundStreamTest, TheEndOfTheFileStopsTheChannelWhenLoopIsOff) {
  FSOUND_STREAM* jingle = FSOUND_Stream_Open(KOR_TONE_SHORT_MP3, FSOUND_LOOP_OFF, 0, 0);
  ASSERT_NE(jingle, nullptr);
  const int channel = FSOUND_Stream_Play(FSOUND_FREE, jingle);
  EXPECT_TRUE(FSOUND_IsPlaying(channel));
  Sleep(1.8);
  EXPECT_FALSE(FSOUND_IsPlaying(channel));
  FSOUND_Close();
  const Capture out = WaveOutput::Read();
  const double onset = out.Onset(0.01);
  ASSERT_GE(onset, 0.0);
  EXPECT_GT(out.Rms(2, onset + 0.1, onset + 0.9), 0.1);
  EXPECT_LT(out.Rms(2, onset + 1.1, out.Seconds()), 1e-3) << "played on past its end";
}

TEST_F(FsoundStreamTest, LoopNormalRestartsAtTheEndWithoutAGapAndCanBeSwitchedOff) {
  FSOUND_STREAM* jingle = FSOUND_Stream_Open(KOR_TONE_SHORT_MP3, FSOUND_LOOP_OFF, 0, 0);
  ASSERT_TRUE(FSOUND_Stream_SetMode(jingle, FSOUND_LOOP_NORMAL));
  const int channel = FSOUND_Stream_Play(FSOUND_FREE, jingle);
  Sleep(2.6);
  EXPECT_TRUE(FSOUND_IsPlaying(channel)) << "looping";
  ASSERT_TRUE(FSOUND_Stream_SetMode(jingle, FSOUND_LOOP_OFF));
  Sleep(1.8);
  EXPECT_FALSE(FSOUND_IsPlaying(channel)) << "stopped at the end of the pass it was in";
  FSOUND_Close();
  const Capture out = WaveOutput::Read();
  const double onset = out.Onset(0.01);
  ASSERT_GE(onset, 0.0);
  EXPECT_GT(QuietestWindow(out, onset + 0.05, onset + 2.5), 0.7) << "a gap at the loop point";
}

TEST_F(FsoundStreamTest, PauseHoldsTheMusicAndStopOrCloseEndsIt) {
  FSOUND_STREAM* music = FSOUND_Stream_Open(KOR_TONE_LONG_MP3, FSOUND_LOOP_OFF, 0, 0);
  const int channel = FSOUND_Stream_Play(FSOUND_FREE, music);
  Sleep(0.3);
  EXPECT_TRUE(FSOUND_SetPaused(channel, TRUE));
  Sleep(0.6);
  EXPECT_TRUE(FSOUND_IsPlaying(channel)) << "paused counts as playing";
  EXPECT_TRUE(FSOUND_SetPaused(channel, FALSE));
  Sleep(0.3);
  EXPECT_TRUE(FSOUND_StopSound(channel));
  EXPECT_FALSE(FSOUND_IsPlaying(channel));
  const int again = FSOUND_Stream_Play(FSOUND_FREE, music);
  Sleep(0.2);
  EXPECT_TRUE(FSOUND_Stream_Close(music));
  EXPECT_FALSE(FSOUND_IsPlaying(again));
  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, music), -1) << "a closed stream is gone";
  Sleep(0.3);
  FSOUND_Close();
  const Capture out = WaveOutput::Read();
  const double onset = out.Onset(0.01);
  ASSERT_GE(onset, 0.0);
  EXPECT_LT(out.Rms(2, onset + 0.4, onset + 0.8), 1e-3) << "the pause was heard";
  EXPECT_GT(out.Rms(2, onset + 0.95, onset + 1.15), 0.05) << "it resumed";
  EXPECT_LT(out.Rms(2, out.Seconds() - 0.2, out.Seconds()), 1e-3) << "close left it playing";
}

}  // namespace
