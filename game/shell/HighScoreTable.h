#pragma once
// The best scores with player names: loaded from the shipped score file at start-up, given
// the score of every finished game, shown by the menu's high-score screen.

#include <cstdint>
#include <map>
#include <string>

// The score file: ten records of a 16-byte name (zero-terminated when shorter) and a
// little-endian signed 32-bit score, 200 bytes with no header.
constexpr uint32_t kScoreNameBytes = 16, kScoreRecordBytes = 20, kScoreRecords = 10,
                   kScoreFileBytes = kScoreRecordBytes * kScoreRecords;
constexpr const char* kScoreFileName = "assets/score.zub.score";

struct ScoreRecord {
  std::string name;
  int32_t score = 0;
};
// Reads one record of kScoreRecordBytes; the name is never longer than its 16 bytes.
ScoreRecord DecodeScoreRecord(const uint8_t* bytes);
// Writes one record; names are cut to 15 bytes so the zero byte always fits.
void EncodeScoreRecord(const std::string& name, int32_t score, uint8_t* bytes);

class HighScoreTable {
public:
  // Reads the shipped file; throws the InputFile error when it is missing or short, and
  // then leaves the table as it was.
  void Load();
  // One name per score: an equal score replaces the name, a new one adds an entry.
  void Submit(const std::string& name, int32_t score);
  // The best ten (or fewer) as lines of 29 columns: name, spaces, score, line break.
  std::string BuildText() const;

  // Ascending by score.
  const std::map<int32_t, std::string>& GetEntries() const { return entries; }

private:
  std::map<int32_t, std::string> entries;
};
