#include "game/gameplay/GameRandom.h"

int GameRandom::Next() {
  state = state * 214013u + 2531011u;
  return int((state >> 16) & 0x7FFF);
}

float GameRandom::Between(float a, float b) {
  const float f = float(Next() % 1000) * 0.001f;
  return (1.0f - f) * a + f * b;
}
