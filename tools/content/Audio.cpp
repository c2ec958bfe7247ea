#include "tools/content/Audio.h"

#include <algorithm>
#include <cmath>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>

#include <lame/lame.h>

#include "tools/content/Image.h"

namespace Content {

namespace {

constexpr float kTwoPi = float(2 * M_PI);

// A fixed-seed generator, so every build synthesises the same noise.
class Noise {
public:
  explicit Noise(uint32_t seed) : state(seed) {}
  float Next() {
    state = state * 1664525u + 1013904223u;
    return float(state >> 8) / float(1 << 23) - 1.0f;
  }

private:
  uint32_t state;
};

// Chamberlin state-variable filter: low, band and high outputs of one input.
struct Svf {
  float low = 0, band = 0;
  float Run(float in, float cutoff, float q, int rate, int mode) {
    const float f = 2.0f * std::sin(float(M_PI) * std::min(cutoff, float(rate) * 0.2f) / float(rate));
    low += f * band;
    const float high = in - low - q * band;
    band += f * high;
    return mode == 0 ? low : (mode == 1 ? band : high);
  }
};

float Saw(float phase) { return 2.0f * (phase - std::floor(phase)) - 1.0f; }
float Square(float phase, float width = 0.5f) { return (phase - std::floor(phase)) < width ? 1.0f : -1.0f; }

void Normalise(std::vector<float>& s, float peak) {
  float m = 1e-6f;
  for (float v : s) m = std::max(m, std::fabs(v));
  for (float& v : s) v *= peak / m;
}

// Fades the last milliseconds so a one-shot never ends on a step.
void FadeTail(std::vector<float>& s, int rate, float seconds) {
  const size_t n = std::min(s.size(), size_t(seconds * float(rate)));
  for (size_t i = 0; i < n; ++i) s[s.size() - 1 - i] *= float(i) / float(n);
}

std::vector<float> Shot(float seconds, float f0, float f1, float noiseAmount, float drive, uint32_t seed) {
  const int n = int(seconds * kSampleRate);
  std::vector<float> s(size_t(n), 0.0f);
  Noise noise(seed);
  Svf filter;
  float phase = 0;
  for (int i = 0; i < n; ++i) {
    const float t = float(i) / kSampleRate, k = t / seconds;
    const float f = f1 + (f0 - f1) * std::exp(-k * 6);
    phase += f / kSampleRate;
    const float env = std::exp(-k * 5) * std::min(1.0f, t * 2000);
    float v = Square(phase, 0.3f) * 0.6f + Saw(phase * 0.5f) * 0.4f;
    v += noise.Next() * noiseAmount * std::exp(-k * 12);
    v = filter.Run(v, 600 + 5000 * std::exp(-k * 4), 0.7f, kSampleRate, 0);
    s[size_t(i)] = std::tanh(v * drive) * env;
  }
  FadeTail(s, kSampleRate, 0.01f);
  Normalise(s, 0.8f);
  return s;
}

std::vector<float> Explosion() {
  const float seconds = 1.8f;
  const int n = int(seconds * kSampleRate);
  std::vector<float> s(static_cast<size_t>(n));
  Noise noise(7);
  Svf low, crackle;
  float phase = 0;
  for (int i = 0; i < n; ++i) {
    const float t = float(i) / kSampleRate;
    const float body = low.Run(noise.Next(), 180 + 3500 * std::exp(-t * 5), 0.5f, kSampleRate, 0);
    phase += (30 + 60 * std::exp(-t * 8)) / kSampleRate;
    const float thump = std::sin(kTwoPi * phase) * std::exp(-t * 6);
    float c = noise.Next();
    c = (std::fabs(c) > 0.985f ? c : 0.0f) * std::exp(-t * 3);
    const float crack = crackle.Run(c, 2500, 0.4f, kSampleRate, 1);
    const float env = std::min(1.0f, t * 400) * std::exp(-t * 2.2f);
    s[size_t(i)] = std::tanh((body * 1.6f + thump * 1.2f) * env * 1.5f + crack * 2.0f);
  }
  FadeTail(s, kSampleRate, 0.05f);
  Normalise(s, 0.9f);
  return s;
}

std::vector<float> Flames() {
  const float seconds = 1.1f;
  const int n = int(seconds * kSampleRate);
  std::vector<float> s(static_cast<size_t>(n));
  Noise noise(11);
  Svf band, rumble;
  for (int i = 0; i < n; ++i) {
    const float t = float(i) / kSampleRate;
    const float roar = band.Run(noise.Next(), 400 + 2200 * t, 0.35f, kSampleRate, 1);
    const float low = rumble.Run(noise.Next(), 120, 0.6f, kSampleRate, 0);
    const float env = std::min(1.0f, t * 30) * std::exp(-t * 2.0f);
    s[size_t(i)] = (roar * 1.5f + low * 2.5f) * env;
  }
  FadeTail(s, kSampleRate, 0.05f);
  Normalise(s, 0.8f);
  return s;
}

std::vector<float> Chime(const std::vector<float>& notes, float step, float decay, float seconds) {
  const int n = int(seconds * kSampleRate);
  std::vector<float> s(size_t(n), 0.0f);
  for (size_t k = 0; k < notes.size(); ++k) {
    const int start = int(float(k) * step * kSampleRate);
    for (int i = start; i < n; ++i) {
      const float t = float(i - start) / kSampleRate;
      const float env = std::min(1.0f, t * 800) * std::exp(-t * decay);
      s[size_t(i)] += (std::sin(kTwoPi * notes[k] * t) + 0.3f * std::sin(kTwoPi * notes[k] * 2 * t)) * env;
    }
  }
  FadeTail(s, kSampleRate, 0.01f);
  Normalise(s, 0.7f);
  return s;
}

}  // namespace

std::vector<uint8_t> Wav(const std::vector<float>& samples, int rate) {
  std::vector<uint8_t> out;
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(v >> (8 * i)));
  };
  const uint32_t data = uint32_t(samples.size() * 2);
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  put(36 + data, 4);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put(16, 4), put(1, 2), put(1, 2), put(uint32_t(rate), 4), put(uint32_t(rate) * 2, 4), put(2, 2), put(16, 2);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  put(data, 4);
  for (float v : samples) put(uint32_t(uint16_t(int16_t(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f)))), 2);
  return out;
}

std::vector<NamedFile> SoundEffects() {
  return {{"fire2.wav", Wav(Shot(0.14f, 1500, 320, 0.3f, 1.5f, 3), kSampleRate)},
          {"fire3.wav", Wav(Shot(0.3f, 700, 90, 0.8f, 2.5f, 4), kSampleRate)},
          {"flames.wav", Wav(Flames(), kSampleRate)},
          {"explosion.wav", Wav(Explosion(), kSampleRate)},
          {"choice1.wav", Wav(Chime({880, 1320}, 0.04f, 30, 0.12f), kSampleRate)},
          {"choice2.wav", Wav(Chime({1046.5f, 1318.5f, 1568.0f, 2093.0f}, 0.06f, 9, 0.6f), kSampleRate)}};
}

Song ParseSong(const std::string& text) {
  Song song;
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& why) {
    throw std::runtime_error("song line " + std::to_string(number) + ": " + why);
  };
  while (std::getline(lines, line)) {
    ++number;
    // A comment starts with a # of its own; the # of a sharp note follows its letter.
    for (size_t i = 0; i < line.size(); ++i)
      if (line[i] == '#' && (i == 0 || std::isspace(static_cast<unsigned char>(line[i - 1])))) {
        line.erase(i);
        break;
      }
    std::istringstream words(line);
    std::string word;
    if (!(words >> word)) continue;
    if (word == "tempo") {
      if (!(words >> song.tempo) || song.tempo <= 0) fail("tempo needs beats per minute");
    } else if (word == "bars") {
      if (!(words >> song.bars) || song.bars <= 0) fail("bars needs a count");
    } else if (word == "loop") {
      song.loop = true;
    } else if (word == "pattern") {
      song.patterns.push_back({});
      if (!(words >> song.patterns.back().name)) fail("pattern needs a name");
    } else if (word == "play") {
      Song::Play play;
      if (!(words >> play.from >> play.to) || play.from < 1 || play.to < play.from) fail("play needs FROM TO");
      while (words >> word) play.patterns.push_back(word);
      song.arrangement.push_back(play);
    } else {
      if (song.patterns.empty()) fail("a track outside a pattern");
      Song::Track track{word, {}};
      while (words >> word) track.steps.push_back(word);
      if (track.steps.empty() || track.steps.size() % 16 != 0) fail("a track needs 16 steps per bar");
      song.patterns.back().tracks.push_back(track);
    }
  }
  for (const Song::Play& play : song.arrangement) {
    if (play.to > song.bars) fail("play beyond the song's bars");
    for (const std::string& name : play.patterns)
      if (std::none_of(song.patterns.begin(), song.patterns.end(), [&](auto& p) { return p.name == name; }))
        fail("unknown pattern " + name);
  }
  return song;
}

namespace {

// C4 = 60; names like C3, F#2, Bb4.
float NoteFrequency(const std::string& name) {
  static const std::map<char, int> base = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5}, {'G', 7}, {'A', 9}, {'B', 11}};
  auto letter = base.find(char(std::toupper(name[0])));
  if (letter == base.end()) throw std::runtime_error("not a note: " + name);
  size_t i = 1;
  int semitone = letter->second;
  if (i < name.size() && name[i] == '#') semitone += 1, ++i;
  if (i < name.size() && name[i] == 'b') semitone -= 1, ++i;
  if (i >= name.size()) throw std::runtime_error("note without octave: " + name);
  const int octave = std::stoi(name.substr(i));
  const int midi = 12 * (octave + 1) + semitone;
  return 440.0f * std::pow(2.0f, float(midi - 69) / 12.0f);
}

// Adds one note of an instrument into out at start (wrapping for loops).
void Voice(std::vector<float>& out, bool wrap, const std::string& instrument, float freq, size_t start,
           float seconds, float accent, int rate, uint32_t seed) {
  Noise noise(seed);
  Svf filter;
  float phase = 0, phase2 = 0;
  const float tail = instrument == "lead" ? 0.25f : (instrument == "kick" ? 0.35f : 0.15f);
  const size_t n = size_t((seconds + tail) * float(rate));
  for (size_t i = 0; i < n; ++i) {
    const float t = float(i) / float(rate);
    const float release = t < seconds ? 1.0f : std::exp(-(t - seconds) * 25);
    float v = 0;
    if (instrument == "bass") {
      phase += freq / float(rate);
      const float raw = Saw(phase) * 0.7f + Square(phase * 0.5f) * 0.3f;
      v = filter.Run(raw, 200 + 1800 * std::exp(-t * 14) * accent, 0.4f, rate, 0) * 0.9f;
      v *= std::min(1.0f, t * 400) * release;
    } else if (instrument == "lead") {
      const float vibrato = 1.0f + 0.006f * std::sin(kTwoPi * 5.5f * t) * std::min(1.0f, t * 3);
      phase += freq * vibrato / float(rate);
      phase2 += freq * 1.004f / float(rate);
      const float raw = Square(phase, 0.25f) * 0.5f + Saw(phase2) * 0.5f;
      v = filter.Run(raw, 1200 + 2500 * std::exp(-t * 4), 0.6f, rate, 0) * 0.45f;
      v *= std::min(1.0f, t * 150) * (0.8f + 0.2f * std::exp(-t * 3)) * release;
    } else if (instrument == "arp") {
      phase += freq / float(rate);
      v = Square(phase, 0.5f) * 0.22f * std::exp(-t * 18) * release;
      v = filter.Run(v, 2500, 0.5f, rate, 0);
    } else if (instrument == "pad") {
      for (float d : {0.997f, 1.0f, 1.003f, 2.0f}) v += Saw(freq * d * t + d);
      v = filter.Run(v * 0.12f, 900, 0.8f, rate, 0);
      v *= std::min(1.0f, t * 4) * release;
    } else if (instrument == "kick") {
      phase += (45 + 110 * std::exp(-t * 30)) / float(rate);
      v = std::sin(kTwoPi * phase) * std::exp(-t * 9) * 1.1f * accent;
    } else if (instrument == "snare") {
      phase += 190.0f / float(rate);
      v = (filter.Run(noise.Next(), 3500, 0.5f, rate, 1) * 1.3f * std::exp(-t * 18) +
           std::sin(kTwoPi * phase) * 0.5f * std::exp(-t * 30)) * 0.7f * accent;
    } else if (instrument == "hat") {
      v = filter.Run(noise.Next(), 7000, 0.3f, rate, 2) * std::exp(-t * (accent > 1 ? 12 : 45)) * 0.35f;
    } else if (instrument == "crash") {
      v = filter.Run(noise.Next(), 5000, 0.2f, rate, 2) * std::exp(-t * 2.5f) * 0.35f;
    } else {
      throw std::runtime_error("unknown instrument " + instrument);
    }
    size_t at = start + i;
    if (at >= out.size()) {
      if (!wrap) break;
      at %= out.size();
    }
    out[at] += v;
  }
}

bool IsDrum(const std::string& instrument) {
  return instrument == "kick" || instrument == "snare" || instrument == "hat" || instrument == "crash";
}

}  // namespace

std::vector<float> RenderSong(const Song& song, int rate) {
  const float stepSeconds = 60.0f / song.tempo / 4.0f;
  const size_t barSamples = size_t(std::lround(stepSeconds * 16 * float(rate)));
  std::vector<float> out(barSamples * size_t(song.bars) + (song.loop ? 0 : size_t(2 * rate)), 0.0f);
  uint32_t seed = 1;
  for (const Song::Play& play : song.arrangement)
    for (int bar = play.from; bar <= play.to; ++bar)
      for (const std::string& name : play.patterns) {
        const Song::Pattern& pattern =
            *std::find_if(song.patterns.begin(), song.patterns.end(), [&](auto& p) { return p.name == name; });
        for (const Song::Track& track : pattern.tracks) {
          // A pattern longer than a bar plays its bars in turn.
          const size_t barsInTrack = track.steps.size() / 16;
          const size_t first = size_t((bar - play.from) % int(barsInTrack)) * 16;
          for (size_t s = 0; s < 16; ++s) {
            const std::string& step = track.steps[first + s];
            if (step == "." || step == "-") continue;
            const size_t start = size_t(bar - 1) * barSamples + size_t(std::lround(float(s) * stepSeconds * float(rate)));
            if (IsDrum(track.instrument)) {
              Voice(out, song.loop, track.instrument, 0, start, stepSeconds, step == "o" ? 1.3f : 1.0f, rate, ++seed);
              continue;
            }
            size_t length = 1;
            while (first + s + length < first + 16 && track.steps[first + s + length] == "-") ++length;
            Voice(out, song.loop, track.instrument, NoteFrequency(step), start, float(length) * stepSeconds * 0.9f, 1.0f,
                  rate, ++seed);
          }
        }
      }
  // An echo on the whole mix, three-sixteenths behind, wrapping for loops.
  const size_t delay = size_t(std::lround(stepSeconds * 3 * float(rate)));
  std::vector<float> wet(out.size(), 0.0f);
  for (size_t pass = 0; pass < (song.loop ? 2u : 1u); ++pass)
    for (size_t i = 0; i < out.size(); ++i) {
      const size_t from = i >= delay ? i - delay : (song.loop ? i + out.size() - delay : out.size());
      if (from < out.size()) wet[i] = (out[from] + wet[from]) * 0.3f;
    }
  for (size_t i = 0; i < out.size(); ++i) out[i] = std::tanh((out[i] + wet[i]) * 0.9f);
  if (!song.loop) FadeTail(out, rate, 2.0f);
  Normalise(out, 0.85f);
  return out;
}

std::vector<uint8_t> EncodeMp3(const std::vector<float>& samples, int rate, int kbps) {
  std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> owner(lame_init(), lame_close);
  lame_global_flags* lame = owner.get();
  if (!lame) throw std::runtime_error("LAME cannot start");
  lame_set_num_channels(lame, 1);
  lame_set_in_samplerate(lame, rate);
  lame_set_out_samplerate(lame, rate);
  lame_set_mode(lame, MONO);
  lame_set_brate(lame, kbps);
  lame_set_quality(lame, 5);
  lame_set_bWriteVbrTag(lame, 1);  // the Info frame carries the delay and padding
  lame_set_write_id3tag_automatic(lame, 0);
  if (lame_init_params(lame) < 0) throw std::runtime_error("LAME refused the settings");
  std::vector<short> pcm(samples.size());
  for (size_t i = 0; i < samples.size(); ++i) pcm[i] = short(std::lround(std::clamp(samples[i], -1.0f, 1.0f) * 32767));
  std::vector<uint8_t> out(pcm.size() * 5 / 4 + 7200 * 2);
  int written = lame_encode_buffer(lame, pcm.data(), pcm.data(), int(pcm.size()), out.data(), int(out.size()));
  if (written < 0) throw std::runtime_error("LAME failed to encode");
  const int flushed = lame_encode_flush(lame, out.data() + written, int(out.size()) - written);
  if (flushed < 0) throw std::runtime_error("LAME failed to flush");
  out.resize(size_t(written + flushed));
  // The first frame was left blank for the Info tag; it is complete only now.
  std::vector<uint8_t> tag(4096);
  const size_t tagSize = lame_get_lametag_frame(lame, tag.data(), tag.size());
  if (tagSize > 0 && tagSize <= out.size()) std::memcpy(out.data(), tag.data(), tagSize);
  return out;
}

}  // namespace Content
