#include "platform/d3d9_state.h"

#include <cstring>

namespace korvel::platform {

DWORD floatBits(float value) {
  DWORD bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

float bitsFloat(DWORD bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

D3DCOLORVALUE colorValue(D3DCOLOR color) {
  return D3DCOLORVALUE{((color >> 16) & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f,
                       (color & 0xFF) / 255.0f, ((color >> 24) & 0xFF) / 255.0f};
}

DeviceState::DeviceState() {
  world.identity();
  view.identity();
  projection.identity();

  auto& rs = renderStates;
  rs[D3DRS_ZENABLE] = D3DZB_TRUE;  // with an automatic depth buffer
  rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
  rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  rs[D3DRS_ZWRITEENABLE] = TRUE;
  rs[D3DRS_ALPHATESTENABLE] = FALSE;
  rs[D3DRS_LASTPIXEL] = TRUE;
  rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRS_CULLMODE] = D3DCULL_CCW;
  rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRS_ALPHAREF] = 0;
  rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_DITHERENABLE] = FALSE;
  rs[D3DRS_ALPHABLENDENABLE] = FALSE;
  rs[D3DRS_FOGENABLE] = FALSE;
  rs[D3DRS_SPECULARENABLE] = FALSE;
  rs[D3DRS_FOGCOLOR] = 0;
  rs[D3DRS_FOGTABLEMODE] = D3DFOG_NONE;
  rs[D3DRS_FOGSTART] = floatBits(0.0f);
  rs[D3DRS_FOGEND] = floatBits(1.0f);
  rs[D3DRS_FOGDENSITY] = floatBits(1.0f);
  rs[D3DRS_RANGEFOGENABLE] = FALSE;
  rs[D3DRS_STENCILENABLE] = FALSE;
  rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
  rs[D3DRS_CLIPPING] = TRUE;
  rs[D3DRS_LIGHTING] = TRUE;
  rs[D3DRS_AMBIENT] = 0;
  rs[D3DRS_FOGVERTEXMODE] = D3DFOG_NONE;
  rs[D3DRS_COLORVERTEX] = TRUE;
  rs[D3DRS_LOCALVIEWER] = TRUE;
  rs[D3DRS_NORMALIZENORMALS] = FALSE;
  rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs[D3DRS_COLORWRITEENABLE] = D3DCOLORWRITEENABLE_ALL;
  rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
  rs[D3DRS_SCISSORTESTENABLE] = FALSE;
  rs[D3DRS_SEPARATEALPHABLENDENABLE] = FALSE;
  rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
  rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;

  for (DWORD s = 0; s < kTextureStageCount; ++s) {
    auto& ts = stageStates[s];
    ts[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    ts[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    ts[D3DTSS_TEXCOORDINDEX] = s;
    ts[D3DTSS_COLORARG0] = D3DTA_CURRENT;
    ts[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
    ts[D3DTSS_RESULTARG] = D3DTA_CURRENT;

    auto& ss = samplerStates[s];
    ss[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
    ss[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
    ss[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
    ss[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
    ss[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    ss[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    ss[D3DSAMP_MAXANISOTROPY] = 1;
  }
}

D3DMATRIX* DeviceState::transform(D3DTRANSFORMSTATETYPE type) {
  switch (type) {
    case D3DTS_WORLD:
      return &world;
    case D3DTS_VIEW:
      return &view;
    case D3DTS_PROJECTION:
      return &projection;
    default:
      return nullptr;
  }
}

float DeviceState::renderStateFloat(D3DRENDERSTATETYPE type) const {
  return bitsFloat(renderStates[type]);
}

D3DLIGHT9 DeviceState::defaultLight() {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = D3DCOLORVALUE{1, 1, 1, 0};
  light.Direction = D3DVECTOR(0, 0, 1);
  return light;
}

bool shapesFixedFunction(D3DRENDERSTATETYPE type) {
  switch (type) {
    case D3DRS_LIGHTING:
    case D3DRS_NORMALIZENORMALS:
    case D3DRS_COLORVERTEX:
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE:
    case D3DRS_FOGENABLE:
    case D3DRS_FOGTABLEMODE:
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_ALPHAFUNC:
      return true;
    default:
      return false;
  }
}

}  // namespace korvel::platform
