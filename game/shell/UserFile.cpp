#include "game/shell/UserFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

// The base directory an environment variable names, if it is usable: set, non-empty and
// absolute (the XDG rule: a relative value is ignored).
std::string AbsoluteDirectory(const char* variable) {
  const char* value = std::getenv(variable);
  return value && value[0] == '/' ? std::string(value) : std::string();
}

bool WriteAll(int descriptor, const char* bytes, size_t size) {
  while (size > 0) {
    ssize_t written = ::write(descriptor, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= size_t(written);
  }
  // On the disk before the rename makes the bytes the file.
  return ::fsync(descriptor) == 0;
}

}  // namespace

std::string UserFilePath(const char* variable, const char* homeFallback, const char* name) {
  std::string base = AbsoluteDirectory(variable);
  if (base.empty()) {
    std::string home = AbsoluteDirectory("HOME");
    if (home.empty()) return {};
    base = home + "/" + homeFallback;
  }
  return base + "/zubra2/" + name;
}

bool ReplaceFileContents(const std::string& path, const std::string& bytes, std::string& error) {
  if (path.empty()) {
    error = "no place for it (neither the XDG variable nor HOME is set)";
    return false;
  }
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  std::string temporary = path + ".XXXXXX";
  int descriptor = ::mkstemp(temporary.data());
  if (descriptor < 0) {
    error = std::strerror(errno);
    return false;
  }
  bool written = WriteAll(descriptor, bytes.data(), bytes.size());
  int savedErrno = written ? 0 : errno;
  if (::close(descriptor) != 0 && written) written = false, savedErrno = errno;
  if (written && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  if (written) savedErrno = errno;
  ::unlink(temporary.c_str());
  error = std::strerror(savedErrno);
  return false;
}
