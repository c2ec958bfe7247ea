#include "render_d3d9/GeometryPool.h"

#include <algorithm>

#include "platform/d3d9/D3D9.h"
#include "render_d3d9/Module.h"

namespace KOR {

RangeAllocator::RangeAllocator(uint32_t size) : size(size) {
  if (size) free.push_back({0, size});
}

bool RangeAllocator::Take(uint32_t count, uint32_t* first) {
  if (count == 0) return false;
  for (auto run = free.begin(); run != free.end(); ++run) {
    if (run->count < count) continue;
    *first = run->first;
    run->first += count, run->count -= count;
    if (run->count == 0) free.erase(run);
    return true;
  }
  return false;
}

void RangeAllocator::Give(uint32_t first, uint32_t count) {
  if (count == 0) return;
  auto next = std::find_if(free.begin(), free.end(), [&](const Run& r) { return r.first > first; });
  bool joinsPrevious = next != free.begin() && std::prev(next)->first + std::prev(next)->count == first;
  bool joinsNext = next != free.end() && first + count == next->first;
  if (joinsPrevious && joinsNext) {
    std::prev(next)->count += count + next->count;
    free.erase(next);
  } else if (joinsPrevious) {
    std::prev(next)->count += count;
  } else if (joinsNext) {
    next->first = first, next->count += count;
  } else {
    free.insert(next, {first, count});
  }
}

bool RangeAllocator::AllFree() const { return size == 0 || (free.size() == 1 && free[0].count == size); }

VertexLayout LayoutOf(const VertexBufferArray& vertices) {
  VertexLayout layout;
  for (const VertexElementBuffer* e : vertices.elements) {
    int size = ElementTypeSize(e->type);
    if (size == 0) return {};  // nothing can be uploaded for it
    layout.elements.push_back(e->Decl());
    layout.offsets.push_back(layout.stride);
    layout.stride += uint32_t(size);
  }
  return layout;
}

bool SameLayout(const VertexLayout& a, const VertexLayout& b) {
  return a.stride == b.stride && a.elements.size() == b.elements.size() &&
         std::equal(a.elements.begin(), a.elements.end(), b.elements.begin());
}

struct GeometryPool::Chunk {
  Chunk(IDirect3DDevice9* device, VertexLayout layout, uint32_t vertices, uint32_t indices)
      : device(device), layout(std::move(layout)), vertices(vertices), indices(indices) {}
  ~Chunk() {
    D3D9::ForgetInDrawCache(this);
    if (vertexBuffer) vertexBuffer->Release();
    if (indexBuffer) indexBuffer->Release();
  }
  IDirect3DDevice9* device;
  VertexLayout layout;
  RangeAllocator vertices, indices;
  IDirect3DVertexBuffer9* vertexBuffer = nullptr;
  IDirect3DIndexBuffer9* indexBuffer = nullptr;
};

GeometryPool::GeometryPool() = default;
GeometryPool::~GeometryPool() = default;

bool GeometryPool::Take(IDirect3DDevice9* device, const VertexLayout& layout, uint32_t vertices,
                        uint32_t indices, Block* out) {
  *out = {};
  if (!device || layout.stride == 0 || vertices == 0 || indices == 0) return false;
  for (const auto& chunk : chunks) {
    if (chunk->device != device || !SameLayout(chunk->layout, layout)) continue;
    uint32_t firstVertex, firstIndex;
    if (!chunk->vertices.Take(vertices, &firstVertex)) continue;
    if (!chunk->indices.Take(indices, &firstIndex)) {
      chunk->vertices.Give(firstVertex, vertices);
      continue;
    }
    *out = {chunk.get(), firstVertex, vertices, firstIndex, indices};
    return true;
  }
  // A new chunk: room for a megabyte of vertices and three indices a vertex, or the object.
  uint64_t vertexRoom = std::max<uint64_t>(vertices, kChunkBytes / layout.stride);
  uint64_t indexRoom = std::max<uint64_t>(indices, 3 * vertexRoom);
  if (vertexRoom * layout.stride > 0xFFFFFFFFu || indexRoom * 4 > 0xFFFFFFFFu) return false;
  auto chunk = std::make_unique<Chunk>(device, layout, uint32_t(vertexRoom), uint32_t(indexRoom));
  if (FAILED(device->CreateVertexBuffer(UINT(vertexRoom * layout.stride), D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT,
                                        &chunk->vertexBuffer, nullptr)) ||
      FAILED(device->CreateIndexBuffer(UINT(indexRoom * 4), D3DUSAGE_WRITEONLY, D3DFMT_INDEX32, D3DPOOL_DEFAULT,
                                       &chunk->indexBuffer, nullptr)) ||
      !chunk->vertexBuffer || !chunk->indexBuffer)
    return false;
  uint32_t firstVertex = 0, firstIndex = 0;
  chunk->vertices.Take(vertices, &firstVertex);
  chunk->indices.Take(indices, &firstIndex);
  *out = {chunk.get(), firstVertex, vertices, firstIndex, indices};
  chunks.push_back(std::move(chunk));
  return true;
}

void GeometryPool::Give(Block* block) {
  if (!block->chunk) return;
  Chunk* chunk = block->chunk;
  chunk->vertices.Give(block->firstVertex, block->vertexCount);
  chunk->indices.Give(block->firstIndex, block->indexCount);
  *block = {};
  if (!chunk->vertices.AllFree()) return;
  chunks.erase(std::find_if(chunks.begin(), chunks.end(), [&](const auto& c) { return c.get() == chunk; }));
}

void GeometryPool::Retire() {
  for (const auto& chunk : chunks) chunk->device = nullptr;
}

IDirect3DVertexBuffer9* GeometryPool::VertexBufferOf(const Chunk& chunk) { return chunk.vertexBuffer; }
IDirect3DIndexBuffer9* GeometryPool::IndexBufferOf(const Chunk& chunk) { return chunk.indexBuffer; }

GeometryPool& SharedGeometry() {
  // Lives until the process ends, like the module's device: buffers are never released
  // after the device that made them.
  static GeometryPool* pool = new GeometryPool;
  return *pool;
}

}  // namespace KOR
