#pragma once
// Whole files in memory. File loads a file in one read into a buffer it owns (with one
// zero byte after the data, so text can be used as a C string); InputFile reads it
// sequentially with a cursor that never leaves the data.

#include <cstdint>
#include <string>

namespace KOR {

class File {
public:
  File();
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Mode 0 loads the whole file. False when it cannot be opened or read in full (the
  // object stays empty) and for any other mode; throws when data is already loaded.
  bool Open(const char* name, int mode);
  // The loaded bytes followed by a zero byte, or null.
  const uint8_t* GetData() const { return data; }
  uint32_t GetSize() const { return size; }

private:
  uint8_t* data = nullptr;
  uint32_t size = 0;
};

class InputFile {
public:
  InputFile();
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Loads the file; throws when this object was opened before.
  bool Open(const char* name, int mode);
  // Copies count bytes at the cursor and advances it; throws, copying nothing, when the
  // file is not open or fewer than count bytes are left.
  void Read(void* destination, uint32_t count);

private:
  bool opened = false;
  File file;
  uint32_t position = 0;
  std::string name;
};

}  // namespace KOR
