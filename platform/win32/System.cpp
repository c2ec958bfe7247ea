// Process services: the performance counter, the cursor, sleeping, debug output, the
// program's module and its stock icon and cursor.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/win32/Win32Internal.h"
#include "platform/win32/Win32Testing.h"

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
bool manualClock = false;
int64_t manualCount = 0;  // nanoseconds
}  // namespace

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
  if (!count) return FALSE;
  if (manualClock) {
    count->QuadPart = manualCount;
    return TRUE;
  }
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

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  if ((module && module != &programModule) || !fileName || size == 0) return 0;
  char path[4096];
  ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
  if (length <= 0 || size_t(length) >= sizeof path) return 0;
  DWORD copied = std::min<DWORD>(DWORD(length), size - 1);
  std::memcpy(fileName, path, copied);
  fileName[copied] = 0;
  return copied;
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
  return !instance && name == IDI_APPLICATION ? &applicationIcon : nullptr;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  return !instance && name == IDC_ARROW ? &arrowCursor : nullptr;
}

namespace Win32Testing {

void UseManualClock(bool on) {
  // The manual clock starts where the real one is, so no step jumps back.
  if (on && !manualClock) {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    manualCount = now.QuadPart;
  }
  manualClock = on;
}

void AdvanceClock(double seconds) { manualCount += int64_t(seconds * 1e9 + 0.5); }

}  // namespace Win32Testing
