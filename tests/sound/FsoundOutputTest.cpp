// The FSOUND layer through OpenAL Soft's wave backend: what a player would hear,
// measured in the file the device writes.

#include "core/Exception.h"
#include "platform/fmod/Fmod.h"
#include "platform/fmod/FmodTesting.h"
#include "sound/ReverbPresets.h"
#include "sound/SoundSample.h"
#include "sound/SoundStream.h"
#include "sound/SoundSystem.h"
#include "tests/sound/WaveOutput.h"

#include <AL/efx.h>
#include <gtest/gtest.h>

#include <cstdint>

using WaveOutput::Capture;
using WaveOutput::Sleep;

namespace {

class FsoundOutputTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND));
    ASSERT_TRUE(FSOUND_SetDriver(0));
    ASSERT_TRUE(FSOUND_Init(44100, 8, 0));
  }
  void TearDown() override { FSOUND_Close(); }

  Capture Finish() {
    FSOUND_Close();
    return WaveOutput::Read();
  }

  // The listener at the origin looking along +z, committed.
  static void ListenAtOrigin() {
    const float origin[3] = {0, 0, 0};
    FSOUND_3D_Listener_SetAttributes(origin, origin, 0, 0, 1, 0, 1, 0);
    FSOUND_Update();
  }

  static int Play3D(FSOUND_SAMPLE* sample, float x, float y, float z) {
    const int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
    const float where[3] = {x, y, z};
    FSOUND_3D_SetAttributes(channel, where, nullptr);
    FSOUND_Update();
    return channel;
  }
};

TEST_F(FsoundOutputTest, TheWaveDeviceIsTheDriverAndOffersEfx) {
  ASSERT_GE(FSOUND_GetNumDrivers(), 1);
  EXPECT_STREQ(FSOUND_GetDriverName(0), "Wave File Writer");
  EXPECT_EQ(FSOUND_GetDriverName(FSOUND_GetNumDrivers()), nullptr);
  unsigned int caps = 0;
  ASSERT_TRUE(FSOUND_GetDriverCaps(0, &caps));
  EXPECT_EQ(caps, unsigned(FSOUND_CAPS_HARDWARE | FSOUND_CAPS_EAX2));
  EXPECT_FALSE(FSOUND_GetDriverCaps(-1, &caps));
  EXPECT_FALSE(FSOUND_Init(44100, 8, 0)) << "a second Init while open";
}

TEST_F(FsoundOutputTest, TwoDSampleIsCentredAndItsLevelFollowsTheLinearVolume) {
  FSOUND_SAMPLE* tone = FSOUND_Sample_Load(FSOUND_FREE,
                                           WaveOutput::WriteTone("tone.wav", 0.5f, 0.4f).c_str(),
                                           FSOUND_LOOP_OFF, 0, 0);
  ASSERT_NE(tone, nullptr);
  const int loud = FSOUND_PlaySound(FSOUND_FREE, tone);
  ASSERT_GE(loud, 0);
  EXPECT_TRUE(FSOUND_SetVolume(loud, 256));  // one above the maximum: full volume
  EXPECT_TRUE(FSOUND_IsPlaying(loud));
  Sleep(0.7);
  EXPECT_FALSE(FSOUND_IsPlaying(loud)) << "a sample without loop ends by itself";
  const int quiet = FSOUND_PlaySound(FSOUND_FREE, tone);
  FSOUND_SetVolume(quiet, 128);
  Sleep(0.7);
  const Capture out = Finish();

  const double first = out.Onset(0.01);
  ASSERT_GE(first, 0.0) << "nothing was written";
  const double second = out.Onset(0.01, first + 0.5);
  ASSERT_GT(second, first);
  const double loudLeft = out.Rms(0, first + 0.1, first + 0.3);
  const double loudRight = out.Rms(1, first + 0.1, first + 0.3);
  const double quietBoth = out.Rms(2, second + 0.1, second + 0.3);
  // A sine of amplitude 0.5 has an RMS of 0.354; centred, each side carries part of it.
  EXPECT_NEAR(loudLeft, loudRight, 0.01 * loudLeft);
  EXPECT_GT(loudLeft, 0.354 * 0.5);
  EXPECT_LT(loudLeft, 0.354 * 0.75);
  EXPECT_NEAR(quietBoth / out.Rms(2, first + 0.1, first + 0.3), 128.0 / 255.0, 0.02);
}

TEST_F(FsoundOutputTest, ThreeDSampleToTheRightIsLouderOnTheRight) {
  ListenAtOrigin();
  FSOUND_SAMPLE* tone =
      FSOUND_Sample_Load(FSOUND_FREE, WaveOutput::WriteTone("right.wav", 0.5f, 0.4f).c_str(),
                         FSOUND_HW3D | FSOUND_LOOP_OFF, 0, 0);
  ASSERT_NE(tone, nullptr);
  FSOUND_Sample_SetMinMaxDistance(tone, 1.0f, 100.0f);
  Play3D(tone, 1.0f, 0.0f, 0.0f);
  Sleep(0.6);
  const Capture out = Finish();
  const double start = out.Onset(0.01);
  ASSERT_GE(start, 0.0);
  EXPECT_GT(out.Rms(1, start + 0.1, start + 0.3), 2.0 * out.Rms(0, start + 0.1, start + 0.3));
}

TEST_F(FsoundOutputTest, GainFallsAsOneOverDistanceBetweenMinAndMax) {
  ListenAtOrigin();
  FSOUND_SAMPLE* tone =
      FSOUND_Sample_Load(FSOUND_FREE, WaveOutput::WriteTone("far.wav", 0.5f, 0.3f).c_str(),
                         FSOUND_HW3D | FSOUND_LOOP_OFF, 0, 0);
  ASSERT_NE(tone, nullptr);
  ASSERT_TRUE(FSOUND_Sample_SetMinMaxDistance(tone, 2.0f, 8.0f));
  // In front at 1 (inside min), 2, 4, 8 and 16 (beyond max), one after the other.
  for (float distance : {1.0f, 2.0f, 4.0f, 8.0f, 16.0f}) {
    Play3D(tone, 0.0f, 0.0f, distance);
    Sleep(0.5);
  }
  const Capture out = Finish();
  std::vector<double> level;
  double at = 0.0;
  for (int i = 0; i < 5; ++i) {
    at = out.Onset(0.002, at);
    ASSERT_GE(at, 0.0) << "burst " << i;
    level.push_back(out.Rms(2, at + 0.05, at + 0.25));
    at += 0.4;
  }
  EXPECT_NEAR(level[1] / level[0], 1.0, 0.03) << "full volume up to min";
  EXPECT_NEAR(level[2] / level[1], 0.5, 0.03) << "twice the distance, half the gain";
  EXPECT_NEAR(level[3] / level[2], 0.5, 0.03);
  EXPECT_NEAR(level[4] / level[3], 1.0, 0.03) << "no further fall beyond max";
}

// Energy of what follows a 5 ms click, from 50 ms to 800 ms after it.
double TailAfterClick(bool reverb) {
  EXPECT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND));
  EXPECT_TRUE(FSOUND_Init(44100, 8, 0));
  if (reverb) {
    EXPECT_TRUE(FSOUND_Reverb_SetProperties(&KOR::kAuditoriumReverb));
  }
  const float origin[3] = {0, 0, 0};
  FSOUND_3D_Listener_SetAttributes(origin, origin, 0, 0, 1, 0, 1, 0);
  FSOUND_SAMPLE* click =
      FSOUND_Sample_Load(FSOUND_FREE, WaveOutput::WriteTone("click.wav", 0.8f, 0.005f, 0).c_str(),
                         FSOUND_HW3D | FSOUND_LOOP_OFF, 0, 0);
  const int channel = FSOUND_PlaySound(FSOUND_FREE, click);
  const float ahead[3] = {0, 0, 1};
  FSOUND_3D_SetAttributes(channel, ahead, nullptr);
  FSOUND_Update();
  Sleep(1.0);
  FSOUND_Close();
  const Capture out = WaveOutput::Read();
  const double start = out.Onset(0.05);
  EXPECT_GE(start, 0.0);
  return out.Rms(2, start + 0.05, start + 0.8);
}

TEST_F(FsoundOutputTest, ReverbLeavesATailAfterAClick) {
  FSOUND_Close();
  const double dry = TailAfterClick(false);
  const double wet = TailAfterClick(true);
  EXPECT_LT(dry, 1e-4);
  EXPECT_GT(wet, 1e-3);
  EXPECT_GT(wet, 20.0 * dry);
}

// As EAX environments convert to EFX, echo density follows the environment size; the
// I3DL2 Density percentage is not part of that model.
TEST_F(FsoundOutputTest, ReverbDensityFollowsTheEnvironmentSize) {
  float density = -1;
  ASSERT_TRUE(FSOUND_Reverb_SetProperties(&KOR::kRoomReverb));
  ASSERT_TRUE(FSOUND_Testing_GetReverbParameter(AL_EAXREVERB_DENSITY, &density));
  EXPECT_NEAR(density, 1.9 * 1.9 * 1.9 / 16, 1e-4) << "the room, size 1.9";

  FSOUND_REVERB_PROPERTIES sparse = KOR::kRoomReverb;
  sparse.Density = 0;
  ASSERT_TRUE(FSOUND_Reverb_SetProperties(&sparse));
  ASSERT_TRUE(FSOUND_Testing_GetReverbParameter(AL_EAXREVERB_DENSITY, &density));
  EXPECT_NEAR(density, 1.9 * 1.9 * 1.9 / 16, 1e-4) << "Density (%) is not read";

  ASSERT_TRUE(FSOUND_Reverb_SetProperties(&KOR::kAuditoriumReverb));
  ASSERT_TRUE(FSOUND_Testing_GetReverbParameter(AL_EAXREVERB_DENSITY, &density));
  EXPECT_FLOAT_EQ(density, 1.0f) << "size 21.6 is beyond the cube's limit";

  FSOUND_REVERB_PROPERTIES small = KOR::kRoomReverb;
  small.EnvSize = 1.0f;
  ASSERT_TRUE(FSOUND_Reverb_SetProperties(&small));
  ASSERT_TRUE(FSOUND_Testing_GetReverbParameter(AL_EAXREVERB_DENSITY, &density));
  EXPECT_NEAR(density, 1.0 / 16, 1e-5);
}

TEST_F(FsoundOutputTest, BadHandlesAndChannelsAreRefusedWithoutHarm) {
  FSOUND_SAMPLE* bogus = reinterpret_cast<FSOUND_SAMPLE*>(uintptr_t{0xDEADBEEF});
  FSOUND_STREAM* bogusStream = reinterpret_cast<FSOUND_STREAM*>(uintptr_t{0xDEADBEEF});
  EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, "no-such-file.wav", FSOUND_LOOP_OFF, 0, 0), nullptr);
  EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, "", FSOUND_LOOP_OFF, 0, 0), nullptr);
  EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, nullptr, FSOUND_LOOP_OFF, 0, 0), nullptr);
  EXPECT_EQ(FSOUND_Stream_Open("no-such-file.mp3", FSOUND_LOOP_OFF, 0, 0), nullptr);
  // A WAV is no MP3.
  EXPECT_EQ(FSOUND_Stream_Open(WaveOutput::WriteTone("not.mp3", 0.1f, 0.1f).c_str(),
                               FSOUND_LOOP_OFF, 0, 0),
            nullptr);
  EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, nullptr), -1);
  EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, bogus), -1);
  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, nullptr), -1);
  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, bogusStream), -1);
  FSOUND_Sample_Free(nullptr);
  FSOUND_Sample_Free(bogus);
  EXPECT_FALSE(FSOUND_Sample_SetMinMaxDistance(nullptr, 1, 4));
  EXPECT_FALSE(FSOUND_Stream_SetMode(nullptr, FSOUND_LOOP_NORMAL));
  EXPECT_FALSE(FSOUND_Stream_Close(nullptr));
  EXPECT_FALSE(FSOUND_Stream_Close(bogusStream));
  const float where[3] = {1, 2, 3};
  for (int channel : {-1, 0, 5, 4095, 1 << 20, 0x7FFFFFFF}) {
    EXPECT_FALSE(FSOUND_SetVolume(channel, 255)) << channel;
    EXPECT_FALSE(FSOUND_SetPaused(channel, FALSE)) << channel;
    EXPECT_FALSE(FSOUND_StopSound(channel)) << channel;
    EXPECT_FALSE(FSOUND_IsPlaying(channel)) << channel;
    EXPECT_FALSE(FSOUND_3D_SetAttributes(channel, where, nullptr)) << channel;
  }
  EXPECT_FALSE(FSOUND_Reverb_SetProperties(nullptr));
}

TEST_F(FsoundOutputTest, HandlesFromBeforeAreStaleOnceTheirChannelOrLibraryMovesOn) {
  FSOUND_Close();
  ASSERT_TRUE(FSOUND_Init(44100, 1, 0));  // one channel: the second play takes it over
  FSOUND_SAMPLE* tone =
      FSOUND_Sample_Load(FSOUND_FREE, WaveOutput::WriteTone("stale.wav", 0.5f, 2.0f).c_str(),
                         FSOUND_LOOP_OFF, 0, 0);
  const int first = FSOUND_PlaySound(FSOUND_FREE, tone);
  const int second = FSOUND_PlaySound(FSOUND_FREE, tone);
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0);
  EXPECT_NE(first, second);
  EXPECT_FALSE(FSOUND_StopSound(first)) << "the old handle must not stop the new sound";
  EXPECT_TRUE(FSOUND_IsPlaying(second));

  FSOUND_Sample_Free(tone);
  EXPECT_FALSE(FSOUND_IsPlaying(second)) << "freeing a sample stops its channels";
  EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, tone), -1) << "a freed sample is gone";

  FSOUND_SAMPLE* kept =
      FSOUND_Sample_Load(FSOUND_FREE, (WaveOutput::Folder() + "/stale.wav").c_str(),
                         FSOUND_LOOP_OFF, 0, 0);
  FSOUND_Close();
  ASSERT_TRUE(FSOUND_Init(44100, 8, 0));
  EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, kept), -1) << "Close frees every sample";
  FSOUND_Sample_Free(kept);
  EXPECT_FALSE(FSOUND_SetVolume(second, 10));
}

TEST(FsoundClosedTest, EveryCallIsSafeBeforeInit) {
  const float where[3] = {0, 0, 0};
  EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, WaveOutput::WriteTone("early.wav", 0.1f, 0.1f).c_str(),
                               FSOUND_LOOP_OFF, 0, 0),
            nullptr);
  EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, nullptr), -1);
  EXPECT_FALSE(FSOUND_SetVolume(FSOUND_ALL, 10));
  EXPECT_FALSE(FSOUND_3D_SetAttributes(0, where, where));
  FSOUND_3D_Listener_SetAttributes(where, where, 0, 0, 1, 0, 1, 0);
  FSOUND_Update();
  EXPECT_FALSE(FSOUND_Reverb_SetProperties(&KOR::kRoomReverb));
  FSOUND_Close();
  FSOUND_Close();
}

}  // namespace

namespace {

// The sound classes over the real layer, as the game starts them.
TEST(SoundSystemOutputTest, TheGamesStartUpPlaysThroughTheWaveDevice) {
  KOR::SoundSystem* system = KOR::SoundSystem::Get();
  const std::vector<std::string> drivers = system->GetDriverNames();
  ASSERT_FALSE(drivers.empty());
  EXPECT_TRUE(system->SupportsHardware3D(drivers[0]));
  EXPECT_THROW(system->Init("No Such Card", 44100, 8, false), KOR::Exception);
  system->Init(drivers[0], 44100, 8, true);
  ASSERT_TRUE(system->IsHardware3D());
  system->SetReverb(KOR::kRoomReverb);
  system->SetListener({0, 0, 0}, {0, 0, 1}, {0, 1, 0});
  {
    // Missing files: empty handles whose channels are the error value, harmless to use.
    KOR::SoundStream lost;
    lost.Open("assets/no-such-music.mp3");
    KOR::SoundChannel lostMusic = lost.Play();
    EXPECT_EQ(lostMusic.GetChannel(), -1);
    lostMusic.SetVolume(0.6f);
    lostMusic.Stop();
    KOR::SoundSample missing;
    missing.Load(*system, "", true);
    missing.SetDistance(10.0f);
    KOR::SoundChannel none = missing.Play();
    EXPECT_EQ(none.GetChannel(), -1);
    none.SetPosition({1, 2, 3});

    KOR::SoundSample engine;
    engine.Load(*system, WaveOutput::WriteTone("engine.wav", 0.5f, 0.4f), true);
    ASSERT_TRUE(engine.IsLoaded());
    engine.SetDistance(1.0f);
    KOR::SoundChannel played = engine.Play();
    played.SetPosition({-2.0f, 0.0f, 0.0f});  // on the left
    played.SetVolume(1.5f);                    // held at full, not wrapped to silence
    system->Update();
    Sleep(0.6);
  }
  KOR::SoundSystem::Release();
  const Capture out = WaveOutput::Read();
  const double start = out.Onset(0.01);
  ASSERT_GE(start, 0.0);
  const double left = out.Rms(0, start + 0.1, start + 0.3);
  EXPECT_GT(left, 2.0 * out.Rms(1, start + 0.1, start + 0.3));
  EXPECT_NEAR(left, 0.354 / 2.0, 0.02) << "full volume at twice the minimum distance";
}

}  // namespace
