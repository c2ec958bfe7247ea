#pragma once
// For tests of the FSOUND layer: what the layer handed to OpenAL, read back.

// The EFX EAX reverb effect's float parameter (AL_EAXREVERB_*) as last set; FALSE before
// FSOUND_Init or when the device has no EFX.
extern "C" signed char FSOUND_Testing_GetReverbParameter(int parameter, float* value);

// Samples and streams the layer holds (made and not yet freed or closed), for soak runs.
extern "C" void FSOUND_Testing_GetLiveCounts(int* samples, int* streams);

// Channels whose OpenAL source is playing, and paused, right now (0 and 0 before FSOUND_Init).
extern "C" void FSOUND_Testing_GetChannelStates(int* playing, int* paused);
