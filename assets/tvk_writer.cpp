#include "assets/tvk_writer.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace korvel {

namespace {

// Counts are 16-bit signed in the file.
constexpr size_t kMaxCount = 32767;

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

namespace {

bool inside(int index, size_t size) {
  return index >= 0 && size_t(index) < size;
}

std::string materialProblem(const MaterialRecord& m, int depth) {
  if (depth > SceneFile::kMaxMaterialDepth) {
    return "materials are nested deeper than " + std::to_string(SceneFile::kMaxMaterialDepth);
  }
  if (m.subMaterials.size() > kMaxCount) {
    return "a material has more than " + std::to_string(kMaxCount) + " sub-materials";
  }
  for (const auto& sub : m.subMaterials) {
    std::string problem = materialProblem(sub, depth + 1);
    if (!problem.empty()) {
      return problem;
    }
  }
  return "";
}

std::string objectProblem(const ObjectRecord& o, size_t materials) {
  const std::string where = "object '" + o.name + "': ";
  if (o.materialIndex != -1 && !inside(o.materialIndex, materials)) {
    return where + "material " + std::to_string(o.materialIndex) + " does not exist";
  }
  if (o.vertices.size() > kMaxCount || o.faces.size() > kMaxCount ||
      o.cornerTags.size() > kMaxCount || o.texVertices.size() > kMaxCount) {
    return where + "more than " + std::to_string(kMaxCount) + " vertices, faces or tags";
  }
  for (size_t i = 0; i < o.faces.size(); ++i) {
    const FaceRecord& f = o.faces[i];
    const std::string face = where + "face " + std::to_string(i) + " ";
    for (int corner : {f.a, f.b, f.c}) {
      if (!inside(corner, o.vertices.size())) {
        return face + "names vertex " + std::to_string(corner) + ", which does not exist";
      }
    }
    for (int tag : f.cornerTags) {
      if (!inside(tag, o.cornerTags.size())) {
        return face + "names corner tag " + std::to_string(tag) + ", which does not exist";
      }
    }
    if (!o.texVertices.empty()) {
      for (int index : f.texVertices) {
        if (!inside(index, o.texVertices.size())) {
          return face + "names texture vertex " + std::to_string(index) + ", which does not exist";
        }
      }
    }
    if (f.subMaterial < 0) {
      return face + "has a negative sub-material selector";
    }
  }
  return "";
}

}  // namespace

std::string tvkProblem(const SceneFile& scene) {
  if (scene.materials.size() > kMaxCount || scene.objects.size() > kMaxCount ||
      scene.cameras.size() > kMaxCount || scene.lights.size() > kMaxCount) {
    return "more than " + std::to_string(kMaxCount) + " materials, objects, cameras or lights";
  }
  for (const auto& m : scene.materials) {
    std::string problem = materialProblem(m, 1);
    if (!problem.empty()) {
      return problem;
    }
  }
  for (const auto& o : scene.objects) {
    std::string problem = objectProblem(o, scene.materials.size());
    if (!problem.empty()) {
      return problem;
    }
  }
  return "";
}

std::optional<std::vector<uint8_t>> encodeTvk(const SceneFile& scene, std::string* error) {
  std::string problem = tvkProblem(scene);
  if (!problem.empty()) {
    if (error) {
      *error = problem;
    }
    return std::nullopt;
  }
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

bool writeTvk(const SceneFile& scene, const std::string& path, std::string* error) {
  std::optional<std::vector<uint8_t>> encoded = encodeTvk(scene, error);
  if (!encoded) {
    return false;
  }
  const std::vector<uint8_t>& bytes = *encoded;
  std::string partial = path + ".partial";
  FILE* file = std::fopen(partial.c_str(), "wb");
  if (!file) {
    if (error) {
      *error = "cannot write " + partial;
    }
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fclose(file) == 0 && ok;
  std::error_code code;
  if (ok) {
    std::filesystem::rename(partial, path, code);
  }
  if (!ok || code) {
    std::filesystem::remove(partial, code);
    if (error) {
      *error = "cannot write " + path;
    }
    return false;
  }
  return true;
}

}  // namespace korvel
