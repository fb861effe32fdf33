// Writes a scene as a .tvk file the reader accepts: positions and normals turned back to the
// file's z-up frame, texture v flipped back. For the content generator, the converter and the
// tests' fixtures.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "assets/scene_file.h"

namespace korvel {

// Empty when the reader would take the scene back whole; otherwise what it would refuse (a face
// naming a vertex, corner tag or texture vertex that does not exist, a material that does not
// exist, a negative sub-material selector, materials nested too deep, a count over 32767).
std::string tvkProblem(const SceneFile& scene);
// The file's bytes; nothing, with tvkProblem's words in `error`, for a scene it refuses.
std::optional<std::vector<uint8_t>> encodeTvk(const SceneFile& scene, std::string* error = nullptr);
// False, with the reason in `error`, when the scene is refused or the file cannot be written;
// nothing is left half-written under `path`.
bool writeTvk(const SceneFile& scene, const std::string& path, std::string* error = nullptr);

}  // namespace korvel
