#pragma once
// A texture loaded from a file: the engine's `.kor.texture` or an uncompressed TGA. The
// texture is made by the current render device and released through the same device
// when this object goes, or when a later load replaces it.

#include <cstdint>

namespace KOR {

class Device;
class Texture2D;

class TextureObject {
public:
  TextureObject() = default;
  TextureObject(const TextureObject&) = delete;
  TextureObject& operator=(const TextureObject&) = delete;
  virtual ~TextureObject();

  // A file that cannot be opened is not an error: the texture stays as it was. So does a
  // load while no render device exists.
  void LoadFile(const char* name);
  // Throws "Unknown file format" for data no reader accepts or that is damaged, and
  // "Non Power of two" before anything is made; on any throw the texture stays as it was.
  void LoadFromMemory(const uint8_t* data, uint32_t size);
  Texture2D* GetTexture() const { return texture; }

private:
  // Takes fresh in place of the current texture; a null fresh keeps the current one.
  void Install(Texture2D* fresh, Device* maker);
  void Release();

  Texture2D* texture = nullptr;
  Device* device = nullptr;  // the one that made texture
};

}  // namespace KOR
