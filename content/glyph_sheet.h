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

// How glyphs sit in their cells. The default fits the whole em box, descenders included.
struct GlyphLayout {
  // Capital height in pixels; 0: the em box fitted to the cell.
  float capHeight = 0;
  // Horizontal scale against the vertical one: below 1 draws glyphs tall and narrow.
  float widthRatio = 1;
  // Coverage below this becomes exact black and the rest is lifted above it, so a colour key
  // on black leaves no dark fringe; 0 keeps the font's own anti-aliasing.
  int blackBelow = 0;
};

// Cells of `cell` x `cell` pixels; false with the reason in `error` when the font is unusable.
bool drawGlyphSheet(const std::string& fontPath, int cell, GlyphSheet* sheet, std::string* error,
                    const GlyphLayout& layout = {});

// `text` in one line, `pixelHeight` tall, centred in a `width` x `height` mask of coverage
// values in [0, 1], top row first; empty with the reason in `error` when the font is unusable.
std::vector<float> textMask(const std::string& fontPath, const std::string& text, float pixelHeight,
                            int width, int height, std::string* error);

}  // namespace korvel::content
