#pragma once
// CPU-side pixel memory: Surface is one two-dimensional image, Volume one
// three-dimensional image, rows (and slices) packed without gaps. Textures keep one per
// mipmap level and the render module copies them to the device.

#include <cstdint>
#include <functional>

#include "graphics/PixelFormat.h"

namespace KOR {

// Every dimension must be 0 or a power of two; negative sizes never pass.
bool IsPowerOfTwoSize(int32_t size);

// byteSize is a signed 32-bit count, so no image may need more bytes than it can hold.
constexpr int64_t kMaxImageBytes = INT32_MAX;

class Surface {
public:
  Surface() = default;
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
  virtual ~Surface();

  // Throws "Non Power of two" (or "Image too large") and then changes nothing; the
  // previous pixels are released only once the new ones are allocated. Contents are
  // undefined.
  void Create(PixelFormat format, int32_t width, int32_t height);
  // Outside the surface reads opaque black and writes nothing.
  Colour GetPixel(int32_t x, int32_t y) const;
  void SetPixel(const Colour& colour, int32_t x, int32_t y);
  // Box-filters into target at half the size (a dimension of 1 stays 1), re-creating
  // target when its size or format differs.
  void Downsample(Surface& target) const;

  PixelFormat format = PixelFormats::X8R8G8B8;
  uint8_t* data = nullptr;  // from malloc, released with free
  int32_t width = 0;
  int32_t height = 0;
  int32_t pitch = 0;
  int32_t bytesPerPixel = 4;
  int32_t byteSize = 0;
};

class Volume {
public:
  Volume() = default;
  Volume(const Volume&) = delete;
  Volume& operator=(const Volume&) = delete;
  virtual ~Volume();

  void Create(PixelFormat format, int32_t width, int32_t height, int32_t depth);
  Colour GetVoxel(int32_t x, int32_t y, int32_t z) const;
  void SetVoxel(const Colour& colour, int32_t x, int32_t y, int32_t z);
  // Averages each 2 × 2 × 2 block; a dimension of 1 stays 1.
  void Downsample(Volume& target) const;
  // Sets every voxel to function(x, y, z).
  void Fill(const std::function<Colour(int32_t x, int32_t y, int32_t z)>& function);

  PixelFormat format = PixelFormats::A8R8G8B8;
  uint8_t* data = nullptr;  // from malloc, released with free
  int32_t width = 0;
  int32_t height = 0;
  int32_t depth = 0;
  int32_t pitch = 0;
  int32_t slicePitch = 0;
  int32_t bytesPerPixel = 4;
  int32_t byteSize = 0;
};

}  // namespace KOR
