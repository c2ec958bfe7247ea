#pragma once
// The 3DF mesh file as plain records: a 16-byte header ("F3DF", version 150, vertex and
// index counts), 48-byte vertices, then 32-bit indices of a triangle list. The reader
// (Mesh3DF) and the content writers share these types, so a round trip is exact.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace KOR {

static_assert(std::endian::native == std::endian::little,
              "engine files are little-endian and read by copying their bytes");

struct Mesh3DFVertex {
  float position[3] = {0, 0, 0};
  float normal[3] = {0, 0, 0};
  float texCoord[2] = {0, 0};
  float tangent[4] = {0, 0, 0, 0};
};
static_assert(sizeof(Mesh3DFVertex) == 48);

struct Mesh3DFHeader {
  char magic[4] = {'F', '3', 'D', 'F'};
  uint32_t version = 150;
  int32_t vertexCount = 0;
  int32_t indexCount = 0;
};
static_assert(sizeof(Mesh3DFHeader) == 16);

namespace Mesh3DFFormat {
constexpr uint32_t kVersion = 150;
constexpr size_t kHeaderSize = sizeof(Mesh3DFHeader);
constexpr size_t kVertexSize = sizeof(Mesh3DFVertex);
constexpr size_t kIndexSize = 4;
}  // namespace Mesh3DFFormat

// A mesh as its file holds it.
struct Mesh3DFData {
  std::vector<Mesh3DFVertex> vertices;
  std::vector<uint32_t> indices;
};

// Where the two arrays of a checked image lie; see ParseMesh3DF.
struct Mesh3DFLayout {
  int32_t vertexCount = 0;
  int32_t indexCount = 0;
  const uint8_t* vertices = nullptr;  // vertexCount records of 48 bytes, unaligned
  const uint8_t* indices = nullptr;   // indexCount 32-bit values, unaligned
};

// Checks an image and says where its arrays are: false unless it has the magic and
// version, counts that are not negative and fit the bytes given, and indices that all
// name a vertex. Nothing is read outside data[0, size).
bool ParseMesh3DF(const uint8_t* data, size_t size, Mesh3DFLayout& layout);

// The file image of a mesh.
std::vector<uint8_t> WriteMesh3DF(const Mesh3DFData& mesh);

}  // namespace KOR
