// Output, drivers, initialisation, the channel pool, 3D attributes and the listener.

#include "platform/fmod/FsoundEfx.h"
#include "platform/fmod/FsoundInternal.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace FsoundLayer {

namespace {

// ALSA's report of an error: ignored.
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// On a machine without a sound card, ALSA and OpenAL Soft each write a paragraph to the
// terminal while a device is looked for; the layer's caller says in one line what matters.
// Whoever sets ALSOFT_LOGLEVEL asked for their messages and gets them.
void QuietenLibraries() {
  if (std::getenv("ALSOFT_LOGLEVEL")) return;
  // Read by OpenAL Soft at its first call, which comes after this.
  setenv("ALSOFT_LOGLEVEL", "0", 0);
  // The library OpenAL Soft plays through, loaded with it or on demand; kept open, as the
  // handler set here must outlive every ALSA call.
  if (void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL)) {
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    if (auto setHandler = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler")))
      setHandler(IgnoreAlsaError);
  }
}

}  // namespace

Layer& TheLayer() {
  static const bool quiet = (QuietenLibraries(), true);
  (void)quiet;
  static Layer layer;
  return layer;
}

Layer::~Layer() { StopFeeder(*this); }

namespace {

void ListDrivers(Layer& layer) {
  if (layer.driversListed)
    return;
  layer.driversListed = true;
  layer.driverNames.clear();
  const bool all = alcIsExtensionPresent(nullptr, "ALC_ENUMERATE_ALL_EXT") == ALC_TRUE;
  const ALCchar* list = alcGetString(nullptr, all ? ALC_ALL_DEVICES_SPECIFIER : ALC_DEVICE_SPECIFIER);
  // A list of names each ended by a zero, the whole ended by an empty name.
  for (const ALCchar* name = list; name && *name; name += std::strlen(name) + 1)
    layer.driverNames.emplace_back(name);
}

bool DeviceHasEfx(ALCdevice* device) {
  return alcIsExtensionPresent(device, "ALC_EXT_EFX") == ALC_TRUE;
}

}  // namespace

void ToOpenAL(const float* in, float* out) {
  // FMOD's space is left-handed and OpenAL's right-handed: mirror z.
  out[0] = in[0];
  out[1] = in[1];
  out[2] = -in[2];
}

Channel* FindChannel(Layer& layer, int handle) {
  if (handle < 0)
    return nullptr;
  const size_t index = static_cast<size_t>(handle) & ((1u << kChannelIndexBits) - 1);
  const uint32_t serial = static_cast<uint32_t>(handle) >> kChannelIndexBits;
  if (serial == 0 || index >= layer.channels.size() || layer.channels[index].serial != serial)
    return nullptr;
  return &layer.channels[index];
}

static bool ChannelBusy(const Channel& channel) {
  if (channel.stream)
    return true;
  ALint state = AL_STOPPED;
  alGetSourcei(channel.source, AL_SOURCE_STATE, &state);
  return state == AL_PLAYING || state == AL_PAUSED;
}

int ChooseChannel(Layer& layer, int requested) {
  const int count = static_cast<int>(layer.channels.size());
  if (requested >= 0)
    return requested < count ? requested : -1;
  if (requested != FSOUND_FREE || count == 0)
    return -1;
  int oldest = 0;
  for (int i = 0; i < count; ++i) {
    if (!ChannelBusy(layer.channels[i]))
      return i;
    if (layer.channels[i].startOrder < layer.channels[oldest].startOrder)
      oldest = i;
  }
  return oldest;  // all busy: the longest playing one gives way, as FMOD does
}

int MakeHandle(Layer& layer, int index) {
  Channel& channel = layer.channels[index];
  channel.serial = channel.serial % 0x7FFFF + 1;
  channel.startOrder = ++layer.playCount;
  return static_cast<int>((channel.serial << kChannelIndexBits) | static_cast<uint32_t>(index));
}

void ResetChannel(Layer&, Channel& channel) {
  alSourceStop(channel.source);
  alSourcei(channel.source, AL_BUFFER, 0);
  DetachStream(channel);
  channel.sampleId = 0;
  channel.paused = false;
  channel.dirty3D = false;
}

void SetChannelSpace(Layer& layer, Channel& channel, bool is3D) {
  channel.is3D = is3D;
  std::fill(std::begin(channel.position), std::end(channel.position), 0.0f);
  std::fill(std::begin(channel.velocity), std::end(channel.velocity), 0.0f);
  const ALuint source = channel.source;
  alSource3f(source, AL_POSITION, 0, 0, 0);
  alSource3f(source, AL_VELOCITY, 0, 0, 0);
  alSourcei(source, AL_SOURCE_RELATIVE, is3D ? AL_FALSE : AL_TRUE);
  alSourcef(source, AL_ROLLOFF_FACTOR, is3D ? 1.0f : 0.0f);
  alSourcef(source, AL_GAIN, 1.0f);
  if (layer.efx)
    alSource3i(source, AL_AUXILIARY_SEND_FILTER,
               is3D ? static_cast<ALint>(layer.reverbSlot) : AL_EFFECTSLOT_NULL, 0,
               AL_FILTER_NULL);
}

}  // namespace FsoundLayer

using namespace FsoundLayer;

namespace {

// Runs action on one channel or, for FSOUND_ALL, on every channel.
template <typename Action>
signed char OnChannels(int handle, Action action) {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  if (handle == FSOUND_ALL) {
    for (Channel& channel : layer.channels)
      action(layer, channel);
    return layer.channels.empty() ? FALSE : TRUE;
  }
  Channel* channel = FindChannel(layer, handle);
  if (!channel)
    return FALSE;
  action(layer, *channel);
  return TRUE;
}

}  // namespace

extern "C" {

signed char FSOUND_SetOutput(int outputType) {
  if (outputType < FSOUND_OUTPUT_NOSOUND || outputType > FSOUND_OUTPUT_NOSOUND_NONREALTIME)
    return FALSE;
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  if (layer.device)
    return FALSE;
  layer.output = outputType;
  return TRUE;
}

int FSOUND_GetNumDrivers() {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  ListDrivers(layer);
  return static_cast<int>(layer.driverNames.size());
}

const char* FSOUND_GetDriverName(int id) {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  ListDrivers(layer);
  if (id < 0 || id >= static_cast<int>(layer.driverNames.size()))
    return nullptr;
  return layer.driverNames[id].c_str();
}

signed char FSOUND_GetDriverCaps(int id, unsigned int* caps) {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  ListDrivers(layer);
  if (!caps || id < 0 || id >= static_cast<int>(layer.driverNames.size()))
    return FALSE;
  auto known = layer.driverCaps.find(id);
  if (known == layer.driverCaps.end()) {
    bool efx = false;
    if (layer.device && id == layer.driver) {
      efx = DeviceHasEfx(layer.device);
    } else if (ALCdevice* probe = alcOpenDevice(layer.driverNames[id].c_str())) {
      efx = DeviceHasEfx(probe);
      alcCloseDevice(probe);
    }
    known = layer.driverCaps.emplace(id, efx ? FSOUND_CAPS_HARDWARE | FSOUND_CAPS_EAX2 : 0u).first;
  }
  *caps = known->second;
  return TRUE;
}

signed char FSOUND_SetDriver(int driver) {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  if (layer.device || driver < 0)
    return FALSE;
  layer.driver = driver;
  return TRUE;
}

signed char FSOUND_SetMixer(int mixer) {
  return mixer >= FSOUND_MIXER_AUTODETECT && mixer <= FSOUND_MIXER_QUALITY_MONO ? TRUE : FALSE;
}

signed char FSOUND_Init(int mixRate, int maxChannels, unsigned int) {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  if (layer.device || mixRate < 4000 || mixRate > 192000 || maxChannels < 1)
    return FALSE;
  ListDrivers(layer);
  const char* name = layer.driver < static_cast<int>(layer.driverNames.size())
                         ? layer.driverNames[layer.driver].c_str()
                         : nullptr;
  ALCdevice* device = alcOpenDevice(name);
  if (!device)
    return FALSE;
  const int channelCount = std::min(maxChannels, 1 << kChannelIndexBits);
  const bool efx = DeviceHasEfx(device);
  const ALCint attributes[] = {ALC_FREQUENCY, mixRate, ALC_MONO_SOURCES, std::max(channelCount, 256),
                               efx ? ALC_MAX_AUXILIARY_SENDS : 0, 1, 0};
  ALCcontext* context = alcCreateContext(device, attributes);
  if (!context || !alcMakeContextCurrent(context)) {
    if (context)
      alcDestroyContext(context);
    alcCloseDevice(device);
    return FALSE;
  }
  layer.device = device;
  layer.context = context;
  alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
  if (efx)
    SetUpReverb(layer);

  layer.channels.clear();
  layer.channels.reserve(channelCount);
  for (int i = 0; i < channelCount; ++i) {
    ALuint source = 0;
    alGetError();
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR)
      break;  // the device has fewer voices than asked: the pool is smaller
    Channel& channel = layer.channels.emplace_back();
    channel.source = source;
    SetChannelSpace(layer, channel, false);
  }
  layer.listener = Listener{};
  layer.listener.dirty = true;
  StartFeeder(layer);
  return TRUE;
}

void FSOUND_Close() {
  Layer& layer = TheLayer();
  StopFeeder(layer);
  std::lock_guard lock(layer.mutex);
  if (layer.device) {
    for (Channel& channel : layer.channels) {
      ResetChannel(layer, channel);
      alDeleteSources(1, &channel.source);
    }
    layer.channels.clear();
    layer.streams.clear();
    for (auto& [id, sample] : layer.samples)
      alDeleteBuffers(1, &sample.buffer);
    layer.samples.clear();
    TearDownReverb(layer);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(layer.context);
    alcCloseDevice(layer.device);
    layer.context = nullptr;
    layer.device = nullptr;
  }
  layer.driversListed = false;
  layer.driverNames.clear();
  layer.driverCaps.clear();
}

void FSOUND_Update() {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  if (!layer.device)
    return;
  Listener& listener = layer.listener;
  if (listener.dirty) {
    float value[6];
    ToOpenAL(listener.position, value);
    alListenerfv(AL_POSITION, value);
    ToOpenAL(listener.velocity, value);
    alListenerfv(AL_VELOCITY, value);
    ToOpenAL(listener.forward, value);
    ToOpenAL(listener.up, value + 3);
    alListenerfv(AL_ORIENTATION, value);
    listener.dirty = false;
  }
  for (Channel& channel : layer.channels) {
    if (!channel.dirty3D)
      continue;
    float value[3];
    ToOpenAL(channel.position, value);
    alSourcefv(channel.source, AL_POSITION, value);
    ToOpenAL(channel.velocity, value);
    alSourcefv(channel.source, AL_VELOCITY, value);
    channel.dirty3D = false;
  }
}

signed char FSOUND_SetPaused(int channel, signed char paused) {
  return OnChannels(channel, [paused](Layer&, Channel& c) {
    c.paused = paused != 0;
    ALint state = AL_STOPPED;
    alGetSourcei(c.source, AL_SOURCE_STATE, &state);
    if (c.paused && state == AL_PLAYING)
      alSourcePause(c.source);
    else if (!c.paused && state == AL_PAUSED)
      alSourcePlay(c.source);  // a finished sample stays finished; the feeder starts streams
  });
}

signed char FSOUND_SetVolume(int channel, int volume) {
  const float gain = static_cast<float>(std::clamp(volume, 0, 255)) / 255.0f;
  return OnChannels(channel, [gain](Layer&, Channel& c) { alSourcef(c.source, AL_GAIN, gain); });
}

signed char FSOUND_StopSound(int channel) {
  return OnChannels(channel, [](Layer& layer, Channel& c) { ResetChannel(layer, c); });
}

signed char FSOUND_IsPlaying(int channel) {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  Channel* found = FindChannel(layer, channel);
  return found && ChannelBusy(*found) ? TRUE : FALSE;
}

signed char FSOUND_3D_SetAttributes(int channel, const float* position, const float* velocity) {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  Channel* found = FindChannel(layer, channel);
  if (!found || !found->is3D)
    return FALSE;
  if (position)
    std::copy(position, position + 3, found->position);
  if (velocity)
    std::copy(velocity, velocity + 3, found->velocity);
  found->dirty3D = true;
  return TRUE;
}

void FSOUND_3D_Listener_SetAttributes(const float* position, const float* velocity, float fx,
                                      float fy, float fz, float tx, float ty, float tz) {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  Listener& listener = layer.listener;
  if (position)
    std::copy(position, position + 3, listener.position);
  if (velocity)
    std::copy(velocity, velocity + 3, listener.velocity);
  const float forward[3] = {fx, fy, fz};
  const float up[3] = {tx, ty, tz};
  std::copy(forward, forward + 3, listener.forward);
  std::copy(up, up + 3, listener.up);
  listener.dirty = true;
}

}  // extern "C"
