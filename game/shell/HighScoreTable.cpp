#include "game/shell/HighScoreTable.h"

#include <algorithm>
#include <cstring>

#include "core/File.h"

namespace {

// Where a line's score ends, counted from the start of the name.
constexpr size_t kLineColumns = 29;

}  // namespace

ScoreRecord DecodeScoreRecord(const uint8_t* bytes) {
  ScoreRecord record;
  const auto* name = reinterpret_cast<const char*>(bytes);
  // A name that fills its 16 bytes has no zero byte: it ends where the field does.
  record.name.assign(name, strnlen(name, kScoreNameBytes));
  const uint8_t* score = bytes + kScoreNameBytes;
  record.score = int32_t(uint32_t(score[0]) | uint32_t(score[1]) << 8 | uint32_t(score[2]) << 16 |
                         uint32_t(score[3]) << 24);
  return record;
}

void EncodeScoreRecord(const std::string& name, int32_t score, uint8_t* bytes) {
  std::memset(bytes, 0, kScoreNameBytes);
  std::memcpy(bytes, name.data(), std::min<size_t>(name.size(), kScoreNameBytes - 1));
  auto value = uint32_t(score);
  for (int i = 0; i < 4; ++i) bytes[kScoreNameBytes + i] = uint8_t(value >> (8 * i));
}

void HighScoreTable::Load() {
  KOR::InputFile file;
  // Not examined: a missing file is reported by the first Read.
  file.Open(kScoreFileName, 0);
  std::map<int32_t, std::string> loaded;
  for (uint32_t i = 0; i < kScoreRecords; ++i) {
    uint8_t record[kScoreRecordBytes] = {};
    file.Read(record, kScoreNameBytes);
    file.Read(record + kScoreNameBytes, kScoreRecordBytes - kScoreNameBytes);
    ScoreRecord r = DecodeScoreRecord(record);
    loaded[r.score] = std::move(r.name);
  }
  for (auto& [score, name] : loaded) entries[score] = std::move(name);
}

void HighScoreTable::Submit(const std::string& name, int32_t score) { entries[score] = name; }

std::string HighScoreTable::BuildText() const {
  std::string text;
  uint32_t shown = 0;
  for (auto entry = entries.rbegin(); entry != entries.rend() && shown < kScoreRecords;
       ++entry, ++shown) {
    const std::string digits = std::to_string(entry->first);
    text += entry->second;
    size_t used = entry->second.size() + digits.size();
    if (used < kLineColumns) text.append(kLineColumns - used, ' ');
    text += digits;
    text += '\n';
  }
  return text;
}
