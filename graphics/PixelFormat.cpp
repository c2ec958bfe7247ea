#include "graphics/PixelFormat.h"

#include <bit>
#include <cmath>

namespace KOR {
namespace {

uint16_t Load16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Load32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void Store16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void Store32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// Scales a channel to 0 … maximum, truncating toward zero; NaN counts as 0.
uint32_t Quantise(float value, uint32_t maximum) {
  if (!(value > 0.0f)) return 0;
  if (value >= 1.0f) return maximum;
  return uint32_t(value * float(maximum));
}

}  // namespace

int BytesPerPixel(PixelFormat format) {
  switch (format) {
    case PixelFormats::R5G6B5: return 2;
    case PixelFormats::X8R8G8B8: return 4;
    case PixelFormats::A8R8G8B8: return 4;
    case PixelFormats::R16F: return 2;
    case PixelFormats::A16B16G16R16F: return 8;
    default: return 0;
  }
}

uint16_t FloatToHalf(float value) {
  uint32_t bits = std::bit_cast<uint32_t>(value);
  uint16_t sign = uint16_t((bits >> 16) & 0x8000);
  int32_t exponent = int32_t((bits >> 23) & 0xFF);
  uint32_t mantissa = bits & 0x7FFFFF;
  if (exponent == 0xFF) {
    if (mantissa == 0) return sign | 0x7C00;
    // Keep the top payload bits; a payload only in the low bits must still be a NaN.
    uint16_t payload = uint16_t(mantissa >> 13);
    return sign | 0x7C00 | (payload ? payload : 1);
  }
  int32_t halfExponent = exponent - 127 + 15;
  if (halfExponent >= 31) return sign | 0x7C00;
  if (halfExponent <= 0) {
    // Subnormal: the value is m × 2^-24, so the full mantissa shifts by 14 − exponent.
    int32_t shift = 14 - halfExponent;
    if (shift >= 32) return sign;
    return sign | uint16_t((mantissa | 0x800000) >> shift);
  }
  return sign | uint16_t(halfExponent << 10) | uint16_t(mantissa >> 13);
}

float HalfToFloat(uint16_t half) {
  uint32_t sign = uint32_t(half & 0x8000) << 16;
  uint32_t exponent = (half >> 10) & 0x1F;
  uint32_t mantissa = half & 0x3FF;
  if (exponent == 0x1F) return std::bit_cast<float>(sign | 0x7F800000 | (mantissa << 13));
  if (exponent == 0) {
    float magnitude = std::ldexp(float(mantissa), -24);
    return sign ? -magnitude : magnitude;
  }
  return std::bit_cast<float>(sign | ((exponent - 15 + 127) << 23) | (mantissa << 13));
}

Colour DecodePixel(PixelFormat format, const uint8_t* p) {
  switch (format) {
    case PixelFormats::R5G6B5: {
      uint16_t v = Load16(p);
      return {float(v >> 11) / 31.0f, float((v >> 5) & 0x3F) / 63.0f, float(v & 0x1F) / 31.0f, 1.0f};
    }
    case PixelFormats::X8R8G8B8:
    case PixelFormats::A8R8G8B8: {
      uint32_t v = Load32(p);
      float alpha = format == PixelFormats::A8R8G8B8 ? float(v >> 24) / 255.0f : 1.0f;
      return {float((v >> 16) & 0xFF) / 255.0f, float((v >> 8) & 0xFF) / 255.0f,
              float(v & 0xFF) / 255.0f, alpha};
    }
    case PixelFormats::R16F: return {HalfToFloat(Load16(p)), 0.0f, 0.0f, 1.0f};
    case PixelFormats::A16B16G16R16F:
      return {HalfToFloat(Load16(p)), HalfToFloat(Load16(p + 2)), HalfToFloat(Load16(p + 4)),
              HalfToFloat(Load16(p + 6))};
    default: return {0.0f, 0.0f, 0.0f, 1.0f};
  }
}

void EncodePixel(PixelFormat format, const Colour& c, uint8_t* p) {
  switch (format) {
    case PixelFormats::R5G6B5:
      Store16(p, uint16_t(Quantise(c.r, 31) << 11 | Quantise(c.g, 63) << 5 | Quantise(c.b, 31)));
      break;
    case PixelFormats::X8R8G8B8:
    case PixelFormats::A8R8G8B8: {
      uint32_t alpha = format == PixelFormats::A8R8G8B8 ? Quantise(c.a, 255) : 0xFF;
      Store32(p, alpha << 24 | Quantise(c.r, 255) << 16 | Quantise(c.g, 255) << 8 | Quantise(c.b, 255));
      break;
    }
    case PixelFormats::R16F: Store16(p, FloatToHalf(c.r)); break;
    case PixelFormats::A16B16G16R16F:
      Store16(p, FloatToHalf(c.r));
      Store16(p + 2, FloatToHalf(c.g));
      Store16(p + 4, FloatToHalf(c.b));
      Store16(p + 6, FloatToHalf(c.a));
      break;
    default: break;
  }
}

}  // namespace KOR
