#pragma once
// The two environments the game uses, FMOD 3's room and auditorium presets.

#include "platform/fmod/Fmod.h"

namespace KOR {

// Set at start-up.
inline constexpr FSOUND_REVERB_PROPERTIES kRoomReverb = {
    2, 1.9f, 1.0f, -1000, -454, 0, 0.4f, 0.83f, 1.0f, -1646, 0.002f, {0.0f, 0.0f, 0.0f},
    53, 0.003f, {0.0f, 0.0f, 0.0f}, 0.25f, 0.0f, 0.25f, 0.0f, -5.0f, 5000.0f, 250.0f, 0.0f,
    100.0f, 100.0f, 0x3F};

// Set when a game starts.
inline constexpr FSOUND_REVERB_PROPERTIES kAuditoriumReverb = {
    6, 21.6f, 1.0f, -1000, -476, 0, 4.32f, 0.59f, 1.0f, -789, 0.02f, {0.0f, 0.0f, 0.0f},
    -289, 0.03f, {0.0f, 0.0f, 0.0f}, 0.25f, 0.0f, 0.25f, 0.0f, -5.0f, 5000.0f, 250.0f, 0.0f,
    100.0f, 100.0f, 0x3F};

}  // namespace KOR
