#include "assets/scene_file.h"

#include <cstring>
#include <string>

#include "assets/file_reader.h"
#include "platform/window_system.h"

namespace korvel {

namespace {

constexpr int kOk = 0, kNotAModel = 1, kMalformed = 2;

int16_t readInt16(FileReader& reader) {
  uint8_t b[2];
  reader.read(b, 2);
  return int16_t(b[0] | b[1] << 8);
}

float readFloat(FileReader& reader) {
  uint8_t b[4];
  reader.read(b, 4);
  uint32_t bits =
      uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
  float value;
  std::memcpy(&value, &bits, 4);
  return value;
}

Vec3 readVec3(FileReader& reader) {
  float x = readFloat(reader), y = readFloat(reader), z = readFloat(reader);
  return Vec3(x, y, z);
}

// The file's third axis is up; the system's second.
Vec3 readConverted(FileReader& reader) {
  Vec3 v = readVec3(reader);
  return Vec3(v.x, v.z, -v.y);
}

// A zero-terminated string of at most 256 bytes; false when it does not end in time.
bool readString(FileReader& reader, std::string* out) {
  out->clear();
  for (int i = 0; i < 256; ++i) {
    char c;
    reader.read(&c, 1);
    if (reader.shortRead()) {
      return false;
    }
    if (c == '\0') {
      return true;
    }
    out->push_back(c);
  }
  return false;
}

}  // namespace

void SceneFile::clear() {
  materials.clear();
  objects.clear();
  cameras.clear();
  lights.clear();
}

int SceneFile::load(const char* path) {
  clear();
  FileReader reader;
  if (!reader.open(path)) {
    platform::windowSystem().messageBox(nullptr, "failed to open scene file", "moo", MB_OK);
    return kNotAModel;
  }
  int result = parse(reader);
  reader.close();
  // The open failure above is the only message of old; a file that opens but does not read
  // would otherwise leave its model out without a word.
  if (result == kNotAModel) {
    std::string text = std::string(path) + " is not a model file: it is left out";
    platform::windowSystem().messageBox(nullptr, text.c_str(), "moo", MB_OK);
  } else if (result == kMalformed) {
    std::string text = std::string(path) + " is damaged: only what reads whole is drawn";
    platform::windowSystem().messageBox(nullptr, text.c_str(), "moo", MB_OK);
  }
  return result;
}

int SceneFile::loadBytes(const uint8_t* data, size_t size) {
  clear();
  FileReader reader;
  reader.openBytes(data, size);
  return parse(reader);
}

int SceneFile::parse(FileReader& reader) {
  char magic[12];
  reader.read(magic, 12);
  readInt16(reader);  // the exporter's; not used
  if (reader.shortRead() || std::memcmp(magic, "_tavokymesh", 12) != 0) {
    return kNotAModel;
  }

  int materialCount = readInt16(reader);
  if (reader.shortRead() || materialCount < 0) {
    return kMalformed;
  }
  materials.resize(size_t(materialCount));
  for (MaterialRecord& material : materials) {
    MaterialRecord read;
    if (readMaterial(read, reader) != kOk) {
      return kMalformed;
    }
    material = std::move(read);
  }

  int objectCount = readInt16(reader);
  int cameraCount = readInt16(reader);
  int lightCount = readInt16(reader);
  if (reader.shortRead()) {
    return kMalformed;
  }
  if (objectCount > 0)
    objects.resize(size_t(objectCount));
  if (cameraCount > 0)
    cameras.resize(size_t(cameraCount));
  if (lightCount > 0)
    lights.resize(size_t(lightCount));

  for (CameraRecord& camera : cameras) {
    camera.fieldOfView = readFloat(reader);
    camera.nearDistance = readFloat(reader);
    camera.farDistance = readFloat(reader);
    camera.position = readVec3(reader);
    camera.target = readVec3(reader);
  }
  for (LightRecord& light : lights) {
    light.kind = readInt16(reader);
    light.colour = readVec3(reader);
    light.intensity = readFloat(reader);
    light.position = readVec3(reader);
    light.target = readVec3(reader);
  }
  if (reader.shortRead()) {
    return kMalformed;
  }
  for (ObjectRecord& object : objects) {
    ObjectRecord read;
    if (readObject(read, reader) != kOk) {
      return kMalformed;
    }
    object = std::move(read);
  }
  return kOk;
}

int SceneFile::readMaterial(MaterialRecord& material, FileReader& reader, int depth) {
  if (depth >= kMaxMaterialDepth) {
    return kMalformed;
  }
  material.ambient = readVec3(reader);
  material.diffuse = readVec3(reader);
  material.specular = readVec3(reader);
  material.power = readFloat(reader);
  material.secondScalar = readFloat(reader);
  uint8_t opener;
  reader.read(&opener, 1);  // its value is the exporter's

  std::string diffuseMap, discarded;
  bool namedDiffuse = false;
  for (;;) {
    uint8_t kind;
    reader.read(&kind, 1);
    if (reader.shortRead()) {
      return kMalformed;
    }
    if (kind == '>') {
      break;
    }
    if (kind == '1') {
      if (!readString(reader, &diffuseMap)) {
        return kMalformed;
      }
      namedDiffuse = true;
    } else if (kind == '6' || kind == '8' || kind == '9') {
      if (!readString(reader, &discarded)) {
        return kMalformed;
      }
    }
    // Any other byte is skipped on its own.
  }
  if (namedDiffuse) {
    material.textureName = diffuseMap;
  }

  int count = readInt16(reader);
  if (reader.shortRead()) {
    return kMalformed;
  }
  if (count > 0) {
    material.subMaterials.resize(size_t(count));
    for (MaterialRecord& sub : material.subMaterials) {
      if (readMaterial(sub, reader, depth + 1) != kOk) {
        return kMalformed;
      }
    }
  }
  return kOk;
}

int SceneFile::readObject(ObjectRecord& object, FileReader& reader) {
  object.materialIndex = readInt16(reader);
  if (!readString(reader, &object.name)) {
    return kMalformed;
  }
  if (object.materialIndex < -1 || object.materialIndex >= int(materials.size())) {
    return kMalformed;
  }
  for (Vec3& corner : object.corners) {
    corner = readVec3(reader);
  }

  int vertexCount = readInt16(reader);
  if (reader.shortRead() || vertexCount < 0) {
    return kMalformed;
  }
  object.vertices.resize(size_t(vertexCount));
  for (VertexRecord& vertex : object.vertices) {
    vertex.position = readConverted(reader);
  }

  int tagCount = readInt16(reader);
  if (reader.shortRead() || tagCount < 0) {
    return kMalformed;
  }
  object.cornerTags.resize(size_t(tagCount));
  if (tagCount > 0) {
    reader.read(object.cornerTags.data(), object.cornerTags.size());
  }

  int faceCount = readInt16(reader);
  if (reader.shortRead() || faceCount < 0) {
    return kMalformed;
  }
  object.faces.resize(size_t(faceCount));
  auto inside = [](int index, size_t size) { return index >= 0 && size_t(index) < size; };
  for (FaceRecord& face : object.faces) {
    face.a = readInt16(reader);
    face.b = readInt16(reader);
    face.c = readInt16(reader);
    for (int& tag : face.cornerTags) {
      tag = readInt16(reader);
    }
    uint8_t selector;
    reader.read(&selector, 1);
    face.subMaterial = int8_t(selector);
    if (!inside(face.a, object.vertices.size()) || !inside(face.b, object.vertices.size()) ||
        !inside(face.c, object.vertices.size()) || face.subMaterial < 0) {
      return kMalformed;
    }
    for (int tag : face.cornerTags) {
      if (!inside(tag, object.cornerTags.size())) {
        return kMalformed;
      }
    }
  }

  int texCount = readInt16(reader);
  if (reader.shortRead()) {
    return kMalformed;
  }
  if (texCount > 0) {
    object.texVertices.resize(size_t(texCount));
    for (TexVertex& t : object.texVertices) {
      float u = readFloat(reader), v = 1.0f - readFloat(reader);
      t.u = u < 0 ? 0 : (u > 1 ? 1 : u);
      t.v = v < 0 ? 0 : (v > 1 ? 1 : v);
    }
    for (FaceRecord& face : object.faces) {
      for (int& index : face.texVertices) {
        index = readInt16(reader);
        if (!inside(index, object.texVertices.size())) {
          return kMalformed;
        }
      }
    }
  }

  for (FaceRecord& face : object.faces) {
    face.normal = readConverted(reader);
    for (int corner : {face.a, face.b, face.c}) {
      Vec3 normal = readConverted(reader);
      object.vertices[size_t(corner)].normal = normal.normalize();
    }
  }
  return reader.shortRead() ? kMalformed : kOk;
}

void SceneFile::scalePositions(float factor) {
  for (ObjectRecord& object : objects) {
    for (VertexRecord& vertex : object.vertices) {
      vertex.position *= factor;
    }
  }
}

void SceneFile::recomputeNormals() {
  for (ObjectRecord& object : objects) {
    // Each face adds its normal to its distinct vertices, faces in order: the same sums, in
    // the same order, as adding up every vertex's faces one vertex at a time.
    std::vector<Vec3> sums(object.vertices.size());
    std::vector<int> counts(object.vertices.size(), 0);
    for (FaceRecord& face : object.faces) {
      const Vec3& p0 = object.vertices[size_t(face.a)].position;
      const Vec3& p1 = object.vertices[size_t(face.b)].position;
      const Vec3& p2 = object.vertices[size_t(face.c)].position;
      face.normal = (p0 - p1).cross(p1 - p2);
      face.normal.normalize();
      const int corners[3] = {face.a, face.b, face.c};
      for (int i = 0; i < 3; ++i) {
        if ((i > 0 && corners[i] == corners[0]) || (i > 1 && corners[i] == corners[1])) {
          continue;  // a face counts once for a vertex it names twice
        }
        sums[size_t(corners[i])] += face.normal;
        ++counts[size_t(corners[i])];
      }
    }
    for (size_t v = 0; v < object.vertices.size(); ++v) {
      Vec3 normal;
      if (counts[v] > 0) {
        normal = sums[v] * (1.0f / float(counts[v]));
        normal.normalize();
      }
      object.vertices[v].normal = normal;
    }
  }
}

}  // namespace korvel
