#pragma once
// The Direct3D 9 subset the render module calls. Objects are reference counted: each
// Create hands out one reference, AddRef adds one, Release drops one and frees the object
// at zero. Methods return D3D_OK or a D3DERR_ code and leave state unchanged on failure.

#include "platform/d3d9/D3D9Types.h"

struct IDirect3DDevice9;

struct IUnknown {
  virtual ULONG_PTR AddRef() = 0;
  // Returns the references left; the object is gone at 0.
  virtual ULONG_PTR Release() = 0;

protected:
  virtual ~IUnknown() = default;
};

struct IDirect3DVertexDeclaration9 : IUnknown {
  // Copies the elements including the end marker; count receives how many that is.
  virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count) = 0;
};

struct IDirect3DVertexBuffer9 : IUnknown {
  // A pointer to bytes [offset, offset + size) of the buffer (size 0: to the end) until Unlock.
  virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) = 0;
};

struct IDirect3DIndexBuffer9 : IUnknown {
  virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) = 0;
};

// A texture level's surface shares the texture's reference count, as in Direct3D 9.
struct IDirect3DSurface9 : IUnknown {
  virtual HRESULT GetDesc(D3DSURFACE_DESC* desc) = 0;
};

// Lock hands out a level's bytes (or a rectangle's, rows Pitch apart) until Unlock sends them
// to the GPU. Render-target textures (D3DUSAGE_RENDERTARGET, default pool) cannot be locked;
// a system-memory texture (D3DPOOL_SYSTEMMEM) is where GetRenderTargetData reads back to.
struct IDirect3DBaseTexture9 : IUnknown {
  virtual DWORD GetLevelCount() = 0;
  virtual D3DRESOURCETYPE GetType() = 0;
  // The most detailed level sampled from now on (clamped to the last); returns the old one.
  virtual DWORD SetLOD(DWORD level) = 0;
  virtual DWORD GetLOD() = 0;
};
struct IDirect3DTexture9 : IDirect3DBaseTexture9 {
  virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
  virtual HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) = 0;
  virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) = 0;
  virtual HRESULT UnlockRect(UINT level) = 0;
};
struct IDirect3DCubeTexture9 : IDirect3DBaseTexture9 {
  virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
  virtual HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES face, UINT level, IDirect3DSurface9** surface) = 0;
  virtual HRESULT LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                           DWORD flags) = 0;
  virtual HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT level) = 0;
};
struct IDirect3DVolumeTexture9 : IDirect3DBaseTexture9 {
  virtual HRESULT LockBox(UINT level, D3DLOCKED_BOX* locked, const D3DBOX* box, DWORD flags) = 0;
  virtual HRESULT UnlockBox(UINT level) = 0;
};

// A shader's function is the compiler layer's code: a version token (D3DVS_VERSION or
// D3DPS_VERSION), the total length in DWORDs including these two, then the layer's payload.
struct IDirect3DVertexShader9 : IUnknown {
  // Copies the function when data is not null; size receives its length in bytes.
  virtual HRESULT GetFunction(void* data, UINT* size) = 0;
};
struct IDirect3DPixelShader9 : IUnknown {
  virtual HRESULT GetFunction(void* data, UINT* size) = 0;
};

struct IDirect3D9 : IUnknown {
  // Display modes of one format, grouped by size with rising refresh rates.
  virtual UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) = 0;
  virtual HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                                   D3DDISPLAYMODE* result) = 0;
  virtual HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) = 0;
  virtual HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format,
                                             BOOL windowed, D3DMULTISAMPLE_TYPE samples,
                                             DWORD* qualityLevels) = 0;
  // Draws into parameters->hDeviceWindow (or focusWindow); fills in zero back-buffer sizes.
  virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD flags,
                               D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) = 0;
};

struct IDirect3DDevice9 : IUnknown {
  // Frame.
  virtual HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) = 0;
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  // Clears the whole target (no rectangles) or the count rectangles given, within the
  // viewport and an enabled scissor rectangle; rectangles with a count of 0 clear nothing.
  virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                        DWORD stencil) = 0;
  // Shows the back buffer in the device window, scaled with its aspect kept.
  virtual HRESULT Present(const RECT* source, const RECT* dest, HWND window,
                          const void* dirtyRegion) = 0;

  // Render targets.
  virtual HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                                IDirect3DSurface9** surface) = 0;
  virtual HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface) = 0;
  // Null draws without depth or stencil until a depth surface is set again.
  virtual HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface) = 0;
  virtual HRESULT SetDepthStencilSurface(IDirect3DSurface9* surface) = 0;
  virtual HRESULT GetDepthStencilSurface(IDirect3DSurface9** surface) = 0;
  virtual HRESULT StretchRect(IDirect3DSurface9* source, const RECT* sourceRect,
                              IDirect3DSurface9* dest, const RECT* destRect,
                              D3DTEXTUREFILTERTYPE filter) = 0;
  // May reach past the target: drawing is clipped to it. MinZ = MaxZ (or MaxZ < MinZ) maps
  // depth into [MinZ, MinZ + 0.001].
  virtual HRESULT SetViewport(const D3DVIEWPORT9* viewport) = 0;
  // What D3DRS_SCISSORTESTENABLE limits draws and clears to; SetRenderTarget resets it.
  virtual HRESULT SetScissorRect(const RECT* rect) = 0;
  // Copies a render target into a system-memory texture level of its size and format.
  virtual HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* dest) = 0;
  // Copies a system-memory rectangle (null: all) unscaled to a point of a default-pool surface.
  virtual HRESULT UpdateSurface(IDirect3DSurface9* source, const RECT* sourceRect,
                                IDirect3DSurface9* dest, const POINT* destPoint) = 0;
  // Copies a system-memory texture's levels, from the one of its size, into a default-pool one.
  virtual HRESULT UpdateTexture(IDirect3DBaseTexture9* source, IDirect3DBaseTexture9* dest) = 0;
  // Fills a rectangle (null: all) of a render target with a colour, whatever the states say.
  virtual HRESULT ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR colour) = 0;

  // Textures: levels 0 makes the whole chain down to 1 × 1.
  virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                D3DPOOL pool, IDirect3DTexture9** texture, void* sharedHandle) = 0;
  virtual HRESULT CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DCubeTexture9** texture, void* sharedHandle) = 0;
  virtual HRESULT CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                                      D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DVolumeTexture9** texture, void* sharedHandle) = 0;

  // State, kept by the device and applied when a draw needs it. Values outside a state's
  // enumeration are refused.
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
  virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                       DWORD value) = 0;
  // D3DTS_WORLDMATRIX(1 … 3) are the matrices D3DRS_VERTEXBLEND blends with the world's.
  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
  virtual HRESULT SetLight(DWORD index, const D3DLIGHT9* light) = 0;
  virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
  virtual HRESULT SetMaterial(const D3DMATERIAL9* material) = 0;
  virtual HRESULT SetTexture(DWORD sampler, IDirect3DBaseTexture9* texture) = 0;

  // Programs and their constant registers: 256 float4 registers for vertex programs, 224
  // for pixel programs, 16 int4 and 16 BOOL registers each. Counts are in registers.
  virtual HRESULT CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) = 0;
  virtual HRESULT CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) = 0;
  virtual HRESULT SetVertexShader(IDirect3DVertexShader9* shader) = 0;
  virtual HRESULT SetPixelShader(IDirect3DPixelShader9* shader) = 0;
  virtual HRESULT SetVertexShaderConstantF(UINT start, const float* data, UINT count) = 0;
  virtual HRESULT SetVertexShaderConstantI(UINT start, const int* data, UINT count) = 0;
  virtual HRESULT SetVertexShaderConstantB(UINT start, const BOOL* data, UINT count) = 0;
  virtual HRESULT SetPixelShaderConstantF(UINT start, const float* data, UINT count) = 0;
  virtual HRESULT SetPixelShaderConstantI(UINT start, const int* data, UINT count) = 0;
  virtual HRESULT SetPixelShaderConstantB(UINT start, const BOOL* data, UINT count) = 0;

  // Geometry. Binding (here, and textures, declarations, programs and render targets) keeps
  // the object alive without adding to the count AddRef and Release report.
  virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                     IDirect3DVertexBuffer9** buffer, void* sharedHandle) = 0;
  virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DIndexBuffer9** buffer, void* sharedHandle) = 0;
  // The elements up to D3DDECL_END(); fails on an unknown type or an overlong list.
  virtual HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                          IDirect3DVertexDeclaration9** declaration) = 0;
  virtual HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) = 0;
  virtual HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                  UINT stride) = 0;
  virtual HRESULT SetIndices(IDirect3DIndexBuffer9* indices) = 0;

  // What was set last, or Direct3D's documented default; objects come with a reference.
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
  virtual HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) = 0;
  virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) = 0;
  virtual HRESULT GetViewport(D3DVIEWPORT9* viewport) = 0;
  virtual HRESULT GetScissorRect(RECT* rect) = 0;
  virtual HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset,
                                  UINT* stride) = 0;
  virtual HRESULT GetTexture(DWORD sampler, IDirect3DBaseTexture9** texture) = 0;

  // Draws fail with D3DERR_INVALIDCALL, drawing nothing, when they would read past a bound
  // buffer, lack a declaration or the position's stream, or when the programs the state
  // asks for cannot be made. Another element whose stream has no buffer reads (0, 0, 0, 1).
  // Locked buffers may be drawn from.
  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) = 0;
  virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex,
                                       UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                       UINT primitiveCount) = 0;
};

// Null when no device can be made on this machine (no display, no OpenGL 3.3).
IDirect3D9* Direct3DCreate9(UINT sdkVersion);
