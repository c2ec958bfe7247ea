#pragma once
// The quad stream that overlays and world sprites share: a dynamic renderable of
// 4 × capacity vertices (position, packed colour, texture coordinate) with fixed quad
// indices, made once. A frame writes its quads one after another, uploads those it wrote
// once, and draws them in runs.

#include <cstdint>
#include <vector>

#include "core/Vector.h"
#include "graphics/PixelFormat.h"

namespace KOR {

class Device;
class Renderable;
class RenderPass;
class StreamMap;

struct SpriteVertex {
  Vector3 position;
  uint32_t colour = 0;
  float u = 0.0f, v = 0.0f;
};

// Quads first … first + count − 1, drawn with one material (null: the batch's default).
struct QuadRun {
  RenderPass* material = nullptr;
  int first = 0, count = 0;
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
  // Writes quad number quad (0 … capacity − 1).
  void Set(int quad, const SpriteVertex (&corners)[4]);
  // Uploads the first quads written (the first upload also makes the buffers).
  void Upload(int quads);
  // Draws quads first … first + quads − 1 of the upload as 2 × quads triangles.
  void DrawRange(int first, int quads);
  // Uploads the first quads and draws them; nothing for none.
  void Draw(int quads);
  // Uploads the quads the runs cover (they follow each other from quad 0) once, then
  // draws each run after applying its material, or fallback when it has none.
  void DrawRuns(const std::vector<QuadRun>& runs, RenderPass& fallback);

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
