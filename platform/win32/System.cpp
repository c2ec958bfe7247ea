// Process services: the performance counter, the cursor, sleeping, debug output, the
// program's module and its stock icon and cursor.

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/win32/Win32Internal.h"

struct HINSTANCE__ {
  int unused;
};
struct HICON__ {
  int unused;
};
struct HCURSOR__ {
  int unused;
};

namespace {
HINSTANCE__ programModule{};
HICON__ applicationIcon{};
HCURSOR__ arrowCursor{};
int cursorCount = 0;
}  // namespace

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
  if (!count) return FALSE;
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  count->QuadPart = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  if (!frequency) return FALSE;
  frequency->QuadPart = 1000000000;
  return TRUE;
}

int ShowCursor(BOOL show) {
  cursorCount += show ? 1 : -1;
  win32::HostShowCursor(cursorCount >= 0);
  return cursorCount;
}

void Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

void OutputDebugStringA(LPCSTR text) {
  if (!text) return;
  std::fputs(text, stderr);
  std::fflush(stderr);
}

HMODULE GetModuleHandleA(LPCSTR moduleName) { return moduleName ? nullptr : &programModule; }

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
  return !instance && name == IDI_APPLICATION ? &applicationIcon : nullptr;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  return !instance && name == IDC_ARROW ? &arrowCursor : nullptr;
}
