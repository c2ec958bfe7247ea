// The program's entry point: everything it does is RunProgram's.

#include "game/GameSettings.h"
#include "game/Program.h"
#include "platform/win32/Windows.h"

GameSettings gameSettings;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunProgram(); }

int main() { return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWDEFAULT); }
