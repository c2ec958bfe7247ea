// The GL backend: a GL 3.3 core context on the device window's SDL window. Drawing goes
// to an off-screen back buffer that Present scales into the window. The image is drawn
// upside down in GL terms so that GL's window coordinates are Direct3D's (row 0 at the
// top); the vertex program's epilogue applies that flip and Direct3D's pixel centres.

#define GL_GLEXT_PROTOTYPES 1
#include <SDL.h>
#include <SDL_opengl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "platform/d3d9/D3D9Testing.h"
#include "platform/d3d9/DeviceCore.h"
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
  X(BlitFramebuffer)

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

GLenum BlendOf(DWORD b) {
  static const GLenum factors[] = {GL_ONE, GL_ZERO, GL_ONE, GL_SRC_COLOR,
                                   GL_ONE_MINUS_SRC_COLOR, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA,
                                   GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA, GL_DST_COLOR,
                                   GL_ONE_MINUS_DST_COLOR};
  return b <= 10 ? factors[b] : GL_ONE;
}

// Where the declaration's usages go in the built-in program.
int LocationOf(const D3DVERTEXELEMENT9& e) {
  if (e.Usage == D3DDECLUSAGE_POSITION && e.UsageIndex == 0) return 0;
  if (e.Usage == D3DDECLUSAGE_COLOR && e.UsageIndex == 0) return 1;
  return -1;
}

const char* kVertexSource = R"(
layout(location = 0) in vec4 korPosition;
layout(location = 1) in vec4 korColour;
uniform mat4 korWorldViewProjection;
uniform vec2 korHalfPixel;
out vec4 colour;
void main() {
  vec4 p = korWorldViewProjection * korPosition;
  // Row 0 at the top, and Direct3D samples pixels at integer positions, half a pixel
  // left of and above GL's centres.
  p.y = -p.y;
  p.xy += korHalfPixel * p.w;
#ifdef KOR_DEPTH_FIXUP
  p.z = p.z * 2.0 - p.w;
#endif
  gl_Position = p;
  colour = korColour;
}
)";
const char* kFragmentSource = R"(
in vec4 colour;
out vec4 target;
void main() { target = colour; }
)";

class GlDevice final : public d3d9::DeviceCore {
public:
  GlDevice(uint64_t* serials, IUnknown* parent, SDL_Window* window, SDL_GLContext context)
      : DeviceCore(nullptr, serials, parent), window(window), context(context) {}

  ~GlDevice() override {
    MakeCurrent();
    for (auto& [key, vao] : vertexArrays) GL(DeleteVertexArrays)(1, &vao);
    DropTarget();
    if (program) GL(DeleteProgram)(program);
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(context);
  }

  bool Init(const D3DPRESENT_PARAMETERS& parameters) {
    if (!gl.Load()) return false;
    if (gl.ClipControl) gl.ClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    if (!BuildProgram() || !MakeTarget(parameters)) return false;
    GL(VertexAttrib4f)(1, 1, 1, 1, 1);  // white where a declaration has no colour
    GL(FrontFace)(GL_CCW);              // Direct3D's clockwise, once the image is flipped
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
    GL(BindFramebuffer)(GL_FRAMEBUFFER, framebuffer);
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

protected:
  HRESULT DoReset(const D3DPRESENT_PARAMETERS& parameters) override {
    MakeCurrent();
    DropTarget();
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
    GL(BindFramebuffer)(GL_FRAMEBUFFER, framebuffer);
    return D3D_OK;
  }

  void DoDraw(const d3d9::DrawCall& draw) override {
    if (viewportDirty) ApplyViewport();
    if (transformsDirty) ApplyTransforms();
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

  bool BuildProgram() {
    std::string header = "#version 330 core\n";
    if (!gl.ClipControl) header += "#define KOR_DEPTH_FIXUP 1\n";
    auto compile = [&](GLenum stage, const char* body) {
      GLuint shader = GL(CreateShader)(stage);
      const char* parts[] = {header.c_str(), body};
      GL(ShaderSource)(shader, 2, parts, nullptr);
      GL(CompileShader)(shader);
      GLint ok = 0;
      GL(GetShaderiv)(shader, GL_COMPILE_STATUS, &ok);
      return ok ? shader : 0u;
    };
    GLuint vs = compile(GL_VERTEX_SHADER, kVertexSource);
    GLuint fs = compile(GL_FRAGMENT_SHADER, kFragmentSource);
    if (!vs || !fs) return false;
    program = GL(CreateProgram)();
    GL(AttachShader)(program, vs);
    GL(AttachShader)(program, fs);
    GL(LinkProgram)(program);
    GL(DeleteShader)(vs);
    GL(DeleteShader)(fs);
    GLint ok = 0;
    GL(GetProgramiv)(program, GL_LINK_STATUS, &ok);
    if (!ok) return false;
    GL(UseProgram)(program);
    worldViewProjectionAt = GL(GetUniformLocation)(program, "korWorldViewProjection");
    halfPixelAt = GL(GetUniformLocation)(program, "korHalfPixel");
    return true;
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
    GL(Uniform2f)(halfPixelAt, 1.0f / viewport.Width, 1.0f / viewport.Height);
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
    D3DMATRIX wvp = multiply(multiply(world, view), projection);
    // Row-vector Direct3D matrices read as column-major GL ones are already transposed.
    GL(UniformMatrix4fv)(worldViewProjectionAt, 1, GL_FALSE, &wvp.m[0][0]);
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
    if (changed(D3DRS_SRCBLEND) || changed(D3DRS_DESTBLEND))
      GL(BlendFunc)(BlendOf(rs[D3DRS_SRCBLEND]), BlendOf(rs[D3DRS_DESTBLEND]));
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
    std::vector<uint64_t> key = {declaration->serial, indices ? indices->store.serial : 0};
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
        int location = LocationOf(e);
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
  GLuint program = 0, framebuffer = 0, renderbuffers[2] = {};
  GLint worldViewProjectionAt = -1, halfPixelAt = -1;
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
