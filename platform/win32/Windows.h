#pragma once
// The Win32 subset the engine and the game call: window classes and procedures, the
// thread's message queue, the standard child controls, dialogs from in-code templates,
// virtual keys, the performance counter and a few process services. Names, structures
// and numeric values are Win32's, so code above this layer reads as it would on Windows.
// Top-level windows are SDL windows whose controls are drawn with Dear ImGui; without a
// display the same windows, controls and messages exist with nothing on screen.

#include <cstddef>
#include <cstdint>

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef unsigned int UINT;
typedef int32_t LONG;
typedef short SHORT;
typedef char CHAR;
typedef int64_t LONGLONG;
typedef intptr_t INT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef WORD ATOM;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef void* LPVOID;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#define WINAPI
#define CALLBACK

struct HWND__;
struct HINSTANCE__;
struct HICON__;
struct HCURSOR__;
struct HBRUSH__;
struct HMENU__;
struct HBITMAP__;
typedef HWND__* HWND;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef HICON__* HICON;
typedef HCURSOR__* HCURSOR;
typedef HBRUSH__* HBRUSH;
typedef HMENU__* HMENU;
typedef HBITMAP__* HBITMAP;

typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);

struct POINT {
  LONG x, y;
};
struct RECT {
  LONG left, top, right, bottom;
};
struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
};
struct CREATESTRUCTA {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy, cx, y, x;
  LONG style;
  LPCSTR lpszName;
  LPCSTR lpszClass;
  DWORD dwExStyle;
};
union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};

// Display modes, for EnumDisplaySettingsA.
struct DEVMODEA {
  DWORD dmBitsPerPel;
  DWORD dmPelsWidth;
  DWORD dmPelsHeight;
  DWORD dmDisplayFrequency;
};

constexpr WORD LOWORD(uintptr_t v) { return WORD(v & 0xFFFF); }
constexpr WORD HIWORD(uintptr_t v) { return WORD((v >> 16) & 0xFFFF); }
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) { return WPARAM(DWORD(lo) | (DWORD(hi) << 16)); }
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) { return LPARAM(DWORD(lo) | (DWORD(hi) << 16)); }
#define MAKEINTRESOURCEA(i) ((LPSTR)(ULONG_PTR)(WORD)(i))
#define MAKEINTRESOURCE(i) MAKEINTRESOURCEA(i)
#define IS_INTRESOURCE(p) ((((ULONG_PTR)(p)) >> 16) == 0)

// Messages.
constexpr UINT WM_NULL = 0x0000, WM_CREATE = 0x0001, WM_DESTROY = 0x0002, WM_MOVE = 0x0003,
               WM_SIZE = 0x0005, WM_ACTIVATE = 0x0006, WM_SETFOCUS = 0x0007,
               WM_KILLFOCUS = 0x0008, WM_ENABLE = 0x000A, WM_SETTEXT = 0x000C,
               WM_GETTEXT = 0x000D, WM_GETTEXTLENGTH = 0x000E, WM_PAINT = 0x000F,
               WM_CLOSE = 0x0010, WM_QUIT = 0x0012, WM_SHOWWINDOW = 0x0018, WM_ACTIVATEAPP = 0x001C,
               WM_NCCREATE = 0x0081, WM_NCDESTROY = 0x0082, WM_KEYDOWN = 0x0100,
               WM_KEYUP = 0x0101, WM_CHAR = 0x0102, WM_SYSKEYDOWN = 0x0104, WM_SYSKEYUP = 0x0105,
               WM_INITDIALOG = 0x0110, WM_COMMAND = 0x0111, WM_SYSCOMMAND = 0x0112,
               WM_MOUSEMOVE = 0x0200, WM_LBUTTONDOWN = 0x0201, WM_LBUTTONUP = 0x0202,
               WM_USER = 0x0400;
constexpr UINT SC_CLOSE = 0xF060;
constexpr UINT SIZE_RESTORED = 0;

// Buttons, combo boxes, edits and statics.
constexpr UINT BM_GETCHECK = 0x00F0, BM_SETCHECK = 0x00F1, BM_CLICK = 0x00F5;
constexpr UINT BST_UNCHECKED = 0, BST_CHECKED = 1;
constexpr WORD BN_CLICKED = 0;
constexpr UINT CB_ADDSTRING = 0x0143, CB_GETCOUNT = 0x0146, CB_GETCURSEL = 0x0147,
               CB_GETLBTEXT = 0x0148, CB_GETLBTEXTLEN = 0x0149, CB_RESETCONTENT = 0x014B,
               CB_SETCURSEL = 0x014E;
constexpr LRESULT CB_ERR = -1;
constexpr WORD CBN_SELCHANGE = 1;
constexpr WORD EN_CHANGE = 0x0300;
constexpr UINT STM_SETIMAGE = 0x0172, STM_GETIMAGE = 0x0173;
constexpr UINT IMAGE_BITMAP = 0;
constexpr int IDOK = 1, IDCANCEL = 2;

// Window styles.
constexpr DWORD WS_OVERLAPPED = 0x00000000, WS_POPUP = 0x80000000, WS_CHILD = 0x40000000,
                WS_MINIMIZE = 0x20000000, WS_VISIBLE = 0x10000000, WS_DISABLED = 0x08000000,
                WS_CLIPSIBLINGS = 0x04000000, WS_CLIPCHILDREN = 0x02000000,
                WS_MAXIMIZE = 0x01000000, WS_CAPTION = 0x00C00000, WS_BORDER = 0x00800000,
                WS_DLGFRAME = 0x00400000, WS_VSCROLL = 0x00200000, WS_HSCROLL = 0x00100000,
                WS_SYSMENU = 0x00080000, WS_THICKFRAME = 0x00040000, WS_GROUP = 0x00020000,
                WS_TABSTOP = 0x00010000, WS_MINIMIZEBOX = 0x00020000,
                WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001, WS_EX_TOPMOST = 0x00000008,
                WS_EX_APPWINDOW = 0x00040000;
constexpr DWORD ES_LEFT = 0x0000, ES_MULTILINE = 0x0004, ES_AUTOVSCROLL = 0x0040,
                ES_AUTOHSCROLL = 0x0080, ES_NOHIDESEL = 0x0100, ES_READONLY = 0x0800,
                ES_WANTRETURN = 0x1000;
constexpr DWORD BS_PUSHBUTTON = 0x0, BS_DEFPUSHBUTTON = 0x1, BS_CHECKBOX = 0x2,
                BS_AUTOCHECKBOX = 0x3, BS_RADIOBUTTON = 0x4, BS_GROUPBOX = 0x7,
                BS_AUTORADIOBUTTON = 0x9, BS_TYPEMASK = 0xF, BS_MULTILINE = 0x2000;
constexpr DWORD SS_LEFT = 0x0, SS_BITMAP = 0xE, SS_TYPEMASK = 0x1F;
constexpr DWORD CBS_SIMPLE = 0x1, CBS_DROPDOWN = 0x2, CBS_DROPDOWNLIST = 0x3;
constexpr DWORD DS_MODALFRAME = 0x80, DS_SETFONT = 0x40, DS_CENTER = 0x0800;

// ShowWindow, SetWindowPos, window longs.
constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOW = 5, SW_SHOWDEFAULT = 10;
constexpr UINT SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_NOZORDER = 0x0004,
               SWP_NOACTIVATE = 0x0010, SWP_SHOWWINDOW = 0x0040, SWP_HIDEWINDOW = 0x0080;
constexpr int GWL_WNDPROC = -4, GWL_STYLE = -16, GWL_EXSTYLE = -20, GWL_USERDATA = -21,
              GWL_ID = -12;
constexpr int GWLP_WNDPROC = -4, GWLP_USERDATA = -21, GWLP_ID = -12;

// PeekMessage.
constexpr UINT PM_NOREMOVE = 0x0000, PM_REMOVE = 0x0001, PM_NOYIELD = 0x0002;

// Stock resources and system colours (a class brush is the colour index + 1).
#define IDI_APPLICATION MAKEINTRESOURCEA(32512)
#define IDC_ARROW MAKEINTRESOURCEA(32512)
constexpr int COLOR_WINDOW = 5, COLOR_APPWORKSPACE = 12, COLOR_BTNFACE = 15;

// Virtual-key codes (letters and digits are their ASCII upper-case codes).
constexpr int VK_LBUTTON = 0x01, VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D,
              VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12, VK_PAUSE = 0x13,
              VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21,
              VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26,
              VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_INSERT = 0x2D, VK_DELETE = 0x2E,
              VK_NUMPAD0 = 0x60, VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SUBTRACT = 0x6D,
              VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F, VK_F1 = 0x70, VK_F12 = 0x7B,
              VK_LSHIFT = 0xA0, VK_RSHIFT = 0xA1, VK_LCONTROL = 0xA2, VK_RCONTROL = 0xA3,
              VK_LMENU = 0xA4, VK_RMENU = 0xA5, VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB,
              VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD, VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF,
              VK_OEM_3 = 0xC0, VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC, VK_OEM_6 = 0xDD,
              VK_OEM_7 = 0xDE;
// A gamepad's controls, as keys of their own (the left stick's four directions too).
constexpr int VK_GAMEPAD_A = 0xC3, VK_GAMEPAD_B = 0xC4, VK_GAMEPAD_X = 0xC5, VK_GAMEPAD_Y = 0xC6,
              VK_GAMEPAD_RIGHT_SHOULDER = 0xC7, VK_GAMEPAD_LEFT_SHOULDER = 0xC8,
              VK_GAMEPAD_DPAD_UP = 0xCB, VK_GAMEPAD_DPAD_DOWN = 0xCC, VK_GAMEPAD_DPAD_LEFT = 0xCD,
              VK_GAMEPAD_DPAD_RIGHT = 0xCE, VK_GAMEPAD_MENU = 0xCF, VK_GAMEPAD_VIEW = 0xD0,
              VK_GAMEPAD_LEFT_THUMBSTICK_BUTTON = 0xD1, VK_GAMEPAD_RIGHT_THUMBSTICK_BUTTON = 0xD2,
              VK_GAMEPAD_LEFT_THUMBSTICK_UP = 0xD3, VK_GAMEPAD_LEFT_THUMBSTICK_DOWN = 0xD4,
              VK_GAMEPAD_LEFT_THUMBSTICK_RIGHT = 0xD5, VK_GAMEPAD_LEFT_THUMBSTICK_LEFT = 0xD6;

// Window classes: registered by name for one instance; fails when the name is taken.
ATOM RegisterClassA(const WNDCLASSA* windowClass);
// Fails while windows of the class exist or when it was never registered.
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);

// Creates a window of a registered class or of "EDIT", "BUTTON", "STATIC", "COMBOBOX".
// Sends WM_NCCREATE, WM_CREATE and WM_SIZE; a child's menu argument is its control id.
// The size of a top-level window is its client size: the desktop draws the frame.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param);
// Sends WM_DESTROY to the window, then to its children, then frees them all.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
// Returns whether the window was visible before.
BOOL ShowWindow(HWND window, int command);
BOOL IsWindowVisible(HWND window);
// Paints the window now where there is a screen.
BOOL UpdateWindow(HWND window);
// Returns whether the window was disabled before.
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
// Returns the window that had the focus.
HWND SetFocus(HWND window);
HWND GetFocus();
BOOL SetWindowTextA(HWND window, LPCSTR text);
// Copies at most maxCount - 1 characters and a terminating zero; returns the count copied.
int GetWindowTextA(HWND window, LPSTR text, int maxCount);
int GetWindowTextLengthA(HWND window);
// 32-bit window longs; a pointer needs the pointer-sized pair below.
LONG SetWindowLongA(HWND window, int index, LONG value);
LONG GetWindowLongA(HWND window, int index);
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrA(HWND window, int index);
// Moves and sizes the window; a change of size sends WM_SIZE.
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL GetWindowRect(HWND window, RECT* rect);
HWND GetParent(HWND window);
// The first top-level window with that class and title; a null argument matches any.
HWND FindWindowA(LPCSTR className, LPCSTR windowName);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND window);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
UINT IsDlgButtonChecked(HWND dialog, int id);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A modeless dialog from a template registered under that resource name (Win32Resources.h):
// controls at their dialog-unit rectangles, then WM_INITDIALOG with the parameter.
HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC procedure,
                        LPARAM initParam);

// The thread's queue. GetMessageA waits and returns 0 for WM_QUIT; PostQuitMessage's quit
// arrives once no posted message is left.
BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax);
BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
// Posts WM_CHAR for a key that types a character.
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// Where the message GetMessageA or PeekMessageA returned last came from: 0 for the keyboard
// and mouse, a device's signature otherwise.
LPARAM GetMessageExtraInfo();

// High bit set while the key is down; low bit set if it went down since the last call.
SHORT GetAsyncKeyState(int virtualKey);

BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
// The cursor shows while the display count is 0 or more; returns the new count.
int ShowCursor(BOOL show);
void Sleep(DWORD milliseconds);
// Writes the text to standard error.
void OutputDebugStringA(LPCSTR text);
// The program's own module for a null name; null for any other name.
HMODULE GetModuleHandleA(LPCSTR moduleName);
// The program's executable as an absolute path, for the program's own module (or null);
// the length copied, cut to size - 1; 0 when it cannot be known.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
// The display's modes by index (the primary display for a null device name); false past
// the last mode and without a display.
BOOL EnumDisplaySettingsA(LPCSTR deviceName, DWORD modeNumber, DEVMODEA* mode);
// A bitmap registered under that resource name (Win32Resources.h).
HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name);
