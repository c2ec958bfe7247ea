// World sprites: the quads a point sprite and a streak write for a view, and what a
// sprite batch draws on the recording device (depth order, pass mask, runs), with
// sprites and batches going in either order.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "scene/SpriteBatch.h"
#include "scene/SpriteMaterials.h"
#include "scene/WorldSprite.h"
#include "tests/scene/SceneTestSupport.h"

namespace {

using KOR::Matrix;
using KOR::PointSprite;
using KOR::SpriteBatch;
using KOR::SpriteBlend;
using KOR::SpriteVertex;
using KOR::StreakSprite;
using KOR::Vector3;

// A view from a camera at the origin whose right, up and look axes are given.
Matrix ViewOf(const Vector3& right, const Vector3& up, const Vector3& look) {
  Matrix v;
  const Vector3 axes[3] = {right, up, look};
  for (int c = 0; c < 3; ++c) {
    v.m[0][c] = axes[c].x;
    v.m[1][c] = axes[c].y;
    v.m[2][c] = axes[c].z;
  }
  return v;
}

void ExpectAt(const SpriteVertex& v, Vector3 p, float u, float t, const char* what) {
  EXPECT_NEAR(v.position.x, p.x, 1e-5f) << what;
  EXPECT_NEAR(v.position.y, p.y, 1e-5f) << what;
  EXPECT_NEAR(v.position.z, p.z, 1e-5f) << what;
  EXPECT_FLOAT_EQ(v.u, u) << what;
  EXPECT_FLOAT_EQ(v.v, t) << what;
}

TEST(PointSpriteQuad, AtNinetyDegreesTheTextureTurnsAQuarterInTheScreenPlane) {
  PointSprite s;
  s.position = {1, 2, 3};
  s.size = 2;
  s.colour = {1, 0, 0, 0.5f};
  SpriteVertex q[4];
  const Matrix identity;
  ASSERT_TRUE(s.WriteVertices(identity, q));
  ExpectAt(q[0], {-1, 0, 3}, 0, 1, "bottom left carries the texture's bottom left");
  ExpectAt(q[2], {3, 4, 3}, 1, 0, "top right");
  EXPECT_EQ(q[0].colour, 0x7FFF0000u);

  s.angle = 90;
  ASSERT_TRUE(s.WriteVertices(identity, q));
  ExpectAt(q[0], {3, 0, 3}, 0, 1, "the texture's bottom left is now bottom right");
  ExpectAt(q[1], {3, 4, 3}, 1, 1, "its bottom right is top right");
  ExpectAt(q[2], {-1, 4, 3}, 1, 0, "");
  ExpectAt(q[3], {-1, 0, 3}, 0, 0, "its top left is bottom left");

  // Looking along +x: the view's right is −z in the world, up stays +y.
  s.angle = 0;
  ASSERT_TRUE(s.WriteVertices(ViewOf({0, 0, -1}, {0, 1, 0}, {1, 0, 0}), q));
  ExpectAt(q[0], {1, 0, 5}, 0, 1, "laid on the plane facing the camera");
  ExpectAt(q[2], {1, 4, 1}, 1, 0, "");
}

TEST(StreakSpriteQuad, CornersRunAlongTheDirectionAndAcrossTheViewAndEndOnIsSkipped) {
  StreakSprite s;
  s.position = {10, 0, 5};
  s.direction = {2, 0, 0};  // only its direction counts
  s.length = 3;
  s.width = 1;
  SpriteVertex q[4];
  ASSERT_TRUE(s.WriteVertices(Matrix{}, q));
  ExpectAt(q[0], {7, -1, 5}, 0, 0, "");
  ExpectAt(q[1], {13, -1, 5}, 1, 0, "");
  ExpectAt(q[2], {13, 1, 5}, 1, 1, "");
  ExpectAt(q[3], {7, 1, 5}, 0, 1, "");

  s.direction = {0, 0, -4};
  EXPECT_FALSE(s.WriteVertices(Matrix{}, q)) << "seen exactly end-on";
  s.direction = {0, 0, 0};
  EXPECT_FALSE(s.WriteVertices(Matrix{}, q)) << "no direction at all";
  s.direction = {0, 0, 1};
  EXPECT_TRUE(s.WriteVertices(ViewOf({0, 0, -1}, {0, 1, 0}, {1, 0, 0}), q)) << "the same streak seen from the side";
}

TEST(SpriteBatchList, SpritesAreSortedFarthestFirstForTheView) {
  SpriteBatch batch(nullptr, 8);
  PointSprite near, far, middle;
  near.position = {0, 0, 5};
  far.position = {0, 0, 20};
  middle.position = {0, 0, 10};
  batch.Add(&near);
  batch.Add(&far);
  batch.Add(&middle);
  batch.Draw(Matrix{}, 0);
  EXPECT_EQ(batch.GetSprites(), (std::vector<KOR::WorldSprite*>{&far, &middle, &near}));
  EXPECT_FLOAT_EQ(far.cameraDepth, 20.0f);
  // Turned round (looking along −z, from z = 30), the order reverses.
  Matrix back = ViewOf({-1, 0, 0}, {0, 1, 0}, {0, 0, -1});
  back.m[3][2] = 30;
  batch.Draw(back, 0);
  EXPECT_EQ(batch.GetSprites(), (std::vector<KOR::WorldSprite*>{&near, &middle, &far}));
  EXPECT_FLOAT_EQ(near.cameraDepth, 25.0f);
}

TEST(SpriteBatchList, AddMovesASpriteAndSpritesAndBatchesMayGoInEitherOrder) {
  auto first = std::make_unique<SpriteBatch>(nullptr, 4);
  SpriteBatch second(nullptr, 4);
  PointSprite kept;
  auto gone = std::make_unique<StreakSprite>();
  first->Add(&kept);
  first->Add(gone.get());
  second.Add(&kept);
  EXPECT_EQ(first->GetSprites(), std::vector<KOR::WorldSprite*>{gone.get()});
  EXPECT_EQ(kept.batch, &second);
  first->Remove(&kept);
  EXPECT_EQ(kept.batch, &second) << "not first's to remove";
  gone.reset();
  EXPECT_TRUE(first->GetSprites().empty());
  first->Add(&kept);
  first.reset();
  EXPECT_EQ(kept.batch, nullptr);
  EXPECT_TRUE(second.GetSprites().empty());
}

class SpriteDrawTest : public CurrentRecordedDevice {
protected:
  struct Textures : KOR::TextureSource {
    KOR::TextureObject* GetTexture(const std::string&) override { return nullptr; }
  } none;
  std::vector<int> Draws() const {
    std::vector<int> counts;
    for (const std::string& c : recording.calls)
      if (c.rfind("DrawIndexedPrimitive(", 0) == 0) counts.push_back(std::stoi(c.substr(c.rfind(", ") + 2)));
    return counts;
  }
  PointSprite& Make(float depth, KOR::RenderPass* material, uint32_t mask = 0) {
    sprites.push_back(std::make_unique<PointSprite>());
    sprites.back()->position = {0, 0, depth};
    sprites.back()->material = material;
    sprites.back()->passMask = mask;
    return *sprites.back();
  }
  std::vector<std::unique_ptr<PointSprite>> sprites;
};

TEST_F(SpriteDrawTest, APassMaskDrawsOnlyTheSpritesSharingABit) {
  SpriteBatch batch(device, 8);
  batch.Add(&Make(5, nullptr, 1));
  batch.Add(&Make(6, nullptr, 2));
  batch.Add(&Make(7, nullptr, 3));
  struct Case {
    uint32_t mask;
    std::vector<int> draws;
  } cases[] = {{0, {6}}, {2, {4}}, {1, {4}}, {4, {}}};
  for (const Case& c : cases) {
    recording.calls.clear();
    batch.Draw(Matrix{}, c.mask);
    EXPECT_EQ(Draws(), c.draws) << "mask " << c.mask;
  }
}

TEST_F(SpriteDrawTest, RunsFollowTheDepthOrderAndEndAtMaterialsAndCapacity) {
  KOR::SpriteMaterials materials(none);
  KOR::RenderPass* additive = materials.Get("", SpriteBlend::Additive);
  KOR::RenderPass* alpha = materials.Get("", SpriteBlend::Alpha);
  SpriteBatch batch(device, 2);
  // In depth order: additive, additive, alpha, additive, additive, additive.
  for (float depth : {60.0f, 50.0f, 30.0f, 20.0f, 10.0f}) batch.Add(&Make(depth, additive));
  batch.Add(&Make(40, alpha));
  recording.calls.clear();
  batch.Draw(Matrix{}, 0);
  // The runs share one buffer of two quads: it is drawn out when full, mid-run if need be.
  EXPECT_EQ(Draws(), (std::vector<int>{4, 2, 2, 4}));

  StreakSprite endOn;
  endOn.direction = {0, 0, 1};
  endOn.position = {0, 0, 45};
  endOn.material = additive;
  batch.Add(&endOn);
  recording.calls.clear();
  batch.Draw(Matrix{}, 0);
  EXPECT_EQ(Draws(), (std::vector<int>{4, 2, 2, 4})) << "the end-on streak is skipped, nothing else changes";
}

}  // namespace

namespace {

// Runs of three materials in one frame: the quads go up once, in one lock of just the
// quads written, and each run draws its own part of them.
TEST_F(SpriteDrawTest, AFrameUploadsItsQuadsOnceAndDrawsEachRunFromItsOwnPart) {
  KOR::SpriteMaterials materials(none);
  KOR::RenderPass* additive = materials.Get("", SpriteBlend::Additive);
  KOR::RenderPass* alpha = materials.Get("", SpriteBlend::Alpha);
  SpriteBatch batch(device, 16);
  for (float depth : {60.0f, 50.0f}) batch.Add(&Make(depth, additive));
  batch.Add(&Make(40, alpha));
  batch.Add(&Make(30, additive));
  batch.Draw(Matrix{}, 0);  // the first frame makes the buffers
  recording.calls.clear();
  batch.Draw(Matrix{}, 0);
  std::vector<std::string> locks, draws;
  for (const std::string& c : recording.calls) {
    if (c.rfind("VertexBuffer::Lock(", 0) == 0) locks.push_back(c);
    if (c.rfind("DrawIndexedPrimitive(", 0) == 0) draws.push_back(c);
  }
  ASSERT_EQ(locks.size(), 1u) << "position, colour and texture coordinates together";
  // Four quads of 24-byte vertices from the start, not the sixteen quads of the buffer.
  EXPECT_NE(locks[0].find(", 0, 384, "), std::string::npos) << locks[0];
  ASSERT_EQ(draws.size(), 3u);
  // DrawIndexedPrimitive(type, base, min, vertices, start index, primitives).
  EXPECT_NE(draws[0].find(", 0, 4)"), std::string::npos) << draws[0];
  EXPECT_NE(draws[1].find(", 12, 2)"), std::string::npos) << draws[1];
  EXPECT_NE(draws[2].find(", 18, 2)"), std::string::npos) << draws[2];
}

}  // namespace
