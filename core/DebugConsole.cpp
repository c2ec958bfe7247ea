#include "core/DebugConsole.h"

#include <cstdarg>
#include <cstdio>

namespace KOR {

namespace {

constexpr const char* kClassName = "KOR15Console";
constexpr int kButtonWidth = 52;
constexpr int kButtonHeight = 26;

WNDCLASSA* windowClass = nullptr;
int openConsoles = 0;
DebugConsole* consoleUnderConstruction = nullptr;

DebugConsole theConsole;

}  // namespace

DebugConsole* const debugConsole = &theConsole;

DebugConsole::DebugConsole() : text(" *** Korvane Engine 1.5 ***\r\n\r\n") {}

DebugConsole::~DebugConsole() { Close(); }

void DebugConsole::Print(const std::string& line) {
  text += " - " + line + "\r\n";
  if (created) SetWindowTextA(edit, text.c_str());
}

void DebugConsole::Show() {
  if (created) return;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!windowClass) {
    windowClass = new WNDCLASSA{};
    windowClass->style = 0;
    windowClass->lpfnWndProc = WindowProc;
    windowClass->hInstance = instance;
    windowClass->hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass->hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass->hbrBackground = reinterpret_cast<HBRUSH>(intptr_t(COLOR_APPWORKSPACE + 1));
    windowClass->lpszMenuName = nullptr;
    windowClass->lpszClassName = kClassName;
    RegisterClassA(windowClass);
  }

  consoleUnderConstruction = this;
  window = CreateWindowExA(WS_EX_APPWINDOW, kClassName, "Korvane Engine 1.5", WS_OVERLAPPEDWINDOW,
                           400 * openConsoles, 0, 400, 460, nullptr, nullptr, instance, nullptr);
  UpdateWindow(window);
  ShowWindow(window, SW_SHOW);
  consoleUnderConstruction = nullptr;
  ++openConsoles;

  RECT client{};
  GetClientRect(window, &client);
  int width = client.right - client.left;
  int height = client.bottom - client.top;
  edit = CreateWindowExA(0, "EDIT", "",
                         WS_CHILD | WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                             ES_AUTOHSCROLL | ES_NOHIDESEL | ES_READONLY | ES_WANTRETURN,
                         client.left, client.top, width, height - kButtonHeight, window, nullptr, instance,
                         nullptr);
  UpdateWindow(edit);
  ShowWindow(edit, SW_SHOW);

  button = CreateWindowExA(0, "BUTTON", "Ok", WS_CHILD, width / 2 - kButtonWidth / 2, height - kButtonHeight,
                           kButtonWidth, kButtonHeight, window, nullptr, instance, nullptr);
  UpdateWindow(button);
  ShowWindow(button, SW_SHOW);

  SetWindowTextA(edit, text.c_str());
  created = true;
}

void DebugConsole::RunModal() {
  SetFocus(button);
  // Only "Ok" ends the loop. A quit already queued (destroying the device window posts
  // one) must not close the report before the user has read it.
  okPressed = false;
  MSG msg;
  for (;;) {
    BOOL result = GetMessageA(&msg, nullptr, 0, 0);
    if (result == 0) {
      if (okPressed) break;
      continue;
    }
    if (result < 0) break;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void DebugConsole::Close() {
  if (!created) return;
  --openConsoles;
  DestroyWindow(window);
  DestroyWindow(edit);
  if (openConsoles == 0) {
    UnregisterClassA(kClassName, GetModuleHandleA(nullptr));
    delete windowClass;
    windowClass = nullptr;
  }
  created = false;
}

LRESULT CALLBACK DebugConsole::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    // A pointer needs the pointer-sized window long on a 64-bit system.
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(consoleUnderConstruction));
    return 0;
  }
  auto* console = reinterpret_cast<DebugConsole*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!console) return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_SIZE: {
      RECT client{};
      GetClientRect(window, &client);
      int width = client.right - client.left;
      int height = client.bottom - client.top;
      SetWindowPos(console->edit, nullptr, client.left, client.top, width, height - kButtonHeight, 0);
      SetWindowPos(console->button, nullptr, width / 2 - kButtonWidth / 2, height - kButtonHeight, kButtonWidth,
                   kButtonHeight, 0);
      return 0;
    }
    case WM_CLOSE:
      return 0;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == console->button && console->button) {
        console->okPressed = true;
        PostQuitMessage(0);
      }
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void Trace(const char* format, ...) {
  char buffer[1024];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  OutputDebugStringA(buffer);
}

}  // namespace KOR
