// The sound classes against a recording FSOUND: which library calls each operation
// makes, with which arguments, and what it throws.

#include "core/Exception.h"
#include "sound/ReverbPresets.h"
#include "sound/SoundSample.h"
#include "sound/SoundStream.h"
#include "sound/SoundSystem.h"
#include "tests/sound/FakeFsound.h"

#include <gtest/gtest.h>

#include <cmath>

using KOR::SoundChannel;
using KOR::SoundSample;
using KOR::SoundStream;
using KOR::SoundSystem;
using Calls = std::vector<std::string>;

namespace {

constexpr unsigned int kHardwareEax2 = FSOUND_CAPS_HARDWARE | FSOUND_CAPS_EAX2;

class SoundSystemTest : public testing::Test {
protected:
  void SetUp() override {
    Fake().Reset();
    Fake().drivers = {"Primary", "Headphones", "Wave File Writer"};
    Fake().caps = {0, kHardwareEax2, FSOUND_CAPS_HARDWARE};
  }
  void TearDown() override { SoundSystem::Release(); }

  // A system initialised on a driver, the calls so far forgotten.
  SoundSystem* Started(const std::string& driver, bool want3D) {
    SoundSystem* system = SoundSystem::Get();
    system->Init(driver, 44100, 8, want3D);
    Fake().calls.clear();
    return system;
  }
};

void ExpectDriverNotFound(const KOR::Exception& e, const std::string& description) {
  EXPECT_EQ(e.GetModule(), "KORSound (SoundSystem)");
  EXPECT_EQ(e.GetError(), "Driver not found");
  EXPECT_EQ(e.GetDescription(), description);
}

TEST_F(SoundSystemTest, GetCreatesOnceWithDirectSoundAndReleaseClosesTheLibrary) {
  SoundSystem* first = SoundSystem::Get();
  EXPECT_EQ(SoundSystem::Get(), first);
  EXPECT_EQ(Fake().calls, (Calls{"SetOutput(2)"}));
  EXPECT_FALSE(first->IsHardware3D());

  SoundSystem::Release();
  EXPECT_EQ(Fake().calls.back(), "Close()");
  Fake().calls.clear();
  SoundSystem::Get();
  EXPECT_EQ(Fake().calls, (Calls{"SetOutput(2)"}));
}

TEST_F(SoundSystemTest, DriverNamesComeInDriverOrder) {
  EXPECT_EQ(SoundSystem::Get()->GetDriverNames(),
            (Calls{"Primary", "Headphones", "Wave File Writer"}));
}

TEST_F(SoundSystemTest, EmptyDriverNameInitialisesDriverZeroWithoutReadingNames) {
  SoundSystem* system = SoundSystem::Get();
  Fake().calls.clear();
  system->Init("", 44100, 8, false);
  EXPECT_EQ(Fake().calls, (Calls{"SetDriver(0)", "SetMixer(0)", "Init(44100,8,0)"}));
  EXPECT_TRUE(Fake().Calls("GetDriverName").empty());
}

TEST_F(SoundSystemTest, DriverNameSelectsTheFirstExactMatch) {
  SoundSystem* system = SoundSystem::Get();
  system->Init("Wave File Writer", 22050, 16, false);
  EXPECT_EQ(Fake().Calls("SetDriver"), (Calls{"SetDriver(2)"}));
  EXPECT_EQ(Fake().Calls("Init"), (Calls{"Init(22050,16,0)"}));
}

TEST_F(SoundSystemTest, UnknownDriverNamesThrowAndDoNotStartTheLibrary) {
  SoundSystem* system = SoundSystem::Get();
  try {
    system->Init("primary", 44100, 8, false);  // the match is case-sensitive
    FAIL() << "no exception";
  } catch (const KOR::Exception& e) {
    ExpectDriverNotFound(
        e, "The driver requested to initialize the sound system is not a valid drivers");
  }
  try {
    system->SupportsHardware3D("Speakers");
    FAIL() << "no exception";
  } catch (const KOR::Exception& e) {
    ExpectDriverNotFound(e, "The driver requested is not a valid drivers");
  }
  // With 3D wanted, the capability check is the one that fails first.
  try {
    system->Init("Speakers", 44100, 8, true);
    FAIL() << "no exception";
  } catch (const KOR::Exception& e) {
    ExpectDriverNotFound(e, "The driver requested is not a valid drivers");
  }
  Fake().drivers.clear();
  EXPECT_THROW(system->Init("Primary", 44100, 8, false), KOR::Exception);
  EXPECT_TRUE(Fake().Calls("Init").empty());
  EXPECT_TRUE(Fake().Calls("SetDriver").empty());
}

TEST_F(SoundSystemTest, Hardware3DNeedsHardwareMixingAndEax2OrEax3) {
  SoundSystem* system = SoundSystem::Get();
  EXPECT_FALSE(system->SupportsHardware3D(""));  // driver 0 has no capabilities
  EXPECT_EQ(Fake().Calls("GetDriverCaps"), (Calls{"GetDriverCaps(0)"}));
  EXPECT_TRUE(system->SupportsHardware3D("Headphones"));
  EXPECT_FALSE(system->SupportsHardware3D("Wave File Writer"));  // hardware without EAX
  Fake().caps = {FSOUND_CAPS_HARDWARE | FSOUND_CAPS_EAX3, FSOUND_CAPS_EAX2};
  EXPECT_TRUE(system->SupportsHardware3D("Primary"));
  EXPECT_FALSE(system->SupportsHardware3D("Headphones"));  // EAX in software only
}

TEST_F(SoundSystemTest, WithoutHardware3DEveryThreeDFeatureDoesNothing) {
  SoundSystem* system = Started("Wave File Writer", true);
  EXPECT_FALSE(system->IsHardware3D());

  SoundSample sample;
  sample.Load(*system, "hit.wav", true);
  EXPECT_FALSE(sample.Is3D());
  sample.SetDistance(10.0f);
  SoundChannel channel = sample.Play();
  EXPECT_FALSE(channel.Is3D());
  channel.SetPosition({1.0f, 2.0f, 3.0f});
  system->SetListener({0, 0, 0}, {0, 0, 1}, {0, 1, 0});
  system->SetReverb(KOR::kRoomReverb);
  system->Update();

  EXPECT_EQ(Fake().Calls("Sample_Load"), (Calls{"Sample_Load(-1,'hit.wav',1,0,0)"}));
  for (const char* call :
       {"3D_", "Reverb_", "Update", "Sample_SetMinMaxDistance"})
    EXPECT_TRUE(Fake().Calls(call).empty()) << call;
}

TEST_F(SoundSystemTest, WithHardware3DTheListenerReverbAndUpdateReachTheLibrary) {
  SoundSystem* system = Started("Headphones", true);
  ASSERT_TRUE(system->IsHardware3D());

  system->SetListener({1, 2, 3}, {0, 0, 1}, {0, 1, 0});
  system->SetReverb(KOR::kAuditoriumReverb);
  system->Update();
  EXPECT_EQ(Fake().calls, (Calls{"3D_Listener_SetAttributes(1 2 3,0 0 0,0,0,1,0,1,0)",
                                 "Reverb_SetProperties(6)", "Update()"}));
  ASSERT_EQ(Fake().reverbs.size(), 1u);
  EXPECT_EQ(Fake().reverbs[0].DecayTime, 4.32f);
  EXPECT_EQ(Fake().reverbs[0].Reverb, -289);
}

TEST_F(SoundSystemTest, ThreeDSampleLoadsInHardwarePlaysAtTheOriginAndTakesItsDistance) {
  SoundSystem* system = Started("Headphones", true);
  SoundSample sample;
  sample.Load(*system, "engine.wav", true);
  EXPECT_TRUE(sample.Is3D());
  sample.SetDistance(10.0f);
  SoundChannel channel = sample.Play();
  EXPECT_TRUE(channel.Is3D());
  EXPECT_EQ(channel.GetChannel(), 7);
  EXPECT_EQ(Fake().calls,
            (Calls{"Sample_Load(-1,'engine.wav',4097,0,0)",
                   "Sample_SetMinMaxDistance(handle,10,40)", "PlaySound(-1,handle)",
                   "SetPaused(7,0)", "SetVolume(7,256)", "3D_SetAttributes(7,0 0 0,0 0 0)"}));

  // A 3D sample stays 3D when loaded again without 3D.
  sample.Load(*system, "engine.wav", false);
  EXPECT_TRUE(sample.Is3D());
}

TEST_F(SoundSystemTest, TwoDSampleOnAThreeDSystemPlaysWithoutPosition) {
  SoundSystem* system = Started("Headphones", true);
  SoundSample sample;
  sample.Load(*system, "menu.wav", false);
  SoundChannel channel = sample.Play();
  channel.SetPosition({5, 5, 5});
  EXPECT_FALSE(channel.Is3D());
  EXPECT_TRUE(Fake().Calls("3D_").empty());
  EXPECT_EQ(Fake().Calls("Sample_Load"), (Calls{"Sample_Load(-1,'menu.wav',1,0,0)"}));
}

TEST_F(SoundSystemTest, VolumeIsScaledTo255AndHeldInsideTheRange) {
  const std::pair<float, int> cases[] = {
      {0.6f, 153}, {1.0f, 255}, {0.5f, 127}, {0.0f, 0},
      {1.004f, 255},  // would wrap to 0 if only the low 8 bits of 256 were kept
      {1.5f, 255},    {-0.25f, 0}, {NAN, 0}};
  for (const auto& [volume, sent] : cases) {
    Fake().calls.clear();
    SoundChannel(false, 3).SetVolume(volume);
    EXPECT_EQ(Fake().calls, (Calls{"SetVolume(3," + std::to_string(sent) + ")"})) << volume;
  }
}

TEST_F(SoundSystemTest, StreamOpensOnceThroughLoopsAndPlaysAt2D) {
  Started("", false);
  {
    SoundStream stream;
    stream.Open("assets/action.mp3");
    stream.SetLoop(true);
    stream.SetLoop(false);
    SoundChannel channel = stream.Play();
    EXPECT_FALSE(channel.Is3D());
    channel.SetVolume(0.6f);
    channel.Stop();
  }
  EXPECT_EQ(Fake().calls,
            (Calls{"Stream_Open('assets/action.mp3',1,0,0)", "Stream_SetMode(handle,2)",
                   "Stream_SetMode(handle,1)", "Stream_Play(-1,handle)", "SetPaused(7,0)",
                   "SetVolume(7,256)", "SetVolume(7,153)", "StopSound(7)",
                   "Stream_Close(handle)"}));
}

TEST_F(SoundSystemTest, MissingFilesGiveEmptyHandlesAndTheErrorChannel) {
  SoundSystem* system = Started("Headphones", true);
  SoundSample sample;
  sample.Load(*system, kMissingFile, true);
  EXPECT_FALSE(sample.IsLoaded());
  SoundChannel played = sample.Play();
  EXPECT_EQ(played.GetChannel(), -1);

  SoundStream stream;
  stream.Open(kMissingFile);
  EXPECT_FALSE(stream.IsOpen());
  EXPECT_EQ(stream.Play().GetChannel(), -1);

  SoundSample empty;
  empty.Load(*system, "", false);  // passed on as an empty string
  EXPECT_EQ(Fake().Calls("Sample_Load").back(), "Sample_Load(-1,'',1,0,0)");
}

TEST_F(SoundSystemTest, LoadingAgainFreesTheSampleBefore) {
  SoundSystem* system = Started("", false);
  {
    SoundSample sample;
    sample.Load(*system, "a.wav", false);
    sample.Load(*system, "b.wav", false);
  }
  EXPECT_EQ(Fake().Calls("Sample_"),
            (Calls{"Sample_Load(-1,'a.wav',1,0,0)", "Sample_Free(handle)",
                   "Sample_Load(-1,'b.wav',1,0,0)", "Sample_Free(handle)"}));
}

}  // namespace
