#pragma once
// What a playtest reads of each game of a run: score, lives, how long it lasted, how far
// the boss got, and when and to what each life was lost. A life's cause is the nearest
// thing that could hit the ship the frame before the loss (the shot that hit is gone by
// the next look).

#include <string>
#include <vector>

class GameSession;

struct LifeLoss {
  float second = 0.0f;  // of the game
  std::string cause;    // "drone", "stinger", "warden", "missile", "boss missile", "shot", "boss"
};

struct GameReport {
  int score = 0;
  int lives = 0;          // left at the end; −1 after a lost game
  float seconds = 0.0f;   // the game's length
  int bossPhase = 0;      // 0 asleep, 1 to 3 fighting, 4 beaten
  float bossHealth = 1.0f;
  std::vector<LifeLoss> losses;
};

class PlayReport {
public:
  // Once a frame while a game runs; a look after EndGame starts the next game's report.
  void Observe(const GameSession& game);
  void EndGame() { inGame = false; }
  const std::vector<GameReport>& Games() const { return games; }
  // One line a game, then one a lost life:
  //   game 1: score 41595, lives 1, 163.4 s, boss beaten
  //     life lost at 47.3 s: missile
  std::string Text() const;

private:
  std::vector<GameReport> games;
  bool inGame = false;
  int lastLives = -2;   // −2: not seen yet in this game
  float lastAge = -1.0f;  // the game's time at the last look
  std::string nearest;  // what could hit the ship the frame before
};
