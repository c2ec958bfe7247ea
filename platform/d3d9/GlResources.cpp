// The GL backend's resources: buffers and textures mirrored on the GPU, sampler objects,
// and the vertex arrays that tie a declaration to its streams.

#include <algorithm>
#include <cstring>

#include "platform/d3d9/GlDevice.h"

namespace d3d9::gl {
namespace {

constexpr GLuint kScratchUnit = 31;  // uploads bind here, away from the samplers' units

GLenum TargetOf(const TextureData& t) {
  return t.type == D3DRTYPE_VOLUMETEXTURE ? GL_TEXTURE_3D
         : t.type == D3DRTYPE_CUBETEXTURE ? GL_TEXTURE_CUBE_MAP
                                          : GL_TEXTURE_2D;
}

// Direct3D's cube faces are +X, −X, +Y, −Y, +Z, −Z, as GL's are.
GLenum FaceTarget(const TextureData& t, UINT face) {
  return t.type == D3DRTYPE_CUBETEXTURE ? GLenum(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face) : GL_TEXTURE_2D;
}

// Where a declaration element goes: a compiled vertex stage's input of that usage, or the
// built-in stage's position and colour.
int LocationOf(const D3DVERTEXELEMENT9& e, const ShaderCode* vertex) {
  if (vertex) {
    for (size_t i = 0; i < vertex->inputs.size(); ++i)
      if (vertex->inputs[i].usage == e.Usage && vertex->inputs[i].usageIndex == e.UsageIndex)
        return int(i);
    return -1;
  }
  if (e.Usage == D3DDECLUSAGE_POSITION && e.UsageIndex == 0) return 0;
  if (e.Usage == D3DDECLUSAGE_COLOR && e.UsageIndex == 0) return 1;
  return -1;
}

}  // namespace

void GlDevice::BufferCreated(BufferStore& store, bool) {
  MakeCurrent();
  GL(GenBuffers)(1, &store.glName);
  // The copy target, so an index buffer's upload never touches the bound vertex array.
  GL(BindBuffer)(GL_COPY_WRITE_BUFFER, store.glName);
  GL(BufferData)(GL_COPY_WRITE_BUFFER, store.bytes.size(), store.bytes.data(),
                 store.usage & D3DUSAGE_DYNAMIC ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
}

void GlDevice::BufferUnlocked(BufferStore& store, bool) {
  if (store.lockSize == 0) return;
  MakeCurrent();
  const BYTE* written = store.bytes.data() + store.lockOffset;
  if (gl.NamedBufferSubData) {
    GL(NamedBufferSubData)(store.glName, store.lockOffset, store.lockSize, written);
    return;
  }
  GL(BindBuffer)(GL_COPY_WRITE_BUFFER, store.glName);
  GL(BufferSubData)(GL_COPY_WRITE_BUFFER, store.lockOffset, store.lockSize, written);
}

void GlDevice::BufferDestroyed(BufferStore& store, bool) {
  MakeCurrent();
  ForgetVertexArrays(store.serial);
  GL(DeleteBuffers)(1, &store.glName);
}

// A draw from a buffer that is still locked sees what has been written into it so far.
void GlDevice::UploadLockedBuffers() {
  for (const D3DVERTEXELEMENT9& e : declaration->elements) {
    VertexBuffer* b = streams[e.Stream].buffer;
    if (b && b->store.locked) BufferUnlocked(b->store, false);
  }
  if (indices && indices->store.locked) BufferUnlocked(indices->store, true);
}

void GlDevice::TextureCreated(TextureData& t) {
  MakeCurrent();
  GL(GenTextures)(1, &t.glName);
  GLenum target = BindForUpload(t);
  // Creation only makes formats the table knows.
  TextureFormat f = *TextureFormatOf(t.format);
  GL(TexParameteri)(target, GL_TEXTURE_MAX_LEVEL, GLint(t.levelCount - 1));
  GL(TexParameteri)(target, GL_TEXTURE_SWIZZLE_R, f.swizzle[0]);
  GL(TexParameteri)(target, GL_TEXTURE_SWIZZLE_G, f.swizzle[1]);
  GL(TexParameteri)(target, GL_TEXTURE_SWIZZLE_B, f.swizzle[2]);
  GL(TexParameteri)(target, GL_TEXTURE_SWIZZLE_A, f.swizzle[3]);
  for (UINT face = 0; face < t.faces; ++face)
    for (UINT level = 0; level < t.levelCount; ++level) UploadLevel(t, face, level);
}

// On GL there is no lost device to restore textures after: the GPU's copy is the only
// one, except for system-memory textures, which are the CPU's.
bool GlDevice::KeepsTextureBytes(const TextureData& t) const { return t.pool == D3DPOOL_SYSTEMMEM; }

void GlDevice::TextureWritten(TextureData& t, UINT face, UINT level, const D3DBOX& box, const TexelBytes& bytes) {
  MakeCurrent();
  GLenum target = BindForUpload(t);
  TextureFormat f = *TextureFormatOf(t.format);
  UINT blockBytes = 0, edge = 1;
  TextureFormatLayout(t.format, &blockBytes, &edge);
  GLsizei w = GLsizei(box.Right - box.Left), h = GLsizei(box.Bottom - box.Top), d = GLsizei(box.Back - box.Front);
  bool volume = t.type == D3DRTYPE_VOLUMETEXTURE;
  if (!volume) target = FaceTarget(t, face);
  if (f.type) {
    // Rows and slices as far apart as the caller's bytes have them.
    GL(PixelStorei)(GL_UNPACK_ROW_LENGTH, GLint(bytes.rowPitch / blockBytes));
    GL(PixelStorei)(GL_UNPACK_IMAGE_HEIGHT, GLint(bytes.slicePitch / bytes.rowPitch));
    if (volume)
      GL(TexSubImage3D)(target, GLint(level), GLint(box.Left), GLint(box.Top), GLint(box.Front), w, h, d, f.format,
                        f.type, bytes.bytes);
    else
      GL(TexSubImage2D)(target, GLint(level), GLint(box.Left), GLint(box.Top), w, h, f.format, f.type, bytes.bytes);
    GL(PixelStorei)(GL_UNPACK_ROW_LENGTH, 0);
    GL(PixelStorei)(GL_UNPACK_IMAGE_HEIGHT, 0);
    return;
  }
  // Compressed blocks go up packed: rows of blocks one after the other.
  UINT rowBytes = (UINT(w) + edge - 1) / edge * blockBytes, rows = (UINT(h) + edge - 1) / edge;
  std::vector<BYTE> packed;
  const BYTE* data = bytes.bytes;
  if (bytes.rowPitch != rowBytes || (d > 1 && bytes.slicePitch != rowBytes * rows)) {
    packed.resize(size_t(rowBytes) * rows * UINT(d));
    for (UINT z = 0; z < UINT(d); ++z)
      for (UINT y = 0; y < rows; ++y)
        std::memcpy(packed.data() + (size_t(z) * rows + y) * rowBytes,
                    bytes.bytes + size_t(z) * bytes.slicePitch + size_t(y) * bytes.rowPitch, rowBytes);
    data = packed.data();
  }
  GLsizei size = GLsizei(size_t(rowBytes) * rows * UINT(d));
  if (volume)
    GL(CompressedTexSubImage3D)(target, GLint(level), GLint(box.Left), GLint(box.Top), GLint(box.Front), w, h, d,
                                GLenum(f.internal), size, data);
  else
    GL(CompressedTexSubImage2D)(target, GLint(level), GLint(box.Left), GLint(box.Top), w, h, GLenum(f.internal), size,
                                data);
}

// A box of a level back from the GPU: just the box through a framebuffer where the format
// can be attached, else the whole level and the box cut from it.
void GlDevice::TextureRead(TextureData& t, UINT face, UINT level, const D3DBOX& box, const TexelBytes& bytes) {
  MakeCurrent();
  TextureFormat f = *TextureFormatOf(t.format);
  UINT blockBytes = 0, edge = 1;
  TextureFormatLayout(t.format, &blockBytes, &edge);
  GLsizei w = GLsizei(box.Right - box.Left), h = GLsizei(box.Bottom - box.Top);
  bool volume = t.type == D3DRTYPE_VOLUMETEXTURE;
  GLenum target = volume ? GLenum(GL_TEXTURE_3D) : FaceTarget(t, face);
  if (f.type && !volume) {
    if (!readFramebuffer) GL(GenFramebuffers)(1, &readFramebuffer);
    GL(BindFramebuffer)(GL_READ_FRAMEBUFFER, readFramebuffer);
    GL(FramebufferTexture2D)(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, target, t.glName, GLint(level));
    bool readable = GL(CheckFramebufferStatus)(GL_READ_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (readable) {
      GL(PixelStorei)(GL_PACK_ROW_LENGTH, GLint(bytes.rowPitch / blockBytes));
      GL(ReadPixels)(GLint(box.Left), GLint(box.Top), w, h, f.format, f.type, bytes.bytes);
      GL(PixelStorei)(GL_PACK_ROW_LENGTH, 0);
    }
    GL(FramebufferTexture2D)(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, target, 0, 0);
    GL(BindFramebuffer)(GL_FRAMEBUFFER, CurrentFramebuffer());
    if (readable) return;
  }
  const TextureLevel& l = t.Level(face, level);
  std::vector<BYTE> whole(size_t(l.slicePitch) * l.depth);
  BindForUpload(t);
  if (f.type) GL(GetTexImage)(target, GLint(level), f.format, f.type, whole.data());
  else GL(GetCompressedTexImage)(target, GLint(level), whole.data());
  UINT rowBytes = (UINT(w) + edge - 1) / edge * blockBytes, rows = (UINT(h) + edge - 1) / edge;
  for (UINT z = box.Front; z < box.Back; ++z)
    for (UINT y = 0; y < rows; ++y)
      std::memcpy(bytes.bytes + size_t(z - box.Front) * bytes.slicePitch + size_t(y) * bytes.rowPitch,
                  whole.data() + size_t(z) * l.slicePitch + size_t(box.Top / edge + y) * l.rowPitch +
                      size_t(box.Left / edge) * blockBytes,
                  rowBytes);
}

void GlDevice::TextureDestroyed(TextureData& t) {
  MakeCurrent();
  for (Surface* s : t.surfaces) {
    if (!s) continue;
    auto found = targetFramebuffers.find(s->serial);
    if (found == targetFramebuffers.end()) continue;
    GL(DeleteFramebuffers)(1, &found->second);
    targetFramebuffers.erase(found);
  }
  for (auto& bound : boundTextures)
    if (bound == t.glName) bound = 0;
  GL(DeleteTextures)(1, &t.glName);
}

void GlDevice::UseTextureUnit(UINT unit) {
  if (activeUnit == unit) return;
  GL(ActiveTexture)(GL_TEXTURE0 + unit);
  activeUnit = unit;
}

GLenum GlDevice::BindForUpload(const TextureData& t) {
  GLenum target = TargetOf(t);
  UseTextureUnit(kScratchUnit);
  GL(BindTexture)(target, t.glName);
  return target;
}

// Makes one face and level's storage: from its bytes where they are kept, zeros where they
// are not (a new texture reads as zeros), nothing for a render target.
void GlDevice::UploadLevel(const TextureData& t, UINT face, UINT level) {
  const TextureLevel& l = t.levels[size_t(face) * t.levelCount + level];
  TextureFormat f = *TextureFormatOf(t.format);
  std::vector<BYTE> zeros;
  if (l.bytes.empty() && !(t.usage & D3DUSAGE_RENDERTARGET)) zeros.assign(size_t(l.slicePitch) * l.depth, 0);
  const std::vector<BYTE>& from = l.bytes.empty() ? zeros : l.bytes;
  const void* bytes = from.empty() ? nullptr : from.data();
  GLsizei size = GLsizei(size_t(l.slicePitch) * l.depth);
  if (t.type == D3DRTYPE_VOLUMETEXTURE) {
    if (f.type) GL(TexImage3D)(GL_TEXTURE_3D, GLint(level), f.internal, l.width, l.height, l.depth, 0, f.format, f.type, bytes);
    else GL(CompressedTexImage3D)(GL_TEXTURE_3D, GLint(level), f.internal, l.width, l.height, l.depth, 0, size, bytes);
    return;
  }
  GLenum target = FaceTarget(t, face);
  if (f.type) GL(TexImage2D)(target, GLint(level), f.internal, l.width, l.height, 0, f.format, f.type, bytes);
  else GL(CompressedTexImage2D)(target, GLint(level), f.internal, l.width, l.height, 0, size, bytes);
}

// One GL sampler object per distinct set of parameters, made on first use: a slot that
// goes back and forth between two states rebinds instead of resetting its parameters.
GLuint GlDevice::SamplerFor(const SamplerParameters& wanted) {
  for (const auto& [parameters, object] : samplerObjects)
    if (parameters == wanted) return object;
  GLuint sampler = 0;
  GL(GenSamplers)(1, &sampler);
  const GLenum wraps[3] = {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R};
  for (size_t i = 0; i < 3; ++i) GL(SamplerParameteri)(sampler, wraps[i], wanted.wrap[i]);
  GL(SamplerParameterfv)(sampler, GL_TEXTURE_BORDER_COLOR, wanted.border.data());
  GL(SamplerParameteri)(sampler, GL_TEXTURE_MAG_FILTER, wanted.mag);
  GL(SamplerParameteri)(sampler, GL_TEXTURE_MIN_FILTER, wanted.min);
  GL(SamplerParameterf)(sampler, 0x84FE /* GL_TEXTURE_MAX_ANISOTROPY */, wanted.anisotropy);
  GL(GetError)();  // a driver without anisotropic filtering refuses the last one
  samplerObjects.emplace_back(wanted, sampler);
  return sampler;
}

// Textures and sampler states of the samplers the current programs read.
void GlDevice::ApplySamplers() {
  auto apply = [&](UINT slot) {
    if (slot >= kSamplers) return;
    TextureData* t = textureData[slot];
    GLuint name = t ? t->glName : 0;
    if (boundTextures[slot] != name || boundTargets[slot] != (t ? TargetOf(*t) : 0)) {
      bool otherTarget = boundTextures[slot] && boundTargets[slot] && (!t || boundTargets[slot] != TargetOf(*t));
      if (gl.BindTextureUnit) {
        if (otherTarget && !t) GL(BindTextureUnit)(slot, 0);  // every target of the unit let go
        else if (otherTarget) UseTextureUnit(slot), GL(BindTexture)(boundTargets[slot], 0);
        if (t) GL(BindTextureUnit)(slot, name);
      } else {
        UseTextureUnit(slot);
        if (otherTarget) GL(BindTexture)(boundTargets[slot], 0);
        if (t) GL(BindTexture)(TargetOf(*t), name);
      }
      boundTextures[slot] = name;
      boundTargets[slot] = t ? TargetOf(*t) : 0;
    }
    if (!samplersDirty.test(slot)) return;
    const auto& st = samplerStates[slot];
    // The most detailed level sampled: the texture's LOD or the sampler's, whichever is less
    // detailed; without mipmapping only the texture's LOD. A texture's own state in GL, so
    // set where the two meet.
    if (t) {
      DWORD most = st[D3DSAMP_MIPFILTER] == D3DTEXF_NONE ? t->lod : std::max<DWORD>(t->lod, st[D3DSAMP_MAXMIPLEVEL]);
      UINT base = std::min<UINT>(most, t->levelCount - 1);
      if (base != t->glBaseLevel) {
        UseTextureUnit(slot);
        GL(TexParameteri)(TargetOf(*t), GL_TEXTURE_BASE_LEVEL, GLint(base));
        t->glBaseLevel = base;
      }
    }
    // What the sampler object should hold; only what differs from what it holds is sent.
    SamplerParameters wanted;
    wanted.wrap = {*AddressOf(st[D3DSAMP_ADDRESSU]), *AddressOf(st[D3DSAMP_ADDRESSV]), *AddressOf(st[D3DSAMP_ADDRESSW])};
    DWORD c = st[D3DSAMP_BORDERCOLOR];
    wanted.border = {((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f, (c >> 24) / 255.0f};
    bool minLinear = st[D3DSAMP_MINFILTER] >= D3DTEXF_LINEAR;
    DWORD mip = st[D3DSAMP_MIPFILTER];
    wanted.min = mip == D3DTEXF_NONE    ? (minLinear ? GL_LINEAR : GL_NEAREST)
                 : mip == D3DTEXF_POINT ? (minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST)
                                        : (minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR);
    wanted.mag = st[D3DSAMP_MAGFILTER] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
    bool anisotropic = st[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC;
    wanted.anisotropy = anisotropic ? float(std::max<DWORD>(1, st[D3DSAMP_MAXANISOTROPY])) : 1.0f;
    GLuint sampler = SamplerFor(wanted);
    if (boundSamplers[slot] != sampler) {
      GL(BindSampler)(slot, sampler);
      boundSamplers[slot] = sampler;
    }
    samplersDirty.reset(slot);
  };
  if (current->fixed) {
    // The active unit's stage first: a draw that changes two stages' textures selects
    // one other unit, not two.
    UINT first = activeUnit < UINT(current->fixedStages) ? activeUnit : 0;
    apply(first);
    for (int stage = 0; stage < current->fixedStages; ++stage)
      if (UINT(stage) != first) apply(UINT(stage));
  }
  if (current->pixel)
    for (const ShaderSampler& s : current->pixel->samplers) apply(s.index);
  if (current->vertex)
    for (const ShaderSampler& s : current->vertex->samplers) apply(16 + s.index);
}

// One vertex array per combination of declared elements, streams and index buffer, and
// the vertex program whose inputs they feed. Buffers and programs are named by serials so
// that an object made at a freed object's address never finds a stale one; declarations
// by what they declare, so two declarations alike share their vertex arrays.
void GlDevice::ApplyInput() {
  inputKey.clear();
  bool inSlots = current->fixed || current->inputsInSlots;
  inputKey.insert(inputKey.end(), {indices ? indices->store.serial : 0,
                                   inSlots ? ~0ull : current->vertex ? vertexShader->serial : 0});
  for (const D3DVERTEXELEMENT9& e : declaration->elements) {
    const StreamBinding& s = streams[e.Stream];
    uint64_t element = uint64_t(e.Stream) << 48 | uint64_t(e.Offset) << 32 | uint64_t(e.Type) << 24 |
                       uint64_t(e.Method) << 16 | uint64_t(e.Usage) << 8 | e.UsageIndex;
    inputKey.insert(inputKey.end(), {element, s.buffer ? s.buffer->store.serial : 0, s.offset, s.stride});
  }
  auto found = vertexArrays.find(inputKey);
  GLuint vao;
  if (found != vertexArrays.end()) {
    vao = found->second;
    if (vao != boundVertexArray) GL(BindVertexArray)(vao);
  } else {
    GL(GenVertexArrays)(1, &vao);
    GL(BindVertexArray)(vao);
    for (const D3DVERTEXELEMENT9& e : declaration->elements) {
      int location = inSlots ? FixedAttributeLocation(e.Usage, e.UsageIndex) : LocationOf(e, current->vertex);
      const StreamBinding& s = streams[e.Stream];
      if (location < 0 || !s.buffer) continue;
      // Declarations only hold types the layer knows.
      AttributeFormat f = *FormatOf(e.Type);
      GL(BindBuffer)(GL_ARRAY_BUFFER, s.buffer->store.glName);
      GL(EnableVertexAttribArray)(location);
      GL(VertexAttribPointer)(location, f.size, f.type, f.normalised, s.stride,
                              reinterpret_cast<void*>(uintptr_t(s.offset) + e.Offset));
    }
    if (indices) GL(BindBuffer)(GL_ELEMENT_ARRAY_BUFFER, indices->store.glName);
    vertexArrays.emplace(inputKey, vao);
  }
  boundVertexArray = vao;
  changes.Clear(Change::Input);
}

void GlDevice::ForgetVertexArrays(uint64_t serial) {
  for (auto it = vertexArrays.begin(); it != vertexArrays.end();) {
    if (std::find(it->first.begin(), it->first.end(), serial) != it->first.end()) {
      if (it->second == boundVertexArray) boundVertexArray = 0, changes.Mark(Change::Input);
      GL(DeleteVertexArrays)(1, &it->second);
      it = vertexArrays.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace d3d9::gl
