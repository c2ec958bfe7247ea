#pragma once
// The game's random numbers: one process-wide linear congruential sequence from state 1,
// never reseeded, so every run plays the same sequence (the C runtime's rand() of the
// platform the game was made for, reproduced bit for bit).

#include <cstdint>

// The next number, 0 … 32767: state = state × 214013 + 2531011 (mod 2^32), then bits 16 … 30.
int GameRand();
// (1 − f) a + f b with f = (GameRand() mod 1000) × 0.001: 1000 steps from a towards b.
float Random(float a, float b);

// For tests and replays that must start where a fresh process starts (state 1).
uint32_t GetRandomState();
void SetRandomState(uint32_t state);
