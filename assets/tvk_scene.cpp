#include "assets/tvk_scene.h"

#include <cmath>

#include "platform/d3dx.h"

namespace korvel {

namespace {

// Truncated toward zero, kept in range so the conversion is defined for any float.
unsigned channel(float value) {
  double scaled = std::trunc(double(value) * 255.0);
  if (!(scaled > -2147483648.0 && scaled < 2147483648.0)) {
    scaled = 0;
  }
  return unsigned(int64_t(scaled)) & 0xFF;
}

D3DCOLORVALUE opaque(const Vec3& c) {
  return D3DCOLORVALUE{c.x, c.y, c.z, 1.0f};
}

}  // namespace

D3DCOLOR vertexColour(const Vec3& diffuse) {
  return 0xFF000000u | channel(diffuse.x) << 16 | channel(diffuse.y) << 8 | channel(diffuse.z);
}

const D3DMATERIAL9& TvkScene::materialOf(const ObjectRecord& object) const {
  if (object.materialIndex >= 0 && object.materialIndex < materialCount) {
    return materials[size_t(object.materialIndex)];
  }
  return white_;
}

int TvkScene::load(IDirect3DDevice9* device, const char* path, float scale) {
  release();
  scene = std::make_unique<SceneFile>();
  scene->load(path);
  scene->scalePositions(scale);
  scene->recomputeNormals();

  white_ = D3DMATERIAL9{};
  white_.Diffuse = white_.Ambient = D3DCOLORVALUE{1, 1, 1, 1};

  materialCount = int(scene->materials.size());
  materials.clear();
  textures.assign(size_t(materialCount), nullptr);
  for (int i = 0; i < materialCount; ++i) {
    const MaterialRecord& record = scene->materials[size_t(i)];
    D3DMATERIAL9 material{};
    material.Diffuse = opaque(record.diffuse);
    material.Ambient = opaque(record.ambient);
    material.Specular = opaque(record.specular);
    material.Emissive = D3DCOLORVALUE{0, 0, 0, 0};
    material.Power = record.power;
    materials.push_back(material);
    if (!record.textureName.empty() &&
        FAILED(
            D3DXCreateTextureFromFileA(device, record.textureName.c_str(), &textures[size_t(i)]))) {
      textures[size_t(i)] = nullptr;
    }
  }

  objectCount = int(scene->objects.size());
  vertexBuffers.assign(size_t(objectCount), VertexBuffer());
  indexBuffers.assign(size_t(objectCount), IndexBuffer());
  vertexCounts.assign(size_t(objectCount), 0);
  faceCounts.assign(size_t(objectCount), 0);
  for (int i = 0; i < objectCount; ++i) {
    const ObjectRecord& object = scene->objects[size_t(i)];
    const int vertexCount = int(object.vertices.size());
    const int faceCount = int(object.faces.size());
    const D3DCOLOR colour =
        object.materialIndex >= 0 && object.materialIndex < materialCount
            ? vertexColour(scene->materials[size_t(object.materialIndex)].diffuse)
            : 0xFFFFFFFF;

    vertexBuffers[size_t(i)].create(device, vertexCount, 0x152, 36);
    vertexCounts[size_t(i)] = vertexCount;
    if (auto* v = static_cast<ModelVertex*>(vertexBuffers[size_t(i)].lock())) {
      for (int k = 0; k < vertexCount; ++k) {
        const VertexRecord& record = object.vertices[size_t(k)];
        v[k] = ModelVertex{record.position, record.normal, colour, 0, 0};
      }
      // The last face naming a vertex gives its texture coordinates.
      if (!object.texVertices.empty()) {
        for (const FaceRecord& face : object.faces) {
          const int corners[3] = {face.a, face.b, face.c};
          for (int c = 0; c < 3; ++c) {
            const TexVertex& t = object.texVertices[size_t(face.texVertices[c])];
            v[corners[c]].u = t.u;
            v[corners[c]].v = t.v;
          }
        }
      }
    }
    vertexBuffers[size_t(i)].unlock();

    indexBuffers[size_t(i)].create(device, 3 * faceCount, 2);
    faceCounts[size_t(i)] = faceCount;
    if (uint16_t* index = indexBuffers[size_t(i)].lock()) {
      for (const FaceRecord& face : object.faces) {
        *index++ = uint16_t(face.a);
        *index++ = uint16_t(face.b);
        *index++ = uint16_t(face.c);
      }
    }
    indexBuffers[size_t(i)].unlock();
  }

  if (!scene->cameras.empty()) {
    const CameraRecord& record = scene->cameras[0];
    camera.position = record.position;
    camera.target = record.target;
    camera.up = Vec3(0, 1, 0);
    camera.fieldOfView = record.fieldOfView;
    camera.viewportWidth = 800;
    camera.viewportHeight = 600;
    camera.nearDistance = record.nearDistance;
    camera.farDistance = record.farDistance;
  }
  loaded = 1;
  return 0;
}

int TvkScene::draw(IDirect3DDevice9* device) {
  device->SetFVF(0x152);
  for (int i = 0; i < objectCount; ++i) {
    device->SetMaterial(&materialOf(scene->objects[size_t(i)]));
    vertexBuffers[size_t(i)].bind(device);
    indexBuffers[size_t(i)].bind(device);
    indexBuffers[size_t(i)].draw(device, vertexCounts[size_t(i)], faceCounts[size_t(i)], 0);
  }
  return objectCount;
}

void TvkScene::release() {
  materials.clear();
  for (IDirect3DTexture9*& texture : textures) {
    if (texture) {
      texture->Release();
      texture = nullptr;
    }
  }
  textures.clear();
  for (auto& buffer : vertexBuffers) {
    buffer.release();
  }
  for (auto& buffer : indexBuffers) {
    buffer.release();
  }
  vertexBuffers.clear();
  indexBuffers.clear();
  vertexCounts.clear();
  faceCounts.clear();
  scene.reset();
  objectCount = 0;
  materialCount = 0;
  loaded = 0;
}

}  // namespace korvel
