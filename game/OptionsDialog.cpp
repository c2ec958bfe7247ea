#include "game/OptionsDialog.h"

#include <cmath>
#include <iterator>

#include "platform/win32/Win32Resources.h"
#include "platform/win32/Windows.h"

namespace {

enum ControlId : WORD {
  kGo = 1,
  kExit = 2,
  kResolution = 1000,
  kPerVertex = 1002,
  kPerPixel = 1003,
  kSpecular = 1004,
  kGlow = 1005,
  kFiltering = 1006,
  kDriver = 1007,
  kReverb = 1008,
  kKeyLeft = 1009,
  kKeyUp = 1010,
  kKeyDown = 1011,
  kKeyRight = 1012,
  kKeyFire = 1013,
  kKeyFillEnergy = 1014,
  kPlayerName = 1015,
};

constexpr WORD kDialogResource = 101;
constexpr WORD kReverbBitmap = 104;

constexpr DWORD kVisible = WS_VISIBLE;
constexpr DWORD kCombo = WS_VISIBLE | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kBox = WS_VISIBLE | BS_GROUPBOX;

const DialogItemTemplate kItems[] = {
    {"BUTTON", "Go!!", kGo, kVisible | BS_DEFPUSHBUTTON | WS_TABSTOP, 294, 175, 60, 15},
    {"BUTTON", "Exit", kExit, kVisible | BS_PUSHBUTTON | WS_TABSTOP, 210, 175, 67, 15},
    {"COMBOBOX", "", kResolution, kCombo, 18, 19, 127, 115},
    {"STATIC", "Resolution", 0xFFFF, kVisible | SS_LEFT, 7, 11, 34, 8},
    {"BUTTON", "", 0xFFFF, kBox, 18, 46, 127, 29},
    {"BUTTON", "", 0xFFFF, kBox, 18, 91, 127, 78},
    {"BUTTON", "Per vertex lighting", kPerVertex, kVisible | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 18, 36, 72, 10},
    {"BUTTON", "Per pixel lighting", kPerPixel, kVisible | BS_AUTORADIOBUTTON, 18, 81, 67, 10},
    {"STATIC", "For low end computers.", 0xFFFF, kVisible | SS_LEFT | WS_GROUP, 28, 57, 74, 8},
    {"STATIC",
     "Need a fast computer and at least a shader model 2 graphics board (geforceFX5200 or radeon 9500 or better)",
     0xFFFF, kVisible | SS_LEFT, 28, 100, 113, 36},
    {"BUTTON", "Specular lighting", kSpecular, kVisible | BS_AUTOCHECKBOX | WS_DISABLED | WS_TABSTOP, 28, 138, 68, 10},
    {"BUTTON", "Glow effects", kGlow, kVisible | BS_AUTOCHECKBOX | WS_DISABLED | WS_TABSTOP, 28, 151, 55, 10},
    {"BUTTON", "Hight quality filtering (anisotropic and  antialising)", kFiltering,
     BS_AUTOCHECKBOX | BS_MULTILINE | WS_DISABLED | WS_TABSTOP, 28, 151, 110, 18},
    {"BUTTON", "Sound", 0xFFFF, kBox, 200, 91, 115, 78},
    {"STATIC", "Driver", 0xFFFF, kVisible | SS_LEFT, 212, 105, 20, 8},
    {"COMBOBOX", "", kDriver, kCombo, 212, 117, 84, 62},
    {"BUTTON", "", kReverb, kVisible | BS_AUTOCHECKBOX | WS_TABSTOP, 212, 146, 16, 8},
    {"STATIC", MAKEINTRESOURCEA(kReverbBitmap), 0xFFFF, kVisible | SS_BITMAP, 229, 143, 57, 20},
    {"BUTTON", "Buttons", 0xFFFF, kBox, 154, 6, 200, 85},
    {"COMBOBOX", "", kKeyFire, kCombo, 164, 40, 37, 123},
    // Enabled, so the fill-energy key can be chosen like the others.
    {"COMBOBOX", "", kKeyFillEnergy, kCombo, 200, 40, 37, 123},
    {"COMBOBOX", "", kKeyUp, kCombo, 277, 27, 38, 135},
    {"COMBOBOX", "", kKeyLeft, kCombo, 240, 40, 37, 123},
    {"COMBOBOX", "", kKeyDown, kCombo, 277, 54, 38, 109},
    {"COMBOBOX", "", kKeyRight, kCombo, 315, 40, 36, 123},
    {"STATIC", "Fire", 0xFFFF, kVisible | SS_LEFT, 164, 30, 12, 8},
    {"STATIC", "Fill Energy", 0xFFFF, kVisible | SS_LEFT, 200, 29, 33, 8},
    {"EDIT", "", kPlayerName, kVisible | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 164, 68, 106, 14},
    {"STATIC", "Player name", 0xFFFF, kVisible | SS_LEFT, 164, 60, 40, 8},
};

const DialogTemplate kDialog = {
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER,
    0, 0, 361, 197, "Zubra 2 Options", "MS Sans Serif", 8, kItems, std::size(kItems)};

// Our own reverb badge beside the check box: sound waves spreading from a speaker.
constexpr int kBadgeWidth = 86;
constexpr int kBadgeHeight = 32;
uint32_t badgePixels[kBadgeWidth * kBadgeHeight];
const BitmapResource kBadge = {kBadgeWidth, kBadgeHeight, badgePixels};

void PaintBadge() {
  for (int y = 0; y < kBadgeHeight; ++y) {
    for (int x = 0; x < kBadgeWidth; ++x) {
      float dx = float(x - 14), dy = float(y - 16);
      float distance = std::sqrt(dx * dx + dy * dy);
      bool speaker = x >= 8 && x <= 14 && std::fabs(dy) <= 3 + (x - 8) * 0.9f;
      bool wave = dx > 0 && std::fabs(std::fmod(distance, 9.0f) - 4.5f) < 1.2f && std::fabs(dy) < dx * 1.1f;
      float fade = 1.0f - float(x) / kBadgeWidth;
      uint32_t colour = 0xFF102040;  // night blue
      if (wave) {
        auto level = uint32_t(120 + 135 * fade);
        colour = 0xFF000000 | (level / 3) << 16 | level << 8 | 255;
      }
      if (speaker) colour = 0xFFF0F0F0;
      badgePixels[y * kBadgeWidth + x] = colour;
    }
  }
}

bool cancelled = true;

INT_PTR CALLBACK OptionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      PostQuitMessage(0);
      cancelled = lParam == 0;
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kGo:
          SendMessageA(dialog, WM_CLOSE, 0, 1);
          break;
        case kExit:
          SendMessageA(dialog, WM_CLOSE, 0, 0);
          break;
        case kPerVertex:
          for (int id : {kSpecular, kGlow, kFiltering}) EnableWindow(GetDlgItem(dialog, id), FALSE);
          break;
        case kPerPixel:
          for (int id : {kSpecular, kGlow, kFiltering}) EnableWindow(GetDlgItem(dialog, id), TRUE);
          break;
        default:
          break;
      }
      return TRUE;
    default:
      return FALSE;
  }
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void SetUp(HWND dialog, const OptionsChoices& choices) {
  CheckDlgButton(dialog, kSpecular, BST_CHECKED);
  CheckDlgButton(dialog, kGlow, BST_CHECKED);
  bool perPixelPossible = choices.pixelShaderVersion >= 20;
  CheckDlgButton(dialog, perPixelPossible ? kPerPixel : kPerVertex, BST_CHECKED);
  for (int id : {kSpecular, kGlow, kFiltering}) EnableWindow(GetDlgItem(dialog, id), perPixelPossible);
  if (!perPixelPossible) EnableWindow(GetDlgItem(dialog, kPerPixel), FALSE);

  const std::pair<int, int> keyCombos[] = {{kKeyFire, 0},  {kKeyFillEnergy, 18}, {kKeyUp, 26},
                                           {kKeyDown, 27}, {kKeyRight, 28},      {kKeyLeft, 29}};
  for (auto [id, selected] : keyCombos) {
    for (const char* name : kKeyNames) SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, WPARAM(selected), 0);
  }
  SetWindowTextA(GetDlgItem(dialog, kPlayerName), "Player");

  // The last mode no taller than 480 lines; the first when there is none.
  int lowMode = 0;
  for (size_t i = 0; i < choices.displayModes.size(); ++i) {
    std::string text = DisplayModeText(choices.displayModes[i]);
    SendDlgItemMessageA(dialog, kResolution, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (choices.displayModes[i].height <= 480) lowMode = int(i);
  }
  SendDlgItemMessageA(dialog, kResolution, CB_SETCURSEL, WPARAM(lowMode), 0);

  for (const std::string& driver : choices.soundDrivers)
    SendDlgItemMessageA(dialog, kDriver, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(driver.c_str()));
  SendDlgItemMessageA(dialog, kDriver, CB_SETCURSEL, 0, 0);
  CheckDlgButton(dialog, kReverb, choices.firstDriverHasEax ? BST_CHECKED : BST_UNCHECKED);
}

uint32_t KeyOf(HWND dialog, int id) {
  return KeyOfIndex(int(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0)));
}

void ReadOut(HWND dialog, const OptionsChoices& choices, GameSettings& settings) {
  // A list without a selection (no display modes at all) keeps the default resolution.
  auto mode = SendDlgItemMessageA(dialog, kResolution, CB_GETCURSEL, 0, 0);
  if (mode >= 0 && size_t(mode) < choices.displayModes.size()) {
    settings.screenWidth = choices.displayModes[mode].width;
    settings.screenHeight = choices.displayModes[mode].height;
  }
  bool perPixel = Checked(dialog, kPerPixel);
  settings.perPixelLighting = perPixel;
  settings.specularLighting = Checked(dialog, kSpecular) && perPixel;
  settings.glowEffects = Checked(dialog, kGlow) && perPixel;
  settings.highQualityFiltering = Checked(dialog, kFiltering) && perPixel;

  char driver[256];
  GetWindowTextA(GetDlgItem(dialog, kDriver), driver, sizeof driver);
  settings.soundDriver = driver;
  settings.eaxReverb = Checked(dialog, kReverb);

  settings.keyFire = KeyOf(dialog, kKeyFire);
  settings.keyFillEnergy = KeyOf(dialog, kKeyFillEnergy);
  settings.keyUp = KeyOf(dialog, kKeyUp);
  settings.keyDown = KeyOf(dialog, kKeyDown);
  settings.keyRight = KeyOf(dialog, kKeyRight);
  settings.keyLeft = KeyOf(dialog, kKeyLeft);

  char name[16];
  GetWindowTextA(GetDlgItem(dialog, kPlayerName), name, sizeof name);
  settings.playerName = name;
}

}  // namespace

const char* const kKeyNames[31] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K",
                                   "L", "M", "N", "O", "P", "Q", "R", "S", "T", "U", "V",
                                   "W", "X", "Y", "Z", "Up", "Down", "Right", "Left", "Space"};

uint32_t KeyOfIndex(int index) {
  if (index >= 0 && index <= 25) return uint32_t(0x41 + index);
  switch (index) {
    case 26: return 0x26;
    case 27: return 0x28;
    case 28: return 0x27;
    case 29: return 0x25;
    default: return 0x20;
  }
}

std::string DisplayModeText(const DisplayMode& mode) {
  float aspect = float(mode.width) / float(mode.height);
  const char* suffix = ")";
  if (aspect == 4.0f / 3.0f)
    suffix = ",     4:3)";
  else if (aspect == 5.0f / 3.0f)
    suffix = ",     5:3)";
  else if (aspect == 16.0f / 9.0f)
    suffix = ",     16:9)";
  else if (aspect == 16.0f / 10.0f)
    suffix = ",     16:10)";
  return std::to_string(mode.width) + " x " + std::to_string(mode.height) + "   (" +
         std::to_string(mode.refreshRate) + " Hz" + suffix;
}

void RegisterOptionsResources() {
  PaintBadge();
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterDialogResource(instance, MAKEINTRESOURCEA(kDialogResource), &kDialog);
  RegisterBitmapResource(instance, MAKEINTRESOURCEA(kReverbBitmap), &kBadge);
}

bool RunOptionsDialog(const OptionsChoices& choices, GameSettings& settings) {
  cancelled = true;
  HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kDialogResource), nullptr,
                                   OptionsProc, 0);
  if (!dialog) return false;
  SetUp(dialog, choices);
  ShowWindow(dialog, SW_SHOW);
  UpdateWindow(dialog);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (!cancelled) ReadOut(dialog, choices, settings);
  DestroyWindow(dialog);
  return !cancelled;
}
