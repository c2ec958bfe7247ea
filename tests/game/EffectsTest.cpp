// Explosions and particles: the fireball's seven frames within its duration, the smoke
// after it, the effect removing itself, trail puffs' brightness, and particles that stop
// once dead.

#include "game/gameplay/Explosion.h"
#include "game/gameplay/ParticleScript.h"
#include "scene/SpriteBatch.h"
#include "tests/game/GameHarness.h"

namespace {

class EffectsTest : public GameHarness {};

TEST_F(EffectsTest, AnExplosionShowsItsSevenFramesThenItsSmokeThenGoes) {
  StartSmallGame();
  Frames(1);
  ParticleScript* fx = Explosion(*scene, {30, 10, 0}, Blast{30.0f, 0.25f, 1.0f, false, false});
  std::vector<int> frames;
  float smokeStart = -1.0f;
  for (int i = 0; i < 100 && Count("ParticleScript") == 1; ++i) {
    Frames(1);
    if (Count("ParticleScript") == 0) break;
    for (const auto& p : fx->GetActive())
      if (p->frames.size() == 7 && (frames.empty() || frames.back() != p->frameIndex)) frames.push_back(p->frameIndex);
    if (smokeStart < 0.0f && fx->GetActive().size() > 1) smokeStart = fx->age;
  }
  EXPECT_EQ(frames, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
  EXPECT_NEAR(smokeStart, 0.25f * 2.0f / 3.0f, 0.011f);
  EXPECT_EQ(Count("ParticleScript"), 0u);
  EXPECT_TRUE(scene->GetSprites()->GetSprites().empty());
}

TEST_F(EffectsTest, SmokeGrowsFromNothingWhileFadingOut) {
  StartSmallGame();
  ParticleScript* fx = Explosion(*scene, {0, 0, 0}, Blast{30.0f, 0.25f, 1.0f, false, false});
  RunFor(0.2f);
  float size = -1.0f, alpha = 2.0f;
  for (int i = 0; i < 100; ++i) {
    Frames(1);
    if (Count("ParticleScript") == 0) break;  // the effect has gone with its last particle
    for (const auto& p : fx->GetActive()) {
      if (p->frames.size() != 1) continue;
      EXPECT_GE(p->size, size);
      EXPECT_LE(p->colour.a, alpha);
      size = p->size;
      alpha = p->colour.a;
      break;
    }
  }
  EXPECT_NEAR(size, 45.0f, 3.0f);
  EXPECT_NEAR(alpha, 0.0f, 0.06f);
}

TEST_F(EffectsTest, ATrailPuffStartsAtHalfBrightnessAndEndsAtThreeEighths) {
  StartSmallGame();
  ParticleScript* fx = Explosion(*scene, {0, 0, 0}, kTrailPuff);
  const Particle& fireball = *fx->GetPending().front();
  EXPECT_FLOAT_EQ(fireball.startColour.r, 0.5f);
  EXPECT_FLOAT_EQ(fireball.endColour.a, 0.375f);
  EXPECT_NE(fireball.spin, 0.0f);
  EXPECT_EQ(Fake().Calls("PlaySound").size(), 0u);
}

TEST_F(EffectsTest, ADeadParticleStopsAndItsFrameStaysInRange) {
  StartSmallGame();
  Particle p;
  p.AddFrame(*scene, "exp1.tga");
  p.AddFrame(*scene, "exp2.tga");
  p.lifetime = 0.1f;
  p.velocity = {100, 0, 0};
  EXPECT_TRUE(p.Advance(0.1f));  // exactly at its end: still alive, last frame
  EXPECT_EQ(p.frameIndex, 1);
  const float x = p.position.x;
  EXPECT_FALSE(p.Advance(0.05f));
  EXPECT_FALSE(p.Advance(0.05f));
  EXPECT_EQ(p.position.x, x);
  EXPECT_EQ(p.frameIndex, 1);
  Particle early;
  early.AddFrame(*scene, "exp1.tga");
  early.age = -0.5f;  // a negative age would index before the list
  EXPECT_TRUE(early.Advance(0.0f));
  EXPECT_EQ(early.frameIndex, 0);
}

TEST_F(EffectsTest, EffectsAtOnePlanePositionKeepTheirPlaceAsThePlaneMoves) {
  StartSmallGame();
  ParticleScript* fx = Explosion(*scene, {20, 10, 0}, kShipBlast);
  Frames(1);
  const KOR::WorldSprite& sprite = fx->GetActive().front()->GetSprite();
  scene->plane.origin.x = 500.0f;  // as the player's path would move it
  fx->Update(0.0f);
  EXPECT_FLOAT_EQ(sprite.position.x, 500.0f);
  EXPECT_FLOAT_EQ(sprite.position.y, 10.0f);
  EXPECT_FLOAT_EQ(sprite.position.z, 20.0f);
  // The explosion's sound is the scene's sample, played where the blast is.
  EXPECT_EQ(Fake().Calls("Sample_Load(-1,'" + folder->Directory() + "explosion.wav'").size(), 1u);
}

}  // namespace
