#include "tools/scene/SceneWriters.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace KOR {
namespace {

using namespace SceneFileFormat;

void Put(std::vector<uint8_t>& out, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  out.insert(out.end(), bytes, bytes + size);
}

template <class T>
void PutValue(std::vector<uint8_t>& out, const T& value) {
  Put(out, &value, sizeof value);
}

void PutCount(std::vector<uint8_t>& out, size_t n) { PutValue(out, int32_t(n)); }

void PutName(std::vector<uint8_t>& out, const std::string& text, bool quoted) {
  char field[kNameSize] = {};
  std::string written = quoted ? "\"" + text.substr(0, kNameSize - 3) + "\"" : text.substr(0, kNameSize - 1);
  std::memcpy(field, written.data(), written.size());
  Put(out, field, sizeof field);
}

template <class T>
void PutArray(std::vector<uint8_t>& out, const std::vector<T>& values, size_t count) {
  for (size_t i = 0; i < count; ++i) PutValue(out, i < values.size() ? values[i] : T{});
}

}  // namespace

std::vector<uint8_t> WriteSceneFile(const SceneFileContents& contents) {
  std::vector<uint8_t> out;
  Put(out, contents.header, kHeaderSize);
  PutCount(out, contents.objects.size());
  for (const SceneObjectRecord& r : contents.objects) {
    PutName(out, r.typeName, true);
    PutName(out, r.objectName, true);
    PutName(out, r.meshName, true);
    PutValue(out, r.material);
    PutValue(out, r.transform);
    PutCount(out, r.keys.size());
    PutArray(out, r.keys, r.keys.size());
    PutCount(out, 0);  // extra entries: nothing reads them
  }
  PutCount(out, contents.lights.size());
  for (const SceneLightRecord& r : contents.lights) {
    PutValue(out, r.position);
    PutValue(out, r.colour);
    PutValue(out, r.range);
    const size_t keys = r.keyPositions.size();
    PutCount(out, keys);
    PutArray(out, r.keyPositions, keys);
    PutArray(out, r.keyColours, keys);
    PutArray(out, r.keyValues, keys);
  }
  PutCount(out, contents.cameras.size());
  for (const SceneCameraRecord& r : contents.cameras) {
    PutName(out, r.name, false);
    PutValue(out, r.transform);
    PutValue(out, r.fov);
    const size_t keys = r.keys.size();
    PutCount(out, keys);
    PutArray(out, r.keys, keys);
    PutArray(out, r.keyFovs, keys);
  }
  return out;
}

Mesh3DFData BoxMesh(const Vector3& low, const Vector3& high) {
  Mesh3DFData mesh;
  // Per face: the axis of its normal, the side, and the two axes it spans.
  for (int axis = 0; axis < 3; ++axis) {
    for (int side = 0; side < 2; ++side) {
      const int u = (axis + 1) % 3, v = (axis + 2) % 3;
      const uint32_t first = uint32_t(mesh.vertices.size());
      for (int corner = 0; corner < 4; ++corner) {
        Mesh3DFVertex vertex;
        const float lowAt[3] = {low.x, low.y, low.z}, highAt[3] = {high.x, high.y, high.z};
        vertex.position[axis] = side ? highAt[axis] : lowAt[axis];
        vertex.position[u] = (corner & 1) ? highAt[u] : lowAt[u];
        vertex.position[v] = (corner & 2) ? highAt[v] : lowAt[v];
        vertex.normal[axis] = side ? 1.0f : -1.0f;
        vertex.texCoord[0] = float(corner & 1);
        vertex.texCoord[1] = float((corner >> 1) & 1);
        vertex.tangent[u] = 1.0f;
        vertex.tangent[3] = 1.0f;
        mesh.vertices.push_back(vertex);
      }
      for (uint32_t i : {0u, 1u, 2u, 2u, 1u, 3u}) mesh.indices.push_back(first + i);
    }
  }
  return mesh;
}

SceneMaterialBlock MaterialBlock(float r, float g, float b, float a, const std::string& diffuse) {
  SceneMaterialBlock block;
  block.colour[0] = r, block.colour[1] = g, block.colour[2] = b, block.colour[3] = a;
  block.shininess = 0.5f;
  std::memcpy(block.diffuseName, diffuse.data(), std::min(diffuse.size(), sizeof block.diffuseName - 1));
  return block;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

}  // namespace KOR
