#pragma once
// A loaded sound effect, 3D when both the caller and the system's hardware allow it.

#include "sound/SoundChannel.h"

#include <string>

typedef struct FSOUND_SAMPLE FSOUND_SAMPLE;

namespace KOR {

class SoundSystem;

class SoundSample {
public:
  SoundSample() = default;
  ~SoundSample();
  SoundSample(const SoundSample&) = delete;
  SoundSample& operator=(const SoundSample&) = delete;

  // A failed load leaves the sample empty; playing it then gives the error channel.
  void Load(const SoundSystem& system, const std::string& fileName, bool want3D);
  // Full volume up to minDistance, fading to 4 x minDistance (3D samples only).
  void SetDistance(float minDistance);
  SoundChannel Play();

  bool Is3D() const { return is3D; }
  bool IsLoaded() const { return sample != nullptr; }

private:
  bool is3D = false;
  FSOUND_SAMPLE* sample = nullptr;
};

}  // namespace KOR
