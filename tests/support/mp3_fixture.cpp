#include "support/mp3_fixture.h"

#include <lame/lame.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace korvel::testing {

bool writeSineMp3(const std::string& path, double frequency, double amplitude, double seconds) {
  lame_global_flags* lame = lame_init();
  lame_set_in_samplerate(lame, 44100);
  lame_set_out_samplerate(lame, 44100);
  lame_set_num_channels(lame, 2);
  lame_set_brate(lame, 192);
  lame_set_quality(lame, 2);
  if (lame_init_params(lame) < 0) {
    lame_close(lame);
    return false;
  }
  const int frames = int(seconds * 44100);
  std::vector<short> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    double value = amplitude * std::sin(2 * 3.14159265358979 * frequency * i / 44100.0);
    left[size_t(i)] = right[size_t(i)] = short(std::lround(value * 32767));
  }
  std::vector<unsigned char> mp3(size_t(1.25 * frames + 7200));
  int bytes =
      lame_encode_buffer(lame, left.data(), right.data(), frames, mp3.data(), int(mp3.size()));
  int tail = bytes >= 0 ? lame_encode_flush(lame, mp3.data() + bytes, int(mp3.size()) - bytes) : -1;
  FILE* file = std::fopen(path.c_str(), "w+b");  // the tag is written back into the file
  bool ok = bytes >= 0 && tail >= 0 && file;
  if (file) {
    ok = ok && std::fwrite(mp3.data(), 1, size_t(bytes + tail), file) == size_t(bytes + tail);
    // The LAME tag lets the decoder drop the encoder's delay and padding.
    lame_mp3_tags_fid(lame, file);
    std::fclose(file);
  }
  lame_close(lame);
  return ok;
}

}  // namespace korvel::testing
