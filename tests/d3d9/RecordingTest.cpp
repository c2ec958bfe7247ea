#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/d3d9/D3D9Testing.h"
#include "tests/d3d9/DeviceTestSupport.h"

namespace {

struct Vertex {
  float x, y, z;
  D3DCOLOR colour;
};

const D3DVERTEXELEMENT9 kPositionColour[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    D3DDECL_END()};

class RecordingTest : public ::testing::Test {
protected:
  void SetUp() override {
    D3D9StartRecording(&recording);
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp = WindowedParameters(64, 48, nullptr);
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                &pp, &device),
              D3D_OK);
  }
  void TearDown() override {
    if (device) device->Release();
    if (d3d) d3d->Release();
    D3D9StopRecording();
  }
  // Three vertices in one buffer with its declaration bound on stream 0.
  IDirect3DVertexBuffer9* BindTriangle(UINT vertices = 3) {
    IDirect3DVertexBuffer9* vb = nullptr;
    EXPECT_EQ(device->CreateVertexBuffer(vertices * sizeof(Vertex), D3DUSAGE_WRITEONLY, 0,
                                         D3DPOOL_DEFAULT, &vb, nullptr),
              D3D_OK);
    IDirect3DVertexDeclaration9* decl = nullptr;
    EXPECT_EQ(device->CreateVertexDeclaration(kPositionColour, &decl), D3D_OK);
    device->SetVertexDeclaration(decl);
    decl->Release();  // the device keeps it
    device->SetStreamSource(0, vb, 0, sizeof(Vertex));
    return vb;
  }
  size_t Count(const std::string& prefix) const {
    return std::count_if(recording.calls.begin(), recording.calls.end(),
                         [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
  }

  D3D9Recording recording;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
};

TEST_F(RecordingTest, LogsCallsWithTheirArgumentsInOrder) {
  recording.calls.clear();
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_ARGB(255, 255, 0, 127),
                1.0f, 0);
  device->BeginScene();
  device->EndScene();
  device->Present(nullptr, nullptr, nullptr, nullptr);
  std::vector<std::string> expected = {"SetRenderState(22, 1)",
                                       "Clear(0, null, 0x00000003, 0xFFFF007F, 1, 0)",
                                       "BeginScene()", "EndScene()",
                                       "Present(null, null, window, null)"};
  EXPECT_EQ(recording.calls, expected);
}

TEST_F(RecordingTest, NamesObjectsInCreationOrderAndRecordsDeclarations) {
  recording.calls.clear();
  IDirect3DVertexBuffer9* vb = BindTriangle();
  // Device #1, back buffer #2, depth surface #3.
  EXPECT_EQ(recording.calls[0], "CreateVertexBuffer(48, 0x00000008, 0, 0) -> #4");
  EXPECT_EQ(recording.calls[1], "CreateVertexDeclaration({0 0 2 0 0 0} {0 12 4 0 10 0}) -> #5");
  EXPECT_EQ(recording.calls[2], "SetVertexDeclaration(#5)");
  EXPECT_EQ(recording.calls[3], "SetStreamSource(0, #4, 0, 16)");
  vb->Release();
}

TEST_F(RecordingTest, LockedBytesAreWhatTheBufferHolds) {
  IDirect3DVertexBuffer9* vb = BindTriangle();
  void* data = nullptr;
  ASSERT_EQ(vb->Lock(16, 0, &data, 0), D3D_OK);
  std::memset(data, 0xAB, 32);
  // A second lock while locked is refused; drawing from a locked buffer is allowed.
  void* again = nullptr;
  EXPECT_EQ(vb->Lock(0, 0, &again, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  ASSERT_EQ(vb->Unlock(), D3D_OK);
  EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
  ASSERT_EQ(vb->Lock(0, 48, &data, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(static_cast<BYTE*>(data)[15], 0);
  EXPECT_EQ(static_cast<BYTE*>(data)[16], 0xAB);
  EXPECT_EQ(static_cast<BYTE*>(data)[47], 0xAB);
  vb->Unlock();
  // A range past the end is refused and hands out no pointer.
  data = nullptr;
  EXPECT_EQ(vb->Lock(40, 16, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(data, nullptr);
  vb->Release();
}

TEST_F(RecordingTest, DrawsThatWouldReadPastABufferAreRefused) {
  IDirect3DVertexBuffer9* vb = BindTriangle(4);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 2, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 3), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0xFFFFFFFFu, 1), D3DERR_INVALIDCALL);
  // An offset into the stream moves the end too.
  device->SetStreamSource(0, vb, 16, sizeof(Vertex));
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), D3DERR_INVALIDCALL);
  // The position's stream, named by the declaration but bound by nobody.
  device->SetStreamSource(0, nullptr, 0, 0);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
  device->SetVertexDeclaration(nullptr);
  device->SetStreamSource(0, vb, 0, sizeof(Vertex));
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
  vb->Release();
}

TEST_F(RecordingTest, IndexedDrawsCheckIndicesAndTheVerticesTheyName) {
  IDirect3DVertexBuffer9* vb = BindTriangle(4);
  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(device->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib, nullptr),
            D3D_OK);
  void* data = nullptr;
  ASSERT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
  const uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
  std::memcpy(data, indices, sizeof indices);
  ib->Unlock();
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL)
      << "no index buffer bound yet";
  device->SetIndices(ib);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 2), D3DERR_INVALIDCALL)
      << "past the last index";
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 4, 0, 2), D3DERR_INVALIDCALL)
      << "index 3 + base 1 is past the last vertex";
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 4, 0, 1), D3D_OK);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 0, 4, 3, 1), D3D_OK)
      << "indices 2, 1, 3 less one stay inside";
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 0, 4, 0, 1), D3DERR_INVALIDCALL)
      << "index 0 less one is before the first vertex";
  // Rewriting the indices is seen by the next draw, not hidden by the kept range.
  ASSERT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
  static_cast<uint16_t*>(data)[0] = 9;
  ib->Unlock();
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  // Each range drawn is kept apart; a write forgets those it touches and no other.
  ASSERT_EQ(ib->Lock(0, 2, &data, 0), D3D_OK);
  static_cast<uint16_t*>(data)[0] = 0;
  ib->Unlock();
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 1), D3D_OK);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 1), D3D_OK);
  ASSERT_EQ(ib->Lock(8, 2, &data, 0), D3D_OK);
  static_cast<uint16_t*>(data)[0] = 9;  // index 4
  ib->Unlock();
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 1), D3D_OK);
  ib->Release();
  vb->Release();
}

TEST_F(RecordingTest, BindingKeepsObjectsAliveWithoutPublicReferences) {
  IDirect3DVertexBuffer9* vb = BindTriangle();
  EXPECT_EQ(vb->AddRef(), 2u) << "binding added nothing to the public count";
  vb->Release();
  EXPECT_EQ(vb->Release(), 0u) << "the application's last reference";
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK) << "the stream still holds it";
  device->SetStreamSource(0, nullptr, 0, 0);
}

TEST_F(RecordingTest, ReleasingBoundObjectsAndThenTheDeviceFreesEverything) {
  IDirect3DVertexBuffer9* vb = BindTriangle();
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
  IDirect3DTexture9* target = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target,
                                  nullptr), D3D_OK);
  IDirect3DSurface9* surface = nullptr;
  ASSERT_EQ(target->GetSurfaceLevel(0, &surface), D3D_OK);
  device->SetTexture(0, texture);
  device->SetRenderTarget(0, surface);
  EXPECT_EQ(surface->Release(), 1u);
  EXPECT_EQ(texture->Release(), 0u);
  EXPECT_EQ(target->Release(), 0u);
  EXPECT_EQ(vb->Release(), 0u);
  // The fixture's device goes now; the leak checker of the sanitizer build sees the rest.
  EXPECT_EQ(device->Release(), 0u) << "nothing the application let go still holds the device";
  device = nullptr;
}

TEST_F(RecordingTest, RejectsBadDeclarationsAndClears) {
  const D3DVERTEXELEMENT9 unknownType[] = {{0, 0, 99, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
  IDirect3DVertexDeclaration9* decl = nullptr;
  EXPECT_EQ(device->CreateVertexDeclaration(unknownType, &decl), D3DERR_INVALIDCALL);
  EXPECT_EQ(decl, nullptr);
  EXPECT_EQ(device->Clear(0, nullptr, 0, 0, 1, 0), D3DERR_INVALIDCALL) << "nothing to clear";
  EXPECT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
}

TEST_F(RecordingTest, ScriptedFailuresOfCreateDeviceAndReset) {
  recording.failCreateDeviceFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = 8;
  pp.BackBufferHeight = 8;
  IDirect3DDevice9* second = nullptr;
  EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                              &second),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(second, nullptr);
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                              &second),
            D3D_OK);
  second->Release();
  recording.failReset = 1;
  EXPECT_EQ(device->Reset(&pp), D3DERR_DEVICELOST);
  EXPECT_EQ(device->Reset(&pp), D3D_OK);
}

TEST_F(RecordingTest, AdapterReportsScriptedModesAndShaderModelThree) {
  recording.modes = {{640, 480, 60, D3DFMT_UNKNOWN}, {800, 600, 60, D3DFMT_UNKNOWN}};
  EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_R5G6B5), 2u);
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(d3d->EnumAdapterModes(0, D3DFMT_R5G6B5, 1, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, 800u);
  EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
  EXPECT_EQ(d3d->EnumAdapterModes(0, D3DFMT_R5G6B5, 2, &mode), D3DERR_INVALIDCALL);
  D3DCAPS9 caps{};
  ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_EQ(caps.VertexShaderVersion & 0xFFFF, 0x300u);
  EXPECT_EQ(caps.PixelShaderVersion & 0xFFFF, 0x300u);
}

TEST_F(RecordingTest, ShaderFunctionsAreCheckedByStageAndKeptWhole) {
  const DWORD vertex[] = {D3DVS_VERSION(3, 0), 4, 7, 9};
  const DWORD pixelMark[] = {D3DPS_VERSION(2, 0), 2};
  const DWORD tooShort[] = {D3DVS_VERSION(3, 0), 1};
  IDirect3DVertexShader9* vs = nullptr;
  IDirect3DPixelShader9* ps = nullptr;
  ASSERT_EQ(device->CreateVertexShader(vertex, &vs), D3D_OK);
  EXPECT_EQ(device->CreateVertexShader(pixelMark, &vs), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateVertexShader(tooShort, &vs), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreatePixelShader(vertex, &ps), D3DERR_INVALIDCALL);
  ASSERT_EQ(device->CreatePixelShader(pixelMark, &ps), D3D_OK);
  UINT size = 0;
  ASSERT_EQ(vs->GetFunction(nullptr, &size), D3D_OK);
  ASSERT_EQ(size, sizeof vertex);
  DWORD copy[4] = {};
  ASSERT_EQ(vs->GetFunction(copy, &size), D3D_OK);
  EXPECT_EQ(std::memcmp(copy, vertex, sizeof vertex), 0);
  device->SetVertexShader(vs);
  device->SetPixelShader(ps);
  vs->Release();  // the device keeps both while bound
  ps->Release();
  EXPECT_EQ(Count("CreateVertexShader(4 tokens) -> #"), 1u);
  EXPECT_EQ(Count("SetPixelShader(#"), 1u);
}

TEST_F(RecordingTest, ConstantRegistersTakeWholeRegistersWithinEachFile) {
  const float two[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(device->SetVertexShaderConstantF(254, two, 2), D3D_OK);
  EXPECT_EQ(device->SetVertexShaderConstantF(255, two, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetPixelShaderConstantF(222, two, 2), D3D_OK);
  EXPECT_EQ(device->SetPixelShaderConstantF(223, two, 2), D3DERR_INVALIDCALL);
  const int ints[4] = {3, -1, 0, 9};
  EXPECT_EQ(device->SetVertexShaderConstantI(15, ints, 1), D3D_OK);
  EXPECT_EQ(device->SetPixelShaderConstantI(16, ints, 1), D3DERR_INVALIDCALL);
  const BOOL flags[2] = {TRUE, FALSE};
  EXPECT_EQ(device->SetPixelShaderConstantB(14, flags, 2), D3D_OK);
  EXPECT_EQ(device->SetVertexShaderConstantB(15, flags, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetVertexShaderConstantF(0, nullptr, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(Count("SetVertexShaderConstantF(254, [1 2 3 4 5 6 7 8], 2)"), 1u);
  EXPECT_EQ(Count("SetVertexShaderConstantI(15, [3 -1 0 9], 1)"), 1u);
  EXPECT_EQ(Count("SetPixelShaderConstantB(14, [1 0], 2)"), 1u);
  EXPECT_EQ(Count("SetVertexShaderConstantF(255, ptr, 2) failed"), 1u);
}

}  // namespace

namespace {

DWORD Bits(float f) {
  DWORD d;
  std::memcpy(&d, &f, 4);
  return d;
}

// Every query answers what was set last, and before that Direct3D's documented default.
TEST_F(RecordingTest, StateQueriesReturnTheDocumentedDefaultsAndBoundObjectsWithAReference) {
  struct Default {
    D3DRENDERSTATETYPE state;
    DWORD value;
  };
  const Default defaults[] = {
      {D3DRS_ZENABLE, TRUE},  // the device was made with a depth buffer
      {D3DRS_FILLMODE, D3DFILL_SOLID}, {D3DRS_SHADEMODE, D3DSHADE_GOURAUD}, {D3DRS_ZWRITEENABLE, TRUE},
      {D3DRS_LASTPIXEL, TRUE}, {D3DRS_SRCBLEND, D3DBLEND_ONE}, {D3DRS_DESTBLEND, D3DBLEND_ZERO},
      {D3DRS_CULLMODE, D3DCULL_CCW}, {D3DRS_ZFUNC, D3DCMP_LESSEQUAL}, {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
      {D3DRS_ALPHABLENDENABLE, FALSE}, {D3DRS_FOGEND, Bits(1.0f)}, {D3DRS_FOGDENSITY, Bits(1.0f)},
      {D3DRS_STENCILMASK, 0xFFFFFFFF}, {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF}, {D3DRS_CLIPPING, TRUE},
      {D3DRS_LIGHTING, TRUE}, {D3DRS_COLORVERTEX, TRUE}, {D3DRS_LOCALVIEWER, TRUE},
      {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1}, {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
      {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL}, {D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
      {D3DRS_POINTSIZE_MIN, Bits(1.0f)}, {D3DRS_POINTSCALE_A, Bits(1.0f)}, {D3DRS_MULTISAMPLEANTIALIAS, TRUE},
      {D3DRS_MULTISAMPLEMASK, 0xFFFFFFFF}, {D3DRS_COLORWRITEENABLE, 0xF}, {D3DRS_COLORWRITEENABLE3, 0xF},
      {D3DRS_BLENDOP, D3DBLENDOP_ADD}, {D3DRS_POSITIONDEGREE, D3DDEGREE_CUBIC},
      {D3DRS_NORMALDEGREE, D3DDEGREE_LINEAR}, {D3DRS_SCISSORTESTENABLE, FALSE}, {D3DRS_BLENDFACTOR, 0xFFFFFFFF},
      {D3DRS_SRGBWRITEENABLE, FALSE}, {D3DRS_SRCBLENDALPHA, D3DBLEND_ONE}, {D3DRS_DESTBLENDALPHA, D3DBLEND_ZERO}};
  for (const Default& d : defaults) {
    DWORD value = 0xDEADBEEF;
    ASSERT_EQ(device->GetRenderState(d.state, &value), D3D_OK);
    EXPECT_EQ(value, d.value) << "render state " << d.state;
  }
  ASSERT_EQ(device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_2WEIGHTS), D3D_OK);
  EXPECT_EQ(device->SetRenderState(D3DRS_VERTEXBLEND, 4), D3DERR_INVALIDCALL) << "not a blend mode";
  DWORD value = 0;
  device->GetRenderState(D3DRS_VERTEXBLEND, &value);
  EXPECT_EQ(value, DWORD(D3DVBF_2WEIGHTS));
  EXPECT_EQ(device->GetRenderState(D3DRS_ZENABLE, nullptr), D3DERR_INVALIDCALL);

  // Samplers, the vertex samplers included, and stages.
  device->GetSamplerState(0, D3DSAMP_ADDRESSU, &value);
  EXPECT_EQ(value, DWORD(D3DTADDRESS_WRAP));
  device->GetSamplerState(D3DVERTEXTEXTURESAMPLER0 + 1, D3DSAMP_MIPFILTER, &value);
  EXPECT_EQ(value, DWORD(D3DTEXF_NONE));
  EXPECT_EQ(device->GetSamplerState(16, D3DSAMP_ADDRESSU, &value), D3DERR_INVALIDCALL);
  device->GetTextureStageState(0, D3DTSS_COLOROP, &value);
  EXPECT_EQ(value, DWORD(D3DTOP_MODULATE));
  device->GetTextureStageState(3, D3DTSS_TEXCOORDINDEX, &value);
  EXPECT_EQ(value, 3u);

  // Transforms: identity by default; every world matrix kept.
  D3DMATRIX m{};
  ASSERT_EQ(device->GetTransform(D3DTS_WORLDMATRIX(200), &m), D3D_OK);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(m.m[r][c], r == c ? 1.0f : 0.0f);
  EXPECT_EQ(device->SetTransform(D3DTRANSFORMSTATETYPE(24), &m), D3DERR_INVALIDCALL);

  // The viewport and the scissor rectangle cover the target until set, and again after
  // SetRenderTarget.
  D3DVIEWPORT9 viewport{};
  RECT scissor{};
  device->GetViewport(&viewport);
  device->GetScissorRect(&scissor);
  EXPECT_EQ(viewport.Width, 64u);
  EXPECT_EQ(viewport.Height, 48u);
  EXPECT_EQ(viewport.MaxZ, 1.0f);
  EXPECT_EQ(scissor.right, 64);
  EXPECT_EQ(scissor.bottom, 48);
  RECT small{1, 2, 3, 4};
  device->SetScissorRect(&small);
  IDirect3DTexture9* target = nullptr;
  ASSERT_EQ(device->CreateTexture(16, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target, nullptr),
            D3D_OK);
  IDirect3DSurface9* surface = nullptr;
  target->GetSurfaceLevel(0, &surface);
  device->SetRenderTarget(0, surface);
  device->GetScissorRect(&scissor);
  EXPECT_EQ(scissor.left, 0);
  EXPECT_EQ(scissor.right, 16);
  EXPECT_EQ(scissor.bottom, 8);
  surface->Release();

  // Bound objects come back with a reference of their own.
  IDirect3DVertexBuffer9* vb = BindTriangle();
  device->SetStreamSource(0, vb, 4, sizeof(Vertex));
  IDirect3DVertexBuffer9* got = nullptr;
  UINT offset = 0, stride = 0;
  ASSERT_EQ(device->GetStreamSource(0, &got, &offset, &stride), D3D_OK);
  EXPECT_EQ(got, vb);
  EXPECT_EQ(offset, 4u);
  EXPECT_EQ(stride, UINT(sizeof(Vertex)));
  EXPECT_EQ(got->Release(), 1u) << "the caller's reference was added";
  device->GetStreamSource(1, &got, &offset, &stride);
  EXPECT_EQ(got, nullptr);
  device->SetTexture(D3DVERTEXTEXTURESAMPLER0, target);
  IDirect3DBaseTexture9* texture = nullptr;
  ASSERT_EQ(device->GetTexture(D3DVERTEXTEXTURESAMPLER0, &texture), D3D_OK);
  EXPECT_EQ(texture, static_cast<IDirect3DBaseTexture9*>(target));
  EXPECT_EQ(texture->Release(), 1u);
  device->GetTexture(0, &texture);
  EXPECT_EQ(texture, nullptr);
  device->SetTexture(D3DVERTEXTEXTURESAMPLER0, nullptr);
  target->Release();
  vb->Release();
}

TEST_F(RecordingTest, WithoutADepthBufferDepthTestingIsOffByDefault) {
  device->Release();
  D3DPRESENT_PARAMETERS pp = WindowedParameters(64, 48, nullptr);
  pp.EnableAutoDepthStencil = FALSE;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device), D3D_OK);
  DWORD value = TRUE;
  device->GetRenderState(D3DRS_ZENABLE, &value);
  EXPECT_EQ(value, DWORD(FALSE));
}

// Copies between surfaces are logged like every other call, checked like on any backend,
// and carry the bytes along where the backend keeps them.
TEST_F(RecordingTest, SurfaceCopiesAreCheckedLoggedAndCarryTheBytes) {
  IDirect3DTexture9 *system = nullptr, *gpu = nullptr, *target = nullptr;
  ASSERT_EQ(device->CreateTexture(8, 8, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &system, nullptr), D3D_OK);
  ASSERT_EQ(device->CreateTexture(8, 8, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &gpu, nullptr), D3D_OK);
  ASSERT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target, nullptr),
            D3D_OK);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(system->LockRect(0, &locked, nullptr, 0), D3D_OK);
  for (UINT y = 0; y < 8; ++y)
    for (UINT x = 0; x < 8; ++x)
      reinterpret_cast<uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x] = y * 8 + x;
  system->UnlockRect(0);
  IDirect3DSurface9 *from = nullptr, *to = nullptr, *rt = nullptr;
  system->GetSurfaceLevel(0, &from);
  gpu->GetSurfaceLevel(0, &to);
  target->GetSurfaceLevel(0, &rt);
  RECT rect{2, 1, 5, 3};
  POINT point{4, 6};
  ASSERT_EQ(device->UpdateSurface(from, &rect, to, &point), D3D_OK);
  EXPECT_EQ(recording.calls.back(), "UpdateSurface(#7, [2 1 5 3], #8, [4 6])")
      << "the textures are #4, #5 and #6, their surfaces #7 on";
  // Onto the destination at (4, 6): the source's (2 … 4, 1 … 2).
  ASSERT_EQ(gpu->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  auto at = [&](UINT x, UINT y) { return reinterpret_cast<uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x]; };
  EXPECT_EQ(at(4, 6), 1u * 8 + 2);
  EXPECT_EQ(at(6, 7), 2u * 8 + 4);
  EXPECT_EQ(at(3, 6), 0u);
  gpu->UnlockRect(0);

  RECT outside{6, 0, 9, 2};
  POINT past{6, 7};
  EXPECT_EQ(device->UpdateSurface(from, &outside, to, nullptr), D3DERR_INVALIDCALL) << "leaves the source";
  EXPECT_EQ(device->UpdateSurface(from, &rect, to, &past), D3DERR_INVALIDCALL) << "leaves the destination";
  EXPECT_EQ(device->UpdateSurface(to, nullptr, from, nullptr), D3DERR_INVALIDCALL) << "the wrong way round";
  EXPECT_EQ(device->UpdateSurface(from, nullptr, rt, nullptr), D3D_OK) << "render targets take copies";
  EXPECT_EQ(device->UpdateTexture(system, gpu), D3D_OK);
  EXPECT_EQ(device->UpdateTexture(gpu, system), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->UpdateTexture(system, target), D3D_OK) << "a one-level destination takes the top level";
  IDirect3DTexture9* larger = nullptr;
  ASSERT_EQ(device->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &larger, nullptr), D3D_OK);
  EXPECT_EQ(device->UpdateTexture(system, larger), D3DERR_INVALIDCALL) << "no source level of its size";
  larger->Release();
  EXPECT_EQ(device->ColorFill(rt, nullptr, 0xFF00FF00u), D3D_OK);
  EXPECT_EQ(recording.calls.back(), "ColorFill(#9, null, 0xFF00FF00)");
  EXPECT_EQ(device->ColorFill(to, nullptr, 0xFF00FF00u), D3DERR_INVALIDCALL) << "not a render target";
  RECT tooWide{0, 0, 9, 1};
  EXPECT_EQ(device->ColorFill(rt, &tooWide, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(Count("UpdateTexture("), 4u);
  rt->Release();
  to->Release();
  from->Release();
  target->Release();
  gpu->Release();
  system->Release();
}

}  // namespace
