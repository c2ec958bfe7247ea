#include "render_d3d9/StreamMap.h"

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

template <class T>
void ReleaseAndClear(T*& object) {
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

[[noreturn]] void RenderError(const char* error, const char* description) {
  throw Exception("KOR Direct3D 9 (Renderable)", error, description);
}

}  // namespace

D3D9VertexElementBuffer::D3D9VertexElementBuffer(VertexElementDecl decl) {
  usage = decl.usage;
  usageIndex = decl.usageIndex;
  type = decl.type;
}

D3D9VertexElementBuffer::~D3D9VertexElementBuffer() { ReleaseAndClear(buffer); }

bool D3D9VertexElementBuffer::Build(Renderable* owner, uint32_t) {
  IDirect3DDevice9* device = D3D9::Device9();
  if (vertexCount <= 0 || !device) return true;
  size_t bytes = size_t(vertexCount) * size_t(stride);
  if (bytes == 0 || !data || bytes > 0xFFFFFFFFu) return false;
  if (!buffer) {
    bool dynamic = owner && static_cast<D3D9Renderable*>(owner)->dynamic;
    if (FAILED(device->CreateVertexBuffer(UINT(bytes), dynamic ? D3DUSAGE_DYNAMIC : D3DUSAGE_WRITEONLY,
                                          0, D3DPOOL_DEFAULT, &buffer, nullptr)))
      buffer = nullptr;
    if (!buffer) return false;
  }
  return Upload(buffer, data, bytes);
}

bool D3D9VertexElementBuffer::Update(int32_t first, int32_t count) {
  if (!buffer || !data || first < 0 || count <= 0 || count > vertexCount - first) return false;
  size_t offset = size_t(first) * size_t(stride);
  return Upload(buffer, data + offset, size_t(count) * size_t(stride), offset);
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
  ReleaseAndClear(indexBuffer);
}

void D3D9Renderable::Build() {
  IDirect3DDevice9* device = D3D9::Device9();
  if (!device) return;
  // A rebuild may hand out new buffers: the next draw binds everything again.
  D3D9::ForgetInDrawCache(this);
  bool built = true;
  for (VertexElementBuffer* element : vertices.elements) built = element->Build(this) && built;
  size_t bytes = indexCount > 0 ? size_t(indexCount) * 4 : 0;
  if (!indexBuffer && bytes && bytes <= 0xFFFFFFFFu &&
      FAILED(device->CreateIndexBuffer(UINT(bytes), dynamic ? D3DUSAGE_DYNAMIC : D3DUSAGE_WRITEONLY,
                                       D3DFMT_INDEX32, D3DPOOL_DEFAULT, &indexBuffer, nullptr)))
    indexBuffer = nullptr;
  built = built && indexBuffer && indices && Upload(indexBuffer, indices, bytes);
  // Half-built geometry would draw garbage: leave it unbuilt so Render says so.
  if (!built) ReleaseAndClear(indexBuffer);
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
  bool sameRenderable = cache.renderable == this;
  bool sameDeclaration = cache.declaration == map->declaration;
  // Until this draw succeeds, nothing is known about what the device has bound.
  if (!sameRenderable || !sameDeclaration) D3D9::InvalidateDrawCache();
  if (!sameRenderable || !sameDeclaration) {
    bool bound[StreamMap::kMaxElements] = {};
    int streams = map->count < 0 ? 0 : (map->count > StreamMap::kMaxElements ? StreamMap::kMaxElements : map->count);
    for (VertexElementBuffer* element : vertices.elements) {
      auto* e = static_cast<D3D9VertexElementBuffer*>(element);
      for (int i = 0; i < streams; ++i) {
        if (!e->buffer || !SameElement(e->Decl(), map->elements[i])) continue;
        device->SetStreamSource(UINT(i), e->buffer, 0, UINT(e->stride));
        bound[i] = true;
      }
    }
    for (int i = 0; i < streams; ++i)
      if (!bound[i]) device->SetStreamSource(UINT(i), nullptr, 0, 0);
  }
  if (!sameRenderable && primitiveType != 0 && FAILED(device->SetIndices(indexBuffer)))
    RenderError("Failed to render object", "Setup Indices failed");
  if (!sameDeclaration && FAILED(device->SetVertexDeclaration(map->declaration)))
    RenderError("Failed to render object", "Setup Vertex declarations failed");
  UINT count = primitiveCount > 0 ? UINT(primitiveCount) : 0;
  UINT first = firstPrimitive > 0 ? UINT(firstPrimitive) : 0;
  HRESULT hr = primitiveType != 0
                   ? device->DrawIndexedPrimitive(PrimitiveOf(primitiveType), 0, 0,
                                                  UINT(vertices.vertexCount > 0 ? vertices.vertexCount : 0),
                                                  first * IndicesPerPrimitive(primitiveType), count)
                   : device->DrawPrimitive(D3DPT_POINTLIST, first, count);
  if (FAILED(hr)) RenderError("Failed to render object", "Set rendering failed failed");
  cache.renderable = this;
  cache.declaration = map->declaration;
}

}  // namespace KOR
