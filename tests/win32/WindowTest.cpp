// Window classes, window lifetime, properties and the message queue, without a display.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Win32Testing.h"
#include "platform/win32/Windows.h"

namespace {

struct Seen {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Seen> seen;
LRESULT createResult = 0;
LPVOID createParam = nullptr;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  seen.push_back({window, message, wParam, lParam});
  if (message == WM_CREATE) {
    createParam = reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams;
    return createResult;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

class Win32Window : public ::testing::Test {
protected:
  void SetUp() override {
    Win32Testing::SetHeadless(true);
    Win32Testing::Reset();
    seen.clear();
    createResult = 0;
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TestWindow";
    ASSERT_NE(RegisterClassA(&wc), 0);
  }
  void TearDown() override { Win32Testing::Reset(); }

  HWND MakeWindow(DWORD style = WS_OVERLAPPEDWINDOW, HWND parent = nullptr, int id = 0) {
    return CreateWindowExA(0, "TestWindow", "title", style, 10, 20, 300, 200, parent,
                           reinterpret_cast<HMENU>(intptr_t(id)), GetModuleHandleA(nullptr), nullptr);
  }

  std::vector<UINT> MessagesTo(HWND window) {
    std::vector<UINT> result;
    for (const Seen& s : seen)
      if (s.window == window) result.push_back(s.message);
    return result;
  }
};

TEST_F(Win32Window, ClassNamesAreUniqueAndCaseInsensitive) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "testwindow";
  EXPECT_EQ(RegisterClassA(&wc), 0);
  wc.lpfnWndProc = nullptr;
  wc.lpszClassName = "Other";
  EXPECT_EQ(RegisterClassA(&wc), 0) << "a class needs a procedure";
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(Win32Window, ClassCannotBeUnregisteredWhileItsWindowsLive) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND window = MakeWindow();
  EXPECT_FALSE(UnregisterClassA("TestWindow", instance));
  DestroyWindow(window);
  EXPECT_FALSE(UnregisterClassA("TestWindow", nullptr)) << "wrong instance";
  EXPECT_TRUE(UnregisterClassA("TestWindow", instance));
  EXPECT_FALSE(UnregisterClassA("TestWindow", instance));
  EXPECT_FALSE(UnregisterClassA("BUTTON", nullptr)) << "system classes stay";
}

TEST_F(Win32Window, CreationSendsCreateMessagesWithTheCallersParameters) {
  int marker = 0;
  HWND window = CreateWindowExA(WS_EX_APPWINDOW, "TestWindow", "Hello", WS_OVERLAPPEDWINDOW, 10, 20, 300, 200,
                                nullptr, nullptr, GetModuleHandleA(nullptr), &marker);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(MessagesTo(window), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE}));
  EXPECT_EQ(createParam, &marker);
  EXPECT_EQ(seen[2].lParam, MAKELPARAM(300, 200));
  char title[16];
  EXPECT_EQ(GetWindowTextA(window, title, sizeof title), 5);
  EXPECT_STREQ(title, "Hello");
  RECT client;
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 200);
  EXPECT_FALSE(IsWindowVisible(window)) << "not visible without WS_VISIBLE";
}

TEST_F(Win32Window, FailingCreateDestroysTheWindow) {
  createResult = -1;
  EXPECT_EQ(MakeWindow(), nullptr);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().message, WM_NCDESTROY);
}

TEST_F(Win32Window, DestroySendsDestroyToParentThenChildren) {
  HWND parent = MakeWindow();
  HWND child = MakeWindow(WS_CHILD, parent, 7);
  ASSERT_NE(child, nullptr);
  seen.clear();
  EXPECT_TRUE(DestroyWindow(parent));
  std::vector<std::pair<HWND, UINT>> order;
  for (const Seen& s : seen) order.push_back({s.window, s.message});
  EXPECT_EQ(order, (std::vector<std::pair<HWND, UINT>>{
                       {parent, WM_DESTROY}, {child, WM_DESTROY}, {child, WM_NCDESTROY}, {parent, WM_NCDESTROY}}));
  EXPECT_FALSE(IsWindow(parent));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(DestroyWindow(child)) << "a stale handle is refused, not used";
  EXPECT_FALSE(SetWindowTextA(child, "x"));
  EXPECT_EQ(SendMessageA(child, WM_USER, 0, 0), 0);
}

TEST_F(Win32Window, ChildNeedsALiveParent) {
  EXPECT_EQ(MakeWindow(WS_CHILD, nullptr), nullptr);
}

TEST_F(Win32Window, CloseMessageDestroysByDefault) {
  HWND window = MakeWindow();
  Win32Testing::PressCloseBox(window);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(Win32Window, SizeChangeSendsSizeAndMoveAloneDoesNot) {
  HWND window = MakeWindow();
  seen.clear();
  SetWindowPos(window, nullptr, 50, 60, 0, 0, SWP_NOSIZE);
  EXPECT_EQ(MessagesTo(window), (std::vector<UINT>{WM_MOVE}));
  seen.clear();
  SetWindowPos(window, nullptr, 0, 0, 640, 480, SWP_NOMOVE);
  ASSERT_EQ(MessagesTo(window), (std::vector<UINT>{WM_SIZE}));
  EXPECT_EQ(seen[0].lParam, MAKELPARAM(640, 480));
  RECT rect;
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.left, 50);
  EXPECT_EQ(rect.right, 690);
  seen.clear();
  Win32Testing::Resize(window, 640, 480);
  EXPECT_TRUE(MessagesTo(window).empty()) << "same size, nothing to tell";
}

TEST_F(Win32Window, VisibilityFollowsTheParent) {
  HWND parent = MakeWindow();
  HWND child = MakeWindow(WS_CHILD | WS_VISIBLE, parent);
  EXPECT_FALSE(IsWindowVisible(child));
  EXPECT_FALSE(ShowWindow(parent, SW_SHOW));
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_TRUE(ShowWindow(parent, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(child));
}

TEST_F(Win32Window, EnableReturnsThePreviousState) {
  HWND window = MakeWindow(WS_OVERLAPPEDWINDOW | WS_DISABLED);
  EXPECT_FALSE(IsWindowEnabled(window));
  EXPECT_TRUE(EnableWindow(window, TRUE)) << "was disabled";
  EXPECT_FALSE(EnableWindow(window, TRUE));
  EXPECT_FALSE(EnableWindow(window, FALSE));
  EXPECT_FALSE(IsWindowEnabled(window));
}

TEST_F(Win32Window, WindowLongsKeepPointersAndProcedures) {
  HWND window = MakeWindow();
  int object = 0;
  EXPECT_EQ(SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&object)), 0);
  EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&object));
  SetWindowLongA(window, GWL_USERDATA, -5);
  EXPECT_EQ(GetWindowLongA(window, GWL_USERDATA), -5);
  EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&RecordingProc));
}

TEST_F(Win32Window, TextIsCutToTheCallersBuffer) {
  HWND window = MakeWindow();
  SetWindowTextA(window, "0123456789");
  char buffer[5] = {'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(GetWindowTextA(window, buffer, 5), 4);
  EXPECT_STREQ(buffer, "0123");
  EXPECT_EQ(GetWindowTextA(window, buffer, 0), 0);
  EXPECT_EQ(GetWindowTextLengthA(window), 10);
  SetWindowTextA(window, nullptr);
  EXPECT_EQ(GetWindowTextLengthA(window), 0);
}

TEST_F(Win32Window, FocusMovesWithKillAndSetFocus) {
  HWND a = MakeWindow();
  HWND b = MakeWindow();
  EXPECT_EQ(SetFocus(a), nullptr);
  seen.clear();
  EXPECT_EQ(SetFocus(b), a);
  EXPECT_EQ(MessagesTo(a), (std::vector<UINT>{WM_KILLFOCUS}));
  EXPECT_EQ(MessagesTo(b), (std::vector<UINT>{WM_SETFOCUS}));
  DestroyWindow(b);
  EXPECT_EQ(GetFocus(), nullptr);
}

class Win32Queue : public Win32Window {};

TEST_F(Win32Queue, PostedMessagesComeInOrderThenTheQuit) {
  HWND window = MakeWindow();
  PostQuitMessage(3);
  PostMessageA(window, WM_USER + 1, 11, 12);
  PostMessageA(nullptr, WM_USER + 2, 0, 0);
  MSG msg;
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, WM_USER + 1u);
  EXPECT_EQ(msg.hwnd, window);
  EXPECT_EQ(msg.wParam, 11u);
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, WM_USER + 2u);
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE) << "the quit waits for posted messages";
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "one quit, taken once";
}

TEST_F(Win32Queue, PeekWithoutRemovalLeavesTheMessage) {
  HWND window = MakeWindow();
  PostMessageA(window, WM_USER, 0, 0);
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Win32Queue, FiltersByWindowAndRange) {
  HWND a = MakeWindow();
  HWND b = MakeWindow();
  PostMessageA(a, WM_USER + 5, 0, 0);
  PostMessageA(b, WM_USER + 1, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, b, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, b);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER + 4, PM_REMOVE));
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER + 5, PM_REMOVE));
}

TEST_F(Win32Queue, DispatchReachesTheProcedureAndSkipsDeadWindows) {
  HWND window = MakeWindow();
  PostMessageA(window, WM_USER + 9, 1, 2);
  DestroyWindow(window);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  seen.clear();
  EXPECT_EQ(DispatchMessageA(&msg), 0);
  EXPECT_TRUE(seen.empty());
  EXPECT_FALSE(PostMessageA(window, WM_USER, 0, 0)) << "posting to a dead window fails";
}

TEST_F(Win32Queue, KeysBecomeMessagesAndAsyncState) {
  HWND window = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  SetFocus(window);
  EXPECT_EQ(GetAsyncKeyState('A'), 0);
  Win32Testing::KeyDown('A');
  EXPECT_EQ(GetAsyncKeyState('A') & 0x8000, 0x8000);
  EXPECT_EQ(GetAsyncKeyState('A') & 1, 0) << "pressed-since-last-call is reported once";
  Win32Testing::KeyUp('A');
  EXPECT_EQ(GetAsyncKeyState('A'), 0);

  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_KEYDOWN);
  EXPECT_EQ(msg.wParam, WPARAM('A'));
  EXPECT_EQ(msg.hwnd, window);
  EXPECT_TRUE(TranslateMessage(&msg));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_KEYUP);
  EXPECT_NE(msg.lParam & (LPARAM(1) << 31), 0) << "transition bit of a release";
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_CHAR);
  EXPECT_EQ(msg.wParam, WPARAM('a'));
  EXPECT_EQ(GetAsyncKeyState(1000), 0) << "out of range";
}

TEST_F(Win32Queue, IdleHandlerFeedsABlockingLoop) {
  HWND window = MakeWindow();
  int calls = 0;
  Win32Testing::SetIdleHandler([&] {
    ++calls;
    if (calls == 3) PostMessageA(window, WM_USER, 0, 0);
    return true;
  });
  MSG msg;
  ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(msg.message, WM_USER);
}

TEST_F(Win32Queue, BlockingWithNothingToDeliverEndsWithAMessage) {
  EXPECT_DEATH(
      {
        MSG msg;
        GetMessageA(&msg, nullptr, 0, 0);
      },
      "wait forever");
}

TEST(Win32System, PerformanceCounterAdvancesAtItsFrequency) {
  LARGE_INTEGER frequency, before, after;
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  ASSERT_TRUE(QueryPerformanceCounter(&before));
  Sleep(20);
  ASSERT_TRUE(QueryPerformanceCounter(&after));
  double seconds = double(after.QuadPart - before.QuadPart) / double(frequency.QuadPart);
  EXPECT_GE(seconds, 0.019);
  EXPECT_LT(seconds, 5.0);
}

TEST(Win32System, CursorDisplayCountAndStockResources) {
  int start = ShowCursor(TRUE) - 1;
  EXPECT_EQ(ShowCursor(FALSE), start);
  EXPECT_EQ(ShowCursor(FALSE), start - 1);
  EXPECT_EQ(ShowCursor(TRUE), start);
  EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
  EXPECT_EQ(GetModuleHandleA("other.dll"), nullptr);
  EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
  EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
  EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
}

}  // namespace
