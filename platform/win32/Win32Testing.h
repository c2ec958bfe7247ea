#pragma once
// Hooks for tests and the replay tool: run without a display, act as the user would
// (the same code paths a real click, key or close box takes), and reset between cases.

#include <functional>

#include "platform/win32/Windows.h"

namespace Win32Testing {

// Without a display nothing is drawn; windows, controls and messages behave the same.
// Chosen before the first window; true by default where SDL finds no display.
void SetHeadless(bool headless);
bool IsHeadless();

// Called whenever a headless GetMessageA finds nothing to return; it acts as the user
// (clicks, keys) and returns false once it has nothing more to give, which ends the
// process with a message instead of waiting forever.
void SetIdleHandler(std::function<bool()> handler);

// Called whenever GetMessageA, with or without a display, finds nothing and is about to
// wait; it may act as the user (press a report's "Ok"). None by default.
void SetWaitHandler(std::function<void()> handler);

// A performance counter that moves only when told, for runs with a fixed frame time;
// QueryPerformanceCounter reads it while it is on. Its frequency stays 1 GHz.
void UseManualClock(bool on);
void AdvanceClock(double seconds);

// What the user can do.
void Click(HWND control);                   // a button, check box or radio button
void PressCloseBox(HWND window);            // the title bar's close button
void Resize(HWND window, int width, int height);  // dragging the frame
void SelectItem(HWND comboBox, int index);  // picking an entry of a drop-down list
void Type(HWND edit, LPCSTR text);          // replacing an edit control's text
void KeyDown(int virtualKey);
void KeyUp(int virtualKey);

// Destroys every window, forgets classes, resources, keys and queued messages.
void Reset();

}  // namespace Win32Testing
