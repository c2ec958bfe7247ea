#pragma once
// Pixel formats of the engine's surfaces and the colour conversions every surface uses.
// The render module maps each format to the device format of the same name.

#include <cstdint>

namespace KOR {

using PixelFormat = int32_t;

namespace PixelFormats {
constexpr PixelFormat R5G6B5 = 0;
constexpr PixelFormat X8R8G8B8 = 1;
constexpr PixelFormat A8R8G8B8 = 2;
constexpr PixelFormat R16F = 3;
constexpr PixelFormat A16B16G16R16F = 4;
constexpr PixelFormat DXT1 = 5;
constexpr PixelFormat DXT3 = 6;
constexpr PixelFormat DXT5 = 7;
}  // namespace PixelFormats

// Red, green, blue and alpha, nominally 0 to 1.
struct Colour {
  float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
};

// 0 for compressed formats and for values the engine does not know.
int BytesPerPixel(PixelFormat format);

// IEEE 754 binary16. To half truncates the mantissa; too large becomes infinity, too
// small a subnormal and then a signed zero; infinities and NaNs stay what they are.
uint16_t FloatToHalf(float value);
float HalfToFloat(uint16_t half);

// One pixel at pixel, BytesPerPixel(format) bytes. Unknown and compressed formats read
// as opaque black and write nothing. The integer formats clamp each channel to 0 … 1
// before packing, so a value out of range cannot spill into its neighbour's bits.
Colour DecodePixel(PixelFormat format, const uint8_t* pixel);
void EncodePixel(PixelFormat format, const Colour& colour, uint8_t* pixel);

}  // namespace KOR
