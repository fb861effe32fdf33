// The effects' processor work for one frame: the flock's step (79,800 pairs for 400 boids),
// the tube's and the pillar field's vertex rewrites, the squares' 200 matrices. Drawn on the
// recording device, whose call log is emptied between frames, so the figures are the effects'
// own arithmetic plus a little bookkeeping. Target: each under 0.3 ms.
#include <benchmark/benchmark.h>

#include "effects/flock.h"
#include "effects/pillar_field_effect.h"
#include "effects/spinning_squares_effect.h"
#include "effects/tube_effect.h"
#include "platform/offline_host.h"
#include "platform/random.h"
#include "platform/recording_device.h"

namespace {

using namespace korvel;

void BM_FlockUpdate400(benchmark::State& state) {
  korvel::srand(1);
  Flock flock;
  flock.create(400, 1);
  flock.goal = Vec3(0, 20, 200);
  for (int i = 0; i < 200; ++i) {  // let the school gather, as it does on screen
    flock.update(1 / 60.0f);
  }
  for (auto _ : state) {
    flock.update(1 / 60.0f);
    benchmark::DoNotOptimize(flock.boids[0].position);
  }
}
BENCHMARK(BM_FlockUpdate400)->Unit(benchmark::kMicrosecond);

template <class E>
void renderFrames(benchmark::State& state) {
  platform::OfflineHost offline;
  auto* device = new platform::RecordingDevice(D3DPRESENT_PARAMETERS{}, 0);
  E effect;
  effect.init(device);
  float t = 82.0f;
  for (auto _ : state) {
    effect.render(t);
    t += 1 / 60.0f;
    state.PauseTiming();
    device->log.calls.clear();
    state.ResumeTiming();
  }
  effect.release();
  device->Release();
}

void BM_TubeFrame(benchmark::State& state) {
  renderFrames<TubeEffect>(state);
}
BENCHMARK(BM_TubeFrame)->Unit(benchmark::kMicrosecond);

void BM_PillarFieldFrame(benchmark::State& state) {
  renderFrames<PillarFieldEffect>(state);
}
BENCHMARK(BM_PillarFieldFrame)->Unit(benchmark::kMicrosecond);

void BM_SquaresMatrices(benchmark::State& state) {
  platform::OfflineHost offline;
  auto* device = new platform::RecordingDevice(D3DPRESENT_PARAMETERS{}, 0);
  SpinningSquaresEffect squares;
  squares.init(device);  // the matrices alone, without drawing
  float t = 45.0f;
  for (auto _ : state) {
    for (unsigned i = 0; i < 10; ++i) {
      for (unsigned j = 0; j < 10; ++j) {
        for (unsigned k = 0; k < 2; ++k) {
          benchmark::DoNotOptimize(squares.cellWorld(i, j, k, t));
        }
      }
    }
    t += 1 / 60.0f;
  }
  squares.release();
  device->Release();
}
BENCHMARK(BM_SquaresMatrices)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
