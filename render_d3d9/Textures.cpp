#include "render_d3d9/Textures.h"

#include <algorithm>
#include <cstring>

#include "core/Exception.h"
#include "graphics/RenderSystem.h"
#include "platform/d3d9/D3D9.h"
#include "render_d3d9/D3D9Device.h"
#include "render_d3d9/Module.h"

namespace KOR {
namespace {

D3DFORMAT FormatOf(PixelFormat format) {
  static const D3DFORMAT formats[] = {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8,
                                      D3DFMT_R16F, D3DFMT_A16B16G16R16F, D3DFMT_DXT1,
                                      D3DFMT_DXT3, D3DFMT_DXT5};
  return format >= 0 && format < 8 ? formats[format] : D3DFMT_X8R8G8B8;
}

struct Placement {
  DWORD usage;
  D3DPOOL pool;
};
// Dynamic textures go where Direct3D 9 allows them, the default pool.
Placement PlacementOf(int32_t usage) {
  if (usage == TextureUsages::RenderTarget) return {D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT};
  if (usage == TextureUsages::Dynamic) return {D3DUSAGE_DYNAMIC, D3DPOOL_DEFAULT};
  return {0, D3DPOOL_MANAGED};
}

D3DCUBEMAP_FACES FaceOf(int32_t face) {
  static const D3DCUBEMAP_FACES faces[] = {D3DCUBEMAP_FACE_NEGATIVE_X, D3DCUBEMAP_FACE_POSITIVE_X,
                                           D3DCUBEMAP_FACE_NEGATIVE_Y, D3DCUBEMAP_FACE_POSITIVE_Y,
                                           D3DCUBEMAP_FACE_NEGATIVE_Z, D3DCUBEMAP_FACE_POSITIVE_Z};
  return face >= 0 && face < 6 ? faces[face] : D3DCUBEMAP_FACE_NEGATIVE_X;
}

// Row by row, as the locked pitch may be wider; a row never spills past the locked one.
void CopyRows(BYTE* to, INT toPitch, const Surface& from) {
  if (!to || !from.data || toPitch <= 0) return;
  size_t row = size_t(std::min(from.pitch, toPitch));
  for (int32_t r = 0; r < from.height; ++r)
    std::memcpy(to + size_t(r) * size_t(toPitch), from.data + size_t(r) * size_t(from.pitch), row);
}

[[noreturn]] void TargetError(const char* error, const char* description) {
  throw Exception("KOR Renderer D3D9 (Texture2D)", error, description);
}

// The device keeps the surface as its current target (and its reference).
void MakeCurrentTarget(IDirect3DSurface9* surface) {
  IDirect3DDevice9* device = D3D9::Device9();
  device->SetRenderTarget(0, surface);
  if (auto* module = dynamic_cast<D3D9Device*>(CurrentDevice())) module->SetCurrentTarget(surface);
  else surface->Release();
}

template <class T>
void ReleaseAndClear(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

}  // namespace

D3D9Texture2D::~D3D9Texture2D() { ReleaseAndClear(texture); }

void D3D9Texture2D::Upload() {
  IDirect3DDevice9* device = D3D9::Device9();
  if (!device || levels.empty()) return;
  Placement place = PlacementOf(usage);
  if (!texture && FAILED(device->CreateTexture(UINT(width), UINT(height), UINT(levels.size()), place.usage,
                                               FormatOf(format), place.pool, &texture, nullptr)))
    texture = nullptr;
  if (!texture || usage == TextureUsages::RenderTarget) return;
  UINT count = std::min<UINT>(texture->GetLevelCount(), UINT(levels.size()));
  for (UINT i = 0; i < count; ++i) {
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(i, &locked, nullptr, 0))) continue;
    CopyRows(static_cast<BYTE*>(locked.pBits), locked.Pitch, *levels[i]);
    texture->UnlockRect(i);
  }
}

void D3D9Texture2D::Bind(int32_t stage) {
  if (IDirect3DDevice9* device = D3D9::Device9()) device->SetTexture(DWORD(stage), texture);
}

void D3D9Texture2D::SetAsRenderTarget() {
  if (!D3D9::Device9()) return;
  if (usage != TextureUsages::RenderTarget)
    TargetError("Not a render target", "trying render target a non render target texture.");
  if (!texture) TargetError("Texture not built", "Trying to render target a texture that was not built.");
  IDirect3DSurface9* surface = nullptr;
  if (SUCCEEDED(texture->GetSurfaceLevel(0, &surface))) MakeCurrentTarget(surface);
}

IDirect3DBaseTexture9* D3D9Texture2D::GetBaseTexture() { return texture; }

D3D9TextureCube::~D3D9TextureCube() { ReleaseAndClear(texture); }

void D3D9TextureCube::Upload() {
  IDirect3DDevice9* device = D3D9::Device9();
  size_t count = faces[0].empty() ? levels.size() : faces[0].size();
  if (!device || count == 0) return;
  Placement place = PlacementOf(usage);
  if (!texture && FAILED(device->CreateCubeTexture(UINT(width), UINT(count), place.usage, FormatOf(format),
                                                   place.pool, &texture, nullptr)))
    texture = nullptr;
  if (!texture || usage == TextureUsages::RenderTarget) return;
  for (int32_t f = 0; f < 6; ++f)
    for (UINT i = 0; i < std::min<UINT>(texture->GetLevelCount(), UINT(faces[size_t(f)].size())); ++i) {
      D3DLOCKED_RECT locked{};
      if (FAILED(texture->LockRect(FaceOf(f), i, &locked, nullptr, 0))) continue;
      CopyRows(static_cast<BYTE*>(locked.pBits), locked.Pitch, *faces[size_t(f)][i]);
      texture->UnlockRect(FaceOf(f), i);
    }
}

void D3D9TextureCube::Bind(int32_t stage) {
  if (IDirect3DDevice9* device = D3D9::Device9()) device->SetTexture(DWORD(stage), texture);
}

void D3D9TextureCube::SetAsRenderTarget(int32_t face) {
  if (!D3D9::Device9()) return;
  if (usage != TextureUsages::RenderTarget)
    TargetError("Not a render target", "trying render target a non render target texture.");
  if (!texture) TargetError("Texture not built", "Trying to render target a texture that was not built.");
  IDirect3DSurface9* surface = nullptr;
  if (SUCCEEDED(texture->GetCubeMapSurface(FaceOf(face), 0, &surface))) MakeCurrentTarget(surface);
}

IDirect3DBaseTexture9* D3D9TextureCube::GetBaseTexture() { return texture; }

D3D9Texture3D::~D3D9Texture3D() { ReleaseAndClear(texture); }

void D3D9Texture3D::Upload() {
  IDirect3DDevice9* device = D3D9::Device9();
  if (!device || levels.empty()) return;
  Placement place = PlacementOf(usage == TextureUsages::RenderTarget ? TextureUsages::Ordinary : usage);
  if (!texture &&
      FAILED(device->CreateVolumeTexture(UINT(width), UINT(height), UINT(depth), UINT(levels.size()),
                                         place.usage, FormatOf(format), place.pool, &texture, nullptr)))
    texture = nullptr;
  if (!texture) return;
  UINT count = std::min<UINT>(texture->GetLevelCount(), UINT(levels.size()));
  for (UINT i = 0; i < count; ++i) {
    D3DLOCKED_BOX box{};
    if (FAILED(texture->LockBox(i, &box, nullptr, 0)) || !box.pBits) continue;
    const Volume& v = *levels[i];
    size_t row = size_t(std::max(0, std::min(v.pitch, box.RowPitch)));
    for (int32_t s = 0; v.data && s < v.depth; ++s)
      for (int32_t r = 0; r < v.height; ++r)
        std::memcpy(static_cast<BYTE*>(box.pBits) + size_t(s) * size_t(box.SlicePitch) + size_t(r) * size_t(box.RowPitch),
                    v.data + size_t(s) * size_t(v.slicePitch) + size_t(r) * size_t(v.pitch), row);
    texture->UnlockBox(i);
  }
}

void D3D9Texture3D::Bind(int32_t stage) {
  if (IDirect3DDevice9* device = D3D9::Device9()) device->SetTexture(DWORD(stage), texture);
}

IDirect3DBaseTexture9* D3D9Texture3D::GetBaseTexture() { return texture; }

}  // namespace KOR
