// The standard controls and dialogs made from templates, driven as a user would.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Win32Resources.h"
#include "platform/win32/Win32Testing.h"
#include "platform/win32/Windows.h"

namespace {

struct Command {
  WORD id;
  WORD code;
  HWND control;
};
std::vector<Command> commands;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND)
    commands.push_back({LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
  return DefWindowProcA(window, message, wParam, lParam);
}

class Win32Controls : public ::testing::Test {
protected:
  void SetUp() override {
    Win32Testing::SetHeadless(true);
    Win32Testing::Reset();
    commands.clear();
    WNDCLASSA wc{};
    wc.lpfnWndProc = ParentProc;
    wc.lpszClassName = "Parent";
    ASSERT_NE(RegisterClassA(&wc), 0);
    parent = CreateWindowExA(0, "Parent", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
  }
  void TearDown() override { Win32Testing::Reset(); }

  HWND Control(LPCSTR className, LPCSTR text, DWORD style, int id) {
    return CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 50, 20, parent,
                           reinterpret_cast<HMENU>(intptr_t(id)), nullptr, nullptr);
  }

  HWND parent = nullptr;
};

TEST_F(Win32Controls, PushButtonClickTellsTheParent) {
  HWND button = Control("BUTTON", "Go", BS_PUSHBUTTON, 42);
  Win32Testing::Click(button);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].id, 42);
  EXPECT_EQ(commands[0].code, BN_CLICKED);
  EXPECT_EQ(commands[0].control, button);
  EXPECT_EQ(GetFocus(), button) << "a clicked button takes the focus";
}

TEST_F(Win32Controls, DisabledOrHiddenControlsCannotBeClicked) {
  HWND disabled = Control("BUTTON", "a", BS_AUTOCHECKBOX | WS_DISABLED, 1);
  HWND hidden = CreateWindowExA(0, "BUTTON", "b", WS_CHILD, 0, 0, 1, 1, parent, nullptr, nullptr, nullptr);
  Win32Testing::Click(disabled);
  Win32Testing::Click(hidden);
  EXPECT_TRUE(commands.empty());
  EXPECT_EQ(SendMessageA(disabled, BM_GETCHECK, 0, 0), LRESULT(BST_UNCHECKED));
}

TEST_F(Win32Controls, AutoCheckBoxTogglesOnEachClick) {
  HWND box = Control("BUTTON", "Glow", BS_AUTOCHECKBOX, 5);
  Win32Testing::Click(box);
  EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), LRESULT(BST_CHECKED));
  Win32Testing::Click(box);
  EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), LRESULT(BST_UNCHECKED));
  EXPECT_EQ(commands.size(), 2u);
}

TEST_F(Win32Controls, AutoRadioButtonsExcludeEachOtherWithinTheirGroup) {
  HWND a = Control("BUTTON", "a", BS_AUTORADIOBUTTON | WS_GROUP, 1);
  HWND b = Control("BUTTON", "b", BS_AUTORADIOBUTTON, 2);
  HWND c = Control("BUTTON", "c", BS_AUTORADIOBUTTON | WS_GROUP, 3);
  SendMessageA(a, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageA(c, BM_SETCHECK, BST_CHECKED, 0);
  Win32Testing::Click(b);
  EXPECT_EQ(SendMessageA(a, BM_GETCHECK, 0, 0), LRESULT(BST_UNCHECKED));
  EXPECT_EQ(SendMessageA(b, BM_GETCHECK, 0, 0), LRESULT(BST_CHECKED));
  EXPECT_EQ(SendMessageA(c, BM_GETCHECK, 0, 0), LRESULT(BST_CHECKED)) << "another group";
}

TEST_F(Win32Controls, GroupBoxesAndStaticsSendNothing) {
  Win32Testing::Click(Control("BUTTON", "Sound", BS_GROUPBOX, 9));
  Win32Testing::Click(Control("STATIC", "Driver", SS_LEFT, 10));
  EXPECT_TRUE(commands.empty());
}

TEST_F(Win32Controls, SpaceOnAFocusedButtonClicksIt) {
  HWND button = Control("BUTTON", "Ok", BS_PUSHBUTTON, 0);
  SetFocus(button);
  Win32Testing::KeyDown(VK_SPACE);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].control, button);
}

TEST_F(Win32Controls, DropDownListHoldsEntriesAndSelection) {
  HWND combo = Control("COMBOBOX", "", CBS_DROPDOWNLIST, 1007);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("First")), 0);
  EXPECT_EQ(SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Second")), 1);
  EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(GetWindowTextLengthA(combo), 0);
  EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, 1, 0), 1);
  char text[8];
  GetWindowTextA(combo, text, sizeof text);
  EXPECT_STREQ(text, "Second") << "a drop-down list's text is its selected entry";
  EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, 5, 0), CB_ERR);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR) << "out of range clears the selection";
  EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text)), 5);
  EXPECT_STREQ(text, "First");
  EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXT, 9, reinterpret_cast<LPARAM>(text)), CB_ERR);
  EXPECT_TRUE(commands.empty()) << "the program's own changes are not notified";

  Win32Testing::SelectItem(combo, 0);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].code, CBN_SELCHANGE);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
  Win32Testing::SelectItem(combo, 7);
  EXPECT_EQ(commands.size(), 1u) << "no such entry";
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);
}

TEST_F(Win32Controls, EditTakesTypingUnlessReadOnly) {
  HWND edit = Control("EDIT", "Player", ES_AUTOHSCROLL, 1015);
  Win32Testing::Type(edit, "Zubra");
  char text[16];
  GetWindowTextA(edit, text, sizeof text);
  EXPECT_STREQ(text, "Zubra");
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].code, EN_CHANGE);

  HWND log = Control("EDIT", "log", ES_MULTILINE | ES_READONLY, 2);
  Win32Testing::Type(log, "changed");
  GetWindowTextA(log, text, sizeof text);
  EXPECT_STREQ(text, "log");
}

// A small dialog template in dialog units.
const DialogItemTemplate kItems[] = {
    {"BUTTON", "Go!!", IDOK, WS_VISIBLE | BS_DEFPUSHBUTTON, 294, 175, 60, 15},
    {"BUTTON", "Exit", IDCANCEL, WS_VISIBLE | BS_PUSHBUTTON, 210, 175, 67, 15},
    {"STATIC", MAKEINTRESOURCEA(104), 0, WS_VISIBLE | SS_BITMAP, 229, 143, 57, 20},
    {"COMBOBOX", "", 1000, WS_VISIBLE | CBS_DROPDOWNLIST, 18, 19, 127, 115},
};
const DialogTemplate kDialog = {WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
                                0, 0, 361, 197, "Options", "MS Sans Serif", 8, kItems, 4};
const uint32_t kPixels[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
const BitmapResource kBitmap = {2, 2, kPixels};

struct DialogLog {
  std::vector<UINT> messages;
  LPARAM initParam = 0;
  LPARAM closeParam = -1;
  bool handleClose = true;
};
DialogLog dialogLog;

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  dialogLog.messages.push_back(message);
  switch (message) {
    case WM_INITDIALOG:
      dialogLog.initParam = lParam;
      return TRUE;
    case WM_CLOSE:
      if (!dialogLog.handleClose) return FALSE;
      dialogLog.closeParam = lParam;
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) SendMessageA(dialog, WM_CLOSE, 0, 1);
      return TRUE;
    default:
      return FALSE;
  }
}

class Win32Dialog : public ::testing::Test {
protected:
  void SetUp() override {
    Win32Testing::SetHeadless(true);
    Win32Testing::Reset();
    dialogLog = DialogLog{};
    HINSTANCE instance = GetModuleHandleA(nullptr);
    ASSERT_TRUE(RegisterDialogResource(instance, MAKEINTRESOURCEA(101), &kDialog));
    ASSERT_TRUE(RegisterBitmapResource(instance, MAKEINTRESOURCEA(104), &kBitmap));
  }
  void TearDown() override { Win32Testing::Reset(); }
  HWND Create() {
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101), nullptr, TestDialogProc, 77);
  }
};

TEST_F(Win32Dialog, ControlsStandAtTheirDialogUnitRectangles) {
  HWND dialog = Create();
  ASSERT_NE(dialog, nullptr);
  RECT client;
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, 542) << "361 units at 6 pixels per 4 units, rounded";
  EXPECT_EQ(client.bottom, 320) << "197 units at 13 pixels per 8 units, rounded";
  HWND go = GetDlgItem(dialog, IDOK);
  ASSERT_NE(go, nullptr);
  RECT rect;
  GetWindowRect(go, &rect);
  EXPECT_EQ(rect.left, 441);
  EXPECT_EQ(rect.top, 284);
  EXPECT_EQ(rect.right - rect.left, 90);
  EXPECT_EQ(rect.bottom - rect.top, 24);
  EXPECT_EQ(GetDlgCtrlID(go), IDOK);
  EXPECT_EQ(GetDlgItem(dialog, 555), nullptr);
  EXPECT_FALSE(IsWindowVisible(dialog)) << "shown by the caller once it is set up";
}

TEST_F(Win32Dialog, InitDialogCarriesTheParameter) {
  Create();
  ASSERT_FALSE(dialogLog.messages.empty());
  EXPECT_EQ(dialogLog.messages.back(), WM_INITDIALOG);
  EXPECT_EQ(dialogLog.initParam, 77);
}

TEST_F(Win32Dialog, BitmapStaticShowsItsResource) {
  HWND dialog = Create();
  HWND picture = nullptr;
  picture = GetDlgItem(dialog, 0);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0)),
            LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(104)));
  EXPECT_NE(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(104)), nullptr);
  EXPECT_EQ(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(105)), nullptr);
}

TEST_F(Win32Dialog, ButtonsAndCloseBoxReachTheProcedure) {
  HWND dialog = Create();
  ShowWindow(dialog, SW_SHOW);
  Win32Testing::Click(GetDlgItem(dialog, IDOK));
  EXPECT_EQ(dialogLog.closeParam, 1);
  Win32Testing::PressCloseBox(dialog);
  EXPECT_EQ(dialogLog.closeParam, 0);
  EXPECT_TRUE(IsWindow(dialog)) << "a handled close keeps the dialog";
}

TEST_F(Win32Dialog, UnhandledCloseIsTheCancelButton) {
  dialogLog.handleClose = false;
  HWND dialog = Create();
  Win32Testing::PressCloseBox(dialog);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_COMMAND);
  EXPECT_EQ(LOWORD(msg.wParam), IDCANCEL);
  EXPECT_TRUE(IsWindow(dialog));

  EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
  Win32Testing::PressCloseBox(dialog);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "not while Cancel is disabled";
}

TEST_F(Win32Dialog, UnknownTemplateMakesNoDialog) {
  EXPECT_EQ(CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(999), nullptr, TestDialogProc, 0), nullptr);
  EXPECT_EQ(CreateDialogParamA(GetModuleHandleA(nullptr), "named", nullptr, TestDialogProc, 0), nullptr);
}

TEST(Win32DialogUnits, RoundToNearestPixel) {
  EXPECT_EQ(DialogUnitsToPixelsX(4), 6);
  EXPECT_EQ(DialogUnitsToPixelsY(8), 13);
  EXPECT_EQ(DialogUnitsToPixelsX(1), 2);
  EXPECT_EQ(DialogUnitsToPixelsY(0), 0);
}

}  // namespace
