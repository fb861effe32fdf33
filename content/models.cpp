#include "content/models.h"

#include <array>
#include <cmath>
#include <functional>
#include <map>

namespace korvel::content {

namespace {

constexpr float kPi = 3.14159265f;

// One closed part being built: positions with texture coordinates, and triangles.
struct Part {
  std::vector<Vec3> positions;
  std::vector<TexVertex> uvs;
  std::vector<std::array<int, 3>> triangles;

  int add(const Vec3& p, float u, float v) {
    positions.push_back(p);
    uvs.push_back({u, v});
    return int(positions.size() - 1);
  }
  void triangle(int a, int b, int c) { triangles.push_back({a, b, c}); }
  void quad(int a, int b, int c, int d) {
    triangle(a, b, c);
    triangle(a, c, d);
  }

  // Turns every face outwards: a closed part wound the other way encloses a negative volume.
  void orientOutwards() {
    float volume = 0;
    for (const auto& t : triangles) {
      const Vec3 &a = positions[size_t(t[0])], &b = positions[size_t(t[1])],
                 &c = positions[size_t(t[2])];
      volume += a.dot(b.cross(c));
    }
    if (volume < 0) {
      for (auto& t : triangles) {
        std::swap(t[1], t[2]);
      }
    }
  }
};

// A surface over a grid that wraps around in `around` and is closed at both ends of `along`
// by a single apex point each (a lathe or a tube bent into a ring when `ringClosed`).
Part gridPart(int along, int around, bool ringClosed, const std::function<Vec3(int, int)>& point,
              const Vec3& startApex = {}, const Vec3& endApex = {}) {
  Part part;
  const int rows = ringClosed ? along : along + 1;
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < around; ++j) {
      part.add(point(i, j), float(i) / float(along), float(j) / float(around));
    }
  }
  auto at = [&](int i, int j) { return (i % rows) * around + (j % around); };
  for (int i = 0; i < along; ++i) {  // an open grid has one more row than quads
    for (int j = 0; j < around; ++j) {
      part.quad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
    }
  }
  if (!ringClosed) {
    int first = part.add(startApex, 0, 0.5f), last = part.add(endApex, 1, 0.5f);
    for (int j = 0; j < around; ++j) {
      // Wound like the quads beside them, so each shared edge runs both ways once.
      part.triangle(first, at(0, j), at(0, j + 1));
      part.triangle(last, at(rows - 1, j + 1), at(rows - 1, j));
    }
  }
  part.orientOutwards();
  return part;
}

// A box between two corners, with its own vertices per face so each face shades flat.
Part boxPart(const Vec3& lo, const Vec3& hi) {
  Part part;
  const Vec3 c[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z},
                     {lo.x, hi.y, lo.z}, {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z},
                     {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
  const int faces[6][4] = {{0, 1, 2, 3}, {5, 4, 7, 6}, {4, 0, 3, 7},
                           {1, 5, 6, 2}, {3, 2, 6, 7}, {4, 5, 1, 0}};
  for (const auto& f : faces) {
    int a = part.add(c[f[0]], 0, 0), b = part.add(c[f[1]], 1, 0), d = part.add(c[f[2]], 1, 1),
        e = part.add(c[f[3]], 0, 1);
    part.quad(a, b, d, e);
  }
  part.orientOutwards();
  return part;
}

// A thin closed wedge through three points, `thickness` across: a fin.
Part finPart(const Vec3& root0, const Vec3& root1, const Vec3& tip, const Vec3& across) {
  Part part;
  const Vec3 half = across * 0.5f;
  int a0 = part.add(root0 + half, 0, 0), a1 = part.add(root1 + half, 1, 0),
      a2 = part.add(tip + half * 0.2f, 0.5f, 1);
  int b0 = part.add(root0 - half, 0, 0), b1 = part.add(root1 - half, 1, 0),
      b2 = part.add(tip - half * 0.2f, 0.5f, 1);
  part.triangle(a0, a1, a2);
  part.triangle(b0, b2, b1);
  part.quad(a0, b0, b1, a1);
  part.quad(a1, b1, b2, a2);
  part.quad(a2, b2, b0, a0);
  part.orientOutwards();
  return part;
}

MaterialRecord material(const Vec3& diffuse, float power) {
  MaterialRecord m;
  m.diffuse = diffuse;
  m.ambient = diffuse * 0.25f;
  m.specular = Vec3(1, 1, 1);
  m.power = power;
  return m;
}

// Appends `part` to `object`, whose faces all take texture vertex = vertex.
void append(ObjectRecord& object, const Part& part) {
  const int base = int(object.vertices.size());
  for (size_t i = 0; i < part.positions.size(); ++i) {
    object.vertices.push_back({part.positions[i], Vec3()});
    object.texVertices.push_back(part.uvs[i]);
  }
  if (object.cornerTags.empty()) {
    object.cornerTags = {0};
  }
  for (const auto& t : part.triangles) {
    FaceRecord face;
    face.a = base + t[0];
    face.b = base + t[1];
    face.c = base + t[2];
    face.texVertices[0] = face.a;
    face.texVertices[1] = face.b;
    face.texVertices[2] = face.c;
    object.faces.push_back(face);
  }
}

ObjectRecord object(const std::string& name, int materialIndex) {
  ObjectRecord o;
  o.name = name;
  o.materialIndex = materialIndex;
  return o;
}

CameraRecord camera(float fieldOfView, const Vec3& position) {
  return CameraRecord{fieldOfView, 1.0f, 2000.0f, position, Vec3(0, 0, 0)};
}

}  // namespace

SceneFile tolvanModel() {
  // A (2, 3) torus knot: a tube swept along the knot, 180 steps by 14 around.
  const int steps = 180, around = 14;
  const float scale = 4.4f, tube = 0.62f;
  auto knot = [&](float s) {
    float phi = s * 2 * kPi;
    float r = std::cos(3 * phi) + 2.2f;
    return Vec3(r * std::cos(2 * phi), -std::sin(3 * phi) * 1.1f, r * std::sin(2 * phi)) * scale;
  };
  auto point = [&](int i, int j) {
    float s = float(i) / float(steps);
    Vec3 p = knot(s), ahead = knot(s + 0.5f / float(steps)), behind = knot(s - 0.5f / float(steps));
    Vec3 tangent = ahead - behind;
    tangent.normalize();
    // A frame around the tangent: towards the knot's centre axis, and across.
    Vec3 outward(p.x, 0, p.z);
    Vec3 side = tangent.cross(outward);
    side.normalize();
    Vec3 normal = side.cross(tangent);
    normal.normalize();
    float theta = float(j) / float(around) * 2 * kPi;
    // The tube swells and thins three times round the knot.
    float radius = tube * scale * (1.0f + 0.25f * std::sin(s * 6 * kPi));
    return p + (normal * std::cos(theta) + side * std::sin(theta)) * radius;
  };
  SceneFile scene;
  scene.materials.push_back(material(Vec3(0.86f, 0.80f, 0.72f), 40));
  ObjectRecord knotObject = object("knot", 0);
  append(knotObject, gridPart(steps, around, true, point));
  scene.objects.push_back(knotObject);
  scene.cameras.push_back(camera(0.8f, Vec3(0, 0, -350)));
  return scene;
}

SceneFile spikeModel() {
  // An icosphere split three times; its twelve corners and the thirty edge midpoints of the
  // first split are pulled out into spikes, each a cone over the sphere.
  std::vector<Vec3> points;
  std::vector<std::array<int, 3>> faces;
  const float t = (1.0f + std::sqrt(5.0f)) / 2.0f;
  for (Vec3 p : {Vec3(-1, t, 0), Vec3(1, t, 0), Vec3(-1, -t, 0), Vec3(1, -t, 0), Vec3(0, -1, t),
                 Vec3(0, 1, t), Vec3(0, -1, -t), Vec3(0, 1, -t), Vec3(t, 0, -1), Vec3(t, 0, 1),
                 Vec3(-t, 0, -1), Vec3(-t, 0, 1)}) {
    p.normalize();
    points.push_back(p);
  }
  faces = {{0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
           {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
           {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
  std::vector<int> level(points.size(), 0);
  for (int split = 1; split <= 3; ++split) {
    std::map<std::pair<int, int>, int> middles;
    auto middle = [&](int a, int b) {
      auto key = std::minmax(a, b);
      auto found = middles.find(key);
      if (found != middles.end()) {
        return found->second;
      }
      Vec3 m = (points[size_t(a)] + points[size_t(b)]) * 0.5f;
      m.normalize();
      points.push_back(m);
      level.push_back(split);
      middles[key] = int(points.size() - 1);
      return int(points.size() - 1);
    };
    std::vector<std::array<int, 3>> finer;
    for (const auto& f : faces) {
      int ab = middle(f[0], f[1]), bc = middle(f[1], f[2]), ca = middle(f[2], f[0]);
      finer.push_back({f[0], ab, ca});
      finer.push_back({f[1], bc, ab});
      finer.push_back({f[2], ca, bc});
      finer.push_back({ab, bc, ca});
    }
    faces = finer;
  }
  Part part;
  for (size_t i = 0; i < points.size(); ++i) {
    const Vec3& p = points[i];
    float radius = level[i] == 0 ? 46.0f : level[i] == 1 ? 36.0f : 19.0f;
    float u = 0.5f + std::atan2(p.z, p.x) / (2 * kPi), v = 0.5f - std::asin(p.y) / kPi;
    part.add(p * radius, u, v);
  }
  for (const auto& f : faces) {
    part.triangle(f[0], f[1], f[2]);
  }
  part.orientOutwards();
  SceneFile scene;
  scene.materials.push_back(material(Vec3(0.95f, 0.35f, 0.55f), 20));
  ObjectRecord ball = object("spikes", 0);
  append(ball, part);
  scene.objects.push_back(ball);
  scene.cameras.push_back(camera(1.5707964f, Vec3(0, 0, -250)));
  return scene;
}

SceneFile cuberModel() {
  // A 3 x 3 x 3 block of cubes without its centre and the six face centres: twenty cubes,
  // corners in one colour, edges in two alternating ones.
  const float size = 30, gap = 12, step = size + gap;
  SceneFile scene;
  scene.materials = {material(Vec3(1.0f, 0.97f, 0.92f), 60), material(Vec3(1.0f, 0.78f, 0.35f), 30),
                     material(Vec3(1.0f, 0.45f, 0.40f), 30)};
  std::vector<ObjectRecord> groups = {object("corners", 0), object("edgesA", 1),
                                      object("edgesB", 2)};
  for (int x = -1; x <= 1; ++x) {
    for (int y = -1; y <= 1; ++y) {
      for (int z = -1; z <= 1; ++z) {
        int zeros = (x == 0) + (y == 0) + (z == 0);
        if (zeros >= 2) {
          continue;  // the centre and the face centres are left open
        }
        Vec3 centre(float(x) * step, float(y) * step, float(z) * step);
        Vec3 half(size / 2, size / 2, size / 2);
        int group = zeros == 0 ? 0 : z == 0 ? 2 : 1;
        append(groups[size_t(group)], boxPart(centre - half, centre + half));
      }
    }
  }
  scene.objects = groups;
  scene.cameras.push_back(camera(0.8f, Vec3(0, 0, -290)));
  return scene;
}

SceneFile fishModel() {
  // Length 38 along z (8 units in the school), tail at -19, nose at +19.
  const int rings = 16, around = 12;
  const float length = 38;
  auto profile = [](float s) {  // half height and half width along the body, s from tail to nose
    float body = std::sin(std::pow(s, 0.8f) * kPi);
    return std::array<float, 2>{0.6f + 5.4f * body, 0.4f + 2.4f * body};
  };
  auto point = [&](int i, int j) {
    float s = (float(i) + 1) / float(rings + 1);
    auto [h, w] = profile(s);
    float theta = float(j) / float(around) * 2 * kPi;
    // A fuller belly than back.
    float y = std::cos(theta) * h * (std::cos(theta) < 0 ? 0.85f : 1.0f);
    return Vec3(std::sin(theta) * w, y, -length / 2 + s * length);
  };
  SceneFile scene;
  scene.materials = {material(Vec3(0.62f, 0.72f, 0.85f), 50),
                     material(Vec3(0.95f, 0.55f, 0.20f), 10)};
  ObjectRecord body = object("body", 0), fins = object("fins", 1);
  append(body, gridPart(rings - 1, around, false, point, Vec3(0, 0, -length / 2 + 0.5f),
                        Vec3(0, -0.3f, length / 2 + 0.6f)));
  const Vec3 across(0.5f, 0, 0);
  // Forked tail, behind the body's end.
  append(fins, finPart(Vec3(0, 0.5f, -16), Vec3(0, -0.3f, -17), Vec3(0, 8.5f, -27), across));
  append(fins, finPart(Vec3(0, -0.5f, -16), Vec3(0, 0.3f, -17), Vec3(0, -7.5f, -26), across));
  // Dorsal fin on the back, a smaller one underneath.
  append(fins, finPart(Vec3(0, 6.2f, -3), Vec3(0, 6.6f, 5), Vec3(0, 11.0f, -6), across));
  append(fins, finPart(Vec3(0, -5.0f, -8), Vec3(0, -5.2f, -2), Vec3(0, -8.0f, -10), across));
  // Side fins, swept back.
  const Vec3 thin(0, 0.4f, 0);
  append(fins, finPart(Vec3(3.2f, -1.5f, 6), Vec3(3.2f, -1.8f, 10), Vec3(8.0f, -4.0f, 2), thin));
  append(fins, finPart(Vec3(-3.2f, -1.5f, 6), Vec3(-3.2f, -1.8f, 10), Vec3(-8.0f, -4.0f, 2), thin));
  scene.objects = {body, fins};
  scene.cameras.push_back(camera(0.8f, Vec3(0, 0, -80)));
  return scene;
}

}  // namespace korvel::content
