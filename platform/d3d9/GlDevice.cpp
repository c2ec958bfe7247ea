// The GL backend: a GL 3.3 core context on the device window's SDL window. Drawing goes
// to an off-screen back buffer that Present scales into the window. The image is drawn
// upside down in GL terms so that GL's window coordinates are Direct3D's (row 0 at the
// top); the vertex program's epilogue applies that flip and Direct3D's pixel centres.

#define GL_GLEXT_PROTOTYPES 1
#include <SDL.h>
#include <SDL_opengl.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/d3d9/D3D9Testing.h"
#include "platform/d3d9/DeviceCore.h"
#include "platform/d3d9/FixedFunction.h"
#include "platform/d3d9/ShaderCode.h"
#include "platform/win32/Win32Sdl.h"

namespace {

#define KOR_GL_FUNCTIONS(X)                                                                  \
  X(Enable) X(Disable) X(Viewport) X(DepthRange) X(Scissor) X(ClearColor) X(ClearDepth)     \
  X(ClearStencil) X(Clear) X(ColorMask) X(DepthMask) X(StencilMask) X(DepthFunc)            \
  X(CullFace) X(FrontFace) X(BlendFunc) X(ReadPixels) X(GetError) X(GenBuffers)             \
  X(DeleteBuffers) X(BindBuffer) X(BufferData) X(BufferSubData) X(GenVertexArrays)          \
  X(DeleteVertexArrays) X(BindVertexArray) X(EnableVertexAttribArray) X(VertexAttribPointer) \
  X(VertexAttrib4f) X(DrawArrays) X(DrawElementsBaseVertex) X(CreateShader) X(ShaderSource) \
  X(CompileShader) X(GetShaderiv) X(CreateProgram) X(AttachShader) X(BindAttribLocation)    \
  X(LinkProgram) X(GetProgramiv) X(UseProgram) X(GetUniformLocation) X(UniformMatrix4fv)    \
  X(Uniform2f) X(DeleteShader) X(DeleteProgram) X(GenFramebuffers) X(DeleteFramebuffers)    \
  X(BindFramebuffer) X(GenRenderbuffers) X(DeleteRenderbuffers) X(BindRenderbuffer)         \
  X(RenderbufferStorage) X(FramebufferRenderbuffer) X(CheckFramebufferStatus)               \
  X(BlitFramebuffer) X(GetUniformBlockIndex) X(UniformBlockBinding) X(BindBufferBase)         \
  X(BlendFuncSeparate) X(BlendEquationSeparate) X(BlendColor) X(PolygonMode)        \
  X(StencilFuncSeparate) X(StencilOpSeparate) X(Uniform1i) X(Uniform1f) X(Uniform3f) X(Uniform4f) X(GetShaderInfoLog) X(GetProgramInfoLog) X(GenTextures) X(DeleteTextures)       \
  X(BindTexture) X(ActiveTexture) X(TexImage2D) X(TexImage3D) X(TexSubImage2D)                \
  X(TexSubImage3D) X(CompressedTexImage2D) X(CompressedTexImage3D) X(TexParameteri)           \
  X(GenSamplers) X(DeleteSamplers) X(BindSampler) X(SamplerParameteri) X(SamplerParameterf)   \
  X(SamplerParameterfv) X(FramebufferTexture2D) X(PixelStorei)

struct GlApi {
#define KOR_GL_MEMBER(name) decltype(&gl##name) name = nullptr;
  KOR_GL_FUNCTIONS(KOR_GL_MEMBER)
#undef KOR_GL_MEMBER
  decltype(&glClipControl) ClipControl = nullptr;  // optional: depth 0..1 without a fix-up

  bool Load() {
    bool complete = true;
#define KOR_GL_LOAD(name)                                                      \
  name = reinterpret_cast<decltype(name)>(SDL_GL_GetProcAddress("gl" #name)); \
  complete = complete && name;
    KOR_GL_FUNCTIONS(KOR_GL_LOAD)
#undef KOR_GL_LOAD
    ClipControl = reinterpret_cast<decltype(ClipControl)>(SDL_GL_GetProcAddress("glClipControl"));
    return complete;
  }
};

uint64_t glCalls = 0;
uint64_t programsLinked = 0;
// Every GL call goes through here, so tests and benchmarks can count them.
#define GL(name) (++glCalls, gl.name)

bool EnvSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value && std::strcmp(value, "0") != 0;
}

struct AttributeFormat {
  GLint size;
  GLenum type;
  GLboolean normalised;
};
AttributeFormat FormatOf(BYTE type) {
  switch (type) {
    case D3DDECLTYPE_FLOAT1: return {1, GL_FLOAT, GL_FALSE};
    case D3DDECLTYPE_FLOAT2: return {2, GL_FLOAT, GL_FALSE};
    case D3DDECLTYPE_FLOAT3: return {3, GL_FLOAT, GL_FALSE};
    case D3DDECLTYPE_FLOAT4: return {4, GL_FLOAT, GL_FALSE};
    case D3DDECLTYPE_D3DCOLOR: return {GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE};  // BGRA in memory
    case D3DDECLTYPE_UBYTE4: return {4, GL_UNSIGNED_BYTE, GL_FALSE};
    case D3DDECLTYPE_UBYTE4N: return {4, GL_UNSIGNED_BYTE, GL_TRUE};
    case D3DDECLTYPE_SHORT2: return {2, GL_SHORT, GL_FALSE};
    case D3DDECLTYPE_SHORT4: return {4, GL_SHORT, GL_FALSE};
    case D3DDECLTYPE_SHORT2N: return {2, GL_SHORT, GL_TRUE};
    case D3DDECLTYPE_SHORT4N: return {4, GL_SHORT, GL_TRUE};
    case D3DDECLTYPE_USHORT2N: return {2, GL_UNSIGNED_SHORT, GL_TRUE};
    default: return {4, GL_UNSIGNED_SHORT, GL_TRUE};
  }
}

GLenum ModeOf(D3DPRIMITIVETYPE type) {
  static const GLenum modes[] = {GL_POINTS, GL_POINTS, GL_LINES, GL_LINE_STRIP,
                                 GL_TRIANGLES, GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN};
  return modes[type];
}

GLenum CompareOf(DWORD f) {
  static const GLenum funcs[] = {GL_ALWAYS, GL_NEVER, GL_LESS, GL_EQUAL, GL_LEQUAL,
                                 GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
  return f <= 8 ? funcs[f] : GL_ALWAYS;
}

GLenum BlendOpOf(DWORD op) {
  static const GLenum ops[] = {GL_FUNC_ADD, GL_FUNC_ADD, GL_FUNC_SUBTRACT, GL_FUNC_REVERSE_SUBTRACT, GL_MIN, GL_MAX};
  return op <= 5 ? ops[op] : GL_FUNC_ADD;
}

GLenum StencilOpOf(DWORD op) {
  static const GLenum ops[] = {GL_KEEP, GL_KEEP, GL_ZERO, GL_REPLACE, GL_INCR, GL_DECR, GL_INVERT, GL_INCR_WRAP, GL_DECR_WRAP};
  return op <= 8 ? ops[op] : GL_KEEP;
}

GLenum BlendOf(DWORD b) {
  static const GLenum factors[] = {GL_ONE, GL_ZERO, GL_ONE, GL_SRC_COLOR,
                                   GL_ONE_MINUS_SRC_COLOR, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA,
                                   GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA, GL_DST_COLOR,
                                   GL_ONE_MINUS_DST_COLOR, GL_SRC_ALPHA_SATURATE,
                                   GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_CONSTANT_COLOR,
                                   GL_ONE_MINUS_CONSTANT_COLOR};
  return b <= 15 ? factors[b] : GL_ONE;
}

// Where a declaration element goes: a compiled vertex stage's input of that usage, or the
// built-in stage's position and colour.
int LocationOf(const D3DVERTEXELEMENT9& e, const d3d9::ShaderCode* vertex) {
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

const char* kVertexSource = R"(
layout(location = 0) in vec4 korPosition;
layout(location = 1) in vec4 korColour;
uniform mat4 korWorldViewProjection;
out vec4 v_COLOR0;
void korMain() {
  gl_Position = korWorldViewProjection * korPosition;
  v_COLOR0 = korColour;
}
)";
const char* kFragmentSource = R"(
in vec4 v_COLOR0;
out vec4 target;
void main() { target = v_COLOR0; }
)";

// Every vertex program ends here: row 0 at the top, and Direct3D samples pixels at integer
// positions, half a pixel left of and above GL's centres.
const char* kVertexEpilogue = R"(
uniform vec2 korHalfPixel;
void main() {
  korMain();
  gl_Position.y = -gl_Position.y;
  gl_Position.xy += korHalfPixel * gl_Position.w;
#ifdef KOR_DEPTH_FIXUP
  gl_Position.z = gl_Position.z * 2.0 - gl_Position.w;
#endif
}
)";

// A compiled vertex program's main becomes korMain, called by the epilogue.
bool RenameMain(std::string& glsl) {
  size_t at = glsl.find("void main()");
  if (at == std::string::npos) return false;
  glsl.replace(at, 11, "void korMain()");
  return true;
}

// Splits "#version …" (and any extension lines) from the rest, so text can go between.
std::pair<std::string, std::string> SplitHeader(const std::string& glsl) {
  size_t end = 0;
  while (end < glsl.size() && glsl[end] == '#') {
    size_t line = glsl.find('\n', end);
    if (line == std::string::npos) return {glsl + "\n", ""};
    end = line + 1;
  }
  return {glsl.substr(0, end), glsl.substr(end)};
}

// A pixel stage for a vertex program without one: the diffuse colour it writes, or white.
std::string PassThroughPixelStage(const std::string& vertexGlsl) {
  if (vertexGlsl.find("out vec4 v_COLOR0;") != std::string::npos)
    return "in vec4 v_COLOR0;\nout vec4 target;\nvoid main() { target = v_COLOR0; }\n";
  return "out vec4 target;\nvoid main() { target = vec4(1.0); }\n";
}

struct TextureFormat {
  GLint internal;
  GLenum format, type;  // type 0: compressed
  GLint swizzle[4];
};
TextureFormat TextureFormatOf(D3DFORMAT f) {
  switch (f) {
    // Direct3D's A8R8G8B8 word is B, G, R, A in memory.
    case D3DFMT_A8R8G8B8: return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
    case D3DFMT_X8R8G8B8: return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
    case D3DFMT_R5G6B5: return {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
    // Direct3D reads the missing channels of a one-channel float format as 1.
    case D3DFMT_R16F: return {GL_R16F, GL_RED, GL_HALF_FLOAT, {GL_RED, GL_ONE, GL_ONE, GL_ONE}};
    case D3DFMT_A16B16G16R16F: return {GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
    case D3DFMT_DXT1: return {0x83F1, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};  // S3TC DXT1 RGBA
    case D3DFMT_DXT3: return {0x83F2, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
    default: return {0x83F3, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};  // DXT5
  }
}

GLenum TargetOf(const d3d9::TextureData& t) {
  return t.type == D3DRTYPE_VOLUMETEXTURE ? GL_TEXTURE_3D
         : t.type == D3DRTYPE_CUBETEXTURE ? GL_TEXTURE_CUBE_MAP
                                          : GL_TEXTURE_2D;
}

// Direct3D's cube faces are +X, −X, +Y, −Y, +Z, −Z, as GL's are.
GLenum FaceTarget(const d3d9::TextureData& t, UINT face) {
  return t.type == D3DRTYPE_CUBETEXTURE ? GLenum(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face) : GL_TEXTURE_2D;
}

GLint AddressOf(DWORD mode) {
  switch (mode) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE: return 0x8743;  // GL_MIRROR_CLAMP_TO_EDGE
    default: return GL_REPEAT;
  }
}

constexpr GLuint kScratchUnit = 31;  // uploads bind here, away from the samplers' units

class GlDevice final : public d3d9::DeviceCore {
public:
  GlDevice(uint64_t* serials, IUnknown* parent, SDL_Window* window, SDL_GLContext context)
      : DeviceCore(nullptr, serials, parent), window(window), context(context) {}

  ~GlDevice() override {
    MakeCurrent();
    for (auto& [key, vao] : vertexArrays) GL(DeleteVertexArrays)(1, &vao);
    DropTarget();
    for (auto& [key, linked] : programs)
      if (linked.name) GL(DeleteProgram)(linked.name);
    for (auto& [key, linked] : fixedPrograms)
      if (linked.name) GL(DeleteProgram)(linked.name);
    GL(DeleteBuffers)(2, constantBuffers);
    for (auto& [serial, fbo] : targetFramebuffers) GL(DeleteFramebuffers)(1, &fbo);
    GL(DeleteSamplers)(kSamplers, samplerObjects);
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(context);
  }

  bool Init(const D3DPRESENT_PARAMETERS& parameters) {
    if (!gl.Load()) return false;
    if (gl.ClipControl) gl.ClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    if (!MakeTarget(parameters)) return false;
    current = &ProgramFor(0, 0);
    if (!current->name) return false;
    GL(GenBuffers)(2, constantBuffers);
    GL(GenSamplers)(kSamplers, samplerObjects);
    for (UINT i = 0; i < kSamplers; ++i) GL(BindSampler)(i, samplerObjects[i]);
    GL(PixelStorei)(GL_UNPACK_ALIGNMENT, 1);
    GL(PixelStorei)(GL_PACK_ALIGNMENT, 1);
    GL(VertexAttrib4f)(1, 1, 1, 1, 1);  // white where a declaration has no colour
    GL(FrontFace)(GL_CCW);              // Direct3D's clockwise, once the image is flipped
    GL(Enable)(GL_PROGRAM_POINT_SIZE);  // programs that write PSIZE size their points
    Start(parameters);
    ApplyWindowType(parameters);
    return true;
  }

  bool ReadBack(std::vector<uint32_t>* pixels, UINT* width, UINT* height) {
    MakeCurrent();
    *width = presentParameters.BackBufferWidth;
    *height = presentParameters.BackBufferHeight;
    pixels->assign(size_t(*width) * *height, 0);
    GL(BindFramebuffer)(GL_READ_FRAMEBUFFER, framebuffer);
    GL(ReadPixels)(0, 0, *width, *height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels->data());
    return GL(GetError)() == GL_NO_ERROR;
  }

  // What Present would show, read from the window before the swap.
  bool ReadWindow(std::vector<uint32_t>* pixels, UINT* width, UINT* height) {
    int w = 0, h = 0;
    ShowInWindow();
    SDL_GL_GetDrawableSize(window, &w, &h);
    *width = UINT(w), *height = UINT(h);
    pixels->assign(size_t(w) * size_t(h), 0);
    GL(BindFramebuffer)(GL_READ_FRAMEBUFFER, 0);
    GL(ReadPixels)(0, 0, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels->data());
    GL(BindFramebuffer)(GL_FRAMEBUFFER, CurrentFramebuffer());
    // GL's rows run bottom to top; the picture's top row comes first.
    for (int y = 0; y < h / 2; ++y)
      std::swap_ranges(pixels->begin() + ptrdiff_t(y) * w, pixels->begin() + ptrdiff_t(y + 1) * w,
                       pixels->begin() + ptrdiff_t(h - 1 - y) * w);
    return GL(GetError)() == GL_NO_ERROR;
  }

  void BufferCreated(d3d9::BufferStore& store, bool) override {
    MakeCurrent();
    GL(GenBuffers)(1, &store.glName);
    // The copy target, so an index buffer's upload never touches the bound vertex array.
    GL(BindBuffer)(GL_COPY_WRITE_BUFFER, store.glName);
    GL(BufferData)(GL_COPY_WRITE_BUFFER, store.bytes.size(), store.bytes.data(),
                   store.usage & D3DUSAGE_DYNAMIC ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
  }
  void BufferUnlocked(d3d9::BufferStore& store, bool) override {
    if (store.lockSize == 0) return;
    MakeCurrent();
    GL(BindBuffer)(GL_COPY_WRITE_BUFFER, store.glName);
    GL(BufferSubData)(GL_COPY_WRITE_BUFFER, store.lockOffset, store.lockSize,
                      store.bytes.data() + store.lockOffset);
  }
  void BufferDestroyed(d3d9::BufferStore& store, bool) override {
    MakeCurrent();
    ForgetVertexArrays(store.serial);
    GL(DeleteBuffers)(1, &store.glName);
  }
  void DeclarationDestroyed(d3d9::VertexDeclaration& d) override {
    MakeCurrent();
    ForgetVertexArrays(d.serial);
  }
  void ShaderDestroyed(uint64_t serial, unsigned&) override {
    MakeCurrent();
    ForgetVertexArrays(serial);
    for (auto it = programs.begin(); it != programs.end();) {
      if (it->first.first == serial || it->first.second == serial) {
        if (&it->second == current) current = nullptr, programDirty = true;
        if (it->second.name) GL(DeleteProgram)(it->second.name);
        it = programs.erase(it);
      } else {
        ++it;
      }
    }
    codes.erase(serial);
  }

  void TextureCreated(d3d9::TextureData& t) override {
    MakeCurrent();
    GL(GenTextures)(1, &t.glName);
    GLenum target = BindForUpload(t);
    TextureFormat f = TextureFormatOf(t.format);
    GL(TexParameteri)(target, GL_TEXTURE_MAX_LEVEL, GLint(t.levelCount - 1));
    GL(TexParameteri)(target, GL_TEXTURE_SWIZZLE_R, f.swizzle[0]);
    GL(TexParameteri)(target, GL_TEXTURE_SWIZZLE_G, f.swizzle[1]);
    GL(TexParameteri)(target, GL_TEXTURE_SWIZZLE_B, f.swizzle[2]);
    GL(TexParameteri)(target, GL_TEXTURE_SWIZZLE_A, f.swizzle[3]);
    for (UINT face = 0; face < t.faces; ++face)
      for (UINT level = 0; level < t.levelCount; ++level) UploadLevel(t, face, level);
  }
  void TextureUnlocked(d3d9::TextureData& t, UINT face, UINT level) override {
    MakeCurrent();
    BindForUpload(t);
    UploadLevel(t, face, level);
  }
  void TextureDestroyed(d3d9::TextureData& t) override {
    MakeCurrent();
    for (d3d9::Surface* s : t.surfaces) {
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

protected:
  HRESULT DoReset(const D3DPRESENT_PARAMETERS& parameters) override {
    MakeCurrent();
    DropTarget();
    // Texture targets shared the old depth buffer: they are made again on first use.
    for (auto& [serial, fbo] : targetFramebuffers) GL(DeleteFramebuffers)(1, &fbo);
    targetFramebuffers.clear();
    if (!MakeTarget(parameters)) return D3DERR_NOTAVAILABLE;
    ApplyWindowType(parameters);
    return D3D_OK;
  }

  HRESULT DoClear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                  DWORD stencil) override {
    MakeCurrent();
    ApplyViewport();
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) {
      mask |= GL_COLOR_BUFFER_BIT;
      GL(ColorMask)(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
      renderStatesDirty.set(D3DRS_COLORWRITEENABLE);
      GL(ClearColor)(((colour >> 16) & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f,
                     (colour & 0xFF) / 255.0f, (colour >> 24) / 255.0f);
    }
    if (flags & D3DCLEAR_ZBUFFER) {
      mask |= GL_DEPTH_BUFFER_BIT;
      GL(DepthMask)(GL_TRUE);
      renderStatesDirty.set(D3DRS_ZWRITEENABLE);
      GL(ClearDepth)(z);
    }
    if (flags & D3DCLEAR_STENCIL) {
      mask |= GL_STENCIL_BUFFER_BIT;
      GL(StencilMask)(0xFF);
      GL(ClearStencil)(GLint(stencil));
    }
    // Direct3D clears inside the viewport only, and inside each rectangle given.
    GL(Enable)(GL_SCISSOR_TEST);
    auto clearWithin = [&](LONG x1, LONG y1, LONG x2, LONG y2) {
      x1 = std::max<LONG>(x1, viewport.X), y1 = std::max<LONG>(y1, viewport.Y);
      x2 = std::min<LONG>(x2, viewport.X + viewport.Width);
      y2 = std::min<LONG>(y2, viewport.Y + viewport.Height);
      if (x2 <= x1 || y2 <= y1) return;
      GL(Scissor)(x1, y1, x2 - x1, y2 - y1);
      GL(Clear)(mask);
    };
    if (count == 0) clearWithin(0, 0, LONG(viewport.X + viewport.Width), LONG(viewport.Y + viewport.Height));
    for (DWORD i = 0; i < count; ++i) clearWithin(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
    GL(Disable)(GL_SCISSOR_TEST);
    return D3D_OK;
  }

  HRESULT DoPresent() override {
    ShowInWindow();
    SDL_GL_SwapWindow(window);
    GL(BindFramebuffer)(GL_FRAMEBUFFER, CurrentFramebuffer());
    return D3D_OK;
  }

  void DoDraw(const d3d9::DrawCall& draw) override {
    bool fixedChanged = fixedDirty || renderStatesDirty.any() || transformsDirty || viewportDirty;
    if (fixedChanged) ++fixedStamp, fixedDirty = false;
    // Without programs, what the pipeline does follows the state: the key may change.
    if (!vertexShader && !pixelShader && (fixedChanged || inputDirty || texturesChanged))
      programDirty = true;
    texturesChanged = false;
    if (programDirty) SelectProgram();
    if (!current || !current->name) return;  // a pair of programs that does not link draws nothing
    if (viewportDirty) ApplyViewport();
    if (transformsDirty) ApplyTransforms();
    ApplyProgramUniforms();
    if (samplersDirty.any() || samplersFor != current) {
      if (samplersFor != current) samplersDirty.set();
      ApplySamplers();
      samplersFor = current;
    }
    if (renderStatesDirty.any()) ApplyRenderStates();
    if (inputDirty) ApplyInput();
    GLenum mode = ModeOf(draw.type);
    if (!draw.indexed) {
      GL(DrawArrays)(mode, GLint(draw.first), GLsizei(draw.count));
    } else {
      UINT size = indices->IndexSize();
      GL(DrawElementsBaseVertex)(mode, GLsizei(draw.count),
                                 size == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                                 reinterpret_cast<void*>(uintptr_t(draw.first) * size),
                                 draw.baseVertex);
    }
  }

private:
  void MakeCurrent() {
    if (SDL_GL_GetCurrentContext() != context) SDL_GL_MakeCurrent(window, context);
  }

  // The back buffer scaled into the window with its aspect kept; the bars stay black.
  void ShowInWindow() {
    MakeCurrent();
    int drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    UINT w = presentParameters.BackBufferWidth, h = presentParameters.BackBufferHeight;
    double scale = std::min(double(drawableWidth) / w, double(drawableHeight) / h);
    int outW = int(w * scale + 0.5), outH = int(h * scale + 0.5);
    int x = (drawableWidth - outW) / 2, y = (drawableHeight - outH) / 2;
    GL(BindFramebuffer)(GL_DRAW_FRAMEBUFFER, 0);
    GL(BindFramebuffer)(GL_READ_FRAMEBUFFER, framebuffer);
    // Setting the window's viewport also makes the driver notice a resized window.
    GL(Viewport)(0, 0, drawableWidth, drawableHeight);
    viewportDirty = true;
    GL(ClearColor)(0, 0, 0, 1);
    GL(ColorMask)(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    renderStatesDirty.set(D3DRS_COLORWRITEENABLE);
    GL(Clear)(GL_COLOR_BUFFER_BIT);
    // The back buffer's row 0 is the top of the picture: flip it on the way out.
    GL(BlitFramebuffer)(0, 0, w, h, x, y + outH, x + outW, y, GL_COLOR_BUFFER_BIT,
                        scale == 1.0 ? GL_NEAREST : GL_LINEAR);
  }

  GLenum BindForUpload(const d3d9::TextureData& t) {
    GLenum target = TargetOf(t);
    GL(ActiveTexture)(GL_TEXTURE0 + kScratchUnit);
    GL(BindTexture)(target, t.glName);
    return target;
  }

  // Sends one face and level's bytes; a render target only gets its storage.
  void UploadLevel(const d3d9::TextureData& t, UINT face, UINT level) {
    const d3d9::TextureLevel& l = t.levels[size_t(face) * t.levelCount + level];
    TextureFormat f = TextureFormatOf(t.format);
    const void* bytes = l.bytes.empty() ? nullptr : l.bytes.data();
    GLsizei size = GLsizei(l.bytes.size());
    if (t.type == D3DRTYPE_VOLUMETEXTURE) {
      if (f.type) GL(TexImage3D)(GL_TEXTURE_3D, GLint(level), f.internal, l.width, l.height, l.depth, 0, f.format, f.type, bytes);
      else GL(CompressedTexImage3D)(GL_TEXTURE_3D, GLint(level), f.internal, l.width, l.height, l.depth, 0, size, bytes);
      return;
    }
    GLenum target = FaceTarget(t, face);
    if (f.type) GL(TexImage2D)(target, GLint(level), f.internal, l.width, l.height, 0, f.format, f.type, bytes);
    else GL(CompressedTexImage2D)(target, GLint(level), f.internal, l.width, l.height, 0, size, bytes);
  }

  // The framebuffer that draws into a surface: the back buffer's, or one made for a
  // texture's level, sharing the back buffer's depth buffer when that covers it.
  GLuint FramebufferOf(d3d9::Surface& surface) {
    if (!surface.texture) return framebuffer;
    auto found = targetFramebuffers.find(surface.serial);
    if (found != targetFramebuffers.end()) return found->second;
    GLuint fbo = 0;
    GL(GenFramebuffers)(1, &fbo);
    GL(BindFramebuffer)(GL_FRAMEBUFFER, fbo);
    GL(FramebufferTexture2D)(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, FaceTarget(*surface.texture, surface.face),
                             surface.texture->glName, GLint(surface.level));
    if (depthSurface && surface.width <= presentParameters.BackBufferWidth &&
        surface.height <= presentParameters.BackBufferHeight)
      GL(FramebufferRenderbuffer)(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, renderbuffers[1]);
    targetFramebuffers.emplace(surface.serial, fbo);
    return fbo;
  }

  void RenderTargetChanged() override {
    MakeCurrent();
    GL(BindFramebuffer)(GL_FRAMEBUFFER, CurrentFramebuffer());
  }
  GLuint CurrentFramebuffer() { return renderTarget ? FramebufferOf(*renderTarget) : framebuffer; }

  HRESULT DoStretchRect(d3d9::Surface& from, const RECT& a, d3d9::Surface& to, const RECT& b,
                        D3DTEXTUREFILTERTYPE filter) override {
    MakeCurrent();
    // Both made first: making one binds it.
    GLuint source = FramebufferOf(from), dest = FramebufferOf(to);
    GL(BindFramebuffer)(GL_READ_FRAMEBUFFER, source);
    GL(BindFramebuffer)(GL_DRAW_FRAMEBUFFER, dest);
    GL(BlitFramebuffer)(a.left, a.top, a.right, a.bottom, b.left, b.top, b.right, b.bottom,
                        GL_COLOR_BUFFER_BIT, filter == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
    GL(BindFramebuffer)(GL_FRAMEBUFFER, CurrentFramebuffer());
    return D3D_OK;
  }

  HRESULT DoGetRenderTargetData(d3d9::Surface& from, d3d9::Surface& to) override {
    MakeCurrent();
    d3d9::TextureLevel& l = to.texture->Level(to.face, to.level);
    TextureFormat f = TextureFormatOf(to.format);
    if (!f.type) return D3DERR_INVALIDCALL;
    GLuint source = FramebufferOf(from);
    GL(BindFramebuffer)(GL_READ_FRAMEBUFFER, source);
    GL(ReadPixels)(0, 0, from.width, from.height, f.format, f.type, l.bytes.data());
    GL(BindFramebuffer)(GL_FRAMEBUFFER, CurrentFramebuffer());
    return GL(GetError)() == GL_NO_ERROR ? D3D_OK : D3DERR_INVALIDCALL;
  }

  // Textures and sampler states of the samplers the current programs read.
  void ApplySamplers() {
    auto apply = [&](UINT slot) {
      if (slot >= kSamplers) return;
      d3d9::TextureData* t = textureData[slot];
      GLuint name = t ? t->glName : 0;
      if (boundTextures[slot] != name || boundTargets[slot] != (t ? TargetOf(*t) : 0)) {
        GL(ActiveTexture)(GL_TEXTURE0 + slot);
        if (boundTextures[slot] && boundTargets[slot] && (!t || boundTargets[slot] != TargetOf(*t)))
          GL(BindTexture)(boundTargets[slot], 0);
        if (t) GL(BindTexture)(TargetOf(*t), name);
        boundTextures[slot] = name;
        boundTargets[slot] = t ? TargetOf(*t) : 0;
      }
      if (!samplersDirty.test(slot)) return;
      const auto& st = samplerStates[slot];
      GLuint sampler = samplerObjects[slot];
      GL(SamplerParameteri)(sampler, GL_TEXTURE_WRAP_S, AddressOf(st[D3DSAMP_ADDRESSU]));
      GL(SamplerParameteri)(sampler, GL_TEXTURE_WRAP_T, AddressOf(st[D3DSAMP_ADDRESSV]));
      GL(SamplerParameteri)(sampler, GL_TEXTURE_WRAP_R, AddressOf(st[D3DSAMP_ADDRESSW]));
      DWORD c = st[D3DSAMP_BORDERCOLOR];
      float border[4] = {((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f,
                         (c >> 24) / 255.0f};
      GL(SamplerParameterfv)(sampler, GL_TEXTURE_BORDER_COLOR, border);
      bool magLinear = st[D3DSAMP_MAGFILTER] >= D3DTEXF_LINEAR;
      bool minLinear = st[D3DSAMP_MINFILTER] >= D3DTEXF_LINEAR;
      DWORD mip = st[D3DSAMP_MIPFILTER];
      GLint min = mip == D3DTEXF_NONE ? (minLinear ? GL_LINEAR : GL_NEAREST)
                  : mip == D3DTEXF_POINT ? (minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST)
                                         : (minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR);
      GL(SamplerParameteri)(sampler, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
      GL(SamplerParameteri)(sampler, GL_TEXTURE_MIN_FILTER, min);
      bool anisotropic = st[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC;
      GL(SamplerParameterf)(sampler, 0x84FE /* GL_TEXTURE_MAX_ANISOTROPY */,
                            anisotropic ? float(std::max<DWORD>(1, st[D3DSAMP_MAXANISOTROPY])) : 1.0f);
      GL(GetError)();  // a driver without anisotropic filtering refuses the last one
      samplersDirty.reset(slot);
    };
    if (current->fixed)
      for (int stage = 0; stage < current->fixedStages; ++stage) apply(UINT(stage));
    if (current->pixel)
      for (const d3d9::ShaderSampler& s : current->pixel->samplers) apply(s.index);
    if (current->vertex)
      for (const d3d9::ShaderSampler& s : current->vertex->samplers) apply(16 + s.index);
  }

  // A linked vertex and pixel stage; serial 0 stands for the layer's built-in stage.
  struct Program {
    GLuint name = 0;
    const d3d9::ShaderCode* vertex = nullptr;  // null: the built-in vertex stage
    const d3d9::ShaderCode* pixel = nullptr;   // null: the built-in or a pass-through stage
    GLint halfPixelAt = -1, worldViewProjectionAt = -1;
    uint64_t viewportStamp = 0, transformStamp = 0;
    bool fixed = false;  // the fixed-function pipeline of one key
    int fixedStages = 0;
    uint64_t fixedStamp = 0;
    std::map<std::string, GLint> locations;
  };

  GLint At(Program& p, const std::string& name) {
    auto found = p.locations.find(name);
    if (found != p.locations.end()) return found->second;
    return p.locations[name] = GL(GetUniformLocation)(p.name, name.c_str());
  }

  // What the fixed-function pipeline must do for the bound state.
  d3d9::FixedFunctionKey FixedKey() {
    d3d9::FixedFunctionKey k;
    const auto& rs = renderStates;
    if (declaration)
      for (const D3DVERTEXELEMENT9& e : declaration->elements) {
        if (e.Usage == D3DDECLUSAGE_POSITIONT) k.transformed = true;
        if (e.Usage == D3DDECLUSAGE_NORMAL && e.UsageIndex == 0) k.hasNormal = true;
        if (e.Usage == D3DDECLUSAGE_COLOR && e.UsageIndex == 0) k.hasColour0 = true;
        if (e.Usage == D3DDECLUSAGE_COLOR && e.UsageIndex == 1) k.hasColour1 = true;
        if (e.Usage == D3DDECLUSAGE_TEXCOORD && e.UsageIndex < 8) k.texcoordSets |= 1u << e.UsageIndex;
      }
    k.lighting = rs[D3DRS_LIGHTING] && !k.transformed;
    k.specular = rs[D3DRS_SPECULARENABLE] != 0;
    if (k.lighting) {
      k.localViewer = rs[D3DRS_LOCALVIEWER] != 0;
      k.normalize = rs[D3DRS_NORMALIZENORMALS] != 0;
      bool vertexColours = rs[D3DRS_COLORVERTEX] != 0;
      k.diffuseSource = vertexColours ? rs[D3DRS_DIFFUSEMATERIALSOURCE] : 0;
      k.specularSource = vertexColours ? rs[D3DRS_SPECULARMATERIALSOURCE] : 0;
      k.ambientSource = vertexColours ? rs[D3DRS_AMBIENTMATERIALSOURCE] : 0;
      k.emissiveSource = vertexColours ? rs[D3DRS_EMISSIVEMATERIALSOURCE] : 0;
      for (int i = 0; i < 8; ++i)
        if (lightsEnabled.test(size_t(i))) k.lightTypes[size_t(i)] = lights[size_t(i)].Type;
    }
    if (rs[D3DRS_FOGENABLE]) {
      k.fog = rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE ? rs[D3DRS_FOGTABLEMODE] : rs[D3DRS_FOGVERTEXMODE];
      if (k.fog > D3DFOG_LINEAR) k.fog = 0;
      k.rangeFog = rs[D3DRS_RANGEFOGENABLE] != 0;
    }
    if (rs[D3DRS_ALPHATESTENABLE]) k.alphaFunction = rs[D3DRS_ALPHAFUNC] ? rs[D3DRS_ALPHAFUNC] : D3DCMP_ALWAYS;
    for (int i = 0; i < 8; ++i) {
      const auto& st = stageStates[size_t(i)];
      if (st[D3DTSS_COLOROP] == D3DTOP_DISABLE || st[D3DTSS_COLOROP] > D3DTOP_ADDSMOOTH) break;
      d3d9::FixedStage& f = k.stage[size_t(i)];
      f.colourOp = st[D3DTSS_COLOROP], f.colourArg1 = st[D3DTSS_COLORARG1], f.colourArg2 = st[D3DTSS_COLORARG2];
      f.alphaOp = st[D3DTSS_ALPHAOP] > D3DTOP_ADDSMOOTH ? D3DTOP_MODULATE : st[D3DTSS_ALPHAOP];
      f.alphaArg1 = st[D3DTSS_ALPHAARG1], f.alphaArg2 = st[D3DTSS_ALPHAARG2];
      f.resultArg = st[D3DTSS_RESULTARG];
      f.coordinateSet = st[D3DTSS_TEXCOORDINDEX] & 7;
      f.coordinateSource = st[D3DTSS_TEXCOORDINDEX] & 0xFFFF0000u;
      f.transformFlags = st[D3DTSS_TEXTURETRANSFORMFLAGS];
      if (const d3d9::TextureData* t = textureData[size_t(i)])
        f.dimension = t->type == D3DRTYPE_VOLUMETEXTURE ? 3 : t->type == D3DRTYPE_CUBETEXTURE ? 4 : 2;
      k.stages = i + 1;
    }
    return k;
  }

  Program& FixedProgramFor(const d3d9::FixedFunctionKey& key) {
    std::string text = key.Text();
    auto found = fixedPrograms.find(text);
    if (found != fixedPrograms.end()) return found->second;
    Program& made = fixedPrograms[text];
    made.fixed = true;
    made.fixedStages = key.stages;
    std::string header = "#version 330 core\n";
    std::vector<std::string> attributes = {"korPosition", "korNormal", "korColour0", "korColour1"};
    for (int i = 0; i < 8; ++i) attributes.push_back("korTexcoord" + std::to_string(i));
    GLuint program = Link(header + DepthFixup() + d3d9::FixedVertexStage(key) + kVertexEpilogue,
                          header + d3d9::FixedPixelStage(key), attributes);
    if (!program) return made;
    made.name = program;
    GL(UseProgram)(program);
    boundProgram = program;
    made.halfPixelAt = GL(GetUniformLocation)(program, "korHalfPixel");
    for (int i = 0; i < key.stages; ++i) {
      GLint at = At(made, "korStage" + std::to_string(i));
      if (at >= 0) GL(Uniform1i)(at, i);
    }
    return made;
  }

  static float AsFloat(DWORD bits) {
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
  }
  void Colour(Program& p, const char* name, DWORD c) {
    GLint at = At(p, name);
    if (at >= 0) GL(Uniform4f)(at, ((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f, (c >> 24) / 255.0f);
  }
  void Vector(Program& p, const std::string& name, const float* v, int n) {
    GLint at = At(p, name);
    if (at < 0) return;
    if (n == 3) GL(Uniform3f)(at, v[0], v[1], v[2]);
    else GL(Uniform4f)(at, v[0], v[1], v[2], v[3]);
  }
  void MatrixUniform(Program& p, const std::string& name, const D3DMATRIX& m) {
    GLint at = At(p, name);
    // Row-vector Direct3D matrices read as column-major GL ones are already transposed.
    if (at >= 0) GL(UniformMatrix4fv)(at, 1, GL_FALSE, &m.m[0][0]);
  }

  // The values behind a fixed-function program: transforms, lights in view space,
  // material, ambient, fog, alpha reference, texture factor and texture matrices.
  void ApplyFixedUniforms(Program& p) {
    MatrixUniform(p, "korWorld", world);
    MatrixUniform(p, "korView", view);
    MatrixUniform(p, "korProjection", projection);
    const auto& rs = renderStates;
    auto toView = [&](const D3DVECTOR& v, float w, float* out) {
      for (int c = 0; c < 3; ++c)
        out[c] = v.x * view.m[0][c] + v.y * view.m[1][c] + v.z * view.m[2][c] + w * view.m[3][c];
    };
    for (int i = 0; i < 8; ++i) {
      if (!lightsEnabled.test(size_t(i))) continue;
      const D3DLIGHT9& l = lights[size_t(i)];
      std::string n = "[" + std::to_string(i) + "]";
      Vector(p, "korLightDiffuse" + n, &l.Diffuse.r, 4);
      Vector(p, "korLightSpecular" + n, &l.Specular.r, 4);
      Vector(p, "korLightAmbient" + n, &l.Ambient.r, 4);
      float position[3], direction[3];
      toView(l.Position, 1.0f, position);
      toView(l.Direction, 0.0f, direction);
      Vector(p, "korLightPosition" + n, position, 3);
      Vector(p, "korLightDirection" + n, direction, 3);
      float attenuation[4] = {l.Attenuation0, l.Attenuation1, l.Attenuation2, l.Range};
      Vector(p, "korLightAttenuation" + n, attenuation, 4);
      float spot[3] = {std::cos(l.Theta / 2), std::cos(l.Phi / 2), l.Falloff};
      Vector(p, "korLightSpot" + n, spot, 3);
    }
    Vector(p, "korMaterialDiffuse", &material.Diffuse.r, 4);
    Vector(p, "korMaterialAmbient", &material.Ambient.r, 4);
    Vector(p, "korMaterialSpecular", &material.Specular.r, 4);
    Vector(p, "korMaterialEmissive", &material.Emissive.r, 4);
    GLint power = At(p, "korMaterialPower");
    if (power >= 0) GL(Uniform1f)(power, material.Power);
    Colour(p, "korAmbient", rs[D3DRS_AMBIENT]);
    Colour(p, "korFogColour", rs[D3DRS_FOGCOLOR]);
    Colour(p, "korTextureFactor", rs[D3DRS_TEXTUREFACTOR]);
    float fog[3] = {AsFloat(rs[D3DRS_FOGSTART]), AsFloat(rs[D3DRS_FOGEND]), AsFloat(rs[D3DRS_FOGDENSITY])};
    Vector(p, "korFogParameters", fog, 3);
    GLint ref = At(p, "korAlphaRef");
    if (ref >= 0) GL(Uniform1f)(ref, float(rs[D3DRS_ALPHAREF] & 0xFF));
    for (int i = 0; i < 8; ++i)
      MatrixUniform(p, "korTextureMatrix[" + std::to_string(i) + "]", textureTransforms[size_t(i)]);
    GLint size = At(p, "korViewport");
    if (size >= 0) GL(Uniform2f)(size, float(viewport.Width), float(viewport.Height));
  }

  // The decoded function of a shader, or null when it cannot be used.
  template <class Shader>
  const d3d9::ShaderCode* CodeOf(Shader* shader) {
    if (!shader) return nullptr;
    auto found = codes.find(shader->serial);
    if (found == codes.end()) {
      d3d9::ShaderCode code;
      bool usable = d3d9::Decode(shader->function.data(), shader->function.size(), &code);
      found = codes.emplace(shader->serial, usable ? std::optional(std::move(code)) : std::nullopt).first;
    }
    return found->second ? &*found->second : nullptr;
  }

  GLuint CompileStage(GLenum stage, const std::string& source) {
    GLuint shader = GL(CreateShader)(stage);
    const char* text = source.c_str();
    GL(ShaderSource)(shader, 1, &text, nullptr);
    GL(CompileShader)(shader);
    GLint ok = 0;
    GL(GetShaderiv)(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
      char log[1024] = {};
      GL(GetShaderInfoLog)(shader, sizeof log, nullptr, log);
      SDL_Log("d3d9: a shader stage did not compile: %s", log);
      GL(DeleteShader)(shader);
      return 0;
    }
    return shader;
  }

  // Compiles and links two stages, attribute i bound to location i; 0 when either fails.
  GLuint Link(const std::string& vertexSource, const std::string& pixelSource,
              const std::vector<std::string>& attributes) {
    GLuint vs = CompileStage(GL_VERTEX_SHADER, vertexSource);
    GLuint fs = vs ? CompileStage(GL_FRAGMENT_SHADER, pixelSource) : 0;
    if (!vs || !fs) {
      if (vs) GL(DeleteShader)(vs);
      return 0;
    }
    GLuint program = GL(CreateProgram)();
    GL(AttachShader)(program, vs);
    GL(AttachShader)(program, fs);
    for (size_t i = 0; i < attributes.size(); ++i)
      GL(BindAttribLocation)(program, GLuint(i), attributes[i].c_str());
    GL(LinkProgram)(program);
    ++programsLinked;
    GL(DeleteShader)(vs);
    GL(DeleteShader)(fs);
    GLint ok = 0;
    GL(GetProgramiv)(program, GL_LINK_STATUS, &ok);
    if (!ok) {
      char log[1024] = {};
      GL(GetProgramInfoLog)(program, sizeof log, nullptr, log);
      SDL_Log("d3d9: a vertex and pixel stage did not link: %s", log);
      GL(DeleteProgram)(program);
      return 0;
    }
    return program;
  }

  std::string DepthFixup() const { return gl.ClipControl ? "" : "#define KOR_DEPTH_FIXUP 1\n"; }

  Program& ProgramFor(uint64_t vertexSerial, uint64_t pixelSerial) {
    auto key = std::make_pair(vertexSerial, pixelSerial);
    auto found = programs.find(key);
    if (found != programs.end()) return found->second;
    Program& made = programs[key];
    made.vertex = vertexSerial ? CodeOf(vertexShader) : nullptr;
    made.pixel = pixelSerial ? CodeOf(pixelShader) : nullptr;
    if ((vertexSerial && !made.vertex) || (pixelSerial && !made.pixel)) return made;

    std::string vertexSource, pixelSource;
    if (made.vertex) {
      auto [header, body] = SplitHeader(made.vertex->glsl);
      if (!RenameMain(body)) return made;
      vertexSource = header + DepthFixup() + body + kVertexEpilogue;
    } else {
      vertexSource = "#version 330 core\n" + DepthFixup() + kVertexSource + kVertexEpilogue;
    }
    if (made.pixel) pixelSource = made.pixel->glsl;
    else if (made.vertex) pixelSource = "#version 330 core\n" + PassThroughPixelStage(made.vertex->glsl);
    else pixelSource = std::string("#version 330 core\n") + kFragmentSource;

    std::vector<std::string> attributes;
    if (made.vertex)
      for (const d3d9::ShaderInput& input : made.vertex->inputs) attributes.push_back(input.name);
    else
      attributes = {"korPosition", "korColour"};
    GLuint program = Link(vertexSource, pixelSource, attributes);
    if (!program) return made;
    made.name = program;
    GL(UseProgram)(program);
    made.halfPixelAt = GL(GetUniformLocation)(program, "korHalfPixel");
    made.worldViewProjectionAt = GL(GetUniformLocation)(program, "korWorldViewProjection");
    // Constants: the vertex stage's block on binding 0, the pixel stage's on 1.
    const d3d9::ShaderCode* stages[2] = {made.vertex, made.pixel};
    for (GLuint binding = 0; binding < 2; ++binding) {
      const d3d9::ShaderCode* code = stages[binding];
      if (!code) continue;
      if (!code->uniformBlock.empty()) {
        GLuint index = GL(GetUniformBlockIndex)(program, code->uniformBlock.c_str());
        if (index != GL_INVALID_INDEX) GL(UniformBlockBinding)(program, index, binding);
      }
      for (const d3d9::ShaderSampler& sampler : code->samplers) {
        GLint at = GL(GetUniformLocation)(program, sampler.name.c_str());
        // Vertex samplers follow the pixel ones, as Direct3D numbers them from 257.
        if (at >= 0) GL(Uniform1i)(at, GLint(sampler.index + (binding == 0 ? 16 : 0)));
      }
    }
    boundProgram = program;
    return made;
  }

  void SelectProgram() {
    uint64_t vertexSerial = vertexShader ? vertexShader->serial : 0;
    uint64_t pixelSerial = pixelShader ? pixelShader->serial : 0;
    Program* chosen = vertexSerial || pixelSerial ? &ProgramFor(vertexSerial, pixelSerial)
                                                  : &FixedProgramFor(FixedKey());
    if (chosen != current) {
      // Attribute locations come with the vertex stage; constants with both.
      if (!current || chosen->vertex != current->vertex || chosen->fixed != current->fixed)
        inputDirty = true;
      uploadedFor[0] = uploadedFor[1] = nullptr;
    }
    current = chosen;
    if (current->name && current->name != boundProgram) {
      GL(UseProgram)(current->name);
      boundProgram = current->name;
    }
    programDirty = false;
  }

  // Uniforms are per program: each learns of a new viewport or transform when it is used.
  void ApplyProgramUniforms() {
    if (current->fixed && current->fixedStamp != fixedStamp) {
      ApplyFixedUniforms(*current);
      current->fixedStamp = fixedStamp;
    }
    if (current->viewportStamp != viewportStamp) {
      GL(Uniform2f)(current->halfPixelAt, 1.0f / viewport.Width, 1.0f / viewport.Height);
      current->viewportStamp = viewportStamp;
    }
    if (current->worldViewProjectionAt >= 0 && current->transformStamp != transformStamp) {
      // Row-vector Direct3D matrices read as column-major GL ones are already transposed.
      GL(UniformMatrix4fv)(current->worldViewProjectionAt, 1, GL_FALSE, &worldViewProjection.m[0][0]);
      current->transformStamp = transformStamp;
    }
    UploadConstants(0, current->vertex, vertexConstants);
    UploadConstants(1, current->pixel, pixelConstants);
  }

  // A stage's constant block, from the registers the program reads.
  void UploadConstants(int stage, const d3d9::ShaderCode* code, d3d9::ConstantRegisters& registers) {
    if (!code || code->uniformBlockSize == 0) return;
    if (uploadedFor[stage] == current && !registers.dirty) return;
    block.assign(code->uniformBlockSize, 0);
    for (const d3d9::ShaderConstant& c : code->constants) {
      for (DWORD k = 0; k < c.count; ++k) {
        const void* from = nullptr;
        DWORD r = c.first + k;
        switch (c.file) {
          case d3d9::RegisterFile::Float4: from = &registers.floats[size_t(r) * 4]; break;
          case d3d9::RegisterFile::Int4: from = &registers.ints[size_t(r) * 4]; break;
          case d3d9::RegisterFile::Bool: from = &registers.bools[r]; break;
        }
        std::memcpy(block.data() + c.offset + size_t(k) * c.stride, from, size_t(c.components) * 4);
      }
    }
    GL(BindBufferBase)(GL_UNIFORM_BUFFER, GLuint(stage), constantBuffers[stage]);
    GL(BufferData)(GL_UNIFORM_BUFFER, GLsizeiptr(block.size()), block.data(), GL_STREAM_DRAW);
    uploadedFor[stage] = current;
    registers.dirty = false;
  }

  bool MakeTarget(const D3DPRESENT_PARAMETERS& p) {
    GL(GenFramebuffers)(1, &framebuffer);
    GL(BindFramebuffer)(GL_FRAMEBUFFER, framebuffer);
    GL(GenRenderbuffers)(2, renderbuffers);
    GL(BindRenderbuffer)(GL_RENDERBUFFER, renderbuffers[0]);
    GL(RenderbufferStorage)(GL_RENDERBUFFER, p.BackBufferFormat == D3DFMT_R5G6B5 ? GL_RGB565 : GL_RGBA8,
                            p.BackBufferWidth, p.BackBufferHeight);
    GL(FramebufferRenderbuffer)(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffers[0]);
    if (p.EnableAutoDepthStencil) {
      GL(BindRenderbuffer)(GL_RENDERBUFFER, renderbuffers[1]);
      GL(RenderbufferStorage)(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, p.BackBufferWidth,
                              p.BackBufferHeight);
      GL(FramebufferRenderbuffer)(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                  renderbuffers[1]);
    }
    viewportDirty = true;
    return GL(CheckFramebufferStatus)(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  }

  void DropTarget() {
    if (!framebuffer) return;
    GL(DeleteFramebuffers)(1, &framebuffer);
    GL(DeleteRenderbuffers)(2, renderbuffers);
    framebuffer = 0;
  }

  // Fullscreen is the desktop's own mode: the back buffer keeps its size and is scaled.
  void ApplyWindowType(const D3DPRESENT_PARAMETERS& p) {
    SDL_SetWindowFullscreen(window, p.Windowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
  }

  void ApplyViewport() {
    GL(Viewport)(viewport.X, viewport.Y, viewport.Width, viewport.Height);
    GL(DepthRange)(viewport.MinZ, viewport.MaxZ);
    ++viewportStamp;
    viewportDirty = false;
  }

  void ApplyTransforms() {
    auto multiply = [](const D3DMATRIX& a, const D3DMATRIX& b) {
      D3DMATRIX r{};
      for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
          for (int k = 0; k < 4; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
      return r;
    };
    worldViewProjection = multiply(multiply(world, view), projection);
    ++transformStamp;
    transformsDirty = false;
  }

  void ApplyRenderStates() {
    auto changed = [&](D3DRENDERSTATETYPE s) { return renderStatesDirty.test(s); };
    const auto& rs = renderStates;
    if (changed(D3DRS_CULLMODE)) {
      if (rs[D3DRS_CULLMODE] == D3DCULL_NONE) {
        GL(Disable)(GL_CULL_FACE);
      } else {
        GL(Enable)(GL_CULL_FACE);
        GL(CullFace)(rs[D3DRS_CULLMODE] == D3DCULL_CCW ? GL_BACK : GL_FRONT);
      }
    }
    if (changed(D3DRS_ZENABLE)) {
      if (rs[D3DRS_ZENABLE] && depthSurface) GL(Enable)(GL_DEPTH_TEST);
      else GL(Disable)(GL_DEPTH_TEST);
    }
    if (changed(D3DRS_ZFUNC)) GL(DepthFunc)(CompareOf(rs[D3DRS_ZFUNC]));
    if (changed(D3DRS_ZWRITEENABLE)) GL(DepthMask)(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    if (changed(D3DRS_ALPHABLENDENABLE)) {
      if (rs[D3DRS_ALPHABLENDENABLE]) GL(Enable)(GL_BLEND);
      else GL(Disable)(GL_BLEND);
    }
    bool separate = rs[D3DRS_SEPARATEALPHABLENDENABLE] != 0;
    if (changed(D3DRS_SRCBLEND) || changed(D3DRS_DESTBLEND) || changed(D3DRS_SEPARATEALPHABLENDENABLE) ||
        changed(D3DRS_SRCBLENDALPHA) || changed(D3DRS_DESTBLENDALPHA))
    {
      // The both-alpha modes set the destination from the source.
      auto pair = [&](DWORD source, DWORD dest) {
        if (source == D3DBLEND_BOTHSRCALPHA) return std::make_pair(GLenum(GL_SRC_ALPHA), GLenum(GL_ONE_MINUS_SRC_ALPHA));
        if (source == D3DBLEND_BOTHINVSRCALPHA) return std::make_pair(GLenum(GL_ONE_MINUS_SRC_ALPHA), GLenum(GL_SRC_ALPHA));
        return std::make_pair(BlendOf(source), BlendOf(dest));
      };
      auto colour = pair(rs[D3DRS_SRCBLEND], rs[D3DRS_DESTBLEND]);
      auto alpha = separate ? pair(rs[D3DRS_SRCBLENDALPHA], rs[D3DRS_DESTBLENDALPHA]) : colour;
      GL(BlendFuncSeparate)(colour.first, colour.second, alpha.first, alpha.second);
    }
    if (changed(D3DRS_BLENDOP) || changed(D3DRS_BLENDOPALPHA) || changed(D3DRS_SEPARATEALPHABLENDENABLE))
      GL(BlendEquationSeparate)(BlendOpOf(rs[D3DRS_BLENDOP]),
                                BlendOpOf(rs[separate ? D3DRS_BLENDOPALPHA : D3DRS_BLENDOP]));
    if (changed(D3DRS_BLENDFACTOR)) {
      DWORD c = rs[D3DRS_BLENDFACTOR];
      GL(BlendColor)(((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f, (c >> 24) / 255.0f);
    }
    if (changed(D3DRS_FILLMODE))
      GL(PolygonMode)(GL_FRONT_AND_BACK, rs[D3DRS_FILLMODE] == D3DFILL_POINT      ? GL_POINT
                                         : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                                                   : GL_FILL);
    if (changed(D3DRS_STENCILENABLE)) {
      if (rs[D3DRS_STENCILENABLE] && depthSurface) GL(Enable)(GL_STENCIL_TEST);
      else GL(Disable)(GL_STENCIL_TEST);
    }
    static const D3DRENDERSTATETYPE kStencil[] = {
        D3DRS_STENCILFAIL, D3DRS_STENCILZFAIL, D3DRS_STENCILPASS, D3DRS_STENCILFUNC,
        D3DRS_STENCILREF, D3DRS_STENCILMASK, D3DRS_STENCILWRITEMASK, D3DRS_TWOSIDEDSTENCILMODE,
        D3DRS_CCW_STENCILFAIL, D3DRS_CCW_STENCILZFAIL, D3DRS_CCW_STENCILPASS, D3DRS_CCW_STENCILFUNC};
    if (std::any_of(std::begin(kStencil), std::end(kStencil), changed)) {
      // Clockwise faces are GL's front faces here; two-sided mode gives the others their own.
      bool twoSided = rs[D3DRS_TWOSIDEDSTENCILMODE] != 0;
      auto ccw = [&](D3DRENDERSTATETYPE cw, D3DRENDERSTATETYPE other) { return rs[twoSided ? other : cw]; };
      GLint ref = GLint(rs[D3DRS_STENCILREF] & 0xFF);
      GL(StencilFuncSeparate)(GL_FRONT, CompareOf(rs[D3DRS_STENCILFUNC]), ref, rs[D3DRS_STENCILMASK]);
      GL(StencilFuncSeparate)(GL_BACK, CompareOf(ccw(D3DRS_STENCILFUNC, D3DRS_CCW_STENCILFUNC)), ref,
                              rs[D3DRS_STENCILMASK]);
      GL(StencilOpSeparate)(GL_FRONT, StencilOpOf(rs[D3DRS_STENCILFAIL]), StencilOpOf(rs[D3DRS_STENCILZFAIL]),
                            StencilOpOf(rs[D3DRS_STENCILPASS]));
      GL(StencilOpSeparate)(GL_BACK, StencilOpOf(ccw(D3DRS_STENCILFAIL, D3DRS_CCW_STENCILFAIL)),
                            StencilOpOf(ccw(D3DRS_STENCILZFAIL, D3DRS_CCW_STENCILZFAIL)),
                            StencilOpOf(ccw(D3DRS_STENCILPASS, D3DRS_CCW_STENCILPASS)));
      GL(StencilMask)(rs[D3DRS_STENCILWRITEMASK]);
    }
    if (changed(D3DRS_COLORWRITEENABLE)) {
      DWORD m = rs[D3DRS_COLORWRITEENABLE];
      GL(ColorMask)(m & 1 ? GL_TRUE : GL_FALSE, m & 2 ? GL_TRUE : GL_FALSE,
                    m & 4 ? GL_TRUE : GL_FALSE, m & 8 ? GL_TRUE : GL_FALSE);
    }
    renderStatesDirty.reset();
  }

  // One vertex array per combination of declaration, streams and index buffer, named by
  // serials so that an object made at a freed object's address never finds a stale one.
  void ApplyInput() {
    std::vector<uint64_t> key = {declaration->serial, indices ? indices->store.serial : 0,
                                 current->vertex ? vertexShader->serial : current->fixed ? ~0ull : 0};
    for (const D3DVERTEXELEMENT9& e : declaration->elements) {
      const d3d9::StreamBinding& s = streams[e.Stream];
      key.insert(key.end(), {e.Stream, s.buffer ? s.buffer->store.serial : 0, s.offset, s.stride});
    }
    auto found = vertexArrays.find(key);
    GLuint vao;
    if (found != vertexArrays.end()) {
      vao = found->second;
      if (vao != boundVertexArray) GL(BindVertexArray)(vao);
    } else {
      GL(GenVertexArrays)(1, &vao);
      GL(BindVertexArray)(vao);
      for (const D3DVERTEXELEMENT9& e : declaration->elements) {
        int location = current->fixed ? d3d9::FixedAttributeLocation(e.Usage, e.UsageIndex)
                                      : LocationOf(e, current->vertex);
        const d3d9::StreamBinding& s = streams[e.Stream];
        if (location < 0 || !s.buffer) continue;
        AttributeFormat f = FormatOf(e.Type);
        GL(BindBuffer)(GL_ARRAY_BUFFER, s.buffer->store.glName);
        GL(EnableVertexAttribArray)(location);
        GL(VertexAttribPointer)(location, f.size, f.type, f.normalised, s.stride,
                                reinterpret_cast<void*>(uintptr_t(s.offset) + e.Offset));
      }
      if (indices) GL(BindBuffer)(GL_ELEMENT_ARRAY_BUFFER, indices->store.glName);
      vertexArrays.emplace(std::move(key), vao);
    }
    boundVertexArray = vao;
    inputDirty = false;
  }

  void ForgetVertexArrays(uint64_t serial) {
    for (auto it = vertexArrays.begin(); it != vertexArrays.end();) {
      if (std::find(it->first.begin(), it->first.end(), serial) != it->first.end()) {
        if (it->second == boundVertexArray) boundVertexArray = 0, inputDirty = true;
        GL(DeleteVertexArrays)(1, &it->second);
        it = vertexArrays.erase(it);
      } else {
        ++it;
      }
    }
  }

  GlApi gl;
  SDL_Window* window;
  SDL_GLContext context;
  GLuint framebuffer = 0, renderbuffers[2] = {};
  std::map<std::pair<uint64_t, uint64_t>, Program> programs;
  std::map<std::string, Program> fixedPrograms;  // by key
  uint64_t fixedStamp = 1;
  std::map<uint64_t, std::optional<d3d9::ShaderCode>> codes;
  Program* current = nullptr;
  GLuint boundProgram = 0;
  uint64_t viewportStamp = 1, transformStamp = 1;
  D3DMATRIX worldViewProjection{};
  GLuint constantBuffers[2] = {};
  GLuint samplerObjects[kSamplers] = {};
  std::array<GLuint, kSamplers> boundTextures{};
  std::array<GLenum, kSamplers> boundTargets{};
  const Program* samplersFor = nullptr;
  std::map<uint64_t, GLuint> targetFramebuffers;  // by surface serial
  const Program* uploadedFor[2] = {};
  std::vector<unsigned char> block;
  std::map<std::vector<uint64_t>, GLuint> vertexArrays;
  GLuint boundVertexArray = 0;
};

void AskForCoreContext() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

class GlDirect3D9 final : public d3d9::RefCounted<IDirect3D9> {
public:
  GlDirect3D9() {
    // Sizes in rising order, refresh rates rising within a size, as Direct3D lists them.
    for (int i = 0, n = SDL_GetNumDisplayModes(0); i < n; ++i) {
      SDL_DisplayMode m;
      if (SDL_GetDisplayMode(0, i, &m) == 0 && m.w > 0 && m.h > 0)
        modes.push_back({UINT(m.w), UINT(m.h), UINT(m.refresh_rate), D3DFMT_UNKNOWN});
    }
    std::sort(modes.begin(), modes.end(), [](const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) {
      return std::tie(a.Width, a.Height, a.RefreshRate) < std::tie(b.Width, b.Height, b.RefreshRate);
    });
    modes.erase(std::unique(modes.begin(), modes.end(),
                            [](const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) {
                              return a.Width == b.Width && a.Height == b.Height &&
                                     a.RefreshRate == b.RefreshRate;
                            }),
                modes.end());
  }
  ~GlDirect3D9() override { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

  // Every size renders in both colour depths, so both lists hold the display's sizes.
  UINT GetAdapterModeCount(UINT adapter, D3DFORMAT) override {
    return adapter == 0 ? UINT(modes.size()) : 0;
  }
  HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* out) override {
    if (adapter != 0 || !out || mode >= modes.size()) return D3DERR_INVALIDCALL;
    *out = modes[mode];
    out->Format = format;
    return D3D_OK;
  }
  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override {
    if (adapter != 0 || !caps) return D3DERR_INVALIDCALL;
    *caps = {type, 0, 4096, 4096, 8, 16, D3DVS_VERSION(3, 0), 256, D3DPS_VERSION(3, 0), 1};
    return D3D_OK;
  }
  HRESULT CheckDeviceMultiSampleType(UINT, D3DDEVTYPE, D3DFORMAT, BOOL, D3DMULTISAMPLE_TYPE samples,
                                     DWORD* quality) override {
    if (quality) *quality = 1;
    return samples == D3DMULTISAMPLE_NONE ? D3D_OK : D3DERR_NOTAVAILABLE;
  }
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE, HWND focus, DWORD, D3DPRESENT_PARAMETERS* p,
                       IDirect3DDevice9** device) override {
    if (adapter != 0 || !p || !device) return D3DERR_INVALIDCALL;
    HWND target = p->hDeviceWindow ? p->hDeviceWindow : focus;
    SDL_Window* window = Win32GetSdlWindow(target);
    if (!window) return D3DERR_NOTAVAILABLE;
    RECT client{};
    GetClientRect(target, &client);
    if (p->BackBufferWidth == 0) p->BackBufferWidth = UINT(client.right - client.left);
    if (p->BackBufferHeight == 0) p->BackBufferHeight = UINT(client.bottom - client.top);
    if (p->BackBufferWidth == 0 || p->BackBufferHeight == 0) return D3DERR_INVALIDCALL;
    if (p->BackBufferFormat == D3DFMT_UNKNOWN) p->BackBufferFormat = D3DFMT_X8R8G8B8;
    AskForCoreContext();
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) return D3DERR_NOTAVAILABLE;
    SDL_GL_SetSwapInterval(p->PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
    auto* made = new GlDevice(&serials, this, window, context);
    ++serials;
    if (!made->Init(*p)) {
      made->Release();
      if (previous) SDL_GL_MakeCurrent(previousWindow, previous);
      return D3DERR_NOTAVAILABLE;
    }
    Win32ClaimSurface(target);
    *device = made;
    return D3D_OK;
  }

private:
  std::vector<D3DDISPLAYMODE> modes;
  uint64_t serials = 0;
};

// Whether a GL 3.3 core context can be made at all, on a hidden window of our own.
bool CanMakeContext() {
  AskForCoreContext();
  SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
  SDL_GLContext previous = SDL_GL_GetCurrentContext();
  SDL_Window* probe = SDL_CreateWindow("", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!probe) return false;
  SDL_GLContext context = SDL_GL_CreateContext(probe);
  if (context) SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(probe);
  if (previous) SDL_GL_MakeCurrent(previousWindow, previous);
  return context != nullptr;
}

}  // namespace

namespace d3d9 {
IDirect3D9* CreateGlDirect3D9() {
  // Without the Win32 layer's windows there is nothing to draw into.
  if (EnvSet("KOR_WIN32_HEADLESS")) return nullptr;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  if (!CanMakeContext()) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  return new GlDirect3D9;
}
}  // namespace d3d9

bool D3D9ReadWindow(IDirect3DDevice9* device, std::vector<uint32_t>* pixels, UINT* width,
                    UINT* height) {
  auto* gl = dynamic_cast<GlDevice*>(device);
  return gl && pixels && width && height && gl->ReadWindow(pixels, width, height);
}

bool D3D9ReadBackBuffer(IDirect3DDevice9* device, std::vector<uint32_t>* pixels, UINT* width,
                        UINT* height) {
  auto* gl = dynamic_cast<GlDevice*>(device);
  return gl && pixels && width && height && gl->ReadBack(pixels, width, height);
}

uint64_t D3D9GlCallCount() { return glCalls; }
uint64_t D3D9GlProgramsLinked() { return programsLinked; }
