#pragma once
// For tests: the KOR::Exception an action throws, or a test failure when it throws none.

#include <gtest/gtest.h>

#include "core/Exception.h"

namespace KOR::Testing {

template <typename F>
KOR::Exception Caught(F&& action) {
  try {
    action();
  } catch (const KOR::Exception& e) {
    return e;
  }
  ADD_FAILURE() << "nothing was thrown";
  return KOR::Exception();
}

}  // namespace KOR::Testing
