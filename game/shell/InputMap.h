#pragma once
// The keyboard and the pads, turned into the game's actions: the keys the player chose in
// the dialog and the pad's controls steer, fire and fill; the menu, pause and leaving have
// fixed keys and pad buttons. The platform layer knows keys and pads; this is the one
// place that knows what they mean.

#include <cstdint>

#include "game/gameplay/PlayCommand.h"
#include "game/shell/GameSettings.h"

struct MSG;

enum class MenuAction { None, Up, Down, Select, Back };

class InputMap {
public:
  explicit InputMap(const GameSettings& settings);

  // What is held now, sampled once per frame.
  PlayCommand Sample() const;
  // True for the first press (not a held key's repeats) of P, Pause or a pad's Start. P
  // counts only while it is none of the player's six keys, which it would otherwise steal.
  bool IsPause(const MSG& message) const;
  // Escape or a pad's Back: leave the game or the menu.
  bool IsBack(const MSG& message) const;
  // A key message's meaning on the menu and the high-score screen.
  MenuAction MenuActionOf(const MSG& message) const;

private:
  uint32_t up, down, left, right, fire, fill;
};
