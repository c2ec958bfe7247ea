// Error reports in the debug console, and the console window itself, without a display.

#include <gtest/gtest.h>

#include <string>

#include "core/DebugConsole.h"
#include "core/Exception.h"
#include "platform/win32/Win32Testing.h"
#include "platform/win32/Windows.h"

namespace {

const std::string kBanner = " *** Korvane Engine 1.5 ***\r\n\r\n";

class ConsoleTest : public ::testing::Test {
protected:
  void SetUp() override {
    Win32Testing::SetHeadless(true);
    Win32Testing::Reset();
  }
  void TearDown() override {
    KOR::debugConsole->Close();
    Win32Testing::Reset();
  }

  // Acts as the user: presses "Ok" the first time the report waits for input.
  void PressOkWhenShown(int* idleCalls = nullptr) {
    Win32Testing::SetIdleHandler([idleCalls] {
      if (idleCalls) ++*idleCalls;
      Win32Testing::Click(KOR::debugConsole->GetButton());
      return true;
    });
  }

  // Reports and returns the lines the report added to the global console.
  std::string ReportLines(KOR::Exception& e) {
    std::string before = KOR::debugConsole->GetText();
    PressOkWhenShown();
    e.Report();
    return KOR::debugConsole->GetText().substr(before.size());
  }
};

TEST_F(ConsoleTest, ReportLinesHaveTheirLabelsAndWidths) {
  KOR::Exception e("KOR Graphics (Surface)", "Non Power of two", "Trying to create a non power of two surface.");
  EXPECT_EQ(ReportLines(e),
            " - *******************************************\r\n"
            " - EXCEPTION\r\n"
            " -   Module:       KOR Graphics (Surface)\r\n"
            " -   Error:       Non Power of two\r\n"
            " -   description: Trying to create a non power of two surface.\r\n");
  EXPECT_EQ(KOR::debugConsole->GetText().rfind(kBanner, 0), 0u) << "one banner, first";
}

TEST_F(ConsoleTest, EmptyStringsPrintNoLine) {
  KOR::Exception empty;
  EXPECT_EQ(ReportLines(empty), " - *******************************************\r\n - EXCEPTION\r\n");
  KOR::Exception noError("Game", "", "why");
  EXPECT_EQ(ReportLines(noError),
            " - *******************************************\r\n - EXCEPTION\r\n"
            " -   Module:       Game\r\n -   description: why\r\n");
}

TEST_F(ConsoleTest, TwoReportsStackInOneWindow) {
  KOR::Exception first("A", "one", "first");
  KOR::Exception second("B", "two", "second");
  std::string lines = ReportLines(first);
  HWND window = KOR::debugConsole->GetWindow();
  lines += ReportLines(second);
  EXPECT_EQ(KOR::debugConsole->GetWindow(), window) << "the open window is reused";
  EXPECT_LT(lines.find("first"), lines.find("second"));
  char shown[2048];
  GetWindowTextA(KOR::debugConsole->GetEditControl(), shown, sizeof shown);
  EXPECT_EQ(std::string(shown), KOR::debugConsole->GetText()) << "the edit control shows the whole text";
}

TEST_F(ConsoleTest, ReportWaitsForOkEvenWithAQuitQueued) {
  // Destroying the device window before the report posts a quit; the report must not
  // take it for the user's answer.
  PostQuitMessage(0);
  int idleCalls = 0;
  PressOkWhenShown(&idleCalls);
  KOR::Exception e("KOR Renderer D3D9 (Device)", "Failed to create device", "x");
  e.Report();
  EXPECT_EQ(idleCalls, 1) << "the report waited for the user";
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "the quit from Ok was consumed";
}

TEST_F(ConsoleTest, CloseBoxIsIgnoredAndOkEndsTheLoop) {
  KOR::DebugConsole console;
  console.Show();
  int idleCalls = 0;
  Win32Testing::SetIdleHandler([&] {
    ++idleCalls;
    if (idleCalls == 1)
      Win32Testing::PressCloseBox(console.GetWindow());
    else
      Win32Testing::Click(console.GetButton());
    return true;
  });
  console.RunModal();
  EXPECT_EQ(idleCalls, 2) << "the close box did not end the loop";
  EXPECT_TRUE(IsWindow(console.GetWindow()));
  EXPECT_EQ(GetFocus(), console.GetButton());
}

TEST_F(ConsoleTest, LinesPrintedBeforeTheWindowAppearWhenShown) {
  KOR::DebugConsole console;
  console.Print("A");
  console.Print("B");
  console.Show();
  char shown[256];
  GetWindowTextA(console.GetEditControl(), shown, sizeof shown);
  EXPECT_EQ(std::string(shown), kBanner + " - A\r\n - B\r\n");
  console.Print("C");
  GetWindowTextA(console.GetEditControl(), shown, sizeof shown);
  EXPECT_EQ(std::string(shown), kBanner + " - A\r\n - B\r\n - C\r\n");
}

TEST_F(ConsoleTest, WindowLayoutAndResize) {
  KOR::DebugConsole console;
  console.Show();
  HWND window = console.GetWindow();
  char title[64];
  GetWindowTextA(window, title, sizeof title);
  EXPECT_STREQ(title, "Korvane Engine 1.5");
  EXPECT_TRUE(IsWindowVisible(console.GetEditControl()));
  EXPECT_TRUE(IsWindowVisible(console.GetButton()));
  GetWindowTextA(console.GetButton(), title, sizeof title);
  EXPECT_STREQ(title, "Ok");

  auto rectOf = [](HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return r;
  };
  RECT frame = rectOf(window);
  EXPECT_EQ(frame.right - frame.left, 400);
  EXPECT_EQ(frame.bottom - frame.top, 460);
  RECT edit = rectOf(console.GetEditControl());
  EXPECT_EQ(edit.bottom - edit.top, 460 - 26);
  RECT button = rectOf(console.GetButton());
  EXPECT_EQ(button.left - frame.left, 200 - 26);
  EXPECT_EQ(button.top - frame.top, 460 - 26);

  Win32Testing::Resize(window, 600, 300);
  edit = rectOf(console.GetEditControl());
  button = rectOf(console.GetButton());
  EXPECT_EQ(edit.right - edit.left, 600);
  EXPECT_EQ(edit.bottom - edit.top, 274);
  EXPECT_EQ(button.left - frame.left, 300 - 26);
  EXPECT_EQ(button.top - frame.top, 274);
  EXPECT_EQ(button.right - button.left, 52);
  EXPECT_EQ(button.bottom - button.top, 26);
}

TEST_F(ConsoleTest, SecondConsoleOpensBesideTheFirstAndTheClassGoesWithTheLast) {
  KOR::DebugConsole first, second;
  first.Show();
  second.Show();
  RECT a, b;
  GetWindowRect(first.GetWindow(), &a);
  GetWindowRect(second.GetWindow(), &b);
  EXPECT_EQ(b.left - a.left, 400);
  EXPECT_EQ(a.top, 0);

  WNDCLASSA probe{};
  probe.lpfnWndProc = DefWindowProcA;
  probe.lpszClassName = "KOR15Console";
  first.Close();
  EXPECT_EQ(RegisterClassA(&probe), 0) << "still registered while a console is open";
  second.Close();
  EXPECT_FALSE(IsWindow(second.GetWindow()));
  EXPECT_NE(RegisterClassA(&probe), 0) << "unregistered with the last console";
  UnregisterClassA("KOR15Console", nullptr);
  first.Show();
  EXPECT_TRUE(IsWindow(first.GetWindow())) << "a later Show registers the class again";
}

TEST_F(ConsoleTest, FatalErrorReportsAndExitsWithFailure) {
  EXPECT_EXIT(
      {
        PressOkWhenShown();
        KOR::FatalError("KOR Renderer D3D9 (Device)", "Failed to create device", "Could not create window class.");
      },
      ::testing::ExitedWithCode(1), "");
}

TEST_F(ConsoleTest, FatalErrorHeadingIsFatal) {
  // The report runs before the process ends; read it from inside the child.
  EXPECT_EXIT(
      {
        Win32Testing::SetIdleHandler([] {
          const std::string& text = KOR::debugConsole->GetText();
          bool fatal = text.find(" - FATAL ERROR\r\n") != std::string::npos;
          std::fputs(fatal ? "heading FATAL ERROR\n" : "heading missing\n", stderr);
          Win32Testing::Click(KOR::debugConsole->GetButton());
          return true;
        });
        KOR::FatalError("m", "e", "d");
      },
      ::testing::ExitedWithCode(1), "heading FATAL ERROR");
}

TEST(Trace, LongMessagesAreCutSafely) {
  std::string longText(5000, 'x');
  ::testing::internal::CaptureStderr();
  KOR::Trace("%s|%d", longText.c_str(), 42);
  std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(written, std::string(1023, 'x'));
  ::testing::internal::CaptureStderr();
  KOR::Trace(" - Entered\n");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), " - Entered\n");
}

}  // namespace
