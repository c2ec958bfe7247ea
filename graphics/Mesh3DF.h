#pragma once
// A 3DF mesh loaded into a renderable of the current render device, with the bounding
// sphere (centred on the model's origin) and box that culling and placement use.

#include <cstdint>
#include <string>

#include "core/Vector.h"

namespace KOR {

class Device;
class Renderable;

class Mesh3DF {
public:
  Mesh3DF() = default;
  Mesh3DF(const Mesh3DF&) = delete;
  Mesh3DF& operator=(const Mesh3DF&) = delete;
  // Releases the renderable through the device that made it.
  virtual ~Mesh3DF();

  // Throws "Cannot open file" for a missing file or one shorter than the header.
  void LoadFile(const std::string& name);
  // Throws "Cannot open file" without data and "Wrong file format" for an image that is
  // not a whole 3DF mesh; either way before anything is made, leaving the mesh as it was.
  // Without a current device only the bounds are taken.
  void LoadFromMemory(const uint8_t* data, size_t size);

  Renderable* GetRenderable() const { return renderable; }
  float GetRadius() const { return radius; }
  const Vector3& GetBoundsMin() const { return boundsMin; }
  const Vector3& GetBoundsMax() const { return boundsMax; }

private:
  void Release();

  Renderable* renderable = nullptr;
  float radius = 0.0f;
  Vector3 boundsMin;
  Vector3 boundsMax;
  Device* device = nullptr;  // the one that made renderable
};

}  // namespace KOR
