// The thread's message queue, keyboard state and the test hooks that act as the user.

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>

#include "platform/win32/Win32Internal.h"
#include "platform/win32/Win32Testing.h"

namespace {

struct Queued {
  MSG msg;
  LPARAM extraInfo;
};
std::deque<Queued>& queue = *new std::deque<Queued>;  // outlives static destructors
LPARAM lastExtraInfo = 0;
bool quitPending = false;
int quitCode = 0;
std::function<bool()> idleHandler;
std::function<void()> waitHandler;

struct KeyState {
  bool down = false;
  bool pressedSinceQuery = false;
};
KeyState keys[256];

bool Matches(const MSG& msg, HWND filter, UINT filterMin, UINT filterMax) {
  if (filter && !(msg.hwnd && win32::IsAncestor(filter, msg.hwnd))) return false;
  return (filterMin == 0 && filterMax == 0) || (msg.message >= filterMin && msg.message <= filterMax);
}

bool Take(MSG* out, HWND filter, UINT filterMin, UINT filterMax, bool remove) {
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    if (!Matches(it->msg, filter, filterMin, filterMax)) continue;
    *out = it->msg;
    lastExtraInfo = it->extraInfo;
    if (remove) queue.erase(it);
    return true;
  }
  bool wantsQuit = (filterMin == 0 && filterMax == 0) || (WM_QUIT >= filterMin && WM_QUIT <= filterMax);
  if (quitPending && !filter && wantsQuit) {
    *out = MSG{nullptr, WM_QUIT, WPARAM(quitCode), 0, 0, {0, 0}};
    lastExtraInfo = 0;
    if (remove) quitPending = false;
    return true;
  }
  return false;
}

// Virtual keys that type a character, for TranslateMessage.
char CharacterOf(int virtualKey, bool shifted) {
  if (virtualKey >= 'A' && virtualKey <= 'Z') return char(shifted ? virtualKey : virtualKey + 32);
  if (virtualKey >= '0' && virtualKey <= '9') return char(virtualKey);
  switch (virtualKey) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_ESCAPE: return 0x1B;
    case VK_BACK: return 0x08;
    case VK_TAB: return '\t';
    default: return 0;
  }
}

}  // namespace

namespace win32 {

HWND KeyboardTarget() {
  if (HWND focus = GetFocus()) return focus;
  for (HWND w : TopLevelWindows())
    if (w->visible) return w;
  return nullptr;
}

void UserKey(HWND target, int virtualKey, bool down, LPARAM extraInfo) {
  if (virtualKey <= 0 || virtualKey > 255) return;
  KeyState& key = keys[virtualKey];
  bool wasDown = key.down;
  key.down = down;
  if (down) key.pressedSinceQuery = true;
  // Keys pressed while Alt is held are system keys, as Windows sends them (context bit 29).
  bool alt = keys[VK_MENU].down || virtualKey == VK_MENU;
  LPARAM lParam = 1 | (alt ? (1 << 29) : 0) | (wasDown ? (1 << 30) : 0) | (down ? 0 : (1u << 31));
  UINT message = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
  if (target && !IsLive(target)) target = nullptr;
  queue.push_back({MSG{target, message, WPARAM(virtualKey), lParam, 0, {0, 0}}, extraInfo});
}

void ForgetQueue() {
  queue.clear();
  lastExtraInfo = 0;
  quitPending = false;
  quitCode = 0;
  idleHandler = nullptr;
  waitHandler = nullptr;
  for (KeyState& key : keys) key = KeyState{};
}

}  // namespace win32

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window && !win32::IsLive(window)) return FALSE;
  queue.push_back({MSG{window, message, wParam, lParam, 0, {0, 0}}, 0});
  return TRUE;
}

LPARAM GetMessageExtraInfo() { return lastExtraInfo; }

void PostQuitMessage(int exitCode) {
  quitPending = true;
  quitCode = exitCode;
}

BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax) {
  if (!msg || (window && !IsWindow(window))) return -1;
  for (;;) {
    win32::HostPump(false);
    if (Take(msg, window, filterMin, filterMax, true)) return msg->message != WM_QUIT;
    if (waitHandler) {
      waitHandler();
      if (Take(msg, window, filterMin, filterMax, true)) return msg->message != WM_QUIT;
    }
    if (win32::HostActive()) {
      win32::HostPump(true);
      continue;
    }
    bool more = idleHandler && idleHandler();
    if (Take(msg, window, filterMin, filterMax, true)) return msg->message != WM_QUIT;
    if (!more) {
      std::fprintf(stderr, "GetMessageA: no display and no input left to deliver; the loop "
                           "would wait forever\n");
      // A failure, but not a crash: the status says so and no core is dumped.
      std::exit(1);
    }
  }
}

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (!msg) return FALSE;
  win32::HostPump(false);
  return Take(msg, window, filterMin, filterMax, removeFlags & PM_REMOVE);
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || msg->message != WM_KEYDOWN) return FALSE;
  bool shifted = keys[VK_SHIFT].down || keys[VK_LSHIFT].down || keys[VK_RSHIFT].down;
  char c = CharacterOf(int(msg->wParam), shifted);
  if (!c) return FALSE;
  PostMessageA(msg->hwnd, WM_CHAR, WPARAM((unsigned char)c), msg->lParam);
  return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg || !IsWindow(msg->hwnd)) return 0;
  return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

SHORT GetAsyncKeyState(int virtualKey) {
  if (virtualKey <= 0 || virtualKey > 255) return 0;
  KeyState& key = keys[virtualKey];
  SHORT state = SHORT((key.down ? 0x8000 : 0) | (key.pressedSinceQuery ? 1 : 0));
  key.pressedSinceQuery = false;
  return state;
}

namespace Win32Testing {

void SetHeadless(bool headless) { win32::HostForceHeadless(headless); }
bool IsHeadless() { return !win32::HostActive(); }
void SetIdleHandler(std::function<bool()> handler) { idleHandler = std::move(handler); }
void SetWaitHandler(std::function<void()> handler) { waitHandler = std::move(handler); }
void Click(HWND control) { win32::UserClick(control); }
void PressCloseBox(HWND window) { win32::UserClose(window); }
void Resize(HWND window, int width, int height) { win32::UserResize(window, width, height); }
void SelectItem(HWND comboBox, int index) { win32::UserSelect(comboBox, index); }
void Type(HWND edit, LPCSTR text) { win32::UserEdit(edit, text ? text : ""); }
void KeyDown(int virtualKey) { win32::UserKey(win32::KeyboardTarget(), virtualKey, true); }
void KeyUp(int virtualKey) { win32::UserKey(win32::KeyboardTarget(), virtualKey, false); }

void Reset() {
  win32::ForgetWindows();
  win32::ForgetResources();
  win32::ForgetQueue();
}

}  // namespace Win32Testing
