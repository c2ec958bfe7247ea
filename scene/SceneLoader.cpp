#include <cstring>

#include "core/Exception.h"
#include "core/File.h"
#include "scene/CameraEntity.h"
#include "scene/LightEntity.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"

namespace KOR {
namespace {

using namespace SceneFileFormat;

class Reader {
public:
  Reader(const uint8_t* data, size_t size, const std::string& name) : data(data), size(size), name(name) {}

  void Bytes(void* to, size_t count) {
    if (count > size - at) Fail();
    if (count) std::memcpy(to, data + at, count);
    at += count;
  }
  template <class T>
  T Value() {
    T value;
    Bytes(&value, sizeof value);
    return value;
  }
  // A count of items of itemSize bytes each that must all be in what is left.
  size_t Count(size_t itemSize) {
    int32_t n = Value<int32_t>();
    if (n < 0 || uint64_t(n) * itemSize > size - at) Fail();
    return size_t(n);
  }
  // A record count: none for 0 or less, else as many as the smallest records allow.
  size_t RecordCount(size_t minimumSize) {
    int32_t n = Value<int32_t>();
    if (n <= 0) return 0;
    if (uint64_t(n) * minimumSize > size - at) Fail();
    return size_t(n);
  }
  // A 256-byte field; one without a zero ends at its last byte.
  std::string Name() {
    char field[kNameSize];
    Bytes(field, kNameSize);
    field[kNameSize - 1] = 0;
    return field;
  }
  // The tools quote names: the first and last characters go, and text shorter than
  // three characters leaves nothing.
  std::string QuotedName() {
    std::string text = Name();
    return text.size() < 3 ? std::string() : text.substr(1, text.size() - 2);
  }
  template <class T>
  void Array(std::vector<T>& into, size_t count) {
    into.resize(count);
    if (count) Bytes(into.data(), count * sizeof(T));
  }

  [[noreturn]] void Fail() const {
    throw Exception("KOR Scene (SceneLoader)", "Wrong file format",
                    "The scene file " + name + " ends early or has a count that does not fit it.");
  }

private:
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  const std::string& name;
};

}  // namespace

SceneFileContents ParseSceneFile(const uint8_t* data, size_t size, const std::string& name) {
  Reader in(data, data ? size : 0, name);
  SceneFileContents file;
  in.Bytes(file.header, kHeaderSize);

  size_t objects = in.RecordCount(kMinObjectSize);
  for (size_t i = 0; i < objects; ++i) {
    SceneObjectRecord& r = file.objects.emplace_back();
    r.typeName = in.QuotedName();
    r.objectName = in.QuotedName();
    r.meshName = in.QuotedName();
    in.Bytes(&r.material, sizeof r.material);
    in.Bytes(&r.transform, sizeof r.transform);
    in.Array(r.keys, in.Count(sizeof(SceneTransform)));
    size_t extras = in.Count(kExtraEntrySize);
    for (size_t e = 0; e < extras; ++e) {
      uint8_t ignored[kExtraEntrySize];
      in.Bytes(ignored, sizeof ignored);
    }
  }

  size_t lights = in.RecordCount(kMinLightSize);
  for (size_t i = 0; i < lights; ++i) {
    SceneLightRecord& r = file.lights.emplace_back();
    r.position = in.Value<Vector3>();
    r.colour = in.Value<Vector3>();
    r.range = in.Value<float>();
    size_t keys = in.Count(sizeof(Vector3) * 2 + sizeof(float));
    in.Array(r.keyPositions, keys);
    in.Array(r.keyColours, keys);
    in.Array(r.keyValues, keys);
  }

  size_t cameras = in.RecordCount(kMinCameraSize);
  for (size_t i = 0; i < cameras; ++i) {
    SceneCameraRecord& r = file.cameras.emplace_back();
    r.name = in.Name();
    in.Bytes(&r.transform, sizeof r.transform);
    r.fov = in.Value<float>();
    size_t keys = in.Count(sizeof(SceneTransform) + sizeof(float));
    in.Array(r.keys, keys);
    in.Array(r.keyFovs, keys);
  }
  return file;
}

void Scene::LoadScene(const std::string& path) {
  File file;
  // The report the first read of an unopened InputFile gives.
  if (!file.Open(path.c_str(), 0))
    throw Exception("KOR CORE (InputFile)", "File not opened: " + path, "Cannot Read a closed file");
  LoadSceneFromMemory(file.GetData(), file.GetSize(), path);
}

void Scene::LoadSceneFromMemory(const uint8_t* data, size_t size, const std::string& name) {
  const SceneFileContents file = ParseSceneFile(data, size, name);
  for (const SceneObjectRecord& record : file.objects) {
    Entity* entity = AddEntity(CreateEntity(record.typeName));
    if (entity) entity->Initialise(record);
  }
  for (const SceneLightRecord& record : file.lights)
    static_cast<LightEntity*>(AddEntity(std::make_unique<LightEntity>()))->SetupFromLightRecord(record);
  for (const SceneCameraRecord& record : file.cameras)
    static_cast<CameraEntity*>(AddEntity(std::make_unique<CameraEntity>()))->SetupFromCameraRecord(record);
}

}  // namespace KOR
