// What the device's Direct3D meanings cost over plain OpenGL, on the headless software
// renderer at 800 x 600: the same frames drawn both ways in one process. Two workloads, the
// busiest in the demo: 800 small textured, blended quads (the spinning squares) and 400 lit
// meshes (the fish school). Each frame is read back whole, so that it has finished; a frame
// with no draws measures that, and the ratio printed at the end is of what the draws cost.
// Last, the fill rate: full-screen textured, blended quads, the least a frame of a given
// number of pixels can cost (korvel-capture --fill-rate takes it).
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <map>
#include <string>
#include <vector>

#include "platform/d3dx_math.h"
#include "platform/gl_reference_draws.h"
#include "platform/image_file.h"
#include "platform/offline_host.h"
#include "support/headless_device.h"

namespace {

using korvel::Mat4;
using korvel::platform::ReferenceDraws;
using korvel::platform::ReferenceVertex;
using korvel::testing::HeadlessDevice;
using korvel::testing::LitVertex;

constexpr int kWidth = 800, kHeight = 600;
constexpr int kQuads = 800, kMeshes = 400, kFillQuads = 20;

struct Scene {
  Mat4 view, projection;
  std::vector<Mat4> quadWorlds, meshWorlds;
  std::vector<ReferenceVertex> quad, mesh;
  std::vector<uint16_t> meshIndices;
  std::vector<uint32_t> texels;
  static constexpr int kTextureSize = 64;

  Scene() {
    D3DXMatrixTranslation(&view, 0, 0, 20);
    D3DXMatrixPerspectiveFovLH(&projection, 3.14159265f / 3, 4.0f / 3.0f, 0.1f, 100.0f);
    for (int i = 0; i < kQuads; ++i) {  // a 40 x 20 grid, each square turned its own way
      Mat4 turn, move;
      D3DXMatrixRotationZ(&turn, 0.1f * float(i));
      D3DXMatrixTranslation(&move, float(i % 40) - 19.5f, float(i / 40) - 9.5f, 0);
      quadWorlds.push_back(turn * move);
    }
    for (int i = 0; i < kMeshes; ++i) {
      Mat4 turn, move;
      D3DXMatrixRotationY(&turn, 0.05f * float(i));
      D3DXMatrixTranslation(&move, float(i % 20) * 1.2f - 11.4f, float(i / 20) * 0.8f - 7.6f,
                            float(i % 7));
      meshWorlds.push_back(turn * move);
    }
    const float h = 0.4f;
    const float corners[4][4] = {{-h, h, 0, 0}, {h, h, 1, 0}, {-h, -h, 0, 1}, {h, -h, 1, 1}};
    for (const auto& c : corners) {
      quad.push_back({c[0], c[1], 0, 0, 0, -1, 0xC0FFFFFF, c[2], c[3]});
    }
    // A sphere of 12 x 8 facets, about the fish's size on screen.
    const int slices = 12, stacks = 8;
    for (int j = 0; j <= stacks; ++j) {
      for (int i = 0; i <= slices; ++i) {
        float a = 6.2831853f * float(i) / slices, b = 3.14159265f * float(j) / stacks;
        float x = std::sin(b) * std::cos(a), y = std::cos(b), z = std::sin(b) * std::sin(a);
        mesh.push_back({0.4f * x, 0.3f * y, 0.4f * z, x, y, z, 0xFFFFFFFF, 0, 0});
      }
    }
    for (int j = 0; j < stacks; ++j) {
      for (int i = 0; i < slices; ++i) {
        uint16_t a = uint16_t(j * (slices + 1) + i), b = uint16_t(a + slices + 1);
        meshIndices.insert(meshIndices.end(),
                           {a, uint16_t(a + 1), b, b, uint16_t(a + 1), uint16_t(b + 1)});
      }
    }
    for (int y = 0; y < kTextureSize; ++y) {
      for (int x = 0; x < kTextureSize; ++x) {
        texels.push_back(((x / 8 + y / 8) & 1) ? 0xFFFFC040 : 0x804080FF);
      }
    }
  }

  static float diffuse(int i, int channel) { return 0.3f + 0.1f * float((i + channel) % 7); }
};

const Scene& scene() {
  static const Scene s;
  return s;
}

// ---- Through the device -----------------------------------------------------------------

struct DeviceFrames {
  korvel::platform::OfflineHost host;
  HeadlessDevice dev{kWidth, kHeight};
  IDirect3DTexture9* texture = nullptr;
  IDirect3DVertexBuffer9 *quad = nullptr, *mesh = nullptr;
  IDirect3DIndexBuffer9* indices = nullptr;

  DeviceFrames() {
    const Scene& s = scene();
    std::vector<D3DCOLOR> texels(s.texels.begin(), s.texels.end());
    texture = dev.makeTexture(Scene::kTextureSize, Scene::kTextureSize, texels);
    quad = vertexBuffer(s.quad);
    mesh = vertexBuffer(s.mesh);
    dev->CreateIndexBuffer(UINT(s.meshIndices.size() * 2), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                           &indices, nullptr);
    void* data = nullptr;
    indices->Lock(0, 0, &data, 0);
    std::memcpy(data, s.meshIndices.data(), s.meshIndices.size() * 2);
    indices->Unlock();
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 1};
    light.Direction = {0, 0, 1};
    dev->SetLight(0, &light);
    dev->LightEnable(0, TRUE);
    dev->SetRenderState(D3DRS_AMBIENT, 0xFF333333);
  }
  ~DeviceFrames() {
    texture->Release();
    quad->Release();
    mesh->Release();
    indices->Release();
  }

  IDirect3DVertexBuffer9* vertexBuffer(const std::vector<ReferenceVertex>& vertices) {
    std::vector<LitVertex> lit;
    for (const auto& v : vertices) {
      lit.push_back({v.x, v.y, v.z, v.nx, v.ny, v.nz, v.color, v.u, v.v});
    }
    IDirect3DVertexBuffer9* buffer = nullptr;
    dev->CreateVertexBuffer(UINT(lit.size() * sizeof(LitVertex)), 0, 0x152, D3DPOOL_MANAGED,
                            &buffer, nullptr);
    void* data = nullptr;
    buffer->Lock(0, 0, &data, 0);
    std::memcpy(data, lit.data(), lit.size() * sizeof(LitVertex));
    buffer->Unlock();
    return buffer;
  }

  void begin() {
    const Scene& s = scene();
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    dev->SetTransform(D3DTS_VIEW, &s.view);
    dev->SetTransform(D3DTS_PROJECTION, &s.projection);
  }

  void quads() {
    const Scene& s = scene();
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetRenderState(D3DRS_ZENABLE, FALSE);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    dev->SetTexture(0, texture);
    for (const Mat4& world : s.quadWorlds) {
      dev->SetTransform(D3DTS_WORLD, &world);
      dev->SetStreamSource(0, quad, 0, sizeof(LitVertex));
      dev->SetFVF(0x152);
      dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    }
  }

  void meshes() {
    const Scene& s = scene();
    dev->SetRenderState(D3DRS_LIGHTING, TRUE);
    dev->SetRenderState(D3DRS_ZENABLE, TRUE);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    dev->SetRenderState(D3DRS_COLORVERTEX, FALSE);
    dev->SetTexture(0, nullptr);
    const UINT triangles = UINT(s.meshIndices.size() / 3);
    for (int i = 0; i < kMeshes; ++i) {
      D3DMATERIAL9 material{};
      material.Diffuse = {Scene::diffuse(i, 0), Scene::diffuse(i, 1), Scene::diffuse(i, 2), 1};
      dev->SetMaterial(&material);
      dev->SetTransform(D3DTS_WORLD, &s.meshWorlds[size_t(i)]);
      dev->SetStreamSource(0, mesh, 0, sizeof(LitVertex));
      dev->SetIndices(indices);
      dev->SetFVF(0x152);
      dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, UINT(s.mesh.size()), 0, triangles);
    }
  }

  void end() {
    dev->Present(nullptr, nullptr, nullptr, nullptr);
    frame = dev.pixels();
  }

  std::vector<uint8_t> frame;
};

// ---- Plain OpenGL -------------------------------------------------------------------------

struct ReferenceFrames {
  std::unique_ptr<ReferenceDraws> draws;
  std::vector<uint8_t> frame = std::vector<uint8_t>(size_t(kWidth) * kHeight * 4);

  ReferenceFrames() {
    std::string error;
    draws = ReferenceDraws::create(kWidth, kHeight, &error);
    if (!draws) {
      std::fprintf(stderr, "no OpenGL context: %s\n", error.c_str());
      std::exit(1);
    }
    const Scene& s = scene();
    draws->setQuad(s.quad.data(), Scene::kTextureSize, s.texels);
    draws->setMesh(s.mesh, s.meshIndices);
  }

  void begin() { draws->clear(); }

  void quads() {
    const Scene& s = scene();
    const Mat4 viewProjection = s.view * s.projection;
    for (const Mat4& world : s.quadWorlds) {
      Mat4 m = world * viewProjection;
      draws->drawQuad(&m.m[0][0]);
    }
  }

  void meshes() {
    const Scene& s = scene();
    for (int i = 0; i < kMeshes; ++i) {
      Mat4 worldView = s.meshWorlds[size_t(i)] * s.view;
      Mat4 m = worldView * s.projection;
      const float diffuse[4] = {Scene::diffuse(i, 0), Scene::diffuse(i, 1), Scene::diffuse(i, 2),
                                1};
      draws->drawMesh(&m.m[0][0], &worldView.m[0][0], diffuse);
    }
  }

  // Full-screen textured, blended quads: what the renderer fills when nothing else counts.
  void fill() {
    Mat4 screen;
    D3DXMatrixScaling(&screen, 2.5f, 2.5f, 1);
    for (int i = 0; i < kFillQuads; ++i) {
      draws->drawQuad(&screen.m[0][0]);
    }
  }

  void end() { draws->readFrame(frame.data()); }
};

// With KORVEL_BENCH_FRAMES=DIR, each benchmark's last frame goes to DIR/NAME.png, to see
// that both ways draw the same picture.
template <class Frames>
void run(benchmark::State& state, void (Frames::*work)(), const char* name) {
  Frames frames;
  for (auto _ : state) {
    frames.begin();
    if (work) {
      (frames.*work)();
    }
    frames.end();
  }
  if (const char* dir = std::getenv("KORVEL_BENCH_FRAMES")) {
    korvel::platform::writePng(std::string(dir) + "/" + name + ".png", frames.frame, kWidth,
                               kHeight);
  }
}

void BM_DeviceEmptyFrame(benchmark::State& s) {
  run<DeviceFrames>(s, nullptr, "device-empty");
}
void BM_DeviceQuads(benchmark::State& s) {
  run(s, &DeviceFrames::quads, "device-quads");
}
void BM_DeviceMeshes(benchmark::State& s) {
  run(s, &DeviceFrames::meshes, "device-meshes");
}
void BM_OpenGlEmptyFrame(benchmark::State& s) {
  run<ReferenceFrames>(s, nullptr, "opengl-empty");
}
void BM_OpenGlQuads(benchmark::State& s) {
  run(s, &ReferenceFrames::quads, "opengl-quads");
}
void BM_OpenGlMeshes(benchmark::State& s) {
  run(s, &ReferenceFrames::meshes, "opengl-meshes");
}
void BM_FillRate(benchmark::State& s) {
  run(s, &ReferenceFrames::fill, "fill-rate");
}

BENCHMARK(BM_DeviceEmptyFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenGlEmptyFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DeviceQuads)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenGlQuads)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DeviceMeshes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenGlMeshes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FillRate)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps each benchmark's time per frame, for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      // The median of the repetitions, or the one run when there are none.
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if ((median || run.run_type == Run::RT_Iteration) && run.iterations > 0) {
        std::string name = run.benchmark_name();
        name = name.substr(0, name.find('/'));
        if (median || !seconds.count(name)) {
          seconds[name] = run.real_accumulated_time / double(run.iterations);
        }
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
  // The software renderer allocates per draw; a heap that never shrinks keeps the kernel's page
  // faults out of both sides' figures.
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  mallopt(M_TOP_PAD, 64 << 20);
  std::vector<char*> args(argv, argv + argc);
  std::string repetitions = "--benchmark_repetitions=5";
  std::string aggregates = "--benchmark_report_aggregates_only=true";
  args.insert(args.begin() + 1, {repetitions.data(), aggregates.data()});
  int count = int(args.size());
  benchmark::Initialize(&count, args.data());
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto& t = reporter.seconds;
  auto ratio = [&](const char* what, const char* device, const char* gl, int draws) {
    if (!t.count(device) || !t.count(gl) || !t.count("BM_DeviceEmptyFrame") ||
        !t.count("BM_OpenGlEmptyFrame")) {
      return;
    }
    double ours = t[device] - t["BM_DeviceEmptyFrame"];
    double plain = t[gl] - t["BM_OpenGlEmptyFrame"];
    std::printf("%-28s device %.2f ms, OpenGL %.2f ms: %.2f times (%+.2f us a draw)\n", what,
                ours * 1e3, plain * 1e3, ours / plain, (ours - plain) / draws * 1e6);
  };
  std::printf("\nThe draws alone, a frame with no draws taken off:\n");
  ratio("800 textured quads", "BM_DeviceQuads", "BM_OpenGlQuads", kQuads);
  ratio("400 lit meshes", "BM_DeviceMeshes", "BM_OpenGlMeshes", kMeshes);
  if (t.count("BM_FillRate") && t.count("BM_OpenGlEmptyFrame")) {
    const double pixels = double(kFillQuads) * kWidth * kHeight;
    const double rate = pixels / (t["BM_FillRate"] - t["BM_OpenGlEmptyFrame"]);
    std::printf("fill rate (textured, blended): %.0f Mpixels/s\nfill-rate-pixels-per-second %.0f\n",
                rate / 1e6, rate);
  }
  benchmark::Shutdown();
  return 0;
}
