// The .tvk model file read into memory: a tree of materials, mesh objects of triangles, camera
// and light records. Positions and normals are stored with the file's third axis up and turned
// into the system's y-up frame as they are read: (x, y, z) becomes (x, z, -y).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/math.h"

namespace korvel {

class FileReader;

struct MaterialRecord {
  Vec3 ambient, diffuse, specular;  // red, green, blue
  float power = 0;
  float secondScalar = 0;
  std::string textureName;  // empty when the file names none
  std::vector<MaterialRecord> subMaterials;
};

struct VertexRecord {
  Vec3 position;
  Vec3 normal;
};

struct TexVertex {
  float u = 0, v = 0;  // within [0, 1]
};

struct FaceRecord {
  int a = 0, b = 0, c = 0;            // vertices
  int cornerTags[3] = {0, 0, 0};      // indices into the object's corner tags
  int texVertices[3] = {-1, -1, -1};  // -1: the object has no texture coordinates
  Vec3 normal;
  int8_t subMaterial = 0;
};

struct ObjectRecord {
  std::string name;
  int materialIndex = -1;  // -1: no material
  Vec3 corners[8];
  std::vector<VertexRecord> vertices;
  std::vector<uint8_t> cornerTags;
  std::vector<FaceRecord> faces;
  std::vector<TexVertex> texVertices;
};

struct CameraRecord {
  float fieldOfView = 0, nearDistance = 0, farDistance = 0;
  Vec3 position, target;
};

struct LightRecord {
  int kind = 0;
  Vec3 colour;
  float intensity = 0;
  Vec3 position, target;
};

class SceneFile {
 public:
  // 0: read; 1: cannot be opened (after telling the user) or not a model file; 2: malformed
  // (truncated, a negative count, an index outside its array, materials nested too deep).
  // After 2 what was read completely is kept; the object being read counts as empty.
  int load(const char* path);
  int loadBytes(const uint8_t* data, size_t size);
  // One material record with its sub-materials; 0 or 2. `depth` counts the materials above.
  int readMaterial(MaterialRecord& material, FileReader& reader, int depth = 0);
  void scalePositions(float factor);
  // Face normals from the positions, vertex normals as the normalised mean of the faces'.
  void recomputeNormals();

  std::vector<MaterialRecord> materials;
  std::vector<ObjectRecord> objects;
  std::vector<CameraRecord> cameras;
  std::vector<LightRecord> lights;

  static constexpr int kMaxMaterialDepth = 16;

 private:
  int parse(FileReader& reader);
  int readObject(ObjectRecord& object, FileReader& reader);
  void clear();
};

}  // namespace korvel
