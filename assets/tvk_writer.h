// Writes a scene as a .tvk file the reader accepts: positions and normals turned back to the
// file's z-up frame, texture v flipped back. For the content generator, the converter and the
// tests' fixtures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "assets/scene_file.h"

namespace korvel {

std::vector<uint8_t> encodeTvk(const SceneFile& scene);
// False when the file cannot be written; nothing is left half-written under `path`.
bool writeTvk(const SceneFile& scene, const std::string& path);

}  // namespace korvel
