#pragma once
// The Direct3D 9 side of geometry: element buffers as vertex buffers (one stream each),
// stream maps as vertex declarations, renderables as an index buffer and the draw that
// matches buffers to streams by their element.

#include "graphics/VertexBuffer.h"

struct IDirect3DVertexBuffer9;
struct IDirect3DIndexBuffer9;
struct IDirect3DVertexDeclaration9;

namespace KOR {

class D3D9VertexElementBuffer final : public VertexElementBuffer {
public:
  explicit D3D9VertexElementBuffer(VertexElementDecl decl);
  ~D3D9VertexElementBuffer() override;
  bool Build(Renderable* owner, uint32_t flags = 0) override;
  bool Update(int32_t first, int32_t count) override;

  IDirect3DVertexBuffer9* buffer = nullptr;
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

  bool dynamic;
  IDirect3DIndexBuffer9* indexBuffer = nullptr;
};

}  // namespace KOR
