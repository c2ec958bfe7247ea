#include "graphics/TextureObject.h"

#include "core/Exception.h"
#include "core/File.h"
#include "graphics/Device.h"
#include "graphics/RenderSystem.h"
#include "graphics/Texture.h"
#include "graphics/TextureFormats.h"

namespace KOR {
namespace {

[[noreturn]] void UnknownFormat() {
  throw Exception("KOR Graphics (TextureObject)", "Unknown file format",
                  "The file format is unknown. The engine supports DDS, TGA and JPG only");
}

// Makes a 32-bit mipmapped texture of the given size and lets decode fill level 0. The
// size is checked before the device makes anything; a throw destroys what was made.
// Without a device, or when it makes nothing, the result is null.
template <typename Decode>
Texture2D* MakeTexture(Device* device, int32_t width, int32_t height, Decode&& decode) {
  Texture2D::CheckSize(width, height);
  if (int64_t(width) * height * 4 > kMaxImageBytes) UnknownFormat();
  if (!device) return nullptr;
  Texture2D* texture = device->CreateTexture2D();
  if (!texture) return nullptr;
  try {
    texture->Create(PixelFormats::A8R8G8B8, TextureUsages::Ordinary, width, height, true);
    decode(texture->GetLevel(0)->data);
    texture->Update();
  } catch (...) {
    device->DestroyObject(texture);
    throw;
  }
  return texture;
}

}  // namespace

TextureObject::~TextureObject() { Release(); }

void TextureObject::LoadFile(const char* name) {
  File file;
  if (file.Open(name, 0) && file.GetData()) LoadFromMemory(file.GetData(), file.GetSize());
}

void TextureObject::LoadFromMemory(const uint8_t* data, uint32_t size) {
  static const uint8_t kNothing = 0;
  if (!data) {
    data = &kNothing;
    size = 0;
  }
  Device* maker = CurrentDevice();

  EngineTextureView engine;
  switch (ParseEngineTexture(data, size, engine)) {
    case ReadResult::Accepted:
      Install(MakeTexture(maker, engine.header.width, engine.header.height,
                          [&](uint8_t* pixels) { DecodeEngineTexture(engine, pixels); }),
              maker);
      return;
    case ReadResult::Malformed: UnknownFormat();
    case ReadResult::NotThisFormat: break;
  }
  // DDS would be read here; without a decoder its place declines every input.
  TgaView tga;
  switch (ParseTga(data, size, tga)) {
    case ReadResult::Accepted:
      Install(MakeTexture(maker, tga.header.width, tga.header.height,
                          [&](uint8_t* pixels) { DecodeTga(tga, pixels); }),
              maker);
      return;
    case ReadResult::Malformed: UnknownFormat();
    case ReadResult::NotThisFormat: break;
  }
  // And JPG here, declining likewise.
  UnknownFormat();
}

void TextureObject::Install(Texture2D* fresh, Device* maker) {
  if (!fresh) return;
  Release();
  texture = fresh;
  device = maker;
}

void TextureObject::Release() {
  if (texture && device) device->DestroyObject(texture);
  texture = nullptr;
  device = nullptr;
}

}  // namespace KOR
