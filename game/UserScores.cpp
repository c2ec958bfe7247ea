#include "game/UserScores.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/DebugConsole.h"
#include "core/File.h"
#include "game/HighScoreTable.h"

namespace {

// The base directory an XDG variable names, if it is usable: set, non-empty and absolute.
std::string AbsoluteDirectory(const char* variable) {
  const char* value = std::getenv(variable);
  return value && value[0] == '/' ? std::string(value) : std::string();
}

// Writes all of bytes and flushes them to the disk before the rename makes them the file.
bool WriteAll(int descriptor, const uint8_t* bytes, size_t size) {
  while (size > 0) {
    ssize_t written = ::write(descriptor, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= size_t(written);
  }
  return ::fsync(descriptor) == 0;
}

}  // namespace

std::string UserScores::DefaultPath() {
  std::string base = AbsoluteDirectory("XDG_DATA_HOME");
  if (base.empty()) {
    std::string home = AbsoluteDirectory("HOME");
    if (home.empty()) return {};
    base = home + "/.local/share";
  }
  return base + "/zubra2/score.zub.score";
}

UserScores::UserScores(std::string path) : path(std::move(path)) {}

void UserScores::MergeInto(HighScoreTable& table) const {
  if (path.empty()) return;
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return;
  KOR::File file;
  if (!file.Open(path.c_str(), 0)) {
    KOR::Trace("High scores: cannot read %s; the scores of earlier runs are left out\n",
               path.c_str());
    return;
  }
  if (file.GetSize() != kScoreFileBytes) {
    const std::string aside = path + ".bad";
    std::filesystem::rename(path, aside, error);
    if (error)
      KOR::Trace("High scores: %s is damaged (%u bytes, not %u) and cannot be moved aside: %s\n",
                 path.c_str(), file.GetSize(), kScoreFileBytes, error.message().c_str());
    else
      KOR::Trace("High scores: %s is damaged (%u bytes, not %u) and was kept aside as %s\n",
                 path.c_str(), file.GetSize(), kScoreFileBytes, aside.c_str());
    return;
  }
  for (uint32_t i = 0; i < kScoreRecords; ++i) {
    ScoreRecord record = DecodeScoreRecord(file.GetData() + i * kScoreRecordBytes);
    table.Submit(record.name, record.score);
  }
}

bool UserScores::Save(const HighScoreTable& table) const {
  const auto& entries = table.GetEntries();
  if (path.empty() || entries.empty()) return false;
  // Best first; when there are fewer than ten, the lowest repeats, which reads back as the
  // same entry, so the file keeps its fixed size without inventing a score.
  std::vector<uint8_t> bytes(kScoreFileBytes);
  auto entry = entries.rbegin();
  for (uint32_t i = 0; i < kScoreRecords; ++i) {
    EncodeScoreRecord(entry->second, entry->first, bytes.data() + i * kScoreRecordBytes);
    if (std::next(entry) != entries.rend()) ++entry;
  }

  std::error_code error;
  const std::filesystem::path target(path);
  std::filesystem::create_directories(target.parent_path(), error);
  std::string temporary = path + ".XXXXXX";
  int descriptor = ::mkstemp(temporary.data());
  if (descriptor < 0) {
    KOR::Trace("High scores: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  bool written = WriteAll(descriptor, bytes.data(), bytes.size());
  int savedErrno = errno;
  written = ::close(descriptor) == 0 && written;
  if (written && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  if (written) savedErrno = errno;
  ::unlink(temporary.c_str());
  KOR::Trace("High scores: cannot write %s: %s\n", path.c_str(), std::strerror(savedErrno));
  return false;
}
