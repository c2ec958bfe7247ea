#include "graphics/Texture.h"

#include <algorithm>

#include "core/Exception.h"

namespace KOR {

int32_t MipLevelCount(int32_t width, int32_t height) {
  int32_t largest = std::max(width, height);
  int32_t count = 1;
  while (largest > 1) {
    largest >>= 1;
    ++count;
  }
  return count;
}

void Texture2D::CheckSize(int32_t w, int32_t h) {
  if (!IsPowerOfTwoSize(w) || !IsPowerOfTwoSize(h))
    throw Exception("KOR Graphics (Texture2D)", "Non Power of two",
                    "Trying to create a non power of two surface.");
}

void Texture2D::Create(PixelFormat newFormat, int32_t newUsage, int32_t w, int32_t h,
                       bool withMipmaps) {
  if (!levels.empty())
    throw Exception("KOR Graphics (Texture2D)", "Texture already created", "Cannot recreate a texture.");
  CheckSize(w, h);
  auto level = std::make_unique<Surface>();
  level->Create(newFormat, w, h);
  levels.push_back(std::move(level));
  format = newFormat;
  usage = newUsage;
  width = w;
  height = h;
  mipmapped = withMipmaps;
}

void Texture2D::Update() {
  if (levels.empty()) return;
  if (mipmapped && levels.size() == 1) {
    for (int32_t i = 1; i < MipLevelCount(width, height); ++i) levels.push_back(std::make_unique<Surface>());
  }
  for (size_t i = 1; i < levels.size(); ++i) levels[i - 1]->Downsample(*levels[i]);
  Upload();
}

Surface* Texture2D::GetLevel(int32_t index) const {
  return index >= 0 && index < GetLevelCount() ? levels[size_t(index)].get() : nullptr;
}

void Texture3D::CheckSize(int32_t w, int32_t h, int32_t d) {
  if (!IsPowerOfTwoSize(w) || !IsPowerOfTwoSize(h) || !IsPowerOfTwoSize(d))
    throw Exception("KOR Graphics (Texture3D)", "Non Power of two",
                    "Trying to create a non power of two texture.");
}

void Texture3D::Create(PixelFormat newFormat, int32_t newUsage, int32_t w, int32_t h, int32_t d,
                       bool withMipmaps) {
  if (!levels.empty())
    throw Exception("KOR Graphics (Texture3D)", "Texture already created", "Cannot recreate a texture.");
  CheckSize(w, h, d);
  auto level = std::make_unique<Volume>();
  level->Create(newFormat, w, h, d);
  levels.push_back(std::move(level));
  format = newFormat;
  usage = newUsage;
  width = w;
  height = h;
  depth = d;
  mipmapped = withMipmaps;
}

void Texture3D::Update() {
  if (levels.empty()) return;
  if (mipmapped && levels.size() == 1) {
    for (int32_t i = 1; i < MipLevelCount(width, height); ++i) levels.push_back(std::make_unique<Volume>());
  }
  for (size_t i = 1; i < levels.size(); ++i) levels[i - 1]->Downsample(*levels[i]);
  Upload();
}

Volume* Texture3D::GetLevel(int32_t index) const {
  return index >= 0 && index < GetLevelCount() ? levels[size_t(index)].get() : nullptr;
}

}  // namespace KOR
