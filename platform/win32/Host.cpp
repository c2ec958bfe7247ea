// The display: each top-level window is an SDL window; its child controls are drawn with
// Dear ImGui in a GL context of its own, and SDL's events become the window's messages.

#include <SDL.h>
#include <SDL_opengl.h>
#include <backends/imgui_impl_opengl3.h>
#include <imgui.h>
#include <imgui_stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>

#include "platform/win32/Win32Internal.h"
#include "platform/win32/Win32Resources.h"
#include "platform/win32/Win32Sdl.h"

struct HostSurface {
  SDL_Window* window = nullptr;
  SDL_GLContext gl = nullptr;
  ImGuiContext* imgui = nullptr;
  ImFont* monoFont = nullptr;
  bool claimed = false;
  int dirtyFrames = 2;
  Uint64 lastFrame = 0;
  std::map<HBITMAP, GLuint> textures;
  std::vector<std::function<void()>> actions;  // what the user did during the last frame
};

namespace {

enum class Mode { Undecided, Headless, Display };
Mode mode = Mode::Undecided;
std::map<Uint32, HWND>& windowsById = *new std::map<Uint32, HWND>;  // outlives static destructors

constexpr const char* kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf";
// Multi-line edits hold logs and reports, whose columns line up only in a fixed pitch.
constexpr const char* kMonoFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

bool Readable(const char* path) {
  FILE* f = std::fopen(path, "rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

bool EnvHeadless() {
  const char* value = std::getenv("KOR_WIN32_HEADLESS");
  return value && *value && std::strcmp(value, "0") != 0;
}

// A driver that shows nothing, chosen by SDL itself rather than asked for (tests ask for
// "offscreen" by SDL_VIDEODRIVER).
bool SilentVideoDriver() {
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  if (!driver || (asked && *asked)) return false;
  return std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

bool Decide() {
  if (mode == Mode::Undecided) {
    if (EnvHeadless()) {
      mode = Mode::Headless;
    } else if (SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1"),  // Ctrl-C and kill end the program as usual
               SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      std::fprintf(stderr, "win32: no display (%s); windows exist without a screen\n", SDL_GetError());
      mode = Mode::Headless;
    } else if (SilentVideoDriver()) {
      // SDL falls back to drawing nowhere when no server answers: a window nobody can see
      // would wait for a click forever.
      std::fprintf(stderr, "win32: no display (no X11 or Wayland server; SDL chose \"%s\"); windows exist "
                           "without a screen\n", SDL_GetCurrentVideoDriver());
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      mode = Mode::Headless;
    } else {
      mode = Mode::Display;
      SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);  // without it, the keyboard alone
    }
  }
  return mode == Mode::Display;
}

HWND TopOf(HWND window) {
  while (window && window->parent) window = window->parent;
  return window;
}

HWND WindowOfEvent(Uint32 id) {
  auto it = windowsById.find(id);
  return it != windowsById.end() && win32::IsLive(it->second) ? it->second : nullptr;
}

ImVec4 BrushColour(HWND window) {
  auto index = reinterpret_cast<intptr_t>(window->background) - 1;
  switch (index) {
    case COLOR_APPWORKSPACE: return ImVec4(128 / 255.f, 128 / 255.f, 128 / 255.f, 1);
    case COLOR_WINDOW: return ImVec4(1, 1, 1, 1);
    default: return ImVec4(212 / 255.f, 208 / 255.f, 200 / 255.f, 1);  // button face
  }
}

int VirtualKeyOf(const SDL_Keysym& key) {
  if (key.sym >= SDLK_a && key.sym <= SDLK_z) return 'A' + int(key.sym - SDLK_a);
  if (key.sym >= SDLK_0 && key.sym <= SDLK_9) return '0' + int(key.sym - SDLK_0);
  SDL_Scancode s = key.scancode;
  if (s >= SDL_SCANCODE_F1 && s <= SDL_SCANCODE_F12) return VK_F1 + int(s - SDL_SCANCODE_F1);
  if (s >= SDL_SCANCODE_KP_1 && s <= SDL_SCANCODE_KP_9) return VK_NUMPAD0 + 1 + int(s - SDL_SCANCODE_KP_1);
  switch (s) {
    case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_INSERT: return VK_INSERT;
    case SDL_SCANCODE_DELETE: return VK_DELETE;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_END: return VK_END;
    case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
    case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
    case SDL_SCANCODE_LSHIFT: case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
    case SDL_SCANCODE_LCTRL: case SDL_SCANCODE_RCTRL: return VK_CONTROL;
    case SDL_SCANCODE_LALT: case SDL_SCANCODE_RALT: return VK_MENU;
    case SDL_SCANCODE_PAUSE: return VK_PAUSE;
    case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
    case SDL_SCANCODE_KP_0: return VK_NUMPAD0;
    case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PERIOD: return VK_DECIMAL;
    case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
    case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
    case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
    case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
    case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
    case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH: return VK_OEM_2;
    case SDL_SCANCODE_GRAVE: return VK_OEM_3;
    case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
    case SDL_SCANCODE_BACKSLASH: return VK_OEM_5;
    case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
    case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
    default: return 0;
  }
}

const BitmapResource*& ProgramIcon() {
  static const BitmapResource* icon = nullptr;
  return icon;
}

// GetMessageExtraInfo of a key message a pad sent.
constexpr LPARAM kPadSignature = 0x5A504144;

// Each control of a pad is a key of its own; what it means is the game's to say.
int VirtualKeyOfButton(Uint8 button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_A: return VK_GAMEPAD_A;
    case SDL_CONTROLLER_BUTTON_B: return VK_GAMEPAD_B;
    case SDL_CONTROLLER_BUTTON_X: return VK_GAMEPAD_X;
    case SDL_CONTROLLER_BUTTON_Y: return VK_GAMEPAD_Y;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: return VK_GAMEPAD_LEFT_SHOULDER;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return VK_GAMEPAD_RIGHT_SHOULDER;
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return VK_GAMEPAD_DPAD_UP;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return VK_GAMEPAD_DPAD_DOWN;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return VK_GAMEPAD_DPAD_LEFT;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return VK_GAMEPAD_DPAD_RIGHT;
    case SDL_CONTROLLER_BUTTON_START: return VK_GAMEPAD_MENU;
    case SDL_CONTROLLER_BUTTON_BACK: return VK_GAMEPAD_VIEW;
    case SDL_CONTROLLER_BUTTON_LEFTSTICK: return VK_GAMEPAD_LEFT_THUMBSTICK_BUTTON;
    case SDL_CONTROLLER_BUTTON_RIGHTSTICK: return VK_GAMEPAD_RIGHT_THUMBSTICK_BUTTON;
    default: return 0;
  }
}

// A stick held past the press threshold is a key down until it falls back under the
// release threshold, so a stick resting near the edge does not chatter.
struct StickKeys {
  bool negative = false;
  bool positive = false;
};
std::map<SDL_JoystickID, std::map<Uint8, StickKeys>>& sticks = *new std::map<SDL_JoystickID, std::map<Uint8, StickKeys>>;

void StickMoved(SDL_JoystickID pad, Uint8 axis, Sint16 value) {
  int negativeKey = 0, positiveKey = 0;
  if (axis == SDL_CONTROLLER_AXIS_LEFTX)
    negativeKey = VK_GAMEPAD_LEFT_THUMBSTICK_LEFT, positiveKey = VK_GAMEPAD_LEFT_THUMBSTICK_RIGHT;
  if (axis == SDL_CONTROLLER_AXIS_LEFTY)
    negativeKey = VK_GAMEPAD_LEFT_THUMBSTICK_UP, positiveKey = VK_GAMEPAD_LEFT_THUMBSTICK_DOWN;
  if (!negativeKey) return;
  constexpr int kPress = 16000, kRelease = 8000;
  StickKeys& keys = sticks[pad][axis];
  auto update = [](bool& down, bool pressed, bool released, int key) {
    if (!down && pressed) win32::UserKey(win32::KeyboardTarget(), key, down = true, kPadSignature);
    else if (down && released) win32::UserKey(win32::KeyboardTarget(), key, down = false, kPadSignature);
  };
  update(keys.negative, value <= -kPress, value > -kRelease, negativeKey);
  update(keys.positive, value >= kPress, value < kRelease, positiveKey);
}

// Keeps whatever GL context a renderer had current while a window is painted.
class ContextScope {
public:
  ContextScope(SDL_Window* window, SDL_GLContext context)
      : previousWindow(SDL_GL_GetCurrentWindow()), previousContext(SDL_GL_GetCurrentContext()) {
    SDL_GL_MakeCurrent(window, context);
  }
  ~ContextScope() {
    if (previousContext) SDL_GL_MakeCurrent(previousWindow, previousContext);
  }

private:
  SDL_Window* previousWindow;
  SDL_GLContext previousContext;
};

bool CreatePainter(HostSurface& s) {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
  SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
  s.gl = SDL_GL_CreateContext(s.window);
  if (!s.gl) {
    std::fprintf(stderr, "win32: cannot paint a window (%s)\n", SDL_GetError());
    return false;
  }
  SDL_GL_SetSwapInterval(0);
  ImGuiContext* previousImGui = ImGui::GetCurrentContext();
  s.imgui = ImGui::CreateContext();
  ImGui::SetCurrentContext(s.imgui);
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  io.LogFilename = nullptr;
  if (Readable(kFontPath)) io.Fonts->AddFontFromFileTTF(kFontPath, 12.0f);
  s.monoFont = Readable(kMonoFontPath) ? io.Fonts->AddFontFromFileTTF(kMonoFontPath, 12.0f) : nullptr;
  static const int keyMap[][2] = {
      {ImGuiKey_Tab, SDL_SCANCODE_TAB},        {ImGuiKey_LeftArrow, SDL_SCANCODE_LEFT},
      {ImGuiKey_RightArrow, SDL_SCANCODE_RIGHT}, {ImGuiKey_UpArrow, SDL_SCANCODE_UP},
      {ImGuiKey_DownArrow, SDL_SCANCODE_DOWN}, {ImGuiKey_Home, SDL_SCANCODE_HOME},
      {ImGuiKey_End, SDL_SCANCODE_END},        {ImGuiKey_Delete, SDL_SCANCODE_DELETE},
      {ImGuiKey_Backspace, SDL_SCANCODE_BACKSPACE}, {ImGuiKey_Enter, SDL_SCANCODE_RETURN},
      {ImGuiKey_Escape, SDL_SCANCODE_ESCAPE},  {ImGuiKey_A, SDL_SCANCODE_A},
      {ImGuiKey_C, SDL_SCANCODE_C},            {ImGuiKey_V, SDL_SCANCODE_V},
      {ImGuiKey_X, SDL_SCANCODE_X},            {ImGuiKey_Z, SDL_SCANCODE_Z}};
  for (const auto& entry : keyMap) io.KeyMap[entry[0]] = entry[1];
  ImGui::StyleColorsLight();
  ImGuiStyle& style = ImGui::GetStyle();
  style.WindowPadding = ImVec2(0, 0);
  style.FrameRounding = 0;
  style.FrameBorderSize = 1;
  ImGui_ImplOpenGL3_Init("#version 330");
  ImGui::SetCurrentContext(previousImGui);
  if (previousContext) SDL_GL_MakeCurrent(previousWindow, previousContext);
  return true;
}

GLuint BitmapTexture(HostSurface& s, HBITMAP bitmap) {
  auto found = s.textures.find(bitmap);
  if (found != s.textures.end()) return found->second;
  const BitmapResource& image = *bitmap->resource;
  std::vector<uint8_t> rgba(size_t(image.width) * image.height * 4);
  for (size_t i = 0; i < size_t(image.width) * image.height; ++i) {
    uint32_t p = image.pixels[i];
    rgba[i * 4 + 0] = uint8_t(p >> 16);
    rgba[i * 4 + 1] = uint8_t(p >> 8);
    rgba[i * 4 + 2] = uint8_t(p);
    rgba[i * 4 + 3] = uint8_t(p >> 24);
  }
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width, image.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  s.textures[bitmap] = texture;
  return texture;
}

void DrawGroupBox(HWND box, ImVec2 origin) {
  ImDrawList* draw = ImGui::GetWindowDrawList();
  float half = ImGui::GetFontSize() / 2;
  ImU32 line = ImGui::GetColorU32(ImGuiCol_Border);
  ImVec2 topLeft(origin.x + box->x, origin.y + box->y + half);
  ImVec2 bottomRight(origin.x + box->x + box->width, origin.y + box->y + box->height);
  draw->AddRect(topLeft, bottomRight, line);
  if (!box->text.empty()) {
    ImVec2 textPos(origin.x + box->x + 6, origin.y + box->y);
    ImVec2 textSize = ImGui::CalcTextSize(box->text.c_str());
    ImVec4 face = BrushColour(TopOf(box));
    draw->AddRectFilled(ImVec2(textPos.x - 2, textPos.y), ImVec2(textPos.x + textSize.x + 2, textPos.y + textSize.y),
                        ImGui::ColorConvertFloat4ToU32(face));
    draw->AddText(textPos, ImGui::GetColorU32(ImGuiCol_Text), box->text.c_str());
  }
}

void DrawControl(HostSurface& s, HWND c, ImVec2 origin) {
  if (!c->visible) return;
  ImVec2 size(float(c->width), float(c->height));
  ImGui::PushID(c);
  bool disabled = !c->enabled;
  if (disabled) ImGui::BeginDisabled();
  ImGui::SetCursorPos(ImVec2(float(c->x), float(c->y)));
  std::string label = c->text + "##control";
  auto click = [c] { win32::UserClick(c); };
  switch (c->kind) {
    case ControlKind::Button:
      switch (c->style & BS_TYPEMASK) {
        case BS_GROUPBOX:
          DrawGroupBox(c, origin);
          break;
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX: {
          bool checked = c->check == BST_CHECKED;
          if (ImGui::Checkbox(label.c_str(), &checked)) s.actions.push_back(click);
          break;
        }
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
          if (ImGui::RadioButton(label.c_str(), c->check == BST_CHECKED)) s.actions.push_back(click);
          break;
        default: {
          bool isDefault = (c->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON || GetFocus() == c;
          if (isDefault) ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, 2.0f);
          if (ImGui::Button(label.c_str(), size)) s.actions.push_back(click);
          if (isDefault) ImGui::PopStyleVar();
          break;
        }
      }
      break;
    case ControlKind::Static:
      if ((c->style & SS_TYPEMASK) == SS_BITMAP) {
        if (c->bitmap) {
          GLuint texture = BitmapTexture(s, c->bitmap);
          ImGui::Image(reinterpret_cast<ImTextureID>(intptr_t(texture)), size);
        }
      } else {
        ImVec2 min(origin.x + c->x, origin.y + c->y);
        ImGui::PushClipRect(min, ImVec2(min.x + size.x, min.y + size.y), true);
        ImGui::PushTextWrapPos(float(c->x + c->width));
        ImGui::TextUnformatted(c->text.c_str());
        ImGui::PopTextWrapPos();
        ImGui::PopClipRect();
      }
      break;
    case ControlKind::Edit: {
      std::string text = c->text;
      bool readOnly = c->style & ES_READONLY;
      ImGuiInputTextFlags flags = readOnly ? ImGuiInputTextFlags_ReadOnly : 0;
      bool changed;
      if (c->style & ES_MULTILINE) {
        if (s.monoFont) ImGui::PushFont(s.monoFont);
        if (readOnly && (c->style & WS_HSCROLL)) {
          // ImGui's multi-line input has no horizontal scroll bar; a read-only log needs one.
          ImGui::PushStyleColor(ImGuiCol_ChildBg, ImGui::GetStyleColorVec4(ImGuiCol_FrameBg));
          ImGui::BeginChild("##log", size, c->style & WS_BORDER, ImGuiWindowFlags_HorizontalScrollbar);
          ImGui::SetCursorPos(ImVec2(4, 3));
          ImGui::TextUnformatted(text.c_str());
          ImGui::EndChild();
          ImGui::PopStyleColor();
          changed = false;
        } else {
          changed = ImGui::InputTextMultiline("##edit", &text, size, flags);
        }
        if (s.monoFont) ImGui::PopFont();
      } else {
        ImGui::SetNextItemWidth(size.x);
        changed = ImGui::InputText("##edit", &text, flags);
      }
      if (changed && !readOnly) s.actions.push_back([c, text] { win32::UserEdit(c, text); });
      break;
    }
    case ControlKind::ComboBox: {
      ImGui::SetNextItemWidth(size.x);
      const char* preview = c->selection >= 0 ? c->items[c->selection].c_str() : "";
      if (ImGui::BeginCombo("##combo", preview)) {
        for (size_t i = 0; i < c->items.size(); ++i) {
          ImGui::PushID(int(i));
          if (ImGui::Selectable(c->items[i].c_str(), int(i) == c->selection))
            s.actions.push_back([c, i] { win32::UserSelect(c, int(i)); });
          ImGui::PopID();
        }
        ImGui::EndCombo();
      }
      break;
    }
    default:
      break;
  }
  if (disabled) ImGui::EndDisabled();
  ImGui::PopID();
}

void Paint(HWND window) {
  HostSurface* s = window->surface;
  if (!s || !s->window || s->claimed || !window->visible) return;
  if (!s->gl && !CreatePainter(*s)) {
    s->claimed = true;  // nothing can be drawn here; stop trying
    return;
  }
  std::vector<std::function<void()>> actions;
  {
    ContextScope scope(s->window, s->gl);
    ImGuiContext* previousImGui = ImGui::GetCurrentContext();
    ImGui::SetCurrentContext(s->imgui);
    ImGuiIO& io = ImGui::GetIO();
    int drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(s->window, &drawableWidth, &drawableHeight);
    io.DisplaySize = ImVec2(float(std::max(window->width, 1)), float(std::max(window->height, 1)));
    io.DisplayFramebufferScale = ImVec2(drawableWidth / io.DisplaySize.x, drawableHeight / io.DisplaySize.y);
    Uint64 now = SDL_GetPerformanceCounter();
    io.DeltaTime = s->lastFrame ? std::max(float(now - s->lastFrame) / SDL_GetPerformanceFrequency(), 1e-4f) : 1 / 60.f;
    s->lastFrame = now;
    SDL_Keymod mods = SDL_GetModState();
    io.KeyCtrl = mods & KMOD_CTRL;
    io.KeyShift = mods & KMOD_SHIFT;
    io.KeyAlt = mods & KMOD_ALT;

    ImGui_ImplOpenGL3_NewFrame();
    ImGui::NewFrame();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(io.DisplaySize);
    ImGui::Begin("##client", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBackground | ImGuiWindowFlags_NoBringToFrontOnFocus);
    ImVec2 origin = ImGui::GetWindowPos();
    for (HWND child : window->children) DrawControl(*s, child, origin);
    ImGui::End();
    ImGui::Render();

    ImVec4 face = BrushColour(window);
    glViewport(0, 0, drawableWidth, drawableHeight);
    glClearColor(face.x, face.y, face.z, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    SDL_GL_SwapWindow(s->window);
    ImGui::SetCurrentContext(previousImGui);
    if (s->dirtyFrames > 0) --s->dirtyFrames;
    actions.swap(s->actions);
  }
  // The user's actions run last: they may destroy this very window.
  for (auto& action : actions) action();
}

HostSurface* SurfaceOfEvent(Uint32 id, HWND* window) {
  *window = WindowOfEvent(id);
  return *window ? (*window)->surface : nullptr;
}

ImGuiIO* InputOf(HostSurface* s) {
  if (!s || !s->imgui) return nullptr;
  ImGui::SetCurrentContext(s->imgui);
  return &ImGui::GetIO();
}

void HandleEvent(const SDL_Event& e) {
  HWND window = nullptr;
  switch (e.type) {
    case SDL_WINDOWEVENT: {
      HostSurface* s = SurfaceOfEvent(e.window.windowID, &window);
      if (!s) return;
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          win32::UserClose(window);
          return;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          if (e.window.data1 != window->width || e.window.data2 != window->height) {
            window->width = e.window.data1;
            window->height = e.window.data2;
            SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(WORD(window->width), WORD(window->height)));
          }
          break;
        case SDL_WINDOWEVENT_MOVED:
          window->x = e.window.data1;
          window->y = e.window.data2;
          break;
        // Posted, so a loop that drains the queue (a game's) learns of it too.
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST:
          PostMessageA(window, WM_ACTIVATEAPP, e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED ? TRUE : FALSE, 0);
          break;
        default:
          break;
      }
      if (win32::IsLive(window)) win32::HostInvalidate(window);
      return;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      HostSurface* s = SurfaceOfEvent(e.key.windowID, &window);
      int virtualKey = VirtualKeyOf(e.key.keysym);
      ImGuiContext* previous = ImGui::GetCurrentContext();
      if (ImGuiIO* io = InputOf(s)) {
        if (e.key.keysym.scancode < 512) io->KeysDown[e.key.keysym.scancode] = e.type == SDL_KEYDOWN;
        s->dirtyFrames = 2;
      }
      ImGui::SetCurrentContext(previous);
      HWND focus = GetFocus();
      HWND target = focus && window && TopOf(focus) == window ? focus : window;
      if (virtualKey) win32::UserKey(target, virtualKey, e.type == SDL_KEYDOWN);
      return;
    }
    case SDL_TEXTINPUT: {
      HostSurface* s = SurfaceOfEvent(e.text.windowID, &window);
      ImGuiContext* previous = ImGui::GetCurrentContext();
      if (ImGuiIO* io = InputOf(s)) {
        io->AddInputCharactersUTF8(e.text.text);
        s->dirtyFrames = 2;
      }
      ImGui::SetCurrentContext(previous);
      return;
    }
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL: {
      Uint32 id = e.type == SDL_MOUSEMOTION ? e.motion.windowID
                  : e.type == SDL_MOUSEWHEEL ? e.wheel.windowID : e.button.windowID;
      HostSurface* s = SurfaceOfEvent(id, &window);
      ImGuiContext* previous = ImGui::GetCurrentContext();
      ImGuiIO* io = InputOf(s);
      if (io) {
        if (e.type == SDL_MOUSEMOTION) {
          io->MousePos = ImVec2(float(e.motion.x), float(e.motion.y));
        } else if (e.type == SDL_MOUSEWHEEL) {
          io->MouseWheel += float(e.wheel.y);
        } else {
          io->MousePos = ImVec2(float(e.button.x), float(e.button.y));
          int button = e.button.button == SDL_BUTTON_LEFT ? 0 : e.button.button == SDL_BUTTON_RIGHT ? 1 : 2;
          io->MouseDown[button] = e.type == SDL_MOUSEBUTTONDOWN;
        }
        s->dirtyFrames = 2;
      }
      ImGui::SetCurrentContext(previous);
      // ImGui reads button state once a frame: give every press and release a frame.
      if (io && e.type != SDL_MOUSEMOTION && e.type != SDL_MOUSEWHEEL) Paint(window);
      return;
    }
    case SDL_CONTROLLERDEVICEADDED:
      SDL_GameControllerOpen(e.cdevice.which);
      return;
    case SDL_CONTROLLERDEVICEREMOVED:
      if (SDL_GameController* pad = SDL_GameControllerFromInstanceID(e.cdevice.which)) SDL_GameControllerClose(pad);
      sticks.erase(e.cdevice.which);
      return;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      if (int key = VirtualKeyOfButton(e.cbutton.button))
        win32::UserKey(win32::KeyboardTarget(), key, e.type == SDL_CONTROLLERBUTTONDOWN, kPadSignature);
      return;
    case SDL_CONTROLLERAXISMOTION:
      StickMoved(e.caxis.which, e.caxis.axis, e.caxis.value);
      return;
    default:
      return;
  }
}

}  // namespace

namespace win32 {

bool HostActive() { return Decide(); }

void HostForceHeadless(bool headless) {
  if (headless)
    mode = Mode::Headless;
  else if (mode == Mode::Headless)
    mode = Mode::Undecided;
}

void HostCreate(HWND window) {
  if (!Decide()) return;
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (window->style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
  if (!(window->style & WS_CAPTION)) flags |= SDL_WINDOW_BORDERLESS;
  bool centred = window->kind == ControlKind::Dialog && (window->style & DS_CENTER);
  int x = centred ? int(SDL_WINDOWPOS_CENTERED) : window->x;
  int y = centred ? int(SDL_WINDOWPOS_CENTERED) : window->y;
  SDL_Window* sdl = SDL_CreateWindow(window->text.c_str(), x, y, std::max(window->width, 1),
                                     std::max(window->height, 1), flags);
  if (!sdl) {
    std::fprintf(stderr, "win32: cannot open a window (%s)\n", SDL_GetError());
    return;
  }
  window->surface = new HostSurface;
  window->surface->window = sdl;
  windowsById[SDL_GetWindowID(sdl)] = window;
  if (const BitmapResource* icon = ProgramIcon()) {
    SDL_Surface* picture = SDL_CreateRGBSurfaceFrom(const_cast<uint32_t*>(icon->pixels), icon->width, icon->height,
                                                    32, icon->width * 4, 0x00FF0000u, 0x0000FF00u, 0x000000FFu,
                                                    0xFF000000u);
    if (picture) {
      SDL_SetWindowIcon(sdl, picture);
      SDL_FreeSurface(picture);
    }
  }
}

void HostDestroy(HWND window) {
  HostSurface* s = window->surface;
  if (!s) return;
  if (s->gl) {
    ContextScope scope(s->window, s->gl);
    ImGuiContext* previous = ImGui::GetCurrentContext();
    ImGui::SetCurrentContext(s->imgui);
    ImGui_ImplOpenGL3_Shutdown();
    ImGui::DestroyContext(s->imgui);
    ImGui::SetCurrentContext(previous == s->imgui ? nullptr : previous);
    for (auto& entry : s->textures) glDeleteTextures(1, &entry.second);
  }
  if (s->gl) {
    if (SDL_GL_GetCurrentContext() == s->gl) SDL_GL_MakeCurrent(nullptr, nullptr);
    SDL_GL_DeleteContext(s->gl);
  }
  windowsById.erase(SDL_GetWindowID(s->window));
  SDL_DestroyWindow(s->window);
  delete s;
  window->surface = nullptr;
}

void HostShow(HWND window) {
  HostSurface* s = window->surface;
  if (!s) return;
  if (window->visible)
    SDL_ShowWindow(s->window);
  else
    SDL_HideWindow(s->window);
  s->dirtyFrames = 2;
}

void HostSetTitle(HWND window) {
  if (window->surface) SDL_SetWindowTitle(window->surface->window, window->text.c_str());
}

void HostSetRect(HWND window) {
  HostSurface* s = window->surface;
  if (!s) return;
  SDL_SetWindowPosition(s->window, window->x, window->y);
  SDL_SetWindowSize(s->window, std::max(window->width, 1), std::max(window->height, 1));
  s->dirtyFrames = 2;
}

void HostInvalidate(HWND window) {
  HWND top = TopOf(window);
  if (top && top->surface) top->surface->dirtyFrames = std::max(top->surface->dirtyFrames, 2);
}

void HostPaint(HWND window) {
  if (IsLive(window)) Paint(window);
}

void HostShowCursor(bool show) {
  if (mode == Mode::Display) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void HostPump(bool wait) {
  if (!Decide()) return;
  SDL_Event e;
  bool dirty = false;
  for (HWND w : TopLevelWindows())
    if (w->surface && w->surface->dirtyFrames > 0 && !w->surface->claimed && w->visible) dirty = true;
  if (wait && !dirty && SDL_WaitEventTimeout(&e, 20)) HandleEvent(e);
  while (SDL_PollEvent(&e)) HandleEvent(e);
  for (HWND w : TopLevelWindows())
    if (IsLive(w) && w->surface && w->surface->dirtyFrames > 0) Paint(w);
}

}  // namespace win32

SDL_Window* Win32GetSdlWindow(HWND window) {
  return win32::IsTopLevel(window) && window->surface ? window->surface->window : nullptr;
}

BOOL EnumDisplaySettingsA(LPCSTR deviceName, DWORD modeNumber, DEVMODEA* mode) {
  if (deviceName || !mode || !Decide()) return FALSE;
  SDL_DisplayMode display;
  if (modeNumber >= DWORD(std::max(SDL_GetNumDisplayModes(0), 0)) || SDL_GetDisplayMode(0, int(modeNumber), &display) != 0)
    return FALSE;
  mode->dmBitsPerPel = SDL_BITSPERPIXEL(display.format) == 24 ? 32 : SDL_BITSPERPIXEL(display.format);
  mode->dmPelsWidth = DWORD(display.w);
  mode->dmPelsHeight = DWORD(display.h);
  mode->dmDisplayFrequency = DWORD(display.refresh_rate);
  return TRUE;
}

void Win32ClaimSurface(HWND window) {
  if (win32::IsTopLevel(window) && window->surface) window->surface->claimed = true;
}


void RegisterProgramIcon(const BitmapResource* icon) { ProgramIcon() = icon; }
