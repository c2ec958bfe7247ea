#include "tests/game/GameHarness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/win32/Win32Testing.h"
#include "sound/SoundSystem.h"
#include "tools/scene/SceneWriters.h"

const char* const smallLevelScript = R"(
enemy "box" {
  model "enemy.3df";
  diffuse "enemy_d.tga";
  normal "enemy_n.tga";
  specular "enemy_s.tga";
  shininess 0.5;
  gun "simple";
  energy 2;
}
wave "pair" {
  enemy "box", position (0, 0), move forward, speed 40, freq 0, amplitude 0, phase 0;
  enemy "box", position (20, 30), move sin, speed 30, freq 0.5, amplitude 10, phase 0;
}
level 1 "test" {
  wave "pair", position (110, 0), start 6;
  wave "pair", position (110, -20), start 8;
}
)";

namespace {

KOR::SceneTransform At(float x, float y, float z) {
  KOR::SceneTransform t;
  t.position = {x, y, z};
  return t;
}

// Counts the frames of a run and stops it after a few, in case nothing else does.
class RunCounter : public KOR::Entity {
public:
  std::unique_ptr<KOR::Entity> Create() override { return std::make_unique<RunCounter>(); }
  void PreUpdate() override {}
  void Update(float) override {
    if (++frames >= 3) scene->Stop();
  }
  std::string GetTypeName() const override { return "RunCounter"; }
  void Initialise(const KOR::SceneObjectRecord&) override {}
  int frames = 0;
};

}  // namespace

void GameHarness::SetUp() {
  CurrentRecordedDevice::SetUp();
  Fake().Reset();
  Fake().drivers = {"Fake"};
  Fake().caps = {FSOUND_CAPS_HARDWARE | FSOUND_CAPS_EAX2};
  KOR::SoundSystem* sound = KOR::SoundSystem::Get();
  sound->Init("", 44100, 8, true);
  folder = std::make_unique<KOR::Testing::ScratchFolder>();
}

void GameHarness::TearDown() {
  ReleaseAllKeys();
  scene.reset();
  KOR::SoundSystem::Release();
  folder.reset();
  CurrentRecordedDevice::TearDown();
}

void GameHarness::WriteSmallLevel() {
  using namespace KOR;
  WriteFileBytes(folder->File("ship.3df"), WriteMesh3DF(BoxMesh({-5, -5, -5}, {5, 5, 5})));
  WriteFileBytes(folder->File("enemy.3df"), WriteMesh3DF(BoxMesh({-10, -10, -10}, {10, 10, 10})));
  WriteFileBytes(folder->File("boss.3df"), WriteMesh3DF(BoxMesh({-40, -40, -40}, {40, 40, 40})));

  SceneFileContents contents;
  SceneObjectRecord ship;
  ship.typeName = "Player";
  ship.objectName = "ship";
  ship.meshName = "ship.3df";
  ship.material = MaterialBlock(1, 1, 1, 1, "ship_d.tga");
  // The plane stays put: origin (0, 0, 0), across +z, up +y, for the whole level.
  ship.keys = {At(0, 0, 0), At(0, 0, 0)};
  contents.objects.push_back(ship);
  SceneObjectRecord boss;
  boss.typeName = "Boss";
  boss.objectName = "boss";
  boss.meshName = "boss.3df";
  boss.material = MaterialBlock(1, 1, 1, 1, "boss_d.tga");
  // At plane (90, 90), out of the way of the other cases; shots from the top of the
  // plane reach it.
  boss.transform = At(0, 90, 90);
  boss.keys = {At(0, 90, 90)};
  contents.objects.push_back(boss);
  SceneCameraRecord camera;
  camera.name = "p_camera";
  camera.transform = At(-300, 0, 0);
  camera.fov = 1.0f;
  camera.keys = {At(-300, 0, 0), At(-300, 0, 0)};
  camera.keyFovs = {1.0f, 1.0f};
  contents.cameras.push_back(camera);
  WriteFileBytes(folder->File("level.kor.scene"), WriteSceneFile(contents));
  FILE* script = std::fopen(folder->File("level.zub.script").c_str(), "w");
  std::fputs(smallLevelScript, script);
  std::fclose(script);
}

void GameHarness::StartGame(const std::string& assetDirectory, const std::string& sceneFile,
                            const std::vector<EnemySpawn>& spawns) {
  GameSetup setup;
  setup.scene.perPixelLighting = false;
  setup.scene.screenWidth = settings.screenWidth;
  setup.scene.screenHeight = settings.screenHeight;
  setup.playerName = settings.playerName;
  setup.invulnerable = invulnerable;
  scene = std::make_unique<GameSession>(setup, carry);
  scene->SetSoundSystem(KOR::SoundSystem::Get());
  scene->Start(device, assetDirectory, sceneFile, spawns);
  input = std::make_unique<InputMap>(settings);
  scene->onFrameStart = [this] { scene->command = input->Sample(); };
  player = scene->player;
  boss = scene->boss;
  time = 0.0f;
}

void GameHarness::StartSmallGame(const std::vector<EnemySpawn>& spawns) {
  WriteSmallLevel();
  StartGame(folder->Directory(), "level.kor.scene", spawns);
}

void GameHarness::StartShippedLevel() {
  LevelScript level;
  level.Load(std::string(KOR_CONTENT_ASSETS) + "/level.zub.script", nullptr);
  ASSERT_FALSE(level.spawns.empty());
  StartGame(std::string(KOR_CONTENT_ASSETS) + "/", "zubra_level1.kor.scene", level.spawns);
  ASSERT_NE(player, nullptr);
  ASSERT_NE(boss, nullptr);
}

void GameHarness::EndGame() {
  if (player) {
    player->bossMusicChannel.Stop();
  }
  carry = scene->Carry();
  scene.reset();
  player = nullptr;
  boss = nullptr;
}

EnemyEntity& GameHarness::AddEnemy(const EnemySpawn& spawn) {
  auto& enemy = static_cast<EnemyEntity&>(*scene->AddEntity(std::make_unique<EnemyEntity>()));
  enemy.Setup(spawn);
  return enemy;
}

EnemySpawn GameHarness::Spawn(float start, float x, float y, int movement, float speed, const std::string& gun,
                              int energy) {
  EnemySpawn s;
  s.model = "enemy.3df";
  s.diffuse = "enemy_d.tga";
  s.shininess = 0.5f;
  s.gun = gun;
  s.energy = energy;
  s.position = {x, y, 0.0f};
  s.movement = movement;
  s.speed = speed;
  s.start = start;
  return s;
}

void GameHarness::Frames(int count) {
  for (int i = 0; i < count; ++i) {
    if (keys) keys(time);
    scene->Frame(kStep);
    time += kStep;
    // The recording device's log is not what these tests read; keep it small.
    if (recording.calls.size() > 100000) recording.calls.clear();
  }
}

void GameHarness::Hold(uint32_t key, bool down) {
  const bool was = std::find(held.begin(), held.end(), key) != held.end();
  if (down == was) return;
  if (down) {
    Win32Testing::KeyDown(int(key));
    held.push_back(key);
  } else {
    Win32Testing::KeyUp(int(key));
    std::erase(held, key);
  }
}

void GameHarness::ReleaseAllKeys() {
  for (uint32_t key : std::vector<uint32_t>(held)) Hold(key, false);
}

bool GameHarness::Stopped() {
  // A quit left behind by an earlier device window would end the run before any frame.
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
  auto& counter = static_cast<RunCounter&>(*scene->AddEntity(std::make_unique<RunCounter>()));
  scene->Run();
  return counter.frames == 1;
}

bool GameHarness::GameOver() const {
  return (player->IsGameOver() && player->respawnTimer > 1.0f) || (boss && boss->phase == 4 && boss->moveTimer < 0.0f);
}

std::string GameHarness::TraceUntilOver(float limit) {
  std::ostringstream trace;
  trace << "second score lives energy entities bossPhase bossHealth\n";
  int second = 0;
  while (time < limit && !GameOver()) {
    Frames(100);
    ++second;
    char line[128];
    std::snprintf(line, sizeof line, "%d %d %d %.3f %zu %d %.4f\n", second, player->score, player->lives,
                  player->energy, scene->GetEntityCount(), boss ? boss->phase : -1, boss ? boss->health : 0.0f);
    trace << line;
  }
  return trace.str();
}

#ifdef KOR_GOLDEN_DIR
void GameHarness::CompareWithGolden(const std::string& trace, const std::string& name) {
  const std::string golden = std::string(KOR_GOLDEN_DIR) + "/" + name;
  if (std::getenv("KOR_UPDATE_GOLDEN")) std::ofstream(golden) << trace;
  std::ifstream in(golden);
  ASSERT_TRUE(in) << "no committed trace at " << golden;
  std::stringstream expected;
  expected << in.rdbuf();
  EXPECT_EQ(trace, expected.str());
}
#endif
