// Window classes, window objects and their properties.

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_set>

#include "platform/win32/Win32Internal.h"

namespace {

struct ClassEntry {
  WNDCLASSA record;
  std::string name;
  bool system;
};

std::string Lower(LPCSTR name) {
  std::string s(name ? name : "");
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

std::map<std::string, ClassEntry>& Classes() {
  static auto& classes = *new std::map<std::string, ClassEntry>;
  if (classes.empty()) {
    auto add = [&](LPCSTR name, WNDPROC proc) {
      ClassEntry entry{};
      entry.record.lpfnWndProc = proc;
      entry.name = name;
      entry.system = true;
      classes[Lower(name)] = entry;
    };
    add("EDIT", win32::EditProc);
    add("BUTTON", win32::ButtonProc);
    add("STATIC", win32::StaticProc);
    add("COMBOBOX", win32::ComboBoxProc);
    add("#32770", win32::DialogProc);
  }
  return classes;
}

ControlKind KindOf(const std::string& lowerName) {
  if (lowerName == "edit") return ControlKind::Edit;
  if (lowerName == "button") return ControlKind::Button;
  if (lowerName == "static") return ControlKind::Static;
  if (lowerName == "combobox") return ControlKind::ComboBox;
  if (lowerName == "#32770") return ControlKind::Dialog;
  return ControlKind::None;
}

std::unordered_set<HWND>& Live() {
  static auto& live = *new std::unordered_set<HWND>;
  return live;
}

// Destroyed windows are kept until the layer is reset, so a stale handle never aliases a
// newer window: every call checks the live set before it touches a handle. The registries
// are never freed, so windows can still be destroyed by static destructors at exit.
std::vector<std::unique_ptr<HWND__>>& Graveyard() {
  static auto& graveyard = *new std::vector<std::unique_ptr<HWND__>>;
  return graveyard;
}

// Live top-level windows in creation order; the message pump walks them every frame.
std::vector<HWND>& TopLevels() {
  static auto& topLevels = *new std::vector<HWND>;
  return topLevels;
}

HWND focusWindow = nullptr;

}  // namespace

namespace win32 {

bool IsLive(HWND window) { return window && Live().count(window) && !window->destroying; }

bool IsTopLevel(HWND window) { return IsLive(window) && !(window->style & WS_CHILD); }

bool IsAncestor(HWND ancestor, HWND window) {
  for (HWND w = window; w; w = w->parent)
    if (w == ancestor) return true;
  return false;
}

std::vector<HWND> TopLevelWindows() { return TopLevels(); }

void ForgetWindows() {
  for (HWND w : TopLevelWindows()) DestroyWindow(w);
  Live().clear();
  TopLevels().clear();
  Graveyard().clear();
  focusWindow = nullptr;
  for (auto it = Classes().begin(); it != Classes().end();)
    it = it->second.system ? std::next(it) : Classes().erase(it);
}

}  // namespace win32

using win32::IsLive;

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
  if (!windowClass || !windowClass->lpfnWndProc || !windowClass->lpszClassName ||
      !*windowClass->lpszClassName)
    return 0;
  std::string key = Lower(windowClass->lpszClassName);
  if (Classes().count(key)) return 0;
  ClassEntry entry{*windowClass, windowClass->lpszClassName, false};
  entry.record.lpszClassName = nullptr;  // the caller's string may not outlive the class
  entry.record.lpszMenuName = nullptr;
  Classes()[key] = entry;
  return ATOM(0xC000 + Classes().size());
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance) {
  auto it = Classes().find(Lower(className));
  if (it == Classes().end() || it->second.system || it->second.record.hInstance != instance)
    return FALSE;
  for (HWND w : Live())
    if (!w->destroying && Lower(w->className.c_str()) == it->first) return FALSE;
  Classes().erase(it);
  return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
  if (!className || IS_INTRESOURCE(className)) return nullptr;
  auto found = Classes().find(Lower(className));
  if (found == Classes().end()) return nullptr;
  if ((style & WS_CHILD) && !IsLive(parent)) return nullptr;
  if (parent && !IsLive(parent)) return nullptr;

  auto owned = std::make_unique<HWND__>();
  HWND w = owned.get();
  w->className = found->second.name;
  w->proc = found->second.record.lpfnWndProc;
  w->instance = instance;
  w->parent = parent;
  w->style = style & ~WS_VISIBLE;
  w->exStyle = exStyle;
  w->x = x;
  w->y = y;
  w->width = std::max(width, 0);
  w->height = std::max(height, 0);
  w->id = (style & WS_CHILD) ? int(reinterpret_cast<intptr_t>(menu)) : 0;
  w->background = found->second.record.hbrBackground;
  w->enabled = !(style & WS_DISABLED);
  w->kind = KindOf(found->first);
  bool bitmapStatic = w->kind == ControlKind::Static && (style & SS_TYPEMASK) == SS_BITMAP;
  if (windowName && !IS_INTRESOURCE(windowName) && !bitmapStatic) w->text = windowName;
  if (bitmapStatic && windowName) w->bitmap = win32::FindBitmap(instance, windowName);

  Graveyard().push_back(std::move(owned));
  Live().insert(w);
  if (!(style & WS_CHILD)) TopLevels().push_back(w);
  if (parent) parent->children.push_back(w);
  if (!(style & WS_CHILD)) win32::HostCreate(w);

  CREATESTRUCTA create{param, instance, menu, parent, height, width, y, x, LONG(style),
                       windowName, className, exStyle};
  if (!SendMessageA(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) ||
      SendMessageA(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(w);
    return nullptr;
  }
  if (!IsLive(w)) return nullptr;
  SendMessageA(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(WORD(w->width), WORD(w->height)));
  if (IsLive(w) && (style & WS_VISIBLE)) ShowWindow(w, SW_SHOW);
  return IsLive(w) ? w : nullptr;
}

BOOL DestroyWindow(HWND window) {
  if (!IsLive(window)) return FALSE;
  if (focusWindow && win32::IsAncestor(window, focusWindow)) focusWindow = nullptr;
  SendMessageA(window, WM_DESTROY, 0, 0);
  // The window stays live for its children's WM_DESTROY, as on Windows.
  std::vector<HWND> children = window->children;
  for (HWND child : children) DestroyWindow(child);
  SendMessageA(window, WM_NCDESTROY, 0, 0);
  window->destroying = true;
  win32::HostDestroy(window);
  if (window->parent) {
    auto& siblings = window->parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
  }
  Live().erase(window);
  auto& topLevels = TopLevels();
  topLevels.erase(std::remove(topLevels.begin(), topLevels.end(), window), topLevels.end());
  return TRUE;
}

BOOL IsWindow(HWND window) { return IsLive(window); }

BOOL ShowWindow(HWND window, int command) {
  if (!IsLive(window)) return FALSE;
  bool before = window->visible;
  bool after = command != SW_HIDE;
  if (before != after) {
    window->visible = after;
    SendMessageA(window, WM_SHOWWINDOW, after, 0);
    if (!IsLive(window)) return before;
    if (window->parent)
      win32::HostInvalidate(window);
    else
      win32::HostShow(window);
  }
  return before;
}

BOOL IsWindowVisible(HWND window) {
  if (!IsLive(window)) return FALSE;
  for (HWND w = window; w; w = w->parent)
    if (!w->visible) return FALSE;
  return TRUE;
}

BOOL UpdateWindow(HWND window) {
  if (!IsLive(window)) return FALSE;
  HWND top = window;
  while (top->parent) top = top->parent;
  win32::HostPaint(top);
  return TRUE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  if (!IsLive(window)) return FALSE;
  bool wasDisabled = !window->enabled;
  if (window->enabled != bool(enable)) {
    window->enabled = enable;
    if (enable)
      window->style &= ~WS_DISABLED;
    else
      window->style |= WS_DISABLED;
    SendMessageA(window, WM_ENABLE, enable, 0);
    win32::HostInvalidate(window);
  }
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) { return IsLive(window) && window->enabled; }

HWND SetFocus(HWND window) {
  if (window && !IsLive(window)) return nullptr;
  HWND previous = focusWindow;
  if (previous == window) return previous;
  focusWindow = window;
  if (IsLive(previous)) SendMessageA(previous, WM_KILLFOCUS, WPARAM(window), 0);
  if (IsLive(window)) {
    SendMessageA(window, WM_SETFOCUS, WPARAM(previous), 0);
    win32::HostInvalidate(window);
  }
  return previous;
}

HWND GetFocus() { return IsLive(focusWindow) ? focusWindow : nullptr; }

BOOL SetWindowTextA(HWND window, LPCSTR text) {
  if (!IsLive(window)) return FALSE;
  return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

int GetWindowTextA(HWND window, LPSTR text, int maxCount) {
  if (!IsLive(window) || !text || maxCount <= 0) return 0;
  return int(SendMessageA(window, WM_GETTEXT, WPARAM(maxCount), reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextLengthA(HWND window) {
  if (!IsLive(window)) return 0;
  return int(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
}

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
  if (!IsLive(window)) return 0;
  LONG_PTR previous = 0;
  switch (index) {
    case GWLP_USERDATA:
      previous = window->userData;
      window->userData = value;
      break;
    case GWLP_WNDPROC:
      previous = reinterpret_cast<LONG_PTR>(window->proc);
      if (value) window->proc = reinterpret_cast<WNDPROC>(value);
      break;
    case GWLP_ID:
      previous = window->id;
      window->id = int(value);
      break;
    case GWL_STYLE:
      previous = LONG_PTR(window->style);
      window->style = DWORD(value);
      window->enabled = !(window->style & WS_DISABLED);
      win32::HostInvalidate(window);
      break;
    case GWL_EXSTYLE:
      previous = LONG_PTR(window->exStyle);
      window->exStyle = DWORD(value);
      break;
    default:
      return 0;
  }
  return previous;
}

LONG_PTR GetWindowLongPtrA(HWND window, int index) {
  if (!IsLive(window)) return 0;
  switch (index) {
    case GWLP_USERDATA: return window->userData;
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(window->proc);
    case GWLP_ID: return window->id;
    case GWL_STYLE: return LONG_PTR(window->style | (window->visible ? WS_VISIBLE : 0));
    case GWL_EXSTYLE: return LONG_PTR(window->exStyle);
    default: return 0;
  }
}

LONG SetWindowLongA(HWND window, int index, LONG value) {
  if (index == GWL_STYLE || index == GWL_EXSTYLE)
    return LONG(SetWindowLongPtrA(window, index, LONG_PTR(DWORD(value))));
  return LONG(SetWindowLongPtrA(window, index, value));
}

LONG GetWindowLongA(HWND window, int index) { return LONG(GetWindowLongPtrA(window, index)); }

BOOL SetWindowPos(HWND window, HWND, int x, int y, int width, int height, UINT flags) {
  if (!IsLive(window)) return FALSE;
  bool moved = !(flags & SWP_NOMOVE) && (x != window->x || y != window->y);
  bool sized = !(flags & SWP_NOSIZE) && (width != window->width || height != window->height);
  if (moved) {
    window->x = x;
    window->y = y;
  }
  if (sized) {
    window->width = std::max(width, 0);
    window->height = std::max(height, 0);
  }
  if (moved || sized) {
    if (window->parent)
      win32::HostInvalidate(window);
    else
      win32::HostSetRect(window);
  }
  if (flags & SWP_SHOWWINDOW) ShowWindow(window, SW_SHOW);
  if (flags & SWP_HIDEWINDOW) ShowWindow(window, SW_HIDE);
  if (moved && IsLive(window))
    SendMessageA(window, WM_MOVE, 0, MAKELPARAM(WORD(window->x), WORD(window->y)));
  if (sized && IsLive(window))
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(WORD(window->width), WORD(window->height)));
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  if (!IsLive(window) || !rect) return FALSE;
  *rect = RECT{0, 0, window->width, window->height};
  return TRUE;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
  if (!IsLive(window) || !rect) return FALSE;
  int x = 0, y = 0;
  for (HWND w = window; w; w = w->parent) {
    x += w->x;
    y += w->y;
  }
  *rect = RECT{x, y, x + window->width, y + window->height};
  return TRUE;
}

HWND GetParent(HWND window) { return IsLive(window) ? window->parent : nullptr; }

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
  for (HWND w : win32::TopLevelWindows()) {
    if (className && Lower(className) != Lower(w->className.c_str())) continue;
    if (windowName && w->text != windowName) continue;
    return w;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND window) { return IsLive(window) ? window->id : 0; }

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsLive(window)) return 0;
  WNDPROC proc = window->proc ? window->proc : DefWindowProcA;
  return proc(window, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsLive(window)) return 0;
  switch (message) {
    case WM_NCCREATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_SETTEXT:
      window->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
      if (!window->parent) win32::HostSetTitle(window);
      win32::HostInvalidate(window);
      return TRUE;
    case WM_GETTEXT: {
      if (wParam == 0 || !lParam) return 0;
      size_t count = std::min(window->text.size(), size_t(wParam) - 1);
      std::memcpy(reinterpret_cast<LPSTR>(lParam), window->text.data(), count);
      reinterpret_cast<LPSTR>(lParam)[count] = 0;
      return LRESULT(count);
    }
    case WM_GETTEXTLENGTH:
      return LRESULT(window->text.size());
    default:
      return 0;
  }
}
