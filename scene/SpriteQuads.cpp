#include "scene/SpriteQuads.h"

#include <algorithm>

#include "graphics/Device.h"
#include "graphics/EngineNumbers.h"
#include "graphics/RenderPass.h"
#include "graphics/VertexBuffer.h"

namespace KOR {
namespace {

const VertexElementDecl kPosition{+ElementUsage::Position, 0, +ElementType::Float3};
const VertexElementDecl kColour{+ElementUsage::Colour, 0, +ElementType::Colour};
const VertexElementDecl kTexCoord{+ElementUsage::TexCoord, 0, +ElementType::Float2};

uint32_t Channel(float value) { return uint32_t(std::clamp(value, 0.0f, 1.0f) * 255.0f); }

}  // namespace

uint32_t PackColour(const Colour& c) {
  return Channel(c.a) << 24 | Channel(c.r) << 16 | Channel(c.g) << 8 | Channel(c.b);
}

SpriteQuads::SpriteQuads(Device* made, int quads) : device(made), capacity(std::max(quads, 1)) {
  if (!device) return;
  renderable = device->CreateRenderable(true);
  streamMap = device->CreateStreamMap();
  for (const VertexElementDecl& e : {kPosition, kColour, kTexCoord}) {
    renderable->vertices.AddElement(e);
    streamMap->AddElement(e);
  }
  streamMap->Build();
  renderable->vertices.Resize(4 * capacity);
  positions = reinterpret_cast<Vector3*>(renderable->vertices.GetElement(kPosition)->data);
  colours = reinterpret_cast<uint32_t*>(renderable->vertices.GetElement(kColour)->data);
  texCoords = reinterpret_cast<float*>(renderable->vertices.GetElement(kTexCoord)->data);
  renderable->ResizeIndices(6 * capacity);
  for (int q = 0; q < capacity; ++q) {
    const uint32_t first = uint32_t(4 * q);
    const uint32_t quad[] = {first, first + 1, first + 2, first, first + 2, first + 3};
    std::copy(quad, quad + 6, renderable->indices + 6 * q);
  }
}

SpriteQuads::~SpriteQuads() {
  if (!device) return;
  if (renderable) device->DestroyObject(renderable);
  if (streamMap) device->DestroyObject(streamMap);
}

void SpriteQuads::Set(int quad, const SpriteVertex (&corners)[4]) {
  if (!renderable || quad < 0 || quad >= capacity) return;
  for (int i = 0; i < 4; ++i) {
    const int at = 4 * quad + i;
    positions[at] = corners[i].position;
    colours[at] = corners[i].colour;
    texCoords[2 * at] = corners[i].u;
    texCoords[2 * at + 1] = corners[i].v;
  }
}

void SpriteQuads::Upload(int quads) {
  if (!renderable || quads <= 0) return;
  // The first build makes the buffers and uploads the indices; later uploads send only
  // the vertices written, into the same buffers.
  if (!built) {
    renderable->Build();
    built = true;
    return;
  }
  renderable->UpdateVertices(0, 4 * std::min(quads, capacity));
}

void SpriteQuads::DrawRange(int first, int quads) {
  if (!renderable || !built || quads <= 0) return;
  renderable->DrawRange(streamMap, 2 * first, 2 * quads);
}

void SpriteQuads::Draw(int quads) {
  Upload(quads);
  DrawRange(0, quads);
}

void SpriteQuads::DrawRuns(const std::vector<QuadRun>& runs, RenderPass& fallback) {
  if (runs.empty()) return;
  Upload(runs.back().first + runs.back().count);
  for (const QuadRun& run : runs) {
    (run.material ? *run.material : fallback).Apply();
    DrawRange(run.first, run.count);
  }
}

}  // namespace KOR
