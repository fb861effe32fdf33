#include <cmath>

#include "platform/d3d9_resources.h"
#include "platform/d3d9_state_block.h"
#include "platform/d3dx.h"

namespace korvel::platform {

namespace {

struct SpriteVertex {  // 0x142
  float x, y, z;
  D3DCOLOR color;
  float u, v;
};

class Sprite : public RefCounted<ID3DXSprite> {
 public:
  explicit Sprite(IDirect3DDevice9* device) : device_(device) { device_->AddRef(); }
  ~Sprite() override { device_->Release(); }

  HRESULT Begin() override { return D3D_OK; }
  HRESULT End() override { return D3D_OK; }

  HRESULT Draw(IDirect3DTexture9* texture, const RECT* source, const D3DXVECTOR2* scaling,
               const D3DXVECTOR2* rotationCentre, float rotation, const D3DXVECTOR2* translation,
               D3DCOLOR color) override {
    D3DSURFACE_DESC desc{};
    if (!texture || FAILED(texture->GetLevelDesc(0, &desc)) || desc.Width == 0) {
      return D3DERR_INVALIDCALL;
    }
    RECT r = source ? *source : RECT{0, 0, LONG(desc.Width), LONG(desc.Height)};
    float w = float(r.right - r.left), h = float(r.bottom - r.top);
    Vec2 scale = scaling ? *scaling : Vec2(1, 1);
    Vec2 centre = rotationCentre ? *rotationCentre : Vec2(0, 0);
    Vec2 offset = translation ? *translation : Vec2(0, 0);
    D3DVIEWPORT9 viewport;
    device_->GetViewport(&viewport);
    if (viewport.Width == 0 || viewport.Height == 0) {
      return D3DERR_INVALIDCALL;
    }

    float c = std::cos(rotation), s = std::sin(rotation);
    const float corners[4][2] = {{0, 0}, {w, 0}, {0, h}, {w, h}};
    const float tu[2] = {r.left / float(desc.Width), r.right / float(desc.Width)};
    const float tv[2] = {r.top / float(desc.Height), r.bottom / float(desc.Height)};
    SpriteVertex quad[4];
    for (int i = 0; i < 4; ++i) {
      float x = corners[i][0] * scale.x - centre.x, y = corners[i][1] * scale.y - centre.y;
      // Half a pixel up and left, so texels land on pixels one to one at integer positions.
      float px = centre.x + x * c - y * s + offset.x - 0.5f;
      float py = centre.y + x * s + y * c + offset.y - 0.5f;
      quad[i] = {px * 2.0f / viewport.Width - 1.0f,
                 1.0f - py * 2.0f / viewport.Height,
                 0.5f,
                 color,
                 tu[i & 1],
                 tv[i >> 1]};
    }

    StateBlock saved(device_);
    for (D3DRENDERSTATETYPE state :
         {D3DRS_ZENABLE, D3DRS_CULLMODE, D3DRS_LIGHTING, D3DRS_FOGENABLE, D3DRS_ALPHATESTENABLE,
          D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_BLENDOP}) {
      saved.saveRenderState(state);
    }
    for (D3DTEXTURESTAGESTATETYPE type : {D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2,
                                          D3DTSS_ALPHAOP, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2}) {
      saved.saveStageState(0, type);
    }
    saved.saveStageState(1, D3DTSS_COLOROP);
    saved.saveStageState(1, D3DTSS_ALPHAOP);
    for (D3DSAMPLERSTATETYPE type :
         {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV}) {
      saved.saveSamplerState(0, type);
    }
    saved.saveTexture(0);
    saved.saveTransforms();
    saved.saveVertexInput();

    D3DMATRIX identity;
    identity.identity();
    device_->SetTransform(D3DTS_WORLD, &identity);
    device_->SetTransform(D3DTS_VIEW, &identity);
    device_->SetTransform(D3DTS_PROJECTION, &identity);
    device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    device_->SetRenderState(D3DRS_FOGENABLE, FALSE);
    device_->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device_->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device_->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device_->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    device_->SetTexture(0, texture);
    device_->SetFVF(0x142);
    return device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(SpriteVertex));
  }

 private:
  IDirect3DDevice9* device_;
};

}  // namespace

}  // namespace korvel::platform

HRESULT D3DXCreateSprite(IDirect3DDevice9* device, ID3DXSprite** sprite) {
  if (!device || !sprite) {
    return D3DERR_INVALIDCALL;
  }
  *sprite = new korvel::platform::Sprite(device);
  return D3D_OK;
}
