// The standard child controls: EDIT, BUTTON, STATIC and drop-down COMBOBOX, and what a
// user's click, pick or typing does to them.

#include <cstring>

#include "platform/win32/Win32Internal.h"

namespace {

void NotifyParent(HWND control, WORD code) {
  if (!win32::IsLive(control) || !control->parent) return;
  SendMessageA(control->parent, WM_COMMAND, MAKEWPARAM(WORD(control->id), code),
               reinterpret_cast<LPARAM>(control));
}

DWORD ButtonType(HWND button) { return button->style & BS_TYPEMASK; }

bool IsAutoRadio(HWND w) {
  return w->kind == ControlKind::Button && ButtonType(w) == BS_AUTORADIOBUTTON;
}

// A group runs from a control with WS_GROUP to the next one, in creation order.
void UncheckRestOfGroup(HWND radio) {
  if (!radio->parent) return;
  const std::vector<HWND>& siblings = radio->parent->children;
  size_t self = 0;
  while (self < siblings.size() && siblings[self] != radio) ++self;
  size_t first = self;
  while (first > 0 && !(siblings[first]->style & WS_GROUP)) --first;
  for (size_t i = first; i < siblings.size(); ++i) {
    if (i > self && (siblings[i]->style & WS_GROUP)) break;
    if (i != self && IsAutoRadio(siblings[i]) && siblings[i]->check != BST_UNCHECKED) {
      siblings[i]->check = BST_UNCHECKED;
      win32::HostInvalidate(siblings[i]);
    }
  }
}

LRESULT CopyText(const std::string& text, WPARAM size, LPARAM buffer) {
  if (size == 0 || !buffer) return 0;
  size_t count = std::min(text.size(), size_t(size) - 1);
  std::memcpy(reinterpret_cast<LPSTR>(buffer), text.data(), count);
  reinterpret_cast<LPSTR>(buffer)[count] = 0;
  return LRESULT(count);
}

bool UserCanReach(HWND control) { return IsWindowVisible(control) && IsWindowEnabled(control); }

}  // namespace

namespace win32 {

LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case BM_GETCHECK:
      return window->check;
    case BM_SETCHECK:
      window->check = UINT(wParam);
      HostInvalidate(window);
      return 0;
    case BM_CLICK:
      switch (ButtonType(window)) {
        case BS_GROUPBOX:
          return 0;
        case BS_AUTOCHECKBOX:
          window->check = window->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
          break;
        case BS_AUTORADIOBUTTON:
          window->check = BST_CHECKED;
          UncheckRestOfGroup(window);
          break;
        default:
          break;
      }
      HostInvalidate(window);
      NotifyParent(window, BN_CLICKED);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && window->enabled) SendMessageA(window, BM_CLICK, 0, 0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case STM_SETIMAGE: {
      if (wParam != IMAGE_BITMAP) return 0;
      HBITMAP previous = window->bitmap;
      window->bitmap = reinterpret_cast<HBITMAP>(lParam);
      HostInvalidate(window);
      return reinterpret_cast<LRESULT>(previous);
    }
    case STM_GETIMAGE:
      return wParam == IMAGE_BITMAP ? reinterpret_cast<LRESULT>(window->bitmap) : 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK ComboBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::vector<std::string>& items = window->items;
  switch (message) {
    case CB_ADDSTRING:
      items.emplace_back(lParam ? reinterpret_cast<LPCSTR>(lParam) : "");
      HostInvalidate(window);
      return LRESULT(items.size() - 1);
    case CB_GETCOUNT:
      return LRESULT(items.size());
    case CB_GETCURSEL:
      return window->selection < 0 ? CB_ERR : window->selection;
    case CB_SETCURSEL: {
      auto index = static_cast<intptr_t>(wParam);
      HostInvalidate(window);
      if (index < 0 || size_t(index) >= items.size()) {
        window->selection = -1;
        return CB_ERR;
      }
      window->selection = int(index);
      return window->selection;
    }
    case CB_GETLBTEXT:
      if (wParam >= items.size() || !lParam) return CB_ERR;
      std::memcpy(reinterpret_cast<LPSTR>(lParam), items[wParam].c_str(), items[wParam].size() + 1);
      return LRESULT(items[wParam].size());
    case CB_GETLBTEXTLEN:
      return wParam < items.size() ? LRESULT(items[wParam].size()) : CB_ERR;
    case CB_RESETCONTENT:
      items.clear();
      window->selection = -1;
      HostInvalidate(window);
      return 0;
    // A drop-down list's text is its selected entry.
    case WM_GETTEXT:
      return CopyText(window->selection >= 0 ? items[window->selection] : std::string(), wParam, lParam);
    case WM_GETTEXTLENGTH:
      return window->selection >= 0 ? LRESULT(items[window->selection].size()) : 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void UserClick(HWND control) {
  if (!UserCanReach(control) || control->kind != ControlKind::Button) return;
  if (ButtonType(control) == BS_GROUPBOX) return;
  SetFocus(control);
  SendMessageA(control, BM_CLICK, 0, 0);
}

void UserSelect(HWND comboBox, int index) {
  if (!UserCanReach(comboBox) || comboBox->kind != ControlKind::ComboBox) return;
  if (index < 0 || size_t(index) >= comboBox->items.size()) return;
  SetFocus(comboBox);
  comboBox->selection = index;
  HostInvalidate(comboBox);
  NotifyParent(comboBox, CBN_SELCHANGE);
}

void UserEdit(HWND edit, const std::string& text) {
  if (!UserCanReach(edit) || edit->kind != ControlKind::Edit || (edit->style & ES_READONLY)) return;
  if (edit->text == text) return;
  edit->text = text;
  HostInvalidate(edit);
  NotifyParent(edit, EN_CHANGE);
}

void UserClose(HWND window) {
  if (!IsLive(window)) return;
  SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void UserResize(HWND window, int width, int height) {
  if (!IsLive(window)) return;
  SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

}  // namespace win32
