#include "graphics/Mesh3DF.h"

#include <cmath>
#include <cstring>

#include "core/Exception.h"
#include "core/File.h"
#include "graphics/Device.h"
#include "graphics/EngineNumbers.h"
#include "graphics/Mesh3DFFormat.h"
#include "graphics/RenderSystem.h"
#include "graphics/VertexBuffer.h"

namespace KOR {
namespace {

const char kModule[] = "KORGraphics (Mesh3DF)";

const VertexElementDecl kPosition{+ElementUsage::Position, 0, +ElementType::Float3},
    kNormal{+ElementUsage::Normal, 0, +ElementType::Float3}, kTexCoord{+ElementUsage::TexCoord, 0, +ElementType::Float2},
    kTangent{+ElementUsage::Tangent, 0, +ElementType::Float4}, kColour{+ElementUsage::Colour, 0, +ElementType::Colour};

// Copies bytes [offset, offset + count) of every 48-byte record into a packed element.
void FillElement(VertexElementBuffer* element, const uint8_t* records, int32_t vertexCount,
                 size_t offset, size_t count) {
  if (!element || !element->data) return;
  for (int32_t i = 0; i < vertexCount; ++i)
    std::memcpy(element->data + size_t(i) * size_t(element->stride),
                records + size_t(i) * Mesh3DFFormat::kVertexSize + offset, count);
}

}  // namespace

Mesh3DF::~Mesh3DF() { Release(); }

void Mesh3DF::Release() {
  if (renderable && device) device->DestroyObject(renderable);
  renderable = nullptr;
  device = nullptr;
}

void Mesh3DF::LoadFile(const std::string& name) {
  File file;
  if (!file.Open(name.c_str(), 0) || !file.GetData() || file.GetSize() < Mesh3DFFormat::kHeaderSize)
    throw Exception(kModule, "Cannot open file", "The data buffer is invalid. " + name);
  LoadFromMemory(file.GetData(), file.GetSize());
}

void Mesh3DF::LoadFromMemory(const uint8_t* data, size_t size) {
  if (!data) throw Exception(kModule, "Cannot open file", "The data buffer is invalid.");
  Mesh3DFLayout layout;
  if (!ParseMesh3DF(data, size, layout))
    throw Exception(kModule, "Wrong file format", "The data is not a 3df mesh model");

  Renderable* made = nullptr;
  Device* maker = CurrentDevice();
  if (maker) {
    made = maker->CreateRenderable(false);
    try {
      const int32_t n = layout.vertexCount;
      made->vertices.Resize(n);
      for (const VertexElementDecl& decl : {kPosition, kNormal, kTexCoord, kTangent, kColour})
        made->vertices.AddElement(decl);
      FillElement(made->vertices.GetElement(kPosition), layout.vertices, n, 0, 12);
      FillElement(made->vertices.GetElement(kNormal), layout.vertices, n, 12, 12);
      FillElement(made->vertices.GetElement(kTexCoord), layout.vertices, n, 24, 8);
      FillElement(made->vertices.GetElement(kTangent), layout.vertices, n, 32, 16);
      if (VertexElementBuffer* colour = made->vertices.GetElement(kColour); colour && colour->data)
        for (int32_t i = 0; i < n; ++i) {
          const uint32_t white = 0xFFFFFFFFu;
          std::memcpy(colour->data + size_t(i) * size_t(colour->stride), &white, 4);
        }
      made->primitiveType = 3;
      made->ResizeIndices(layout.indexCount);
      if (layout.indexCount > 0)
        std::memcpy(made->indices, layout.indices, size_t(layout.indexCount) * Mesh3DFFormat::kIndexSize);
      made->Build();
    } catch (...) {
      maker->DestroyObject(made);
      throw;
    }
  }

  Release();
  renderable = made;
  device = maker;
  radius = 0.0f;
  boundsMin = boundsMax = Vector3{};
  for (int32_t i = 0; i < layout.vertexCount; ++i) {
    Vector3 p;
    std::memcpy(&p, layout.vertices + size_t(i) * Mesh3DFFormat::kVertexSize, sizeof p);
    float length = Length(p);
    if (i == 0) {
      radius = length;
      boundsMin = boundsMax = p;
      continue;
    }
    if (length > radius) radius = length;
    if (p.x < boundsMin.x) boundsMin.x = p.x;
    if (p.y < boundsMin.y) boundsMin.y = p.y;
    if (p.z < boundsMin.z) boundsMin.z = p.z;
    if (p.x > boundsMax.x) boundsMax.x = p.x;
    if (p.y > boundsMax.y) boundsMax.y = p.y;
    if (p.z > boundsMax.z) boundsMax.z = p.z;
  }
}

}  // namespace KOR
