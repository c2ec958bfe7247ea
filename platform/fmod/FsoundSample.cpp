// Samples: WAV files read whole through libsndfile into one OpenAL buffer.

#include "platform/fmod/FsoundInternal.h"

#include <sndfile.h>

#include <cstdint>
#include <limits>
#include <vector>

using namespace FsoundLayer;

namespace {

FSOUND_SAMPLE* ToHandle(uint64_t id) {
  return reinterpret_cast<FSOUND_SAMPLE*>(static_cast<uintptr_t>(id));
}

Sample* FindSample(Layer& layer, FSOUND_SAMPLE* handle) {
  auto found = layer.samples.find(reinterpret_cast<uintptr_t>(handle));
  return found == layer.samples.end() ? nullptr : &found->second;
}

// Reads the whole file as 16-bit frames; 3D samples are mixed down to mono, since
// OpenAL places only mono sources in space.
bool ReadWave(const char* name, bool mono, std::vector<int16_t>& pcm, int& channels, int& rate) {
  SF_INFO info{};
  SNDFILE* file = sf_open(name, SFM_READ, &info);
  if (!file)
    return false;
  const bool usable = info.channels >= 1 && info.channels <= 2 && info.samplerate > 0 &&
                      info.frames > 0 && info.frames < std::numeric_limits<int32_t>::max() / 2;
  if (usable) {
    pcm.resize(static_cast<size_t>(info.frames) * info.channels);
    pcm.resize(static_cast<size_t>(sf_readf_short(file, pcm.data(), info.frames)) * info.channels);
  }
  sf_close(file);
  if (!usable || pcm.empty())
    return false;
  channels = info.channels;
  rate = info.samplerate;
  if (mono && channels == 2) {
    for (size_t i = 0; i < pcm.size() / 2; ++i)
      pcm[i] = static_cast<int16_t>((pcm[2 * i] + pcm[2 * i + 1]) / 2);
    pcm.resize(pcm.size() / 2);
    channels = 1;
  }
  return true;
}

}  // namespace

extern "C" {

FSOUND_SAMPLE* FSOUND_Sample_Load(int, const char* name, unsigned int mode, int, int) {
  // Loading from memory is not a thing the game does; such calls fail.
  if (!name || (mode & FSOUND_LOADMEMORY))
    return nullptr;
  std::vector<int16_t> pcm;
  int channels = 0;
  int rate = 0;
  if (!ReadWave(name, (mode & FSOUND_HW3D) != 0, pcm, channels, rate))
    return nullptr;

  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  if (!layer.device)
    return nullptr;
  Sample sample;
  sample.mode = mode;
  alGetError();
  alGenBuffers(1, &sample.buffer);
  alBufferData(sample.buffer, channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16, pcm.data(),
               static_cast<ALsizei>(pcm.size() * sizeof(int16_t)), rate);
  if (alGetError() != AL_NO_ERROR) {
    alDeleteBuffers(1, &sample.buffer);
    return nullptr;
  }
  // Handles are serial numbers, never reused, so a freed or stale handle finds nothing.
  const uint64_t id = layer.nextHandle++;
  layer.samples.emplace(id, sample);
  return ToHandle(id);
}

void FSOUND_Sample_Free(FSOUND_SAMPLE* handle) {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  Sample* sample = FindSample(layer, handle);
  if (!sample)
    return;
  const uint64_t id = reinterpret_cast<uintptr_t>(handle);
  for (Channel& channel : layer.channels)
    if (channel.sampleId == id)
      ResetChannel(layer, channel);
  alDeleteBuffers(1, &sample->buffer);
  layer.samples.erase(id);
}

signed char FSOUND_Sample_SetMinMaxDistance(FSOUND_SAMPLE* handle, float min, float max) {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  Sample* sample = FindSample(layer, handle);
  if (!sample || !(min > 0.0f) || !(max >= min))
    return FALSE;
  sample->minDistance = min;
  sample->maxDistance = max;
  return TRUE;
}

int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* handle) {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  Sample* sample = FindSample(layer, handle);
  if (!sample)
    return -1;
  const int index = ChooseChannel(layer, channel);
  if (index < 0)
    return -1;
  Channel& chosen = layer.channels[index];
  ResetChannel(layer, chosen);
  SetChannelSpace(layer, chosen, (sample->mode & FSOUND_HW3D) != 0);
  chosen.sampleId = reinterpret_cast<uintptr_t>(handle);
  const ALuint source = chosen.source;
  alSourcef(source, AL_REFERENCE_DISTANCE, sample->minDistance);
  alSourcef(source, AL_MAX_DISTANCE, sample->maxDistance);
  alSourcei(source, AL_LOOPING, (sample->mode & FSOUND_LOOP_NORMAL) ? AL_TRUE : AL_FALSE);
  alSourcei(source, AL_BUFFER, static_cast<ALint>(sample->buffer));
  alSourcePlay(source);
  return MakeHandle(layer, index);
}

}  // extern "C"
