// Rebuilding vertex normals on a 30,000-triangle model: the reader's pass over the faces
// against the plain every-vertex-against-every-face loop it replaces (same result, bit for bit).
#include <benchmark/benchmark.h>

#include "support/reference_normals.h"
#include "support/tvk_fixtures.h"

namespace {

korvel::SceneFile model() {
  return korvel::testing::randomMesh(7, 15000, 30000);
}

void BM_FacePass(benchmark::State& state) {
  korvel::SceneFile scene = model();
  for (auto _ : state) {
    scene.recomputeNormals();
    benchmark::DoNotOptimize(scene.objects[0].vertices.data());
  }
  state.SetItemsProcessed(state.iterations() * 30000);
}

void BM_VertexTimesFaces(benchmark::State& state) {
  korvel::SceneFile scene = model();
  for (auto _ : state) {
    korvel::testing::referenceRecomputeNormals(scene);
    benchmark::DoNotOptimize(scene.objects[0].vertices.data());
  }
  state.SetItemsProcessed(state.iterations() * 30000);
}

BENCHMARK(BM_FacePass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VertexTimesFaces)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
