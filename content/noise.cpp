#include "content/noise.h"

#include <algorithm>
#include <cmath>

namespace korvel::content {

namespace {

int wrap(int value, int period) {
  int r = value % period;
  return r < 0 ? r + period : r;
}

float fade(float t) {
  return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

// One of 16 unit gradients around the circle.
void gradient(int x, int y, uint32_t seed, float* gx, float* gy) {
  uint32_t h = hash32(uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u ^ seed);
  float angle = float(h & 15u) * (6.2831853f / 16.0f);
  *gx = std::cos(angle);
  *gy = std::sin(angle);
}

}  // namespace

uint32_t hash32(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352du;
  x ^= x >> 15;
  x *= 0x846ca68bu;
  x ^= x >> 16;
  return x;
}

float latticeValue(int x, int y, uint32_t seed) {
  uint32_t h = hash32(uint32_t(x) * 0x27d4eb2du ^ hash32(uint32_t(y) + seed));
  return float(h >> 8) * (1.0f / 16777216.0f);
}

float gradientNoise(float x, float y, int period, uint32_t seed) {
  return gradientNoise(x, y, period, period, seed);
}

float gradientNoise(float x, float y, int periodX, int periodY, uint32_t seed) {
  float fx = std::floor(x), fy = std::floor(y);
  int ix = int(fx), iy = int(fy);
  float dx = x - fx, dy = y - fy;
  auto corner = [&](int ox, int oy) {
    float gx, gy;
    gradient(wrap(ix + ox, periodX), wrap(iy + oy, periodY), seed, &gx, &gy);
    return gx * (dx - float(ox)) + gy * (dy - float(oy));
  };
  float u = fade(dx), v = fade(dy);
  float top = mix(corner(0, 0), corner(1, 0), u);
  float bottom = mix(corner(0, 1), corner(1, 1), u);
  return mix(top, bottom, v) * 1.41421356f;
}

float fbm(float x, float y, int period, int octaves, uint32_t seed, float gain) {
  float sum = 0, amplitude = 1, total = 0;
  for (int i = 0; i < octaves; ++i) {
    // Each octave shifted off the others' lattice lines, where gradient noise runs weak.
    float shift = 0.31f + 0.17f * float(i);
    sum +=
        amplitude * gradientNoise(x + shift, y + shift * 1.7f, period, seed + uint32_t(i) * 1013u);
    total += amplitude;
    x *= 2;
    y *= 2;
    period *= 2;
    amplitude *= gain;
  }
  return sum / total;
}

float ridged(float x, float y, int period, int octaves, uint32_t seed) {
  float sum = 0, amplitude = 1, total = 0, weight = 1;
  for (int i = 0; i < octaves; ++i) {
    float shift = 0.43f + 0.19f * float(i);
    float n = 1.0f - std::fabs(gradientNoise(x + shift, y + shift * 1.3f, period,
                                             seed + uint32_t(i) * 7919u));
    n *= n;
    sum += n * amplitude * weight;
    weight = std::clamp(n * 1.5f, 0.0f, 1.0f);
    total += amplitude;
    x *= 2;
    y *= 2;
    period *= 2;
    amplitude *= 0.5f;
  }
  return sum / total;
}

Cells cellular(float x, float y, int period, uint32_t seed) {
  int ix = int(std::floor(x)), iy = int(std::floor(y));
  Cells out{1e9f, 1e9f, 0};
  for (int oy = -1; oy <= 1; ++oy) {
    for (int ox = -1; ox <= 1; ++ox) {
      int cx = ix + ox, cy = iy + oy;
      int wx = wrap(cx, period), wy = wrap(cy, period);
      float px = float(cx) + latticeValue(wx, wy, seed);
      float py = float(cy) + latticeValue(wx, wy, seed ^ 0x5bd1e995u);
      float d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
      if (d < out.nearest) {
        out.second = out.nearest;
        out.nearest = d;
        out.id = hash32(uint32_t(wx) * 73856093u ^ uint32_t(wy) * 19349663u ^ seed);
      } else if (d < out.second) {
        out.second = d;
      }
    }
  }
  return out;
}

float smoothstep(float edge0, float edge1, float x) {
  float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
  return t * t * (3.0f - 2.0f * t);
}

float mix(float a, float b, float t) {
  return a + (b - a) * t;
}

}  // namespace korvel::content
