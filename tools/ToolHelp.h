#pragma once
// --help for every tool: the tool's text on standard output and status 0, before any
// other argument is looked at.

#include <cstdio>
#include <cstring>

inline bool AsksForHelp(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) return true;
  return false;
}

inline int ShowHelp(const char* text) {
  std::fputs(text, stdout);
  return 0;
}
