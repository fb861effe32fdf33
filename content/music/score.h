// The soundtrack's score: a track at exactly the demo's beat (26 frames at 60 fps, 0.43333 s,
// 138.46 beats a minute), its first kick on sample 0, laid out in bars so that each section
// plays under the part of the timeline it belongs to.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace korvel::music {

constexpr size_t kBeatSamples = 19110;  // 26 / 60 s at 44,100 Hz
constexpr double kBeatSeconds = 26.0 / 60.0;

struct Section {
  std::string name;
  int firstBar, bars;  // bars of four beats from the start of the music
  std::string onScreen, plays;
};

// The sections in order, as the score plays them.
const std::vector<Section>& sections();

// How long the timeline runs before the music starts: the pre-roll's frames for a 150-frame
// film, counted with the timeline's own float arithmetic, at 60 frames a second.
int prerollFrames(int filmFrames);
double prerollSeconds(int filmFrames);

// The whole track, before mastering: interleaved stereo at 44,100 Hz.
std::vector<float> renderScore();

}  // namespace korvel::music
