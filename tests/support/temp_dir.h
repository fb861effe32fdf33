// A fresh folder under the system's temporary folder, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace korvel::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string path(const std::string& name) const { return (root_ / name).string(); }
  // Writes `bytes` to `name` and returns its path.
  std::string write(const std::string& name, const std::vector<unsigned char>& bytes) const;
  std::string write(const std::string& name, const std::string& text) const;

 private:
  std::filesystem::path root_;
};

}  // namespace korvel::testing
