// MP3 streams. The feeder thread owns each stream's decoder: it decodes outside the
// layer's lock into a queue of OpenAL buffers kept about a third of a second ahead, and
// takes the lock only to hand buffers to OpenAL. The game thread never decodes.

#include "platform/fmod/FsoundInternal.h"

#include <mpg123.h>
#include <pthread.h>

#include <chrono>
#include <cstdint>
#include <vector>

namespace FsoundLayer {

constexpr int kStreamBuffers = 8;
constexpr size_t kChunkFrames = 2048;  // about 46 ms at 44.1 kHz
constexpr auto kFeederPeriod = std::chrono::milliseconds(10);

struct Stream {
  // Fixed at open.
  mpg123_handle* decoder = nullptr;
  long rate = 0;
  int channels = 0;
  std::vector<ALuint> buffers;
  std::atomic<unsigned int> mode{FSOUND_LOOP_OFF};

  // Under the layer mutex.
  std::vector<ALuint> freeBuffers;
  int channelIndex = -1;
  uint32_t playSerial = 0;
  bool restart = false;
  bool ended = false;

  ~Stream() {
    if (decoder)
      mpg123_delete(decoder);
    if (!buffers.empty())
      alDeleteBuffers(static_cast<ALsizei>(buffers.size()), buffers.data());
  }
};

void DetachStream(Channel& channel) {
  if (!channel.stream)
    return;
  Stream& stream = *channel.stream;
  // The source has been stopped and emptied, so every buffer is free again.
  stream.freeBuffers = stream.buffers;
  stream.channelIndex = -1;
  channel.stream.reset();
}

namespace {

struct Work {
  std::shared_ptr<Stream> stream;
  uint32_t serial = 0;
  size_t chunks = 0;
  bool restart = false;
  std::vector<std::vector<int16_t>> decoded;
  bool reachedEnd = false;
};

// Decodes one chunk, looping back to the start for LOOP_NORMAL. Returns false at the end.
bool DecodeChunk(Stream& stream, std::vector<int16_t>& out) {
  out.resize(kChunkFrames * stream.channels);
  unsigned char* bytes = reinterpret_cast<unsigned char*>(out.data());
  const size_t wanted = out.size() * sizeof(int16_t);
  size_t filled = 0;
  bool rewound = false;
  while (filled < wanted) {
    size_t done = 0;
    const int result = mpg123_read(stream.decoder, bytes + filled, wanted - filled, &done);
    filled += done;
    if (done > 0)
      rewound = false;
    if (result == MPG123_OK || result == MPG123_NEW_FORMAT)
      continue;
    const bool loop = (stream.mode.load() & FSOUND_LOOP_NORMAL) != 0;
    if (result == MPG123_DONE && loop && !rewound) {
      mpg123_seek(stream.decoder, 0, SEEK_SET);
      rewound = true;  // a stream that yields nothing after a rewind has ended
      continue;
    }
    break;
  }
  out.resize(filled / sizeof(int16_t));
  return filled == wanted;
}

void CollectWork(Layer& layer, std::vector<Work>& work) {
  for (Channel& channel : layer.channels) {
    if (!channel.stream)
      continue;
    Stream& stream = *channel.stream;
    ALint processed = 0;
    alGetSourcei(channel.source, AL_BUFFERS_PROCESSED, &processed);
    for (ALint i = 0; i < processed; ++i) {
      ALuint buffer = 0;
      alSourceUnqueueBuffers(channel.source, 1, &buffer);
      stream.freeBuffers.push_back(buffer);
    }
    ALint queued = 0;
    alGetSourcei(channel.source, AL_BUFFERS_QUEUED, &queued);
    if (stream.ended && queued == 0) {
      ResetChannel(layer, channel);  // loop off: the end of the file stops the channel
      continue;
    }
    if (stream.ended || stream.freeBuffers.empty())
      continue;
    Work& item = work.emplace_back();
    item.stream = channel.stream;
    item.serial = stream.playSerial;
    item.chunks = stream.freeBuffers.size();
    item.restart = stream.restart;
    stream.restart = false;
  }
}

void Decode(Work& item) {
  Stream& stream = *item.stream;
  if (item.restart)
    mpg123_seek(stream.decoder, 0, SEEK_SET);
  for (size_t i = 0; i < item.chunks && !item.reachedEnd; ++i) {
    std::vector<int16_t> chunk;
    item.reachedEnd = !DecodeChunk(stream, chunk);
    if (!chunk.empty())
      item.decoded.push_back(std::move(chunk));
  }
}

void Deliver(Layer& layer, Work& item) {
  Stream& stream = *item.stream;
  if (stream.channelIndex < 0 || stream.playSerial != item.serial || stream.restart)
    return;  // stopped or restarted while we decoded: the data is not wanted
  Channel& channel = layer.channels[stream.channelIndex];
  const ALenum format = stream.channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
  for (const std::vector<int16_t>& chunk : item.decoded) {
    if (stream.freeBuffers.empty())
      break;
    const ALuint buffer = stream.freeBuffers.back();
    stream.freeBuffers.pop_back();
    alBufferData(buffer, format, chunk.data(), static_cast<ALsizei>(chunk.size() * sizeof(int16_t)),
                 static_cast<ALsizei>(stream.rate));
    alSourceQueueBuffers(channel.source, 1, &buffer);
  }
  if (item.reachedEnd)
    stream.ended = true;
  ALint state = AL_STOPPED;
  ALint queued = 0;
  alGetSourcei(channel.source, AL_SOURCE_STATE, &state);
  alGetSourcei(channel.source, AL_BUFFERS_QUEUED, &queued);
  // Starts a new stream, and restarts one that ran dry while we were late.
  if (state != AL_PLAYING && state != AL_PAUSED && !channel.paused && queued > 0)
    alSourcePlay(channel.source);
}

void FeederLoop(Layer& layer) {
  pthread_setname_np(pthread_self(), "kor-fsound-feed");
  std::vector<Work> work;
  std::unique_lock lock(layer.mutex);
  while (!layer.feederStop) {
    work.clear();
    CollectWork(layer, work);
    if (!work.empty()) {
      lock.unlock();
      for (Work& item : work)
        Decode(item);
      lock.lock();
      for (Work& item : work)
        Deliver(layer, item);
      work.clear();  // the last reference to a closed stream may go here, under the lock
    }
    layer.feederWake.wait_for(lock, kFeederPeriod);
  }
}

Stream* FindStream(Layer& layer, FSOUND_STREAM* handle) {
  auto found = layer.streams.find(reinterpret_cast<uintptr_t>(handle));
  return found == layer.streams.end() ? nullptr : found->second.get();
}

}  // namespace

void StartFeeder(Layer& layer) {
  layer.feederStop = false;
  layer.feeder = std::thread(FeederLoop, std::ref(layer));
}

void StopFeeder(Layer& layer) {
  {
    std::lock_guard lock(layer.mutex);
    layer.feederStop = true;
  }
  layer.feederWake.notify_all();
  if (layer.feeder.joinable())
    layer.feeder.join();
}

}  // namespace FsoundLayer

using namespace FsoundLayer;

extern "C" {

FSOUND_STREAM* FSOUND_Stream_Open(const char* name, unsigned int mode, int, int) {
  if (!name || (mode & FSOUND_LOADMEMORY))
    return nullptr;
  static const bool ready = mpg123_init() == MPG123_OK;
  if (!ready)
    return nullptr;
  auto stream = std::make_shared<Stream>();
  stream->mode = mode;
  stream->decoder = mpg123_new(nullptr, nullptr);
  if (!stream->decoder)
    return nullptr;
  // Only 16-bit output, at whatever rate and channel count the file has.
  mpg123_param(stream->decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_format_none(stream->decoder);
  const long* rates = nullptr;
  size_t rateCount = 0;
  mpg123_rates(&rates, &rateCount);
  for (size_t i = 0; i < rateCount; ++i)
    mpg123_format(stream->decoder, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  int encoding = 0;
  if (mpg123_open(stream->decoder, name) != MPG123_OK ||
      mpg123_getformat(stream->decoder, &stream->rate, &stream->channels, &encoding) != MPG123_OK ||
      stream->channels < 1 || stream->channels > 2 || stream->rate <= 0)
    return nullptr;

  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  if (!layer.device)
    return nullptr;
  stream->buffers.resize(kStreamBuffers);
  alGetError();
  alGenBuffers(kStreamBuffers, stream->buffers.data());
  if (alGetError() != AL_NO_ERROR) {
    stream->buffers.clear();
    return nullptr;
  }
  stream->freeBuffers = stream->buffers;
  const uint64_t id = layer.nextHandle++;
  layer.streams.emplace(id, std::move(stream));
  return reinterpret_cast<FSOUND_STREAM*>(static_cast<uintptr_t>(id));
}

signed char FSOUND_Stream_SetMode(FSOUND_STREAM* handle, unsigned int mode) {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  Stream* stream = FindStream(layer, handle);
  if (!stream)
    return FALSE;
  stream->mode = mode;
  return TRUE;
}

int FSOUND_Stream_Play(int channel, FSOUND_STREAM* handle) {
  Layer& layer = TheLayer();
  std::unique_lock lock(layer.mutex);
  auto found = layer.streams.find(reinterpret_cast<uintptr_t>(handle));
  if (found == layer.streams.end())
    return -1;
  const std::shared_ptr<Stream>& stream = found->second;
  if (stream->channelIndex >= 0)
    ResetChannel(layer, layer.channels[stream->channelIndex]);
  const int index = ChooseChannel(layer, channel);
  if (index < 0)
    return -1;
  Channel& chosen = layer.channels[index];
  ResetChannel(layer, chosen);
  SetChannelSpace(layer, chosen, false);
  alSourcei(chosen.source, AL_LOOPING, AL_FALSE);
  chosen.stream = stream;
  stream->channelIndex = index;
  stream->playSerial++;
  stream->restart = true;
  stream->ended = false;
  const int result = MakeHandle(layer, index);
  lock.unlock();
  layer.feederWake.notify_all();  // the first buffers follow within a millisecond or two
  return result;
}

signed char FSOUND_Stream_Close(FSOUND_STREAM* handle) {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  auto found = layer.streams.find(reinterpret_cast<uintptr_t>(handle));
  if (found == layer.streams.end())
    return FALSE;
  if (found->second->channelIndex >= 0)
    ResetChannel(layer, layer.channels[found->second->channelIndex]);
  layer.streams.erase(found);  // the feeder may still hold it for the pass it is in
  return TRUE;
}

}  // extern "C"
