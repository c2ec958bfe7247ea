// The scene's frame and run loop: fixed first steps, update order, sphere collisions,
// deferred removal, the ways Run ends, and what the scene leaves behind when it goes.

#include <algorithm>

#include "graphics/FrameRenderer.h"
#include "platform/win32/Win32Testing.h"
#include "scene/CameraEntity.h"
#include "tests/scene/SceneProbe.h"
#include "tests/scene/SceneTestSupport.h"

namespace {

using Log = std::vector<std::string>;

size_t CountOf(const Log& log, const std::string& line) { return size_t(std::count(log.begin(), log.end(), line)); }

class FrameTest : public ::testing::Test {
protected:
  void SetUp() override {
    Win32Testing::Reset();  // earlier tests' device windows leave a quit message behind
    KOR::RenderSystemTesting::SetCurrentDevice(nullptr);
    scene.Init(nullptr, KOR::SceneSettings{});
  }
  void TearDown() override { Win32Testing::Reset(); }
  KOR::Scene scene;
  Log log;
};

TEST_F(FrameTest, TheFirstThreeFramesOfEveryRunLastAHundredthOfASecond) {
  Probe& p = AddProbe(scene, log, "p");
  int frames = 0;
  p.onUpdate = [&](Probe&) {
    if (++frames == 5) scene.Stop();
  };
  scene.Run();
  ASSERT_EQ(p.steps.size(), 5u);
  for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(p.steps[size_t(i)], 0.01f) << i;
  EXPECT_NE(p.steps[3], 0.01f);  // measured: far shorter than 10 ms
  EXPECT_LT(p.steps[3], 0.01f);
  // A second run starts with fixed steps again, whatever time passed in between.
  frames = 0;
  p.steps.clear();
  scene.Run();
  EXPECT_FLOAT_EQ(p.steps[0], 0.01f);
  EXPECT_FLOAT_EQ(p.steps[2], 0.01f);
}

TEST_F(FrameTest, EveryEntityIsPreUpdatedBeforeAnyIsUpdatedInListOrder) {
  AddProbe(scene, log, "a");
  Probe& b = AddProbe(scene, log, "b");
  // An entity added during the update step is updated in the same pass.
  b.onUpdate = [&](Probe& self) {
    if (self.steps.size() == 1) AddProbe(scene, log, "c");
  };
  scene.Frame(0.5f);
  EXPECT_EQ(log, (Log{"pre a", "pre b", "update a", "update b", "update c"}));
  EXPECT_FLOAT_EQ(b.GetAge(), 0.5f);
}

TEST_F(FrameTest, OverlappingEntitiesEachHearOfTheOtherOncePerFrameEarlierFirst) {
  AddProbe(scene, log, "a").At(0, 1);
  AddProbe(scene, log, "b").At(1.5f, 1);
  AddProbe(scene, log, "c").At(100, 1);
  scene.Frame(0.1f);
  Log hits;
  std::copy_if(log.begin(), log.end(), std::back_inserter(hits), [](const std::string& l) { return l.find(" hit ") != std::string::npos; });
  EXPECT_EQ(hits, (Log{"a hit b", "b hit a"}));
}

TEST_F(FrameTest, TouchingSpheresAndRadiusZeroDoNotCollide) {
  AddProbe(scene, log, "a").At(0, 1);
  AddProbe(scene, log, "b").At(2, 1);      // distance equals the sum of the radii
  AddProbe(scene, log, "ghost").At(0, 0);  // on top of a, but takes no part
  AddProbe(scene, log, "negative").At(0.5f, -1);  // reaches nothing with a radius of 1
  scene.Frame(0.1f);
  for (const std::string& line : log) EXPECT_EQ(line.find(" hit "), std::string::npos) << line;
}

TEST_F(FrameTest, AnEntityKilledInUpdateStillCollidesAndIsRemovedOnceAtTheEnd) {
  Probe& doomed = AddProbe(scene, log, "doomed").At(0, 1);
  AddProbe(scene, log, "other").At(0.5f, 1);
  doomed.onUpdate = [](Probe& self) {
    self.Kill();
    self.Kill();  // twice: still one removal
  };
  const int before = Probe::live;
  scene.Frame(0.1f);
  EXPECT_EQ(log, (Log{"pre doomed", "pre other", "update doomed", "update other", "doomed hit other",
                      "other hit doomed", "remove doomed"}));
  EXPECT_EQ(Probe::live, before - 1);
  EXPECT_EQ(scene.GetEntityCount(), 1u);
  log.clear();
  scene.Frame(0.1f);
  EXPECT_EQ(log, (Log{"pre other", "update other"}));
}

TEST_F(FrameTest, KillingAnEntityOfNoSceneOnlyMarksIt) {
  Probe loose(&log, "loose");
  loose.Kill();
  EXPECT_TRUE(loose.killed);
  scene.QueueRemoval(&loose);  // not this scene's: ignored
  scene.Frame(0.1f);
  EXPECT_EQ(CountOf(log, "remove loose"), 0u);
}

TEST_F(FrameTest, EscapeEndsTheRunAtOnceWithoutTheSecondCursorCall) {
  Probe& p = AddProbe(scene, log, "p");
  p.onUpdate = [](Probe& self) {
    if (self.steps.size() == 2) Win32Testing::KeyDown(VK_ESCAPE);
    if (self.steps.size() > 10) self.scene->Stop();  // a fault: Escape was not seen
  };
  const int cursor = ShowCursor(TRUE) - 1;
  ShowCursor(FALSE);
  scene.Run();
  EXPECT_EQ(p.steps.size(), 2u);
  EXPECT_EQ(ShowCursor(TRUE) - 1, cursor - 1);
  ShowCursor(FALSE);
  ShowCursor(TRUE);  // give the run's hidden cursor back

  // Stopping instead hides the cursor once more on the way out.
  p.onUpdate = [](Probe& self) { self.scene->Stop(); };
  scene.Run();
  EXPECT_EQ(ShowCursor(TRUE) - 1, cursor - 2);
  ShowCursor(TRUE);
  ShowCursor(TRUE);
}

TEST_F(FrameTest, AQuitMessageEndsTheRun) {
  Probe& p = AddProbe(scene, log, "p");
  p.onUpdate = [](Probe& self) {
    if (self.steps.size() == 3) PostQuitMessage(0);
    if (self.steps.size() > 10) self.scene->Stop();
  };
  scene.Run();
  EXPECT_EQ(p.steps.size(), 3u);
  ShowCursor(TRUE);
}

TEST_F(FrameTest, PrototypesMakeEntitiesByTypeNameAndFindersSearchInListOrder) {
  scene.RegisterPrototype("Probe", std::make_unique<Probe>(&log, "proto"));
  EXPECT_EQ(scene.CreateEntity("Nobody"), nullptr);
  EXPECT_EQ(scene.AddEntity(nullptr), nullptr);
  KOR::Entity* first = scene.AddEntity(scene.CreateEntity("Probe"));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(static_cast<Probe*>(first)->tag, "proto+");
  EXPECT_EQ(first->scene, &scene);
  KOR::Entity* second = scene.AddEntity(scene.CreateEntity("Probe"));
  EXPECT_EQ(scene.FindFirstByType("Probe"), first);
  EXPECT_EQ(scene.FindAllByType("Probe"), (std::vector<KOR::Entity*>{first, second}));
  EXPECT_EQ(scene.FindFirstByType("CameraEntity"), nullptr);
  EXPECT_TRUE(scene.FindAllByType("Bullet").empty());
  // By C++ type, in the same order, whatever name the type gives itself.
  EXPECT_EQ(scene.FindFirst<Probe>(), first);
  EXPECT_EQ(scene.FindAll<Probe>(), (std::vector<Probe*>{static_cast<Probe*>(first), static_cast<Probe*>(second)}));
  EXPECT_EQ(scene.FindFirst<KOR::CameraEntity>(), nullptr);
  EXPECT_TRUE(scene.FindAll<KOR::CameraEntity>().empty());
}

TEST(SceneLifetime, EntitiesStillListedAreDeletedWithTheSceneWithoutOnRemove) {
  Win32Testing::Reset();
  Log log;
  const int before = Probe::live;
  for (int cycle = 0; cycle < 10; ++cycle) {
    KOR::Scene scene;
    scene.Init(nullptr, KOR::SceneSettings{});
    scene.RegisterPrototype("Probe", std::make_unique<Probe>(&log, "proto"));
    for (int i = 0; i < 5; ++i) AddProbe(scene, log, "e").At(float(i), 1);
    Probe& leaving = AddProbe(scene, log, "leaving");
    leaving.onUpdate = [](Probe& self) { self.scene->Stop(); };
    leaving.Kill();  // goes through the queue in the first frame
    scene.Run();
    ShowCursor(TRUE);
    ShowCursor(TRUE);
  }
  EXPECT_EQ(Probe::live, before);
  EXPECT_EQ(CountOf(log, "remove leaving"), 10u);
  EXPECT_EQ(CountOf(log, "remove e"), 0u);
}

}  // namespace

// A renderer given to the scene draws its frames: it sees the nodes culled by its own
// camera, the lights, and the background colour, once per frame.
namespace {

class MathCamera final : public KOR::Camera {
public:
  void ApplyProjection() override {}
  void ApplyCamera() override {}
};

class RecordingRenderer final : public KOR::FrameRenderer {
public:
  KOR::Camera& ViewCamera() override { return camera; }
  void RenderFrame(const std::vector<KOR::RenderNode*>& nodes, const std::vector<KOR::LightParameters*>& lights,
                   const KOR::Colour& clearColour) override {
    ++frames;
    visible = 0;
    for (const KOR::RenderNode* node : nodes) visible += node->inFrustum ? 1 : 0;
    lightCount = lights.size();
    clear = clearColour;
  }
  MathCamera camera;
  int frames = 0, visible = 0;
  size_t lightCount = 0;
  KOR::Colour clear;
};

TEST_F(FrameTest, AGivenRendererDrawsEachFrameWithTheNodesItsCameraSees) {
  auto made = std::make_unique<RecordingRenderer>();
  RecordingRenderer* renderer = made.get();
  scene.SetRenderer(std::move(made));
  renderer->SetProjection(60.0f, 1.0f, 1.0f, 100.0f);
  renderer->SetView({0, 0, 0}, {0, 0, 1}, {0, 1, 0});
  KOR::Material material;
  KOR::RenderNode ahead, behind, hiddenAhead;
  for (KOR::RenderNode* node : {&ahead, &behind, &hiddenAhead}) {
    node->material = &material;
    node->boundsMin = {-1, -1, -1};
    node->boundsMax = {1, 1, 1};
    node->position = {0, 0, 10};
    scene.RegisterNode(node);
  }
  behind.position = {0, 0, -10};
  bool hidden = false;
  hiddenAhead.visible = &hidden;
  KOR::LightParameters lamp;
  lamp.range = 5.0f;
  scene.RegisterLight(&lamp);
  scene.SetFog({{0.25f, 0.5f, 0.75f, 1.0f}, 0.0f});
  scene.Frame(0.01f);
  scene.Frame(0.01f);
  EXPECT_EQ(renderer->frames, 2);
  EXPECT_EQ(renderer->visible, 1) << "the node behind the camera is culled, the hidden one skipped";
  EXPECT_EQ(renderer->lightCount, 1u);
  EXPECT_FLOAT_EQ(renderer->clear.b, 0.75f);
  scene.UnregisterLight(&lamp);
  for (KOR::RenderNode* node : {&ahead, &behind, &hiddenAhead}) scene.UnregisterNode(node);
}

}  // namespace

namespace {

// A game whose window loses the focus holds still: no updates, and the time it spent
// away is not one huge step when it comes back.
TEST_F(FrameTest, LosingTheFocusPausesTheGameWithoutCountingTheTimeAway) {
  Probe& p = AddProbe(scene, log, "p");
  scene.Frame(0.01f);
  size_t updates = p.steps.size();
  PostMessageA(nullptr, WM_ACTIVATEAPP, FALSE, 0);
  ASSERT_TRUE(scene.RunStep());
  EXPECT_TRUE(scene.IsPaused());
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(scene.RunStep());  // about 0.1 s away
  EXPECT_EQ(p.steps.size(), updates) << "no update while paused";
  PostMessageA(nullptr, WM_ACTIVATEAPP, TRUE, 0);
  ASSERT_TRUE(scene.RunStep());
  EXPECT_FALSE(scene.IsPaused());
  ASSERT_EQ(p.steps.size(), updates + 1);
  EXPECT_LT(p.steps.back(), 0.05f) << "the paused time is not in the step";
  Win32Testing::KeyDown(VK_ESCAPE);
  EXPECT_FALSE(scene.RunStep());
}

// The game's pause key holds the game until pressed again, whatever the focus does in
// between; the held time is not one long step either.
TEST_F(FrameTest, ThePlayersPauseKeyHoldsTheGameUntilPressedAgain) {
  Probe& p = AddProbe(scene, log, "p");
  std::vector<bool> told;
  scene.requestOf = [](const MSG& m) {
    if (m.message == WM_KEYDOWN && m.wParam == 'P') return KOR::Scene::RunRequest::Pause;
    if (m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE) return KOR::Scene::RunRequest::Leave;
    return KOR::Scene::RunRequest::None;
  };
  scene.onPlayerPause = [&](bool on) { told.push_back(on); };
  ASSERT_TRUE(scene.RunStep());
  size_t updates = p.steps.size();
  Win32Testing::KeyDown('P');
  ASSERT_TRUE(scene.RunStep());
  EXPECT_TRUE(scene.IsPaused() && scene.IsHeldByPlayer());
  PostMessageA(nullptr, WM_ACTIVATEAPP, FALSE, 0);
  ASSERT_TRUE(scene.RunStep());
  PostMessageA(nullptr, WM_ACTIVATEAPP, TRUE, 0);
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(scene.RunStep());
  EXPECT_TRUE(scene.IsPaused()) << "the focus coming back does not release the player's pause";
  EXPECT_EQ(p.steps.size(), updates);
  Win32Testing::KeyUp('P');
  Win32Testing::KeyDown('P');
  ASSERT_TRUE(scene.RunStep());
  EXPECT_FALSE(scene.IsPaused());
  ASSERT_EQ(p.steps.size(), updates + 1);
  EXPECT_LT(p.steps.back(), 0.05f) << "the held time is not in the step";
  EXPECT_EQ(told, (std::vector<bool>{true, false}));
  Win32Testing::KeyDown('P');
  ASSERT_TRUE(scene.RunStep());
  Win32Testing::KeyDown(VK_ESCAPE);
  EXPECT_FALSE(scene.RunStep()) << "Escape ends a held game as any other";
}

}  // namespace
