// Textures on the GL backend, sampled by compiled programs: address modes, a render
// target drawn into and then sampled, read back and copied, and a volume texture.

#include "graphics/GpuProgram.h"
#include "graphics/Texture.h"
#include "render_d3d9/D3D9Device.h"
#include "render_d3d9/Textures.h"
#include "tests/render_d3d9/ModuleGlSupport.h"

namespace {

const KOR::VertexElementDecl kUv{5, 0, 1};

const char* kProgram = R"(
sampler2D map;
sampler3D volume;
float depth;
struct V { float4 position : POSITION; float2 uv : TEXCOORD0; };
V vs(V v) { return v; }
float4 flat(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(map, uv); }
float4 deep(float2 uv : TEXCOORD0) : COLOR0 { return tex3D(volume, float3(uv, depth)); }
)";

const KOR::Colour kRed{1, 0, 0, 1}, kGreen{0, 1, 0, 1}, kBlue{0, 0, 1, 1}, kWhite{1, 1, 1, 1};

class TextureGlTest : public ModuleGlTest {
protected:
  // The whole screen, with texture coordinates from 0 to uvMax.
  KOR::Renderable* Screen(float uvMax) {
    KOR::Renderable* r = device->CreateRenderable(false);
    made.push_back(r);
    r->vertices.Resize(4);
    r->vertices.AddElement(kPosition);
    r->vertices.AddElement(kUv);
    const float positions[] = {-1, 1, 0, 1, 1, 0, -1, -1, 0, 1, -1, 0};
    const float uvs[] = {0, 0, uvMax, 0, 0, uvMax, uvMax, uvMax};
    std::memcpy(r->vertices.GetElement(kPosition)->data, positions, sizeof positions);
    std::memcpy(r->vertices.GetElement(kUv)->data, uvs, sizeof uvs);
    r->ResizeIndices(6);
    const uint32_t order[] = {0, 1, 2, 2, 1, 3};
    std::memcpy(r->indices, order, sizeof order);
    r->Build();
    return r;
  }
  KOR::StreamMap* UvMap() {
    KOR::StreamMap* map = device->CreateStreamMap();
    made.push_back(map);
    map->AddElement(kPosition);
    map->AddElement(kUv);
    map->Build();
    return map;
  }
  KOR::GpuProgram* Program(int profile, const char* entry) {
    KOR::GpuProgram* p = device->CreateGpuProgram();
    made.push_back(p);
    p->Create(kProgram, profile, entry);
    return p;
  }
  // Red, green on the top row, blue, white below.
  KOR::Texture2D* Checker() {
    KOR::Texture2D* t = device->CreateTexture2D();
    made.push_back(t);
    t->Create(KOR::PixelFormats::A8R8G8B8, 0, 2, 2, false);
    t->GetLevel(0)->SetPixel(kRed, 0, 0);
    t->GetLevel(0)->SetPixel(kGreen, 1, 0);
    t->GetLevel(0)->SetPixel(kBlue, 0, 1);
    t->GetLevel(0)->SetPixel(kWhite, 1, 1);
    t->Update();
    return t;
  }
  void Sample(KOR::DeviceObject* texture, uint32_t address, float uvMax) {
    KOR::GpuProgram* vs = Program(2, "vs");
    KOR::GpuProgram* ps = Program(10, "flat");
    KOR::GpuProgramConstant* map = ps->GetConstant("map");
    map->kind = KOR::GpuProgramConstant::Sampler;
    map->value.sampler = {texture, address, address, address, 0, 0};
    map->setAddress = map->setFilter = true;
    device->Clear(true, false, false, 0, 0, 0, 1);
    device->BeginFrame();
    vs->Bind();
    ps->Bind();
    map->Apply();
    Screen(uvMax)->Draw(UvMap());
    device->EndFrame();
  }
};

TEST_F(TextureGlTest, TexelsLandWhereTheAddressModeSendsThem) {
  KOR::Texture2D* checker = Checker();
  Sample(checker, 0, 1.0f);  // wrap, once across
  Picture p = BackBuffer();
  EXPECT_EQ(p.At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(p.At(63, 0), 0xFF00FF00u);
  EXPECT_EQ(p.At(0, 31), 0xFF0000FFu);
  EXPECT_EQ(p.At(63, 31), 0xFFFFFFFFu);

  Sample(checker, 0, 2.0f);  // wrap, twice across: the pattern repeats
  p = BackBuffer();
  EXPECT_EQ(p.At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(p.At(16, 0), 0xFF00FF00u);
  EXPECT_EQ(p.At(32, 0), 0xFFFF0000u);
  EXPECT_EQ(p.At(48, 24), 0xFFFFFFFFu);

  Sample(checker, 2, 2.0f);  // clamp: beyond 1 the last texel stays
  p = BackBuffer();
  EXPECT_EQ(p.At(16, 0), 0xFF00FF00u);
  EXPECT_EQ(p.At(63, 0), 0xFF00FF00u);
  EXPECT_EQ(p.At(63, 31), 0xFFFFFFFFu);

  Sample(checker, 1, 2.0f);  // mirror: the second copy runs backwards
  p = BackBuffer();
  EXPECT_EQ(p.At(32, 0), 0xFF00FF00u);
  EXPECT_EQ(p.At(56, 0), 0xFFFF0000u);

  Sample(checker, 3, 2.0f);  // border: beyond 1 the border colour, transparent black
  p = BackBuffer();
  EXPECT_EQ(p.At(16, 0), 0xFF00FF00u);
  EXPECT_EQ(p.At(40, 0), 0x00000000u);
  EXPECT_EQ(p.At(16, 24), 0x00000000u);
}

TEST_F(TextureGlTest, ARenderTargetIsDrawnIntoSampledReadBackAndCopied) {
  KOR::Texture2D* target = device->CreateTexture2D();
  made.push_back(target);
  target->Create(KOR::PixelFormats::X8R8G8B8, 2, 64, 32, false);
  target->Update();
  target->SetAsRenderTarget();
  device->Clear(true, false, false, 0, 1, 0, 1);
  device->BeginFrame();
  LeftTriangle(0xFFFF0000u)->Draw(Map());
  device->EndFrame();
  device->RestoreBackBuffer();

  // Read back through a system-memory texture, as screenshots do.
  IDirect3DDevice9* d3d = KOR::D3D9::Device9();
  IDirect3DTexture9* copy = nullptr;
  ASSERT_EQ(d3d->CreateTexture(64, 32, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr), D3D_OK);
  IDirect3DSurface9 *from = nullptr, *to = nullptr;
  static_cast<KOR::D3D9Texture2D*>(target)->texture->GetSurfaceLevel(0, &from);
  copy->GetSurfaceLevel(0, &to);
  ASSERT_EQ(d3d->GetRenderTargetData(from, to), D3D_OK);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(copy->LockRect(0, &locked, nullptr, 0), D3D_OK);
  auto row = [&](int y) { return reinterpret_cast<const uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch); };
  EXPECT_EQ(row(0)[0] | 0xFF000000u, 0xFFFF0000u);
  EXPECT_EQ(row(0)[40] | 0xFF000000u, 0xFF00FF00u);
  copy->UnlockRect(0);

  // Sampled as a texture, it covers the screen.
  Sample(target, 2, 1.0f);
  Picture p = BackBuffer();
  EXPECT_EQ(p.At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(p.At(40, 0), 0xFF00FF00u);

  // And copied into the back buffer's right half.
  device->Clear(true, false, false, 0, 0, 0, 1);
  IDirect3DSurface9* back = nullptr;
  d3d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  RECT half = {32, 0, 64, 32};
  EXPECT_EQ(d3d->StretchRect(from, nullptr, back, &half, D3DTEXF_POINT), D3D_OK);
  p = BackBuffer();
  EXPECT_EQ(p.At(0, 0), 0xFF000000u);
  EXPECT_EQ(p.At(32, 0), 0xFFFF0000u);
  EXPECT_EQ(p.At(63, 0), 0xFF00FF00u);
  back->Release();
  from->Release();
  to->Release();
  copy->Release();
}

TEST_F(TextureGlTest, AVolumeTextureIsSampledByDepth) {
  KOR::Texture3D* volume = device->CreateTexture3D();
  made.push_back(volume);
  volume->Create(KOR::PixelFormats::A8R8G8B8, 0, 2, 2, 2, false);
  volume->GetLevel(0)->Fill([](int32_t, int32_t, int32_t z) { return z ? kBlue : kRed; });
  volume->Update();
  KOR::GpuProgram* vs = Program(2, "vs");
  KOR::GpuProgram* ps = Program(10, "deep");
  KOR::GpuProgramConstant* sampler = ps->GetConstant("volume");
  sampler->kind = KOR::GpuProgramConstant::Sampler;
  sampler->value.sampler = {volume, 2, 2, 2, 0, 0};
  sampler->setAddress = sampler->setFilter = true;
  KOR::GpuProgramConstant* depth = ps->GetConstant("depth");
  depth->kind = KOR::GpuProgramConstant::Float;
  for (float z : {0.25f, 0.75f}) {
    depth->value.vector[0] = z;
    device->BeginFrame();
    vs->Bind();
    ps->Bind();
    sampler->Apply();
    depth->Apply();
    Screen(1.0f)->Draw(UvMap());
    device->EndFrame();
    EXPECT_EQ(BackBuffer().At(10, 10), z < 0.5f ? 0xFFFF0000u : 0xFF0000FFu) << "depth " << z;
  }
}

}  // namespace
