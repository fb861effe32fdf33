#include "content/music/dsp.h"

#include <algorithm>

#include "content/noise.h"

namespace korvel::music {

namespace {

// The correction that rounds off a jump of one at phase 0, over one sample's width.
float polyBlep(float t, float dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0f;
  }
  if (t > 1.0f - dt) {
    t = (t - 1.0f) / dt;
    return t * t + t + t + 1.0f;
  }
  return 0.0f;
}

}  // namespace

float noise(uint32_t index, uint32_t seed) {
  return float(content::hash32(index * 0x9E3779B9u ^ content::hash32(seed))) / 2147483648.0f - 1.0f;
}

float Oscillator::next(float frequency) {
  const float dt = std::min(frequency / float(kRate), 0.49f);
  float out = 0;
  switch (shape_) {
    case Shape::Sine:
      out = std::sin(kTwoPi * phase_);
      break;
    case Shape::Saw:
      out = 2.0f * phase_ - 1.0f - polyBlep(phase_, dt);
      break;
    case Shape::Square:
    case Shape::Triangle: {
      float square = phase_ < 0.5f ? 1.0f : -1.0f;
      square += polyBlep(phase_, dt);
      float shifted = phase_ + 0.5f;
      shifted -= std::floor(shifted);
      square -= polyBlep(shifted, dt);
      if (shape_ == Shape::Square) {
        out = square;
      } else {  // a leaky integral of the square
        triangle_ = dt * square * 4.0f + (1.0f - dt * 0.05f) * triangle_;
        out = triangle_;
      }
      break;
    }
  }
  phase_ += dt;
  phase_ -= std::floor(phase_);
  return out;
}

// Decay and release cover about 99 % of their way in the time given.
Envelope::Envelope(float attack, float decay, float sustain, float release)
    : attackStep_(attack > 0 ? 1.0f / (attack * float(kRate)) : 1.0f),
      decayFactor_(std::exp(-4.6f / (std::max(decay, 1e-4f) * float(kRate)))),
      sustain_(sustain),
      releaseFactor_(std::exp(-4.6f / (std::max(release, 1e-4f) * float(kRate)))) {}

float Envelope::next() {
  if (on_) {
    if (attacking_) {
      level_ += attackStep_;
      if (level_ >= 1.0f) {
        level_ = 1.0f;
        attacking_ = false;
      }
    } else {
      level_ = sustain_ + (level_ - sustain_) * decayFactor_;
    }
  } else {
    level_ *= releaseFactor_;
  }
  return level_;
}

float Filter::next(float input, float cutoff, float resonance) {
  if (cutoff != cutoff_ || resonance != resonance_) {
    cutoff_ = cutoff;
    resonance_ = resonance;
    const float g =
        std::tan(3.14159265f * std::clamp(cutoff, 20.0f, float(kRate) * 0.45f) / float(kRate));
    k_ = 2.0f - 2.0f * std::clamp(resonance, 0.0f, 0.98f);
    a1_ = 1.0f / (1.0f + g * (g + k_));
    a2_ = g * a1_;
    a3_ = g * a2_;
  }
  const float k = k_, a1 = a1_, a2 = a2_, a3 = a3_;
  const float v3 = input - ic2_;
  const float v1 = a1 * ic1_ + a2 * v3;
  const float v2 = ic2_ + a2 * ic1_ + a3 * v3;
  ic1_ = 2.0f * v1 - ic1_;
  ic2_ = 2.0f * v2 - ic2_;
  switch (mode_) {
    case Mode::LowPass:
      return v2;
    case Mode::BandPass:
      return v1;
    default:
      return input - k * v1 - v2;
  }
}

float DelayLine::read(float delaySamples) const {
  const size_t n = buffer_.size();
  float position = float(at_) - delaySamples;
  while (position < 0) {
    position += float(n);
  }
  size_t i = size_t(position) % n;
  float frac = position - std::floor(position);
  return buffer_[i] * (1.0f - frac) + buffer_[(i + 1) % n] * frac;
}

void DelayLine::write(float value) {
  buffer_[at_] = value;
  at_ = (at_ + 1) % buffer_.size();
}

}  // namespace korvel::music
