#pragma once
// The game's random numbers: a linear congruential sequence, the C runtime's rand() of
// the platform the game was made for, reproduced bit for bit. A run starts from state 1
// and each game carries on where the previous one stopped, so every run plays the same
// sequence.

#include <cstdint>

class GameRandom {
public:
  explicit GameRandom(uint32_t state = 1) : state(state) {}
  // The next number, 0 … 32767: state = state × 214013 + 2531011 (mod 2^32), then bits 16 … 30.
  int Next();
  // (1 − f) a + f b with f = (Next() mod 1000) × 0.001: 1000 steps from a towards b.
  float Between(float a, float b);
  uint32_t State() const { return state; }

private:
  uint32_t state;
};
