#include "game/shell/GameFolder.h"

#include <filesystem>
#include <system_error>

#include "platform/win32/Windows.h"

namespace fs = std::filesystem;

std::string GameDataFolder(const std::string& executable) {
  if (executable.empty()) return {};
  const fs::path folder = fs::path(executable).parent_path();
  std::error_code error;
  for (const fs::path& candidate : {folder, folder.parent_path() / "share" / "zubra2"})
    if (fs::is_directory(candidate / "assets", error)) return candidate.lexically_normal().string();
  return {};
}

bool EnterGameFolder() {
  char executable[4096];
  DWORD length = GetModuleFileNameA(nullptr, executable, sizeof executable);
  if (length == 0 || length >= sizeof executable - 1) return false;
  std::string folder = GameDataFolder(executable);
  std::error_code error;
  if (folder.empty()) return false;
  fs::current_path(folder, error);
  return !error;
}
