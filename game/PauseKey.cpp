#include "game/PauseKey.h"

#include "platform/win32/Gamepad.h"

bool PausePressed(const MSG& message, const GameSettings& settings) {
  if (message.message != WM_KEYDOWN || (message.lParam & (1 << 30))) return false;
  switch (message.wParam) {
    case VK_PAUSE: return true;
    case VK_RETURN: return GetMessageExtraInfo() == kGamepadMessageSignature;
    case 'P':
      for (uint32_t key : {settings.keyFire, settings.keyFillEnergy, settings.keyUp, settings.keyDown,
                           settings.keyRight, settings.keyLeft})
        if (key == 'P') return false;
      return true;
    default: return false;
  }
}
