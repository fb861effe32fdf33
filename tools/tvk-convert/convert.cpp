#include "convert.h"

#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#include <cmath>

#include "assets/tvk_writer.h"

namespace korvel::convert {

namespace {

constexpr int kMaxCount = 32767;  // counts in the file are 16-bit
constexpr float kDefaultFieldOfView = 0.7853982f;

Vec3 colour(const aiMaterial* material, const char* key, unsigned type, unsigned index,
            Vec3 fallback) {
  aiColor3D c;
  if (material->Get(key, type, index, c) == AI_SUCCESS) {
    return Vec3(c.r, c.g, c.b);
  }
  return fallback;
}

MaterialRecord materialOf(const aiMaterial* m) {
  MaterialRecord record;
  record.diffuse = colour(m, AI_MATKEY_COLOR_DIFFUSE, Vec3(1, 1, 1));
  record.ambient = colour(m, AI_MATKEY_COLOR_AMBIENT, Vec3(0, 0, 0));
  record.specular = colour(m, AI_MATKEY_COLOR_SPECULAR, Vec3(0, 0, 0));
  float shininess = 0;
  if (m->Get(AI_MATKEY_SHININESS, shininess) == AI_SUCCESS) {
    record.power = shininess;
  }
  aiString texture;
  if (m->GetTexture(aiTextureType_DIFFUSE, 0, &texture) == AI_SUCCESS) {
    record.textureName = std::string(texture.C_Str()).substr(0, 255);
  }
  return record;
}

float clamp01(float v) {
  return v < 0 ? 0 : (v > 1 ? 1 : v);
}

}  // namespace

bool importModel(const Options& options, SceneFile* scene, std::string* error) {
  Assimp::Importer importer;
  // Meshes larger than a .tvk object holds are split into several objects.
  importer.SetPropertyInteger(AI_CONFIG_PP_SLM_VERTEX_LIMIT, kMaxCount);
  importer.SetPropertyInteger(AI_CONFIG_PP_SLM_TRIANGLE_LIMIT, kMaxCount);
  importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE,
                              aiPrimitiveType_POINT | aiPrimitiveType_LINE);
  const aiScene* source = importer.ReadFile(
      options.input, aiProcess_Triangulate | aiProcess_JoinIdenticalVertices |
                         aiProcess_PreTransformVertices | aiProcess_ConvertToLeftHanded |
                         aiProcess_SortByPType | aiProcess_SplitLargeMeshes |
                         aiProcess_ValidateDataStructure);
  if (!source || !source->HasMeshes()) {
    *error =
        options.input + ": " +
        (source ? std::string("the file holds no triangle meshes") : importer.GetErrorString());
    return false;
  }
  if (source->mNumMaterials > kMaxCount || source->mNumMeshes > kMaxCount) {
    *error = options.input + ": too many materials or meshes for a .tvk file";
    return false;
  }

  for (unsigned i = 0; i < source->mNumMaterials; ++i) {
    scene->materials.push_back(materialOf(source->mMaterials[i]));
  }
  for (unsigned i = 0; i < source->mNumMeshes; ++i) {
    const aiMesh* mesh = source->mMeshes[i];
    if (!(mesh->mPrimitiveTypes & aiPrimitiveType_TRIANGLE) || mesh->mNumFaces == 0) {
      continue;
    }
    ObjectRecord object;
    object.name = mesh->mName.length > 0 ? std::string(mesh->mName.C_Str()).substr(0, 255)
                                         : "mesh" + std::to_string(i);
    object.materialIndex =
        mesh->mMaterialIndex < scene->materials.size() ? int(mesh->mMaterialIndex) : -1;
    for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
      const aiVector3D& p = mesh->mVertices[v];
      Vec3 normal = mesh->HasNormals()
                        ? Vec3(mesh->mNormals[v].x, mesh->mNormals[v].y, mesh->mNormals[v].z)
                        : Vec3();
      object.vertices.push_back(
          {Vec3(p.x * options.scale, p.y * options.scale, p.z * options.scale), normal});
    }
    object.cornerTags = {0};
    bool textured = mesh->HasTextureCoords(0);
    if (textured) {
      for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
        const aiVector3D& t = mesh->mTextureCoords[0][v];
        object.texVertices.push_back({clamp01(t.x), clamp01(t.y)});
      }
    }
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      const aiFace& face = mesh->mFaces[f];
      if (face.mNumIndices != 3) {
        continue;
      }
      FaceRecord record;
      record.a = int(face.mIndices[0]);
      record.b = int(face.mIndices[1]);
      record.c = int(face.mIndices[2]);
      if (textured) {
        record.texVertices[0] = record.a;
        record.texVertices[1] = record.b;
        record.texVertices[2] = record.c;
      }
      object.faces.push_back(record);
    }
    // Bounding corners, for readers that want them.
    if (!object.vertices.empty()) {
      Vec3 lo = object.vertices[0].position, hi = lo;
      for (const auto& v : object.vertices) {
        lo = Vec3(std::fmin(lo.x, v.position.x), std::fmin(lo.y, v.position.y),
                  std::fmin(lo.z, v.position.z));
        hi = Vec3(std::fmax(hi.x, v.position.x), std::fmax(hi.y, v.position.y),
                  std::fmax(hi.z, v.position.z));
      }
      for (int c = 0; c < 8; ++c) {
        object.corners[c] = Vec3(c & 1 ? hi.x : lo.x, c & 2 ? hi.y : lo.y, c & 4 ? hi.z : lo.z);
      }
    }
    scene->objects.push_back(object);
  }
  if (scene->objects.empty()) {
    *error = options.input + ": the file holds no triangles";
    return false;
  }
  scene->recomputeNormals();

  CameraRecord camera{kDefaultFieldOfView, 1.0f, 1000.0f, Vec3(0, 0, -10), Vec3(0, 0, 0)};
  if (source->HasCameras()) {
    const aiCamera* c = source->mCameras[0];
    camera.fieldOfView = 2 * c->mHorizontalFOV;
    camera.nearDistance = c->mClipPlaneNear;
    camera.farDistance = c->mClipPlaneFar;
    camera.position = Vec3(c->mPosition.x, c->mPosition.y, c->mPosition.z);
    camera.target = camera.position + Vec3(c->mLookAt.x, c->mLookAt.y, c->mLookAt.z);
  }
  if (options.fieldOfView) {
    camera.fieldOfView = *options.fieldOfView;
  }
  scene->cameras.push_back(camera);
  return true;
}

bool convertModel(const Options& options, std::string* summary, std::string* error) {
  SceneFile scene;
  if (!importModel(options, &scene, error)) {
    return false;
  }
  if (!writeTvk(scene, options.output, error)) {
    return false;
  }
  size_t vertices = 0, faces = 0;
  for (const auto& o : scene.objects) {
    vertices += o.vertices.size();
    faces += o.faces.size();
  }
  *summary = "wrote " + options.output + ": " + std::to_string(scene.objects.size()) +
             " objects, " + std::to_string(vertices) + " vertices, " + std::to_string(faces) +
             " triangles, " + std::to_string(scene.materials.size()) + " materials";
  return true;
}

}  // namespace korvel::convert
