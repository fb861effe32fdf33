// Text from a sheet of equal glyph cells, 16 to a row from the space character: each glyph is
// the sprite's source rectangle pointed at one cell, one cell width to the right of the last.
#pragma once

#include <string>

#include "render/sprite.h"

namespace korvel {

class BitmapFont : public Sprite {
 public:
  void setGlyphsPerRow(int n) { glyphsPerRow = n; }
  void setCellWidth(int w) { cellWidth = w; }
  void setCellHeight(int h) { cellHeight = h; }
  void setText(const char* value) { text = value ? value : ""; }
  // Draws `text` from the current position, which is the same again afterwards.
  HRESULT drawText(IDirect3DDevice9** device, IDirect3DSurface9** backBuffer);
  // Characters outside 32..159 have no cell and draw nothing.
  HRESULT drawGlyph(char character, IDirect3DDevice9** device, IDirect3DSurface9** backBuffer);

  std::string text;
  int glyphsPerRow = 0;
  int cellHeight = 16;
  int cellWidth = 16;
};

}  // namespace korvel
