// Our sounds and music as the sound layer's decoders read them: 16-bit mono effects
// that are neither silent nor clipped, level music long enough to reach the boss, and
// loops that join without a step.

#include <cmath>
#include <vector>

#include <mpg123.h>
#include <sndfile.h>

#include "tests/content/ContentTestSupport.h"

namespace {

using ContentTest::Asset;

struct Pcm {
  int rate = 0, channels = 0;
  std::vector<float> samples;
};

Pcm ReadWav(const std::string& name, int* format) {
  SF_INFO info{};
  SNDFILE* file = sf_open(Asset(name).c_str(), SFM_READ, &info);
  Pcm pcm;
  if (!file) return pcm;
  pcm.rate = info.samplerate, pcm.channels = info.channels;
  *format = info.format;
  pcm.samples.resize(size_t(info.frames) * size_t(info.channels));
  sf_readf_float(file, pcm.samples.data(), info.frames);
  sf_close(file);
  return pcm;
}

Pcm ReadMp3(const std::string& name) {
  static const bool ready = mpg123_init() == MPG123_OK;
  Pcm pcm;
  if (!ready) return pcm;
  mpg123_handle* mh = mpg123_new(nullptr, nullptr);
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0);
  if (mpg123_open(mh, Asset(name).c_str()) == MPG123_OK) {
    long rate = 0;
    int channels = 0, encoding = 0;
    mpg123_getformat(mh, &rate, &channels, &encoding);
    mpg123_format_none(mh);
    mpg123_format(mh, rate, channels, MPG123_ENC_SIGNED_16);
    pcm.rate = int(rate), pcm.channels = channels;
    std::vector<short> buffer(8192);
    size_t done = 0;
    int result;
    do {
      result = mpg123_read(mh, reinterpret_cast<unsigned char*>(buffer.data()), buffer.size() * 2, &done);
      for (size_t i = 0; i < done / 2; ++i) pcm.samples.push_back(float(buffer[i]) / 32768.0f);
    } while (result == MPG123_OK || result == MPG123_NEW_FORMAT);
    mpg123_close(mh);
  }
  mpg123_delete(mh);
  return pcm;
}

float Peak(const std::vector<float>& s) {
  float p = 0;
  for (float v : s) p = std::max(p, std::fabs(v));
  return p;
}

float Rms(const std::vector<float>& s, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
  return float(std::sqrt(sum / double(std::max<size_t>(1, to - from))));
}

TEST(SoundContent, EffectsAre16BitMonoAndSoundWithoutClipping) {
  const std::pair<const char*, float> effects[] = {{"fire2.wav", 0.3f},   {"fire3.wav", 0.5f},  {"flames.wav", 1.5f},
                                                   {"explosion.wav", 2.5f}, {"choice1.wav", 0.3f}, {"choice2.wav", 1.0f}};
  for (auto [name, longest] : effects) {
    int format = 0;
    const Pcm pcm = ReadWav(name, &format);
    ASSERT_GT(pcm.rate, 0) << name;
    EXPECT_EQ(format, SF_FORMAT_WAV | SF_FORMAT_PCM_16) << name;
    EXPECT_EQ(pcm.channels, 1) << name;  // positional sounds must be mono
    const float seconds = float(pcm.samples.size()) / float(pcm.rate);
    EXPECT_GT(seconds, 0.05f) << name;
    EXPECT_LT(seconds, longest) << name;
    EXPECT_GT(Peak(pcm.samples), 0.5f) << name;
    EXPECT_LT(Peak(pcm.samples), 0.99f) << name;
    // It starts at once and ends in silence, so nothing clicks.
    EXPECT_GT(Rms(pcm.samples, 0, size_t(pcm.rate) / 50), 0.02f) << name;
    EXPECT_LT(std::fabs(pcm.samples.back()), 0.01f) << name;
  }
}

TEST(SoundContent, TheLevelMusicLastsUntilTheBossAndStaysSmall) {
  const Pcm action = ReadMp3("action.mp3");
  ASSERT_GT(action.rate, 0);
  const float seconds = float(action.samples.size()) / float(action.rate * action.channels);
  EXPECT_GE(seconds, 104.0f);
  EXPECT_LT(seconds, 130.0f);
  // Music all the way: every ten seconds up to the boss carry sound.
  for (int t = 0; t < 100; t += 10)
    EXPECT_GT(Rms(action.samples, size_t(t * action.rate), size_t((t + 10) * action.rate)), 0.05f) << t;
  for (const char* name : {"action.mp3", "boss.mp3", "menu.mp3"})
    EXPECT_LT(ContentTest::ReadBytes(Asset(name)).size(), 500u * 1024u) << name;
}

TEST(SoundContent, LoopsJoinWithoutAStep) {
  for (const char* name : {"boss.mp3", "menu.mp3"}) {
    const Pcm pcm = ReadMp3(name);
    ASSERT_GT(pcm.samples.size(), size_t(pcm.rate) * 10) << name;
    // The jump from the last sample back to the first is no bigger than the steps the
    // music makes anyway.
    std::vector<float> steps;
    for (size_t i = 1; i < pcm.samples.size(); ++i) steps.push_back(std::fabs(pcm.samples[i] - pcm.samples[i - 1]));
    std::sort(steps.begin(), steps.end());
    const float typical = steps[steps.size() * 99 / 100];
    EXPECT_LE(std::fabs(pcm.samples.front() - pcm.samples.back()), typical) << name;
    // And the music does not fade out or in at the seam.
    const size_t tenth = size_t(pcm.rate) / 10;
    EXPECT_GT(Rms(pcm.samples, 0, tenth), 0.05f) << name;
    EXPECT_GT(Rms(pcm.samples, pcm.samples.size() - tenth, pcm.samples.size()), 0.05f) << name;
  }
}

}  // namespace
