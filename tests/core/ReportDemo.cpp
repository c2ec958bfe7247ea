// A program that fails the way the game does: an exception reaches the top level, is
// reported in the debug console, and the process ends with a failure status once the
// user presses "Ok".

#include "core/Exception.h"
#include "platform/win32/Windows.h"

int main() {
  try {
    throw KOR::Exception("KOR Graphics (Surface)", "Non Power of two", "Trying to create a non power of two surface.");
  } catch (KOR::Exception& e) {
    ShowCursor(TRUE);
    e.Report();
    return 1;
  }
}
