#include "scene/CameraEntity.h"

#include <cmath>

#include "scene/BasicRenderer.h"
#include "scene/Scene.h"
#include "scene/SceneSettings.h"
#include "sound/SoundSystem.h"

namespace KOR {
namespace {
const float pi = std::acos(-1.0f);
constexpr float kNear = 10.0f, kFar = 10000.0f;
}  // namespace

std::unique_ptr<Entity> CameraEntity::Create() { return std::make_unique<CameraEntity>(); }

void CameraEntity::SetupFromCameraRecord(const SceneCameraRecord& record) {
  positionSampler = record.transform.position;
  rotationSampler = record.transform.rotation;
  fov = fovSampler = record.fov;
  hasPath = !record.keys.empty();
  for (size_t i = 0; i < record.keys.size(); ++i) {
    positionTrack.AddKey(float(i) * kSceneKeySpacing, record.keys[i].position);
    rotationTrack.AddKey(float(i) * kSceneKeySpacing, record.keys[i].rotation);
  }
  for (size_t i = 0; i < record.keyFovs.size(); ++i)
    fovTrack.AddKey(float(i) * kSceneKeySpacing, record.keyFovs[i]);
  positionTrack.Sample(positionSampler);
  rotationTrack.Sample(rotationSampler);
  fovTrack.Sample(fovSampler);
  name = record.name;
}

void CameraEntity::Update(float dt) {
  if (hasPath) {
    positionTrack.Advance(dt);
    rotationTrack.Advance(dt);
    fovTrack.Advance(dt);
    positionTrack.Sample(positionSampler);
    rotationTrack.Sample(rotationSampler);
    fovTrack.Sample(fovSampler);
  }
  if (!scene) return;
  const std::string& active = scene->GetCameraName();
  if (!active.empty() && active != name) return;

  const Vector3 eye = positionSampler;
  const Vector3 forward = Rotate(rotationSampler, {1.0f, 0.0f, 0.0f});
  const Vector3 up = Rotate(rotationSampler, {0.0f, 0.0f, 1.0f});
  // A track without keys has nothing to say: the record's own value holds.
  const float radians = fovTrack.Empty() ? fov : fovSampler;
  const SceneSettings& settings = scene->GetSettings();
  const float aspect = settings.screenHeight ? float(settings.screenWidth) / float(settings.screenHeight) : 1.0f;
  FrameRenderer& renderer = scene->GetRenderer();
  renderer.SetProjection(radians * 0.8f * 180.0f / pi, aspect, kNear, kFar);
  renderer.SetView(eye, forward, up);
  if (SoundSystem* sound = scene->GetSoundSystem())
    sound->SetListener({eye.x, eye.y, eye.z}, {forward.x, forward.y, forward.z}, {up.x, up.y, up.z});
}

}  // namespace KOR
