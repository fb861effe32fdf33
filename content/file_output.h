// Files written whole or not at all: the bytes go to a temporary name beside the target and
// are renamed over it once complete, so an interrupted run never leaves a half-written file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korvel::content {

// False, with the reason in `error`, when the file could not be written.
bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* error);

// For writers that need the file itself (a library that writes through a FILE*): `write`
// fills the temporary file and says whether it succeeded; only then is it renamed.
bool writeFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write,
                         std::string* error);

// For writers that take a path (and may choose the format by its extension): `write` gets a
// temporary path beside `path` with the same extension, renamed over `path` once it succeeds.
bool writeThroughTemporaryPath(const std::string& path,
                               const std::function<bool(const std::string&)>& write,
                               std::string* error);

}  // namespace korvel::content
