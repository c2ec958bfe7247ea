#pragma once
// Shared between the files of the Win32 layer only.

#include <string>
#include <vector>

#include "platform/win32/Win32Resources.h"
#include "platform/win32/Windows.h"

enum class ControlKind { None, Edit, Button, Static, ComboBox, Dialog };

struct HostSurface;

struct HBITMAP__ {
  const BitmapResource* resource;
};

struct HWND__ {
  std::string className;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HWND parent = nullptr;
  std::vector<HWND> children;  // in creation order, which is also the tab and group order
  std::string text;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, width = 0, height = 0;
  int id = 0;
  LONG_PTR userData = 0;
  HBRUSH background = nullptr;
  bool enabled = true;
  bool visible = false;
  bool destroying = false;
  ControlKind kind = ControlKind::None;

  UINT check = BST_UNCHECKED;       // buttons
  std::vector<std::string> items;   // combo boxes
  int selection = -1;
  HBITMAP bitmap = nullptr;         // bitmap statics
  DLGPROC dialogProc = nullptr;     // dialogs

  HostSurface* surface = nullptr;   // top-level windows on a display
};

namespace win32 {

bool IsLive(HWND window);
bool IsTopLevel(HWND window);
bool IsAncestor(HWND ancestor, HWND window);
std::vector<HWND> TopLevelWindows();
void ForgetWindows();

LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ComboBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);

// What the user does to a control, from a real click or a test.
void UserClick(HWND control);
void UserSelect(HWND comboBox, int index);
void UserEdit(HWND edit, const std::string& text);
// extraInfo is what GetMessageExtraInfo says of the messages (0: the keyboard).
void UserKey(HWND target, int virtualKey, bool down, LPARAM extraInfo = 0);
// The focus window, else the first visible top-level window.
HWND KeyboardTarget();
void UserClose(HWND window);
void UserResize(HWND window, int width, int height);

HBITMAP FindBitmap(HINSTANCE instance, LPCSTR name);
void ForgetResources();
void ForgetQueue();

// The display. Without one every call below does nothing.
bool HostActive();
void HostForceHeadless(bool headless);
void HostCreate(HWND window);
void HostDestroy(HWND window);
void HostShow(HWND window);
void HostSetTitle(HWND window);
void HostSetRect(HWND window);
void HostInvalidate(HWND window);
void HostPaint(HWND window);
void HostShowCursor(bool show);
// Turns pending SDL events into messages; with wait, first waits a while for one.
void HostPump(bool wait);

}  // namespace win32
