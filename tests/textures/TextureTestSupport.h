#pragma once
// Shared by the texture tests: catching the engine's exceptions and building image files
// byte by byte, independently of the writers under test.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Exception.h"
#include "tests/Caught.h"

namespace KOR::Testing {

inline void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// A .kor.texture header and palette; the caller appends the index stream.
inline std::vector<uint8_t> EngineTextureBytes(int32_t width, int32_t height, int32_t bits,
                                               const std::vector<uint32_t>& palette,
                                               std::optional<int32_t> paletteCount = {}) {
  std::vector<uint8_t> out = {'T', 'E', 'X', 'T'};
  Put32(out, 100);
  Put32(out, uint32_t(width));
  Put32(out, uint32_t(height));
  Put32(out, 0xDEADBEEF);  // the field nobody reads
  Put32(out, uint32_t(bits));
  Put32(out, uint32_t(paletteCount.value_or(int32_t(palette.size()))));
  for (uint32_t c : palette) Put32(out, c);
  return out;
}

// A TGA header; the caller appends the ID, colour map and pixels.
inline std::vector<uint8_t> TgaBytes(uint16_t width, uint16_t height, uint8_t depth,
                                     uint8_t imageType = 2, uint8_t idLength = 0,
                                     uint8_t colourMapType = 0, uint16_t colourMapLength = 0,
                                     uint8_t colourMapDepth = 0) {
  std::vector<uint8_t> out = {idLength, colourMapType, imageType};
  Put16(out, 0);
  Put16(out, colourMapLength);
  out.push_back(colourMapDepth);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, width);
  Put16(out, height);
  out.push_back(depth);
  out.push_back(0);
  return out;
}

inline uint32_t Argb(const uint8_t* pixel) {
  return uint32_t(pixel[0]) | uint32_t(pixel[1]) << 8 | uint32_t(pixel[2]) << 16 | uint32_t(pixel[3]) << 24;
}

inline void ExpectUnknownFormat(const KOR::Exception& e) {
  EXPECT_EQ(e.GetModule(), "KOR Graphics (TextureObject)");
  EXPECT_EQ(e.GetError(), "Unknown file format");
  EXPECT_EQ(e.GetDescription(), "The file format is unknown. The engine supports DDS, TGA and JPG only");
}

}  // namespace KOR::Testing
