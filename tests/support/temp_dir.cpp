#include "support/temp_dir.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <stdexcept>

namespace korvel::testing {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("korvel-test-" + std::to_string(getpid()) + "-" +
                             std::to_string(counter++));
    if (std::filesystem::create_directory(candidate)) {
      root_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder");
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
