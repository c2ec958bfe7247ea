#include "sound/SoundStream.h"

#include "platform/fmod/Fmod.h"

namespace KOR {

SoundStream::~SoundStream() { FSOUND_Stream_Close(stream); }

void SoundStream::Open(const std::string& fileName) {
  if (stream)
    FSOUND_Stream_Close(stream);  // reopening must not leak the stream before
  stream = FSOUND_Stream_Open(fileName.c_str(), FSOUND_LOOP_OFF, 0, 0);
}

void SoundStream::SetLoop(bool loop) {
  FSOUND_Stream_SetMode(stream, loop ? FSOUND_LOOP_NORMAL : FSOUND_LOOP_OFF);
}

SoundChannel SoundStream::Play() {
  const int channel = FSOUND_Stream_Play(FSOUND_FREE, stream);
  FSOUND_SetPaused(channel, FALSE);
  FSOUND_SetVolume(channel, 256);
  return SoundChannel(false, channel);
}

}  // namespace KOR
