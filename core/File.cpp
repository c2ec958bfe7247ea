#include "core/File.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "core/Exception.h"

namespace KOR {

namespace {
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
}  // namespace

File::File() = default;

File::~File() { delete[] data; }

bool File::Open(const char* name, int mode) {
  if (data) throw Exception("KOR CORE (File)", "File already opened", name ? name : "");
  if (mode != 0 || !name) return false;

  std::unique_ptr<std::FILE, FileCloser> stream(std::fopen(name, "rb"));
  if (!stream) return false;
  if (std::fseek(stream.get(), 0, SEEK_END) != 0) return false;
  long end = std::ftell(stream.get());
  if (end < 0 || std::fseek(stream.get(), 0, SEEK_SET) != 0) return false;
  // The size and its terminating zero must fit the 32-bit count.
  if (static_cast<unsigned long>(end) >= std::numeric_limits<uint32_t>::max()) return false;

  auto count = static_cast<uint32_t>(end);
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size_t(count) + 1]);
  if (!buffer) return false;
  if (count > 0 && std::fread(buffer.get(), 1, count, stream.get()) != count) return false;
  buffer[count] = 0;
  data = buffer.release();
  size = count;
  return true;
}

InputFile::InputFile() = default;

InputFile::~InputFile() = default;

bool InputFile::Open(const char* fileName, int mode) {
  if (opened) throw Exception("KOR CORE (InputFile)", "File already opened", "Cannot reOpen a file");
  name = fileName ? fileName : "";
  bool loaded = file.Open(fileName, mode);
  if (loaded) opened = true;
  return loaded;
}

void InputFile::Read(void* destination, uint32_t count) {
  if (!opened) throw Exception("KOR CORE (InputFile)", "File not opened: " + name, "Cannot Read a closed file");
  // A truncated file is reported, never half-read.
  if (uint64_t(position) + count > file.GetSize())
    throw Exception("KOR CORE (InputFile)", "Read past end of file", name);
  if (count == 0) return;
  std::memcpy(destination, file.GetData() + position, count);
  position += count;
}

}  // namespace KOR
