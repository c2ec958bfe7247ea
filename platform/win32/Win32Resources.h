#pragma once
// The executable's resources. There is no resource compiler here: the program registers
// its dialog templates and bitmaps under their resource names at start-up, and
// CreateDialogParamA and LoadBitmapA find them as they would in the executable.

#include "platform/win32/Windows.h"

// One control of a dialog template; rectangle in dialog units. For an SS_BITMAP static,
// text is the bitmap's resource name (MAKEINTRESOURCEA(id)).
struct DialogItemTemplate {
  LPCSTR className;
  LPCSTR text;
  WORD id;
  DWORD style;
  short x, y, cx, cy;
};

// A dialog: popup style bits, client rectangle in dialog units, caption, font.
struct DialogTemplate {
  DWORD style;
  short x, y, cx, cy;
  LPCSTR caption;
  LPCSTR fontName;
  WORD pointSize;
  const DialogItemTemplate* items;
  size_t itemCount;
};

// Pixels are 0xAARRGGBB, rows from the top.
struct BitmapResource {
  int width;
  int height;
  const uint32_t* pixels;
};

// The records must outlive every dialog or bitmap made from them.
BOOL RegisterDialogResource(HINSTANCE instance, LPCSTR name, const DialogTemplate* dialog);
BOOL RegisterBitmapResource(HINSTANCE instance, LPCSTR name, const BitmapResource* bitmap);
// The program's icon, which top-level windows made from now on show in the title bar and
// the task list (the executable's icon on Windows).
void RegisterProgramIcon(const BitmapResource* icon);

// Dialog units to pixels with the dialog font's base units ("MS Sans Serif" 8 pt: 6 x 13).
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);
