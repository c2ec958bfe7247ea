#pragma once
// Shared by the scene tests: a recording D3D9Device made current for the graphics
// layer, a scratch asset folder, and catching the engine's exceptions.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "core/Exception.h"
#include "tests/Caught.h"
#include "graphics/RenderSystemTesting.h"
#include "tests/render_d3d9/RecordingDeviceSupport.h"

namespace KOR::Testing {

// A folder of its own per test, removed afterwards.
class ScratchFolder {
public:
  ScratchFolder() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path = std::filesystem::temp_directory_path() /
           ("kor-scene-" + std::to_string(getpid()) + "-" + test->test_suite_name() + "-" + test->name());
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~ScratchFolder() { std::filesystem::remove_all(path); }
  std::string File(const std::string& name) const { return (path / name).string(); }
  // With the trailing slash the scene's asset directory needs.
  std::string Directory() const { return path.string() + "/"; }

  std::filesystem::path path;
};

}  // namespace KOR::Testing

