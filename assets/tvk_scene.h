// A drawable model: a .tvk file scaled, its normals rebuilt, each object turned into a vertex
// buffer (position, normal, colour, texture coordinates) and a 16-bit index buffer, drawn with
// a material made from the object's material record.
#pragma once

#include <memory>
#include <vector>

#include "assets/scene_file.h"
#include "platform/d3d9.h"
#include "render/geometry_buffers.h"

namespace korvel {

class ModelBase {
 public:
  virtual ~ModelBase() = default;
};

class ModelCamera {
 public:
  virtual ~ModelCamera() = default;
  float getFieldOfView() const { return fieldOfView; }

  Vec3 position, target, up{0, 1, 0};
  float fieldOfView = 60.0f;
  float nearDistance = 1.0f, farDistance = 100.0f;
  float viewportWidth = 800, viewportHeight = 600;
  Plane planes[6];
};

struct ModelVertex {  // 0x152
  Vec3 position;
  Vec3 normal;
  D3DCOLOR colour;
  float u, v;
};
static_assert(sizeof(ModelVertex) == 36);

class TvkScene : public ModelBase {
 public:
  // 0, or E_FAIL. A file that does not read leaves an empty or partial model.
  int load(IDirect3DDevice9* device, const char* path, float scale);
  // Returns the number of objects drawn.
  int draw(IDirect3DDevice9* device);
  void release();
  bool isLoaded() const { return loaded != 0; }

  ModelCamera camera;
  std::unique_ptr<SceneFile> scene;
  int objectCount = 0;
  int materialCount = 0;
  std::vector<D3DMATERIAL9> materials;
  std::vector<IDirect3DTexture9*> textures;
  std::vector<VertexBuffer> vertexBuffers;
  std::vector<int> vertexCounts;
  std::vector<IndexBuffer> indexBuffers;
  std::vector<int> faceCounts;
  int loaded = 0;

 private:
  // Objects without a material are drawn opaque white.
  const D3DMATERIAL9& materialOf(const ObjectRecord& object) const;
  D3DMATERIAL9 white_{};
};

// The vertex colour of a material's diffuse colour: each channel times 255, truncated, low 8
// bits; alpha 0xFF.
D3DCOLOR vertexColour(const Vec3& diffuse);

}  // namespace korvel
