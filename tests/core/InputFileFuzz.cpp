// Drives InputFile with a file and a sequence of reads, both taken from the input:
// the first byte counts the reads, each read size is one byte, the rest is the file.

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "core/Exception.h"
#include "core/File.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t reads = data[0] % 32;
  if (size < 1 + reads) return 0;
  static const std::string path = "/tmp/kor_inputfile_fuzz_" + std::to_string(::getpid());
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return 0;
  std::fwrite(data + 1 + reads, 1, size - 1 - reads, out);
  std::fclose(out);

  KOR::InputFile input;
  if (!input.Open(path.c_str(), 0)) return 0;
  uint8_t buffer[256];
  size_t total = 0;
  for (size_t i = 0; i < reads; ++i) {
    try {
      input.Read(buffer, data[1 + i]);
      total += data[1 + i];
    } catch (const KOR::Exception&) {
      // Only a read past the end may fail.
      if (total + data[1 + i] <= size - 1 - reads) __builtin_trap();
    }
  }
  return 0;
}
