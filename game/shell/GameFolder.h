#pragma once
// Where the game's data lies, so it runs from any folder and any install prefix: its file
// names (assets/..., shaders/...) are relative to that folder.

#include <string>

// The folder holding assets/ for an executable at that path: its own folder (the build's
// dist/), else share/zubra2 beside the bin/ or games/ folder it was installed into. Empty
// when neither holds assets/.
std::string GameDataFolder(const std::string& executable);

// Makes the running executable's data folder the working directory. False, leaving the
// working directory as it is, when there is none.
bool EnterGameFolder();
