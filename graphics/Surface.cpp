#include "graphics/Surface.h"

#include <cstdlib>

#include "core/Exception.h"

namespace KOR {
namespace {

// Allocates a zero-size image as one byte so that data is never null once created.
uint8_t* AllocateImage(const char* module, int64_t bytes) {
  if (bytes > kMaxImageBytes)
    throw Exception(module, "Image too large", "Trying to create an image larger than 2 GiB.");
  auto* data = static_cast<uint8_t*>(std::malloc(size_t(bytes > 0 ? bytes : 1)));
  if (!data) throw Exception(module, "Out of memory", "There is not enough memory for the image.");
  return data;
}

int32_t Half(int32_t size) { return size > 1 ? size / 2 : size; }

Colour Mean(const Colour* samples, int count) {
  Colour sum;
  for (int i = 0; i < count; ++i) {
    sum.r += samples[i].r;
    sum.g += samples[i].g;
    sum.b += samples[i].b;
    sum.a += samples[i].a;
  }
  float scale = 1.0f / float(count);
  return {sum.r * scale, sum.g * scale, sum.b * scale, sum.a * scale};
}

}  // namespace

bool IsPowerOfTwoSize(int32_t size) { return size >= 0 && (size & (size - 1)) == 0; }

Surface::~Surface() { std::free(data); }

void Surface::Create(PixelFormat newFormat, int32_t newWidth, int32_t newHeight) {
  if (!IsPowerOfTwoSize(newWidth) || !IsPowerOfTwoSize(newHeight))
    throw Exception("KOR Graphics (Surface)", "Non Power of two",
                    "Trying to create a non power of two surface.");
  int32_t bpp = BytesPerPixel(newFormat);
  int64_t rowBytes = int64_t(newWidth) * bpp;
  uint8_t* fresh = AllocateImage("KOR Graphics (Surface)", rowBytes * newHeight);
  std::free(data);
  data = fresh;
  format = newFormat;
  width = newWidth;
  height = newHeight;
  bytesPerPixel = bpp;
  pitch = int32_t(rowBytes);
  byteSize = int32_t(rowBytes * newHeight);
}

Colour Surface::GetPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width || y >= height || bytesPerPixel == 0) return {0.0f, 0.0f, 0.0f, 1.0f};
  return DecodePixel(format, data + size_t(y) * size_t(pitch) + size_t(x) * size_t(bytesPerPixel));
}

void Surface::SetPixel(const Colour& colour, int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= width || y >= height || bytesPerPixel == 0) return;
  EncodePixel(format, colour, data + size_t(y) * size_t(pitch) + size_t(x) * size_t(bytesPerPixel));
}

void Surface::Downsample(Surface& target) const {
  int32_t targetWidth = Half(width), targetHeight = Half(height);
  if (target.width != targetWidth || target.height != targetHeight || target.format != format ||
      !target.data)
    target.Create(format, targetWidth, targetHeight);
  int32_t stepX = width > 1 ? 1 : 0, stepY = height > 1 ? 1 : 0;
  for (int32_t y = 0; y < targetHeight; ++y) {
    for (int32_t x = 0; x < targetWidth; ++x) {
      Colour samples[4] = {GetPixel(2 * x, 2 * y), GetPixel(2 * x + stepX, 2 * y),
                           GetPixel(2 * x, 2 * y + stepY), GetPixel(2 * x + stepX, 2 * y + stepY)};
      target.SetPixel(Mean(samples, 4), x, y);
    }
  }
}

Volume::~Volume() { std::free(data); }

void Volume::Create(PixelFormat newFormat, int32_t newWidth, int32_t newHeight, int32_t newDepth) {
  if (!IsPowerOfTwoSize(newWidth) || !IsPowerOfTwoSize(newHeight) || !IsPowerOfTwoSize(newDepth))
    throw Exception("KOR Graphics (Volume)", "Non Power of two",
                    "Trying to create a non power of two volume.");
  int32_t bpp = BytesPerPixel(newFormat);
  int64_t rowBytes = int64_t(newWidth) * bpp;
  int64_t sliceBytes = rowBytes * newHeight;
  if (sliceBytes > kMaxImageBytes)
    throw Exception("KOR Graphics (Volume)", "Image too large",
                    "Trying to create an image larger than 2 GiB.");
  uint8_t* fresh = AllocateImage("KOR Graphics (Volume)", sliceBytes * newDepth);
  std::free(data);
  data = fresh;
  format = newFormat;
  width = newWidth;
  height = newHeight;
  depth = newDepth;
  bytesPerPixel = bpp;
  pitch = int32_t(rowBytes);
  slicePitch = int32_t(sliceBytes);
  byteSize = int32_t(sliceBytes * newDepth);
}

Colour Volume::GetVoxel(int32_t x, int32_t y, int32_t z) const {
  if (x < 0 || y < 0 || z < 0 || x >= width || y >= height || z >= depth || bytesPerPixel == 0)
    return {0.0f, 0.0f, 0.0f, 1.0f};
  return DecodePixel(format, data + size_t(z) * size_t(slicePitch) + size_t(y) * size_t(pitch) +
                                 size_t(x) * size_t(bytesPerPixel));
}

void Volume::SetVoxel(const Colour& colour, int32_t x, int32_t y, int32_t z) {
  if (x < 0 || y < 0 || z < 0 || x >= width || y >= height || z >= depth || bytesPerPixel == 0)
    return;
  EncodePixel(format, colour, data + size_t(z) * size_t(slicePitch) + size_t(y) * size_t(pitch) +
                                  size_t(x) * size_t(bytesPerPixel));
}

void Volume::Downsample(Volume& target) const {
  int32_t targetWidth = Half(width), targetHeight = Half(height), targetDepth = Half(depth);
  if (target.width != targetWidth || target.height != targetHeight || target.depth != targetDepth ||
      target.format != format || !target.data)
    target.Create(format, targetWidth, targetHeight, targetDepth);
  int32_t stepX = width > 1 ? 1 : 0, stepY = height > 1 ? 1 : 0, stepZ = depth > 1 ? 1 : 0;
  for (int32_t z = 0; z < targetDepth; ++z) {
    for (int32_t y = 0; y < targetHeight; ++y) {
      for (int32_t x = 0; x < targetWidth; ++x) {
        Colour samples[8];
        int n = 0;
        for (int32_t dz = 0; dz <= 1; ++dz)
          for (int32_t dy = 0; dy <= 1; ++dy)
            for (int32_t dx = 0; dx <= 1; ++dx)
              samples[n++] = GetVoxel(2 * x + dx * stepX, 2 * y + dy * stepY, 2 * z + dz * stepZ);
        target.SetVoxel(Mean(samples, 8), x, y, z);
      }
    }
  }
}

void Volume::Fill(const std::function<Colour(int32_t, int32_t, int32_t)>& function) {
  for (int32_t z = 0; z < depth; ++z)
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) SetVoxel(function(x, y, z), x, y, z);
}

}  // namespace KOR
