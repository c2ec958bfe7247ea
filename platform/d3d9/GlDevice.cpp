// The GL backend: a GL 3.3 core context on the device window's SDL window. Drawing goes
// to an off-screen back buffer that Present scales into the window. The image is drawn
// upside down in GL terms so that GL's window coordinates are Direct3D's (row 0 at the
// top); the vertex program's epilogue applies that flip and Direct3D's pixel centres.
// This file: the device's lifetime, frames, render targets and the IDirect3D9 object.

#include "platform/d3d9/GlDevice.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "platform/d3d9/D3D9Testing.h"
#include "platform/win32/Win32Sdl.h"

namespace d3d9::gl {

uint64_t glCalls = 0;
uint64_t programsLinked = 0;

bool GlApi::Load() {
  bool complete = true;
#define KOR_GL_LOAD(name)                                                      \
  name = reinterpret_cast<decltype(name)>(SDL_GL_GetProcAddress("gl" #name)); \
  complete = complete && name;
  KOR_GL_FUNCTIONS(KOR_GL_LOAD)
#undef KOR_GL_LOAD
  ClipControl = reinterpret_cast<decltype(ClipControl)>(SDL_GL_GetProcAddress("glClipControl"));
  // A name can resolve without the driver offering it: ask for the extension first.
  if (SDL_GL_ExtensionSupported("GL_ARB_direct_state_access")) {
    BindTextureUnit = reinterpret_cast<decltype(BindTextureUnit)>(SDL_GL_GetProcAddress("glBindTextureUnit"));
    NamedBufferSubData = reinterpret_cast<decltype(NamedBufferSubData)>(SDL_GL_GetProcAddress("glNamedBufferSubData"));
    BlitNamedFramebuffer =
        reinterpret_cast<decltype(BlitNamedFramebuffer)>(SDL_GL_GetProcAddress("glBlitNamedFramebuffer"));
  }
  return complete;
}

GlDevice::GlDevice(uint64_t* serials, IUnknown* parent, SDL_Window* window, SDL_GLContext context)
    : DeviceCore(nullptr, serials, parent), window(window), context(context) {}

GlDevice::~GlDevice() {
  MakeCurrent();
  // What is still bound goes first, while its GL objects can be freed here.
  UnbindAll();
  for (auto& [key, vao] : vertexArrays) GL(DeleteVertexArrays)(1, &vao);
  DropTarget();
  for (auto& [key, linked] : programs)
    if (linked.name) GL(DeleteProgram)(linked.name), --counters.liveGlPrograms;
  for (auto& [key, linked] : fixedPrograms)
    if (linked.name) GL(DeleteProgram)(linked.name), --counters.liveGlPrograms;
  for (auto& [key, linked] : hybridPrograms)
    if (linked.name) GL(DeleteProgram)(linked.name), --counters.liveGlPrograms;
  GL(DeleteBuffers)(2, constantBuffers);
  GL(DeleteBuffers)(1, &fixedFrameBuffer);
  for (auto& [serial, fbo] : targetFramebuffers) GL(DeleteFramebuffers)(1, &fbo);
  if (readFramebuffer) GL(DeleteFramebuffers)(1, &readFramebuffer);
  for (auto& [parameters, sampler] : samplerObjects) GL(DeleteSamplers)(1, &sampler);
  SDL_GL_MakeCurrent(window, nullptr);
  SDL_GL_DeleteContext(context);
}

bool GlDevice::Init(const D3DPRESENT_PARAMETERS& parameters) {
  if (!gl.Load()) return false;
  if (gl.ClipControl) gl.ClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
  if (!MakeTarget(parameters)) return false;
  current = &ProgramFor(0, 0, false);
  if (!current->name) return false;
  GL(GenBuffers)(2, constantBuffers);
  for (GLuint stage = 0; stage < 2; ++stage) GL(BindBufferBase)(GL_UNIFORM_BUFFER, stage, constantBuffers[stage]);
  GL(GenBuffers)(1, &fixedFrameBuffer);
  GL(BindBufferBase)(GL_UNIFORM_BUFFER, kFixedFrameBinding, fixedFrameBuffer);
  GL(BufferData)(GL_UNIFORM_BUFFER, sizeof(FixedFrame), nullptr, GL_STREAM_DRAW);
  for (GLuint stage = 0; stage < 2; ++stage) GL(BindBuffer)(kConstantUpload[stage], constantBuffers[stage]);
  GL(BindBuffer)(kFixedFrameUpload, fixedFrameBuffer);
  samplerObjects.clear();
  boundSamplers = {};
  activeUnit = ~0u;  // unknown until the first unit is chosen
  GL(PixelStorei)(GL_UNPACK_ALIGNMENT, 1);
  GL(PixelStorei)(GL_PACK_ALIGNMENT, 1);
  GL(VertexAttrib4f)(1, 1, 1, 1, 1);  // white where a declaration has no colour
  GL(FrontFace)(GL_CCW);              // Direct3D's clockwise, once the image is flipped
  GL(Enable)(GL_PROGRAM_POINT_SIZE);  // programs that write PSIZE size their points
  // Flat shading takes a primitive's colour from its first vertex, as Direct3D does.
  GL(ProvokingVertex)(GL_FIRST_VERTEX_CONVENTION);
  Start(parameters);
  ApplyWindowType(parameters);
  return true;
}

bool GlDevice::ReadBack(std::vector<uint32_t>* pixels, UINT* width, UINT* height) {
  MakeCurrent();
  *width = presentParameters.BackBufferWidth;
  *height = presentParameters.BackBufferHeight;
  pixels->assign(size_t(*width) * *height, 0);
  GL(BindFramebuffer)(GL_READ_FRAMEBUFFER, framebuffer);
  GL(ReadPixels)(0, 0, *width, *height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels->data());
  return GL(GetError)() == GL_NO_ERROR;
}

// What Present would show, read from the window before the swap.
bool GlDevice::ReadWindow(std::vector<uint32_t>* pixels, UINT* width, UINT* height) {
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

HRESULT GlDevice::DoReset(const D3DPRESENT_PARAMETERS& parameters) {
  MakeCurrent();
  DropTarget();
  // Texture targets shared the old depth buffer: they are made again on first use.
  for (auto& [serial, fbo] : targetFramebuffers) GL(DeleteFramebuffers)(1, &fbo);
  targetFramebuffers.clear();
  if (!MakeTarget(parameters)) return D3DERR_NOTAVAILABLE;
  ApplyWindowType(parameters);
  return D3D_OK;
}

HRESULT GlDevice::DoClear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                          DWORD stencil) {
  MakeCurrent();
  ApplyViewport();
  GLbitfield mask = 0;
  // sRGB writes convert the clear colour as they convert what is drawn.
  auto channel = [&](int shift) {
    float c = ((colour >> shift) & 0xFF) / 255.0f;
    return renderStates[D3DRS_SRGBWRITEENABLE] ? LinearToSrgb(c) : c;
  };
  SetClearValues(flags, {channel(16), channel(8), channel(0), (colour >> 24) / 255.0f}, z, GLint(stencil));
  // The masks a clear opened are the render states' again at the next draw.
  if (flags & D3DCLEAR_TARGET) mask |= GL_COLOR_BUFFER_BIT, renderStatesDirty.set(D3DRS_COLORWRITEENABLE);
  if (flags & D3DCLEAR_ZBUFFER) mask |= GL_DEPTH_BUFFER_BIT, renderStatesDirty.set(D3DRS_ZWRITEENABLE);
  if (flags & D3DCLEAR_STENCIL) mask |= GL_STENCIL_BUFFER_BIT, renderStatesDirty.set(D3DRS_STENCILWRITEMASK);
  // Direct3D clears inside the viewport and the target only, inside each rectangle, and
  // inside the scissor rectangle while the scissor test is on.
  LONG targetWidth = LONG(renderTarget->width), targetHeight = LONG(renderTarget->height);
  RECT limit{LONG(viewport.X), LONG(viewport.Y), LONG(viewport.X + viewport.Width), LONG(viewport.Y + viewport.Height)};
  if (renderStates[D3DRS_SCISSORTESTENABLE])
    limit = {std::max(limit.left, scissorRect.left), std::max(limit.top, scissorRect.top),
             std::min(limit.right, scissorRect.right), std::min(limit.bottom, scissorRect.bottom)};
  // The usual clear, of the whole target, needs no scissor of its own.
  if (count == 0 && !scissorOn && limit.left <= 0 && limit.top <= 0 && limit.right >= targetWidth &&
      limit.bottom >= targetHeight) {
    GL(Clear)(mask);
    return D3D_OK;
  }
  GL(Enable)(GL_SCISSOR_TEST);
  changes.Mark(Change::Scissor);
  auto clearWithin = [&](LONG x1, LONG y1, LONG x2, LONG y2) {
    x1 = std::max<LONG>({x1, limit.left, 0}), y1 = std::max<LONG>({y1, limit.top, 0});
    x2 = std::min<LONG>({x2, limit.right, targetWidth});
    y2 = std::min<LONG>({y2, limit.bottom, targetHeight});
    if (x2 <= x1 || y2 <= y1) return;
    GL(Scissor)(x1, y1, x2 - x1, y2 - y1);
    GL(Clear)(mask);
  };
  if (count == 0) clearWithin(0, 0, targetWidth, targetHeight);
  for (DWORD i = 0; i < count; ++i) clearWithin(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
  if (!scissorOn) GL(Disable)(GL_SCISSOR_TEST);
  return D3D_OK;
}

HRESULT GlDevice::DoPresent() {
  bool rebind = ShowInWindow();
  SDL_GL_SwapWindow(window);
  if (rebind) GL(BindFramebuffer)(GL_FRAMEBUFFER, CurrentFramebuffer());
  return D3D_OK;
}

void GlDevice::MakeCurrent() {
  if (SDL_GL_GetCurrentContext() != context) SDL_GL_MakeCurrent(window, context);
}

// The back buffer scaled into the window with its aspect kept; the bars stay black. True
// when it bound other framebuffers than the device's own.
bool GlDevice::ShowInWindow() {
  MakeCurrent();
  int drawableWidth = 0, drawableHeight = 0;
  SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
  UINT w = presentParameters.BackBufferWidth, h = presentParameters.BackBufferHeight;
  double scale = std::min(double(drawableWidth) / w, double(drawableHeight) / h);
  int outW = int(w * scale + 0.5), outH = int(h * scale + 0.5);
  int x = (drawableWidth - outW) / 2, y = (drawableHeight - outH) / 2;
  GLenum filter = scale == 1.0 ? GL_NEAREST : GL_LINEAR;
  // The blit obeys the scissor test.
  if (scissorOn) GL(Disable)(GL_SCISSOR_TEST), scissorOn = false, changes.Mark(Change::Scissor);
  std::pair<int, int> size{drawableWidth, drawableHeight};
  bool bars = outW != drawableWidth || outH != drawableHeight;
  // The back buffer's row 0 is the top of the picture: flip it on the way out.
  if (gl.BlitNamedFramebuffer && windowSize == size && !bars) {
    GL(BlitNamedFramebuffer)(framebuffer, 0, 0, 0, GLint(w), GLint(h), x, y + outH, x + outW, y, GL_COLOR_BUFFER_BIT,
                             filter);
    return false;
  }
  GL(BindFramebuffer)(GL_DRAW_FRAMEBUFFER, 0);
  GL(BindFramebuffer)(GL_READ_FRAMEBUFFER, framebuffer);
  // Setting the window's viewport makes the driver notice a resized window; the blit
  // itself ignores the viewport, so a window of the same size needs none.
  if (windowSize != size) {
    GL(Viewport)(0, 0, drawableWidth, drawableHeight);
    windowSize = size;
  }
  changes.Mark(Change::Viewport);
  // Bars only where the picture does not fill the window.
  if (bars) {
    SetClearValues(D3DCLEAR_TARGET, {0, 0, 0, 1}, 0, 0);
    renderStatesDirty.set(D3DRS_COLORWRITEENABLE);
    GL(Clear)(GL_COLOR_BUFFER_BIT);
  }
  GL(BlitFramebuffer)(0, 0, GLint(w), GLint(h), x, y + outH, x + outW, y, GL_COLOR_BUFFER_BIT, filter);
  return true;
}

bool GlDevice::MakeTarget(const D3DPRESENT_PARAMETERS& p) {
  GL(GenFramebuffers)(1, &framebuffer);
  GL(BindFramebuffer)(GL_FRAMEBUFFER, framebuffer);
  GL(GenRenderbuffers)(2, renderbuffers);
  GL(BindRenderbuffer)(GL_RENDERBUFFER, renderbuffers[0]);
  GL(RenderbufferStorage)(GL_RENDERBUFFER, p.BackBufferFormat == D3DFMT_R5G6B5 ? GL_RGB565 : GL_RGBA8,
                          p.BackBufferWidth, p.BackBufferHeight);
  GL(FramebufferRenderbuffer)(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffers[0]);
  if (p.EnableAutoDepthStencil) {
    GL(BindRenderbuffer)(GL_RENDERBUFFER, renderbuffers[1]);
    GL(RenderbufferStorage)(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, p.BackBufferWidth, p.BackBufferHeight);
    GL(FramebufferRenderbuffer)(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                renderbuffers[1]);
  }
  changes.Mark(Change::Viewport);
  return GL(CheckFramebufferStatus)(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void GlDevice::DropTarget() {
  if (!framebuffer) return;
  GL(DeleteFramebuffers)(1, &framebuffer);
  GL(DeleteRenderbuffers)(2, renderbuffers);
  framebuffer = 0;
}

// Fullscreen is the desktop's own mode: the back buffer keeps its size and is scaled.
void GlDevice::ApplyWindowType(const D3DPRESENT_PARAMETERS& p) {
  if (p.Windowed) {
    SDL_SetWindowFullscreen(window, 0);
    SDL_SetWindowSize(window, int(p.BackBufferWidth), int(p.BackBufferHeight));
    return;
  }
  // Where no window manager acts on the full-screen request (a bare X server), the window
  // would keep its size while drawing assumed the display's: cover the display first.
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(window)), &bounds) == 0) {
    SDL_SetWindowPosition(window, bounds.x, bounds.y);
    SDL_SetWindowSize(window, bounds.w, bounds.h);
  }
  SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

// The framebuffer that draws into a surface: the back buffer's, or one made for a
// texture's level, sharing the back buffer's depth buffer when that covers it.
GLuint GlDevice::FramebufferOf(Surface& surface) {
  if (!surface.texture) return framebuffer;
  auto found = targetFramebuffers.find(surface.serial);
  if (found != targetFramebuffers.end()) return found->second;
  GLuint fbo = 0;
  GL(GenFramebuffers)(1, &fbo);
  GL(BindFramebuffer)(GL_FRAMEBUFFER, fbo);
  GL(FramebufferTexture2D)(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, surface.texture->type == D3DRTYPE_CUBETEXTURE
                                                                      ? GLenum(GL_TEXTURE_CUBE_MAP_POSITIVE_X + surface.face)
                                                                      : GL_TEXTURE_2D,
                           surface.texture->glName, GLint(surface.level));
  if (depthSurface && surface.width <= presentParameters.BackBufferWidth &&
      surface.height <= presentParameters.BackBufferHeight)
    GL(FramebufferRenderbuffer)(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, renderbuffers[1]);
  targetFramebuffers.emplace(surface.serial, fbo);
  return fbo;
}

void GlDevice::RenderTargetChanged() {
  MakeCurrent();
  GL(BindFramebuffer)(GL_FRAMEBUFFER, CurrentFramebuffer());
  renderStatesDirty.set(D3DRS_SRCBLEND);  // destination alpha depends on the target's format
}

bool GlDevice::TargetHasAlpha() const {
  D3DFORMAT format = renderTarget ? renderTarget->format : presentParameters.BackBufferFormat;
  return format != D3DFMT_X8R8G8B8;
}

GLuint GlDevice::CurrentFramebuffer() { return renderTarget ? FramebufferOf(*renderTarget) : framebuffer; }

HRESULT GlDevice::DoStretchRect(Surface& from, const RECT& a, Surface& to, const RECT& b,
                                D3DTEXTUREFILTERTYPE filter) {
  MakeCurrent();
  // Both made first: making one binds it.
  GLuint source = FramebufferOf(from), dest = FramebufferOf(to);
  GL(BindFramebuffer)(GL_READ_FRAMEBUFFER, source);
  GL(BindFramebuffer)(GL_DRAW_FRAMEBUFFER, dest);
  if (scissorOn) GL(Disable)(GL_SCISSOR_TEST), scissorOn = false, changes.Mark(Change::Scissor);
  GL(BlitFramebuffer)(a.left, a.top, a.right, a.bottom, b.left, b.top, b.right, b.bottom,
                      GL_COLOR_BUFFER_BIT, filter == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
  GL(BindFramebuffer)(GL_FRAMEBUFFER, CurrentFramebuffer());
  return D3D_OK;
}

HRESULT GlDevice::DoGetRenderTargetData(Surface& from, Surface& to) {
  MakeCurrent();
  TextureLevel& l = to.texture->Level(to.face, to.level);
  std::optional<TextureFormat> f = TextureFormatOf(to.format);
  if (!f || !f->type) return D3DERR_INVALIDCALL;
  GLuint source = FramebufferOf(from);
  GL(BindFramebuffer)(GL_READ_FRAMEBUFFER, source);
  GL(ReadPixels)(0, 0, from.width, from.height, f->format, f->type, l.bytes.data());
  GL(BindFramebuffer)(GL_FRAMEBUFFER, CurrentFramebuffer());
  return GL(GetError)() == GL_NO_ERROR ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GlDevice::DoColorFill(Surface& surface, const RECT& r, D3DCOLOR colour) {
  MakeCurrent();
  GL(BindFramebuffer)(GL_FRAMEBUFFER, FramebufferOf(surface));
  GL(Enable)(GL_SCISSOR_TEST);
  GL(Scissor)(r.left, r.top, r.right - r.left, r.bottom - r.top);
  SetClearValues(D3DCLEAR_TARGET,
                 {((colour >> 16) & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f, (colour & 0xFF) / 255.0f,
                  (colour >> 24) / 255.0f},
                 0, 0);
  GL(Clear)(GL_COLOR_BUFFER_BIT);
  renderStatesDirty.set(D3DRS_COLORWRITEENABLE);
  changes.Mark(Change::Scissor);
  if (!scissorOn) GL(Disable)(GL_SCISSOR_TEST);
  GL(BindFramebuffer)(GL_FRAMEBUFFER, CurrentFramebuffer());
  return D3D_OK;
}

// The back buffer is no texture: the bytes go up into a scratch texture and are copied.
HRESULT GlDevice::DoUpdateTarget(Surface& surface, const RECT& r, const POINT& at, const TexelBytes& bytes) {
  MakeCurrent();
  std::optional<TextureFormat> f = TextureFormatOf(surface.format);
  UINT blockBytes = 0, edge = 1;
  if (!f || !f->type || !TextureFormatLayout(surface.format, &blockBytes, &edge)) return D3DERR_INVALIDCALL;
  GLsizei w = GLsizei(r.right - r.left), h = GLsizei(r.bottom - r.top);
  GLuint scratch = 0, source = 0;
  GL(GenTextures)(1, &scratch);
  UseTextureUnit(31);  // the unit uploads use, so the samplers' units keep their textures
  GL(BindTexture)(GL_TEXTURE_2D, scratch);
  GL(PixelStorei)(GL_UNPACK_ROW_LENGTH, GLint(bytes.rowPitch / blockBytes));
  GL(TexImage2D)(GL_TEXTURE_2D, 0, f->internal, w, h, 0, f->format, f->type, bytes.bytes);
  GL(PixelStorei)(GL_UNPACK_ROW_LENGTH, 0);
  GL(GenFramebuffers)(1, &source);
  GL(BindFramebuffer)(GL_READ_FRAMEBUFFER, source);
  GL(FramebufferTexture2D)(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, scratch, 0);
  GL(BindFramebuffer)(GL_DRAW_FRAMEBUFFER, FramebufferOf(surface));
  if (scissorOn) GL(Disable)(GL_SCISSOR_TEST), scissorOn = false, changes.Mark(Change::Scissor);
  GL(BlitFramebuffer)(0, 0, w, h, at.x, at.y, at.x + w, at.y + h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  GL(DeleteFramebuffers)(1, &source);
  GL(DeleteTextures)(1, &scratch);
  GL(BindFramebuffer)(GL_FRAMEBUFFER, CurrentFramebuffer());
  return D3D_OK;
}

namespace {

bool EnvSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value && std::strcmp(value, "0") != 0;
}

void AskForCoreContext() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

class GlDirect3D9 final : public RefCounted<IDirect3D9> {
public:
  GlDirect3D9() {
    // Full screen never changes the monitor's mode (the back buffer is scaled into the
    // desktop), so every standard size up to the desktop's is offered, at the desktop's
    // refresh rate; a display that reports none gets 60 Hz rather than 0.
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0 || desktop.w <= 0 || desktop.h <= 0) desktop = {0, 1920, 1080, 60, nullptr};
    UINT refresh = desktop.refresh_rate > 0 ? UINT(desktop.refresh_rate) : 60;
    static const UINT kStandard[][2] = {{640, 480},   {800, 600},   {1024, 768},  {1152, 864},  {1280, 720},
                                        {1280, 800},  {1280, 960},  {1280, 1024}, {1366, 768},  {1440, 900},
                                        {1600, 900},  {1600, 1200}, {1680, 1050}, {1920, 1080}, {1920, 1200},
                                        {2560, 1440}, {2560, 1600}, {3840, 2160}};
    for (const auto& size : kStandard)
      if (size[0] <= UINT(desktop.w) && size[1] <= UINT(desktop.h))
        modes.push_back({size[0], size[1], refresh, D3DFMT_UNKNOWN});
    modes.push_back({UINT(desktop.w), UINT(desktop.h), refresh, D3DFMT_UNKNOWN});
    // Sizes in rising order, as Direct3D lists them.
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

}  // namespace d3d9::gl

namespace d3d9 {
IDirect3D9* CreateGlDirect3D9() { return gl::CreateGlDirect3D9(); }
}  // namespace d3d9

bool D3D9ReadWindow(IDirect3DDevice9* device, std::vector<uint32_t>* pixels, UINT* width,
                    UINT* height) {
  auto* gl = dynamic_cast<d3d9::gl::GlDevice*>(device);
  return gl && pixels && width && height && gl->ReadWindow(pixels, width, height);
}

bool D3D9ReadBackBuffer(IDirect3DDevice9* device, std::vector<uint32_t>* pixels, UINT* width,
                        UINT* height) {
  auto* gl = dynamic_cast<d3d9::gl::GlDevice*>(device);
  return gl && pixels && width && height && gl->ReadBack(pixels, width, height);
}

uint64_t D3D9GlCallCount() { return d3d9::gl::glCalls; }
uint64_t D3D9GlProgramsLinked() { return d3d9::gl::programsLinked; }
