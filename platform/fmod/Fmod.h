#pragma once
// The FSOUND subset the sound system calls, with FMOD 3's names and values, played
// through OpenAL Soft. Handles and channels that are null, stale or out of range are
// accepted by every call and change nothing; a failing call returns FALSE, null or -1.
// Mixing and MP3 decoding run on the layer's own threads; every call below may be made
// from the game thread at any time and never waits on decoding.

#include <cstdint>

extern "C" {

typedef struct FSOUND_SAMPLE FSOUND_SAMPLE;  // opaque, never dereferenced by callers
typedef struct FSOUND_STREAM FSOUND_STREAM;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

enum FSOUND_OUTPUTTYPES {
  FSOUND_OUTPUT_NOSOUND = 0,
  FSOUND_OUTPUT_WINMM = 1,
  FSOUND_OUTPUT_DSOUND = 2,
  FSOUND_OUTPUT_A3D = 3,
  FSOUND_OUTPUT_OSS = 4,
  FSOUND_OUTPUT_ESD = 5,
  FSOUND_OUTPUT_ALSA = 6,
  FSOUND_OUTPUT_ASIO = 7,
  FSOUND_OUTPUT_XBOX = 8,
  FSOUND_OUTPUT_PS2 = 9,
  FSOUND_OUTPUT_MAC = 10,
  FSOUND_OUTPUT_GC = 11,
  FSOUND_OUTPUT_PSP = 12,
  FSOUND_OUTPUT_NOSOUND_NONREALTIME = 13,
};

enum FSOUND_MIXERTYPES {
  FSOUND_MIXER_AUTODETECT = 0,
  FSOUND_MIXER_BLENDMODE = 1,
  FSOUND_MIXER_MMXP5 = 2,
  FSOUND_MIXER_MMXP6 = 3,
  FSOUND_MIXER_QUALITY_AUTODETECT = 4,
  FSOUND_MIXER_QUALITY_FPU = 5,
  FSOUND_MIXER_QUALITY_MMXP5 = 6,
  FSOUND_MIXER_QUALITY_MMXP6 = 7,
  FSOUND_MIXER_MONO = 8,
  FSOUND_MIXER_QUALITY_MONO = 9,
};

// Channel and sample index choices.
#define FSOUND_FREE (-1)
#define FSOUND_UNMANAGED (-2)
#define FSOUND_ALL (-3)

// Driver capability bits.
#define FSOUND_CAPS_HARDWARE 0x1
#define FSOUND_CAPS_EAX2 0x2
#define FSOUND_CAPS_EAX3 0x10

// Sample and stream mode bits.
#define FSOUND_LOOP_OFF 0x00000001
#define FSOUND_LOOP_NORMAL 0x00000002
#define FSOUND_LOOP_BIDI 0x00000004
#define FSOUND_8BITS 0x00000008
#define FSOUND_16BITS 0x00000010
#define FSOUND_MONO 0x00000020
#define FSOUND_STEREO 0x00000040
#define FSOUND_UNSIGNED 0x00000080
#define FSOUND_SIGNED 0x00000100
#define FSOUND_HW3D 0x00001000
#define FSOUND_2D 0x00002000
#define FSOUND_LOADMEMORY 0x00008000
#define FSOUND_HW2D 0x00080000
#define FSOUND_NORMAL (FSOUND_16BITS | FSOUND_SIGNED | FSOUND_MONO)

// Reverb flag bits; only DECAYHFLIMIT changes what is heard here.
#define FSOUND_REVERB_FLAGS_DECAYTIMESCALE 0x00000001
#define FSOUND_REVERB_FLAGS_REFLECTIONSSCALE 0x00000002
#define FSOUND_REVERB_FLAGS_REFLECTIONSDELAYSCALE 0x00000004
#define FSOUND_REVERB_FLAGS_REVERBSCALE 0x00000008
#define FSOUND_REVERB_FLAGS_REVERBDELAYSCALE 0x00000010
#define FSOUND_REVERB_FLAGS_DECAYHFLIMIT 0x00000020
#define FSOUND_REVERB_FLAGS_ECHOTIMESCALE 0x00000040
#define FSOUND_REVERB_FLAGS_MODULATIONTIMESCALE 0x00000080

// The listener's environment; levels in millibels, times in seconds.
typedef struct _FSOUND_REVERB_PROPERTIES {
  unsigned int Environment;
  float EnvSize;
  float EnvDiffusion;
  int Room;
  int RoomHF;
  int RoomLF;
  float DecayTime;
  float DecayHFRatio;
  float DecayLFRatio;
  int Reflections;
  float ReflectionsDelay;
  float ReflectionsPan[3];
  int Reverb;
  float ReverbDelay;
  float ReverbPan[3];
  float EchoTime;
  float EchoDepth;
  float ModulationTime;
  float ModulationDepth;
  float AirAbsorptionHF;
  float HFReference;
  float LFReference;
  float RoomRolloffFactor;
  float Diffusion;
  float Density;
  unsigned int Flags;
} FSOUND_REVERB_PROPERTIES;

// Before FSOUND_Init. Every output type plays through OpenAL; the value is kept.
signed char FSOUND_SetOutput(int outputType);
// Number of output devices OpenAL lists (all-devices list where it has one).
int FSOUND_GetNumDrivers();
// Name of driver id, or null for an id out of range; valid until FSOUND_Close.
const char* FSOUND_GetDriverName(int id);
// HARDWARE | EAX2 when the device offers EFX reverb, else 0; FALSE for a bad id.
signed char FSOUND_GetDriverCaps(int id, unsigned int* caps);
// Before FSOUND_Init: the device FSOUND_Init opens (0 = the first listed).
signed char FSOUND_SetDriver(int driver);
// Accepted for compatibility; OpenAL chooses its own mixer.
signed char FSOUND_SetMixer(int mixer);
// Opens the driver at mixRate with a pool of maxChannels channels; FALSE on failure.
signed char FSOUND_Init(int mixRate, int maxChannels, unsigned int flags);
// Stops everything, frees every sample and stream, closes the device.
void FSOUND_Close();
// Commits the 3D attributes and listener set since the last call, once per frame.
void FSOUND_Update();

// Loads a WAV file whole (index is always treated as FSOUND_FREE); null on failure.
FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned int mode, int offset,
                                  int length);
// Frees a sample, stopping the channels that play it.
void FSOUND_Sample_Free(FSOUND_SAMPLE* sample);
// Roll-off range for channels played from now on: full volume up to min, 1/d to max.
signed char FSOUND_Sample_SetMinMaxDistance(FSOUND_SAMPLE* sample, float min, float max);
// Starts the sample on a channel (FSOUND_FREE: a free one, else the oldest); -1 on failure.
int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample);

// Opens an MP3 file for streaming (FSOUND_LOOP_OFF or FSOUND_LOOP_NORMAL); null on failure.
FSOUND_STREAM* FSOUND_Stream_Open(const char* name, unsigned int mode, int offset, int length);
// Changes the loop mode, also while playing.
signed char FSOUND_Stream_SetMode(FSOUND_STREAM* stream, unsigned int mode);
// Plays the stream from its start on a channel; at its end it stops or loops by mode.
int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);
// Stops and frees a stream.
signed char FSOUND_Stream_Close(FSOUND_STREAM* stream);

// Channel calls take a channel number from a play call, or FSOUND_ALL.
signed char FSOUND_SetPaused(int channel, signed char paused);
// Linear volume 0..255; larger values count as 255, negative as 0.
signed char FSOUND_SetVolume(int channel, int volume);
signed char FSOUND_StopSound(int channel);
// TRUE while the channel plays (paused counts as playing).
signed char FSOUND_IsPlaying(int channel);

// Position and velocity of a 3D channel, left-handed (x right, y up, z ahead); null keeps.
signed char FSOUND_3D_SetAttributes(int channel, const float* position, const float* velocity);
// The listener: position, velocity, forward and up vectors; null keeps.
void FSOUND_3D_Listener_SetAttributes(const float* position, const float* velocity, float fx,
                                      float fy, float fz, float tx, float ty, float tz);
// The environment every 3D channel sends to; FALSE when the driver has no EFX.
signed char FSOUND_Reverb_SetProperties(const FSOUND_REVERB_PROPERTIES* properties);

}  // extern "C"
