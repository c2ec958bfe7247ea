#pragma once
// Music: an MP3 file streamed while it plays, once or looping.

#include "sound/SoundChannel.h"

#include <string>

typedef struct FSOUND_STREAM FSOUND_STREAM;

namespace KOR {

class SoundStream {
public:
  SoundStream() = default;
  ~SoundStream();
  SoundStream(const SoundStream&) = delete;
  SoundStream& operator=(const SoundStream&) = delete;

  // A failed open leaves the stream empty; playing it then gives the error channel.
  void Open(const std::string& fileName);
  void SetLoop(bool loop);
  SoundChannel Play();

  bool IsOpen() const { return stream != nullptr; }

private:
  FSOUND_STREAM* stream = nullptr;
};

}  // namespace KOR
