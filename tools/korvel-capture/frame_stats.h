// korvel-capture --stats: what each frame cost, and a summary per timeline window. A frame's
// wall time is the demo's step (drawing and presenting it) and starting its read-back; the
// driver's share is the time spent inside the graphics calls that do work; our own is the
// rest, the time outside them. Pixels are those the frame's draws wrote, so that the
// software renderer's fill rate gives the least the frame could cost.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace korvel::capture {

struct FrameCost {
  int frame = 0;
  bool playing = false;
  double t = 0;  // timeline seconds, when playing
  std::vector<int> windows;
  double wallMs = 0, driverMs = 0, ownMs = 0;
  uint64_t pixels = 0;
};

struct RunFacts {
  int width = 0, height = 0;
  double fps = 0;
  double startupSeconds = 0;  // launch to the first film frame on the back buffer
  double captureSeconds = 0;  // the whole run, encoding included
  double demoSeconds = 0;     // the demo's own length at this frame rate
  double fillRate = 0;        // pixels a second, 0 when not given
  long peakResidentKb = 0;
};

class FrameStats {
 public:
  void add(FrameCost cost) { frames_.push_back(std::move(cost)); }
  bool empty() const { return frames_.empty(); }
  // The JSON document: the run, a summary per window and for the film, and every frame.
  bool write(const std::string& path, const RunFacts& facts) const;
  // The same summary as a table, for people.
  void print(std::FILE* out, const RunFacts& facts) const;

 private:
  std::vector<FrameCost> frames_;
};

long peakResidentKb();
std::string machineDescription();

}  // namespace korvel::capture
