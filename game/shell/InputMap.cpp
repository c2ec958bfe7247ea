#include "game/shell/InputMap.h"

#include "platform/win32/Windows.h"

namespace {

bool Held(int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }
bool Held(uint32_t key) { return Held(int(key)); }

// A key going down, not its repeats.
bool FirstPress(const MSG& message) { return message.message == WM_KEYDOWN && !(message.lParam & (1 << 30)); }

}  // namespace

InputMap::InputMap(const GameSettings& s)
    : up(s.keyUp), down(s.keyDown), left(s.keyLeft), right(s.keyRight), fire(s.keyFire), fill(s.keyFillEnergy) {}

PlayCommand InputMap::Sample() const {
  PlayCommand c;
  c.up = Held(up) || Held(VK_GAMEPAD_DPAD_UP) || Held(VK_GAMEPAD_LEFT_THUMBSTICK_UP);
  c.down = Held(down) || Held(VK_GAMEPAD_DPAD_DOWN) || Held(VK_GAMEPAD_LEFT_THUMBSTICK_DOWN);
  c.left = Held(left) || Held(VK_GAMEPAD_DPAD_LEFT) || Held(VK_GAMEPAD_LEFT_THUMBSTICK_LEFT);
  c.right = Held(right) || Held(VK_GAMEPAD_DPAD_RIGHT) || Held(VK_GAMEPAD_LEFT_THUMBSTICK_RIGHT);
  c.fire = Held(fire) || Held(VK_GAMEPAD_A);
  c.fill = Held(fill) || Held(VK_GAMEPAD_B);
  return c;
}

bool InputMap::IsPause(const MSG& message) const {
  if (!FirstPress(message)) return false;
  switch (message.wParam) {
    case VK_PAUSE:
    case VK_GAMEPAD_MENU: return true;
    case 'P':
      for (uint32_t key : {fire, fill, up, down, right, left})
        if (key == 'P') return false;
      return true;
    default: return false;
  }
}

bool InputMap::IsBack(const MSG& message) const {
  return message.message == WM_KEYDOWN && (message.wParam == VK_ESCAPE || message.wParam == VK_GAMEPAD_VIEW);
}

MenuAction InputMap::MenuActionOf(const MSG& message) const {
  if (message.message != WM_KEYDOWN) return MenuAction::None;
  switch (message.wParam) {
    case VK_UP:
    case VK_GAMEPAD_DPAD_UP:
    case VK_GAMEPAD_LEFT_THUMBSTICK_UP: return MenuAction::Up;
    case VK_DOWN:
    case VK_GAMEPAD_DPAD_DOWN:
    case VK_GAMEPAD_LEFT_THUMBSTICK_DOWN: return MenuAction::Down;
    case VK_RETURN:
    case VK_GAMEPAD_MENU: return MenuAction::Select;
    case VK_ESCAPE:
    case VK_GAMEPAD_VIEW: return MenuAction::Back;
    default: return MenuAction::None;
  }
}
