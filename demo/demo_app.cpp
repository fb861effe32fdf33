#include "demo/demo_app.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/timer.h"
#include "assets/texture.h"
#include "assets/tvk_scene.h"
#include "audio/music_stream.h"
#include "effects/effect.h"
#include "effects/flock.h"
#include "effects/heightmap_terrain.h"
#include "effects/pillar_field_effect.h"
#include "effects/spinning_squares_effect.h"
#include "effects/tube_effect.h"
#include "effects/waving_grid.h"
#include "platform/d3d9_state.h"
#include "platform/d3dx_math.h"
#include "platform/random.h"
#include "platform/window_system.h"
#include "render/bitmap_font.h"
#include "render/quad_layer.h"
#include "render/render_target.h"
#include "video/video_texture.h"

namespace korvel {

int DemoApp::timelineState = 0;

namespace {

constexpr float kBeatPeriod = 0.42857754f;  // the float 0x3EDB6E84
constexpr float kPi = 3.14159274f;

// Texture coordinates of a 1 x 1 layer's corners, in its vertex order.
const Point2i cornerUVs[4] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};

D3DCOLOR argb(int a, int r, int g, int b) {
  return D3DCOLOR((a & 0xFF) << 24 | (r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF));
}

// An alpha computed from a float: truncated towards zero, then its low 8 bits.
int alphaOf(float value) {
  return int(value) & 0xFF;
}

template <class T>
void deleteAndClear(T*& pointer) {
  delete pointer;
  pointer = nullptr;
}

template <class T>
void releaseAndClear(T*& pointer) {
  if (pointer) {
    pointer->Release();
    pointer = nullptr;
  }
}

}  // namespace

DemoApp::DemoApp()
    : eyePt(0, 0, 0), lookAtPt(0, 0, 0), upVec(0, 0, 0), lightPos(0, 0, 0), lightAt(0, 0, 0) {}

bool DemoApp::dataMissing() {
  if (std::filesystem::is_directory("data")) {
    return false;
  }
  std::string where = std::filesystem::current_path().string();
  std::string text = "The demo's data/ folder is missing in " + where +
                     ".\nRun make in the source folder: it generates build/data/. Then run "
                     "korvel from build/ (make run does both).";
  std::fprintf(stderr, "korvel: %s\n", text.c_str());
  platform::windowSystem().messageBox(hwnd, text.c_str(), "ERROR", MB_ICONERROR);
  return true;
}

int DemoApp::init() {
  if (dataMissing()) {
    endWithFailure();
    return 0;
  }
  // 1. The device: nothing can be shown without it.
  if (!createDevice(getWidth(), getHeight(), fullscreen, 1)) {
    std::fprintf(stderr, "korvel: no Direct3D device (OpenGL 3.3) could be created\n");
    endWithFailure();
    return 0;
  }
  // 2. Music.
  music = new MusicStream;
  music->init();
  music->loadStream("data/korvel.mp3");
  music->initSpectrum(1024);
  spectrum = nullptr;
  // 3. Font.
  font = new BitmapFont;
  font->setColourKey(&device, 0xFF000000);
  font->setGlyphsPerRow(16);
  font->setCellWidth(16);
  font->setCellHeight(16);
  font->setScale(Vec2(1.0f, 0.5f));
  font->load(&device, "data/arial.bmp");
  // 4. The one loading frame.
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  IDirect3DSurface9* surface = nullptr;
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface);
  char buf[128];
  std::snprintf(buf, sizeof buf, "QUE SECA...");
  font->setText(buf);
  font->setPosition(Vec2(float(getWidth()) * 0.5f - 56, float(getHeight()) * 0.5f - 8));
  font->drawText(&device, &surface);
  releaseAndClear(surface);
  device->EndScene();
  present();
  // 5. Models: slots 0, 2 and 4.
  modelCount = 5;
  models = new TvkScene[5];
  models[0].load(device, "data/models/tolvan.tvk", 6.0f);
  models[2].load(device, "data/models/spike4.tvk", 3.0f);
  models[4].load(device, "data/models/cuber.tvk", 0.95f);
  // 6. The render target (the pass that would fill it changes nothing visible: left out).
  sceneTexture = new RenderTarget;
  sceneTexture->create(device, 256, 256);
  // 7. The cel-shading ramp.
  const double shades[32] = {0,   0,   0, 0, 0, 0, 0.2, 0.2, 0.2, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5,
                             0.5, 0.5, 1, 1, 1, 1, 1,   1,   1,   1,   1,   1,   1,   1,   1,   1};
  uint8_t celShades[32];
  for (int i = 0; i < 32; ++i) {
    celShades[i] = uint8_t(shades[i] * 255);
  }
  shadeRamp = new Texture;
  shadeRamp->createTexture(device, 32, 1);
  shadeRamp->fill(celShades, 1);
  shadeRamp->unlock(0);
  // 8 to 10. Textures.
  mapTexture = new Texture;
  mapTexture->loadTexture(device, "data/map.tga");
  velmiraTexture = new Texture;
  velmiraTexture->loadFromFile(device, "data/velmira.tga");
  D3DXCreateTextureFromFileA(device, "data/darkenv2.tga", &darkEnv2Texture);
  // 11. Shader files.
  for (auto [path, target] : {std::pair{"data/shaders/simple_mesh.fx", &simpleMeshFx},
                              std::pair{"data/shaders/cartooner.fx", &cartoonerFx}}) {
    ID3DXBuffer* errors = nullptr;
    if (FAILED(D3DXCreateEffectFromFileA(device, path, nullptr, nullptr, 0, nullptr, target,
                                         &errors))) {
      std::string text = errors ? static_cast<const char*>(errors->GetBufferPointer())
                                : std::string(path) + ": cannot be read";
      platform::windowSystem().messageBox(hwnd, text.c_str(), "Fx Compile Error", MB_ICONWARNING);
    }
    releaseAndClear(errors);
  }
  // 12. The film.
  video = new VideoTexture;
  video->init(device, "data/v2.avi");
  video->setColour(0xFFFFFFFF);
  videoFrame = 0;
  // 13, 14. Layers.
  layerQuad = new QuadLayer;
  layerQuad->build(device, Vec3(0, 0, 0), 50.0f, 50.0f, 1.0f, 1.0f, 0xFFFFFFFF);
  layerQuad->setTexture("data/darkenv1.tga");
  blankQuad = new QuadLayer;
  blankQuad->build(device, Vec3(0, 0, 0), 16.0f, 16.0f, 16.0f, 16.0f, 0xFFFFFFFF);
  blankQuad->setTexture(nullptr);
  // 15 to 21. Effects, flock, fish, floor.
  pillarEffect = new PillarFieldEffect;
  pillarEffect->init(device);
  pillarEffect->setTimes({0.0f, 5.0f});
  tubeEffect = new TubeEffect;
  tubeEffect->init(device);
  tubeEffect->setTimes({0.0f, 100.0f});
  backgroundGrid = new WavingGrid;
  backgroundGrid->setViewSize(20, 20);
  backgroundGrid->build(device, -10, -13, 11, 12);
  backgroundGrid->loadTexture("data/bgrnd1b.tga");
  flock = new Flock;
  flock->create(400, 1);
  fishModel = new TvkScene;
  fishModel->load(device, "data/models/fish1.tvk", 6.0f);
  terrain = new HeightmapTerrain;
  terrain->setHeightScale(220.0f);
  terrain->setSpacing(16.0f);
  terrain->setHeightOffset(-300.0f);
  terrain->build(device, "data/heightmap.tga");
  squaresEffect = new SpinningSquaresEffect;
  squaresEffect->init(device);
  squaresEffect->setTimes({0.0f, 25.0f});
  // 22. The list the beat's variant picks from.
  effects = new EffectList(device);
  effects->add(pillarEffect);
  effects->add(tubeEffect);
  effects->add(tubeEffect);
  effects->add(squaresEffect);
  // 23 to 28.
  beatVariant = 0;
  beatPulse = 0;
  beatSpread = 1.0f;
  beatFlash = 0;
  timer = new Timer;
  prerollPos = 0;
  prerollStep = float(video->frameCount()) / 27.995998f;
  sinceBeat = 0;
  lastBeat = timer->getElapsed();
  srand(13101979);
  timelineState = 0;
  return 0;
}

void DemoApp::shutdownMusic() {
  if (music) {
    music->shutdown();
  }
}

int DemoApp::shutdown() {
  deleteAndClear(font);
  deleteAndClear(music);
  deleteAndClear(layerQuad);
  deleteAndClear(blankQuad);
  if (effects) {
    effects->releaseAll();
    deleteAndClear(effects);
  }
  for (Effect* e : {static_cast<Effect*>(tubeEffect), static_cast<Effect*>(pillarEffect),
                    static_cast<Effect*>(squaresEffect)}) {
    if (e) {
      e->release();
    }
  }
  deleteAndClear(tubeEffect);
  deleteAndClear(pillarEffect);
  deleteAndClear(squaresEffect);
  if (backgroundGrid) {
    backgroundGrid->releaseBuffers();
    deleteAndClear(backgroundGrid);
  }
  if (fishModel) {
    fishModel->release();
    deleteAndClear(fishModel);
  }
  if (flock) {
    flock->release();
    deleteAndClear(flock);
  }
  if (terrain) {
    terrain->release();
    deleteAndClear(terrain);
  }
  deleteAndClear(video);
  for (Texture** t : {&shadeRamp, &mapTexture, &velmiraTexture}) {
    if (*t) {
      (*t)->releaseImage();
    }
  }
  deleteAndClear(shadeRamp);
  deleteAndClear(mapTexture);
  deleteAndClear(velmiraTexture);
  releaseAndClear(darkEnv2Texture);
  releaseAndClear(simpleMeshFx);
  releaseAndClear(cartoonerFx);
  if (sceneTexture) {
    sceneTexture->release();
    deleteAndClear(sceneTexture);
  }
  if (models) {
    for (int i = 0; i < modelCount; ++i) {
      if (models[i].isLoaded()) {
        models[i].release();
      }
    }
    delete[] models;
    models = nullptr;
  }
  deleteAndClear(timer);
  releaseAndClear(device);
  releaseAndClear(d3d);
  return 0;
}

// ---- The timeline ----------------------------------------------------------------------------

int DemoApp::frame() {
  report_ = FrameReport{};
  if (!device || !timer) {
    return 0;  // set-up failed; the loop is ending
  }
  if (timelineState == 0) {
    prerollFrame();
  } else {
    playingFrame();
  }
  return 0;
}

void DemoApp::prerollFrame() {
  const int n = video ? video->frameCount() : 0;
  report_.filmFrame = videoFrame;
  if (videoFrame >= n) {
    music->play();
    timelineState = 1;
    return;
  }
  report_.drew = true;
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  prerollPos = prerollStep * 0.1f + prerollPos;
  videoFrame = int(prerollPos - float(n - 1));
  report_.filmFrame = videoFrame;
  video->drawFrame(device, videoFrame);
  device->EndScene();
  present();
}

void DemoApp::drawn(int window) {
  report_.windows[size_t(report_.windowCount++)] = window;
}

void DemoApp::playingFrame() {
  report_.playing = report_.drew = true;
  timer->update();
  const float t = timer->getElapsed();
  report_.t = t;
  spectrum = music->getSpectrum();
  bassLevel = spectrum[0];

  sinceBeat = t - lastBeat;
  if (sinceBeat >= kBeatPeriod) {
    beatVariant = rand() % 4;
    beatPulse = beatSpread = beatFlash = 1.0f;
    lastBeat = t;
    report_.beat = true;
  }
  beatPulse *= 0.8f;
  beatFlash *= 0.9f;
  beatSpread *= 0.92f;

  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  auto in = [t](float a, float b) { return a <= t && t < b; };

  if (in(64.5f, 82.0f)) {  // 1
    underseaScene(t);
    drawn(1);
  }
  if (in(0.0f, 64.0f)) {  // 2
    celScene(t, 2);
    drawn(2);
  }
  // 3: the light the scenes after it (and the next frame's cel scene) see.
  lightPos =
      Vec3(300 * std::sin(0.5f * t), 100 * std::cos(90 - 1.5f * t), 300 * std::cos(1.5f * t));
  lightAt = Vec3(0, 0, -1);
  if (in(0.0f, 41.0f)) {  // 4
    if (beatVariant == 1) {
      pulseScene(t, 4);
    } else if (beatVariant == 2) {
      phongScene(t, 0);
    }
    drawn(4);
  }
  if (in(82.0f, 100.0f)) {  // 5
    if (beatVariant == 1) {
      phongScene(t, 0);
    } else if (beatVariant == 3) {
      celScene(t, 2);
    }
    drawn(5);
  }
  if (in(92.0f, 125.0f)) {  // 6
    if (beatVariant == 0) {
      device->SetTexture(0, nullptr);
      blankQuad->setColour(0xFFFFFFFF);
      blankQuad->draw2D(device);
      celScene(t, 2);
    } else if (beatVariant == 1) {
      pulseScene(-t, 0);
    } else if (beatVariant == 2) {
      phongScene(-t, 4);
    }
    drawn(6);
  }
  if (in(56.0f, 63.0f)) {  // 7
    backgroundGrid->bindTexture(0);
    backgroundGrid->setColour(argb(alphaOf(255 - 255 * beatFlash), 255, 255, 255));
    backgroundGrid->setBlend(D3DBLEND_SRCALPHA, D3DBLEND_ONE);
    backgroundGrid->render(-0.1f * t, 0, t, true);
    drawn(7);
  }
  if (in(82.0f, 100.0f)) {  // 8
    effects->render(beatVariant, t);
    drawn(8);
  }
  if (in(100.0f, 125.0f)) {  // 9
    tubeEffect->render(t);
    drawn(9);
  }
  if (in(45.0f, 60.0f)) {  // 10
    squaresEffect->render(t);
    squaresEffect->render(t + 0.25f * beatPulse);
    drawn(10);
  }
  if (in(37.0f, 60.0f)) {  // 11
    stackedLayers();
    drawn(11);
  }
  if (in(106.0f, 120.0f)) {  // 12
    stackedLayers();
    drawn(12);
  }
  if (in(0.0f, 54.75f)) {  // 13
    flashOverlay(argb(alphaOf(255 * beatFlash), 255, 255, 255));
    drawn(13);
  }
  if (in(63.0f, 82.0f)) {  // 14
    flashOverlay(argb(alphaOf(255 * beatFlash), 0, 0, 0));
    drawn(14);
  }
  if (in(85.5f, 130.0f)) {  // 15
    flashOverlay(argb(alphaOf(255 * beatFlash), 255, 255, 255));
    drawn(15);
  }
  device->EndScene();
  present();
  if (t > 125.0f) {
    running = 0;
  }
}

void DemoApp::stackedLayers() {
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  const Point2i triCoords[4] = {{1, -1}, {1, 1}, {-1, -1}, {-1, 1}};
  const int layers = 8;
  float alpha = 64.0f;
  const float alphaStep = 64.0f / float(layers);
  float offset = 0.0f;
  const float offsetStep = 0.5f;
  for (int i = 0; i < layers; ++i) {
    layerQuad->setColour(argb(alphaOf(alpha - 100 * bassLevel), 255, 255, 255));
    if (QuadVertex* v = layerQuad->lock()) {
      for (int j = 0; j < 4; ++j) {
        v[j].u += float(triCoords[j].x) * offset;
        v[j].v += float(triCoords[j].y) * offset;
      }
      layerQuad->unlock();
    }
    layerQuad->draw3D(device, Vec3(0, 0, 100 - float(i) * beatSpread * 40), 1);
    alpha -= alphaStep;
    offset += offsetStep;
  }
  if (QuadVertex* v = layerQuad->lock()) {
    for (int j = 0; j < 4; ++j) {
      v[j].u = float(cornerUVs[j].x);
      v[j].v = float(cornerUVs[j].y);
    }
    layerQuad->unlock();
  }
}

void DemoApp::flashOverlay(D3DCOLOR colour) {
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTexture(0, nullptr);
  layerQuad->setColour(colour);
  layerQuad->draw2D(device);
}

// ---- Mesh scenes ----------------------------------------------------------------------------

namespace {

int drawWithFx(ID3DXEffect* fx, TvkScene& model, IDirect3DDevice9* device) {
  UINT passes = 0;
  fx->Begin(&passes, 0);
  for (UINT i = 0; i < passes; ++i) {
    fx->Pass(i);
    model.draw(device);
  }
  return fx->End();
}

}  // namespace

int DemoApp::phongScene(float t, int model) {
  if (!simpleMeshFx) {
    return 0;
  }
  simpleMeshFx->SetTechnique("TechniquePhongModel");
  setupPhong(t);
  return drawWithFx(simpleMeshFx, models[model], device);
}

int DemoApp::celScene(float t, int model) {
  lightPos = Vec3(-100, 50, 300);
  if (!cartoonerFx) {
    return 0;
  }
  cartoonerFx->SetTechnique("TechniqueCelShading1");
  setupCel(t);
  return drawWithFx(cartoonerFx, models[model], device);
}

int DemoApp::pulseScene(float t, int model) {
  if (!simpleMeshFx) {
    return 0;
  }
  simpleMeshFx->SetTechnique("TechniquePhongModel");
  setupPulse(t);
  return drawWithFx(simpleMeshFx, models[model], device);
}

void DemoApp::setupPhong(float t) {
  Mat4 rot, identity, scale, temp;
  D3DXMatrixRotationYawPitchRoll(&rot, t / 8, t / 8, t / 8);
  D3DXMatrixIdentity(&identity);
  D3DXMatrixScaling(&scale, 1, 1, 1);
  D3DXMatrixMultiply(&temp, &rot, &identity);
  D3DXMatrixMultiply(&world, &temp, &scale);
  eyePt = Vec3(350 * std::cos(t / 4), 800 * std::sin(t / 4), 5);
  lookAtPt = Vec3(0, 0, 1);
  upVec = Vec3(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eyePt, &lookAtPt, &upVec);
  D3DXMatrixPerspectiveFovLH(&proj, models[0].camera.getFieldOfView(), 1.0f, 0.1f, 2000.0f);
  Mat4 viewProject = view * proj, wvp = world * view * proj, inverse;
  ID3DXEffect* fx = simpleMeshFx;
  fx->SetMatrix("World", &world);
  fx->SetMatrix("View", &view);
  fx->SetMatrix("Proj", &proj);
  fx->SetMatrix("ViewProj", &viewProject);
  fx->SetMatrix("WVP", &wvp);
  D3DXMatrixInverse(&inverse, nullptr, &wvp);
  fx->SetMatrix("InvWVP", &inverse);
  D3DXMatrixInverse(&inverse, nullptr, &world);
  fx->SetMatrix("InvWorld", &inverse);
  Mat4 viewInverse;
  D3DXMatrixInverse(&viewInverse, nullptr, &view);
  D3DXVECTOR4 eye(viewInverse._41, viewInverse._42, viewInverse._43, 1);
  fx->SetVector("eyeVec", &eye);
  D3DXVECTOR4 light(lightPos.x, lightPos.y, lightPos.z, 1);
  fx->SetVector("lightVec", &light);
  fx->SetTexture("BaseTexture", darkEnv2Texture);
  fx->SetTexture("SphereMapTexture", mapTexture->d3dTexture());
  fx->SetFloat("fTime", t);
}

void DemoApp::setupCel(float t) {
  Mat4 rot, scale;
  D3DXMatrixRotationYawPitchRoll(&rot, t / 2, t / 2, t / 2);
  D3DXMatrixScaling(&scale, 1, 1 + 3 * beatPulse, 1);
  D3DXMatrixMultiply(&world, &rot, &scale);
  eyePt = Vec3(250 * std::cos(t / 2), 250 * std::sin(3.5f * t), -10);
  lookAtPt = Vec3(0, 0, 1);
  upVec = Vec3(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eyePt, &lookAtPt, &upVec);
  D3DXMatrixPerspectiveFovLH(&proj, 1.5707964f, 1.0f, 0.1f, 2000.0f);
  Mat4 worldView = world * view, wv, wvp = world * view * proj, transposed;
  D3DXMatrixTranspose(&wv, &worldView);
  ID3DXEffect* fx = cartoonerFx;
  fx->SetMatrix("World", &world);
  fx->SetMatrix("View", &view);
  fx->SetMatrix("Proj", &proj);
  fx->SetMatrix("WorldView", &wv);
  fx->SetMatrix("WVP", &wvp);
  D3DXMatrixTranspose(&transposed, &wvp);
  fx->SetMatrix("InvWVP", &transposed);
  D3DXMatrixTranspose(&transposed, &world);
  fx->SetMatrix("InvWorld", &transposed);
  D3DXMatrixTranspose(&transposed, &view);
  fx->SetMatrix("InvView", &transposed);
  fx->SetFloatArray("eyeVec", &eyePt.x, 3);
  fx->SetFloat("fTime", t);
  Vec3 lightDir = lightAt - lightPos;
  lightDir.normalize();
  D3DXVECTOR4 light(lightDir.x, lightDir.y, lightDir.z, 0);
  fx->SetVector("lightVec", &light);
  fx->SetTexture("ShadesTexture", shadeRamp->d3dTexture());
  fx->SetTexture("BorderTexture", mapTexture->d3dTexture());
}

void DemoApp::setupPulse(float t) {
  Mat4 rot, scale;
  D3DXMatrixRotationYawPitchRoll(&rot, t / 4, t / 4, 0.2f * t);
  D3DXMatrixScaling(&scale, 1, 1 - 0.5f * beatPulse, 1);
  D3DXMatrixMultiply(&world, &rot, &scale);
  eyePt = Vec3(290 * std::cos(t / 4), 0, 290 * std::sin(t / 4));
  lookAtPt = Vec3(0, 0, 1);
  upVec = Vec3(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eyePt, &lookAtPt, &upVec);
  D3DXMatrixPerspectiveFovLH(&proj, 0.9f * models[0].camera.getFieldOfView(), 1.0f, 1.0f, 2000.0f);
  lightPos = Vec3(3 * std::sin(-t / 2), std::cos(1.5f * t), -3 * std::cos(t / 2));
  Mat4 wvp = world * view * proj, transposed;
  ID3DXEffect* fx = simpleMeshFx;
  fx->SetMatrix("World", &world);
  fx->SetMatrix("View", &view);
  fx->SetMatrix("Proj", &proj);
  fx->SetMatrix("WVP", &wvp);
  D3DXMatrixTranspose(&transposed, &wvp);
  fx->SetMatrix("InvWVP", &transposed);
  D3DXMatrixTranspose(&transposed, &world);
  fx->SetMatrix("InvWorld", &transposed);
  fx->SetFloatArray("eyeVec", &eyePt.x, 3);
  Vec3 lightDir = lightAt - lightPos;
  lightDir.normalize();
  D3DXVECTOR4 light(-lightDir.x, -lightDir.y, -lightDir.z, 0);
  fx->SetVector("lightVec", &light);
  fx->SetTexture("BaseTexture", velmiraTexture->d3dTexture());
  fx->SetTexture("SphereMapTexture", mapTexture->d3dTexture());
}

// ---- The undersea scene ---------------------------------------------------------------------

void DemoApp::underseaScene(float t) {
  flock->update(timer->getFrameTime());
  Vec3 centre(0, 0, 0);
  for (unsigned i = 0; i < flock->boidCount; ++i) {
    centre += flock->boids[i].position;
  }
  Vec3 lookAt = centre / float(flock->boidCount);
  Vec3 eye = lookAt + Vec3(std::sin(0.3111f * t), 0.75f * std::sin(0.163f * t) + 0.7f,
                           std::cos(0.3155f * t)) *
                          140.0f;
  eye.y = 20 - eye.y;
  Vec3 up(0, 1, 0);
  Mat4 matView, matProj, shrink;
  D3DXMatrixLookAtLH(&matView, &eye, &lookAt, &up);
  device->SetTransform(D3DTS_VIEW, &matView);
  D3DXMatrixPerspectiveFovLH(&matProj, 1.5707964f, 1.3333334f, 1.0f, 4000.0f);
  device->SetTransform(D3DTS_PROJECTION, &matProj);
  flock->goal = Vec3(200 * std::sin(0.1f * t), 20, 200 * std::cos(0.125f * t));
  device->SetRenderState(D3DRS_FOGENABLE, TRUE);
  device->SetRenderState(D3DRS_FOGCOLOR, 0x80606680);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x80606680, 1.0f, 0);
  device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP2);
  device->SetRenderState(D3DRS_FOGDENSITY, platform::floatBits(0.001f * std::sin(2 * t) + 0.003f));
  terrain->render(t);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetTexture(0, nullptr);
  D3DXMatrixScaling(&shrink, 0.035f, 0.035f, 0.035f);
  for (unsigned i = 0; i < flock->boidCount; ++i) {
    device->SetTransform(D3DTS_WORLD, &flock->boids[i].world);
    device->MultiplyTransform(D3DTS_WORLD, &shrink);
    fishModel->draw(device);
  }
  device->SetRenderState(D3DRS_FOGENABLE, FALSE);
}

}  // namespace korvel
