#include "content/glyph_sheet.h"

#include <stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

namespace korvel::content {

namespace {

bool openFont(const std::string& fontPath, std::vector<unsigned char>* font, stbtt_fontinfo* info,
              std::string* error) {
  std::ifstream file(fontPath, std::ios::binary);
  font->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (font->empty() ||
      !stbtt_InitFont(info, font->data(), stbtt_GetFontOffsetForIndex(font->data(), 0))) {
    *error = "cannot read the font " + fontPath;
    return false;
  }
  return true;
}

}  // namespace

bool drawGlyphSheet(const std::string& fontPath, int cell, GlyphSheet* sheet, std::string* error,
                    const GlyphLayout& layout) {
  std::vector<unsigned char> font;
  stbtt_fontinfo info;
  if (!openFont(fontPath, &font, &info, error)) {
    return false;
  }
  const int columns = 16, rows = 8;
  sheet->width = unsigned(columns * cell);
  sheet->height = unsigned(rows * cell);
  sheet->bgra.assign(size_t(sheet->width) * sheet->height * 4, 0);
  for (size_t i = 3; i < sheet->bgra.size(); i += 4) {
    sheet->bgra[i] = 255;
  }

  // The em box a little smaller than the cell, so accents and descenders stay inside it; or
  // capitals of the height asked for, standing on a baseline one pixel above the cell's foot.
  float scale = stbtt_ScaleForPixelHeight(&info, cell * 0.95f);
  int ascent = 0, descent = 0, gap = 0;
  stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
  int baseline = int(std::lround((cell - (ascent - descent) * scale) / 2 + ascent * scale));
  if (layout.capHeight > 0) {
    int x0, y0, x1, y1;
    stbtt_GetCodepointBox(&info, 'H', &x0, &y0, &x1, &y1);
    scale = layout.capHeight / float(y1);
    baseline = int(std::lround((cell + layout.capHeight) / 2));
  }
  const float scaleX = scale * layout.widthRatio;

  for (int code = 32; code < 128; ++code) {  // 128 to 159 are control codes: empty cells
    int glyph = stbtt_FindGlyphIndex(&info, code);
    if (glyph == 0) {
      continue;
    }
    int x0, y0, x1, y1, advance, bearing;
    stbtt_GetGlyphBitmapBox(&info, glyph, scaleX, scale, &x0, &y0, &x1, &y1);
    stbtt_GetGlyphHMetrics(&info, glyph, &advance, &bearing);
    int w = x1 - x0, h = y1 - y0;
    if (w <= 0 || h <= 0) {
      continue;
    }
    std::vector<unsigned char> bitmap(size_t(w) * h);
    stbtt_MakeGlyphBitmap(&info, bitmap.data(), w, h, w, scaleX, scale, glyph);
    int index = code - 32;
    int cellX = (index % columns) * cell, cellY = (index / columns) * cell;
    // Centred in its cell: the font draws every glyph one cell wide.
    int left = cellX + (cell - int(std::lround(advance * scaleX))) / 2 + x0;
    int top = cellY + baseline + y0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        int px = left + x, py = top + y;
        if (px < cellX || px >= cellX + cell || py < cellY || py >= cellY + cell) {
          continue;
        }
        uint8_t value = bitmap[size_t(y) * w + x];
        if (layout.blackBelow > 0) {
          // Nothing between black and a mid grey: edges stay bright once the key clears black.
          const int floor = 112, range = 255 - layout.blackBelow;
          value = value < layout.blackBelow
                      ? 0
                      : uint8_t(floor + (value - layout.blackBelow) * (255 - floor) /
                                            (range > 0 ? range : 1));
        }
        uint8_t* p = &sheet->bgra[(size_t(py) * sheet->width + px) * 4];
        p[0] = p[1] = p[2] = std::max(p[0], value);
      }
    }
  }
  return true;
}

std::vector<float> textMask(const std::string& fontPath, const std::string& text, float pixelHeight,
                            int width, int height, std::string* error) {
  std::vector<unsigned char> font;
  stbtt_fontinfo info;
  if (!openFont(fontPath, &font, &info, error)) {
    return {};
  }
  float scale = stbtt_ScaleForPixelHeight(&info, pixelHeight);
  int ascent = 0, descent = 0, gap = 0;
  stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
  // Measure, then draw centred.
  float total = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    int advance, bearing;
    stbtt_GetCodepointHMetrics(&info, text[i], &advance, &bearing);
    total += float(advance) * scale;
    if (i + 1 < text.size()) {
      total += float(stbtt_GetCodepointKernAdvance(&info, text[i], text[i + 1])) * scale;
    }
  }
  std::vector<float> mask(size_t(width) * size_t(height), 0.0f);
  float penX = (float(width) - total) / 2;
  int baseline = int(std::lround((float(height) + float(ascent + descent) * scale) / 2));
  for (size_t i = 0; i < text.size(); ++i) {
    int x0, y0, x1, y1;
    stbtt_GetCodepointBitmapBox(&info, text[i], scale, scale, &x0, &y0, &x1, &y1);
    int w = x1 - x0, h = y1 - y0;
    if (w > 0 && h > 0) {
      std::vector<unsigned char> bitmap(size_t(w) * size_t(h));
      stbtt_MakeCodepointBitmap(&info, bitmap.data(), w, h, w, scale, scale, text[i]);
      int left = int(std::lround(penX)) + x0, top = baseline + y0;
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          int px = left + x, py = top + y;
          if (px >= 0 && px < width && py >= 0 && py < height) {
            float& m = mask[size_t(py) * size_t(width) + size_t(px)];
            m = std::max(m, float(bitmap[size_t(y) * size_t(w) + size_t(x)]) / 255.0f);
          }
        }
      }
    }
    int advance, bearing;
    stbtt_GetCodepointHMetrics(&info, text[i], &advance, &bearing);
    penX += float(advance) * scale;
    if (i + 1 < text.size()) {
      penX += float(stbtt_GetCodepointKernAdvance(&info, text[i], text[i + 1])) * scale;
    }
  }
  return mask;
}

}  // namespace korvel::content
