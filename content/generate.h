// The whole data/ tree the demo reads, generated: textures, glyph sheet, shader files,
// models, the intro film and the soundtrack. Deterministic: the same bytes on every run.
#pragma once

#include <functional>
#include <string>

namespace korvel::content {

// Writes every file under `outDir` (made if missing), each through a temporary name.
// `progress` hears each file's path relative to `outDir` as it is written. False, with the
// reason in `error`, at the first file that cannot be made.
bool generateData(const std::string& outDir, std::string* error,
                  const std::function<void(const std::string&)>& progress = nullptr);

}  // namespace korvel::content
