#pragma once
// The one place that decides whether the player asked to pause or resume a game.

#include "game/GameSettings.h"
#include "platform/win32/Windows.h"

// True for the first press (not a held key's repeats) of P, the Pause key or a pad's
// Start. P counts only while it is none of the player's six keys, which it would
// otherwise steal. Call it on the message PeekMessageA has just returned: the pad is
// told from the keyboard by GetMessageExtraInfo.
bool PausePressed(const MSG& message, const GameSettings& settings);
