#include "graphics/TextureFormats.h"

#include <cstring>
#include <limits>
#include <stdexcept>
#include <unordered_map>

namespace KOR {
namespace {

uint16_t Load16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Load32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void Store32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

uint64_t IndexStreamBytes(const EngineTextureHeader& h) {
  return (uint64_t(h.width) * uint64_t(h.height) * uint64_t(h.bitsPerIndex) + 7) / 8;
}

// Index k of a stream the parser has checked to hold every index.
uint32_t IndexAt(const uint8_t* stream, uint64_t streamBytes, int32_t bits, uint64_t k) {
  uint64_t bit = k * uint64_t(bits);
  uint64_t first = bit / 8;
  uint64_t window = 0;
  // 32 bits at any shift span at most five bytes; stop at the stream's end.
  for (uint64_t i = 0; i < 5 && first + i < streamBytes; ++i) window |= uint64_t(stream[first + i]) << (8 * i);
  uint64_t mask = bits == 32 ? 0xFFFFFFFFull : (1ull << bits) - 1;
  return uint32_t((window >> (bit % 8)) & mask);
}

}  // namespace

ReadResult ParseEngineTexture(const uint8_t* data, size_t size, EngineTextureView& view) {
  if (size < 8 || std::memcmp(data, kEngineTextureMagic, 4) != 0 || Load32(data + 4) != kEngineTextureVersion)
    return ReadResult::NotThisFormat;
  if (size < kEngineTextureHeaderSize) return ReadResult::Malformed;
  EngineTextureHeader h;
  h.version = Load32(data + 4);
  h.width = int32_t(Load32(data + 8));
  h.height = int32_t(Load32(data + 12));
  h.unused = Load32(data + 16);
  h.bitsPerIndex = int32_t(Load32(data + 20));
  h.paletteCount = int32_t(Load32(data + 24));
  if (h.width <= 0 || h.height <= 0 || h.bitsPerIndex < 1 || h.bitsPerIndex > 32 || h.paletteCount <= 0)
    return ReadResult::Malformed;
  uint64_t left = size - kEngineTextureHeaderSize;
  uint64_t paletteBytes = uint64_t(h.paletteCount) * 4;
  if (paletteBytes > left) return ReadResult::Malformed;
  left -= paletteBytes;
  // Compare pixel counts, not bit counts: width × height × 32 could pass 64 bits.
  uint64_t pixels = uint64_t(h.width) * uint64_t(h.height);
  if (pixels > left * 8 / uint64_t(h.bitsPerIndex)) return ReadResult::Malformed;

  const uint8_t* palette = data + kEngineTextureHeaderSize;
  const uint8_t* indices = palette + paletteBytes;
  uint64_t streamBytes = IndexStreamBytes(h);
  for (uint64_t k = 0; k < pixels; ++k)
    if (IndexAt(indices, streamBytes, h.bitsPerIndex, k) >= uint32_t(h.paletteCount)) return ReadResult::Malformed;
  view.header = h;
  view.palette = palette;
  view.indices = indices;
  return ReadResult::Accepted;
}

void DecodeEngineTexture(const EngineTextureView& view, uint8_t* pixels) {
  const EngineTextureHeader& h = view.header;
  uint64_t count = uint64_t(h.width) * uint64_t(h.height);
  uint64_t streamBytes = IndexStreamBytes(h);
  for (uint64_t k = 0; k < count; ++k) {
    uint32_t index = IndexAt(view.indices, streamBytes, h.bitsPerIndex, k);
    std::memcpy(pixels + k * 4, view.palette + size_t(index) * 4, 4);
  }
}

std::vector<uint8_t> WriteEngineTexture(const EngineTextureImage& image) {
  if (image.width <= 0 || image.height <= 0 || image.bitsPerIndex < 1 || image.bitsPerIndex > 32 ||
      image.palette.empty() || image.palette.size() > size_t(std::numeric_limits<int32_t>::max()) ||
      image.indices.size() != size_t(image.width) * size_t(image.height))
    throw std::invalid_argument("engine texture: bad size, index width or palette");
  uint64_t limit = image.bitsPerIndex == 32 ? (1ull << 32) : (1ull << image.bitsPerIndex);
  std::vector<uint8_t> out(kEngineTextureMagic, kEngineTextureMagic + 4);
  Put32(out, kEngineTextureVersion);
  Put32(out, uint32_t(image.width));
  Put32(out, uint32_t(image.height));
  Put32(out, 0);
  Put32(out, uint32_t(image.bitsPerIndex));
  Put32(out, uint32_t(image.palette.size()));
  for (uint32_t colour : image.palette) Put32(out, colour);
  size_t streamStart = out.size();
  out.resize(streamStart + size_t((uint64_t(image.indices.size()) * uint64_t(image.bitsPerIndex) + 7) / 8), 0);
  uint64_t bit = 0;
  for (uint32_t index : image.indices) {
    if (index >= image.palette.size() || index >= limit)
      throw std::invalid_argument("engine texture: index outside the palette");
    for (int32_t b = 0; b < image.bitsPerIndex; ++b, ++bit)
      if (index >> b & 1) out[streamStart + bit / 8] |= uint8_t(1u << (bit % 8));
  }
  return out;
}

int32_t BitsPerIndexFor(uint64_t colourCount) {
  int32_t bits = 1;
  while (bits <= 32 && (1ull << bits) < colourCount) ++bits;
  return bits <= 32 ? bits : 0;
}

EngineTextureImage Palettize(const ArgbImage& image) {
  EngineTextureImage result;
  result.width = image.width;
  result.height = image.height;
  result.indices.reserve(image.pixels.size());
  std::unordered_map<uint32_t, uint32_t> seen;
  for (uint32_t colour : image.pixels) {
    auto [it, fresh] = seen.try_emplace(colour, uint32_t(result.palette.size()));
    if (fresh) {
      if (result.palette.size() >= size_t(std::numeric_limits<int32_t>::max()))
        throw std::length_error("more distinct colours than a palette can hold");
      result.palette.push_back(colour);
    }
    result.indices.push_back(it->second);
  }
  result.bitsPerIndex = BitsPerIndexFor(result.palette.size());
  return result;
}

ReadResult ParseTga(const uint8_t* data, size_t size, TgaView& view) {
  if (size < 3 || data[2] != kTgaTrueColour) return ReadResult::NotThisFormat;
  if (size < kTgaHeaderSize) return ReadResult::Malformed;
  TgaHeader h;
  h.idLength = data[0];
  h.colourMapType = data[1];
  h.imageType = data[2];
  h.colourMapFirst = Load16(data + 3);
  h.colourMapLength = Load16(data + 5);
  h.colourMapDepth = data[7];
  h.xOrigin = Load16(data + 8);
  h.yOrigin = Load16(data + 10);
  h.width = Load16(data + 12);
  h.height = Load16(data + 14);
  h.depth = data[16];
  h.descriptor = data[17];
  if ((h.depth != 24 && h.depth != 32) || h.width == 0 || h.height == 0 || h.colourMapType > 1)
    return ReadResult::Malformed;
  uint64_t offset = kTgaHeaderSize + h.idLength;
  if (h.colourMapType == 1) offset += uint64_t(h.colourMapLength) * ((h.colourMapDepth + 7u) / 8u);
  uint64_t pixelBytes = uint64_t(h.width) * h.height * (h.depth / 8u);
  if (offset > size || pixelBytes > size - offset) return ReadResult::Malformed;
  view.header = h;
  view.pixels = data + offset;
  return ReadResult::Accepted;
}

void DecodeTga(const TgaView& view, uint8_t* pixels) {
  size_t count = size_t(view.header.width) * view.header.height;
  if (view.header.depth == 32) {
    std::memcpy(pixels, view.pixels, count * 4);
    return;
  }
  for (size_t i = 0; i < count; ++i) {
    std::memcpy(pixels + i * 4, view.pixels + i * 3, 3);
    pixels[i * 4 + 3] = 0xFF;
  }
}

std::vector<uint8_t> WriteTga(const ArgbImage& image, int depth) {
  if ((depth != 24 && depth != 32) || image.width <= 0 || image.height <= 0 || image.width > 0xFFFF ||
      image.height > 0xFFFF || image.pixels.size() != size_t(image.width) * size_t(image.height))
    throw std::invalid_argument("TGA: bad size or depth");
  TgaHeader h;
  h.width = uint16_t(image.width);
  h.height = uint16_t(image.height);
  h.depth = uint8_t(depth);
  // Top-left origin (bit 5), and the count of alpha bits.
  h.descriptor = uint8_t(0x20 | (depth == 32 ? 8 : 0));
  std::vector<uint8_t> out;
  out.push_back(h.idLength);
  out.push_back(h.colourMapType);
  out.push_back(h.imageType);
  Put16(out, h.colourMapFirst);
  Put16(out, h.colourMapLength);
  out.push_back(h.colourMapDepth);
  Put16(out, h.xOrigin);
  Put16(out, h.yOrigin);
  Put16(out, h.width);
  Put16(out, h.height);
  out.push_back(h.depth);
  out.push_back(h.descriptor);
  for (uint32_t argb : image.pixels) {
    uint8_t bytes[4];
    Store32(bytes, argb);
    out.insert(out.end(), bytes, bytes + depth / 8);
  }
  return out;
}

}  // namespace KOR
