// Loading scene files into a scene on the recording device: entities by prototype,
// static meshes with and without paths, shared materials, lights, cameras, what the
// frame culls and draws, and that nothing is made from a damaged file.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/Mesh3DF.h"
#include "graphics/TextureObject.h"
#include "platform/win32/Windows.h"
#include "scene/CameraEntity.h"
#include "scene/LightEntity.h"
#include "scene/StaticMeshEntity.h"
#include "tests/scene/SceneProbe.h"
#include "tests/scene/SceneTestSupport.h"
#include "tools/scene/DemoScene.h"
#include "tools/scene/SceneWriters.h"

namespace {

using KOR::Testing::Caught;

class SceneLoadTest : public CurrentRecordedDevice {
protected:
  void SetUp() override {
    CurrentRecordedDevice::SetUp();
    ASSERT_TRUE(KOR::WriteFileBytes(folder.File("box.3df"),
                                    KOR::WriteMesh3DF(KOR::BoxMesh({-20, -20, -20}, {20, 20, 20}))));
    scene = std::make_unique<KOR::Scene>();
    scene->SetAssetDirectory(folder.Directory());
    KOR::SceneSettings settings;
    settings.screenWidth = 64;
    settings.screenHeight = 48;
    scene->Init(device, settings);
  }
  void TearDown() override {
    scene.reset();  // its meshes and device objects go before the device
    CurrentRecordedDevice::TearDown();
  }
  void Load(const KOR::SceneFileContents& contents) {
    std::vector<uint8_t> bytes = KOR::WriteSceneFile(contents);
    ASSERT_TRUE(KOR::WriteFileBytes(folder.File("level.kor.scene"), bytes));
    scene->LoadScene(folder.File("level.kor.scene"));
  }
  KOR::StaticMeshEntity* Mesh(size_t index) {
    auto all = scene->FindAllByType("StaticMeshEntity");
    return index < all.size() ? static_cast<KOR::StaticMeshEntity*>(all[index]) : nullptr;
  }

  KOR::Testing::ScratchFolder folder;
  std::unique_ptr<KOR::Scene> scene;
  std::vector<std::string> log;
};

TEST_F(SceneLoadTest, AnEmptyFileLoadsAndMakesNothing) {
  Load(KOR::SceneFileContents{});
  EXPECT_EQ(scene->GetEntityCount(), 0u);
}

TEST_F(SceneLoadTest, AMissingFileIsReportedAsTheFileLayerReportsIt) {
  KOR::Exception e = Caught([&] { scene->LoadScene(folder.File("nowhere.kor.scene")); });
  EXPECT_EQ(e.GetModule(), "KOR CORE (InputFile)");
  EXPECT_EQ(e.GetError(), "File not opened: " + folder.File("nowhere.kor.scene"));
}

TEST_F(SceneLoadTest, ThePlayerComesFromItsPrototypeWithItsRecord) {
  scene->RegisterPrototype("Player", std::make_unique<Probe>(&log, "player"));
  KOR::SceneFileContents contents = KOR::DemoScene();
  contents.objects[1].typeName = "Player";
  contents.objects.push_back(contents.objects[0]);
  contents.objects.back().typeName = "Unregistered";  // skipped without a word
  Load(contents);
  auto* player = static_cast<Probe*>(scene->FindFirstByType("Probe"));
  ASSERT_NE(player, nullptr);
  ASSERT_EQ(player->initialisedWith.size(), 1u);
  const KOR::SceneObjectRecord& record = player->initialisedWith[0];
  EXPECT_EQ(record.meshName, "box.3df");
  EXPECT_EQ(record.keys.size(), 3u);
  EXPECT_FLOAT_EQ(record.transform.position.y, 40.0f);
  EXPECT_EQ(std::memcmp(&record.material, &contents.objects[1].material, 1052), 0);
  EXPECT_EQ(scene->FindAllByType("StaticMeshEntity").size(), 1u);
  EXPECT_EQ(scene->GetEntityCount(), 4u);  // a mesh, the player, a light, a camera
}

TEST_F(SceneLoadTest, AMeshWithoutKeysStaysAtItsTransform) {
  KOR::SceneFileContents contents = KOR::DemoScene();
  contents.objects[0].transform.rotation = {0, 0, 0, 1};
  contents.objects[0].transform.scale = 2.5f;
  Load(contents);
  KOR::StaticMeshEntity* fixed = Mesh(0);
  ASSERT_NE(fixed, nullptr);
  EXPECT_FALSE(fixed->hasPath);
  for (int i = 0; i < 20; ++i) scene->Frame(0.05f);
  EXPECT_FLOAT_EQ(fixed->node.position.y, -40.0f);
  EXPECT_FLOAT_EQ(fixed->node.rotation.z, 1.0f);
  EXPECT_FLOAT_EQ(fixed->node.scale, 2.5f);
  EXPECT_FLOAT_EQ(fixed->node.boundsMax.x, 20.0f);
  EXPECT_EQ(fixed->node.renderable, fixed->mesh->GetRenderable());
}

TEST_F(SceneLoadTest, AMeshWithKeysFollowsThemAtATenthOfASecondAndStopsAtTheLast) {
  Load(KOR::DemoScene());
  KOR::StaticMeshEntity* moving = Mesh(1);
  ASSERT_TRUE(moving->hasPath);
  scene->Frame(0.05f);  // a fixed-step-free frame: Run was never called
  EXPECT_NEAR(moving->node.position.z, 2.5f, 1e-4);
  scene->Frame(0.1f);
  EXPECT_NEAR(moving->node.position.z, 7.5f, 1e-4);
  moving->pathEnabled = false;
  scene->Frame(0.02f);
  EXPECT_NEAR(moving->node.position.z, 7.5f, 1e-4);  // frozen, still shown
  moving->pathEnabled = true;
  scene->Frame(30.0f);
  EXPECT_FLOAT_EQ(moving->node.position.z, 10.0f);
  EXPECT_FLOAT_EQ(moving->node.position.y, 40.0f);
}

TEST_F(SceneLoadTest, IdenticalMaterialBlocksShareOneMaterialAndAnyByteMakesAnother) {
  KOR::SceneFileContents contents = KOR::DemoScene();
  contents.objects[1].material = contents.objects[0].material;
  contents.objects.push_back(contents.objects[0]);
  contents.objects.back().material.padding[2] = 1;
  contents.objects.push_back(contents.objects[0]);
  contents.objects.back().material.colour[3] = 0.5f;
  Load(contents);
  ASSERT_NE(Mesh(3), nullptr);
  EXPECT_EQ(Mesh(0)->material, Mesh(1)->material);
  EXPECT_NE(Mesh(0)->material, Mesh(2)->material);
  EXPECT_NE(Mesh(0)->material, Mesh(3)->material);
  EXPECT_FLOAT_EQ(Mesh(3)->material->colour.a, 0.5f);
  EXPECT_EQ(Mesh(0)->mesh, Mesh(3)->mesh);  // one mesh for one file name
  EXPECT_EQ(Count("CreateIndexBuffer"), 1u);
}

TEST_F(SceneLoadTest, MaterialsCopyTheBlocksFields) {
  KOR::SceneMaterialBlock block = KOR::MaterialBlock(0.1f, 0.2f, 0.3f, 0.4f, "rock.tga");
  block.glow = 1;
  block.unlit = 1;
  std::memset(block.emissiveName, 'e', sizeof block.emissiveName);  // no zero in the field
  KOR::Material* m = scene->GetMaterial(block);
  EXPECT_FLOAT_EQ(m->colour.b, 0.3f);
  EXPECT_FLOAT_EQ(m->shininess, 0.5f);
  EXPECT_TRUE(m->glow && m->unlit);
  EXPECT_FALSE(m->alphaTest || m->wireframe || m->twoSided);
  EXPECT_EQ(m->diffuseName, "rock.tga");
  EXPECT_EQ(m->emissiveName, std::string(256, 'e'));
  EXPECT_EQ(scene->GetMaterial(block), m);
}

TEST_F(SceneLoadTest, LightsAreListedAndFollowTheirKeys) {
  KOR::SceneFileContents contents = KOR::DemoScene();
  KOR::SceneLightRecord& r = contents.lights[0];
  r.keyPositions = {{0, 0, 0}, {10, 0, 0}, {10, 20, 0}};
  r.keyColours = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  r.keyValues = {9, 9, 9};
  Load(contents);
  auto* light = static_cast<KOR::LightEntity*>(scene->FindFirstByType("LightEntity"));
  ASSERT_NE(light, nullptr);
  ASSERT_EQ(scene->GetLights().size(), 1u);
  EXPECT_EQ(scene->GetLights()[0], &light->light);
  EXPECT_FLOAT_EQ(light->light.range, 300.0f);
  EXPECT_FLOAT_EQ(light->light.position.w, 1.0f);
  scene->Frame(0.15f);
  EXPECT_NEAR(light->light.position.x, 10.0f, 1e-4);
  EXPECT_NEAR(light->light.position.y, 10.0f, 1e-4);
  EXPECT_NEAR(light->light.colour.y, 0.5f, 1e-4);
  scene->Frame(5.0f);
  EXPECT_FLOAT_EQ(light->light.colour.z, 1.0f);
  light->Kill();
  scene->Frame(0.1f);
  EXPECT_TRUE(scene->GetLights().empty());
}

TEST_F(SceneLoadTest, OnlyTheNamedCameraSetsTheViewAndWithoutKeysItsOwnFieldOfView) {
  KOR::SceneFileContents contents = KOR::DemoScene();
  KOR::SceneCameraRecord other = contents.cameras[0];
  other.name = "other";
  other.transform.position = {0, 0, 500};
  contents.cameras.push_back(other);
  Load(contents);
  EXPECT_NE(scene->FindFirstByType("CameraEntity"), nullptr);
  scene->SetCameraName("p_camera");
  scene->Frame(0.1f);
  const KOR::Camera& camera = scene->GetRenderer().GetCamera();
  EXPECT_FLOAT_EQ(camera.position.z, 0.0f);
  EXPECT_FLOAT_EQ(camera.look.x, 1.0f);
  EXPECT_FLOAT_EQ(camera.up.z, 1.0f);
  EXPECT_FLOAT_EQ(camera.right.y, 1.0f);
  EXPECT_NEAR(camera.fov, 1.0f * 0.8f * 180.0f / 3.14159265f, 1e-3);
  EXPECT_FLOAT_EQ(camera.aspect, 64.0f / 48.0f);
  EXPECT_FLOAT_EQ(camera.near, 10.0f);
  EXPECT_FLOAT_EQ(camera.far, 10000.0f);
  // With no name every camera speaks in turn: the last one updated wins.
  scene->SetCameraName("");
  scene->Frame(0.1f);
  EXPECT_FLOAT_EQ(scene->GetRenderer().GetCamera().position.z, 500.0f);
}

TEST_F(SceneLoadTest, ACameraWithKeysTakesItsFieldOfViewFromThem) {
  KOR::SceneFileContents contents = KOR::DemoScene();
  KOR::SceneTransform key;
  contents.cameras[0].keys = {key, key};
  contents.cameras[0].keyFovs = {0.5f, 1.5f};
  Load(contents);
  scene->Frame(0.05f);
  EXPECT_NEAR(scene->GetRenderer().GetCamera().fov, 1.0f * 0.8f * 180.0f / 3.14159265f, 1e-3);
  scene->Frame(1.0f);
  EXPECT_NEAR(scene->GetRenderer().GetCamera().fov, 1.5f * 0.8f * 180.0f / 3.14159265f, 1e-3);
}

TEST_F(SceneLoadTest, TheFrameDrawsTheNodesInTheFrustumWithThePerVertexPath) {
  Load(KOR::DemoScene());
  scene->SetCameraName("p_camera");
  scene->SetFog({{0, 0, 1, 1}, 0.0f});
  scene->Frame(0.01f);
  recording.calls.clear();
  scene->Frame(0.01f);
  EXPECT_TRUE(Mesh(0)->node.inFrustum);
  EXPECT_EQ(Count("Clear(0, null, 0x00000003, 0xFF0000FF"), 1u);
  EXPECT_EQ(Count("BeginScene()"), 1u);
  EXPECT_EQ(Count("SetTransform(256"), 3u);  // one world matrix per node, the identity for sprites
  EXPECT_EQ(Count("DrawIndexedPrimitive(4, 0, 0, 24, 0, 12)"), 2u);
  EXPECT_EQ(Count("EndScene()"), 1u);
  EXPECT_EQ(Count("Present("), 1u);
  // The light lists are the frame's own.
  EXPECT_TRUE(scene->GetLights()[0]->nodes.empty());
  EXPECT_TRUE(Mesh(0)->node.lights.empty());

  // Hidden, behind the camera, or killed: not drawn.
  Mesh(0)->visible = false;
  Mesh(1)->positionTrack = {};
  Mesh(1)->hasPath = false;
  Mesh(1)->node.position = {-200, 40, 0};
  recording.calls.clear();
  scene->Frame(0.01f);
  EXPECT_FALSE(Mesh(0)->node.inFrustum);
  EXPECT_FALSE(Mesh(1)->node.inFrustum);
  EXPECT_EQ(Count("DrawIndexedPrimitive"), 0u);
  Mesh(0)->Kill();
  scene->Frame(0.01f);
  EXPECT_EQ(scene->GetNodes().size(), 1u);
}

TEST_F(SceneLoadTest, LightsReachTheNodesInTheFrustumThatTheirSpheresTouch) {
  KOR::SceneFileContents contents = KOR::DemoScene();
  contents.lights[0].position = {200, 40, 0};
  contents.lights[0].range = 30;  // reaches the right box only
  KOR::SceneLightRecord behind = contents.lights[0];
  behind.position = {-500, 0, 0};  // wholly behind the camera: not active
  behind.range = 100;
  contents.lights.push_back(behind);
  Load(contents);
  scene->SetCameraName("p_camera");
  scene->Frame(0.01f);
  scene->CullAndLight();
  KOR::LightParameters* near = scene->GetLights()[0];
  KOR::LightParameters* far = scene->GetLights()[1];
  EXPECT_TRUE(near->active);
  EXPECT_FALSE(far->active);
  EXPECT_TRUE(Mesh(0)->node.lights.empty());
  EXPECT_EQ(Mesh(1)->node.lights, (std::vector<KOR::LightParameters*>{near}));
  EXPECT_EQ(near->nodes, (std::vector<KOR::RenderNode*>{&Mesh(1)->node}));
  // An invisible entity is neither drawn nor lit.
  Mesh(1)->visible = false;
  scene->ClearFrameLists();
  scene->CullAndLight();
  EXPECT_TRUE(near->nodes.empty());
  scene->ClearFrameLists();
}

TEST_F(SceneLoadTest, CachesLoadOnceAndAFailedMeshIsNotKept) {
  KOR::Mesh3DF* mesh = scene->GetMesh("box.3df");
  EXPECT_EQ(scene->GetMesh("box.3df"), mesh);
  KOR::Exception e = Caught([&] { scene->GetMesh("missing.3df"); });
  EXPECT_EQ(e.GetError(), "Cannot open file");
  EXPECT_EQ(e.GetDescription(), "The data buffer is invalid. " + folder.Directory() + "missing.3df");
  ASSERT_TRUE(KOR::WriteFileBytes(folder.File("missing.3df"), KOR::WriteMesh3DF(KOR::BoxMesh({0, 0, 0}, {1, 1, 1}))));
  EXPECT_NE(scene->GetMesh("missing.3df"), nullptr);
  // A missing texture is no error: an empty texture, cached like any other.
  KOR::TextureObject* texture = scene->GetTexture("nothing.tga");
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->GetTexture(), nullptr);
  EXPECT_EQ(scene->GetTexture("nothing.tga"), texture);
  EXPECT_EQ(scene->GetSound("shot.wav", false), nullptr);  // no sound system registered
}

TEST_F(SceneLoadTest, AMeshThatFailsToLoadStopsTheLoadWithItsError) {
  KOR::SceneFileContents contents = KOR::DemoScene();
  contents.objects[1].meshName = "broken.3df";
  ASSERT_TRUE(KOR::WriteFileBytes(folder.File("broken.3df"), std::vector<uint8_t>(40, 'x')));
  Load(KOR::SceneFileContents{});
  KOR::Exception e = Caught([&] { Load(contents); });
  EXPECT_EQ(e.GetError(), "Wrong file format");
  EXPECT_EQ(e.GetModule(), "KORGraphics (Mesh3DF)");
}

TEST_F(SceneLoadTest, EveryTruncationOfTheDemoFileMakesNothing) {
  std::vector<uint8_t> whole = KOR::WriteSceneFile(KOR::DemoScene());
  for (size_t size = 0; size < whole.size(); size += 7) {
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(size));
    KOR::Exception e = Caught([&] { scene->LoadSceneFromMemory(cut.data(), cut.size(), "cut"); });
    EXPECT_EQ(e.GetModule(), "KOR Scene (SceneLoader)") << size;
    ASSERT_EQ(scene->GetEntityCount(), 0u) << size;
  }
  EXPECT_EQ(Count("CreateIndexBuffer"), 0u);
}

TEST_F(SceneLoadTest, TenScenesOnOneDeviceLeaveNoEntityOrNodeBehind) {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {}
  const int before = Probe::live;
  for (int cycle = 0; cycle < 10; ++cycle) {
    scene = std::make_unique<KOR::Scene>();
    scene->SetAssetDirectory(folder.Directory());
    scene->Init(device, KOR::SceneSettings{});
    scene->RegisterPrototype("Player", std::make_unique<Probe>(&log, "player"));
    KOR::SceneFileContents contents = KOR::DemoScene();
    contents.objects[0].typeName = "Player";
    Load(contents);
    auto* player = static_cast<Probe*>(scene->FindFirstByType("Probe"));
    player->onUpdate = [](Probe& self) {
      if (self.steps.size() == 4) self.scene->Stop();
    };
    scene->Run();
    ShowCursor(TRUE);
    ShowCursor(TRUE);
  }
  scene.reset();
  EXPECT_EQ(Probe::live, before);
  EXPECT_EQ(std::count(log.begin(), log.end(), "update player+"), 40);  // every run ran its frames
}

}  // namespace
