#include "output.h"

#include <iostream>

namespace korvel::inspect {

namespace {

bool validUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t length = c < 0x80           ? 1
                    : (c >> 5) == 0x6  ? 2
                    : (c >> 4) == 0xE  ? 3
                    : (c >> 3) == 0x1E ? 4
                                       : 0;
    if (length == 0 || i + length > text.size()) {
      return false;
    }
    uint32_t code = length == 1 ? c : c & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) {
        return false;
      }
      code = code << 6 | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not UTF-8.
    static const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
      return false;
    }
    i += length;
  }
  return true;
}

}  // namespace

std::string textOf(const std::string& bytes) {
  if (validUtf8(bytes)) {
    return bytes;
  }
  std::string out;
  for (char byte : bytes) {
    unsigned char c = static_cast<unsigned char>(byte);
    if (c < 0x80) {
      out.push_back(char(c));
    } else {
      out.push_back(char(0xC0 | c >> 6));
      out.push_back(char(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

void print(const Json& out) {
  // Replacing stays as a guard: nothing a file holds can make the output throw.
  std::cout << out.dump(-1, ' ', true, Json::error_handler_t::replace) << "\n";
}

}  // namespace korvel::inspect
