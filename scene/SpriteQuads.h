#pragma once
// The quad stream that overlays and world sprites share: a dynamic renderable of
// 4 × capacity vertices (position, packed colour, texture coordinate) with fixed quad
// indices, made once; each run writes its quads from the start and draws only those.

#include <cstdint>

#include "core/Vector.h"
#include "graphics/PixelFormat.h"

namespace KOR {

class Device;
class Renderable;
class StreamMap;

struct SpriteVertex {
  Vector3 position;
  uint32_t colour = 0;
  float u = 0.0f, v = 0.0f;
};

// Each channel clamped to 0 … 1, times 255, truncated; A in the top byte, then R, G, B.
uint32_t PackColour(const Colour& colour);

class SpriteQuads {
public:
  // A capacity below 1 is taken as 1.
  SpriteQuads(Device* device, int capacity);
  SpriteQuads(const SpriteQuads&) = delete;
  SpriteQuads& operator=(const SpriteQuads&) = delete;
  ~SpriteQuads();

  int Capacity() const { return capacity; }
  // Writes quad number quad (0 … capacity − 1) of the next run.
  void Set(int quad, const SpriteVertex (&corners)[4]);
  // Uploads the run and draws its first quads as 2 × quads triangles; nothing for none.
  void Draw(int quads);

  Device* device;
  Renderable* renderable = nullptr;
  StreamMap* streamMap = nullptr;

private:
  int capacity;
  bool built = false;
  Vector3* positions = nullptr;  // views of the renderable's element data
  uint32_t* colours = nullptr;
  float* texCoords = nullptr;
};

}  // namespace KOR
