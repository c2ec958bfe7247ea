// Textures of the layer: 2D, cube and volume. Where the backend keeps textures' bytes, every
// level's live here and Lock hands them out; elsewhere Lock hands out a staging copy of the
// locked box (read from the backend unless discarded) that Unlock gives back and frees.
// Also the copies between textures: UpdateSurface and UpdateTexture.

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/d3d9/CallLog.h"
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

UINT BlockEdgeOf(D3DFORMAT format) {
  UINT blockBytes = 0, blockEdge = 1;
  TextureFormatLayout(format, &blockBytes, &blockEdge);
  return blockEdge;
}
UINT BlockBytesOf(D3DFORMAT format) {
  UINT blockBytes = 0, blockEdge = 1;
  TextureFormatLayout(format, &blockBytes, &blockEdge);
  return blockBytes;
}

// The box asked (all of the level for null), or false when it is empty, leaves the level
// or cuts through a compressed block.
bool BoxWithin(const TextureLevel& l, UINT edge, const D3DBOX* asked, D3DBOX* out) {
  *out = asked ? *asked : D3DBOX{0, 0, l.width, l.height, 0, l.depth};
  const D3DBOX& b = *out;
  if (b.Left >= b.Right || b.Top >= b.Bottom || b.Front >= b.Back || b.Right > l.width ||
      b.Bottom > l.height || b.Back > l.depth)
    return false;
  return b.Left % edge == 0 && b.Top % edge == 0 && (b.Right % edge == 0 || b.Right == l.width) &&
         (b.Bottom % edge == 0 || b.Bottom == l.height);
}

// Rows of blocks, and bytes of such a row, that a box spans.
UINT RowsOf(const D3DBOX& b, UINT edge) { return (b.Bottom - b.Top + edge - 1) / edge; }
UINT RowBytesOf(const D3DBOX& b, UINT edge, UINT blockBytes) {
  return (b.Right - b.Left + edge - 1) / edge * blockBytes;
}
size_t OffsetOf(const TextureLevel& l, const D3DBOX& b, UINT edge, UINT blockBytes) {
  return size_t(b.Front) * l.slicePitch + size_t(b.Top / edge) * l.rowPitch + size_t(b.Left / edge) * blockBytes;
}

void CopyBox(const TexelBytes& from, const TexelBytes& to, UINT rowBytes, UINT rows, UINT slices) {
  for (UINT z = 0; z < slices; ++z)
    for (UINT y = 0; y < rows; ++y)
      std::memcpy(to.bytes + size_t(z) * to.slicePitch + size_t(y) * to.rowPitch,
                  from.bytes + size_t(z) * from.slicePitch + size_t(y) * from.rowPitch, rowBytes);
}

std::string BoxText(const D3DBOX* b) {
  if (!b) return "null";
  return "[" + Unsigned(b->Left) + " " + Unsigned(b->Top) + " " + Unsigned(b->Right) + " " + Unsigned(b->Bottom) + "]";
}

// Levels of a chain from the largest edge down to 1, or the count asked for if smaller.
UINT ChainLength(UINT width, UINT height, UINT depth, UINT asked) {
  UINT edge = std::max({width, height, depth}), full = 1;
  while (edge > 1) edge >>= 1, ++full;
  return asked == 0 ? full : std::min(asked, full);
}

// A rectangle as a box one slice deep; null stays null (the whole level). A rectangle with
// negative edges becomes an empty box, which Lock refuses.
const D3DBOX* BoxOf(const RECT* rect, D3DBOX* box) {
  if (!rect) return nullptr;
  bool valid = rect->left >= 0 && rect->top >= 0 && rect->right >= rect->left && rect->bottom >= rect->top;
  *box = valid ? D3DBOX{UINT(rect->left), UINT(rect->top), UINT(rect->right), UINT(rect->bottom), 0, 1}
               : D3DBOX{0, 0, 0, 0, 0, 0};
  return box;
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
    // Render targets live on the GPU: there are no bytes to lock.
    bool keep = !(use & D3DUSAGE_RENDERTARGET) && device.KeepsTextureBytes(*this);
    levels.resize(size_t(faces) * levelCount);
    for (UINT f = 0; f < faces; ++f)
      for (UINT i = 0; i < levelCount; ++i) {
        TextureLevel& l = Level(f, i);
        l.width = std::max(1u, w >> i), l.height = std::max(1u, h >> i), l.depth = std::max(1u, d >> i);
        UINT across = (l.width + blockEdge - 1) / blockEdge, down = (l.height + blockEdge - 1) / blockEdge;
        l.rowPitch = across * blockBytes;
        l.slicePitch = l.rowPitch * down;
        if (keep) l.bytes.assign(size_t(l.slicePitch) * l.depth, 0);
        counters.textureBytes += l.bytes.size();
        counters.textureLevelBytes += uint64_t(l.slicePitch) * l.depth;
      }
    surfaces.assign(levels.size(), nullptr);
    device.TextureCreated(*this);
  }
  ~TextureCore() override {
    for (const TextureLevel& l : levels) {
      counters.textureBytes -= l.bytes.size() + l.staging.size();
      counters.textureLevelBytes -= uint64_t(l.slicePitch) * l.depth;
    }
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
  // A whole level (box null) or a box of it; rows are rowPitch apart in either case.
  HRESULT Lock(UINT face, UINT level, const D3DBOX* box, DWORD flags, void** bits, INT* rowPitch,
               INT* slicePitch) {
    const char* name = type == D3DRTYPE_VOLUMETEXTURE ? "LockBox" : "LockRect";
    std::string line;
    if (device.Logging())
      line = std::string(name) + "(#" + Unsigned(serial) + ", " + Unsigned(face) + ", " + Unsigned(level) +
             (box ? ", " + BoxText(box) : "") + ")";
    UINT edge = BlockEdgeOf(format), blockBytes = BlockBytesOf(format);
    D3DBOX b{};
    if (!bits || !rowPitch || face >= faces || level >= levelCount || (usage & D3DUSAGE_RENDERTARGET) ||
        Level(face, level).locked || !BoxWithin(Level(face, level), edge, box, &b)) {
      device.Log(line + " failed");
      return D3DERR_INVALIDCALL;
    }
    TextureLevel& l = Level(face, level);
    l.locked = true;
    l.lockBox = b;
    l.lockFlags = flags;
    if (!l.bytes.empty()) {
      *bits = l.bytes.data() + OffsetOf(l, b, edge, blockBytes);
      *rowPitch = INT(l.rowPitch);
      if (slicePitch) *slicePitch = INT(l.slicePitch);
    } else {
      UINT rowBytes = RowBytesOf(b, edge, blockBytes), rows = RowsOf(b, edge);
      l.staging.assign(size_t(rowBytes) * rows * (b.Back - b.Front), 0);
      counters.textureBytes += l.staging.size();
      TexelBytes staged{l.staging.data(), rowBytes, rowBytes * rows};
      // A discarded lock's old contents are not wanted, and a level never written holds the
      // zeros the staging copy starts with: nothing is read back.
      if (!(flags & D3DLOCK_DISCARD) && l.written) device.TextureRead(*this, face, level, b, staged);
      *bits = l.staging.data();
      *rowPitch = INT(rowBytes);
      if (slicePitch) *slicePitch = INT(staged.slicePitch);
    }
    device.Log(line);
    return D3D_OK;
  }
  HRESULT Unlock(UINT face, UINT level) {
    if (face >= faces || level >= levelCount || !Level(face, level).locked) return D3DERR_INVALIDCALL;
    TextureLevel& l = Level(face, level);
    l.locked = false;
    if (device.Logging())
      device.Log(std::string(type == D3DRTYPE_VOLUMETEXTURE ? "UnlockBox" : "UnlockRect") + "(#" +
               Unsigned(serial) + ", " + Unsigned(face) + ", " + Unsigned(level) + ")");
    UINT edge = BlockEdgeOf(format), blockBytes = BlockBytesOf(format);
    if (!(l.lockFlags & D3DLOCK_READONLY)) {
      l.written = true;
      if (!l.bytes.empty()) {
        TexelBytes kept{l.bytes.data() + OffsetOf(l, l.lockBox, edge, blockBytes), l.rowPitch, l.slicePitch};
        device.TextureWritten(*this, face, level, l.lockBox, kept);
      } else {
        UINT rowBytes = RowBytesOf(l.lockBox, edge, blockBytes);
        TexelBytes staged{l.staging.data(), rowBytes, rowBytes * RowsOf(l.lockBox, edge)};
        device.TextureWritten(*this, face, level, l.lockBox, staged);
      }
    }
    counters.textureBytes -= l.staging.size();
    std::vector<BYTE>().swap(l.staging);  // freed, not just emptied
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
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override {
    D3DBOX box;
    return locked ? Lock(0, level, BoxOf(rect, &box), flags, &locked->pBits, &locked->Pitch, nullptr)
                  : D3DERR_INVALIDCALL;
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
                   DWORD flags) override {
    D3DBOX box;
    return locked ? Lock(face, level, BoxOf(rect, &box), flags, &locked->pBits, &locked->Pitch, nullptr)
                  : D3DERR_INVALIDCALL;
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
  HRESULT LockBox(UINT level, D3DLOCKED_BOX* locked, const D3DBOX* box, DWORD flags) override {
    return locked ? Lock(0, level, box, flags, &locked->pBits, &locked->RowPitch, &locked->SlicePitch)
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
  for (uint64_t v : values) text += (text.empty() ? "" : ", ") + Unsigned(v);
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
  Log(line + " -> #" + Unsigned(made->serial));
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
  Log(line + " -> #" + Unsigned(made->serial));
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
  Log(line + " -> #" + Unsigned(made->serial));
  *texture = made;
  return D3D_OK;
}

HRESULT DeviceCore::UpdateSurface(IDirect3DSurface9* source, const RECT* sourceRect, IDirect3DSurface9* dest,
                                  const POINT* destPoint) {
  auto* from = static_cast<Surface*>(source);
  auto* to = static_cast<Surface*>(dest);
  D3DBOX asked{}, box{};
  const D3DBOX* askedBox = BoxOf(sourceRect, &asked);
  if (Logging())
    Log("UpdateSurface(" + (from ? "#" + Unsigned(from->serial) : "null") + ", " + BoxText(askedBox) + ", " +
        (to ? "#" + Unsigned(to->serial) : "null") + ", " +
        (destPoint ? "[" + std::to_string(destPoint->x) + " " + std::to_string(destPoint->y) + "]" : "null") + ")");
  // From a system-memory level to a default-pool surface of the same format, whole blocks.
  if (!from || !to || !from->texture || from->pool != D3DPOOL_SYSTEMMEM || to->pool != D3DPOOL_DEFAULT ||
      from->format != to->format || (destPoint && (destPoint->x < 0 || destPoint->y < 0)))
    return D3DERR_INVALIDCALL;
  TextureLevel& src = from->texture->Level(from->face, from->level);
  UINT edge = BlockEdgeOf(from->format), blockBytes = BlockBytesOf(from->format);
  if (src.locked || src.bytes.empty() || !BoxWithin(src, edge, askedBox, &box)) return D3DERR_INVALIDCALL;
  UINT x = destPoint ? UINT(destPoint->x) : 0, y = destPoint ? UINT(destPoint->y) : 0;
  D3DBOX target{x, y, x + (box.Right - box.Left), y + (box.Bottom - box.Top), 0, 1};
  TexelBytes bytes{src.bytes.data() + OffsetOf(src, box, edge, blockBytes), src.rowPitch, src.slicePitch};
  if (!to->texture) {
    TextureLevel whole;
    whole.width = to->width, whole.height = to->height;
    if (!BoxWithin(whole, edge, &target, &target)) return D3DERR_INVALIDCALL;
    RECT rect{LONG(box.Left), LONG(box.Top), LONG(box.Right), LONG(box.Bottom)};
    return DoUpdateTarget(*to, rect, POINT{LONG(x), LONG(y)}, bytes);
  }
  TextureLevel& dst = to->texture->Level(to->face, to->level);
  if (dst.locked || !BoxWithin(dst, edge, &target, &target)) return D3DERR_INVALIDCALL;
  if (!dst.bytes.empty())
    CopyBox(bytes, {dst.bytes.data() + OffsetOf(dst, target, edge, blockBytes), dst.rowPitch, dst.slicePitch},
            RowBytesOf(box, edge, blockBytes), RowsOf(box, edge), 1);
  dst.written = true;
  TextureWritten(*to->texture, to->face, to->level, target, bytes);
  return D3D_OK;
}

HRESULT DeviceCore::UpdateTexture(IDirect3DBaseTexture9* source, IDirect3DBaseTexture9* dest) {
  auto* from = dynamic_cast<TextureData*>(source);
  auto* to = dynamic_cast<TextureData*>(dest);
  if (Logging())
    Log("UpdateTexture(" + (from ? "#" + Unsigned(from->serial) : "null") + ", " + (to ? "#" + Unsigned(to->serial) : "null") + ")");
  if (!from || !to || from->pool != D3DPOOL_SYSTEMMEM || to->pool != D3DPOOL_DEFAULT || from->type != to->type ||
      from->format != to->format)
    return D3DERR_INVALIDCALL;
  // The destination's top level takes the source level of its size, and so on down.
  UINT first = 0;
  while (first < from->levelCount && (from->Level(0, first).width != to->width ||
                                      from->Level(0, first).height != to->height ||
                                      from->Level(0, first).depth != to->depth))
    ++first;
  if (first == from->levelCount || from->levelCount - first < to->levelCount) return D3DERR_INVALIDCALL;
  for (const TextureLevel& l : from->levels)
    if (l.locked || l.bytes.empty()) return D3DERR_INVALIDCALL;
  for (const TextureLevel& l : to->levels)
    if (l.locked) return D3DERR_INVALIDCALL;
  for (UINT face = 0; face < to->faces; ++face)
    for (UINT level = 0; level < to->levelCount; ++level) {
      TextureLevel& src = from->Level(face, first + level);
      TextureLevel& dst = to->Level(face, level);
      if (!dst.bytes.empty()) dst.bytes = src.bytes;
      dst.written = true;
      TextureWritten(*to, face, level, D3DBOX{0, 0, dst.width, dst.height, 0, dst.depth},
                     {src.bytes.data(), src.rowPitch, src.slicePitch});
    }
  return D3D_OK;
}

}  // namespace d3d9
