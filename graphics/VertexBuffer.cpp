#include "graphics/VertexBuffer.h"

#include <cstdlib>

#include "core/Exception.h"
#include "graphics/Device.h"
#include "graphics/RenderSystem.h"

namespace KOR {

bool operator==(const VertexElementDecl& a, const VertexElementDecl& b) {
  return a.usage == b.usage && a.usageIndex == b.usageIndex && a.type == b.type;
}

int ElementTypeSize(uint32_t type) {
  static const int sizes[] = {4, 8, 12, 16, 4, 4, 8};
  return type < 7 ? sizes[type] : 0;
}

bool StreamMap::AddElement(VertexElementDecl decl) {
  if (count >= kMaxElements) return false;
  elements[count++] = decl;
  return true;
}

VertexElementBuffer::~VertexElementBuffer() { std::free(data); }

void VertexElementBuffer::Resize(int32_t n) {
  std::free(data);
  data = nullptr;
  vertexCount = n;
  stride = ElementTypeSize(type);
  size_t bytes = size_t(stride) * size_t(n > 0 ? n : 0);
  if (bytes) data = static_cast<unsigned char*>(std::malloc(bytes));
}

VertexBufferArray::~VertexBufferArray() { Clear(); }

void VertexBufferArray::Build(Renderable* owner) {
  for (VertexElementBuffer* e : elements) e->Build(owner);
}

void VertexBufferArray::Resize(int32_t n) {
  if (vertexCount != 0)
    throw Exception("KOR Graphics (VertexBufferArray)", "Cannot resize vertex buffer",
                    "It's not possible to change the number of vertices in a vertex buffer Array.");
  vertexCount = n;
  for (VertexElementBuffer* e : elements) e->Resize(n);
}

void VertexBufferArray::AddElement(VertexElementDecl decl) {
  if (GetElement(decl)) return;
  Device* device = CurrentDevice();
  if (!device) return;
  VertexElementBuffer* made = device->CreateVertexBuffer(decl);
  if (!made) return;
  if (vertexCount != 0) made->Resize(vertexCount);
  elements.push_back(made);
}

VertexElementBuffer* VertexBufferArray::GetElement(VertexElementDecl decl) const {
  for (VertexElementBuffer* e : elements)
    if (e->Decl() == decl) return e;
  return nullptr;
}

void VertexBufferArray::Clear() {
  for (VertexElementBuffer* e : elements) delete e;
  elements.clear();
}

Renderable::~Renderable() { delete[] indices; }

void Renderable::Build() { vertices.Build(this); }

bool Renderable::UpdateVertices(int32_t first, int32_t count) {
  bool updated = !vertices.elements.empty();
  for (VertexElementBuffer* e : vertices.elements) updated = e->Update(first, count) && updated;
  return updated;
}

void Renderable::ResizeIndices(int32_t n) {
  if (indexCount != 0)
    throw Exception("KOR Graphics (Renderable)", "Cannot resize index buffer",
                    "It's not possible to change the number of vertices in a vertex buffer Array.");
  delete[] indices;
  indices = nullptr;
  indexCount = n;
  if (n > 0) indices = new uint32_t[size_t(n)]();
}

int32_t Renderable::GetPrimitiveCount() const {
  int32_t n = indexCount;
  switch (primitiveType) {
    case 1: return n / 2;
    case 2: return n > 0 ? n - 1 : 0;
    case 3: return n / 3;
    case 4:
    case 5: return n > 2 ? n - 2 : 0;
    default: return 0;
  }
}

void Renderable::Draw(StreamMap* streamMap, int32_t count) {
  int32_t all = GetPrimitiveCount();
  if (count == -1) count = all;
  if (count < 0) count = 0;
  if (count > all) count = all;
  Render(streamMap, count);
}

void Renderable::DrawRange(StreamMap* streamMap, int32_t first, int32_t count) {
  int32_t all = GetPrimitiveCount();
  if (first < 0) count += first, first = 0;
  if (count > all - first) count = all - first;
  if (count <= 0) return;
  Render(streamMap, count, first);
}

}  // namespace KOR
