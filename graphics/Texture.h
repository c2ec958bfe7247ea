#pragma once
// Textures as the graphics layer sees them: a list of mipmap levels in CPU memory that
// the render module's subclasses upload, bind and render into. Loaders and effects fill
// level 0 and call Update, which rebuilds the lower levels and uploads.

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/DeviceObject.h"
#include "graphics/Surface.h"

namespace KOR {

namespace TextureUsages {
constexpr int32_t Ordinary = 0;
constexpr int32_t Dynamic = 1;
constexpr int32_t RenderTarget = 2;
}  // namespace TextureUsages

// Levels a full mipmap chain has: log2 of the larger of width and height, plus one.
int32_t MipLevelCount(int32_t width, int32_t height);

class Texture2D : public DeviceObject {
public:
  Texture2D() = default;
  Texture2D(const Texture2D&) = delete;
  Texture2D& operator=(const Texture2D&) = delete;
  ~Texture2D() override = default;

  // Copies every level to the device texture.
  virtual void Upload() = 0;
  // 0 for a two-dimensional texture, 1 for a cube.
  virtual int32_t GetType() const { return 0; }
  virtual void Bind(int32_t stage) = 0;
  virtual void SetAsRenderTarget() = 0;

  // Throws "Non Power of two" unless both sizes pass (what Create checks first).
  static void CheckSize(int32_t width, int32_t height);
  // Level 0 of the given size; throws "Texture already created" the second time.
  void Create(PixelFormat format, int32_t usage, int32_t width, int32_t height, bool mipmapped);
  // Regenerates every lower level from level 0, adding the chain on the first call of a
  // mipmapped texture, then uploads. Nothing happens before Create.
  void Update();

  int32_t GetLevelCount() const { return int32_t(levels.size()); }
  Surface* GetLevel(int32_t index) const;

  int32_t usage = TextureUsages::Ordinary;
  PixelFormat format = PixelFormats::X8R8G8B8;
  std::vector<std::unique_ptr<Surface>> levels;  // level 0 first
  int32_t width = 0;
  int32_t height = 0;
  bool mipmapped = false;
};

class Texture3D : public DeviceObject {
public:
  Texture3D() = default;
  Texture3D(const Texture3D&) = delete;
  Texture3D& operator=(const Texture3D&) = delete;
  ~Texture3D() override = default;

  virtual void Upload() = 0;
  virtual int32_t GetType() const { return 2; }
  virtual void Bind(int32_t stage) = 0;

  static void CheckSize(int32_t width, int32_t height, int32_t depth);
  void Create(PixelFormat format, int32_t usage, int32_t width, int32_t height, int32_t depth,
              bool mipmapped);
  // As Texture2D::Update. The level count comes from width and height alone; each level
  // halves the depth until it reaches 1.
  void Update();

  int32_t GetLevelCount() const { return int32_t(levels.size()); }
  Volume* GetLevel(int32_t index) const;

  int32_t usage = TextureUsages::Ordinary;
  PixelFormat format = PixelFormats::X8R8G8B8;
  std::vector<std::unique_ptr<Volume>> levels;  // level 0 first
  int32_t width = 0;
  int32_t height = 0;
  int32_t depth = 0;
  bool mipmapped = false;
};

}  // namespace KOR
