// The intro film: 150 frames at 25 fps, 320 x 240. A line of light across the dark holds the
// first frame (the demo shows it alone for several seconds), opens, and the title "KORVEL"
// condenses out of the light; a gleam runs over the letters, then everything folds back into
// the line and goes dark as the music starts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvel::content {

constexpr int kFilmFrames = 150, kFilmWidth = 320, kFilmHeight = 240, kFilmRate = 25;

class Film {
 public:
  // False with the reason in `error` when the font cannot be read.
  bool prepare(const std::string& fontPath, std::string* error);
  // Frame `index` as blue, green, red, alpha bytes, top row first.
  std::vector<uint8_t> frame(int index) const;

 private:
  std::vector<float> title_, glow_, wideGlow_, background_, dissolve_;
};

// Writes the film as MJPEG in an AVI container, through a temporary name.
bool writeFilm(const Film& film, const std::string& path, std::string* error);

}  // namespace korvel::content
