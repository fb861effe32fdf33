#include "platform/fft.h"

#include <kiss_fftr.h>

#include <cmath>
#include <map>
#include <memory>

namespace korvel::platform {

namespace {

struct Plan {
  explicit Plan(int size) : config(kiss_fftr_alloc(size, 0, nullptr, nullptr)), window(size) {
    for (int n = 0; n < size; ++n) {
      window[n] = 0.5f * (1.0f - std::cos(2.0f * 3.14159265f * float(n) / float(size)));
    }
  }
  ~Plan() { kiss_fftr_free(config); }
  kiss_fftr_cfg config;
  std::vector<float> window;
};

Plan& planFor(int size) {
  static std::map<int, std::unique_ptr<Plan>> plans;
  auto& plan = plans[size];
  if (!plan) {
    plan = std::make_unique<Plan>(size);
  }
  return *plan;
}

}  // namespace

void spectrumOf(const float* frames, int size, float* out) {
  Plan& plan = planFor(size);
  std::vector<float> mono(static_cast<size_t>(size));
  for (int n = 0; n < size; ++n) {
    mono[n] = 0.5f * (frames[2 * n] + frames[2 * n + 1]) * plan.window[n];
  }
  std::vector<kiss_fft_cpx> bins(static_cast<size_t>(size / 2 + 1));
  kiss_fftr(plan.config, mono.data(), bins.data());
  const float scale = 4.0f / float(size);
  for (int k = 0; k < size / 2; ++k) {
    out[k] = std::sqrt(bins[k].r * bins[k].r + bins[k].i * bins[k].i) * scale;
  }
}

}  // namespace korvel::platform
