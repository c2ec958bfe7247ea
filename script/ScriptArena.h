#pragma once
// Owner of one loaded script's syntax tree and strings. Nodes and texts are
// carved from large blocks and freed all at once with the arena, so a loader
// never tracks them one by one and a failed load leaks nothing.

#include <cstddef>
#include <memory>
#include <vector>

namespace Script {

class ScriptArena {
public:
  ScriptArena() = default;
  ScriptArena(const ScriptArena&) = delete;
  ScriptArena& operator=(const ScriptArena&) = delete;

  // Uninitialised storage that lives as long as the arena; align is a power of
  // two no larger than alignof(std::max_align_t). Throws std::bad_alloc.
  void* Allocate(std::size_t size, std::size_t align);

  // A NUL-terminated copy of size bytes (which may contain NUL bytes).
  const char* CopyText(const char* text, std::size_t size);

  std::size_t BytesReserved() const { return reserved; }

private:
  static constexpr std::size_t blockSize = 64 * 1024;

  std::vector<std::unique_ptr<std::byte[]>> blocks;
  std::byte* cursor = nullptr;
  std::size_t left = 0;
  std::size_t reserved = 0;
};

}  // namespace Script
