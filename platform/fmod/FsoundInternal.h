#pragma once
// State shared by the layer's files. One mutex guards all of it; the feeder thread
// takes it only around OpenAL calls, never while it decodes.

#include "platform/fmod/Fmod.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct mpg123_handle_struct;

namespace FsoundLayer {

struct Stream;

struct Sample {
  ALuint buffer = 0;
  unsigned int mode = 0;
  float minDistance = 1.0f;  // FMOD's defaults
  float maxDistance = 1000000000.0f;
};

struct Channel {
  ALuint source = 0;
  uint32_t serial = 0;  // bumped at every play, so handles of earlier plays go stale
  uint64_t startOrder = 0;
  uint64_t sampleId = 0;
  std::shared_ptr<Stream> stream;
  bool is3D = false;
  bool paused = false;
  bool dirty3D = false;
  float position[3] = {0, 0, 0};
  float velocity[3] = {0, 0, 0};
};

struct Listener {
  float position[3] = {0, 0, 0};
  float velocity[3] = {0, 0, 0};
  float forward[3] = {0, 0, 1};
  float up[3] = {0, 1, 0};
  bool dirty = false;
};

struct Efx;  // the EFX entry points, loaded at FSOUND_Init

struct Layer {
  // A program may end without FSOUND_Close (the game never closes sound): the feeder
  // thread is stopped and joined here, so the process ends instead of aborting.
  ~Layer();
  std::mutex mutex;
  int output = FSOUND_OUTPUT_DSOUND;
  int driver = 0;
  bool driversListed = false;
  std::vector<std::string> driverNames;
  std::map<int, unsigned int> driverCaps;

  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
  std::unique_ptr<Efx> efx;
  ALuint reverbSlot = 0;
  ALuint reverbEffect = 0;

  std::vector<Channel> channels;
  uint64_t playCount = 0;
  uint64_t nextHandle = 1;
  std::map<uint64_t, Sample> samples;
  std::map<uint64_t, std::shared_ptr<Stream>> streams;
  Listener listener;

  std::thread feeder;
  std::condition_variable feederWake;
  bool feederStop = false;
};

Layer& TheLayer();

// Channel helpers; the caller holds the mutex.
constexpr int kChannelIndexBits = 12;
Channel* FindChannel(Layer& layer, int handle);
int ChooseChannel(Layer& layer, int requested);
int MakeHandle(Layer& layer, int index);
void ResetChannel(Layer& layer, Channel& channel);
void SetChannelSpace(Layer& layer, Channel& channel, bool is3D);
void ToOpenAL(const float* in, float* out);

// Streams: the feeder thread's lifetime and the stream records' clean-up.
void StartFeeder(Layer& layer);
void StopFeeder(Layer& layer);
void DetachStream(Channel& channel);
void ApplyReverb(Layer& layer, const FSOUND_REVERB_PROPERTIES& properties);
bool SetUpReverb(Layer& layer);
void TearDownReverb(Layer& layer);

}  // namespace FsoundLayer
