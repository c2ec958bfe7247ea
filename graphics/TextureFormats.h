#pragma once
// The two image files the engine reads: its own palettized `.kor.texture` and
// uncompressed true-colour TGA. Readers and writers share the header records, so the
// content tools write exactly what the loader accepts.
//
// A reader first parses: it checks every count and length against the buffer (no
// allocation, nothing read outside it) and returns a view into the caller's bytes. Only
// a parsed view is decoded, into width × height pixels of 4 bytes each, blue, green,
// red, alpha (the little-endian A8R8G8B8 layout of a surface), row by row as stored.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace KOR {

enum class ReadResult {
  NotThisFormat,  // the next reader may try
  Malformed,      // this format, but damaged or of a kind the engine does not read
  Accepted,
};

// An image in memory: one 0xAARRGGBB value per pixel, row by row from the top.
struct ArgbImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
};

// .kor.texture, little-endian. After the header: paletteCount colours (4 bytes each,
// blue, green, red, alpha), then one index of bitsPerIndex bits per pixel, packed least
// significant bit first.
constexpr char kEngineTextureMagic[4] = {'T', 'E', 'X', 'T'};
constexpr uint32_t kEngineTextureVersion = 100;
constexpr size_t kEngineTextureHeaderSize = 28;

struct EngineTextureHeader {
  uint32_t version = kEngineTextureVersion;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t unused = 0;  // offset 16: the loader does not read it
  int32_t bitsPerIndex = 0;
  int32_t paletteCount = 0;
};

struct EngineTextureView {
  EngineTextureHeader header;
  const uint8_t* palette = nullptr;
  const uint8_t* indices = nullptr;
};

// Accepted only when sizes are positive, bitsPerIndex is 1 to 32, the palette and all
// width × height indices lie in the buffer, and no index reaches paletteCount.
ReadResult ParseEngineTexture(const uint8_t* data, size_t size, EngineTextureView& view);
void DecodeEngineTexture(const EngineTextureView& view, uint8_t* pixels);

// What the writer stores: the palette and one index per pixel.
struct EngineTextureImage {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerIndex = 1;
  std::vector<uint32_t> palette;  // 0xAARRGGBB
  std::vector<uint32_t> indices;  // width × height, each below palette.size()
};

std::vector<uint8_t> WriteEngineTexture(const EngineTextureImage& image);
// The smallest index width that can tell count colours apart (at least 1 bit); 0 when
// even 32 bits cannot.
int32_t BitsPerIndexFor(uint64_t colourCount);
// The distinct colours of image in the order first met, and each pixel's index. Throws
// std::length_error when the palette count would not fit the file's signed 32-bit field.
EngineTextureImage Palettize(const ArgbImage& image);

// TGA, image type 2 (uncompressed true colour), depth 24 or 32. Pixels start after the
// identification field and the colour map, if any; rows are used in the order stored.
constexpr size_t kTgaHeaderSize = 18;
constexpr uint8_t kTgaTrueColour = 2;

struct TgaHeader {
  uint8_t idLength = 0;
  uint8_t colourMapType = 0;
  uint8_t imageType = kTgaTrueColour;
  uint16_t colourMapFirst = 0;
  uint16_t colourMapLength = 0;
  uint8_t colourMapDepth = 0;
  uint16_t xOrigin = 0;
  uint16_t yOrigin = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t depth = 32;
  uint8_t descriptor = 0;
};

struct TgaView {
  TgaHeader header;
  const uint8_t* pixels = nullptr;
};

ReadResult ParseTga(const uint8_t* data, size_t size, TgaView& view);
// Depth 24 gains alpha 255.
void DecodeTga(const TgaView& view, uint8_t* pixels);
// depth 24 drops alpha; rows are written top first and the descriptor says so.
std::vector<uint8_t> WriteTga(const ArgbImage& image, int depth);

}  // namespace KOR
