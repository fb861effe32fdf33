// The building blocks of the soundtrack's instruments: band-limited oscillators, envelopes,
// filters, a noise source and a delay line. Plain float arithmetic and hashed noise, so the
// same score renders to the same samples every time.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace korvel::music {

constexpr double kRate = 44100.0;
constexpr float kTwoPi = 6.28318531f;

// White noise in [-1, 1] from a counter and a seed: the same stream on every run.
float noise(uint32_t index, uint32_t seed);

// A saw or square with PolyBLEP corners, so high notes do not alias.
class Oscillator {
 public:
  enum class Shape { Sine, Saw, Square, Triangle };
  explicit Oscillator(Shape shape = Shape::Saw, float phase = 0) : shape_(shape), phase_(phase) {}
  float next(float frequency);

 private:
  Shape shape_;
  float phase_;
  float triangle_ = 0;
};

// Attack, decay, sustain, release, in seconds; linear attack, exponential-looking decay and
// release. `gate(false)` starts the release from wherever the level is.
class Envelope {
 public:
  Envelope(float attack, float decay, float sustain, float release);
  void gate(bool on) { on_ = on; }
  float next();
  bool finished() const { return !on_ && level_ < 1e-5f; }

 private:
  float attackStep_, decayFactor_, sustain_, releaseFactor_;
  bool on_ = true, attacking_ = true;
  float level_ = 0;
};

// State-variable filter (the trapezoidal form): low, band and high pass from one state.
class Filter {
 public:
  enum class Mode { LowPass, BandPass, HighPass };
  explicit Filter(Mode mode = Mode::LowPass) : mode_(mode) {}
  // `resonance` from 0 (none) to just under 1.
  float next(float input, float cutoff, float resonance);

 private:
  Mode mode_;
  float ic1_ = 0, ic2_ = 0;
  // Coefficients of the last cutoff and resonance: recomputed only when they change.
  float cutoff_ = -1, resonance_ = -1, k_ = 0, a1_ = 0, a2_ = 0, a3_ = 0;
};

// Holds a value computed every `kControlSamples` samples: envelopes and sweeps that drive
// filters change slowly, and a filter recomputes its coefficients only when they change.
constexpr size_t kControlSamples = 32;

// A delay line of fixed length with a fractional read.
class DelayLine {
 public:
  explicit DelayLine(size_t length) : buffer_(length, 0.0f) {}
  float read(float delaySamples) const;
  void write(float value);

 private:
  std::vector<float> buffer_;
  size_t at_ = 0;
};

inline float noteFrequency(int midiNote) {
  return 440.0f * std::pow(2.0f, float(midiNote - 69) / 12.0f);
}

inline float decibels(float db) {
  return std::pow(10.0f, db / 20.0f);
}

}  // namespace korvel::music
