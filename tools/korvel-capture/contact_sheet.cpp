#include "contact_sheet.h"

#include <algorithm>

#include "platform/image_file.h"

namespace korvel::capture {

bool writeContactSheet(const std::string& path, const std::vector<Still>& stills) {
  const unsigned cell = 320, gap = 4, columns = 3;
  if (stills.empty()) {
    return false;
  }
  const unsigned cellHeight = stills[0].height * cell / stills[0].width;
  const unsigned rows = unsigned((stills.size() + columns - 1) / columns);
  const unsigned width = columns * cell + (columns + 1) * gap;
  const unsigned height = rows * cellHeight + (rows + 1) * gap;
  std::vector<uint8_t> sheet(size_t(width) * height * 4, 0);
  for (size_t i = 3; i < sheet.size(); i += 4) {
    sheet[i] = 255;
  }
  for (size_t n = 0; n < stills.size(); ++n) {
    const Still& s = stills[n];
    const unsigned ox = gap + unsigned(n % columns) * (cell + gap);
    const unsigned oy = gap + unsigned(n / columns) * (cellHeight + gap);
    for (unsigned y = 0; y < cellHeight; ++y) {
      for (unsigned x = 0; x < cell; ++x) {
        unsigned x0 = x * s.width / cell, x1 = std::max(x0 + 1, (x + 1) * s.width / cell);
        unsigned y0 = y * s.height / cellHeight,
                 y1 = std::max(y0 + 1, (y + 1) * s.height / cellHeight);
        unsigned sum[3] = {0, 0, 0}, count = 0;
        for (unsigned sy = y0; sy < y1; ++sy) {
          for (unsigned sx = x0; sx < x1; ++sx) {
            const uint8_t* p = &s.pixels[(size_t(sy) * s.width + sx) * 4];
            sum[0] += p[0];
            sum[1] += p[1];
            sum[2] += p[2];
            ++count;
          }
        }
        uint8_t* out = &sheet[(size_t(oy + y) * width + ox + x) * 4];
        for (int c = 0; c < 3; ++c) {
          out[c] = uint8_t(sum[c] / count);
        }
      }
    }
  }
  return korvel::platform::writePng(path, sheet, width, height);
}

}  // namespace korvel::capture
