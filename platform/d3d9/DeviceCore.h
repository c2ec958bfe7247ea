#pragma once
// What both backends share: reference counting, resources with their bytes, the shadow
// copy of the device state, the checks every call makes, and the call log.

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/D3D9Testing.h"

namespace d3d9 {

// The process-wide figures behind D3D9GetCounters.
extern D3D9Counters counters;

// Groups of the values behind the fixed-function pipeline's uniforms: each group is one
// upload, so an object that only brings other lights re-sends only them.
enum FixedValues : unsigned {
  kFixedLights = 1u << 0,
  kFixedMaterial = 1u << 1,
  kFixedStates = 1u << 2,  // ambient, fog, texture factor, alpha reference
  kFixedStageConstants = 1u << 3,
  kFixedTextureMatrices = 1u << 4,
  kFixedGroups = 5,
  kAllFixedValues = (1u << kFixedGroups) - 1,
};

class DeviceCore;

// What the device binds: its hold keeps an object alive without showing in the count that
// AddRef and Release report, as Direct3D 9's bindings do.
struct Bindable {
  virtual void Hold() = 0;
  virtual void Unhold() = 0;

protected:
  ~Bindable() = default;
};

template <class Interface>
class RefCounted : public Interface, public Bindable {
public:
  RefCounted() { ++counters.liveObjects; }
  ~RefCounted() override { --counters.liveObjects; }
  ULONG_PTR AddRef() override { return ++references; }
  ULONG_PTR Release() override {
    ULONG_PTR left = --references;
    if (left == 0) {
      if (holds == 0) delete this;
      else Orphaned();  // may end in the object's deletion: nothing is touched after it
    }
    return left;
  }
  void Hold() override { ++holds; }
  void Unhold() override {
    if (--holds == 0 && references == 0) delete this;
  }

protected:
  // The last public reference went while the device still binds the object.
  virtual void Orphaned() {}

private:
  ULONG_PTR references = 1, holds = 0;
};

// A resource's reference on its device, let go when the application lets the resource go
// (the device may still bind it) or at the latest with the resource.
class DeviceReference {
public:
  explicit DeviceReference(IUnknown& device) : device(&device) { device.AddRef(); }
  ~DeviceReference() { Drop(); }
  DeviceReference(const DeviceReference&) = delete;
  DeviceReference& operator=(const DeviceReference&) = delete;
  void Drop() {
    if (IUnknown* d = device) device = nullptr, d->Release();
  }

private:
  IUnknown* device;
};

// A vertex or index buffer: its bytes live here, a GL backend mirrors them on Unlock.
struct BufferStore {
  uint64_t serial = 0;  // never reused, unlike addresses
  std::vector<BYTE> bytes;
  DWORD usage = 0;
  D3DPOOL pool = D3DPOOL_DEFAULT;
  bool locked = false;
  UINT lockOffset = 0, lockSize = 0;
  unsigned glName = 0;
};

class VertexBuffer final : public RefCounted<IDirect3DVertexBuffer9> {
public:
  VertexBuffer(DeviceCore& device, UINT length, DWORD usage, D3DPOOL pool);
  ~VertexBuffer() override;
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
  HRESULT Unlock() override;
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;
  BufferStore store;

private:
  void Orphaned() override { reference.Drop(); }
  DeviceCore& device;
  DeviceReference reference;
};

class IndexBuffer final : public RefCounted<IDirect3DIndexBuffer9> {
public:
  IndexBuffer(DeviceCore& device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
  ~IndexBuffer() override;
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
  HRESULT Unlock() override;
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;
  UINT IndexSize() const { return format == D3DFMT_INDEX32 ? 4 : 2; }
  UINT IndexCount() const { return UINT(store.bytes.size() / IndexSize()); }
  // Smallest and largest index in [start, start + count); the last range asked is kept,
  // since a mesh draws the same range frame after frame.
  void IndexRange(UINT start, UINT count, UINT* lowest, UINT* highest);
  BufferStore store;
  D3DFORMAT format;

private:
  void Orphaned() override { reference.Drop(); }
  DeviceCore& device;
  DeviceReference reference;
  bool rangeKnown = false;
  UINT rangeStart = 0, rangeCount = 0, rangeLowest = 0, rangeHighest = 0;
};

class VertexDeclaration final : public RefCounted<IDirect3DVertexDeclaration9> {
public:
  VertexDeclaration(DeviceCore& device, std::vector<D3DVERTEXELEMENT9> elements);
  ~VertexDeclaration() override;
  HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count) override;
  uint64_t serial;
  std::vector<D3DVERTEXELEMENT9> elements;  // without the end marker

private:
  void Orphaned() override { reference.Drop(); }
  DeviceCore& device;
  DeviceReference reference;
};

struct TextureData;

// The back buffer, the depth buffer, or one face and level of a texture, whose reference
// count it shares.
class Surface final : public RefCounted<IDirect3DSurface9> {
public:
  ~Surface() override = default;
  ULONG_PTR AddRef() override { return owner ? owner->AddRef() : RefCounted::AddRef(); }
  ULONG_PTR Release() override { return owner ? owner->Release() : RefCounted::Release(); }
  void Hold() override { owner ? ownerHold->Hold() : RefCounted::Hold(); }
  void Unhold() override { owner ? ownerHold->Unhold() : RefCounted::Unhold(); }
  HRESULT GetDesc(D3DSURFACE_DESC* desc) override;

  uint64_t serial = 0;
  UINT width = 0, height = 0;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  DWORD usage = 0;
  D3DPOOL pool = D3DPOOL_DEFAULT;
  IUnknown* owner = nullptr;      // the texture, for a texture's surface
  Bindable* ownerHold = nullptr;  // the same texture
  TextureData* texture = nullptr;
  UINT face = 0, level = 0;
};

// How a format lays out: bytes per block of blockEdge × blockEdge pixels (1 × 1 unless
// compressed). False for a format textures cannot have.
bool TextureFormatLayout(D3DFORMAT format, UINT* blockBytes, UINT* blockEdge);

// The bytes of a box of one face and level: rows rowPitch apart, slices slicePitch apart.
struct TexelBytes {
  BYTE* bytes;
  UINT rowPitch, slicePitch;
};

struct TextureLevel {
  UINT width = 0, height = 0, depth = 1;
  UINT rowPitch = 0, slicePitch = 0;  // bytes of a row of blocks, of a slice
  std::vector<BYTE> bytes;    // the level, where the backend keeps textures' bytes
  std::vector<BYTE> staging;  // the locked box, while locked, where it does not
  D3DBOX lockBox{};
  DWORD lockFlags = 0;
  bool locked = false;
  bool written = false;  // anything but the zeros a new level holds
};

// What the three texture kinds share: every face and level's bytes where the backend keeps
// them (KeepsTextureBytes), else only a locked box's while it is locked.
struct TextureData {
  TextureData() { ++counters.liveTextures; }
  virtual ~TextureData() { --counters.liveTextures; }
  TextureData(const TextureData&) = delete;
  TextureData& operator=(const TextureData&) = delete;
  TextureLevel& Level(UINT face, UINT level) { return levels[size_t(face) * levelCount + level]; }
  uint64_t serial = 0;
  D3DRESOURCETYPE type = D3DRTYPE_TEXTURE;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  DWORD usage = 0;
  D3DPOOL pool = D3DPOOL_MANAGED;
  UINT width = 0, height = 0, depth = 1, levelCount = 0, faces = 1;
  std::vector<TextureLevel> levels;
  std::vector<Surface*> surfaces;  // made on first request, one per face and level
  DWORD lod = 0;                   // SetLOD's most detailed level
  unsigned glName = 0;
  UINT glBaseLevel = 0;            // what the GL texture's base level was last set to
};

// A vertex or pixel program's function, kept as given; a GL backend compiles it.
template <class Interface>
class Shader final : public RefCounted<Interface> {
public:
  Shader(DeviceCore& device, std::vector<DWORD> function);
  ~Shader() override;
  HRESULT GetFunction(void* data, UINT* size) override;
  uint64_t serial;
  std::vector<DWORD> function;
  unsigned glName = 0;

private:
  void Orphaned() override { reference.Drop(); }
  DeviceCore& device;
  DeviceReference reference;
};
using VertexShader = Shader<IDirect3DVertexShader9>;
using PixelShader = Shader<IDirect3DPixelShader9>;

// One stage's constant registers, with what changed since a backend last looked.
struct ConstantRegisters {
  explicit ConstantRegisters(UINT floats) : floats(size_t(floats) * 4, 0.0f) {}
  std::vector<float> floats;
  std::array<int, 16 * 4> ints{};
  std::array<BOOL, 16> bools{};
  bool dirty = true;
};

// Bytes one element of that type takes; 0 for a type the layer does not know.
UINT DeclTypeSize(BYTE type);
// Vertices (or indices) a draw of that many primitives reads; 0 for an unknown type.
UINT VerticesOfPrimitives(D3DPRIMITIVETYPE type, UINT primitiveCount);

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
  virtual void DeclarationDestroyed(VertexDeclaration&) {}
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
  D3DVIEWPORT9 viewport{};
  bool viewportDirty = true;
  RECT scissorRect{};
  bool scissorDirty = true;
  std::array<DWORD, D3DRS_COUNT> renderStates{};
  std::bitset<D3DRS_COUNT> renderStatesDirty;
  // World matrices 0 … 255 (D3DTS_WORLDMATRIX); vertex blending reads the first four.
  std::array<D3DMATRIX, 256> worlds{};
  D3DMATRIX& world = worlds[0];
  D3DMATRIX view{}, projection{};
  std::array<D3DMATRIX, 8> textureTransforms{};
  // The fixed-function pipeline's inputs: fixedDirty says the program key may have changed,
  // fixedValuesDirty which groups of the values behind its uniforms did (FixedValues).
  std::array<std::array<DWORD, D3DTSS_STATE_COUNT>, 8> stageStates{};
  std::array<D3DLIGHT9, 8> lights{};
  std::bitset<8> lightsEnabled;
  std::bitset<8> lightsSet;  // a light never set is Direct3D's default light
  D3DMATERIAL9 material{};
  bool fixedDirty = true;
  unsigned fixedValuesDirty = kAllFixedValues;
  std::array<DWORD, 8> stageConstants{};
  bool transformsDirty = true;
  std::array<StreamBinding, kStreams> streams{};
  IndexBuffer* indices = nullptr;
  VertexDeclaration* declaration = nullptr;
  bool inputDirty = true;  // streams, indices or declaration changed
  VertexShader* vertexShader = nullptr;
  PixelShader* pixelShader = nullptr;
  bool programDirty = true;
  ConstantRegisters vertexConstants{256}, pixelConstants{224};
  Surface* renderTarget = nullptr;  // held; the back buffer or a texture's surface
  std::array<Bindable*, kSamplers> textures{};  // held
  std::array<TextureData*, kSamplers> textureData{};
  std::array<std::array<DWORD, 14>, kSamplers> samplerStates{};
  std::bitset<kSamplers> samplersDirty;  // a texture or a sampler state changed
  bool texturesChanged = true;            // which textures are bound changed

private:
  HRESULT CheckVertexReads(UINT firstVertex, UINT count) const;
  std::vector<std::string>* calls;
  uint64_t* serials;
  IUnknown* parent;
  bool inScene = false;
};

}  // namespace d3d9
