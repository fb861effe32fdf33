// The demo's glyph sheet: 16 cells to a row starting at the space character, 8 rows (codes 32
// to 159), white glyphs on black so the font's colour key makes the background transparent.
// Drawn from a TrueType font.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvel::content {

struct GlyphSheet {
  unsigned width = 0, height = 0;
  std::vector<uint8_t> bgra;  // top row first
};

constexpr const char* kDefaultFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// Cells of `cell` x `cell` pixels; false with the reason in `error` when the font is unusable.
bool drawGlyphSheet(const std::string& fontPath, int cell, GlyphSheet* sheet, std::string* error);

}  // namespace korvel::content
