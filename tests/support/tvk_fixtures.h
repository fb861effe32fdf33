// Small scenes for the model tests, and the bytes of a .tvk file built by hand where the
// writer cannot say what a test needs.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "assets/scene_file.h"

namespace korvel::testing {

// A quad of two faces (0, 1, 2) and (2, 1, 3) with texture coordinates, one material.
inline SceneFile quadScene(Vec3 diffuse = Vec3(1.0f, 0.5f, 0.0f)) {
  SceneFile scene;
  MaterialRecord material;
  material.diffuse = diffuse;
  material.ambient = Vec3(0.1f, 0.1f, 0.1f);
  material.power = 8;
  scene.materials.push_back(material);
  ObjectRecord quad;
  quad.name = "quad";
  quad.materialIndex = 0;
  for (Vec3 p : {Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(1, 1, 0)}) {
    quad.vertices.push_back({p, Vec3()});
  }
  quad.cornerTags = {0, 1, 2};
  FaceRecord first{0, 1, 2, {0, 1, 2}, {0, 1, 2}, Vec3(0, 0, -1), 0};
  FaceRecord second{2, 1, 3, {0, 1, 2}, {2, 1, 3}, Vec3(0, 0, -1), 0};
  quad.faces = {first, second};
  quad.texVertices = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
  scene.objects.push_back(quad);
  return scene;
}

// Random triangles over a few vertices, some naming a vertex twice, some vertices unnamed.
inline SceneFile randomMesh(unsigned seed, int vertices, int faces) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> coord(-5, 5);
  std::uniform_int_distribution<int> pick(0, vertices - 1);
  SceneFile scene;
  ObjectRecord object;
  for (int i = 0; i < vertices; ++i) {
    object.vertices.push_back({Vec3(coord(rng), coord(rng), coord(rng)), Vec3()});
  }
  object.cornerTags = {0};
  for (int i = 0; i < faces; ++i) {
    FaceRecord face;
    face.a = pick(rng);
    face.b = pick(rng);
    face.c = i % 7 == 0 ? face.a : pick(rng);
    object.faces.push_back(face);
  }
  scene.objects.push_back(object);
  return scene;
}

// Little-endian bytes, for files written by hand.
struct Bytes {
  std::vector<uint8_t> data;
  Bytes& i16(int v) {
    data.push_back(uint8_t(v & 0xFF));
    data.push_back(uint8_t((v >> 8) & 0xFF));
    return *this;
  }
  Bytes& u8(int v) {
    data.push_back(uint8_t(v));
    return *this;
  }
  Bytes& f32(float v) {
    uint8_t b[4];
    std::memcpy(b, &v, 4);
    data.insert(data.end(), b, b + 4);
    return *this;
  }
  Bytes& vec3(float x, float y, float z) { return f32(x).f32(y).f32(z); }
  Bytes& text(const std::string& s) {
    for (char c : s) {
      data.push_back(uint8_t(c));
    }
    data.push_back(0);
    return *this;
  }
  Bytes& header() {
    const char magic[12] = "_tavokymesh";
    data.insert(data.end(), magic, magic + 12);
    return i16(0);
  }
  // A material's colours, power and scalar; the map list and sub-material count follow.
  Bytes& materialStart() {
    return vec3(0.1f, 0.1f, 0.1f).vec3(1, 1, 1).vec3(0, 0, 0).f32(10).f32(0);
  }
};

}  // namespace korvel::testing
