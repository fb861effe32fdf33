// Deterministic, tileable noise for the generated pictures: every function repeats with the
// integer `period` it is given (in lattice cells), so a texture sampled over one period wraps
// without a seam. Pure integer hashing and float arithmetic: the same values on every machine.
#pragma once

#include <cstdint>

namespace korvel::content {

uint32_t hash32(uint32_t x);
// A float in [0, 1) from lattice point (x, y) and a seed.
float latticeValue(int x, int y, uint32_t seed);

// Gradient noise in about [-1, 1], repeating every `period` units in x and y.
float gradientNoise(float x, float y, int period, uint32_t seed);
// The same, repeating every `periodX` units in x and `periodY` in y.
float gradientNoise(float x, float y, int periodX, int periodY, uint32_t seed);
// Octaves of gradient noise, each twice the frequency and `gain` times the amplitude of the one
// before; normalised to about [-1, 1]. The period doubles with the frequency, so the sum tiles.
float fbm(float x, float y, int period, int octaves, uint32_t seed, float gain = 0.5f);
// Ridges: sharp bright crests where the noise crosses zero, in [0, 1].
float ridged(float x, float y, int period, int octaves, uint32_t seed);

// Cellular noise: the distances to the nearest and second nearest feature point (one per
// cell, `period` cells across), and the nearest point's hash.
struct Cells {
  float nearest, second;
  uint32_t id;
};
Cells cellular(float x, float y, int period, uint32_t seed);

float smoothstep(float edge0, float edge1, float x);
float mix(float a, float b, float t);

}  // namespace korvel::content
