#include "content/glyph_sheet.h"

#include <stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

namespace korvel::content {

bool drawGlyphSheet(const std::string& fontPath, int cell, GlyphSheet* sheet, std::string* error) {
  std::ifstream file(fontPath, std::ios::binary);
  std::vector<unsigned char> font((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
  stbtt_fontinfo info;
  if (font.empty() ||
      !stbtt_InitFont(&info, font.data(), stbtt_GetFontOffsetForIndex(font.data(), 0))) {
    *error = "cannot read the font " + fontPath;
    return false;
  }
  const int columns = 16, rows = 8;
  sheet->width = unsigned(columns * cell);
  sheet->height = unsigned(rows * cell);
  sheet->bgra.assign(size_t(sheet->width) * sheet->height * 4, 0);
  for (size_t i = 3; i < sheet->bgra.size(); i += 4) {
    sheet->bgra[i] = 255;
  }

  // The em box a little smaller than the cell, so accents and descenders stay inside it.
  float scale = stbtt_ScaleForPixelHeight(&info, cell * 0.95f);
  int ascent = 0, descent = 0, gap = 0;
  stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
  int baseline = int(std::lround((cell - (ascent - descent) * scale) / 2 + ascent * scale));

  for (int code = 32; code < 128; ++code) {  // 128 to 159 are control codes: empty cells
    int glyph = stbtt_FindGlyphIndex(&info, code);
    if (glyph == 0) {
      continue;
    }
    int x0, y0, x1, y1, advance, bearing;
    stbtt_GetGlyphBitmapBox(&info, glyph, scale, scale, &x0, &y0, &x1, &y1);
    stbtt_GetGlyphHMetrics(&info, glyph, &advance, &bearing);
    int w = x1 - x0, h = y1 - y0;
    if (w <= 0 || h <= 0) {
      continue;
    }
    std::vector<unsigned char> bitmap(size_t(w) * h);
    stbtt_MakeGlyphBitmap(&info, bitmap.data(), w, h, w, scale, scale, glyph);
    int index = code - 32;
    int cellX = (index % columns) * cell, cellY = (index / columns) * cell;
    // Centred in its cell: the font draws every glyph one cell wide.
    int left = cellX + (cell - int(std::lround(advance * scale))) / 2 + x0;
    int top = cellY + baseline + y0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        int px = left + x, py = top + y;
        if (px < cellX || px >= cellX + cell || py < cellY || py >= cellY + cell) {
          continue;
        }
        uint8_t value = bitmap[size_t(y) * w + x];
        uint8_t* p = &sheet->bgra[(size_t(py) * sheet->width + px) * 4];
        p[0] = p[1] = p[2] = std::max(p[0], value);
      }
    }
  }
  return true;
}

}  // namespace korvel::content
