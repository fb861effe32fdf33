// The sea floor: a grid whose heights come from a grey heightmap, covered by a texture that
// repeats 16 times, drawn as triangle strips with fixed states.
#pragma once

#include "assets/texture.h"
#include "render/geometry_buffers.h"

namespace korvel {

class HeightmapTerrain {
 public:
  virtual ~HeightmapTerrain();

  void setSpacing(float value) { spacing = value; }
  void setHeightScale(float value) { heightScale = value; }
  void setHeightOffset(float value) { heightOffset = value; }
  // Builds the grid from the heightmap, then loads the floor texture. A heightmap that does
  // not read builds an empty grid that draws nothing; one over 256 x 256 pixels is refused
  // with a message, since its vertices could not all be named by 16-bit indices.
  void build(IDirect3DDevice9* device, const char* heightmapPath);
  void render(float time);
  void release();

  IDirect3DDevice9* device = nullptr;
  Texture texture;
  int width = 80, depth = 80;
  VertexBuffer* vertexBuffer = nullptr;
  IndexBuffer* indexBuffer = nullptr;
  float heightOffset = 0, heightScale = 16.0f, spacing = 1.0f;
};

}  // namespace korvel
