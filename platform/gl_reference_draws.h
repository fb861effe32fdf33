// The benchmark's yardstick: the device's two busiest workloads drawn with plain OpenGL 3.3,
// one hand-written program each and nothing tracked, in a headless context of their own. What
// the device costs beyond this is the price of its Direct3D meanings.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvel::platform {

struct ReferenceVertex {  // position, normal, colour (B, G, R, A bytes), texture coordinate
  float x, y, z, nx, ny, nz;
  uint32_t color;
  float u, v;
};

class ReferenceDraws {
 public:
  virtual ~ReferenceDraws() = default;
  // Null, with the reason in `error`, when no headless context can be made.
  static std::unique_ptr<ReferenceDraws> create(int width, int height, std::string* error);

  // A BGRA texture for the quads, and the quad's four vertices (a triangle strip).
  virtual void setQuad(const ReferenceVertex corners[4], int textureSize,
                       const std::vector<uint32_t>& texels) = 0;
  // The mesh for the lit draws: indexed triangles.
  virtual void setMesh(const std::vector<ReferenceVertex>& vertices,
                       const std::vector<uint16_t>& indices) = 0;

  virtual void clear() = 0;
  // Texture times vertex colour, added to the target by its alpha; no depth.
  virtual void drawQuad(const float worldViewProj[16]) = 0;
  // One directional light over the material's diffuse colour, with depth testing.
  virtual void drawMesh(const float worldViewProj[16], const float worldView[16],
                        const float diffuse[4]) = 0;
  // The whole picture, BGRA, once every draw is done.
  virtual void readFrame(uint8_t* out) = 0;
};

}  // namespace korvel::platform
