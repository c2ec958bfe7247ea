// FSOUND_REVERB_PROPERTIES onto the EFX EAX reverb effect. Every field's conversion
// is in the one table below; EFX ranges clamp what FMOD allows beyond them.

#include "platform/fmod/FsoundEfx.h"
#include "platform/fmod/FmodTesting.h"

#include <algorithm>
#include <cmath>

namespace FsoundLayer {
namespace {

float MillibelsToGain(float millibels) { return std::pow(10.0f, millibels / 2000.0f); }

enum class Unit {
  Millibels,  // FMOD level in mB  -> EFX linear gain
  Same,       // seconds, ratios and hertz carry over unchanged
};

struct FieldMapping {
  ALenum parameter;
  Unit unit;
  float (*read)(const FSOUND_REVERB_PROPERTIES&);
  float low, high;  // the EFX range
};

// Environment (a preset index) has no meaning once the fields are given. FMOD's presets
// already carry EnvSize's scaling in the decay and delay fields; what is left of it is the
// echo density, as EAX environments convert to EFX: min(1, size³ / 16). Density and
// Diffusion (%) are the I3DL2 fields, which the EAX model does not read.
const FieldMapping kFieldMap[] = {
    {AL_EAXREVERB_DIFFUSION, Unit::Same, [](auto& p) { return p.EnvDiffusion; }, 0.0f, 1.0f},
    {AL_EAXREVERB_GAIN, Unit::Millibels, [](auto& p) { return float(p.Room); }, 0.0f, 1.0f},
    {AL_EAXREVERB_GAINHF, Unit::Millibels, [](auto& p) { return float(p.RoomHF); }, 0.0f, 1.0f},
    {AL_EAXREVERB_GAINLF, Unit::Millibels, [](auto& p) { return float(p.RoomLF); }, 0.0f, 1.0f},
    {AL_EAXREVERB_DECAY_TIME, Unit::Same, [](auto& p) { return p.DecayTime; }, 0.1f, 20.0f},
    {AL_EAXREVERB_DECAY_HFRATIO, Unit::Same, [](auto& p) { return p.DecayHFRatio; }, 0.1f, 2.0f},
    {AL_EAXREVERB_DECAY_LFRATIO, Unit::Same, [](auto& p) { return p.DecayLFRatio; }, 0.1f, 2.0f},
    {AL_EAXREVERB_REFLECTIONS_GAIN, Unit::Millibels, [](auto& p) { return float(p.Reflections); },
     0.0f, 3.16f},
    {AL_EAXREVERB_REFLECTIONS_DELAY, Unit::Same, [](auto& p) { return p.ReflectionsDelay; }, 0.0f,
     0.3f},
    {AL_EAXREVERB_LATE_REVERB_GAIN, Unit::Millibels, [](auto& p) { return float(p.Reverb); }, 0.0f,
     10.0f},
    {AL_EAXREVERB_LATE_REVERB_DELAY, Unit::Same, [](auto& p) { return p.ReverbDelay; }, 0.0f, 0.1f},
    {AL_EAXREVERB_ECHO_TIME, Unit::Same, [](auto& p) { return p.EchoTime; }, 0.075f, 0.25f},
    {AL_EAXREVERB_ECHO_DEPTH, Unit::Same, [](auto& p) { return p.EchoDepth; }, 0.0f, 1.0f},
    {AL_EAXREVERB_MODULATION_TIME, Unit::Same, [](auto& p) { return p.ModulationTime; }, 0.04f,
     4.0f},
    {AL_EAXREVERB_MODULATION_DEPTH, Unit::Same, [](auto& p) { return p.ModulationDepth; }, 0.0f,
     1.0f},
    {AL_EAXREVERB_AIR_ABSORPTION_GAINHF, Unit::Millibels,
     [](auto& p) { return p.AirAbsorptionHF; }, 0.892f, 1.0f},
    {AL_EAXREVERB_HFREFERENCE, Unit::Same, [](auto& p) { return p.HFReference; }, 1000.0f,
     20000.0f},
    {AL_EAXREVERB_LFREFERENCE, Unit::Same, [](auto& p) { return p.LFReference; }, 20.0f, 1000.0f},
    {AL_EAXREVERB_ROOM_ROLLOFF_FACTOR, Unit::Same, [](auto& p) { return p.RoomRolloffFactor; },
     0.0f, 10.0f},
    {AL_EAXREVERB_DENSITY, Unit::Same,
     [](auto& p) { return p.EnvSize * p.EnvSize * p.EnvSize / 16.0f; }, 0.0f, 1.0f},
};

float Convert(Unit unit, float value) {
  switch (unit) {
  case Unit::Millibels: return MillibelsToGain(value);
  case Unit::Same: return value;
  }
  return value;
}

template <typename Pointer>
void Load(Pointer& pointer, const char* name) {
  pointer = reinterpret_cast<Pointer>(alGetProcAddress(name));
}

}  // namespace

bool SetUpReverb(Layer& layer) {
  auto efx = std::make_unique<Efx>();
  Load(efx->GenEffects, "alGenEffects");
  Load(efx->DeleteEffects, "alDeleteEffects");
  Load(efx->Effecti, "alEffecti");
  Load(efx->Effectf, "alEffectf");
  Load(efx->Effectfv, "alEffectfv");
  Load(efx->GenAuxiliaryEffectSlots, "alGenAuxiliaryEffectSlots");
  Load(efx->DeleteAuxiliaryEffectSlots, "alDeleteAuxiliaryEffectSlots");
  Load(efx->AuxiliaryEffectSloti, "alAuxiliaryEffectSloti");
  if (!efx->GenEffects || !efx->DeleteEffects || !efx->Effecti || !efx->Effectf ||
      !efx->Effectfv || !efx->GenAuxiliaryEffectSlots || !efx->DeleteAuxiliaryEffectSlots ||
      !efx->AuxiliaryEffectSloti)
    return false;
  alGetError();
  efx->GenAuxiliaryEffectSlots(1, &layer.reverbSlot);
  efx->GenEffects(1, &layer.reverbEffect);
  efx->Effecti(layer.reverbEffect, AL_EFFECT_TYPE, AL_EFFECT_EAXREVERB);
  if (alGetError() != AL_NO_ERROR)
    return false;
  // The slot stays empty, so 3D channels send into silence, until a reverb is set.
  layer.efx = std::move(efx);
  return true;
}

void TearDownReverb(Layer& layer) {
  if (!layer.efx)
    return;
  layer.efx->AuxiliaryEffectSloti(layer.reverbSlot, AL_EFFECTSLOT_EFFECT, AL_EFFECT_NULL);
  layer.efx->DeleteAuxiliaryEffectSlots(1, &layer.reverbSlot);
  layer.efx->DeleteEffects(1, &layer.reverbEffect);
  layer.efx.reset();
  layer.reverbSlot = layer.reverbEffect = 0;
}

void ApplyReverb(Layer& layer, const FSOUND_REVERB_PROPERTIES& properties) {
  const Efx& efx = *layer.efx;
  for (const FieldMapping& field : kFieldMap) {
    const float value = Convert(field.unit, field.read(properties));
    efx.Effectf(layer.reverbEffect, field.parameter,
                std::clamp(std::isfinite(value) ? value : field.low, field.low, field.high));
  }
  float pan[3];
  ToOpenAL(properties.ReflectionsPan, pan);
  efx.Effectfv(layer.reverbEffect, AL_EAXREVERB_REFLECTIONS_PAN, pan);
  ToOpenAL(properties.ReverbPan, pan);
  efx.Effectfv(layer.reverbEffect, AL_EAXREVERB_LATE_REVERB_PAN, pan);
  efx.Effecti(layer.reverbEffect, AL_EAXREVERB_DECAY_HFLIMIT,
              (properties.Flags & FSOUND_REVERB_FLAGS_DECAYHFLIMIT) ? AL_TRUE : AL_FALSE);
  // A slot copies the effect when it is attached, so attach again after every change.
  efx.AuxiliaryEffectSloti(layer.reverbSlot, AL_EFFECTSLOT_EFFECT,
                           static_cast<ALint>(layer.reverbEffect));
}

}  // namespace FsoundLayer

extern "C" signed char FSOUND_Reverb_SetProperties(const FSOUND_REVERB_PROPERTIES* properties) {
  using namespace FsoundLayer;
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  if (!properties || !layer.efx)
    return FALSE;
  ApplyReverb(layer, *properties);
  return TRUE;
}

extern "C" signed char FSOUND_Testing_GetReverbParameter(int parameter, float* value) {
  using namespace FsoundLayer;
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  auto getEffectf = reinterpret_cast<LPALGETEFFECTF>(alGetProcAddress("alGetEffectf"));
  if (!value || !layer.efx || !getEffectf)
    return FALSE;
  alGetError();
  getEffectf(layer.reverbEffect, parameter, value);
  return alGetError() == AL_NO_ERROR ? TRUE : FALSE;
}

extern "C" void FSOUND_Testing_GetLiveCounts(int* samples, int* streams) {
  using namespace FsoundLayer;
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  if (samples) *samples = int(layer.samples.size());
  if (streams) *streams = int(layer.streams.size());
}

extern "C" void FSOUND_Testing_GetChannelStates(int* playing, int* paused) {
  using namespace FsoundLayer;
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  int nowPlaying = 0, nowPaused = 0;
  for (const Channel& channel : layer.channels) {
    ALint state = AL_STOPPED;
    alGetSourcei(channel.source, AL_SOURCE_STATE, &state);
    nowPlaying += state == AL_PLAYING;
    nowPaused += state == AL_PAUSED;
  }
  if (playing) *playing = nowPlaying;
  if (paused) *paused = nowPaused;
}
