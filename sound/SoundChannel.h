#pragma once
// One playing sound, copied by value; a channel from a failed play is FMOD's error
// value and every call on it does nothing.

#include "sound/SoundSystem.h"

namespace KOR {

class SoundChannel {
public:
  SoundChannel() = default;
  SoundChannel(bool is3D, int channel) : is3D(is3D), channel(channel) {}

  // 1.0 is full volume; values outside 0..1 are held at the nearer end.
  void SetVolume(float volume);
  void SetPosition(const SoundVector& position);
  void Stop();

  bool Is3D() const { return is3D; }
  int GetChannel() const { return channel; }

private:
  bool is3D = false;
  int channel = -1;
};

}  // namespace KOR
