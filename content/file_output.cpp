#include "content/file_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace korvel::content {

bool writeFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write,
                         std::string* error) {
  const std::string partial = path + ".partial";
  std::FILE* file = std::fopen(partial.c_str(), "w+b");
  if (!file) {
    *error = "cannot write " + partial + ": " + std::strerror(errno);
    return false;
  }
  bool ok = write(file);
  ok = std::fflush(file) == 0 && ok;
  int savedErrno = errno;
  ok = std::fclose(file) == 0 && ok;
  std::error_code code;
  if (ok) {
    std::filesystem::rename(partial, path, code);
    if (!code) {
      return true;
    }
    *error = "cannot rename " + partial + " to " + path + ": " + code.message();
  } else {
    *error = "cannot write " + partial + ": " + std::strerror(savedErrno ? savedErrno : EIO);
  }
  std::filesystem::remove(partial, code);
  return false;
}

bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* error) {
  return writeFileAtomically(
      path,
      [&bytes](std::FILE* file) {
        return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
      },
      error);
}

bool writeThroughTemporaryPath(const std::string& path,
                               const std::function<bool(const std::string&)>& write,
                               std::string* error) {
  std::filesystem::path target(path);
  std::filesystem::path partial = target;
  partial.replace_filename(target.stem().string() + ".partial" + target.extension().string());
  std::error_code code;
  if (!write(partial.string())) {
    std::filesystem::remove(partial, code);
    *error = "cannot write " + partial.string();
    return false;
  }
  std::filesystem::rename(partial, target, code);
  if (code) {
    std::filesystem::remove(partial, code);
    *error = "cannot rename " + partial.string() + " to " + path;
    return false;
  }
  return true;
}

}  // namespace korvel::content
