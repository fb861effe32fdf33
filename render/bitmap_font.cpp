#include "render/bitmap_font.h"

#include <cstdint>

#include "platform/debug_output.h"

namespace korvel {

HRESULT BitmapFont::drawText(IDirect3DDevice9** device, IDirect3DSurface9** backBuffer) {
  if (!device || !*device || !backBuffer || !*backBuffer) {
    return E_FAIL;
  }
  Vec2 start = position;
  for (char character : text) {
    if (FAILED(drawGlyph(character, device, backBuffer))) {
      platform::debugOutput("Failed to rasterise font to screen\n");
      return E_FAIL;
    }
    advance = Vec2(float(cellWidth), 0);
  }
  position = start;
  advance = Vec2(0, 0);
  return 0;
}

HRESULT BitmapFont::drawGlyph(char character, IDirect3DDevice9** device,
                              IDirect3DSurface9** backBuffer) {
  int8_t glyph = int8_t(character - 32);
  if (glyph < 0 || glyphsPerRow <= 0) {
    // No cell on the sheet; the pen still moves on.
    position.x += advance.x;
    position.y += advance.y;
    advance = Vec2(0, 0);
    return 0;
  }
  int row = glyph / glyphsPerRow, column = glyph % glyphsPerRow;
  sourceRect = RECT{column * cellWidth, row * cellHeight, column * cellWidth + cellWidth,
                    row * cellHeight + cellHeight};
  return draw(device, backBuffer);
}

}  // namespace korvel
