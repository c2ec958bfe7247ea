#pragma once
// What both backends share: the shadow copy of the device state, the checks every call
// makes, and the call log. The resources it makes are in Resources.h.

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/D3D9Testing.h"
#include "platform/d3d9/Resources.h"

namespace d3d9 {

// The kinds of state the device tracks changes of.
enum class Change : unsigned {
  Viewport,
  Scissor,
  Transforms,
  World,           // the four world matrices vertex blending reads
  ViewProjection,
  Alpha,           // the alpha test a pixel program's draw applies itself
  Input,           // streams, indices or declaration
  Program,         // which program draws
  Textures,        // which textures are bound
  FixedProgramKey, // a state that shapes the fixed-function program
  // Groups of the values behind the fixed-function pipeline's uniforms: each group is one
  // upload, so an object that only brings other lights re-sends only them.
  FixedLights,
  FixedMaterial,
  FixedStates,  // ambient, fog, texture factor, alpha reference
  FixedStageConstants,
  FixedTextureMatrices,
  kCount
};
constexpr Change kFixedValueGroups[] = {Change::FixedLights, Change::FixedMaterial, Change::FixedStates,
                                        Change::FixedStageConstants, Change::FixedTextureMatrices};
using ChangeCounts = std::array<uint64_t, size_t(Change::kCount)>;

// The one way the device tracks what changed. A setter marks the kind it changed; the draw
// applies each marked kind and clears the mark. Where GL programs keep copies of their own
// (uniforms), the kind also has a count, which the draw advances when the value really
// moved and each program compares with the count it last took in. Render states and
// samplers are marked one state and one slot at a time (renderStatesDirty, samplersDirty).
class ChangeTracker {
public:
  ChangeTracker() {
    marks.set();  // a new device applies everything once
    counts.fill(1);
  }
  void Mark(Change kind) { marks.set(size_t(kind)); }
  bool Marked(Change kind) const { return marks.test(size_t(kind)); }
  void Clear(Change kind) { marks.reset(size_t(kind)); }
  void Advance(Change kind) { ++counts[size_t(kind)]; }
  // Clears the mark and advances the count: every program hears of it.
  void Take(Change kind) {
    if (Marked(kind)) Clear(kind), Advance(kind);
  }
  uint64_t Count(Change kind) const { return counts[size_t(kind)]; }

private:
  std::bitset<size_t(Change::kCount)> marks;
  ChangeCounts counts;
};

class DeviceCore;

struct StreamBinding {
  VertexBuffer* buffer = nullptr;
  UINT offset = 0, stride = 0;
};

struct DrawCall {
  D3DPRIMITIVETYPE type;
  bool indexed;
  UINT first;   // first vertex, or first index
  UINT count;   // vertices, or indices
  INT baseVertex;
};

class DeviceCore : public RefCounted<IDirect3DDevice9> {
public:
  static constexpr UINT kStreams = 16;

  // calls is null for a device that keeps no log.
  DeviceCore(std::vector<std::string>* calls, uint64_t* serials, IUnknown* parent);
  ~DeviceCore() override;
  // Takes the presentation parameters; backends call it once they can draw.
  void Start(const D3DPRESENT_PARAMETERS& parameters);

  HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                DWORD stencil) override;
  HRESULT Present(const RECT* source, const RECT* dest, HWND window, const void* dirty) override;
  HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                        IDirect3DSurface9** surface) override;
  HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface) override;
  HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface) override;
  HRESULT SetDepthStencilSurface(IDirect3DSurface9* surface) override;
  HRESULT GetDepthStencilSurface(IDirect3DSurface9** surface) override;
  HRESULT StretchRect(IDirect3DSurface9* source, const RECT* sourceRect, IDirect3DSurface9* dest,
                      const RECT* destRect, D3DTEXTUREFILTERTYPE filter) override;
  HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
  HRESULT SetScissorRect(const RECT* rect) override;
  HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* dest) override;
  HRESULT UpdateSurface(IDirect3DSurface9* source, const RECT* sourceRect, IDirect3DSurface9* dest,
                        const POINT* destPoint) override;
  HRESULT UpdateTexture(IDirect3DBaseTexture9* source, IDirect3DBaseTexture9* dest) override;
  HRESULT ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR colour) override;
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool, IDirect3DTexture9** texture, void* shared) override;
  HRESULT CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DCubeTexture9** texture, void* shared) override;
  HRESULT CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                              D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture9** texture,
                              void* shared) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
  HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
  HRESULT LightEnable(DWORD index, BOOL enable) override;
  HRESULT SetMaterial(const D3DMATERIAL9* material) override;
  HRESULT SetTexture(DWORD sampler, IDirect3DBaseTexture9* texture) override;
  HRESULT CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) override;
  HRESULT CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) override;
  HRESULT SetVertexShader(IDirect3DVertexShader9* shader) override;
  HRESULT SetPixelShader(IDirect3DPixelShader9* shader) override;
  HRESULT SetVertexShaderConstantF(UINT start, const float* data, UINT count) override;
  HRESULT SetVertexShaderConstantI(UINT start, const int* data, UINT count) override;
  HRESULT SetVertexShaderConstantB(UINT start, const BOOL* data, UINT count) override;
  HRESULT SetPixelShaderConstantF(UINT start, const float* data, UINT count) override;
  HRESULT SetPixelShaderConstantI(UINT start, const int* data, UINT count) override;
  HRESULT SetPixelShaderConstantB(UINT start, const BOOL* data, UINT count) override;
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** buffer, void* shared) override;
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** buffer, void* shared) override;
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                  IDirect3DVertexDeclaration9** declaration) override;
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) override;
  HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                          UINT stride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer9* indices) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
  HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
  HRESULT GetScissorRect(RECT* rect) override;
  HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset, UINT* stride) override;
  HRESULT GetTexture(DWORD sampler, IDirect3DBaseTexture9** texture) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex,
                               UINT numVertices, UINT startIndex, UINT primitiveCount) override;

  // Resources report here; a GL backend creates, fills and frees their GL objects.
  virtual void BufferCreated(BufferStore&, bool /*index*/) {}
  virtual void BufferUnlocked(BufferStore&, bool /*index*/) {}
  virtual void BufferDestroyed(BufferStore&, bool /*index*/) {}
  virtual void ShaderDestroyed(uint64_t /*serial*/, unsigned& /*glName*/) {}
  virtual void TextureCreated(TextureData&) {}
  // Whether a texture's levels live in TextureLevel::bytes; where not, the backend holds them.
  virtual bool KeepsTextureBytes(const TextureData&) const { return true; }
  // A box of a level was written (unlocked, updated): the backend takes its bytes.
  virtual void TextureWritten(TextureData&, UINT /*face*/, UINT /*level*/, const D3DBOX&, const TexelBytes&) {}
  // A box of a level the backend holds is read into the bytes given.
  virtual void TextureRead(TextureData&, UINT /*face*/, UINT /*level*/, const D3DBOX&, const TexelBytes&) {}
  virtual void TextureDestroyed(TextureData&) {}
  // The surface a texture hands out for one face and level.
  Surface* SurfaceOf(TextureData& texture, IUnknown* owner, UINT face, UINT level);
  static constexpr UINT kSamplers = 20;  // 16 pixel samplers, then 4 vertex samplers
  uint64_t NextSerial() { return ++*serials; }
  bool Logging() const { return calls != nullptr; }
  // A texture's own sampling state changed (its LOD): samplers are applied again.
  void TextureSamplingChanged() { samplersDirty.set(); }
  void Log(const std::string& line) {
    if (calls) calls->push_back(line);
  }

protected:
  // What a backend does once the shared checks passed; the defaults draw nothing.
  virtual HRESULT DoReset(const D3DPRESENT_PARAMETERS&) { return D3D_OK; }
  virtual HRESULT DoClear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) { return D3D_OK; }
  virtual HRESULT DoPresent() { return D3D_OK; }
  // A draw the backend cannot make (a program that does not compile or link) fails.
  virtual HRESULT DoDraw(const DrawCall&) { return D3D_OK; }
  virtual HRESULT DoStretchRect(Surface&, const RECT&, Surface&, const RECT&, D3DTEXTUREFILTERTYPE) {
    return D3D_OK;
  }
  virtual HRESULT DoGetRenderTargetData(Surface&, Surface&) { return D3D_OK; }
  // Fills a rectangle of a render target, whatever the render states say.
  virtual HRESULT DoColorFill(Surface&, const RECT&, D3DCOLOR) { return D3D_OK; }
  // Copies a rectangle of system-memory bytes to a point of a render target without a
  // texture's storage (the back buffer); texture levels go through TextureWritten.
  virtual HRESULT DoUpdateTarget(Surface&, const RECT&, const POINT&, const TexelBytes&) { return D3D_OK; }
  virtual void RenderTargetChanged() {}
  void FullViewport();
  // Lets go of everything bound; backends call it first when they go, while they can
  // still free what they made for those objects.
  void UnbindAll();
  // Whether a render state or stage state takes part in the fixed-function program key.
  static bool ShapesFixedFunction(D3DRENDERSTATETYPE state);

  D3DPRESENT_PARAMETERS presentParameters{};
  Surface* backBuffer = nullptr;
  Surface* depthSurface = nullptr;
  bool depthBound = false;  // SetDepthStencilSurface(NULL) draws without depth
  ChangeTracker changes;
  D3DVIEWPORT9 viewport{};
  RECT scissorRect{};
  std::array<DWORD, D3DRS_COUNT> renderStates{};
  std::bitset<D3DRS_COUNT> renderStatesDirty;
  // World matrices 0 … 255 (D3DTS_WORLDMATRIX); vertex blending reads the first four.
  std::array<D3DMATRIX, 256> worlds{};
  D3DMATRIX& world = worlds[0];
  D3DMATRIX view{}, projection{};
  std::array<D3DMATRIX, 8> textureTransforms{};
  // The fixed-function pipeline's inputs: Change::FixedProgramKey says the program key may
  // have changed, the Change::Fixed… groups which values behind its uniforms did.
  std::array<std::array<DWORD, D3DTSS_STATE_COUNT>, 8> stageStates{};
  std::array<D3DLIGHT9, 8> lights{};
  std::bitset<8> lightsEnabled;
  std::bitset<8> lightsSet;  // a light never set is Direct3D's default light
  D3DMATERIAL9 material{};
  std::array<DWORD, 8> stageConstants{};
  std::array<StreamBinding, kStreams> streams{};
  IndexBuffer* indices = nullptr;
  VertexDeclaration* declaration = nullptr;
  VertexShader* vertexShader = nullptr;
  PixelShader* pixelShader = nullptr;
  ConstantRegisters vertexConstants{256}, pixelConstants{224};
  Surface* renderTarget = nullptr;  // held; the back buffer or a texture's surface
  std::array<Bindable*, kSamplers> textures{};  // held
  std::array<TextureData*, kSamplers> textureData{};
  std::array<std::array<DWORD, 14>, kSamplers> samplerStates{};
  std::bitset<kSamplers> samplersDirty;  // a texture or a sampler state changed

private:
  HRESULT CheckVertexReads(UINT firstVertex, UINT count) const;
  std::vector<std::string>* calls;
  uint64_t* serials;
  IUnknown* parent;
  bool inScene = false;
};

}  // namespace d3d9
