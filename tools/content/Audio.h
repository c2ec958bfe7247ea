#pragma once
// Our sounds and music: effects synthesised from oscillators, noise, envelopes and
// filters, written as 16-bit WAV; songs played by a small step sequencer (bass, lead,
// arpeggio, drums) from their text sources and encoded to MP3 with LAME.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/content/Textures.h"

namespace Content {

constexpr int kSampleRate = 22050;

std::vector<uint8_t> Wav(const std::vector<float>& samples, int rate);
std::vector<NamedFile> SoundEffects();

// A song: tempo, patterns of 16 steps per bar, and which patterns play in which bars.
struct Song {
  float tempo = 120;
  int bars = 0;
  bool loop = false;  // a loop wraps its echoes and note tails onto its start
  struct Track {
    std::string instrument;
    std::vector<std::string> steps;  // 16 per bar: a note (C#3), "." rest, "-" hold, or a drum hit x / o
  };
  struct Pattern {
    std::string name;
    std::vector<Track> tracks;
  };
  std::vector<Pattern> patterns;
  struct Play {
    int from, to;  // bars, counted from 1, inclusive
    std::vector<std::string> patterns;
  };
  std::vector<Play> arrangement;
};

// Reads a song source; throws std::runtime_error naming the line on a mistake.
Song ParseSong(const std::string& text);
std::vector<float> RenderSong(const Song& song, int rate);
// CBR MP3 with the encoder's delay and padding recorded, so decoders trim them and a
// looped song joins without a gap.
std::vector<uint8_t> EncodeMp3(const std::vector<float>& samples, int rate, int kbps);

}  // namespace Content
