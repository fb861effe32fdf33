// Draw-call throughput of the OpenGL device on the headless path: how the fixed-function
// shaders (one program per state key, cached) cope with state changes between draws.
#include <benchmark/benchmark.h>

#include "platform/d3d9_state.h"
#include "support/headless_device.h"

namespace {

using korvel::testing::HeadlessDevice;
using korvel::testing::LitVertex;
using korvel::testing::quadCorners;

void drawQuads(benchmark::State& state, bool changeStates) {
  HeadlessDevice dev(256, 256);
  dev.identityTransforms();
  dev->LightEnable(0, TRUE);
  LitVertex quad[4];
  quadCorners(quad, -0.1f, 0.1f, 0.1f, -0.1f, 0.5f, 0xFF808080);
  for (auto _ : state) {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    for (int i = 0; i < 1000; ++i) {
      if (changeStates) {
        // Four shader variants in turn: lighting and fog on and off.
        dev->SetRenderState(D3DRS_LIGHTING, i & 1);
        dev->SetRenderState(D3DRS_FOGENABLE, (i >> 1) & 1);
        dev->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP2);
      }
      dev.drawQuad(quad);
    }
    dev->Present(nullptr, nullptr, nullptr, nullptr);
    dev.pixel(0, 0);  // wait for the frame
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}

void BM_SameStates(benchmark::State& state) {
  drawQuads(state, false);
}
void BM_ChangingStates(benchmark::State& state) {
  drawQuads(state, true);
}

BENCHMARK(BM_SameStates)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChangingStates)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
