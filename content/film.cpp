#include "content/film.h"

#include <algorithm>
#include <cmath>

#include "content/file_output.h"
#include "content/glyph_sheet.h"
#include "content/noise.h"
#include "content/picture.h"
#include "platform/video_file.h"

namespace korvel::content {

namespace {

constexpr int W = kFilmWidth, H = kFilmHeight;

// Three box blurs of `radius` make a soft, nearly Gaussian glow.
std::vector<float> blurred(std::vector<float> image, int radius) {
  std::vector<float> next(image.size());
  for (int pass = 0; pass < 3; ++pass) {
    for (int horizontal = 0; horizontal < 2; ++horizontal) {
      for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
          float sum = 0;
          for (int k = -radius; k <= radius; ++k) {
            int sx = horizontal ? std::clamp(x + k, 0, W - 1) : x;
            int sy = horizontal ? y : std::clamp(y + k, 0, H - 1);
            sum += image[size_t(sy * W + sx)];
          }
          next[size_t(y * W + x)] = sum / float(2 * radius + 1);
        }
      }
      image.swap(next);
    }
  }
  return image;
}

}  // namespace

bool Film::prepare(const std::string& fontPath, std::string* error) {
  title_ = textMask(fontPath, "KORVEL", 76, W, H, error);
  if (title_.empty()) {
    return false;
  }
  glow_ = blurred(title_, 3);
  wideGlow_ = blurred(title_, 12);
  background_.resize(size_t(W * H));
  dissolve_.resize(size_t(W * H));
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      float u = float(x) / float(W), v = float(y) / float(H);
      background_[size_t(y * W + x)] = fbm(u * 4, v * 3, 64, 5, 101) * 0.5f + 0.5f;
      // Coarse and fine noise: the letters condense in clumps, then fill in.
      dissolve_[size_t(y * W + x)] =
          0.65f * (fbm(u * 12, v * 9, 64, 3, 103) * 0.5f + 0.5f) + 0.35f * latticeValue(x, y, 107);
    }
  }
  return true;
}

std::vector<uint8_t> Film::frame(int index) const {
  const float f = float(index);
  // The line of light: full at first, thinning as the title forms, back at the end.
  const float form = smoothstep(8, 62, f);     // the title condenses
  const float fold = smoothstep(122, 146, f);  // everything folds back into the line
  const float dark = smoothstep(140, 149, f);  // and goes out
  const float lineStrength = (1.0f - 0.85f * form) * (1.0f - dark) + fold * 0.8f * (1 - dark);
  const float opening = 1.0f + 40.0f * form * (1.0f - fold);  // half height of the open band
  const float sweepX = -60.0f + (f - 64.0f) * 9.0f;           // the gleam across the letters
  const float pulse = 0.5f + 0.5f * std::sin(f * 0.21f);

  std::vector<uint8_t> out(size_t(W * H * 4));
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      const size_t i = size_t(y * W + x);
      const float dy = float(y) - float(H) / 2 + 0.5f, dx = float(x) - float(W) / 2 + 0.5f;
      // Deep indigo haze, a little brighter round the band.
      float haze = background_[i];
      Colour c = Colour{0.015f, 0.01f, 0.05f} + Colour{0.06f, 0.03f, 0.14f} * (haze * haze);
      float band = std::exp(-std::fabs(dy) / (6.0f + opening * 1.5f));
      c = c + Colour{0.05f, 0.08f, 0.18f} * (band * (0.4f + 0.6f * form) * (1 - dark));

      // The line: a hot core and a long anamorphic streak.
      float across = std::exp(-std::fabs(dy) / (0.9f + 0.05f * opening));
      float along = std::exp(-std::fabs(dx) / 120.0f) * 0.7f + 0.3f;
      float core = std::exp(-(dx * dx) / 900.0f - (dy * dy) / 30.0f);
      c = c + Colour{0.55f, 0.8f, 1.0f} * (across * along * 1.4f * lineStrength);
      c = c + Colour{1.0f, 1.0f, 1.0f} * (core * 1.2f * lineStrength);

      // The title: pixels condense where the noise lies under the progress, inside the band.
      float inside = smoothstep(opening + 2.0f, opening - 6.0f, std::fabs(dy));
      float present = smoothstep(dissolve_[i] - 0.08f, dissolve_[i] + 0.02f, form * 1.1f);
      float letters = title_[i] * present * inside * (1.0f - fold);
      float halo =
          (glow_[i] * 0.9f + wideGlow_[i] * 0.8f) * form * (1.0f - fold) * (0.8f + 0.2f * pulse);
      float gleam = std::exp(-std::pow((float(x) - sweepX - float(y) * 0.35f) / 14.0f, 2.0f));
      c = c + Colour{0.25f, 0.55f, 1.0f} * (halo * 0.9f);
      c = lerp(c, Colour{0.86f, 0.93f, 1.0f} + Colour{1.0f, 0.9f, 0.7f} * (gleam * 0.6f), letters);
      // Sparks drifting away from the letters while they form.
      float spark = latticeValue(x + index * 3, y, 109);
      if (spark > 0.9985f) {
        c = c + Colour{0.6f, 0.8f, 1.0f} * ((1.0f - form * 0.7f) * band * (1 - dark) * 1.5f);
      }
      c = c * (1.0f - dark);
      uint8_t* p = &out[i * 4];
      p[0] = Picture::quantise(c.b);
      p[1] = Picture::quantise(c.g);
      p[2] = Picture::quantise(c.r);
      p[3] = 255;
    }
  }
  return out;
}

bool writeFilm(const Film& film, const std::string& path, std::string* error) {
  return writeThroughTemporaryPath(
      path,
      [&](const std::string& partial) {
        platform::VideoWriter writer;
        if (!writer.open(partial, W, H, kFilmRate, "mjpeg", error, 2)) {
          return false;
        }
        for (int i = 0; i < kFilmFrames; ++i) {
          if (!writer.writeFrame(film.frame(i))) {
            *error = partial + ": the encoder refused frame " + std::to_string(i);
            return false;
          }
        }
        return writer.close();
      },
      error);
}

}  // namespace korvel::content
