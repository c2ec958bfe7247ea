#include "graphics/Mesh3DFFormat.h"

#include <cstring>

namespace KOR {

bool ParseMesh3DF(const uint8_t* data, size_t size, Mesh3DFLayout& layout) {
  using namespace Mesh3DFFormat;
  if (!data || size < kHeaderSize) return false;
  Mesh3DFHeader header;
  std::memcpy(&header, data, kHeaderSize);
  if (std::memcmp(header.magic, "F3DF", 4) != 0 || header.version != kVersion) return false;
  if (header.vertexCount < 0 || header.indexCount < 0) return false;
  // In 64 bits the products of two 31-bit counts cannot overflow.
  uint64_t vertexBytes = uint64_t(header.vertexCount) * kVertexSize;
  uint64_t indexBytes = uint64_t(header.indexCount) * kIndexSize;
  if (kHeaderSize + vertexBytes + indexBytes > size) return false;

  const uint8_t* indices = data + kHeaderSize + vertexBytes;
  for (int32_t i = 0; i < header.indexCount; ++i) {
    uint32_t index;
    std::memcpy(&index, indices + size_t(i) * kIndexSize, kIndexSize);
    // An index past the vertices would make the device read beyond its buffers.
    if (index >= uint32_t(header.vertexCount)) return false;
  }
  layout.vertexCount = header.vertexCount;
  layout.indexCount = header.indexCount;
  layout.vertices = data + kHeaderSize;
  layout.indices = indices;
  return true;
}

std::vector<uint8_t> WriteMesh3DF(const Mesh3DFData& mesh) {
  using namespace Mesh3DFFormat;
  Mesh3DFHeader header;
  header.vertexCount = int32_t(mesh.vertices.size());
  header.indexCount = int32_t(mesh.indices.size());
  std::vector<uint8_t> out(kHeaderSize + mesh.vertices.size() * kVertexSize +
                           mesh.indices.size() * kIndexSize);
  std::memcpy(out.data(), &header, kHeaderSize);
  if (!mesh.vertices.empty())
    std::memcpy(out.data() + kHeaderSize, mesh.vertices.data(), mesh.vertices.size() * kVertexSize);
  if (!mesh.indices.empty())
    std::memcpy(out.data() + kHeaderSize + mesh.vertices.size() * kVertexSize, mesh.indices.data(),
                mesh.indices.size() * kIndexSize);
  return out;
}

}  // namespace KOR
