#include "content/music/instruments.h"

#include <algorithm>
#include <cmath>

#include "content/music/dsp.h"

namespace korvel::music {

namespace {

size_t seconds(float s) {
  return size_t(s * float(kRate));
}

// Equal-power pan gains.
void panGains(float pan, float* l, float* r) {
  float angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0f) * 0.25f * 3.14159265f;
  *l = std::cos(angle) * 1.41421356f;
  *r = std::sin(angle) * 1.41421356f;
}

// A short fade at both ends of a sound `length` samples long.
float edges(size_t i, size_t length, size_t fade = 96) {
  float in = i < fade ? float(i) / float(fade) : 1.0f;
  float out = i + fade > length ? float(length - i) / float(fade) : 1.0f;
  return std::min(in, out);
}

}  // namespace

Bus kick(float level, bool soft) {
  // A sine falling from 160 Hz to 46 Hz: the thump sits in the spectrum's lowest band.
  const size_t length = seconds(soft ? 0.32f : 0.38f);
  Bus bus(length);
  Oscillator body(Oscillator::Shape::Sine);
  Filter tone;
  for (size_t i = 0; i < length; ++i) {
    float t = float(i) / float(kRate);
    float pitch = 46.0f + 114.0f * std::exp(-t / 0.032f);
    float amp = std::exp(-t / (soft ? 0.09f : 0.13f)) * std::min(1.0f, t / 0.0008f);
    float value = std::tanh(body.next(pitch) * amp * 1.6f) * 0.85f;
    if (!soft) {  // the beater's click
      value += noise(uint32_t(i), 7) * std::exp(-t / 0.0025f) * 0.25f;
    } else {
      value = tone.next(value, 220.0f, 0.1f);
    }
    value *= level * edges(i, length);
    bus.add(i, value, value);
  }
  return bus;
}

Bus clap(float level, uint32_t seed) {
  // Three quick bursts and a tail, band-passed round 1.4 kHz, with a little body.
  const size_t length = seconds(0.28f);
  Bus bus(length);
  Filter band(Filter::Mode::BandPass);
  Oscillator body(Oscillator::Shape::Triangle);
  for (size_t i = 0; i < length; ++i) {
    float t = float(i) / float(kRate);
    float bursts = 0;
    for (float start : {0.0f, 0.011f, 0.022f}) {
      if (t >= start) {
        bursts = std::max(bursts, std::exp(-(t - start) / 0.006f));
      }
    }
    float amp = std::max(bursts, 0.55f * std::exp(-(t - 0.022f) / 0.07f) * (t > 0.022f));
    float value = band.next(noise(uint32_t(i), seed), 1400.0f, 0.35f) * amp * 2.2f;
    value += body.next(190.0f) * std::exp(-t / 0.03f) * 0.25f;
    value *= level * edges(i, length);
    bus.add(i, value * 0.95f, value);
  }
  return bus;
}

Bus hat(float level, bool open, uint32_t seed) {
  const size_t length = seconds(open ? 0.32f : 0.07f);
  Bus bus(length);
  Filter high(Filter::Mode::HighPass);
  for (size_t i = 0; i < length; ++i) {
    float t = float(i) / float(kRate);
    float amp = std::exp(-t / (open ? 0.11f : 0.018f));
    float value = high.next(noise(uint32_t(i), seed), 7500.0f, 0.2f) * amp * level;
    value *= edges(i, length, 32);
    bus.add(i, value * 0.8f, value);
  }
  return bus;
}

Bus crash(float level, uint32_t seed) {
  const size_t length = seconds(2.2f);
  Bus bus(length);
  Filter high(Filter::Mode::HighPass), highR(Filter::Mode::HighPass);
  for (size_t i = 0; i < length; ++i) {
    float t = float(i) / float(kRate);
    float amp = std::exp(-t / 0.6f) * level * edges(i, length, 32);
    bus.add(i, high.next(noise(uint32_t(i), seed), 4500.0f, 0.1f) * amp,
            highR.next(noise(uint32_t(i), seed + 1), 4500.0f, 0.1f) * amp);
  }
  return bus;
}

Bus bassNote(size_t length, int note, float level, float brightness) {
  // A saw and a square an octave down, through a resonant low pass that snaps open.
  const float f = noteFrequency(note);
  Oscillator saw(Oscillator::Shape::Saw), sub(Oscillator::Shape::Square, 0.25f);
  Filter low;
  Envelope amp(0.003f, 0.15f, 0.7f, 0.03f);
  const size_t tail = seconds(0.06f);
  Bus bus(length + tail);
  float cutoff = 0;
  for (size_t i = 0; i < length + tail; ++i) {
    if (i == length) {
      amp.gate(false);
    }
    float t = float(i) / float(kRate);
    if (i % kControlSamples == 0) {
      cutoff = 180.0f + brightness * (400.0f + 2600.0f * std::exp(-t / 0.07f));
    }
    float value = saw.next(f) * 0.7f + sub.next(f * 0.5f) * 0.45f;
    value = low.next(value, cutoff, 0.45f) * amp.next() * level * edges(i, length + tail);
    bus.add(i, value, value);
  }
  return bus;
}

Bus padChord(size_t time, size_t length, const std::vector<int>& notes, float level, float cutoff,
             float wobble) {
  // Three detuned saws per note, spread across the stereo field, softened by a low pass that
  // slowly breathes (`wobble` deep).
  const size_t tail = seconds(0.9f);
  Bus bus(length + tail);
  const float detune[3] = {-0.11f, 0.0f, 0.13f};
  const float pans[3] = {-0.7f, 0.0f, 0.7f};
  for (size_t n = 0; n < notes.size(); ++n) {
    for (int d = 0; d < 3; ++d) {
      float f = noteFrequency(notes[n]) * std::pow(2.0f, detune[d] / 12.0f);
      Oscillator saw(Oscillator::Shape::Saw, float(n * 3 + size_t(d)) * 0.17f);
      Filter low;
      Envelope amp(0.35f, 0.6f, 0.85f, 0.7f);
      float c = cutoff;
      float l, r;
      panGains(pans[d] * (n % 2 ? -1.0f : 1.0f), &l, &r);
      for (size_t i = 0; i < length + tail; ++i) {
        if (i == length) {
          amp.gate(false);
        }
        if (i % kControlSamples == 0) {
          float t = float(time + i) / float(kRate);
          c = cutoff * (1.0f + wobble * std::sin(t * 0.9f + float(n)));
        }
        float value = low.next(saw.next(f), c, 0.2f) * amp.next() * level * 0.12f;
        value *= edges(i, length + tail, 256);
        bus.add(i, value * l, value * r);
      }
    }
  }
  return bus;
}

Bus pluck(size_t length, int note, float level, float cutoff, float pan) {
  const float f = noteFrequency(note);
  Oscillator a(Oscillator::Shape::Saw), b(Oscillator::Shape::Square, 0.3f);
  Filter low;
  Envelope amp(0.002f, 0.18f, 0.0f, 0.05f);
  const size_t tail = seconds(0.08f);
  Bus bus(length + tail);
  float c = cutoff;
  float l, r;
  panGains(pan, &l, &r);
  for (size_t i = 0; i < length + tail; ++i) {
    if (i == length) {
      amp.gate(false);
    }
    if (i % kControlSamples == 0) {
      c = cutoff * (0.35f + 0.65f * std::exp(-float(i) / float(kRate) / 0.06f));
    }
    float value = low.next(a.next(f) * 0.6f + b.next(f * 1.003f) * 0.4f, c, 0.3f);
    value *= amp.next() * level * edges(i, length + tail);
    bus.add(i, value * l, value * r);
  }
  return bus;
}

Bus leadNote(size_t length, int note, float level) {
  // Five detuned saws with a gentle vibrato that comes in as the note holds.
  const float f = noteFrequency(note);
  const float detune[5] = {-0.14f, -0.06f, 0.0f, 0.07f, 0.15f};
  const float pans[5] = {-0.8f, -0.35f, 0.0f, 0.35f, 0.8f};
  const size_t tail = seconds(0.25f);
  Bus bus(length + tail);
  for (int v = 0; v < 5; ++v) {
    Oscillator saw(Oscillator::Shape::Saw, float(v) * 0.21f);
    Filter low;
    Envelope amp(0.01f, 0.3f, 0.75f, 0.2f);
    const float voiceFrequency = f * std::pow(2.0f, detune[v] / 12.0f);
    float vibrato = 1.0f;
    float l, r;
    panGains(pans[v], &l, &r);
    for (size_t i = 0; i < length + tail; ++i) {
      if (i == length) {
        amp.gate(false);
      }
      if (i % kControlSamples == 0) {
        float t = float(i) / float(kRate);
        vibrato = 1.0f + 0.004f * std::min(1.0f, t / 0.3f) * std::sin(kTwoPi * 5.5f * t);
      }
      float value = low.next(saw.next(voiceFrequency * vibrato), 4200.0f, 0.15f);
      value *= amp.next() * level * 0.22f * edges(i, length + tail);
      bus.add(i, value * l, value * r);
    }
  }
  return bus;
}

Bus riser(size_t length, float level, uint32_t seed) {
  Bus bus(length);
  // Noise through a band pass sweeping from 300 Hz to 9 kHz, and a rising tone.
  Filter band(Filter::Mode::BandPass), bandR(Filter::Mode::BandPass);
  Oscillator tone(Oscillator::Shape::Saw);
  Filter toneLow;
  float cutoff = 300.0f;
  for (size_t i = 0; i < length; ++i) {
    float x = float(i) / float(length);
    if (i % kControlSamples == 0) {
      cutoff = 300.0f * std::pow(30.0f, x);
    }
    float amp = x * x * level * edges(i, length, 256);
    float t1 = band.next(noise(uint32_t(i), seed), cutoff, 0.6f);
    float t2 = bandR.next(noise(uint32_t(i), seed + 9), cutoff * 1.05f, 0.6f);
    float rising = toneLow.next(tone.next(110.0f * std::pow(8.0f, x)), 2500.0f, 0.2f) * 0.25f;
    bus.add(i, (t1 + rising) * amp, (t2 + rising) * amp);
  }
  return bus;
}

Bus impact(float level, uint32_t seed) {
  // A deep boom under a burst of noise: the drop and the last hit.
  const size_t length = seconds(2.5f);
  Bus bus(length);
  Oscillator boom(Oscillator::Shape::Sine);
  Filter low, lowR;
  float cutoff = 2000.0f;
  for (size_t i = 0; i < length; ++i) {
    float t = float(i) / float(kRate);
    float pitch = 38.0f + 70.0f * std::exp(-t / 0.15f);
    float body = boom.next(pitch) * std::exp(-t / 0.7f) * std::min(1.0f, t / 0.002f);
    if (i % kControlSamples == 0) {
      cutoff = 1800.0f * std::exp(-t / 0.5f) + 200.0f;
    }
    float burstL = low.next(noise(uint32_t(i), seed), cutoff, 0.1f);
    float burstR = lowR.next(noise(uint32_t(i), seed + 3), cutoff, 0.1f);
    float fade = std::exp(-t / 0.45f) * 0.5f;
    float e = edges(i, length, 512) * level;
    bus.add(i, (body + burstL * fade) * e, (body + burstR * fade) * e);
  }
  return bus;
}

Bus bubble(int note, float level, float pan) {
  // A sine that glides upwards and pops: water.
  const size_t length = seconds(0.09f);
  Bus bus(length);
  Oscillator sine(Oscillator::Shape::Sine);
  float l, r;
  panGains(pan, &l, &r);
  const float f = noteFrequency(note);
  for (size_t i = 0; i < length; ++i) {
    float x = float(i) / float(length);
    float value = sine.next(f * (1.0f + 1.6f * x * x)) * std::sin(3.14159265f * x) * level;
    bus.add(i, value * l, value * r);
  }
  return bus;
}

}  // namespace korvel::music
