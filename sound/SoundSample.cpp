#include "sound/SoundSample.h"

#include "platform/fmod/Fmod.h"
#include "sound/SoundSystem.h"

namespace KOR {

SoundSample::~SoundSample() { FSOUND_Sample_Free(sample); }

void SoundSample::Load(const SoundSystem& system, const std::string& fileName, bool want3D) {
  if (want3D && system.IsHardware3D())
    is3D = true;
  const unsigned int mode = is3D ? FSOUND_HW3D | FSOUND_LOOP_OFF : FSOUND_LOOP_OFF;
  // A second load replaces the first rather than leaking it.
  if (sample)
    FSOUND_Sample_Free(sample);
  sample = FSOUND_Sample_Load(FSOUND_FREE, fileName.c_str(), mode, 0, 0);
}

void SoundSample::SetDistance(float minDistance) {
  if (is3D)
    FSOUND_Sample_SetMinMaxDistance(sample, minDistance, 4.0f * minDistance);
}

SoundChannel SoundSample::Play() {
  const int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
  FSOUND_SetPaused(channel, FALSE);
  FSOUND_SetVolume(channel, 256);
  SoundChannel played(is3D, channel);
  played.SetPosition(SoundVector{0.0f, 0.0f, 0.0f});
  return played;
}

}  // namespace KOR
