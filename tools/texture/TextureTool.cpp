// zubra-texture INPUT OUTPUT [--depth 24|32]: reads a PNG or TGA image and writes it as
// the engine loads it, a palettized `.kor.texture` (one entry per distinct colour) or an
// uncompressed TGA (depth 32 unless told otherwise), chosen by OUTPUT's ending.
//
//   exit 0  written
//   exit 1  the image cannot be read or converted (the reason on stderr)
//   exit 2  wrong usage
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>

#include <stb_image.h>

#include "graphics/Surface.h"
#include "graphics/TextureFormats.h"
#include "tools/ToolHelp.h"

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "zubra-texture: %s\n", message.c_str());
  return 1;
}

int Usage() {
  std::fprintf(stderr, "usage: zubra-texture INPUT.png|INPUT.tga OUTPUT.kor.texture|OUTPUT.tga [--depth 24|32]\n");
  return 2;
}

}  // namespace

const char* const kHelp =
    "Usage: zubra-texture INPUT.png|INPUT.tga OUTPUT.kor.texture|OUTPUT.tga [--depth 24|32]\n"
    "Writes an image as the engine loads it: a palettized .kor.texture (one palette entry per\n"
    "distinct colour) or an uncompressed TGA (32 bits unless --depth 24), by OUTPUT's ending.\n"
    "\n"
    "Exit status: 0 written; 1 the image cannot be read or converted; 2 wrong usage.\n";

int main(int argc, char** argv) {
  if (AsksForHelp(argc, argv)) return ShowHelp(kHelp);
  if (argc != 3 && argc != 5) return Usage();
  std::string input = argv[1], output = argv[2];
  int depth = 32;
  if (argc == 5) {
    if (std::strcmp(argv[3], "--depth") != 0) return Usage();
    depth = std::atoi(argv[4]);
    if (depth != 24 && depth != 32) return Usage();
  }
  bool engineTexture = EndsWith(output, ".kor.texture");
  if (!engineTexture && !EndsWith(output, ".tga")) return Usage();

  int width = 0, height = 0, channels = 0;
  unsigned char* rgba = stbi_load(input.c_str(), &width, &height, &channels, 4);
  if (!rgba) return Fail(input + ": " + stbi_failure_reason());
  KOR::ArgbImage image{width, height, {}};
  image.pixels.reserve(size_t(width) * size_t(height));
  for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
    const unsigned char* p = rgba + 4 * i;
    image.pixels.push_back(uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
  }
  stbi_image_free(rgba);
  // The engine refuses other sizes when it loads the file; say so now instead.
  if (!KOR::IsPowerOfTwoSize(width) || !KOR::IsPowerOfTwoSize(height))
    return Fail(input + ": " + std::to_string(width) + " x " + std::to_string(height) +
                " is not a power of two in each dimension");

  std::vector<uint8_t> bytes;
  try {
    if (engineTexture) {
      KOR::EngineTextureImage palettized = KOR::Palettize(image);
      if (palettized.bitsPerIndex == 0) return Fail(input + ": more colours than 32-bit indices can tell apart");
      bytes = KOR::WriteEngineTexture(palettized);
      std::printf("%s: %d x %d, %zu colours, %d bits per index\n", output.c_str(), width, height,
                  palettized.palette.size(), palettized.bitsPerIndex);
    } else {
      bytes = KOR::WriteTga(image, depth);
    }
  } catch (const std::exception& e) {
    return Fail(input + ": " + e.what());
  }
  std::ofstream out(output, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  out.close();
  if (!out) return Fail(output + ": cannot write");
  return 0;
}
