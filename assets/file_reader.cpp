#include "assets/file_reader.h"

#include <cstdio>
#include <cstring>

#include "platform/window_system.h"

namespace korvel {

bool FileReader::open(const char* path) {
  close();
  FILE* file = path ? std::fopen(path, "rb") : nullptr;
  if (!file) {
    platform::windowSystem().messageBox(nullptr, "failed to create file handle", "moo", MB_OK);
    return false;
  }
  uint8_t chunk[65536];
  while (size_t n = std::fread(chunk, 1, sizeof chunk, file)) {
    bytes_.insert(bytes_.end(), chunk, chunk + n);
  }
  std::fclose(file);
  return true;
}

void FileReader::openBytes(const uint8_t* data, size_t size) {
  close();
  bytes_.assign(data, data + size);
}

void FileReader::read(void* buffer, size_t count) {
  size_t available = bytes_.size() - position_;
  transferred_ = count < available ? count : available;
  if (transferred_ > 0) {
    std::memcpy(buffer, bytes_.data() + position_, transferred_);
  }
  std::memset(static_cast<uint8_t*>(buffer) + transferred_, 0, count - transferred_);
  position_ += transferred_;
  if (transferred_ < count) {
    shortRead_ = true;
  }
}

void FileReader::close() {
  bytes_.clear();
  position_ = 0;
  transferred_ = 0;
  shortRead_ = false;
}

}  // namespace korvel
