#pragma once
// Shared by the content tests: where the built assets are, reading them, and decoding a
// texture through the engine's readers.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/TextureFormats.h"

namespace ContentTest {

inline std::string Asset(const std::string& name) { return std::string(KOR_CONTENT_ASSETS) + "/" + name; }

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Decoded pixels, 0xAARRGGBB, through the same readers TextureObject uses.
struct Decoded {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  float Alpha(int x, int y) const { return float(At(x, y) >> 24) / 255.0f; }
  float Channel(int x, int y, int shift) const { return float((At(x, y) >> shift) & 255) / 255.0f; }
};

inline Decoded Decode(const std::string& name) {
  const std::vector<uint8_t> bytes = ReadBytes(Asset(name));
  Decoded d;
  KOR::EngineTextureView engine;
  KOR::TgaView tga;
  std::vector<uint8_t> raw;
  if (KOR::ParseEngineTexture(bytes.data(), bytes.size(), engine) == KOR::ReadResult::Accepted) {
    d.width = engine.header.width, d.height = engine.header.height;
    raw.resize(size_t(d.width) * size_t(d.height) * 4);
    KOR::DecodeEngineTexture(engine, raw.data());
  } else if (KOR::ParseTga(bytes.data(), bytes.size(), tga) == KOR::ReadResult::Accepted) {
    d.width = tga.header.width, d.height = tga.header.height;
    raw.resize(size_t(d.width) * size_t(d.height) * 4);
    KOR::DecodeTga(tga, raw.data());
  }
  for (size_t i = 0; i + 3 < raw.size(); i += 4)
    d.pixels.push_back(uint32_t(raw[i + 3]) << 24 | uint32_t(raw[i + 2]) << 16 | uint32_t(raw[i + 1]) << 8 | raw[i]);
  return d;
}

}  // namespace ContentTest
