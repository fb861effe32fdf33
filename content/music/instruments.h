// The soundtrack's instruments. Each plays one note into a bus, starting at a sample position;
// every note fades in and out over a few milliseconds, so nothing clicks at its edges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvel::music {

// A stereo buffer that notes are added into.
struct Bus {
  std::vector<float> left, right;
  explicit Bus(size_t frames = 0) : left(frames, 0.0f), right(frames, 0.0f) {}
  size_t frames() const { return left.size(); }
  void add(size_t at, float l, float r) {
    if (at < left.size()) {
      left[at] += l;
      right[at] += r;
    }
  }
  // Adds `sound` times `gain`, its first frame at `at`.
  void mix(const Bus& sound, size_t at, float gain = 1.0f) {
    for (size_t i = 0; i < sound.frames() && at + i < frames(); ++i) {
      left[at + i] += sound.left[i] * gain;
      right[at + i] += sound.right[i] * gain;
    }
  }
};

// Each returns its sound from its first sample, tail included, for the score to mix into as
// many buses as it sends to. Lengths are in samples (how long the note is held); levels are
// linear gains; pan runs from -1 (left) to 1 (right). `time` is where the note starts, for the
// few sounds that move with the track's own clock.
Bus kick(float level, bool soft = false);
Bus clap(float level, uint32_t seed);
Bus hat(float level, bool open, uint32_t seed);
Bus crash(float level, uint32_t seed);
Bus bassNote(size_t length, int note, float level, float brightness);
Bus padChord(size_t time, size_t length, const std::vector<int>& notes, float level, float cutoff,
             float wobble);
Bus pluck(size_t length, int note, float level, float cutoff, float pan);
Bus leadNote(size_t length, int note, float level);
Bus riser(size_t length, float level, uint32_t seed);
Bus impact(float level, uint32_t seed);
Bus bubble(int note, float level, float pan);

}  // namespace korvel::music
