// 3DF meshes: what a file gives the renderable and the bounds, and every way a file can
// be refused without a renderable being made or a byte outside it read.

#include <cmath>
#include <cstring>

#include "graphics/Mesh3DF.h"
#include "graphics/Mesh3DFFormat.h"
#include "graphics/VertexBuffer.h"
#include "tests/scene/SceneTestSupport.h"
#include "tools/scene/SceneWriters.h"

namespace {

using KOR::Mesh3DF;
using KOR::Testing::Caught;

const KOR::VertexElementDecl kPosition{0, 0, 2}, kNormal{3, 0, 2}, kTexCoord{5, 0, 1},
    kTangent{6, 0, 3}, kColour{10, 0, 4};

std::vector<uint8_t> Header(const char* magic, uint32_t version, int32_t v, int32_t i) {
  std::vector<uint8_t> out(16);
  std::memcpy(out.data(), magic, 4);
  std::memcpy(out.data() + 4, &version, 4);
  std::memcpy(out.data() + 8, &v, 4);
  std::memcpy(out.data() + 12, &i, 4);
  return out;
}

void ExpectWrongFormat(const std::vector<uint8_t>& bytes) {
  Mesh3DF mesh;
  KOR::Exception e = Caught([&] { mesh.LoadFromMemory(bytes.data(), bytes.size()); });
  EXPECT_EQ(e.GetModule(), "KORGraphics (Mesh3DF)");
  EXPECT_EQ(e.GetError(), "Wrong file format");
  EXPECT_EQ(e.GetDescription(), "The data is not a 3df mesh model");
  EXPECT_EQ(mesh.GetRenderable(), nullptr);
}

class Mesh3DFTest : public CurrentRecordedDevice {};

TEST_F(Mesh3DFTest, ACubeGivesTwelveWhiteTrianglesAndItsCornerDistanceAsRadius) {
  KOR::Mesh3DFData cube = KOR::BoxMesh({-1, -2, -3}, {1, 2, 3});
  ASSERT_EQ(cube.vertices.size(), 24u);
  ASSERT_EQ(cube.indices.size(), 36u);
  std::vector<uint8_t> bytes = KOR::WriteMesh3DF(cube);
  Mesh3DF mesh;
  mesh.LoadFromMemory(bytes.data(), bytes.size());

  KOR::Renderable* r = mesh.GetRenderable();
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->primitiveType, 3u);
  EXPECT_EQ(r->GetPrimitiveCount(), 12);
  EXPECT_EQ(r->vertices.vertexCount, 24);
  ASSERT_EQ(r->vertices.elements.size(), 5u);
  EXPECT_EQ(r->vertices.elements[0]->Decl(), kPosition);
  EXPECT_EQ(r->vertices.elements[4]->Decl(), kColour);
  const auto* colours = reinterpret_cast<const uint32_t*>(r->vertices.GetElement(kColour)->data);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(colours[i], 0xFFFFFFFFu) << i;
  EXPECT_EQ(std::memcmp(r->indices, cube.indices.data(), 36 * 4), 0);
  EXPECT_FLOAT_EQ(mesh.GetRadius(), std::sqrt(14.0f));
  EXPECT_FLOAT_EQ(mesh.GetBoundsMin().z, -3.0f);
  EXPECT_FLOAT_EQ(mesh.GetBoundsMax().y, 2.0f);
  // Built on the device: its 36 indices uploaded.
  std::vector<std::string> locks = From("IndexBuffer::Lock(");
  ASSERT_FALSE(locks.empty());
  EXPECT_NE(locks[0].find(", 144, "), std::string::npos) << locks[0];
}

TEST_F(Mesh3DFTest, EveryAttributeLandsInItsOwnElementAsWritten) {
  KOR::Mesh3DFData data;
  for (int i = 0; i < 3; ++i) {
    KOR::Mesh3DFVertex v;
    for (int k = 0; k < 3; ++k) v.position[k] = float(i * 10 + k);
    for (int k = 0; k < 3; ++k) v.normal[k] = float(100 + i * 10 + k);
    for (int k = 0; k < 2; ++k) v.texCoord[k] = float(200 + i * 10 + k);
    for (int k = 0; k < 4; ++k) v.tangent[k] = float(300 + i * 10 + k);
    data.vertices.push_back(v);
  }
  data.indices = {2, 1, 0};
  std::vector<uint8_t> bytes = KOR::WriteMesh3DF(data);
  Mesh3DF mesh;
  mesh.LoadFromMemory(bytes.data(), bytes.size());
  const KOR::VertexBufferArray& a = mesh.GetRenderable()->vertices;
  auto floats = [&](KOR::VertexElementDecl d) { return reinterpret_cast<const float*>(a.GetElement(d)->data); };
  EXPECT_FLOAT_EQ(floats(kPosition)[2 * 3 + 1], 21.0f);
  EXPECT_FLOAT_EQ(floats(kNormal)[1 * 3 + 2], 112.0f);
  EXPECT_FLOAT_EQ(floats(kTexCoord)[2 * 2 + 1], 221.0f);
  EXPECT_FLOAT_EQ(floats(kTangent)[1 * 4 + 3], 313.0f);
  EXPECT_EQ(mesh.GetRenderable()->indices[0], 2u);
}

TEST_F(Mesh3DFTest, VerticesOnThePositiveSideKeepTheRadiusFromTheOrigin) {
  KOR::Mesh3DFData box = KOR::BoxMesh({1, 1, 1}, {2, 3, 4});
  std::vector<uint8_t> bytes = KOR::WriteMesh3DF(box);
  Mesh3DF mesh;
  mesh.LoadFromMemory(bytes.data(), bytes.size());
  EXPECT_GT(mesh.GetBoundsMin().x, 0.0f);
  EXPECT_FLOAT_EQ(mesh.GetBoundsMin().y, 1.0f);
  EXPECT_FLOAT_EQ(mesh.GetRadius(), std::sqrt(29.0f));
}

TEST_F(Mesh3DFTest, AnEmptyMeshHasZeroBounds) {
  std::vector<uint8_t> bytes = Header("F3DF", 150, 0, 0);
  Mesh3DF mesh;
  mesh.LoadFromMemory(bytes.data(), bytes.size());
  EXPECT_NE(mesh.GetRenderable(), nullptr);
  EXPECT_EQ(mesh.GetRadius(), 0.0f);
  EXPECT_EQ(mesh.GetBoundsMax().x, 0.0f);
}

TEST_F(Mesh3DFTest, MissingAndShortFilesCannotBeOpenedAndSayWhich) {
  KOR::Testing::ScratchFolder folder;
  std::vector<uint8_t> fifteen(15, 'F');
  ASSERT_TRUE(KOR::WriteFileBytes(folder.File("short.3df"), fifteen));
  for (const std::string& name : {folder.File("missing.3df"), folder.File("short.3df")}) {
    Mesh3DF mesh;
    KOR::Exception e = Caught([&] { mesh.LoadFile(name); });
    EXPECT_EQ(e.GetError(), "Cannot open file");
    EXPECT_EQ(e.GetDescription(), "The data buffer is invalid. " + name);
  }
  ASSERT_TRUE(KOR::WriteFileBytes(folder.File("empty.3df"), Header("F3DF", 150, 0, 0)));
  Mesh3DF empty;
  EXPECT_NO_THROW(empty.LoadFile(folder.File("empty.3df")));
  Mesh3DF none;
  KOR::Exception e = Caught([&] { none.LoadFromMemory(nullptr, 0); });
  EXPECT_EQ(e.GetDescription(), "The data buffer is invalid.");
}

TEST_F(Mesh3DFTest, WrongMagicVersionAndCountsAreTheWrongFormat) {
  ExpectWrongFormat(Header("F3DX", 150, 0, 0));
  ExpectWrongFormat(Header("F3DF", 151, 0, 0));
  ExpectWrongFormat(Header("F3DF", 150, -1, 0));
  ExpectWrongFormat(Header("F3DF", 150, 0, -3));
  // Counts whose byte sizes would wrap a 32-bit product.
  ExpectWrongFormat(Header("F3DF", 150, 0x7FFFFFFF, 0));
  ExpectWrongFormat(Header("F3DF", 150, 0, 0x40000000));
  EXPECT_EQ(Count("CreateVertexBuffer"), 0u);
}

TEST_F(Mesh3DFTest, AnIndexPastTheVerticesIsRefused) {
  KOR::Mesh3DFData cube = KOR::BoxMesh({-1, -1, -1}, {1, 1, 1});
  cube.indices[17] = 24;
  ExpectWrongFormat(KOR::WriteMesh3DF(cube));
  cube.indices[17] = 23;
  std::vector<uint8_t> fine = KOR::WriteMesh3DF(cube);
  Mesh3DF mesh;
  EXPECT_NO_THROW(mesh.LoadFromMemory(fine.data(), fine.size()));
}

TEST_F(Mesh3DFTest, EveryTruncationOfAValidFileIsRefused) {
  std::vector<uint8_t> whole = KOR::WriteMesh3DF(KOR::BoxMesh({-1, -1, -1}, {1, 1, 1}));
  for (size_t size = 0; size < whole.size(); ++size) {
    // A buffer of exactly size bytes, so the sanitizer sees any read past it.
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(size));
    Mesh3DF mesh;
    KOR::Exception e = Caught([&] { mesh.LoadFromMemory(cut.data(), cut.size()); });
    EXPECT_TRUE(e.GetError() == "Wrong file format" || e.GetError() == "Cannot open file") << size;
    EXPECT_EQ(mesh.GetRenderable(), nullptr);
  }
  std::vector<uint8_t> longer = whole;
  longer.resize(whole.size() + 7, 0xAB);  // what follows the indices is ignored
  Mesh3DF mesh;
  EXPECT_NO_THROW(mesh.LoadFromMemory(longer.data(), longer.size()));
}

TEST_F(Mesh3DFTest, ARoundTripThroughTheWriterKeepsEveryByte) {
  KOR::Mesh3DFData box = KOR::BoxMesh({-1, 0, 2}, {3, 4, 5});
  std::vector<uint8_t> bytes = KOR::WriteMesh3DF(box);
  ASSERT_EQ(bytes.size(), 16u + 24 * 48 + 36 * 4);
  KOR::Mesh3DFLayout layout;
  ASSERT_TRUE(KOR::ParseMesh3DF(bytes.data(), bytes.size(), layout));
  EXPECT_EQ(layout.vertexCount, 24);
  EXPECT_EQ(layout.indexCount, 36);
  EXPECT_EQ(std::memcmp(layout.vertices, box.vertices.data(), 24 * 48), 0);
  EXPECT_EQ(std::memcmp(layout.indices, box.indices.data(), 36 * 4), 0);
}

TEST(Mesh3DFWithoutDevice, TakesTheBoundsAndMakesNothing) {
  KOR::RenderSystemTesting::SetCurrentDevice(nullptr);
  std::vector<uint8_t> bytes = KOR::WriteMesh3DF(KOR::BoxMesh({-1, -1, -1}, {2, 2, 2}));
  Mesh3DF mesh;
  mesh.LoadFromMemory(bytes.data(), bytes.size());
  EXPECT_EQ(mesh.GetRenderable(), nullptr);
  EXPECT_FLOAT_EQ(mesh.GetBoundsMax().x, 2.0f);
}

}  // namespace
