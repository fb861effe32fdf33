// Pictures drawn by the OpenGL device (headless, Mesa's software renderer) against Direct3D 9's
// formulas, within a step or two of 8-bit colour.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/d3d9_state.h"
#include "platform/d3dx_math.h"
#include "platform/gl_fixed_function.h"
#include "support/headless_device.h"

namespace korvel {
namespace {

using platform::floatBits;
using testing::channel;
using testing::ColorVertex;
using testing::HeadlessDevice;
using testing::LitVertex;
using testing::quadCorners;

D3DCOLOR rgba(float r, float g, float b, float a) {
  auto byte = [](float v) {
    return unsigned(std::lround(std::fmin(1.0f, std::fmax(0.0f, v)) * 255));
  };
  return D3DCOLOR_ARGB(byte(a), byte(r), byte(g), byte(b));
}

std::string hex(D3DCOLOR c) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", c);
  return text;
}

#define EXPECT_COLOR(actual, expected)         \
  EXPECT_TRUE(testing::near(actual, expected)) \
      << "got " << hex(actual) << ", want " << hex(expected)

class GlDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dev) << "no headless OpenGL device";
    dev.identityTransforms();
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  }
  void fullQuad(D3DCOLOR color, float z = 0.5f) {
    ColorVertex q[4];
    quadCorners(q, -1, 1, 1, -1, z, color);
    dev.drawQuad(q);
  }
  void fullLitQuad(D3DCOLOR color, float z = 0.5f, Vec3 normal = Vec3(0, 0, -1)) {
    LitVertex q[4];
    quadCorners(q, -1, 1, 1, -1, z, color, normal.x, normal.y, normal.z);
    dev.drawQuad(q);
  }
  D3DCOLOR centre() { return dev.pixel(dev.width / 2, dev.height / 2); }

  HeadlessDevice dev;
};

TEST_F(GlDeviceTest, StartsWithDirect3DDefaults) {
  HeadlessDevice fresh;
  struct {
    D3DRENDERSTATETYPE state;
    DWORD value;
  } states[] = {
      {D3DRS_ZENABLE, D3DZB_TRUE},
      {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
      {D3DRS_ZWRITEENABLE, TRUE},
      {D3DRS_CULLMODE, D3DCULL_CCW},
      {D3DRS_LIGHTING, TRUE},
      {D3DRS_AMBIENT, 0},
      {D3DRS_COLORVERTEX, TRUE},
      {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
      {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
      {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
      {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
      {D3DRS_SPECULARENABLE, FALSE},
      {D3DRS_NORMALIZENORMALS, FALSE},
      {D3DRS_LOCALVIEWER, TRUE},
      {D3DRS_FOGENABLE, FALSE},
      {D3DRS_FOGTABLEMODE, D3DFOG_NONE},
      {D3DRS_FOGVERTEXMODE, D3DFOG_NONE},
      {D3DRS_FOGSTART, floatBits(0)},
      {D3DRS_FOGEND, floatBits(1)},
      {D3DRS_FOGDENSITY, floatBits(1)},
      {D3DRS_FOGCOLOR, 0},
      {D3DRS_ALPHABLENDENABLE, FALSE},
      {D3DRS_SRCBLEND, D3DBLEND_ONE},
      {D3DRS_DESTBLEND, D3DBLEND_ZERO},
      {D3DRS_ALPHATESTENABLE, FALSE},
  };
  for (const auto& s : states) {
    DWORD value = 0xFFFFFFFF;
    fresh->GetRenderState(s.state, &value);
    EXPECT_EQ(value, s.value) << "render state " << s.state;
  }
  struct {
    DWORD stage;
    D3DTEXTURESTAGESTATETYPE type;
    DWORD value;
  } stages[] = {
      {0, D3DTSS_COLOROP, D3DTOP_MODULATE}, {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
      {0, D3DTSS_COLORARG2, D3DTA_CURRENT}, {0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1},
      {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE}, {0, D3DTSS_ALPHAARG2, D3DTA_CURRENT},
      {1, D3DTSS_COLOROP, D3DTOP_DISABLE},  {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
  };
  for (const auto& s : stages) {
    DWORD value = 0xFFFFFFFF;
    fresh->GetTextureStageState(s.stage, s.type, &value);
    EXPECT_EQ(value, s.value) << "stage " << s.stage << " state " << s.type;
  }
  DWORD value = 0;
  fresh->GetSamplerState(0, D3DSAMP_MINFILTER, &value);
  EXPECT_EQ(value, D3DTEXF_POINT);
  fresh->GetSamplerState(0, D3DSAMP_MIPFILTER, &value);
  EXPECT_EQ(value, D3DTEXF_NONE);
  fresh->GetSamplerState(0, D3DSAMP_ADDRESSU, &value);
  EXPECT_EQ(value, D3DTADDRESS_WRAP);
  D3DMATERIAL9 material;
  fresh->GetMaterial(&material);
  EXPECT_EQ(material.Diffuse.r, 0.0f);
  EXPECT_EQ(material.Ambient.a, 0.0f);
  BOOL enabled = TRUE;
  EXPECT_TRUE(FAILED(fresh->GetLightEnable(0, &enabled)));
}

TEST_F(GlDeviceTest, ClearKeepsAlphaAndFillsTheWholeTarget) {
  dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80FF4020, 1.0f, 0);
  EXPECT_EQ(dev.pixel(0, 0), 0x80FF4020u);
  EXPECT_EQ(dev.pixel(15, 15), 0x80FF4020u);
}

TEST_F(GlDeviceTest, UnlitVerticesKeepTheirColourAndTheNullTextureRuleSelectsIt) {
  struct {
    const char* name;
    DWORD colorOp, alphaOp;
  } cases[] = {
      {"modulate texture", D3DTOP_MODULATE, D3DTOP_SELECTARG1},
      {"select texture", D3DTOP_SELECTARG1, D3DTOP_SELECTARG1},
      {"select current", D3DTOP_SELECTARG2, D3DTOP_SELECTARG2},
  };
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, c.colorOp);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, c.alphaOp);
    fullQuad(0xC0336699);
    EXPECT_COLOR(centre(), 0xC0336699u);
  }
}

TEST_F(GlDeviceTest, LightingWithoutALightLeavesAmbientAndEmissiveOnly) {
  D3DMATERIAL9 material{};
  material.Ambient = {1.0f, 0.5f, 0.25f, 1};
  material.Emissive = {0.0f, 0.0f, 0.2f, 1};
  dev->SetMaterial(&material);
  struct {
    const char* name;
    D3DCOLOR ambient;
    D3DCOLOR expected;
  } cases[] = {
      {"defaults: black, vertex alpha kept", 0, rgba(0, 0, 0.2f, 0x80 / 255.0f)},
      {"global ambient", 0xFF808080,
       rgba(128 / 255.0f, 0.5f * 128 / 255.0f, 0.25f * 128 / 255.0f + 0.2f, 0x80 / 255.0f)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dev->SetRenderState(D3DRS_AMBIENT, c.ambient);
    fullLitQuad(0x80FFFFFF);
    EXPECT_COLOR(centre(), c.expected);
  }
}

TEST_F(GlDeviceTest, DirectionalLightFollowsLambertWithTheMaterialSources) {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {0.8f, 0.6f, 1.0f, 1};
  // 60 degrees off the normal (0, 0, -1): N.L = 0.5.
  light.Direction = Vec3(0, -std::sin(1.0471976f), std::cos(1.0471976f));
  dev->SetLight(0, &light);
  dev->LightEnable(0, TRUE);
  D3DMATERIAL9 material{};
  material.Diffuse = {0.5f, 0.5f, 0.5f, 0.25f};
  material.Ambient = {0.0f, 1.0f, 0.0f, 1};
  material.Emissive = {0.1f, 0.0f, 0.0f, 1};
  dev->SetMaterial(&material);
  dev->SetRenderState(D3DRS_AMBIENT, 0xFF333333);
  const float amb = 0x33 / 255.0f;
  const D3DCOLOR vertex = 0xFFFF8000;  // (1, 0.5, 0, 1)
  const float vr = 1, vg = 128 / 255.0f, vb = 0;
  struct {
    const char* name;
    DWORD diffuseSource, ambientSource, emissiveSource, colorVertex;
    D3DCOLOR expected;
  } cases[] = {
      {"vertex diffuse (defaults)", D3DMCS_COLOR1, D3DMCS_MATERIAL, D3DMCS_MATERIAL, TRUE,
       rgba(vr * 0.8f * 0.5f + 0.1f, vg * 0.6f * 0.5f + amb, vb, 1)},
      {"material diffuse", D3DMCS_MATERIAL, D3DMCS_MATERIAL, D3DMCS_MATERIAL, TRUE,
       rgba(0.5f * 0.4f + 0.1f, 0.5f * 0.3f + amb, 0.5f * 0.5f, 0.25f)},
      {"vertex ambient", D3DMCS_MATERIAL, D3DMCS_COLOR1, D3DMCS_MATERIAL, TRUE,
       rgba(0.2f + vr * amb + 0.1f, 0.15f + vg * amb, 0.25f, 0.25f)},
      {"vertex emissive", D3DMCS_MATERIAL, D3DMCS_MATERIAL, D3DMCS_COLOR1, TRUE,
       rgba(0.2f + vr, 0.15f + amb + vg, 0.25f, 0.25f)},
      {"specular source has no vertex colour", D3DMCS_COLOR2, D3DMCS_MATERIAL, D3DMCS_MATERIAL,
       TRUE, rgba(0.2f + 0.1f, 0.15f + amb, 0.25f, 0.25f)},
      {"colour vertex off", D3DMCS_COLOR1, D3DMCS_COLOR1, D3DMCS_COLOR1, FALSE,
       rgba(0.2f + 0.1f, 0.15f + amb, 0.25f, 0.25f)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dev->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, c.diffuseSource);
    dev->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, c.ambientSource);
    dev->SetRenderState(D3DRS_EMISSIVEMATERIALSOURCE, c.emissiveSource);
    dev->SetRenderState(D3DRS_COLORVERTEX, c.colorVertex);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    fullLitQuad(vertex);
    EXPECT_COLOR(centre(), c.expected);
  }
}

TEST_F(GlDeviceTest, NormalsAreNotRenormalisedUnlessAsked) {
  dev->LightEnable(0, TRUE);  // never set: white, along +z
  D3DMATERIAL9 material{};
  dev->SetMaterial(&material);
  Mat4 half;
  D3DXMatrixScaling(&half, 0.5f, 0.5f, 0.5f);
  // The normal matrix of a half scale doubles the normal: N.L = 2, clamped to 1.
  dev->SetTransform(D3DTS_WORLD, &half);
  fullLitQuad(0xFF404040, 0.5f, Vec3(0, 0, -0.25f));
  EXPECT_COLOR(centre(), rgba(0x20 / 255.0f, 0x20 / 255.0f, 0x20 / 255.0f, 1));
  dev->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  fullLitQuad(0xFF404040, 0.5f, Vec3(0, 0, -0.25f));
  EXPECT_COLOR(centre(), 0xFF404040u);
}

TEST_F(GlDeviceTest, TableFogFollowsItsFormulas) {
  Mat4 projection;
  D3DXMatrixPerspectiveFovLH(&projection, 1.0f, 1.0f, 1.0f, 100.0f);
  Mat4 ortho;
  D3DXMatrixOrthoLH(&ortho, 2, 2, 0, 10);
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev->SetRenderState(D3DRS_FOGENABLE, TRUE);
  dev->SetRenderState(D3DRS_FOGCOLOR, 0xFF0000FF);
  struct {
    const char* name;
    const Mat4& projection;
    DWORD mode;
    float start, end, density, depth, f;
  } cases[] = {
      {"linear, eye depth", projection, D3DFOG_LINEAR, 2, 10, 1, 4, 6.0f / 8.0f},
      {"exp", projection, D3DFOG_EXP, 0, 1, 0.1f, 5, std::exp(-0.5f)},
      {"exp2", projection, D3DFOG_EXP2, 0, 1, 0.1f, 5, std::exp(-0.25f)},
      {"linear past the end", projection, D3DFOG_LINEAR, 2, 10, 1, 12, 0},
      {"linear, affine projection uses z", ortho, D3DFOG_LINEAR, 0, 1, 1, 2.5f, 0.75f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dev->SetTransform(D3DTS_PROJECTION, &c.projection);
    dev->SetRenderState(D3DRS_FOGTABLEMODE, c.mode);
    dev->SetRenderState(D3DRS_FOGSTART, floatBits(c.start));
    dev->SetRenderState(D3DRS_FOGEND, floatBits(c.end));
    dev->SetRenderState(D3DRS_FOGDENSITY, floatBits(c.density));
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    ColorVertex q[4];
    float s = c.depth * 4;  // wide enough to cover the view at this depth
    quadCorners(q, -s, s, s, -s, c.depth, 0x80FFFFFF);
    dev.drawQuad(q);
    // Alpha is untouched by fog.
    EXPECT_COLOR(centre(), rgba(c.f, c.f, 1, 0x80 / 255.0f));
  }
  // Enabled with both modes off: no fog.
  dev->SetTransform(D3DTS_PROJECTION, &projection);
  dev->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  ColorVertex q[4];
  quadCorners(q, -40, 40, 40, -40, 10, 0xFFFFFFFF);
  dev.drawQuad(q);
  EXPECT_COLOR(centre(), 0xFFFFFFFFu);
}

TEST_F(GlDeviceTest, BlendFactorsCombineSourceAndDestination) {
  const D3DCOLOR dest = 0x80406080, src = 0x40FF8000;
  const float d[4] = {0x40 / 255.0f, 0x60 / 255.0f, 0x80 / 255.0f, 0x80 / 255.0f};
  const float s[4] = {1, 0x80 / 255.0f, 0, 0x40 / 255.0f};
  auto blend = [&](auto sf, auto df) {
    float out[4];
    for (int i = 0; i < 4; ++i) {
      out[i] = s[i] * sf(i) + d[i] * df(i);
    }
    return rgba(out[0], out[1], out[2], out[3]);
  };
  auto one = [](int) { return 1.0f; };
  auto zero = [](int) { return 0.0f; };
  auto srcAlpha = [&](int) { return s[3]; };
  auto invSrcAlpha = [&](int) { return 1 - s[3]; };
  auto srcColor = [&](int i) { return s[i]; };
  auto invSrcColor = [&](int i) { return 1 - s[i]; };
  auto destColor = [&](int i) { return d[i]; };
  auto destAlpha = [&](int) { return d[3]; };
  struct {
    const char* name;
    DWORD src, dst;
    D3DCOLOR expected;
  } cases[] = {
      {"alpha", D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, blend(srcAlpha, invSrcAlpha)},
      {"additive", D3DBLEND_ONE, D3DBLEND_ONE, blend(one, one)},
      {"additive by alpha", D3DBLEND_SRCALPHA, D3DBLEND_ONE, blend(srcAlpha, one)},
      {"multiply", D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, blend(zero, srcColor)},
      {"dest colour", D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, blend(destColor, zero)},
      {"inverse source colour", D3DBLEND_ONE, D3DBLEND_INVSRCCOLOR, blend(one, invSrcColor)},
      {"dest alpha", D3DBLEND_DESTALPHA, D3DBLEND_ZERO, blend(destAlpha, zero)},
  };
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, dest, 1.0f, 0);
    dev->SetRenderState(D3DRS_SRCBLEND, c.src);
    dev->SetRenderState(D3DRS_DESTBLEND, c.dst);
    fullQuad(src);
    EXPECT_COLOR(centre(), c.expected);
  }
}

TEST_F(GlDeviceTest, CullModesRemoveTheWindingTheyName) {
  // Clockwise as seen: top-left, top-right, bottom-left.
  ColorVertex clockwise[3] = {{-1, 1, 0.5f, 0xFFFF0000, 0, 0},
                              {3, 1, 0.5f, 0xFFFF0000, 0, 0},
                              {-1, -3, 0.5f, 0xFFFF0000, 0, 0}};
  ColorVertex counter[3] = {clockwise[0], clockwise[2], clockwise[1]};
  struct {
    DWORD mode;
    bool clockwiseDrawn, counterDrawn;
  } cases[] = {
      {D3DCULL_CCW, true, false},
      {D3DCULL_CW, false, true},
      {D3DCULL_NONE, true, true},
  };
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev->SetFVF(0x142);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    dev->SetRenderState(D3DRS_CULLMODE, c.mode);
    for (bool cw : {true, false}) {
      dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
      dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, cw ? clockwise : counter, sizeof(ColorVertex));
      bool drawn = centre() == 0xFFFF0000;
      EXPECT_EQ(drawn, cw ? c.clockwiseDrawn : c.counterDrawn) << (cw ? "clockwise" : "counter");
    }
  }
}

TEST_F(GlDeviceTest, OddProjectionOfTheLayersIsTurnedHalfAndReversesDepth) {
  Mat4 projection;
  D3DXMatrixPerspectiveLH(&projection, 1, 1, -1, 1);
  dev->SetTransform(D3DTS_PROJECTION, &projection);
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  ColorVertex q[4];
  // Top-left in its own coordinates, at z = 2: clip (-2x, -2y) / 2 lands bottom-right.
  quadCorners(q, -2, 2, 0, 0, 2, 0xFFFF0000);
  dev.drawQuad(q);
  EXPECT_EQ(dev.pixel(12, 12), 0xFFFF0000u);
  EXPECT_EQ(dev.pixel(3, 3), 0xFF000000u);
  // Nothing nearer than z = 1 is visible.
  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  quadCorners(q, -1, 1, 1, -1, 0.5f, 0xFFFF0000);
  dev.drawQuad(q);
  EXPECT_EQ(centre(), 0xFF000000u);
  // Depth is 1 at z = 1 and falls towards 0.5 far away, so the far quad passes LESSEQUAL.
  quadCorners(q, -3, 3, 3, -3, 1.5f, 0xFF00FF00);
  dev.drawQuad(q);
  quadCorners(q, -8, 8, 8, -8, 4, 0xFF0000FF);
  dev.drawQuad(q);
  EXPECT_EQ(centre(), 0xFF0000FFu);
}

TEST_F(GlDeviceTest, TexturesModulateAndMapTexelsToPixelsOneToOne) {
  HeadlessDevice small(4, 4);
  small.identityTransforms();
  small->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  std::vector<D3DCOLOR> texels(16);
  for (int i = 0; i < 16; ++i) {
    texels[i] = D3DCOLOR_ARGB(0xFF, i * 16, 255 - i * 16, (i % 4) * 64);
  }
  IDirect3DTexture9* texture = small.makeTexture(4, 4, texels);
  small->SetTexture(0, texture);
  small->SetRenderState(D3DRS_LIGHTING, FALSE);
  ColorVertex q[4];
  quadCorners(q, -1, 1, 1, -1, 0.5f, 0xFFFFFFFF);
  small.drawQuad(q);
  for (UINT y = 0; y < 4; ++y) {
    for (UINT x = 0; x < 4; ++x) {
      EXPECT_EQ(small.pixel(x, y), texels[y * 4 + x]) << x << "," << y;
    }
  }
  quadCorners(q, -1, 1, 1, -1, 0.5f, 0x80808080);
  small.drawQuad(q);
  D3DCOLOR t = texels[5];
  auto half = [](int v) { return v * 128 / 255.0f / 255.0f; };
  EXPECT_COLOR(small.pixel(1, 1), rgba(half(channel(t, 16)), half(channel(t, 8)),
                                       half(channel(t, 0)), 1.0f));  // alpha: the texture's
  texture->Release();
}

TEST_F(GlDeviceTest, TextureStagesCombineTheirArguments) {
  const D3DCOLOR texel = 0x80604020, vertex = 0xFF204080, factor = 0x40FF0000;
  auto sum = [](D3DCOLOR a, D3DCOLOR b) {
    D3DCOLOR out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      out |= D3DCOLOR(std::min(255, channel(a, shift) + channel(b, shift))) << shift;
    }
    return out;
  };
  struct {
    const char* name;
    DWORD colorOp, colorArg1, colorArg2, alphaOp, alphaArg1, alphaArg2;
    D3DCOLOR expected;
  } cases[] = {
      {"add", D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
       D3DTA_CURRENT, (sum(texel, vertex) & 0x00FFFFFF) | 0x80000000},
      {"texture factor", D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DTOP_SELECTARG2,
       D3DTA_TEXTURE, D3DTA_TFACTOR, factor},
      {"complement", D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_CURRENT,
       D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT, 0xFF9FBFDF},
      {"alpha replicated", D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE, D3DTA_CURRENT,
       D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT, 0x80808080},
  };
  IDirect3DTexture9* texture = dev.makeTexture(1, 1, {texel});
  dev->SetTexture(0, texture);
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev->SetRenderState(D3DRS_TEXTUREFACTOR, factor);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, c.colorOp);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, c.colorArg1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, c.colorArg2);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, c.alphaOp);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, c.alphaArg1);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, c.alphaArg2);
    fullQuad(vertex);
    EXPECT_COLOR(centre(), c.expected);
  }
  // A second stage modulating by the factor; the first selects the texture.
  dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  dev->SetTexture(1, texture);
  dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
  dev->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
  dev->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TFACTOR);
  dev->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  dev->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
  fullQuad(vertex);
  EXPECT_COLOR(centre(), 0x80600000u);
  dev->SetTexture(1, nullptr);
  dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);

  // Textures without alpha read as opaque.
  IDirect3DTexture9* opaque = nullptr;
  ASSERT_EQ(dev->CreateTexture(1, 1, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &opaque, nullptr),
            D3D_OK);
  D3DLOCKED_RECT locked;
  opaque->LockRect(0, &locked, nullptr, 0);
  *static_cast<D3DCOLOR*>(locked.pBits) = 0x00336699;
  opaque->UnlockRect(0);
  dev->SetTexture(0, opaque);
  fullQuad(vertex);
  EXPECT_COLOR(centre(), 0xFF336699u);
  dev->SetTexture(0, nullptr);
  opaque->Release();
  texture->Release();
}

TEST_F(GlDeviceTest, PointAndLinearFilteringAtTexelCentres) {
  HeadlessDevice wide(8, 1);
  wide.identityTransforms();
  wide->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  IDirect3DTexture9* texture = wide.makeTexture(2, 1, {0xFF000000, 0xFFFFFFFF});
  wide->SetTexture(0, texture);
  wide->SetRenderState(D3DRS_LIGHTING, FALSE);
  wide->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  ColorVertex q[4];
  quadCorners(q, -1, 1, 1, -1, 0.5f, 0xFFFFFFFF);
  wide.drawQuad(q);
  // Point: left half black, right half white.
  EXPECT_EQ(wide.pixel(3, 0), 0xFF000000u);
  EXPECT_EQ(wide.pixel(4, 0), 0xFFFFFFFFu);
  wide->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  wide->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  wide.drawQuad(q);
  // Pixel centres sit on integer coordinates, so pixel x samples u = x / 8: pixels 2 and 6
  // fall on the two texel centres, u = 0.25 and 0.75.
  EXPECT_EQ(wide.pixel(2, 0), 0xFF000000u);
  EXPECT_EQ(wide.pixel(6, 0), 0xFFFFFFFFu);
  for (UINT x = 0; x < 8; ++x) {
    float u = x / 8.0f * 2 - 0.5f;
    float v = std::fmin(1.0f, std::fmax(0.0f, u));
    EXPECT_COLOR(wide.pixel(x, 0), rgba(v, v, v, 1)) << x;
  }
  texture->Release();
}

TEST_F(GlDeviceTest, RenderTargetTexturesAreSampledUpright) {
  IDirect3DTexture9* target = dev.makeTexture(8, 8, {}, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT);
  ASSERT_NE(target, nullptr);
  IDirect3DSurface9 *surface = nullptr, *back = nullptr;
  target->GetSurfaceLevel(0, &surface);
  dev->GetRenderTarget(0, &back);
  ASSERT_EQ(dev->SetRenderTarget(0, surface), D3D_OK);
  D3DVIEWPORT9 viewport;
  dev->GetViewport(&viewport);
  EXPECT_EQ(viewport.Width, 8u);
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
  ColorVertex q[4];
  quadCorners(q, -1, 1, 1, 0, 0.5f, 0xFFFF0000);  // top half red
  dev.drawQuad(q);

  // Its texels read back top row first.
  D3DLOCKED_RECT locked;
  ASSERT_EQ(target->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(static_cast<D3DCOLOR*>(locked.pBits)[0], 0xFFFF0000u);
  EXPECT_EQ(static_cast<D3DCOLOR*>(locked.pBits)[7 * 8], 0xFF0000FFu);
  target->UnlockRect(0);

  dev->SetRenderTarget(0, back);
  dev->GetViewport(&viewport);
  EXPECT_EQ(viewport.Width, 16u);
  dev->SetTexture(0, target);
  quadCorners(q, -1, 1, 1, -1, 0.5f, 0xFFFFFFFF);
  dev.drawQuad(q);
  EXPECT_EQ(dev.pixel(8, 2), 0xFFFF0000u);
  EXPECT_EQ(dev.pixel(8, 13), 0xFF0000FFu);
  dev->SetTexture(0, nullptr);
  surface->Release();
  back->Release();
  target->Release();
}

TEST_F(GlDeviceTest, BuffersDrawInBothFormatsIndexedAndNot) {
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  // Four quads' worth of 0x152 vertices in a buffer made with no format, as the grid does.
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(dev->CreateVertexBuffer(8 * sizeof(LitVertex), 0, 0, D3DPOOL_DEFAULT, &vb, nullptr),
            D3D_OK);
  LitVertex* v = nullptr;
  vb->Lock(0, 0, reinterpret_cast<void**>(&v), 0);
  quadCorners(v, -1, 1, 0, 0, 0.5f, 0xFFFF0000);      // top-left, red
  quadCorners(v + 4, 0, 0, 1, -1, 0.5f, 0xFF00FF00);  // bottom-right, green
  vb->Unlock();
  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(dev->CreateIndexBuffer(24, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
  uint16_t* index = nullptr;
  ib->Lock(0, 0, reinterpret_cast<void**>(&index), 0);
  const uint16_t quad[6] = {0, 1, 2, 2, 1, 3};
  std::copy(quad, quad + 6, index);
  std::copy(quad, quad + 6, index + 6);
  ib->Unlock();

  dev->SetFVF(0x152);
  dev->SetStreamSource(0, vb, 0, sizeof(LitVertex));
  dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  EXPECT_EQ(dev.pixel(4, 4), 0xFFFF0000u);
  EXPECT_EQ(dev.pixel(12, 12), 0xFF000000u);
  dev->SetIndices(ib);
  // Base vertex 4 reaches the green quad with the same indices, from the second six.
  dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 6, 2);
  EXPECT_EQ(dev.pixel(12, 12), 0xFF00FF00u);
  vb->Release();  // still bound: the device keeps it alive
  ib->Release();
  dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
  dev->SetStreamSource(0, nullptr, 0, 0);
  dev->SetIndices(nullptr);
}

TEST_F(GlDeviceTest, RenderTargetDataHoldsTheFrameAsItWasWhenAsked) {
  IDirect3DSurface9 *copies[2] = {}, *back = nullptr;
  for (auto*& copy : copies) {
    ASSERT_EQ(dev->CreateOffscreenPlainSurface(16, 16, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy,
                                               nullptr),
              D3D_OK);
  }
  IDirect3DSurface9* wrongPool = nullptr;
  EXPECT_EQ(dev->CreateOffscreenPlainSurface(16, 16, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &wrongPool,
                                             nullptr),
            D3DERR_INVALIDCALL);
  ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  // Two frames read back in turn and only then locked, as a capture does.
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  fullQuad(0xFFFF0000);
  ASSERT_EQ(dev->GetRenderTargetData(back, copies[0]), D3D_OK);
  fullQuad(0xFF0000FF);
  ASSERT_EQ(dev->GetRenderTargetData(back, copies[1]), D3D_OK);
  fullQuad(0xFF00FF00);
  const D3DCOLOR expected[2] = {0xFFFF0000, 0xFF0000FF};
  for (int i = 0; i < 2; ++i) {
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(copies[i]->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* row = static_cast<const uint32_t*>(locked.pBits) + 8 * locked.Pitch / 4;
    EXPECT_EQ(row[8] | 0xFF000000u, expected[i]) << "frame " << i;
    copies[i]->UnlockRect();
  }
  IDirect3DSurface9* small = nullptr;
  ASSERT_EQ(
      dev->CreateOffscreenPlainSurface(8, 8, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &small, nullptr),
      D3D_OK);
  EXPECT_EQ(dev->GetRenderTargetData(back, small), D3DERR_INVALIDCALL) << "sizes must match";
  small->Release();
  back->Release();
  for (auto* copy : copies) {
    copy->Release();
  }
}

// The device keeps its generated shader until one of the states that shape it changes; a
// render state that changes the key but is missing from that list would draw stale shaders.
TEST(FixedFunctionKeyTest, OnlyTheListedRenderStatesChangeTheShader) {
  using namespace platform;
  const bool bound[kMaxFixedStages] = {true, false, false, false};
  for (DWORD lighting : {FALSE, TRUE}) {
    DeviceState base;
    base.renderStates[D3DRS_LIGHTING] = lighting;
    base.renderStates[D3DRS_FOGENABLE] = TRUE;
    base.renderStates[D3DRS_ALPHATESTENABLE] = TRUE;
    const FixedFunctionKey key = makeFixedFunctionKey(base, 0x152, bound, 1, false);
    for (DWORD type = 0; type < kRenderStateCount; ++type) {
      if (shapesFixedFunction(D3DRENDERSTATETYPE(type))) {
        continue;
      }
      for (DWORD value : {0u, 1u, 2u, 3u, 4u, 8u, 0xFFFFFFFFu}) {
        DeviceState changed = base;
        changed.renderStates[type] = value;
        ASSERT_TRUE(makeFixedFunctionKey(changed, 0x152, bound, 1, false) == key)
            << "render state " << type << " = " << value;
      }
    }
  }
}

}  // namespace
}  // namespace korvel
