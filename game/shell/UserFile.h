#pragma once
// Files the player owns, outside the game's folder: where the XDG base directories put
// them, and a write that cannot leave half a file behind.

#include <string>

// $variable/zubra2/name when the variable holds an absolute path, else
// $HOME/homeFallback/zubra2/name; empty when neither is usable.
std::string UserFilePath(const char* variable, const char* homeFallback, const char* name);

// Writes bytes to a temporary file beside path, flushes it to the disk and renames it over
// path, making the folder when it is missing: a crash leaves the old file or the new one.
// False with the reason in error when it cannot.
bool ReplaceFileContents(const std::string& path, const std::string& bytes, std::string& error);
