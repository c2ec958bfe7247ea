#pragma once
// Geometry on the CPU: one tightly packed array per vertex attribute, grouped in a
// VertexBufferArray and drawn through a Renderable with a 32-bit index list. The render
// module's subclasses create the device buffers and declarations and issue the draws.

#include <cstdint>
#include <vector>

#include "graphics/DeviceObject.h"

namespace KOR {

class Renderable;

// Usages are numbered as Direct3D 9's declaration usages; types are the engine's.
struct VertexElementDecl {
  uint32_t usage = 0;
  uint8_t usageIndex = 0;
  uint32_t type = 2;
};
bool operator==(const VertexElementDecl& a, const VertexElementDecl& b);

// Bytes one value of an element type takes; 0 for an unknown type.
int ElementTypeSize(uint32_t type);

class StreamMap : public DeviceObject {
public:
  static constexpr int kMaxElements = 16;
  virtual void Build() = 0;
  // False when the map is full.
  bool AddElement(VertexElementDecl decl);

  int32_t count = 0;
  VertexElementDecl elements[kMaxElements];
};

class VertexElementBuffer : public DeviceObject {
public:
  ~VertexElementBuffer() override;
  virtual bool Build(Renderable* owner, uint32_t flags = 0) = 0;
  // Uploads vertices first … first + count − 1 of data into the built buffer (a dynamic
  // renderable's part that changed); false when it is not built or the range is outside.
  virtual bool Update(int32_t first, int32_t count) = 0;
  void Resize(int32_t vertexCount);
  VertexElementDecl Decl() const { return {usage, usageIndex, type}; }

  int32_t vertexCount = 0;
  int32_t stride = 0;
  uint32_t usage = 0;
  uint8_t usageIndex = 0;
  uint32_t type = 2;
  unsigned char* data = nullptr;  // stride × vertexCount bytes
};

class VertexBufferArray {
public:
  VertexBufferArray() = default;
  VertexBufferArray(const VertexBufferArray&) = delete;
  VertexBufferArray& operator=(const VertexBufferArray&) = delete;
  virtual ~VertexBufferArray();
  virtual void Build(Renderable* owner);

  void Resize(int32_t vertexCount);
  void AddElement(VertexElementDecl decl);
  VertexElementBuffer* GetElement(VertexElementDecl decl) const;
  void Clear();

  int32_t vertexCount = 0;
  std::vector<VertexElementBuffer*> elements;  // owned, in the order added
};

class Device;

class Renderable : public DeviceObject {
public:
  explicit Renderable(Device* device) : device(device) {}
  ~Renderable() override;
  virtual void Build();
  // Draws primitiveCount primitives from primitive firstPrimitive of the index list.
  virtual void Render(StreamMap* streamMap, int32_t primitiveCount, int32_t firstPrimitive = 0) = 0;
  // Uploads vertices first … first + count − 1 of every element (a dynamic renderable's
  // part that changed); false when not built or the range is outside.
  virtual bool UpdateVertices(int32_t first, int32_t count);

  void ResizeIndices(int32_t indexCount);
  int32_t GetPrimitiveCount() const;
  // primitiveCount −1 draws every primitive; others are clamped to 0 … GetPrimitiveCount.
  void Draw(StreamMap* streamMap, int32_t primitiveCount = -1);
  // Primitives first … first + count − 1, clamped to the index list; nothing when empty.
  void DrawRange(StreamMap* streamMap, int32_t first, int32_t count);

  VertexBufferArray vertices;
  uint32_t primitiveType = 3;  // triangle list
  int32_t indexCount = 0;
  uint32_t* indices = nullptr;
  Device* device;
};

}  // namespace KOR
