#pragma once
// Static geometry of one vertex layout shares a vertex and an index buffer, so drawing one
// object after another of that layout binds nothing new: an object is a run of vertices
// (its elements interleaved) and a run of indices in a chunk of the pool, drawn with its
// first vertex as the base vertex.

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/VertexBuffer.h"

struct IDirect3DDevice9;
struct IDirect3DVertexBuffer9;
struct IDirect3DIndexBuffer9;

namespace KOR {

// Free runs of slots 0 … size − 1, taken first fit and joined again when given back.
class RangeAllocator {
public:
  explicit RangeAllocator(uint32_t size);
  // The first of count consecutive free slots; false when no run is that long.
  bool Take(uint32_t count, uint32_t* first);
  // Gives back what Take handed out.
  void Give(uint32_t first, uint32_t count);
  bool AllFree() const;

private:
  struct Run {
    uint32_t first, count;
  };
  uint32_t size;
  std::vector<Run> free;  // in order, never touching
};

// Where each element sits in an interleaved vertex.
struct VertexLayout {
  std::vector<VertexElementDecl> elements;
  std::vector<uint32_t> offsets;
  uint32_t stride = 0;  // 0: an element of unknown type
};
VertexLayout LayoutOf(const VertexBufferArray& vertices);
bool SameLayout(const VertexLayout& a, const VertexLayout& b);

class GeometryPool {
public:
  struct Chunk;
  // A renderable's share of a chunk; chunk is null for none.
  struct Block {
    Chunk* chunk = nullptr;
    uint32_t firstVertex = 0, vertexCount = 0;
    uint32_t firstIndex = 0, indexCount = 0;
  };

  GeometryPool();
  ~GeometryPool();
  GeometryPool(const GeometryPool&) = delete;
  GeometryPool& operator=(const GeometryPool&) = delete;

  // Room for vertices and indices of the layout in a chunk of the device; false when the
  // device cannot make the buffers of a new chunk.
  bool Take(IDirect3DDevice9* device, const VertexLayout& layout, uint32_t vertices, uint32_t indices, Block* out);
  // Gives the block's room back; a chunk left empty releases its buffers.
  void Give(Block* block);
  // A new device takes nothing from the chunks made so far (an old device's address may
  // come back as a new one's).
  void Retire();

  static IDirect3DVertexBuffer9* VertexBufferOf(const Chunk& chunk);
  static IDirect3DIndexBuffer9* IndexBufferOf(const Chunk& chunk);

  // Bytes a chunk's vertices take at least (a larger object gets a chunk of its size).
  static constexpr uint32_t kChunkBytes = 1u << 20;

private:
  std::vector<std::unique_ptr<Chunk>> chunks;
};

// The module's pool.
GeometryPool& SharedGeometry();

}  // namespace KOR
