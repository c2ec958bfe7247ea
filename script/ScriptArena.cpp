#include "script/ScriptArena.h"

#include <cstdint>
#include <cstring>

namespace Script {

void* ScriptArena::Allocate(std::size_t size, std::size_t align) {
  std::size_t padding = (align - reinterpret_cast<std::uintptr_t>(cursor) % align) % align;
  if (padding + size > left) {
    // Oversized requests get a block of their own so the current one keeps its room.
    std::size_t bytes = size > blockSize / 4 ? size : blockSize;
    blocks.push_back(std::make_unique_for_overwrite<std::byte[]>(bytes));
    reserved += bytes;
    std::byte* block = blocks.back().get();
    if (bytes != blockSize) return block;
    cursor = block;
    left = bytes;
    padding = 0;
  }
  std::byte* result = cursor + padding;
  cursor = result + size;
  left -= padding + size;
  return result;
}

const char* ScriptArena::CopyText(const char* text, std::size_t size) {
  char* copy = static_cast<char*>(Allocate(size + 1, 1));
  std::memcpy(copy, text, size);
  copy[size] = '\0';
  return copy;
}

}  // namespace Script
