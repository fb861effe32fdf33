#include "support/temp_dir.h"

#include <unistd.h>

#include <fstream>
#include <stdexcept>

namespace korvel::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "korvel-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    throw std::runtime_error("cannot make a temporary folder");
  }
  root_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string TempDir::write(const std::string& name, const std::vector<unsigned char>& bytes) const {
  std::ofstream out(path(name), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path(name);
}

std::string TempDir::write(const std::string& name, const std::string& text) const {
  return write(name, std::vector<unsigned char>(text.begin(), text.end()));
}

}  // namespace korvel::testing
