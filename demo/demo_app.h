// The application: owns everything the demo shows, loads it in a fixed order behind one
// loading frame, runs the timeline (a frame-paced pre-roll with the film, then the time windows
// of the scenes, synced to a beat clock and the music's bass), and releases it all again.
#pragma once

#include <array>

#include "app/vantor_d3d.h"
#include "platform/d3dx.h"
#include "render/math.h"

namespace korvel {

class BitmapFont;
class MusicStream;
class Timer;
class RenderTarget;
class QuadLayer;
class TvkScene;
class Texture;
class VideoTexture;
class SpinningSquaresEffect;
class PillarFieldEffect;
class TubeEffect;
class WavingGrid;
class Flock;
class HeightmapTerrain;
class EffectList;

// What the last pass of the loop did, for tools that trace the timeline.
struct FrameReport {
  bool playing = false;
  bool drew = false;  // false on the pass that starts the music
  float t = 0;        // the timeline time it used (playing only)
  int filmFrame = 0;  // the pre-roll's frame index (pre-roll only)
  bool beat = false;
  std::array<int, 15> windows{};  // numbers of the windows drawn, in order
  int windowCount = 0;
};

class DemoApp : public VantorD3D {
 public:
  DemoApp();
  ~DemoApp() override = default;

  int init() override;
  int frame() override;
  int shutdown() override;
  void shutdownMusic() override;

  int phongScene(float t, int model);
  int celScene(float t, int model);
  int pulseScene(float t, int model);
  void setupPhong(float t);
  void setupCel(float t);
  void setupPulse(float t);
  void underseaScene(float t);

  const FrameReport& lastFrame() const { return report_; }
  IDirect3DDevice9* getDevice() const { return device; }

  // 0 in the pre-roll, 1 once the music plays.
  static int timelineState;

  BitmapFont* font = nullptr;
  const float* spectrum = nullptr;
  MusicStream* music = nullptr;
  float bassLevel = 0;
  Timer* timer = nullptr;
  ID3DXEffect* simpleMeshFx = nullptr;
  ID3DXEffect* cartoonerFx = nullptr;
  IDirect3DTexture9* darkEnv2Texture = nullptr;
  RenderTarget* sceneTexture = nullptr;
  Mat4 world, view, proj;
  Vec3 eyePt, lookAtPt, upVec;
  Vec3 lightPos, lightAt;
  QuadLayer* layerQuad = nullptr;
  QuadLayer* blankQuad = nullptr;
  int modelCount = 0;
  TvkScene* models = nullptr;
  float beatPulse = 0, beatFlash = 0, beatSpread = 0;
  int beatVariant = 0;
  Texture* shadeRamp = nullptr;
  VideoTexture* video = nullptr;
  int videoFrame = 0;
  float sinceBeat = 0, lastBeat = 0;
  SpinningSquaresEffect* squaresEffect = nullptr;
  PillarFieldEffect* pillarEffect = nullptr;
  TubeEffect* tubeEffect = nullptr;
  WavingGrid* backgroundGrid = nullptr;
  Flock* flock = nullptr;
  TvkScene* fishModel = nullptr;
  HeightmapTerrain* terrain = nullptr;
  Texture* mapTexture = nullptr;
  Texture* velmiraTexture = nullptr;
  EffectList* effects = nullptr;
  float prerollPos = 0, prerollStep = 0;

 private:
  void prerollFrame();
  void playingFrame();
  void stackedLayers();
  void flashOverlay(D3DCOLOR colour);
  void drawn(int window);
  // True, after telling the user how to get it, when data/ is missing.
  bool dataMissing();

  FrameReport report_;
};

}  // namespace korvel
