#include "game/shell/UserScores.h"

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "core/DebugConsole.h"
#include "core/File.h"
#include "game/shell/HighScoreTable.h"
#include "game/shell/UserFile.h"

std::string UserScores::DefaultPath() {
  return UserFilePath("XDG_DATA_HOME", ".local/share", "score.zub.score");
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
  std::string bytes(kScoreFileBytes, '\0');
  auto entry = entries.rbegin();
  for (uint32_t i = 0; i < kScoreRecords; ++i) {
    EncodeScoreRecord(entry->second, entry->first, reinterpret_cast<uint8_t*>(bytes.data()) + i * kScoreRecordBytes);
    if (std::next(entry) != entries.rend()) ++entry;
  }
  std::string error;
  if (ReplaceFileContents(path, bytes, error)) return true;
  KOR::Trace("High scores: cannot write %s: %s\n", path.c_str(), error.c_str());
  return false;
}
