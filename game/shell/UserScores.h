#pragma once
// Scores that last between runs: the table's best ten in the score file's format, kept in
// the player's data directory. The shipped score file is never written.

#include <string>

class HighScoreTable;

class UserScores {
public:
  // $XDG_DATA_HOME/zubra2/score.zub.score, or ~/.local/share/zubra2/score.zub.score when
  // XDG_DATA_HOME is unset, empty or relative; empty when there is no home either.
  static std::string DefaultPath();

  explicit UserScores(std::string path = DefaultPath());

  // Merges the file into the table when there is one. A file that is not exactly one score
  // file is renamed with ".bad" and said in one trace line; nothing here stops the game.
  void MergeInto(HighScoreTable& table) const;
  // Writes the best ten to a temporary file renamed into place, so a crash leaves either the
  // old file or the new one. False, said in a trace line, when it cannot.
  bool Save(const HighScoreTable& table) const;

  const std::string& GetPath() const { return path; }

private:
  std::string path;
};
