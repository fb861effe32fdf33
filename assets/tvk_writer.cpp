#include "assets/tvk_writer.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace korvel {

namespace {

class Encoder {
 public:
  void int16(int value) {
    bytes.push_back(uint8_t(value & 0xFF));
    bytes.push_back(uint8_t((value >> 8) & 0xFF));
  }
  void byte(uint8_t value) { bytes.push_back(value); }
  void f32(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    for (int i = 0; i < 4; ++i) {
      bytes.push_back(uint8_t(bits >> (8 * i)));
    }
  }
  void vec3(const Vec3& v) {
    f32(v.x);
    f32(v.y);
    f32(v.z);
  }
  // The reader turns (x, y, z) into (x, z, -y); this is its inverse.
  void converted(const Vec3& v) { vec3(Vec3(v.x, -v.z, v.y)); }
  void string(const std::string& s) {
    bytes.insert(bytes.end(), s.begin(), s.begin() + std::min<size_t>(s.size(), 255));
    bytes.push_back(0);
  }

  void material(const MaterialRecord& m) {
    vec3(m.ambient);
    vec3(m.diffuse);
    vec3(m.specular);
    f32(m.power);
    f32(m.secondScalar);
    byte('<');
    if (!m.textureName.empty()) {
      byte('1');
      string(m.textureName);
    }
    byte('>');
    int16(int(m.subMaterials.size()));
    for (const auto& sub : m.subMaterials) {
      material(sub);
    }
  }

  void object(const ObjectRecord& o) {
    int16(o.materialIndex);
    string(o.name);
    for (const Vec3& corner : o.corners) {
      vec3(corner);
    }
    int16(int(o.vertices.size()));
    for (const auto& v : o.vertices) {
      converted(v.position);
    }
    int16(int(o.cornerTags.size()));
    for (uint8_t tag : o.cornerTags) {
      byte(tag);
    }
    int16(int(o.faces.size()));
    for (const auto& f : o.faces) {
      int16(f.a);
      int16(f.b);
      int16(f.c);
      for (int tag : f.cornerTags) {
        int16(tag);
      }
      byte(uint8_t(f.subMaterial));
    }
    int16(int(o.texVertices.size()));
    if (!o.texVertices.empty()) {
      for (const auto& t : o.texVertices) {
        f32(t.u);
        f32(1.0f - t.v);
      }
      for (const auto& f : o.faces) {
        for (int index : f.texVertices) {
          int16(index);
        }
      }
    }
    for (const auto& f : o.faces) {
      converted(f.normal);
      for (int corner : {f.a, f.b, f.c}) {
        converted(o.vertices[size_t(corner)].normal);
      }
    }
  }

  std::vector<uint8_t> bytes;
};

}  // namespace

std::vector<uint8_t> encodeTvk(const SceneFile& scene) {
  Encoder e;
  const char magic[12] = "_tavokymesh";
  e.bytes.assign(magic, magic + 12);
  e.int16(0);
  e.int16(int(scene.materials.size()));
  for (const auto& m : scene.materials) {
    e.material(m);
  }
  e.int16(int(scene.objects.size()));
  e.int16(int(scene.cameras.size()));
  e.int16(int(scene.lights.size()));
  for (const auto& c : scene.cameras) {
    e.f32(c.fieldOfView);
    e.f32(c.nearDistance);
    e.f32(c.farDistance);
    e.vec3(c.position);
    e.vec3(c.target);
  }
  for (const auto& l : scene.lights) {
    e.int16(l.kind);
    e.vec3(l.colour);
    e.f32(l.intensity);
    e.vec3(l.position);
    e.vec3(l.target);
  }
  for (const auto& o : scene.objects) {
    e.object(o);
  }
  return e.bytes;
}

bool writeTvk(const SceneFile& scene, const std::string& path) {
  std::vector<uint8_t> bytes = encodeTvk(scene);
  std::string partial = path + ".partial";
  FILE* file = std::fopen(partial.c_str(), "wb");
  if (!file) {
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fclose(file) == 0 && ok;
  std::error_code error;
  if (ok) {
    std::filesystem::rename(partial, path, error);
  }
  if (!ok || error) {
    std::filesystem::remove(partial, error);
    return false;
  }
  return true;
}

}  // namespace korvel
