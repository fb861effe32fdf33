// A picture being generated: float colour channels, top row first, turned into the bytes the
// TGA and BMP writers take.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace korvel::content {

struct Colour {
  float r = 0, g = 0, b = 0;
  Colour operator+(const Colour& o) const { return {r + o.r, g + o.g, b + o.b}; }
  Colour operator*(float k) const { return {r * k, g * k, b * k}; }
  Colour operator*(const Colour& o) const { return {r * o.r, g * o.g, b * o.b}; }
};

inline Colour lerp(const Colour& a, const Colour& b, float t) {
  return a + (b + a * -1.0f) * t;
}

struct Picture {
  unsigned width = 0, height = 0;
  int bitsPerPixel = 24;       // 8 grey, 24 colour, 32 colour with alpha
  std::vector<uint8_t> bytes;  // grey, or blue, green, red (and alpha); top row first

  Picture(unsigned w, unsigned h, int bits)
      : width(w), height(h), bitsPerPixel(bits), bytes(size_t(w) * h * size_t(bits / 8), 0) {}

  static uint8_t quantise(float value) {
    return uint8_t(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f);
  }
  void set(unsigned x, unsigned y, const Colour& c, float alpha = 1.0f) {
    uint8_t* p = &bytes[(size_t(y) * width + x) * size_t(bitsPerPixel / 8)];
    p[0] = quantise(c.b);
    p[1] = quantise(c.g);
    p[2] = quantise(c.r);
    if (bitsPerPixel == 32) {
      p[3] = quantise(alpha);
    }
  }
  void setGrey(unsigned x, unsigned y, float value) {
    bytes[size_t(y) * width + x] = quantise(value);
  }
};

}  // namespace korvel::content
