#include "game/GameRandom.h"

namespace {
uint32_t randomState = 1;
}  // namespace

int GameRand() {
  randomState = randomState * 214013u + 2531011u;
  return int((randomState >> 16) & 0x7FFF);
}

float Random(float a, float b) {
  const float f = float(GameRand() % 1000) * 0.001f;
  return (1.0f - f) * a + f * b;
}

uint32_t GetRandomState() { return randomState; }
void SetRandomState(uint32_t state) { randomState = state; }
