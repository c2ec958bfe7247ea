#pragma once
// The engine's one text window for reports: a read-only edit control above an "Ok"
// button. The text collects from start-up; the window opens only when a report is shown.

#include <string>

#include "platform/win32/Windows.h"

namespace KOR {

class DebugConsole {
public:
  DebugConsole();
  ~DebugConsole();
  DebugConsole(const DebugConsole&) = delete;
  DebugConsole& operator=(const DebugConsole&) = delete;

  // Appends " - ", the line and a line break, and shows the new text if the window is open.
  void Print(const std::string& line);
  // Opens the window unless it is open already.
  void Show();
  // Runs the window's message loop until the user presses "Ok".
  void RunModal();
  // Closes the window; the text stays.
  void Close();

  const std::string& GetText() const { return text; }
  HWND GetWindow() const { return window; }
  HWND GetEditControl() const { return edit; }
  HWND GetButton() const { return button; }

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  bool created = false;
  HWND window = nullptr;
  HWND edit = nullptr;
  HWND button = nullptr;
  std::string text;
  bool okPressed = false;
};

// The process-wide console.
extern DebugConsole* const debugConsole;

// printf-style text to the debugger's output, cut to 1023 characters.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace KOR
