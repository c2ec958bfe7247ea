#include "tests/sound/WaveOutput.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace WaveOutput {

namespace {
std::string folder;
}

void Configure() {
  if (!folder.empty())
    return;
  char pattern[] = "/tmp/kor-sound-XXXXXX";
  folder = mkdtemp(pattern);
  const std::string config = folder + "/alsoft.conf";
  std::ofstream(config) << "[general]\nchannels = stereo\nfrequency = 44100\nhrtf = false\n"
                        << "[wave]\nfile = " << folder << "/out.wav\n";
  setenv("ALSOFT_CONF", config.c_str(), 1);
  setenv("ALSOFT_DRIVERS", "wave", 1);
}

const std::string& Folder() { return folder; }

std::string WriteTone(const std::string& name, float amplitude, float seconds, float frequency) {
  const std::string path = folder + "/" + name;
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  const size_t frames = static_cast<size_t>(seconds * info.samplerate);
  std::vector<float> pcm(frames);
  for (size_t i = 0; i < frames; ++i)
    pcm[i] = frequency > 0 ? amplitude * std::sin(2.0 * M_PI * frequency * i / info.samplerate)
                           : amplitude;
  sf_writef_float(file, pcm.data(), static_cast<sf_count_t>(frames));
  sf_close(file);
  return path;
}

double Capture::Rms(int channel, double from, double to) const {
  const size_t begin = static_cast<size_t>(std::max(0.0, from) * rate);
  const size_t end = std::min(left.size(), static_cast<size_t>(to * rate));
  if (end <= begin)
    return 0.0;
  double sum = 0.0;
  for (size_t i = begin; i < end; ++i) {
    const double l = left[i], r = right[i];
    sum += channel == 0 ? l * l : channel == 1 ? r * r : (l * l + r * r) / 2.0;
  }
  return std::sqrt(sum / double(end - begin));
}

double Capture::Onset(double level, double after) const {
  for (size_t i = static_cast<size_t>(after * rate); i < left.size(); ++i)
    if (std::fabs(left[i]) > level || std::fabs(right[i]) > level)
      return double(i) / rate;
  return -1.0;
}

Capture Read() {
  Capture capture;
  SF_INFO info{};
  SNDFILE* file = sf_open((folder + "/out.wav").c_str(), SFM_READ, &info);
  if (!file)
    return capture;
  std::vector<float> frames(static_cast<size_t>(info.frames) * info.channels);
  sf_readf_float(file, frames.data(), info.frames);
  sf_close(file);
  capture.rate = info.samplerate;
  for (size_t i = 0; i + info.channels <= frames.size(); i += info.channels) {
    capture.left.push_back(frames[i]);
    capture.right.push_back(info.channels > 1 ? frames[i + 1] : frames[i]);
  }
  return capture;
}

void Sleep(double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

namespace {
// Before any test, so before the first OpenAL call.
const bool configured = (Configure(), true);
}  // namespace

}  // namespace WaveOutput
