#include "platform/d3d9/DeviceCore.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <type_traits>
#include <utility>

#include "platform/d3d9/CallLog.h"

// The log's lines are only made when there is a log: draws stay cheap without one.
#define KOR_LOG(line) \
  do {                \
    if (calls) Log(line); \
  } while (0)

namespace d3d9 {

D3D9Counters counters;

namespace {
std::function<void(IDirect3DDevice9*)> presentHook;

// Binding holds the object for the device without touching its public count.
template <class T>
void Bind(T*& slot, T* object) {
  if (object) object->Hold();
  if (slot) slot->Unhold();
  slot = object;
}

constexpr D3DMATRIX kIdentity = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

}  // namespace

// The device.

DeviceCore::DeviceCore(std::vector<std::string>* calls, uint64_t* serials, IUnknown* parent)
    : calls(calls), serials(serials), parent(parent) {
  parent->AddRef();
  worlds.fill(kIdentity);
  view = projection = kIdentity;
  textureTransforms.fill(kIdentity);
  // Direct3D's stage defaults: stage 0 modulates texture by diffuse, the others are off.
  for (DWORD i = 0; i < 8; ++i) {
    auto& st = stageStates[i];
    st[D3DTSS_COLOROP] = i == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    st[D3DTSS_ALPHAOP] = i == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    st[D3DTSS_COLORARG1] = st[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    st[D3DTSS_COLORARG2] = st[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    st[D3DTSS_COLORARG0] = st[D3DTSS_ALPHAARG0] = st[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    st[D3DTSS_TEXCOORDINDEX] = i;
  }
  renderStates[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  renderStates[D3DRS_FILLMODE] = D3DFILL_SOLID;
  renderStates[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  renderStates[D3DRS_COLORVERTEX] = TRUE;
  renderStates[D3DRS_LOCALVIEWER] = TRUE;
  renderStates[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  renderStates[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  renderStates[D3DRS_FOGEND] = 0x3F800000;      // 1.0f
  renderStates[D3DRS_FOGDENSITY] = 0x3F800000;  // 1.0f
  renderStates[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
  renderStates[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
  renderStates[D3DRS_STENCILMASK] = renderStates[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
  renderStates[D3DRS_STENCILFAIL] = renderStates[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
  renderStates[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
  renderStates[D3DRS_BLENDOP] = renderStates[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;
  renderStates[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
  renderStates[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
  renderStates[D3DRS_CCW_STENCILFUNC] = D3DCMP_ALWAYS;
  renderStates[D3DRS_CCW_STENCILFAIL] = renderStates[D3DRS_CCW_STENCILZFAIL] = D3DSTENCILOP_KEEP;
  renderStates[D3DRS_CCW_STENCILPASS] = D3DSTENCILOP_KEEP;
  renderStates[D3DRS_CLIPPING] = TRUE;
  renderStates[D3DRS_POINTSIZE] = 0x3F800000;
  // Direct3D's defaults for the states the layer applies.
  renderStates[D3DRS_ZENABLE] = TRUE;
  renderStates[D3DRS_ZWRITEENABLE] = TRUE;
  renderStates[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  renderStates[D3DRS_CULLMODE] = D3DCULL_CCW;
  renderStates[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  renderStates[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  renderStates[D3DRS_LIGHTING] = TRUE;
  renderStates[D3DRS_COLORWRITEENABLE] = 0xF;
  // The rest of Direct3D's documented defaults, so that GetRenderState reports them.
  renderStates[D3DRS_LASTPIXEL] = TRUE;
  renderStates[D3DRS_POINTSIZE_MIN] = 0x3F800000;    // 1.0f
  renderStates[D3DRS_POINTSIZE_MAX] = 0x42800000;    // 64.0f
  renderStates[D3DRS_POINTSCALE_A] = 0x3F800000;     // 1.0f
  renderStates[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
  renderStates[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
  renderStates[D3DRS_POSITIONDEGREE] = D3DDEGREE_CUBIC;
  renderStates[D3DRS_NORMALDEGREE] = D3DDEGREE_LINEAR;
  renderStates[D3DRS_MINTESSELLATIONLEVEL] = renderStates[D3DRS_MAXTESSELLATIONLEVEL] = 0x3F800000;
  renderStates[D3DRS_ADAPTIVETESS_Z] = 0x3F800000;
  renderStates[D3DRS_COLORWRITEENABLE1] = renderStates[D3DRS_COLORWRITEENABLE2] = 0xF;
  renderStates[D3DRS_COLORWRITEENABLE3] = 0xF;
  renderStates[D3DRS_BLENDFACTOR] = 0xFFFFFFFF;
  renderStatesDirty.set();
  for (auto& sampler : samplerStates) {
    sampler[D3DSAMP_ADDRESSU] = sampler[D3DSAMP_ADDRESSV] = sampler[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
    sampler[D3DSAMP_MAGFILTER] = sampler[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    sampler[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    sampler[D3DSAMP_MAXANISOTROPY] = 1;
  }
  samplersDirty.set();
}

DeviceCore::~DeviceCore() {
  UnbindAll();
  if (backBuffer) backBuffer->Release();
  if (depthSurface) depthSurface->Release();
  parent->Release();
}

void DeviceCore::UnbindAll() {
  for (StreamBinding& s : streams) Bind(s.buffer, static_cast<VertexBuffer*>(nullptr));
  Bind(indices, static_cast<IndexBuffer*>(nullptr));
  Bind(declaration, static_cast<VertexDeclaration*>(nullptr));
  Bind(vertexShader, static_cast<VertexShader*>(nullptr));
  Bind(pixelShader, static_cast<PixelShader*>(nullptr));
  for (size_t i = 0; i < textures.size(); ++i) {
    Bind(textures[i], static_cast<Bindable*>(nullptr));
    textureData[i] = nullptr;
  }
  Bind(renderTarget, static_cast<Surface*>(nullptr));
}

void DeviceCore::Start(const D3DPRESENT_PARAMETERS& parameters) {
  presentParameters = parameters;
  backBuffer = new Surface;
  backBuffer->serial = NextSerial();
  backBuffer->width = parameters.BackBufferWidth;
  backBuffer->height = parameters.BackBufferHeight;
  backBuffer->format = parameters.BackBufferFormat;
  backBuffer->usage = D3DUSAGE_RENDERTARGET;
  Bind(renderTarget, backBuffer);
  if (parameters.EnableAutoDepthStencil) {
    depthSurface = new Surface;
    depthSurface->serial = NextSerial();
    depthSurface->width = parameters.BackBufferWidth;
    depthSurface->height = parameters.BackBufferHeight;
    depthSurface->format = parameters.AutoDepthStencilFormat;
    depthSurface->usage = D3DUSAGE_DEPTHSTENCIL;
    depthBound = true;
  }
  // Depth testing is on by default only when the device made a depth buffer.
  renderStates[D3DRS_ZENABLE] = parameters.EnableAutoDepthStencil ? TRUE : FALSE;
  FullViewport();
}

// The viewport and the scissor rectangle cover the render target, as Direct3D resets them.
void DeviceCore::FullViewport() {
  UINT width = renderTarget ? renderTarget->width : presentParameters.BackBufferWidth;
  UINT height = renderTarget ? renderTarget->height : presentParameters.BackBufferHeight;
  viewport = {0, 0, width, height, 0, 1};
  changes.Mark(Change::Viewport);
  scissorRect = {0, 0, LONG(width), LONG(height)};
  changes.Mark(Change::Scissor);
}

HRESULT DeviceCore::Reset(D3DPRESENT_PARAMETERS* parameters) {
  KOR_LOG(CallLine("Reset", {parameters ? Unsigned(parameters->BackBufferWidth) : "null",
                     parameters ? Unsigned(parameters->BackBufferHeight) : "null",
                     parameters ? Unsigned(parameters->Windowed) : "null",
                     parameters ? Unsigned(parameters->FullScreen_RefreshRateInHz) : "null"}));
  if (!parameters) return D3DERR_INVALIDCALL;
  D3DPRESENT_PARAMETERS wanted = *parameters;
  HRESULT hr = DoReset(wanted);
  if (FAILED(hr)) return hr;
  presentParameters = wanted;
  backBuffer->width = wanted.BackBufferWidth;
  backBuffer->height = wanted.BackBufferHeight;
  if (depthSurface) {
    depthSurface->width = wanted.BackBufferWidth;
    depthSurface->height = wanted.BackBufferHeight;
  }
  Bind(renderTarget, backBuffer);
  RenderTargetChanged();
  FullViewport();
  return D3D_OK;
}

HRESULT DeviceCore::BeginScene() {
  KOR_LOG("BeginScene()");
  if (inScene) return D3DERR_INVALIDCALL;
  inScene = true;
  return D3D_OK;
}

HRESULT DeviceCore::EndScene() {
  KOR_LOG("EndScene()");
  if (!inScene) return D3DERR_INVALIDCALL;
  inScene = false;
  return D3D_OK;
}

HRESULT DeviceCore::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour,
                          float z, DWORD stencil) {
  KOR_LOG(CallLine("Clear", {Unsigned(count), PointerText(rects), Hex(flags), Hex(colour), Real(z), Unsigned(stencil)}));
  if (!(flags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL))) return D3DERR_INVALIDCALL;
  if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depthBound) return D3DERR_INVALIDCALL;
  // Rectangles without a count clear nothing; a count without rectangles clears it all.
  if (rects && count == 0) return D3D_OK;
  if (!rects) count = 0;
  return DoClear(count, rects, flags, colour, z, stencil);
}

HRESULT DeviceCore::Present(const RECT* source, const RECT* dest, HWND, const void* dirty) {
  KOR_LOG(CallLine("Present", {PointerText(source), PointerText(dest), "window", PointerText(dirty)}));
  if (presentHook) presentHook(this);
  return DoPresent();
}

HRESULT DeviceCore::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                                  IDirect3DSurface9** surface) {
  KOR_LOG(CallLine("GetBackBuffer", {Unsigned(swapChain), Unsigned(index), Unsigned(type)}) + " -> " + ObjectName(backBuffer));
  if (!surface || swapChain || index || !backBuffer) return D3DERR_INVALIDCALL;
  backBuffer->AddRef();
  *surface = backBuffer;
  return D3D_OK;
}

HRESULT DeviceCore::SetRenderTarget(DWORD index, IDirect3DSurface9* target) {
  ++counters.stateChanges;
  auto* surface = static_cast<Surface*>(target);
  KOR_LOG(CallLine("SetRenderTarget", {Unsigned(index), ObjectName(surface)}));
  if (index != 0 || !surface || !(surface->usage & D3DUSAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
  if (surface != renderTarget) {
    Bind(renderTarget, surface);
    RenderTargetChanged();
  }
  FullViewport();
  return D3D_OK;
}

HRESULT DeviceCore::GetRenderTarget(DWORD index, IDirect3DSurface9** surface) {
  if (!surface || index != 0 || !renderTarget) return D3DERR_INVALIDCALL;
  renderTarget->AddRef();
  *surface = renderTarget;
  return D3D_OK;
}

HRESULT DeviceCore::SetDepthStencilSurface(IDirect3DSurface9* surface) {
  KOR_LOG(CallLine("SetDepthStencilSurface", {ObjectName(static_cast<Surface*>(surface))}));
  if (surface && surface != depthSurface) return D3DERR_INVALIDCALL;
  bool bound = surface != nullptr;
  if (bound != depthBound) {
    depthBound = bound;
    // Depth and stencil tests follow whether there is a buffer to test against.
    renderStatesDirty.set(D3DRS_ZENABLE);
    renderStatesDirty.set(D3DRS_STENCILENABLE);
    renderStatesDirty.set(D3DRS_ZWRITEENABLE);
    changes.Mark(Change::FixedStates);  // pre-transformed depth outside [0, 1] follows the depth test
    RenderTargetChanged();
  }
  return D3D_OK;
}

HRESULT DeviceCore::GetDepthStencilSurface(IDirect3DSurface9** surface) {
  if (!surface) return D3DERR_INVALIDCALL;
  if (!depthSurface || !depthBound) return D3DERR_NOTFOUND;
  depthSurface->AddRef();
  *surface = depthSurface;
  return D3D_OK;
}

namespace {
// The rectangle, or the whole surface for null; false when it leaves the surface.
bool RectWithin(const RECT* rect, const Surface& surface, RECT* out) {
  *out = rect ? *rect : RECT{0, 0, LONG(surface.width), LONG(surface.height)};
  return out->left >= 0 && out->top >= 0 && out->left < out->right && out->top < out->bottom &&
         out->right <= LONG(surface.width) && out->bottom <= LONG(surface.height);
}
}  // namespace

HRESULT DeviceCore::StretchRect(IDirect3DSurface9* source, const RECT* sourceRect,
                                IDirect3DSurface9* dest, const RECT* destRect,
                                D3DTEXTUREFILTERTYPE filter) {
  auto* from = static_cast<Surface*>(source);
  auto* to = static_cast<Surface*>(dest);
  KOR_LOG(CallLine("StretchRect", {ObjectName(from), PointerText(sourceRect), ObjectName(to), PointerText(destRect), Unsigned(filter)}));
  RECT a, b;
  // Into a render target, from a render target or a default-pool texture, inside both.
  bool readable = (from && (from->usage & D3DUSAGE_RENDERTARGET)) ||
                  (from && from->texture && from->pool == D3DPOOL_DEFAULT && from->texture->type == D3DRTYPE_TEXTURE);
  if (!from || !to || from == to || !readable || !(to->usage & D3DUSAGE_RENDERTARGET) ||
      !RectWithin(sourceRect, *from, &a) ||
      !RectWithin(destRect, *to, &b) || filter > D3DTEXF_LINEAR)
    return D3DERR_INVALIDCALL;
  return DoStretchRect(*from, a, *to, b, filter);
}

HRESULT DeviceCore::GetRenderTargetData(IDirect3DSurface9* target, IDirect3DSurface9* dest) {
  auto* from = static_cast<Surface*>(target);
  auto* to = static_cast<Surface*>(dest);
  KOR_LOG(CallLine("GetRenderTargetData", {ObjectName(from), ObjectName(to)}));
  if (!from || !to || !(from->usage & D3DUSAGE_RENDERTARGET) || to->pool != D3DPOOL_SYSTEMMEM ||
      !to->texture || from->width != to->width || from->height != to->height ||
      (from->format != to->format && !(from->format == D3DFMT_X8R8G8B8 && to->format == D3DFMT_A8R8G8B8)))
    return D3DERR_INVALIDCALL;
  if (to->texture->Level(to->face, to->level).locked) return D3DERR_INVALIDCALL;
  return DoGetRenderTargetData(*from, *to);
}

HRESULT DeviceCore::ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR colour) {
  auto* s = static_cast<Surface*>(surface);
  KOR_LOG(CallLine("ColorFill", {ObjectName(s), rect ? "[" + Signed(rect->left) + " " + Signed(rect->top) + " " + Signed(rect->right) + " " +
                                               Signed(rect->bottom) + "]"
                                         : "null",
                             Hex(colour)}));
  // Render targets only: the layer has no off-screen plain surfaces.
  RECT r;
  if (!s || s->pool != D3DPOOL_DEFAULT || !(s->usage & D3DUSAGE_RENDERTARGET) || !RectWithin(rect, *s, &r))
    return D3DERR_INVALIDCALL;
  return DoColorFill(*s, r, colour);
}

HRESULT DeviceCore::SetViewport(const D3DVIEWPORT9* v) {
  ++counters.stateChanges;
  if (!v) return D3DERR_INVALIDCALL;
  KOR_LOG(CallLine("SetViewport", {Unsigned(v->X), Unsigned(v->Y), Unsigned(v->Width), Unsigned(v->Height), Real(v->MinZ), Real(v->MaxZ)}));
  // A viewport reaching past the target is drawn clipped to it.
  if (v->Width == 0 || v->Height == 0 || v->X > 0x7FFFFFFF || v->Y > 0x7FFFFFFF || !(v->MinZ >= 0.0f) ||
      !(v->MaxZ <= 1.0f) || !(v->MinZ <= 1.0f) || !(v->MaxZ >= 0.0f))
    return D3DERR_INVALIDCALL;
  viewport = *v;
  changes.Mark(Change::Viewport);
  return D3D_OK;
}

HRESULT DeviceCore::SetScissorRect(const RECT* rect) {
  if (!rect) return D3DERR_INVALIDCALL;
  KOR_LOG(CallLine("SetScissorRect", {Signed(rect->left), Signed(rect->top), Signed(rect->right), Signed(rect->bottom)}));
  if (rect->left > rect->right || rect->top > rect->bottom) return D3DERR_INVALIDCALL;
  scissorRect = *rect;
  changes.Mark(Change::Scissor);
  return D3D_OK;
}

namespace {
// Whether a value lies inside the enumeration of the render state that takes it; states
// without an enumeration take any value.
bool RenderStateValueValid(D3DRENDERSTATETYPE state, DWORD value) {
  switch (state) {
    case D3DRS_ZENABLE: return value <= 2;  // FALSE, TRUE, D3DZB_USEW
    case D3DRS_FILLMODE: return value >= D3DFILL_POINT && value <= D3DFILL_SOLID;
    case D3DRS_SHADEMODE: return value >= D3DSHADE_FLAT && value <= 3;  // 3: Phong, shaded as Gouraud
    case D3DRS_CULLMODE: return value >= D3DCULL_NONE && value <= D3DCULL_CCW;
    case D3DRS_ZFUNC:
    case D3DRS_ALPHAFUNC:
    case D3DRS_STENCILFUNC:
    case D3DRS_CCW_STENCILFUNC: return value >= D3DCMP_NEVER && value <= D3DCMP_ALWAYS;
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_SRCBLENDALPHA:
    case D3DRS_DESTBLENDALPHA: return value >= D3DBLEND_ZERO && value <= D3DBLEND_INVBLENDFACTOR;
    case D3DRS_BLENDOP:
    case D3DRS_BLENDOPALPHA: return value >= D3DBLENDOP_ADD && value <= D3DBLENDOP_MAX;
    case D3DRS_STENCILFAIL:
    case D3DRS_STENCILZFAIL:
    case D3DRS_STENCILPASS:
    case D3DRS_CCW_STENCILFAIL:
    case D3DRS_CCW_STENCILZFAIL:
    case D3DRS_CCW_STENCILPASS: return value >= D3DSTENCILOP_KEEP && value <= D3DSTENCILOP_DECR;
    case D3DRS_FOGTABLEMODE:
    case D3DRS_FOGVERTEXMODE: return value <= D3DFOG_LINEAR;
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE: return value <= D3DMCS_COLOR2;
    case D3DRS_VERTEXBLEND:
      return value <= D3DVBF_3WEIGHTS || value == D3DVBF_TWEENING || value == D3DVBF_0WEIGHTS;
    default: return true;
  }
}

// Values behind the fixed-function program's uniforms.
bool FeedsFixedFunctionValues(D3DRENDERSTATETYPE state) {
  switch (state) {
    case D3DRS_AMBIENT:
    case D3DRS_FOGCOLOR:
    case D3DRS_FOGSTART:
    case D3DRS_FOGEND:
    case D3DRS_FOGDENSITY:
    case D3DRS_TEXTUREFACTOR:
    case D3DRS_ALPHAREF:
    case D3DRS_ZENABLE:
    case D3DRS_ZFUNC: return true;
    default: return false;
  }
}
}  // namespace

bool DeviceCore::ShapesFixedFunction(D3DRENDERSTATETYPE state) {
  switch (state) {
    case D3DRS_LIGHTING:
    case D3DRS_SPECULARENABLE:
    case D3DRS_LOCALVIEWER:
    case D3DRS_NORMALIZENORMALS:
    case D3DRS_COLORVERTEX:
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE:
    case D3DRS_FOGENABLE:
    case D3DRS_FOGTABLEMODE:
    case D3DRS_FOGVERTEXMODE:
    case D3DRS_RANGEFOGENABLE:
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_ALPHAFUNC:
    case D3DRS_SHADEMODE:
    case D3DRS_VERTEXBLEND:
    case D3DRS_SRGBWRITEENABLE: return true;
    default: return false;
  }
}

HRESULT DeviceCore::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  ++counters.stateChanges;
  KOR_LOG(CallLine("SetRenderState", {Unsigned(state), Unsigned(value)}));
  if (state >= D3DRS_COUNT || !RenderStateValueValid(state, value)) return D3DERR_INVALIDCALL;
  if (renderStates[state] != value) {
    renderStates[state] = value;
    renderStatesDirty.set(state);
    if (ShapesFixedFunction(state)) changes.Mark(Change::FixedProgramKey);
    if (FeedsFixedFunctionValues(state)) changes.Mark(Change::FixedStates);
  }
  return D3D_OK;
}

namespace {
// Samplers 0 … 15, then the vertex samplers from 257; kSamplers for anything else.
UINT SamplerSlot(DWORD sampler) {
  if (sampler < 16) return UINT(sampler);
  if (sampler >= D3DVERTEXTEXTURESAMPLER0 && sampler < D3DVERTEXTEXTURESAMPLER0 + 4)
    return UINT(16 + sampler - D3DVERTEXTEXTURESAMPLER0);
  return DeviceCore::kSamplers;
}
}  // namespace

HRESULT DeviceCore::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  ++counters.stateChanges;
  KOR_LOG(CallLine("SetSamplerState", {Unsigned(sampler), Unsigned(type), Unsigned(value)}));
  UINT slot = SamplerSlot(sampler);
  if (slot >= kSamplers || type == 0 || type >= 14) return D3DERR_INVALIDCALL;
  switch (type) {
    case D3DSAMP_ADDRESSU:
    case D3DSAMP_ADDRESSV:
    case D3DSAMP_ADDRESSW:
      if (value < D3DTADDRESS_WRAP || value > D3DTADDRESS_MIRRORONCE) return D3DERR_INVALIDCALL;
      break;
    case D3DSAMP_MAGFILTER:
    case D3DSAMP_MINFILTER:
      if (value > D3DTEXF_ANISOTROPIC) return D3DERR_INVALIDCALL;
      break;
    case D3DSAMP_MIPFILTER:
      if (value > D3DTEXF_LINEAR) return D3DERR_INVALIDCALL;
      break;
    default: break;
  }
  if (samplerStates[slot][type] != value) {
    samplerStates[slot][type] = value;
    samplersDirty.set(slot);
  }
  return D3D_OK;
}

HRESULT DeviceCore::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  ++counters.stateChanges;
  KOR_LOG(CallLine("SetTextureStageState", {Unsigned(stage), Unsigned(type), Unsigned(value)}));
  if (stage >= 8 || type == 0 || type >= D3DTSS_STATE_COUNT) return D3DERR_INVALIDCALL;
  auto validArgument = [](DWORD arg) {
    return (arg & D3DTA_SELECTMASK) <= D3DTA_CONSTANT &&
           (arg & ~(D3DTA_SELECTMASK | D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE)) == 0;
  };
  switch (type) {
    case D3DTSS_COLOROP:
    case D3DTSS_ALPHAOP:
      if (value < D3DTOP_DISABLE || value > D3DTOP_LERP) return D3DERR_INVALIDCALL;
      break;
    case D3DTSS_COLORARG0:
    case D3DTSS_COLORARG1:
    case D3DTSS_COLORARG2:
    case D3DTSS_ALPHAARG0:
    case D3DTSS_ALPHAARG1:
    case D3DTSS_ALPHAARG2:
      if (!validArgument(value)) return D3DERR_INVALIDCALL;
      break;
    case D3DTSS_RESULTARG:
      if (value != D3DTA_CURRENT && value != D3DTA_TEMP) return D3DERR_INVALIDCALL;
      break;
    case D3DTSS_TEXCOORDINDEX:
      if ((value & 0xFFFF) >= 8 || (value & 0xFFFF0000u) > D3DTSS_TCI_SPHEREMAP) return D3DERR_INVALIDCALL;
      break;
    case D3DTSS_TEXTURETRANSFORMFLAGS:
      if ((value & ~(0xFFu | D3DTTFF_PROJECTED)) != 0 || (value & 0xFF) > D3DTTFF_COUNT4)
        return D3DERR_INVALIDCALL;
      break;
    default: break;
  }
  if (type == D3DTSS_CONSTANT) {
    if (stageConstants[stage] != value) stageConstants[stage] = value, changes.Mark(Change::FixedStageConstants);
    return D3D_OK;
  }
  if (stageStates[stage][type] != value) {
    stageStates[stage][type] = value;
    changes.Mark(Change::FixedProgramKey);
  }
  return D3D_OK;
}

HRESULT DeviceCore::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  ++counters.stateChanges;
  KOR_LOG(CallLine("SetTransform", {Unsigned(state), MatrixText(matrix)}));
  if (!matrix) return D3DERR_INVALIDCALL;
  if (state >= D3DTS_WORLDMATRIX(0) && state <= D3DTS_WORLDMATRIX(255)) {
    worlds[state - D3DTS_WORLDMATRIX(0)] = *matrix;
    if (state <= D3DTS_WORLD3) changes.Mark(Change::Transforms);  // the four that vertex blending reads
    return D3D_OK;
  }
  switch (state) {
    case D3DTS_VIEW: view = *matrix; break;
    case D3DTS_PROJECTION: projection = *matrix; break;
    default:
      if (state < D3DTS_TEXTURE0 || state > D3DTS_TEXTURE7) return D3DERR_INVALIDCALL;
      textureTransforms[state - D3DTS_TEXTURE0] = *matrix;
      changes.Mark(Change::FixedTextureMatrices);
      return D3D_OK;
  }
  changes.Mark(Change::Transforms);
  return D3D_OK;
}

HRESULT DeviceCore::SetLight(DWORD index, const D3DLIGHT9* light) {
  ++counters.stateChanges;
  KOR_LOG(CallLine("SetLight", {Unsigned(index), light ? Unsigned(light->Type) : "null"}));
  if (!light || index >= 8 || light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL)
    return D3DERR_INVALIDCALL;
  // The program key knows each enabled light's type; its values are uniforms.
  // The same light again (the next object lit as the last) changes nothing.
  if (lightsSet.test(index) && std::memcmp(&lights[index], light, sizeof *light) == 0) return D3D_OK;
  if (lightsEnabled.test(index) && lights[index].Type != light->Type) changes.Mark(Change::FixedProgramKey);
  lights[index] = *light;
  lightsSet.set(index);
  changes.Mark(Change::FixedLights);
  return D3D_OK;
}

HRESULT DeviceCore::LightEnable(DWORD index, BOOL enable) {
  ++counters.stateChanges;
  KOR_LOG(CallLine("LightEnable", {Unsigned(index), Unsigned(enable)}));
  // The pipeline runs eight lights; enabling one further away would light nothing.
  if (index >= 8) return enable ? D3DERR_INVALIDCALL : D3D_OK;
  if (!lightsSet.test(index)) {
    // Direct3D's default light: white, directional, shining along +z.
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 0};
    light.Direction = {0, 0, 1};
    lights[index] = light;
    lightsSet.set(index);
    changes.Mark(Change::FixedLights);
  }
  if (lightsEnabled.test(index) != bool(enable)) {
    lightsEnabled.set(index, enable != FALSE);
    changes.Mark(Change::FixedProgramKey);
    changes.Mark(Change::FixedLights);
  }
  return D3D_OK;
}

HRESULT DeviceCore::SetMaterial(const D3DMATERIAL9* material) {
  ++counters.stateChanges;
  KOR_LOG(CallLine("SetMaterial", {PointerText(material)}));
  if (!material) return D3DERR_INVALIDCALL;
  if (std::memcmp(&this->material, material, sizeof *material) == 0) return D3D_OK;
  this->material = *material;
  changes.Mark(Change::FixedMaterial);
  return D3D_OK;
}

HRESULT DeviceCore::SetTexture(DWORD sampler, IDirect3DBaseTexture9* texture) {
  ++counters.stateChanges;
  auto* data = dynamic_cast<TextureData*>(texture);
  KOR_LOG(CallLine("SetTexture", {Unsigned(sampler), data ? ObjectName(data->serial) : "null"}));
  UINT slot = SamplerSlot(sampler);
  if (slot >= kSamplers) return D3DERR_INVALIDCALL;
  Bindable* bound = dynamic_cast<Bindable*>(texture);
  if (textures[slot] != bound) {
    Bind(textures[slot], bound);
    textureData[slot] = data;
    if (slot < 8) changes.Mark(Change::FixedProgramKey);  // a stage's texture kind is part of the program key
    samplersDirty.set(slot);
    changes.Mark(Change::Textures);
  }
  return D3D_OK;
}

namespace {

// The function's length from its second token, if the version token fits the stage.
bool FunctionLength(const DWORD* function, DWORD versionMark, std::vector<DWORD>* out) {
  if (!function || (function[0] & 0xFFFF0000u) != versionMark) return false;
  DWORD length = function[1];
  if (length < 2 || length > (1u << 24)) return false;
  out->assign(function, function + length);
  return true;
}

template <class T>
std::string ValuesText(const T* data, size_t count) {
  std::string text = "[";
  for (size_t i = 0; i < count; ++i)
    text += (i ? " " : "") + (std::is_same_v<T, float> ? Real(float(data[i])) : Signed(int64_t(data[i])));
  return text + "]";
}

// Writes count registers of Width values from start, logging the call; the values are only
// read once they are known to fit.
template <class T, size_t Width>
HRESULT WriteRegisters(DeviceCore& device, const char* name, T* registers, size_t total,
                       UINT start, const T* data, UINT count, bool* dirty) {
  bool fits = data && (uint64_t(start) + count) * Width <= total;
  if (device.Logging())
    device.Log(CallLine(name, {Unsigned(start), fits ? ValuesText(data, size_t(count) * Width) : PointerText(data), Unsigned(count)}) +
               (fits ? "" : " failed"));
  if (!fits) return D3DERR_INVALIDCALL;
  if (std::memcmp(registers + size_t(start) * Width, data, size_t(count) * Width * sizeof(T)) != 0) {
    std::memcpy(registers + size_t(start) * Width, data, size_t(count) * Width * sizeof(T));
    *dirty = true;
  }
  return D3D_OK;
}

}  // namespace

HRESULT DeviceCore::CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) {
  std::vector<DWORD> tokens;
  if (!shader || !FunctionLength(function, 0xFFFE0000u, &tokens)) {
    KOR_LOG("CreateVertexShader(" + PointerText(function) + ") failed");
    return D3DERR_INVALIDCALL;
  }
  auto* made = new VertexShader(*this, std::move(tokens));
  KOR_LOG("CreateVertexShader(" + Unsigned(made->function.size()) + " tokens) -> " + ObjectName(made->serial));
  *shader = made;
  return D3D_OK;
}

HRESULT DeviceCore::CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) {
  std::vector<DWORD> tokens;
  if (!shader || !FunctionLength(function, 0xFFFF0000u, &tokens)) {
    KOR_LOG("CreatePixelShader(" + PointerText(function) + ") failed");
    return D3DERR_INVALIDCALL;
  }
  auto* made = new PixelShader(*this, std::move(tokens));
  KOR_LOG("CreatePixelShader(" + Unsigned(made->function.size()) + " tokens) -> " + ObjectName(made->serial));
  *shader = made;
  return D3D_OK;
}

HRESULT DeviceCore::SetVertexShader(IDirect3DVertexShader9* shader) {
  ++counters.stateChanges;
  auto* made = static_cast<VertexShader*>(shader);
  KOR_LOG(CallLine("SetVertexShader", {made ? ObjectName(made->serial) : "null"}));
  if (made != vertexShader) {
    Bind(vertexShader, made);
    changes.Mark(Change::Program);
  }
  return D3D_OK;
}

HRESULT DeviceCore::SetPixelShader(IDirect3DPixelShader9* shader) {
  ++counters.stateChanges;
  auto* made = static_cast<PixelShader*>(shader);
  KOR_LOG(CallLine("SetPixelShader", {made ? ObjectName(made->serial) : "null"}));
  if (made != pixelShader) {
    Bind(pixelShader, made);
    changes.Mark(Change::Program);
  }
  return D3D_OK;
}

HRESULT DeviceCore::SetVertexShaderConstantF(UINT start, const float* data, UINT count) {
  ++counters.stateChanges;
  auto& r = vertexConstants;
  return WriteRegisters<float, 4>(*this, "SetVertexShaderConstantF", r.floats.data(),
                                 r.floats.size(), start, data, count, &r.dirty);
}
HRESULT DeviceCore::SetVertexShaderConstantI(UINT start, const int* data, UINT count) {
  auto& r = vertexConstants;
  return WriteRegisters<int, 4>(*this, "SetVertexShaderConstantI", r.ints.data(),
                                 r.ints.size(), start, data, count, &r.dirty);
}
HRESULT DeviceCore::SetVertexShaderConstantB(UINT start, const BOOL* data, UINT count) {
  auto& r = vertexConstants;
  return WriteRegisters<BOOL, 1>(*this, "SetVertexShaderConstantB", r.bools.data(),
                                 r.bools.size(), start, data, count, &r.dirty);
}
HRESULT DeviceCore::SetPixelShaderConstantF(UINT start, const float* data, UINT count) {
  ++counters.stateChanges;
  auto& r = pixelConstants;
  return WriteRegisters<float, 4>(*this, "SetPixelShaderConstantF", r.floats.data(),
                                 r.floats.size(), start, data, count, &r.dirty);
}
HRESULT DeviceCore::SetPixelShaderConstantI(UINT start, const int* data, UINT count) {
  auto& r = pixelConstants;
  return WriteRegisters<int, 4>(*this, "SetPixelShaderConstantI", r.ints.data(),
                                 r.ints.size(), start, data, count, &r.dirty);
}
HRESULT DeviceCore::SetPixelShaderConstantB(UINT start, const BOOL* data, UINT count) {
  auto& r = pixelConstants;
  return WriteRegisters<BOOL, 1>(*this, "SetPixelShaderConstantB", r.bools.data(),
                                 r.bools.size(), start, data, count, &r.dirty);
}

HRESULT DeviceCore::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer9** buffer, void*) {
  if (!buffer || length == 0) {
    KOR_LOG(CallLine("CreateVertexBuffer", {Unsigned(length), Hex(usage), Unsigned(fvf), Unsigned(pool)}) + " failed");
    return D3DERR_INVALIDCALL;
  }
  VertexBuffer* made = new VertexBuffer(*this, length, usage, pool);
  KOR_LOG(CallLine("CreateVertexBuffer", {Unsigned(length), Hex(usage), Unsigned(fvf), Unsigned(pool)}) + " -> " + ObjectName(made));
  *buffer = made;
  return D3D_OK;
}

HRESULT DeviceCore::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DIndexBuffer9** buffer, void*) {
  if (!buffer || length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) {
    KOR_LOG(CallLine("CreateIndexBuffer", {Unsigned(length), Hex(usage), Unsigned(format), Unsigned(pool)}) + " failed");
    return D3DERR_INVALIDCALL;
  }
  IndexBuffer* made = new IndexBuffer(*this, length, usage, format, pool);
  KOR_LOG(CallLine("CreateIndexBuffer", {Unsigned(length), Hex(usage), Unsigned(format), Unsigned(pool)}) + " -> " + ObjectName(made));
  *buffer = made;
  return D3D_OK;
}

HRESULT DeviceCore::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                            IDirect3DVertexDeclaration9** out) {
  std::string text;
  std::vector<D3DVERTEXELEMENT9> list;
  bool valid = elements && out;
  for (UINT i = 0; valid && elements[i].Stream != 0xFF; ++i) {
    const D3DVERTEXELEMENT9& e = elements[i];
    text += (i ? " {" : "{") + Unsigned(e.Stream) + " " + Unsigned(e.Offset) + " " + Unsigned(e.Type) + " " +
            Unsigned(e.Method) + " " + Unsigned(e.Usage) + " " + Unsigned(e.UsageIndex) + "}";
    if (i + 1 >= MAXD3DDECLLENGTH || e.Stream >= kStreams || DeclTypeSize(e.Type) == 0)
      valid = false;
    list.push_back(e);
  }
  if (!valid) {
    KOR_LOG("CreateVertexDeclaration(" + text + ") failed");
    return D3DERR_INVALIDCALL;
  }
  VertexDeclaration* made = new VertexDeclaration(*this, std::move(list));
  KOR_LOG("CreateVertexDeclaration(" + text + ") -> " + ObjectName(made));
  *out = made;
  return D3D_OK;
}

HRESULT DeviceCore::SetVertexDeclaration(IDirect3DVertexDeclaration9* d) {
  ++counters.stateChanges;
  auto* made = static_cast<VertexDeclaration*>(d);
  KOR_LOG(CallLine("SetVertexDeclaration", {ObjectName(made)}));
  if (made != declaration) {
    Bind(declaration, made);
    changes.Mark(Change::Input);
  }
  return D3D_OK;
}

HRESULT DeviceCore::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                    UINT stride) {
  ++counters.stateChanges;
  auto* made = static_cast<VertexBuffer*>(buffer);
  KOR_LOG(CallLine("SetStreamSource", {Unsigned(stream), ObjectName(made), Unsigned(offset), Unsigned(stride)}));
  if (stream >= kStreams) return D3DERR_INVALIDCALL;
  StreamBinding& s = streams[stream];
  if (s.buffer != made || s.offset != offset || s.stride != stride) {
    Bind(s.buffer, made);
    s.offset = offset;
    s.stride = stride;
    changes.Mark(Change::Input);
  }
  return D3D_OK;
}

HRESULT DeviceCore::SetIndices(IDirect3DIndexBuffer9* buffer) {
  ++counters.stateChanges;
  auto* made = static_cast<IndexBuffer*>(buffer);
  KOR_LOG(CallLine("SetIndices", {ObjectName(made)}));
  if (made != indices) {
    Bind(indices, made);
    changes.Mark(Change::Input);
  }
  return D3D_OK;
}

// State queries.

HRESULT DeviceCore::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  if (!value || state >= D3DRS_COUNT) return D3DERR_INVALIDCALL;
  *value = renderStates[state];
  return D3D_OK;
}

HRESULT DeviceCore::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
  UINT slot = SamplerSlot(sampler);
  if (!value || slot >= kSamplers || type == 0 || type > D3DSAMP_DMAPOFFSET) return D3DERR_INVALIDCALL;
  *value = samplerStates[slot][type];
  return D3D_OK;
}

HRESULT DeviceCore::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
  if (!value || stage >= 8 || type == 0 || type >= D3DTSS_STATE_COUNT) return D3DERR_INVALIDCALL;
  *value = type == D3DTSS_CONSTANT ? stageConstants[stage] : stageStates[stage][type];
  return D3D_OK;
}

HRESULT DeviceCore::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  if (!matrix) return D3DERR_INVALIDCALL;
  if (state >= D3DTS_WORLDMATRIX(0) && state <= D3DTS_WORLDMATRIX(255)) *matrix = worlds[state - D3DTS_WORLDMATRIX(0)];
  else if (state == D3DTS_VIEW) *matrix = view;
  else if (state == D3DTS_PROJECTION) *matrix = projection;
  else if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) *matrix = textureTransforms[state - D3DTS_TEXTURE0];
  else return D3DERR_INVALIDCALL;
  return D3D_OK;
}

HRESULT DeviceCore::GetViewport(D3DVIEWPORT9* out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = viewport;
  return D3D_OK;
}

HRESULT DeviceCore::GetScissorRect(RECT* rect) {
  if (!rect) return D3DERR_INVALIDCALL;
  *rect = scissorRect;
  return D3D_OK;
}

HRESULT DeviceCore::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset, UINT* stride) {
  if (!buffer || !offset || !stride || stream >= kStreams) return D3DERR_INVALIDCALL;
  const StreamBinding& s = streams[stream];
  *buffer = s.buffer;
  if (s.buffer) s.buffer->AddRef();
  *offset = s.offset;
  *stride = s.stride;
  return D3D_OK;
}

HRESULT DeviceCore::GetTexture(DWORD sampler, IDirect3DBaseTexture9** texture) {
  UINT slot = SamplerSlot(sampler);
  if (!texture || slot >= kSamplers) return D3DERR_INVALIDCALL;
  *texture = textureData[slot] ? dynamic_cast<IDirect3DBaseTexture9*>(textureData[slot]) : nullptr;
  if (*texture) (*texture)->AddRef();
  return D3D_OK;
}

// Every element the declaration names must lie inside its stream's buffer for vertices
// [first, first + count). An element other than the position whose stream has no buffer
// reads (0, 0, 0, 1), so a pass may ask for an attribute a mesh lacks.
HRESULT DeviceCore::CheckVertexReads(UINT first, UINT count) const {
  if (!declaration) return D3DERR_INVALIDCALL;
  for (const D3DVERTEXELEMENT9& e : declaration->elements) {
    const StreamBinding& s = streams[e.Stream];
    if (!s.buffer) {
      bool position = (e.Usage == D3DDECLUSAGE_POSITION || e.Usage == D3DDECLUSAGE_POSITIONT) &&
                      e.UsageIndex == 0;
      if (position) return D3DERR_INVALIDCALL;
      continue;  // read as the attribute's default value
    }
    uint64_t end = uint64_t(s.offset) + uint64_t(first + uint64_t(count) - 1) * s.stride +
                   e.Offset + DeclTypeSize(e.Type);
    if (end > s.buffer->store.bytes.size()) return D3DERR_INVALIDCALL;
  }
  return D3D_OK;
}

HRESULT DeviceCore::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
  ++counters.draws;
  KOR_LOG(CallLine("DrawPrimitive", {Unsigned(type), Unsigned(startVertex), Unsigned(primitiveCount)}));
  UINT count = VerticesOfPrimitives(type, primitiveCount);
  if (count == 0) return primitiveCount == 0 && type >= 1 && type <= 6 ? D3D_OK : D3DERR_INVALIDCALL;
  HRESULT hr = CheckVertexReads(startVertex, count);
  if (FAILED(hr)) return hr;
  return DoDraw({type, false, startVertex, count, 0});
}

HRESULT DeviceCore::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex,
                                         UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                         UINT primitiveCount) {
  ++counters.draws;
  KOR_LOG(CallLine("DrawIndexedPrimitive", {Unsigned(type), Signed(baseVertexIndex), Unsigned(minVertexIndex),
                                    Unsigned(numVertices), Unsigned(startIndex), Unsigned(primitiveCount)}));
  UINT count = VerticesOfPrimitives(type, primitiveCount);
  if (count == 0) return primitiveCount == 0 && type >= 1 && type <= 6 ? D3D_OK : D3DERR_INVALIDCALL;
  if (!indices || uint64_t(startIndex) + count > indices->IndexCount())
    return D3DERR_INVALIDCALL;
  UINT lowest, highest;
  indices->IndexRange(startIndex, count, &lowest, &highest);
  int64_t first = int64_t(baseVertexIndex) + lowest;
  int64_t last = int64_t(baseVertexIndex) + highest;
  if (first < 0 || last > int64_t(~0u)) return D3DERR_INVALIDCALL;
  HRESULT hr = CheckVertexReads(UINT(first), UINT(last - first + 1));
  if (FAILED(hr)) return hr;
  return DoDraw({type, true, startIndex, count, baseVertexIndex});
}

}  // namespace d3d9

D3D9Counters D3D9GetCounters() { return d3d9::counters; }
void D3D9SetPresentHook(std::function<void(IDirect3DDevice9*)> hook) { d3d9::presentHook = std::move(hook); }
