// Textures of the layer: 2D, cube and volume, every level's bytes kept in the texture and
// handed out by Lock; a backend mirrors them on Unlock.

#include <algorithm>
#include <cstdio>

#include "platform/d3d9/DeviceCore.h"

namespace d3d9 {

bool TextureFormatLayout(D3DFORMAT format, UINT* blockBytes, UINT* blockEdge) {
  *blockEdge = 1;
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8: *blockBytes = 4; return true;
    case D3DFMT_R5G6B5:
    case D3DFMT_R16F: *blockBytes = 2; return true;
    case D3DFMT_A16B16G16R16F: *blockBytes = 8; return true;
    case D3DFMT_DXT1: *blockBytes = 8, *blockEdge = 4; return true;
    case D3DFMT_DXT3:
    case D3DFMT_DXT5: *blockBytes = 16, *blockEdge = 4; return true;
    default: return false;
  }
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = {format, D3DRTYPE_SURFACE, usage, pool, D3DMULTISAMPLE_NONE, 0, width, height};
  return D3D_OK;
}

Surface* DeviceCore::SurfaceOf(TextureData& texture, IUnknown* owner, UINT face, UINT level) {
  Surface*& made = texture.surfaces[size_t(face) * texture.levelCount + level];
  if (!made) {
    made = new Surface;
    made->serial = NextSerial();
    const TextureLevel& l = texture.Level(face, level);
    made->width = l.width, made->height = l.height;
    made->format = texture.format, made->usage = texture.usage, made->pool = texture.pool;
    made->owner = owner, made->texture = &texture, made->face = face, made->level = level;
    made->ownerHold = dynamic_cast<Bindable*>(owner);
  }
  return made;
}

namespace {

std::string N(uint64_t v) { return std::to_string(v); }

// Levels of a chain from the largest edge down to 1, or the count asked for if smaller.
UINT ChainLength(UINT width, UINT height, UINT depth, UINT asked) {
  UINT edge = std::max({width, height, depth}), full = 1;
  while (edge > 1) edge >>= 1, ++full;
  return asked == 0 ? full : std::min(asked, full);
}

// What the three kinds do alike, over TextureData.
class TextureCore : public TextureData {
public:
  TextureCore(DeviceCore& device, D3DRESOURCETYPE kind, UINT w, UINT h, UINT d, UINT levelsAsked,
              DWORD use, D3DFORMAT fmt, D3DPOOL where)
      : device(device), reference(device) {
    serial = device.NextSerial();
    type = kind, format = fmt, usage = use, pool = where;
    width = w, height = h, depth = d;
    faces = kind == D3DRTYPE_CUBETEXTURE ? 6 : 1;
    levelCount = ChainLength(w, h, d, levelsAsked);
    UINT blockBytes = 0, blockEdge = 1;
    TextureFormatLayout(fmt, &blockBytes, &blockEdge);
    levels.resize(size_t(faces) * levelCount);
    for (UINT f = 0; f < faces; ++f)
      for (UINT i = 0; i < levelCount; ++i) {
        TextureLevel& l = Level(f, i);
        l.width = std::max(1u, w >> i), l.height = std::max(1u, h >> i), l.depth = std::max(1u, d >> i);
        UINT across = (l.width + blockEdge - 1) / blockEdge, down = (l.height + blockEdge - 1) / blockEdge;
        l.rowPitch = across * blockBytes;
        l.slicePitch = l.rowPitch * down;
        // Render targets live on the GPU: there are no bytes to lock.
        if (!(use & D3DUSAGE_RENDERTARGET)) l.bytes.assign(size_t(l.slicePitch) * l.depth, 0);
      }
    surfaces.assign(levels.size(), nullptr);
    device.TextureCreated(*this);
  }
  ~TextureCore() override {
    device.TextureDestroyed(*this);
    for (Surface* s : surfaces) delete s;
  }

  DWORD ChangeLod(DWORD level) {
    DWORD old = lod;
    lod = std::min<DWORD>(level, levelCount - 1);
    if (lod != old) device.TextureSamplingChanged();
    return old;
  }

  HRESULT Desc(IUnknown* self, UINT level, D3DSURFACE_DESC* desc) {
    if (!desc || level >= levelCount) return D3DERR_INVALIDCALL;
    return device.SurfaceOf(*this, self, 0, level)->GetDesc(desc);
  }
  HRESULT SurfaceAt(IUnknown* self, UINT face, UINT level, IDirect3DSurface9** surface) {
    if (!surface || face >= faces || level >= levelCount) return D3DERR_INVALIDCALL;
    Surface* made = device.SurfaceOf(*this, self, face, level);
    made->AddRef();
    *surface = made;
    return D3D_OK;
  }
  // Only whole levels are locked: the engine never locks part of one.
  HRESULT Lock(UINT face, UINT level, bool whole, void** bits, INT* rowPitch, INT* slicePitch) {
    const char* name = type == D3DRTYPE_VOLUMETEXTURE ? "LockBox" : "LockRect";
    std::string line;
    if (device.Logging()) line = std::string(name) + "(#" + N(serial) + ", " + N(face) + ", " + N(level) + ")";
    if (!bits || !rowPitch || face >= faces || level >= levelCount || !whole ||
        (usage & D3DUSAGE_RENDERTARGET) || Level(face, level).locked) {
      device.Log(line + " failed");
      return D3DERR_INVALIDCALL;
    }
    TextureLevel& l = Level(face, level);
    l.locked = true;
    *bits = l.bytes.data();
    *rowPitch = INT(l.rowPitch);
    if (slicePitch) *slicePitch = INT(l.slicePitch);
    device.Log(line);
    return D3D_OK;
  }
  HRESULT Unlock(UINT face, UINT level) {
    if (face >= faces || level >= levelCount || !Level(face, level).locked) return D3DERR_INVALIDCALL;
    Level(face, level).locked = false;
    if (device.Logging())
      device.Log(std::string(type == D3DRTYPE_VOLUMETEXTURE ? "UnlockBox" : "UnlockRect") + "(#" +
               N(serial) + ", " + N(face) + ", " + N(level) + ")");
    device.TextureUnlocked(*this, face, level);
    return D3D_OK;
  }

  DeviceCore& device;
  DeviceReference reference;
};

class PlainTexture final : public RefCounted<IDirect3DTexture9>, public TextureCore {
public:
  using TextureCore::TextureCore;
  DWORD GetLevelCount() override { return levelCount; }
  D3DRESOURCETYPE GetType() override { return type; }
  DWORD SetLOD(DWORD level) override { return ChangeLod(level); }
  DWORD GetLOD() override { return lod; }
  void Orphaned() override { reference.Drop(); }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override { return Desc(this, level, desc); }
  HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override {
    return SurfaceAt(this, 0, level, surface);
  }
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD) override {
    return locked ? Lock(0, level, !rect, &locked->pBits, &locked->Pitch, nullptr) : D3DERR_INVALIDCALL;
  }
  HRESULT UnlockRect(UINT level) override { return Unlock(0, level); }
};

class CubeTexture final : public RefCounted<IDirect3DCubeTexture9>, public TextureCore {
public:
  using TextureCore::TextureCore;
  DWORD GetLevelCount() override { return levelCount; }
  D3DRESOURCETYPE GetType() override { return type; }
  DWORD SetLOD(DWORD level) override { return ChangeLod(level); }
  DWORD GetLOD() override { return lod; }
  void Orphaned() override { reference.Drop(); }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override { return Desc(this, level, desc); }
  HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES face, UINT level, IDirect3DSurface9** surface) override {
    return SurfaceAt(this, face, level, surface);
  }
  HRESULT LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                   DWORD) override {
    return locked ? Lock(face, level, !rect, &locked->pBits, &locked->Pitch, nullptr) : D3DERR_INVALIDCALL;
  }
  HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT level) override { return Unlock(face, level); }
};

class VolumeTexture final : public RefCounted<IDirect3DVolumeTexture9>, public TextureCore {
public:
  using TextureCore::TextureCore;
  DWORD GetLevelCount() override { return levelCount; }
  D3DRESOURCETYPE GetType() override { return type; }
  DWORD SetLOD(DWORD level) override { return ChangeLod(level); }
  DWORD GetLOD() override { return lod; }
  void Orphaned() override { reference.Drop(); }
  HRESULT LockBox(UINT level, D3DLOCKED_BOX* locked, const D3DBOX* box, DWORD) override {
    return locked ? Lock(0, level, !box, &locked->pBits, &locked->RowPitch, &locked->SlicePitch)
                  : D3DERR_INVALIDCALL;
  }
  HRESULT UnlockBox(UINT level) override { return Unlock(0, level); }
};

// Sizes a texture may have: render targets of a colour format, compressed ones in whole
// blocks, at most 4096 texels on an edge.
bool Creatable(UINT w, UINT h, UINT d, DWORD usage, D3DFORMAT format, D3DPOOL pool) {
  UINT blockBytes, blockEdge;
  if (!TextureFormatLayout(format, &blockBytes, &blockEdge)) return false;
  if (w == 0 || h == 0 || d == 0 || w > 4096 || h > 4096 || d > 4096) return false;
  if (usage & D3DUSAGE_RENDERTARGET) return pool == D3DPOOL_DEFAULT && blockEdge == 1 && d == 1;
  return uint64_t(w) * h * d <= (uint64_t(1) << 28);
}

std::string Args(std::initializer_list<uint64_t> values) {
  std::string text;
  for (uint64_t v : values) text += (text.empty() ? "" : ", ") + N(v);
  return text;
}

}  // namespace

HRESULT DeviceCore::CreateTexture(UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format,
                                  D3DPOOL pool, IDirect3DTexture9** texture, void*) {
  std::string line = "CreateTexture(" + Args({w, h, levels, usage, format, pool}) + ")";
  if (!texture || !Creatable(w, h, 1, usage, format, pool)) {
    Log(line + " failed");
    return D3DERR_INVALIDCALL;
  }
  auto* made = new PlainTexture(*this, D3DRTYPE_TEXTURE, w, h, 1, levels, usage, format, pool);
  Log(line + " -> #" + N(made->serial));
  *texture = made;
  return D3D_OK;
}

HRESULT DeviceCore::CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format,
                                      D3DPOOL pool, IDirect3DCubeTexture9** texture, void*) {
  std::string line = "CreateCubeTexture(" + Args({edge, levels, usage, format, pool}) + ")";
  if (!texture || !Creatable(edge, edge, 1, usage, format, pool)) {
    Log(line + " failed");
    return D3DERR_INVALIDCALL;
  }
  auto* made = new CubeTexture(*this, D3DRTYPE_CUBETEXTURE, edge, edge, 1, levels, usage, format, pool);
  Log(line + " -> #" + N(made->serial));
  *texture = made;
  return D3D_OK;
}

HRESULT DeviceCore::CreateVolumeTexture(UINT w, UINT h, UINT d, UINT levels, DWORD usage,
                                        D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DVolumeTexture9** texture, void*) {
  std::string line = "CreateVolumeTexture(" + Args({w, h, d, levels, usage, format, pool}) + ")";
  if (!texture || (usage & D3DUSAGE_RENDERTARGET) || !Creatable(w, h, d, usage, format, pool)) {
    Log(line + " failed");
    return D3DERR_INVALIDCALL;
  }
  auto* made = new VolumeTexture(*this, D3DRTYPE_VOLUMETEXTURE, w, h, d, levels, usage, format, pool);
  Log(line + " -> #" + N(made->serial));
  *texture = made;
  return D3D_OK;
}

}  // namespace d3d9
