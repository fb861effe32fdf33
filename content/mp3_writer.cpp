#include "content/mp3_writer.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>

#include "content/file_output.h"

namespace korvel::content {

namespace {

short toPcm(float sample) {
  float clipped = std::clamp(sample, -1.0f, 1.0f);
  return short(std::lround(clipped * 32767.0f));
}

}  // namespace

bool writeMp3(const std::string& path, const std::vector<float>& stereo,
              const Mp3Settings& settings, std::string* error) {
  lame_global_flags* lame = lame_init();
  if (!lame) {
    *error = "LAME could not start";
    return false;
  }
  lame_set_in_samplerate(lame, settings.sampleRate);
  lame_set_out_samplerate(lame, settings.sampleRate);
  lame_set_num_channels(lame, 2);
  lame_set_brate(lame, settings.bitrateKbps);
  lame_set_quality(lame, settings.quality);
  if (lame_init_params(lame) < 0) {
    lame_close(lame);
    *error = "LAME refused the settings";
    return false;
  }
  const size_t frames = stereo.size() / 2;
  std::vector<short> left(frames), right(frames);
  for (size_t i = 0; i < frames; ++i) {
    left[i] = toPcm(stereo[2 * i]);
    right[i] = toPcm(stereo[2 * i + 1]);
  }
  // In blocks, so the output buffer stays small whatever the length.
  const size_t block = 1 << 16;
  std::vector<unsigned char> chunk(size_t(1.25 * block) + 7200);
  bool ok = writeFileAtomically(
      path,
      [&](std::FILE* file) {
        for (size_t start = 0; start < frames; start += block) {
          int n = int(std::min(block, frames - start));
          int bytes = lame_encode_buffer(lame, left.data() + start, right.data() + start, n,
                                         chunk.data(), int(chunk.size()));
          if (bytes < 0 || std::fwrite(chunk.data(), 1, size_t(bytes), file) != size_t(bytes)) {
            return false;
          }
        }
        int tail = lame_encode_flush(lame, chunk.data(), int(chunk.size()));
        if (tail < 0 || std::fwrite(chunk.data(), 1, size_t(tail), file) != size_t(tail)) {
          return false;
        }
        lame_mp3_tags_fid(lame, file);  // the tag goes back into the file's first frame
        return true;
      },
      error);
  lame_close(lame);
  return ok;
}

}  // namespace korvel::content
