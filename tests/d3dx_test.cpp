#include "platform/d3dx.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/image_file.h"
#include "platform/recording_device.h"
#include "support/headless_device.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

using testing::ColorVertex;
using testing::HeadlessDevice;
using testing::quadCorners;
using testing::TempDir;

std::vector<D3DCOLOR> texelsOf(IDirect3DTexture9* texture) {
  D3DSURFACE_DESC desc;
  texture->GetLevelDesc(0, &desc);
  D3DLOCKED_RECT locked;
  std::vector<D3DCOLOR> out(desc.Width * desc.Height);
  texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY);
  for (UINT y = 0; y < desc.Height; ++y) {
    std::memcpy(&out[y * desc.Width], static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch,
                desc.Width * 4);
  }
  texture->UnlockRect(0);
  return out;
}

// 2 x 2: top row red, green; bottom row blue, white (blue, blue in the run-length file), as
// each format stores it.
std::vector<unsigned char> tga(bool runLength) {
  std::vector<unsigned char> file = {
      0, 0, (unsigned char)(runLength ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0};
  // Bottom row first, blue-green-red.
  if (runLength) {
    // A run of two blue pixels, then a raw packet of red and green.
    const unsigned char packets[] = {0x81, 255, 0, 0, 0x01, 0, 0, 255, 0, 255, 0};
    file.insert(file.end(), std::begin(packets), std::end(packets));
  } else {
    const unsigned char pixels[] = {255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 255, 0};
    file.insert(file.end(), std::begin(pixels), std::end(pixels));
  }
  return file;
}

std::vector<unsigned char> bmp() {
  std::vector<unsigned char> file(54, 0);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&file[at], &v, 4); };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, 54 + 16);
  put32(10, 54);
  put32(14, 40);
  put32(18, 2);  // width
  put32(22, 2);  // height: positive, bottom row first
  file[26] = 1;
  file[28] = 24;
  put32(34, 16);
  // Rows padded to 4 bytes, bottom first, blue-green-red.
  const unsigned char rows[] = {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
  file.insert(file.end(), std::begin(rows), std::end(rows));
  return file;
}

TEST(D3DXTextureTest, ReadsTgaBmpAndPngTopRowFirst) {
  TempDir dir;
  std::vector<uint8_t> pngPixels = {0,   0, 255, 255, 0,   255, 0,   255,
                                    255, 0, 0,   255, 255, 255, 255, 255};
  ASSERT_TRUE(platform::writePng(dir.path("image.png"), pngPixels, 2, 2, true));
  const std::vector<D3DCOLOR> expected = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
  auto* device = new platform::RecordingDevice(D3DPRESENT_PARAMETERS{}, 0);
  for (const std::string& path :
       {dir.write("plain.tga", tga(false)), dir.write("packed.tga", tga(true)),
        dir.write("image.bmp", bmp()), dir.path("image.png")}) {
    SCOPED_TRACE(path);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(device, path.c_str(), &texture), D3D_OK);
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 2u);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(texture->GetLevelCount(), 2u);  // 2 x 2 and 1 x 1
    std::vector<D3DCOLOR> want = expected;
    if (path.ends_with("packed.tga")) {
      want[3] = 0xFF0000FF;
    }
    EXPECT_EQ(texelsOf(texture), want);
    texture->Release();
  }
  device->Release();
}

TEST(D3DXTextureTest, ColourKeyMatchesTheWholeTexelAndMissingFilesFail) {
  TempDir dir;
  // Opaque black, black with alpha 0x80, white.
  std::vector<uint8_t> pixels = {0, 0, 0, 255, 0, 0, 0, 128, 255, 255, 255, 255};
  ASSERT_TRUE(platform::writePng(dir.path("keyed.png"), pixels, 3, 1, true));
  auto* device = new platform::RecordingDevice(D3DPRESENT_PARAMETERS{}, 0);
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileExA(device, dir.path("keyed.png").c_str(), D3DX_DEFAULT,
                                         D3DX_DEFAULT, D3DX_DEFAULT, D3DUSAGE_RENDERTARGET,
                                         D3DFMT_UNKNOWN, D3DPOOL_DEFAULT, D3DX_DEFAULT,
                                         D3DX_DEFAULT, 0xFF000000, nullptr, nullptr, &texture),
            D3D_OK);
  EXPECT_EQ(texelsOf(texture), (std::vector<D3DCOLOR>{0x00000000, 0x80000000, 0xFFFFFFFF}));
  texture->Release();

  size_t callsBefore = device->log.calls.size();
  IDirect3DTexture9* missing = reinterpret_cast<IDirect3DTexture9*>(0x1);
  EXPECT_LT(D3DXCreateTextureFromFileA(device, dir.path("nothing.tga").c_str(), &missing), 0);
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(device->log.calls.size(), callsBefore);  // no texture was made
  device->Release();
}

class D3DXDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dev);
    dev.identityTransforms();
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  }
  ID3DXEffect* compile(const std::string& text, std::string* errors = nullptr) {
    std::string path = dir.write("test.fx", text);
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* buffer = nullptr;
    D3DXCreateEffectFromFileA(dev.device, path.c_str(), nullptr, nullptr, 0, nullptr, &effect,
                              &buffer);
    if (buffer) {
      if (errors) {
        *errors = static_cast<const char*>(buffer->GetBufferPointer());
      }
      buffer->Release();
    }
    return effect;
  }
  HeadlessDevice dev{16, 16};
  TempDir dir;
};

TEST_F(D3DXDrawTest, SpriteDrawsTexelsOneToOneAndLeavesStatesAlone) {
  std::vector<D3DCOLOR> texels(16);
  for (int i = 0; i < 16; ++i) {
    texels[i] = D3DCOLOR_ARGB(0xFF, i * 16, 0x80, 255 - i * 16);
  }
  IDirect3DTexture9* texture = dev.makeTexture(4, 4, texels);
  ID3DXSprite* sprite = nullptr;
  ASSERT_EQ(D3DXCreateSprite(dev.device, &sprite), D3D_OK);
  dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  RECT right{2, 0, 4, 4};
  D3DXVECTOR2 scale(1, 1), centre(0, 0), at(5, 3);
  ASSERT_EQ(sprite->Draw(texture, &right, &scale, &centre, 0, &at, 0xFFFFFFFF), D3D_OK);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 2; ++x) {
      EXPECT_EQ(dev.pixel(5 + x, 3 + y), texels[y * 4 + 2 + x]) << x << "," << y;
    }
  }
  EXPECT_EQ(dev.pixel(4, 3), 0xFF000000u);
  EXPECT_EQ(dev.pixel(7, 3), 0xFF000000u);
  DWORD value = 0;
  dev->GetRenderState(D3DRS_ZENABLE, &value);
  EXPECT_EQ(value, DWORD(D3DZB_TRUE));
  dev->GetRenderState(D3DRS_SRCBLEND, &value);
  EXPECT_EQ(value, DWORD(D3DBLEND_ONE));
  IDirect3DBaseTexture9* bound = reinterpret_cast<IDirect3DBaseTexture9*>(0x1);
  dev->GetTexture(0, &bound);
  EXPECT_EQ(bound, nullptr);

  // Half height, colour-multiplied.
  dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  D3DXVECTOR2 half(1, 0.5f);
  sprite->Draw(texture, nullptr, &half, nullptr, 0, nullptr, 0xFF808080);
  EXPECT_NE(dev.pixel(1, 1), 0xFF000000u);
  EXPECT_EQ(dev.pixel(1, 2), 0xFF000000u);
  sprite->Release();
  texture->Release();
}

const char* const kTwoPasses = R"(# Each pass adds a quarter of white.
parameter float4x4 Offset
parameter float4 Tint
parameter float Unused
technique Add
  pass First
    state AlphaBlendEnable true
    state SrcBlend ONE
    state DestBlend ONE
    state CullMode NONE
    vertex
      void main() { gl_Position = mul(vec4(aPosition, 1.0), Offset); }
    end
    fragment
      void main() { fragColor = Tint; }
    end
  end
  pass Second
    vertex
      void main() { gl_Position = mul(vec4(aPosition, 1.0), Offset); }
    end
    fragment
      void main() { fragColor = Tint; }
    end
  end
end
)";

TEST_F(D3DXDrawTest, FxPassesDrawWithTheirStagesAndStatesComeBack) {
  ID3DXEffect* effect = compile(kTwoPasses);
  ASSERT_NE(effect, nullptr);
  Mat4 offset;
  D3DXMatrixTranslation(&offset, 1.0f, 0, 0);  // row vector: moves x by one
  effect->SetMatrix("Offset", &offset);
  D3DXVECTOR4 tint(0.25f, 0.25f, 0.25f, 1);
  effect->SetVector("Tint", &tint);
  effect->SetFloat("NotDeclared", 3.0f);
  effect->SetTechnique("Add");
  UINT passes = 0;
  effect->Begin(&passes, 0);
  EXPECT_EQ(passes, 2u);
  ColorVertex left[4];
  quadCorners(left, -1, 1, 0, -1, 0.5f, 0xFFFFFFFF);
  for (UINT i = 0; i < passes; ++i) {
    effect->Pass(i);
    dev.drawQuad(left);
  }
  effect->End();
  // Moved to the right half, and drawn twice.
  EXPECT_EQ(dev.pixel(3, 8), 0xFF000000u);
  EXPECT_TRUE(testing::near(dev.pixel(12, 8), 0xFF808080u)) << std::hex << dev.pixel(12, 8);
  DWORD blend = 1, cull = 0;
  dev->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
  dev->GetRenderState(D3DRS_CULLMODE, &cull);
  EXPECT_EQ(blend, DWORD(FALSE));
  EXPECT_EQ(cull, DWORD(D3DCULL_CCW));
  // Fixed function again after End.
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev.drawQuad(left);
  EXPECT_EQ(dev.pixel(3, 8), 0xFFFFFFFFu);
  effect->Release();
}

TEST_F(D3DXDrawTest, EffectTexturesAreSampledWithTheirOwnSettings) {
  ID3DXEffect* effect = compile(R"(parameter texture Picture filter=point address=clamp
technique T
  pass
    vertex
      out vec2 uv;
      void main() { gl_Position = vec4(aPosition, 1.0); uv = aTexCoord; }
    end
    fragment
      in vec2 uv;
      void main() { fragColor = texture(Picture, uv); }
    end
  end
end
)");
  ASSERT_NE(effect, nullptr);
  IDirect3DTexture9* texture = dev.makeTexture(2, 1, {0xFFFF0000, 0xFF0000FF});
  effect->SetTexture("Picture", texture);
  texture->Release();  // the effect holds its own reference
  UINT passes = 0;
  effect->Begin(&passes, 0);
  effect->Pass(0);
  ColorVertex all[4];
  quadCorners(all, -1, 1, 1, -1, 0.5f, 0xFFFFFFFF);
  dev.drawQuad(all);
  effect->End();
  EXPECT_EQ(dev.pixel(2, 8), 0xFFFF0000u);
  EXPECT_EQ(dev.pixel(13, 8), 0xFF0000FFu);
  effect->Release();
}

const char* const kBadVertexStage =
    "technique T\n  pass P\n    vertex\n      void main() { gl_Position = nonsense; }\n    end\n"
    "    fragment\n      void main() { fragColor = vec4(1.0); }\n    end\n  end\nend\n";

TEST_F(D3DXDrawTest, EffectErrorsSayFileLineAndWhat) {
  struct {
    const char* name;
    const char* text;
    const char* says;
  } cases[] = {
      {"unknown state", "technique T\n  pass\n    state CullMod CCW\n",
       "test.fx(3): error: unknown render state 'CullMod'"},
      {"bad value", "technique T\n  pass\n    state CullMode SIDEWAYS\n",
       "test.fx(3): error: 'SIDEWAYS' is not a value of CullMode"},
      {"unclosed code", "technique T\n  pass\n    vertex\n      void main() {}\n",
       "test.fx(3): error: shader code is not closed"},
      {"no technique", "parameter float4x4 World\n", "error: the effect has no technique"},
      {"bad type", "parameter float3 Light\n",
       "test.fx(1): error: unknown parameter type 'float3'"},
      // The compiler's line is the file's line 4.
      {"GLSL", kBadVertexStage, "technique T, pass P"},
      {"GLSL line", kBadVertexStage, "0:4("},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string errors;
    ID3DXEffect* effect = compile(c.text, &errors);
    EXPECT_EQ(effect, nullptr);
    EXPECT_NE(errors.find(c.says), std::string::npos) << errors;
  }
}

}  // namespace
}  // namespace korvel
