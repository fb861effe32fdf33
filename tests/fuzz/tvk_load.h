// What the model fuzzer does with one input: read it as a .tvk file and, whatever comes back,
// run the steps the model object runs after loading.
#pragma once

#include <cstddef>
#include <cstdint>

#include "assets/scene_file.h"

namespace korvel::fuzz {

inline int loadTvk(const uint8_t* data, size_t size) {
  SceneFile scene;
  int result = scene.loadBytes(data, size);
  scene.scalePositions(2.0f);
  scene.recomputeNormals();
  return result;
}

}  // namespace korvel::fuzz
