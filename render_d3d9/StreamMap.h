#pragma once
// The Direct3D 9 side of geometry: a renderable's elements interleaved in one vertex
// buffer (a stream each, at the element's offset in a vertex), stream maps as vertex
// declarations, an index buffer and the draw that matches elements to streams. Static
// renderables share their buffers with others of their layout (GeometryPool); a dynamic
// one has its own.

#include "graphics/VertexBuffer.h"
#include "render_d3d9/GeometryPool.h"

struct IDirect3DVertexBuffer9;
struct IDirect3DIndexBuffer9;
struct IDirect3DVertexDeclaration9;
struct IDirect3DDevice9;

namespace KOR {

class D3D9VertexElementBuffer final : public VertexElementBuffer {
public:
  explicit D3D9VertexElementBuffer(VertexElementDecl decl);
  ~D3D9VertexElementBuffer() override;
  // Uploads every vertex of this element into its place in the renderable's buffer.
  bool Build(Renderable* owner, uint32_t flags = 0) override;
  bool Update(int32_t first, int32_t count) override;

  // Where the renderable placed it; the buffer is the renderable's (or its pool's).
  IDirect3DVertexBuffer9* buffer = nullptr;
  uint32_t offset = 0;          // in an interleaved vertex
  uint32_t vertexStride = 0;    // bytes of an interleaved vertex
  uint32_t firstVertex = 0;     // the renderable's first vertex in the buffer
};

class D3D9StreamMap final : public StreamMap {
public:
  ~D3D9StreamMap() override;
  void Build() override;

  IDirect3DVertexDeclaration9* declaration = nullptr;
};

class D3D9Renderable final : public Renderable {
public:
  D3D9Renderable(Device* device, bool dynamic) : Renderable(device), dynamic(dynamic) {}
  ~D3D9Renderable() override;
  void Build() override;
  void Render(StreamMap* streamMap, int32_t primitiveCount, int32_t firstPrimitive = 0) override;
  // One upload for every element's vertices first … first + count − 1.
  bool UpdateVertices(int32_t first, int32_t count) override;

  bool dynamic;
  // Null until built. A dynamic renderable's own; a static one's are its pool chunk's.
  IDirect3DVertexBuffer9* vertexBuffer = nullptr;
  IDirect3DIndexBuffer9* indexBuffer = nullptr;

private:
  bool Place(IDirect3DDevice9* device, const VertexLayout& wanted);
  void Unplace();

  VertexLayout layout;
  GeometryPool::Block block;  // a static renderable's share of its pool
};

}  // namespace KOR
