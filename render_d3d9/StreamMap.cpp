#include "render_d3d9/StreamMap.h"

#include <algorithm>
#include <cstring>

#include "core/Exception.h"
#include "platform/d3d9/D3D9.h"
#include "render_d3d9/Module.h"

namespace KOR {
namespace {

BYTE DeclTypeOf(uint32_t type) {
  static const BYTE types[] = {D3DDECLTYPE_FLOAT1, D3DDECLTYPE_FLOAT2, D3DDECLTYPE_FLOAT3,
                               D3DDECLTYPE_FLOAT4, D3DDECLTYPE_D3DCOLOR, D3DDECLTYPE_SHORT2,
                               D3DDECLTYPE_SHORT4};
  return type < 7 ? types[type] : BYTE(D3DDECLTYPE_UNUSED);  // refused by the declaration
}

D3DPRIMITIVETYPE PrimitiveOf(uint32_t type) {
  switch (type) {
    case 0: return D3DPT_POINTLIST;
    case 1: return D3DPT_LINELIST;
    case 2: return D3DPT_LINESTRIP;
    case 4: return D3DPT_TRIANGLESTRIP;
    case 5: return D3DPT_TRIANGLEFAN;
    default: return D3DPT_TRIANGLELIST;
  }
}

// Where primitive n starts in the index list: at n × this. Strips start at n (a fan's range
// past its first primitive loses its centre: fans are drawn whole).
UINT IndicesPerPrimitive(uint32_t type) {
  switch (type) {
    case 1: return 2;  // line list
    case 3: return 3;  // triangle list
    default: return 1;  // strips and fans share all but the first vertices
  }
}

bool SameElement(const VertexElementDecl& a, const VertexElementDecl& b) {
  return a.usage == b.usage && uint8_t(a.usageIndex) == uint8_t(b.usageIndex) && a.type == b.type;
}

void ReleaseAndClear(IDirect3DVertexDeclaration9*& object) {
  if (object) object->Release();
  object = nullptr;
}

// Copies bytes into a locked buffer at offset; false, copying nothing, when the lock fails.
template <class Buffer>
bool Upload(Buffer* buffer, const void* data, size_t bytes, size_t offset = 0) {
  void* target = nullptr;
  if (FAILED(buffer->Lock(UINT(offset), UINT(bytes), &target, 0)) || !target) return false;
  std::memcpy(target, data, bytes);
  buffer->Unlock();
  return true;
}

// Copies vertices first … first + count − 1 of an element into its place in interleaved
// vertices starting at target (the first of them).
void Interleave(BYTE* target, const D3D9VertexElementBuffer& e, int32_t first, int32_t count) {
  const unsigned char* from = e.data + size_t(first) * size_t(e.stride);
  for (int32_t v = 0; v < count; ++v, from += e.stride)
    std::memcpy(target + size_t(v) * e.vertexStride + e.offset, from, size_t(e.stride));
}

[[noreturn]] void RenderError(const char* error, const char* description) {
  throw Exception("KOR Direct3D 9 (Renderable)", error, description);
}

}  // namespace

D3D9VertexElementBuffer::D3D9VertexElementBuffer(VertexElementDecl decl) {
  usage = decl.usage;
  usageIndex = decl.usageIndex;
  type = decl.type;
}

D3D9VertexElementBuffer::~D3D9VertexElementBuffer() = default;

bool D3D9VertexElementBuffer::Build(Renderable*, uint32_t) { return vertexCount <= 0 || Update(0, vertexCount); }

bool D3D9VertexElementBuffer::Update(int32_t first, int32_t count) {
  if (!buffer || !data || first < 0 || count <= 0 || count > vertexCount - first) return false;
  void* target = nullptr;
  if (FAILED(buffer->Lock(UINT((firstVertex + uint32_t(first)) * vertexStride), UINT(uint32_t(count) * vertexStride),
                          &target, 0)) ||
      !target)
    return false;
  Interleave(static_cast<BYTE*>(target), *this, first, count);
  buffer->Unlock();
  return true;
}

D3D9StreamMap::~D3D9StreamMap() {
  D3D9::ForgetInDrawCache(declaration);
  ReleaseAndClear(declaration);
}

void D3D9StreamMap::Build() {
  IDirect3DDevice9* device = D3D9::Device9();
  if (!device) return;
  D3D9::ForgetInDrawCache(declaration);
  ReleaseAndClear(declaration);
  D3DVERTEXELEMENT9 list[kMaxElements + 1];
  int n = count < 0 ? 0 : (count > kMaxElements ? kMaxElements : count);
  for (int i = 0; i < n; ++i)
    list[i] = {WORD(i), 0, DeclTypeOf(elements[i].type), D3DDECLMETHOD_DEFAULT,
               BYTE(elements[i].usage), BYTE(elements[i].usageIndex)};
  list[n] = D3DDECL_END();
  if (FAILED(device->CreateVertexDeclaration(list, &declaration))) {
    declaration = nullptr;
    throw Exception("KOR Direct3D 9 (StreamMap)", "Building failed", "The stream map failed to build");
  }
}

D3D9Renderable::~D3D9Renderable() {
  D3D9::ForgetInDrawCache(this);
  Unplace();
}

// Finds the renderable's buffers room for its vertices and indices: its pool's for a
// static one, its own for a dynamic one, kept while the layout stays. Indices past the
// vertices would read a neighbour's in a pool: such geometry gets buffers of its own, so
// the device refuses its draws as before.
bool D3D9Renderable::Place(IDirect3DDevice9* device, const VertexLayout& wanted) {
  const uint32_t n = uint32_t(vertices.vertexCount), indexTotal = uint32_t(indexCount);
  const bool pooled = !dynamic && std::all_of(indices, indices + indexTotal, [&](uint32_t i) { return i < n; });
  if (vertexBuffer && SameLayout(layout, wanted) && pooled == (block.chunk != nullptr) &&
      (!pooled || (block.vertexCount == n && block.indexCount == indexTotal)))
    return true;
  Unplace();
  if (uint64_t(n) * wanted.stride > 0xFFFFFFFFu || uint64_t(indexTotal) * 4 > 0xFFFFFFFFu) return false;
  if (pooled) {
    if (!SharedGeometry().Take(device, wanted, n, indexTotal, &block)) return false;
    vertexBuffer = GeometryPool::VertexBufferOf(*block.chunk);
    indexBuffer = GeometryPool::IndexBufferOf(*block.chunk);
  } else {
    DWORD usage = dynamic ? D3DUSAGE_DYNAMIC : D3DUSAGE_WRITEONLY;
    if (FAILED(device->CreateVertexBuffer(UINT(n * wanted.stride), usage, 0, D3DPOOL_DEFAULT, &vertexBuffer,
                                          nullptr)) ||
        FAILED(device->CreateIndexBuffer(UINT(indexTotal * 4), usage, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &indexBuffer,
                                         nullptr)) ||
        !vertexBuffer || !indexBuffer) {
      Unplace();
      return false;
    }
  }
  layout = wanted;
  for (size_t i = 0; i < vertices.elements.size(); ++i) {
    auto* e = static_cast<D3D9VertexElementBuffer*>(vertices.elements[i]);
    e->buffer = vertexBuffer;
    e->offset = layout.offsets[i];
    e->vertexStride = layout.stride;
    e->firstVertex = block.firstVertex;
  }
  return true;
}

void D3D9Renderable::Unplace() {
  if (block.chunk) {
    SharedGeometry().Give(&block);
  } else {
    if (vertexBuffer) vertexBuffer->Release();
    if (indexBuffer) indexBuffer->Release();
  }
  vertexBuffer = nullptr;
  indexBuffer = nullptr;
  layout = {};
  for (VertexElementBuffer* element : vertices.elements)
    static_cast<D3D9VertexElementBuffer*>(element)->buffer = nullptr;
}

void D3D9Renderable::Build() {
  IDirect3DDevice9* device = D3D9::Device9();
  if (!device) return;
  // A rebuild may place it elsewhere: the next draw binds everything again.
  D3D9::ForgetInDrawCache(this);
  VertexLayout wanted = LayoutOf(vertices);
  bool complete = wanted.stride && vertices.vertexCount > 0 && indexCount > 0 && indices;
  for (VertexElementBuffer* element : vertices.elements) complete = complete && element->data;
  // Half-built geometry would draw garbage: leave it unbuilt so Render says so.
  if (!complete || !Place(device, wanted) || !UpdateVertices(0, vertices.vertexCount) ||
      !Upload(indexBuffer, indices, size_t(indexCount) * 4, size_t(block.firstIndex) * 4))
    Unplace();
}

bool D3D9Renderable::UpdateVertices(int32_t first, int32_t count) {
  if (!vertexBuffer || first < 0 || count <= 0 || count > vertices.vertexCount - first) return false;
  void* target = nullptr;
  if (FAILED(vertexBuffer->Lock(UINT((block.firstVertex + uint32_t(first)) * layout.stride),
                                UINT(uint32_t(count) * layout.stride), &target, 0)) ||
      !target)
    return false;
  for (VertexElementBuffer* element : vertices.elements)
    Interleave(static_cast<BYTE*>(target), *static_cast<D3D9VertexElementBuffer*>(element), first, count);
  vertexBuffer->Unlock();
  return true;
}

void D3D9Renderable::Render(StreamMap* streamMap, int32_t primitiveCount, int32_t firstPrimitive) {
  IDirect3DDevice9* device = D3D9::Device9();
  if (!device) return;
  if (!streamMap)
    RenderError("invalid stream map", "you cannot set the stream map on the 'Render' function as NULL.");
  if (!indexBuffer) RenderError("Renderable not built", "You must build the renderable before you can draw it");
  auto* map = static_cast<D3D9StreamMap*>(streamMap);
  if (!map->declaration)
    RenderError("Invalid stream map", "Yuo must build the stream map before you use it");

  D3D9::DrawCache& cache = D3D9::GetDrawCache();
  // Renderables of one pool chunk share their buffers: moving between them binds nothing.
  const void* geometry = block.chunk ? static_cast<const void*>(block.chunk) : this;
  bool sameGeometry = cache.geometry == geometry;
  bool sameDeclaration = cache.declaration == map->declaration;
  // Until this draw succeeds, nothing is known about what the device has bound.
  if (!sameGeometry || !sameDeclaration) D3D9::InvalidateDrawCache();
  if (!sameGeometry || !sameDeclaration) {
    bool bound[StreamMap::kMaxElements] = {};
    int streams = map->count < 0 ? 0 : (map->count > StreamMap::kMaxElements ? StreamMap::kMaxElements : map->count);
    for (VertexElementBuffer* element : vertices.elements) {
      auto* e = static_cast<D3D9VertexElementBuffer*>(element);
      for (int i = 0; i < streams; ++i) {
        if (!SameElement(e->Decl(), map->elements[i])) continue;
        device->SetStreamSource(UINT(i), e->buffer, e->offset, e->vertexStride);
        bound[i] = true;
      }
    }
    for (int i = 0; i < streams; ++i)
      if (!bound[i]) device->SetStreamSource(UINT(i), nullptr, 0, 0);
  }
  if (!sameGeometry && FAILED(device->SetIndices(indexBuffer)))
    RenderError("Failed to render object", "Setup Indices failed");
  if (!sameDeclaration && FAILED(device->SetVertexDeclaration(map->declaration)))
    RenderError("Failed to render object", "Setup Vertex declarations failed");
  UINT count = primitiveCount > 0 ? UINT(primitiveCount) : 0;
  UINT first = firstPrimitive > 0 ? UINT(firstPrimitive) : 0;
  HRESULT hr = primitiveType != 0
                   ? device->DrawIndexedPrimitive(PrimitiveOf(primitiveType), INT(block.firstVertex), 0,
                                                  UINT(vertices.vertexCount > 0 ? vertices.vertexCount : 0),
                                                  block.firstIndex + first * IndicesPerPrimitive(primitiveType), count)
                   : device->DrawPrimitive(D3DPT_POINTLIST, block.firstVertex + first, count);
  if (FAILED(hr)) RenderError("Failed to render object", "Set rendering failed failed");
  cache.geometry = geometry;
  cache.declaration = map->declaration;
}

}  // namespace KOR
