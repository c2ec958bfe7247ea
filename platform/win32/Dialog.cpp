// Resources (dialog templates, bitmaps) and dialogs made from them.

#include <map>
#include <memory>

#include "platform/win32/Win32Internal.h"

namespace {

// Base units of the dialog font, "MS Sans Serif" 8 pt at 96 dots per inch.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

std::string ResourceKey(HINSTANCE instance, LPCSTR name) {
  std::string key = std::to_string(reinterpret_cast<uintptr_t>(instance)) + ":";
  if (IS_INTRESOURCE(name)) return key + "#" + std::to_string(reinterpret_cast<uintptr_t>(name));
  return key + name;
}

std::map<std::string, const DialogTemplate*>& Dialogs() {
  static auto& dialogs = *new std::map<std::string, const DialogTemplate*>;
  return dialogs;
}

std::map<std::string, std::unique_ptr<HBITMAP__>>& Bitmaps() {
  static auto& bitmaps = *new std::map<std::string, std::unique_ptr<HBITMAP__>>;
  return bitmaps;
}

int MulDivRounded(int value, int numerator, int denominator) {
  long long product = (long long)value * numerator;
  return int(product >= 0 ? (product + denominator / 2) / denominator
                          : (product - denominator / 2) / denominator);
}

}  // namespace

int DialogUnitsToPixelsX(int units) { return MulDivRounded(units, kBaseUnitX, 4); }
int DialogUnitsToPixelsY(int units) { return MulDivRounded(units, kBaseUnitY, 8); }

BOOL RegisterDialogResource(HINSTANCE instance, LPCSTR name, const DialogTemplate* dialog) {
  if (!name || !dialog) return FALSE;
  Dialogs()[ResourceKey(instance, name)] = dialog;
  return TRUE;
}

BOOL RegisterBitmapResource(HINSTANCE instance, LPCSTR name, const BitmapResource* bitmap) {
  if (!name || !bitmap || bitmap->width <= 0 || bitmap->height <= 0 || !bitmap->pixels)
    return FALSE;
  Bitmaps()[ResourceKey(instance, name)] = std::make_unique<HBITMAP__>(HBITMAP__{bitmap});
  return TRUE;
}

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name) { return win32::FindBitmap(instance, name); }

namespace win32 {

HBITMAP FindBitmap(HINSTANCE instance, LPCSTR name) {
  if (!name) return nullptr;
  auto it = Bitmaps().find(ResourceKey(instance, name));
  return it == Bitmaps().end() ? nullptr : it->second.get();
}

void ForgetResources() {
  Dialogs().clear();
  Bitmaps().clear();
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window->dialogProc) {
    INT_PTR handled = window->dialogProc(window, message, wParam, lParam);
    if (handled || !IsLive(window)) return handled;
  }
  switch (message) {
    // An unhandled close is the Cancel button, unless that button is disabled.
    case WM_CLOSE: {
      HWND cancel = GetDlgItem(window, IDCANCEL);
      if (!cancel || IsWindowEnabled(cancel))
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(cancel));
      return 0;
    }
    case WM_INITDIALOG:
      return TRUE;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace win32

HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC procedure,
                        LPARAM initParam) {
  if (!templateName) return nullptr;
  auto found = Dialogs().find(ResourceKey(instance, templateName));
  if (found == Dialogs().end()) return nullptr;
  const DialogTemplate& dialog = *found->second;

  HWND window = CreateWindowExA(0, "#32770", dialog.caption, dialog.style & ~WS_VISIBLE,
                                DialogUnitsToPixelsX(dialog.x), DialogUnitsToPixelsY(dialog.y),
                                DialogUnitsToPixelsX(dialog.cx), DialogUnitsToPixelsY(dialog.cy),
                                parent, nullptr, instance, nullptr);
  if (!window) return nullptr;
  window->dialogProc = procedure;
  for (size_t i = 0; i < dialog.itemCount; ++i) {
    const DialogItemTemplate& item = dialog.items[i];
    HMENU id = reinterpret_cast<HMENU>(uintptr_t(item.id));
    if (!CreateWindowExA(0, item.className, item.text, item.style | WS_CHILD,
                         DialogUnitsToPixelsX(item.x), DialogUnitsToPixelsY(item.y),
                         DialogUnitsToPixelsX(item.cx), DialogUnitsToPixelsY(item.cy), window, id,
                         instance, nullptr)) {
      DestroyWindow(window);
      return nullptr;
    }
  }
  SendMessageA(window, WM_INITDIALOG, 0, initParam);
  if (IsWindow(window) && (dialog.style & WS_VISIBLE)) ShowWindow(window, SW_SHOW);
  return IsWindow(window) ? window : nullptr;
}

HWND GetDlgItem(HWND dialog, int id) {
  if (!IsWindow(dialog)) return nullptr;
  for (HWND child : dialog->children)
    if (child->id == id) return child;
  return nullptr;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(GetDlgItem(dialog, id), message, wParam, lParam);
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  return UINT(SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0));
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND button = GetDlgItem(dialog, id);
  if (!button) return FALSE;
  SendMessageA(button, BM_SETCHECK, check, 0);
  return TRUE;
}
