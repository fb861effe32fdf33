// The vertex-normal rebuild written the plain way (every vertex against every face), to check
// the reader's faster rebuild against, bit for bit.
#pragma once

#include "assets/scene_file.h"

namespace korvel::testing {

inline void referenceRecomputeNormals(SceneFile& scene) {
  for (ObjectRecord& object : scene.objects) {
    for (FaceRecord& face : object.faces) {
      Vec3 p0 = object.vertices[size_t(face.a)].position;
      Vec3 p1 = object.vertices[size_t(face.b)].position;
      Vec3 p2 = object.vertices[size_t(face.c)].position;
      face.normal = (p0 - p1).cross(p1 - p2);
      face.normal.normalize();
    }
    for (size_t v = 0; v < object.vertices.size(); ++v) {
      Vec3 sum;
      int k = 0;
      for (const FaceRecord& face : object.faces) {
        if (face.a == int(v) || face.b == int(v) || face.c == int(v)) {
          sum = sum + face.normal;
          ++k;
        }
      }
      if (k > 0) {
        sum = sum * (1.0f / float(k));
        sum.normalize();
      }
      object.vertices[v].normal = sum;
    }
  }
}

}  // namespace korvel::testing
