#include "content/textures.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "content/noise.h"

namespace korvel::content {

namespace {

constexpr float kTau = 6.2831853f;

// Calls `shade(u, v)` for every pixel centre, u and v in [0, 1), v = 0 at the top row.
template <class Shade>
Picture paint(unsigned size, int bits, Shade shade) {
  Picture picture(size, size, bits);
  for (unsigned y = 0; y < size; ++y) {
    for (unsigned x = 0; x < size; ++x) {
      float u = float(x) / float(size), v = float(y) / float(size);
      shade(picture, x, y, u, v);
    }
  }
  return picture;
}

// A colour ramp through evenly spaced stops.
Colour ramp(std::initializer_list<Colour> stops, float t) {
  std::vector<Colour> s(stops);
  t = std::clamp(t, 0.0f, 1.0f) * float(s.size() - 1);
  size_t i = std::min(size_t(t), s.size() - 2);
  return lerp(s[i], s[i + 1], t - float(i));
}

float length3(float x, float y, float z) {
  return std::sqrt(x * x + y * y + z * z);
}

}  // namespace

Picture sphereMapTexture() {
  const float sunX = 0.55f, sunY = 0.22f, sunZ = 0.80f;
  const float sunLength = length3(sunX, sunY, sunZ);
  return paint(256, 24, [&](Picture& p, unsigned x, unsigned y, float, float) {
    float sx = (float(x) + 0.5f) / 128.0f - 1.0f, sy = 1.0f - (float(y) + 0.5f) / 128.0f;
    float r2 = sx * sx + sy * sy;
    if (r2 > 0.998f) {  // outside the ball: its rim, repeated
      float k = std::sqrt(0.998f / r2);
      sx *= k;
      sy *= k;
      r2 = 0.998f;
    }
    // The ball's normal, and the view ray (along -z) reflected in it.
    float nz = std::sqrt(1.0f - r2);
    float rx = 2 * nz * sx, ry = 2 * nz * sy, rz = 2 * nz * nz - 1;
    Colour c;
    if (ry >= 0) {
      Colour zenith{0.03f, 0.08f, 0.30f}, high{0.16f, 0.34f, 0.70f}, low{0.75f, 0.62f, 0.62f};
      c = ramp({low, high, zenith, zenith}, std::pow(ry, 0.6f));
      // Thin clouds, lit from the sun's side.
      float cx = rx / (ry + 0.15f), cz = rz / (ry + 0.15f);
      float cloud = smoothstep(0.05f, 0.55f, fbm(cx * 1.5f, cz * 1.5f, 64, 5, 11));
      c = lerp(c, Colour{0.95f, 0.88f, 0.85f}, cloud * 0.55f * smoothstep(0.0f, 0.25f, ry));
    } else {
      float depth = std::pow(-ry, 0.5f);
      c = lerp(Colour{0.22f, 0.24f, 0.32f}, Colour{0.02f, 0.03f, 0.07f}, depth);
      float waves = fbm(rx * 6 / (0.05f - ry), rz * 6 / (0.05f - ry), 256, 4, 23);
      c = c + Colour{0.06f, 0.07f, 0.09f} * (waves * (1 - depth));
    }
    // The horizon glows; the sun sits low above it.
    c = c + Colour{1.0f, 0.55f, 0.30f} * (0.55f * std::exp(-std::fabs(ry) * 14.0f));
    float toSun = std::max(0.0f, (rx * sunX + ry * sunY + rz * sunZ) / sunLength);
    c = c + Colour{1.0f, 0.85f, 0.6f} *
                (3.0f * std::pow(toSun, 900.0f) + 0.35f * std::pow(toSun, 24.0f));
    // A cool window light from the upper left, for a second highlight on the meshes.
    float toWindow =
        std::max(0.0f, (-0.6f * rx + 0.7f * ry + 0.4f * rz) / length3(0.6f, 0.7f, 0.4f));
    c = c + Colour{0.6f, 0.8f, 1.0f} * (1.2f * std::pow(toWindow, 300.0f));
    p.set(x, y, c);
  });
}

Picture velmiraTexture() {
  return paint(256, 24, [](Picture& p, unsigned x, unsigned y, float u, float v) {
    float warp = fbm(u * 4, v * 4, 4, 5, 31);
    float bands = std::sin((u * 3 + v * 2 + warp * 1.6f) * kTau) * 0.5f + 0.5f;
    float fine = fbm(u * 16, v * 16, 16, 3, 37) * 0.5f + 0.5f;
    Colour c = ramp(
        {{0.18f, 0.02f, 0.12f}, {0.62f, 0.06f, 0.22f}, {0.95f, 0.42f, 0.08f}, {1.0f, 0.86f, 0.45f}},
        bands * 0.85f + fine * 0.15f);
    // Dark seams between the bands.
    c = c * (0.55f + 0.45f * smoothstep(0.02f, 0.2f, std::fabs(bands - 0.5f)));
    p.set(x, y, c);
  });
}

Picture darkVeinsTexture() {
  return paint(256, 24, [](Picture& p, unsigned x, unsigned y, float u, float v) {
    float vein = ridged(u * 4, v * 4, 4, 5, 41);
    float glow = std::pow(vein, 5.0f);
    float haze = fbm(u * 3, v * 3, 3, 4, 43) * 0.5f + 0.5f;
    Colour c = Colour{0.01f, 0.015f, 0.03f} * (0.5f + haze);
    c = c + Colour{0.05f, 0.55f, 0.75f} * glow + Colour{0.8f, 1.0f, 1.0f} * std::pow(vein, 14.0f);
    p.set(x, y, c);
  });
}

Picture darkStreaksTexture() {
  return paint(256, 24, [](Picture& p, unsigned x, unsigned y, float u, float v) {
    // Long in v, thin in u: the noise runs 16 times faster across than along.
    float along = gradientNoise(u * 32, v * 2, 32, 2, 51) * 0.6f +
                  gradientNoise(u * 64, v * 4, 64, 4, 53) * 0.4f;
    float streak = std::pow(smoothstep(-0.05f, 0.7f, along), 2.2f);
    float flicker = fbm(u * 8, v * 8, 8, 3, 57) * 0.5f + 0.5f;
    float glow = streak * (0.4f + 0.9f * flicker);
    Colour c = Colour{0.03f, 0.015f, 0.01f} + Colour{1.0f, 0.5f, 0.15f} * (glow * 0.9f);
    c = c + Colour{1.0f, 0.95f, 0.8f} * std::pow(glow, 3.0f);
    p.set(x, y, c);
  });
}

Picture backgroundTexture() {
  return paint(256, 24, [](Picture& p, unsigned x, unsigned y, float u, float v) {
    float wx = fbm(u * 3, v * 3, 3, 4, 61), wy = fbm(u * 3 + 5.2f, v * 3 + 1.3f, 3, 4, 67);
    float cloud = fbm(u * 4 + wx * 1.5f, v * 4 + wy * 1.5f, 4, 6, 71) * 0.5f + 0.5f;
    float wisps = ridged(u * 6 + wx, v * 6 + wy, 6, 4, 73);
    Colour c = ramp(
        {{0.02f, 0.0f, 0.05f}, {0.20f, 0.03f, 0.32f}, {0.55f, 0.12f, 0.48f}, {0.25f, 0.40f, 0.80f}},
        cloud);
    c = c + Colour{0.7f, 0.6f, 1.0f} * (0.35f * std::pow(wisps, 6.0f));
    // Scattered stars.
    float star = latticeValue(int(x), int(y), 79);
    if (star > 0.9975f) {
      c = c + Colour{0.9f, 0.9f, 1.0f} * ((star - 0.9975f) * 400.0f);
    }
    p.set(x, y, c);
  });
}

Picture seafloorTexture() {
  return paint(256, 24, [](Picture& p, unsigned x, unsigned y, float u, float v) {
    float bend = fbm(u * 2, v * 2, 2, 3, 81);
    float ripple = std::sin((v * 14 + bend * 1.5f + u * 2) * kTau) * 0.5f + 0.5f;
    float grain = latticeValue(int(x), int(y), 83) - 0.5f;
    Colour sand = lerp(Colour{0.55f, 0.47f, 0.33f}, Colour{0.80f, 0.71f, 0.52f}, ripple);
    sand =
        sand * (0.92f + 0.16f * grain) * (0.85f + 0.15f * (fbm(u * 8, v * 8, 8, 3, 87) + 1) * 0.5f);
    Cells cells = cellular(u * 10, v * 10, 10, 89);
    float size = 0.22f + 0.18f * float(cells.id & 255u) / 255.0f;
    Colour c = sand;
    if ((cells.id >> 8) % 5 < 2) {  // two cells in five hold a pebble
      float edge = smoothstep(size, size - 0.06f, cells.nearest);
      Colour stone = ramp({{0.30f, 0.28f, 0.27f}, {0.52f, 0.48f, 0.44f}, {0.62f, 0.55f, 0.46f}},
                          float((cells.id >> 16) & 255u) / 255.0f);
      // Rounded: lighter towards the top-left of each pebble.
      float dome = 1.0f - cells.nearest / size;
      stone = stone * (0.75f + 0.35f * dome);
      float shadow = smoothstep(size + 0.05f, size, cells.nearest) * (1 - edge);
      c = lerp(sand * (1.0f - 0.35f * shadow), stone, edge);
    }
    p.set(x, y, c);
  });
}

Picture squareTexture() {
  return paint(128, 24, [](Picture& p, unsigned x, unsigned y, float, float) {
    float sx = (float(x) + 0.5f) / 64.0f - 1.0f, sy = (float(y) + 0.5f) / 64.0f - 1.0f;
    float box = std::max(std::fabs(sx), std::fabs(sy));
    float d = std::fabs(box - 0.68f);
    float core = smoothstep(0.05f, 0.015f, d);
    float glow = std::exp(-d * 9.0f) * 0.55f;
    // Corners burn a little brighter.
    float corner = smoothstep(0.35f, 0.68f, std::min(std::fabs(sx), std::fabs(sy)));
    // The glow fades out before the texture's edge, so nothing is cut off.
    float fade = smoothstep(1.0f, 0.86f, box);
    Colour c = Colour{0.25f, 0.55f, 1.0f} * (glow * fade) + Colour{0.85f, 0.95f, 1.0f} * core;
    c = c + Colour{1.0f, 1.0f, 1.0f} * (core * corner * 0.4f);
    c = c + Colour{0.05f, 0.1f, 0.2f} * (box < 0.68f ? 1.0f : 0.0f);
    p.set(x, y, c);
  });
}

Picture heightmapTexture() {
  return paint(128, 8, [](Picture& p, unsigned x, unsigned y, float u, float v) {
    float bend = fbm(u * 2, v * 2, 2, 3, 91);
    // Dunes: a long gentle back and a steeper lee side.
    float phase = u * 3 + v * 1 + bend * 0.9f;
    float saw = phase - std::floor(phase);
    float dune = saw < 0.75f ? smoothstep(0.0f, 0.75f, saw) : smoothstep(1.0f, 0.75f, saw);
    float ridges = ridged(u * 3, v * 3, 3, 4, 93);
    float swell = fbm(u * 2, v * 2, 2, 2, 97) * 0.5f + 0.5f;
    float height = 0.1f + 0.45f * dune * (0.6f + 0.4f * swell) + 0.35f * std::pow(ridges, 2.0f);
    p.setGrey(x, y, height);
  });
}

}  // namespace korvel::content
