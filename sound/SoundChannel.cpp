#include "sound/SoundChannel.h"

#include "platform/fmod/Fmod.h"

#include <cmath>

namespace KOR {

void SoundChannel::SetVolume(float volume) {
  // Clamped first: the 8-bit library volume would otherwise wrap 1.004 and up to silence.
  const float held = std::isnan(volume) ? 0.0f : std::fmin(std::fmax(volume, 0.0f), 1.0f);
  FSOUND_SetVolume(channel, static_cast<int>(held * 255.0f) & 0xFF);
}

void SoundChannel::SetPosition(const SoundVector& position) {
  if (!is3D)
    return;
  const float where[3] = {position.x, position.y, position.z};
  const float still[3] = {0.0f, 0.0f, 0.0f};
  FSOUND_3D_SetAttributes(channel, where, still);
}

void SoundChannel::Stop() { FSOUND_StopSound(channel); }

}  // namespace KOR
