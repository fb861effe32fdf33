// Reads a file for the model reader. The whole file is read into memory at open, so the
// parser's many small reads cost no system calls; the same reader serves bytes already in
// memory (tests, fuzzing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvel {

class FileReader {
 public:
  // False, after telling the user, when the file cannot be opened.
  bool open(const char* path);
  void openBytes(const uint8_t* data, size_t size);
  // Copies up to `count` bytes; `transferred()` says how many came. Past the end of the file
  // nothing comes, and the rest of `buffer` is zeroed.
  void read(void* buffer, size_t count);
  size_t transferred() const { return transferred_; }
  // True once any read came up short.
  bool shortRead() const { return shortRead_; }
  void close();

 private:
  std::vector<uint8_t> bytes_;
  size_t position_ = 0;
  size_t transferred_ = 0;
  bool shortRead_ = false;
};

}  // namespace korvel
