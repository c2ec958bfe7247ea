#pragma once
// A recording FSOUND: every call the sound classes make is written down as text,
// and the drivers and their capabilities are whatever the test says.

#include "platform/fmod/Fmod.h"

#include <string>
#include <vector>

struct FakeFsound {
  std::vector<std::string> calls;
  std::vector<std::string> drivers;
  std::vector<unsigned int> caps;  // per driver
  std::vector<FSOUND_REVERB_PROPERTIES> reverbs;
  int nextChannel = 7;

  void Reset() { *this = FakeFsound{}; }
  // The calls whose text starts with prefix.
  std::vector<std::string> Calls(const std::string& prefix) const;
};

FakeFsound& Fake();

// A file name the fake refuses to load or open, as a missing file would be.
inline const char* const kMissingFile = "missing.wav";
