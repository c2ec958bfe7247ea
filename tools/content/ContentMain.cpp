// zubra-content SOURCE FONTS OUT GROUP...: builds the game's own files into OUT from the
// sources in SOURCE (the content folder) and the DejaVu fonts in FONTS. Groups: meshes,
// textures, ui, sounds, music, level, resources (the dialog badge and the window icon
// as C++ headers, and the desktop icons as PNG). Every run writes the same bytes.
//
//   exit 0  every file of the groups written
//   exit 1  a source is wrong or a file could not be written (the reason on stderr)
//   exit 2  wrong usage
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "tools/content/Audio.h"
#include "tools/content/LevelScene.h"
#include "tools/content/Models.h"
#include "tools/content/Textures.h"
#include "tools/content/Ui.h"
#include "tools/scene/SceneWriters.h"
#include "tools/ToolHelp.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), {}};
}

void Write(const std::string& folder, const std::string& name, const std::vector<uint8_t>& bytes) {
  if (!KOR::WriteFileBytes(folder + "/" + name, bytes)) throw std::runtime_error("cannot write " + folder + "/" + name);
}

void Write(const std::string& folder, const std::vector<Content::NamedFile>& files) {
  for (const Content::NamedFile& f : files) Write(folder, f.file, f.bytes);
}

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

const char* const kHelp =
    "Usage: zubra-content SOURCE FONTS OUT GROUP...\n"
    "Builds the game's own files into OUT from the content folder SOURCE and the DejaVu fonts\n"
    "in FONTS; the same sources give the same bytes. Groups: meshes, textures, ui, sounds,\n"
    "music, level, resources (the dialog's badge, the window icon and the desktop icons).\n"
    "\n"
    "Exit status: 0 every file written; 1 a source is wrong or a file not written; 2 wrong usage.\n";

int main(int argc, char** argv) {
  if (AsksForHelp(argc, argv)) return ShowHelp(kHelp);
  if (argc < 5) {
    std::fprintf(stderr, "usage: zubra-content SOURCE FONTS OUT meshes|textures|ui|sounds|music|level|resources...\n");
    return 2;
  }
  const std::string source = argv[1], fonts = argv[2], out = argv[3];
  const std::set<std::string> known = {"meshes", "textures", "ui", "sounds", "music", "level", "resources"};
  for (int i = 4; i < argc; ++i)
    if (!known.count(argv[i])) {
      std::fprintf(stderr, "zubra-content: unknown group %s\n", argv[i]);
      return 2;
    }
  try {
    for (int i = 4; i < argc; ++i) {
      const std::string group = argv[i];
      if (group == "meshes") {
        for (const Content::NamedMesh& m : Content::AllMeshes()) Write(out, m.file, KOR::WriteMesh3DF(m.mesh));
      } else if (group == "textures") {
        Write(out, Content::ModelTextures());
        Write(out, Content::SceneryTextures());
        Write(out, Content::EffectTextures());
        Write(out, Content::SkyTextures());
      } else if (group == "ui") {
        Write(out, Content::HudTextures());
        Write(out, Content::MenuTextures(fonts));
        Write(out, "text.kor.texture", Content::GlyphFont(fonts).EngineTexture(16));
      } else if (group == "sounds") {
        Write(out, Content::SoundEffects());
      } else if (group == "music") {
        for (const char* name : {"action", "boss", "menu"}) {
          const Content::Song song = Content::ParseSong(ReadText(source + "/music/" + name + ".song"));
          const int kbps = song.loop ? 48 : 32;
          Write(out, std::string(name) + ".mp3",
                Content::EncodeMp3(Content::RenderSong(song, Content::kSampleRate), Content::kSampleRate, kbps));
        }
      } else if (group == "level") {
        Write(out, "zubra_level1.kor.scene",
              KOR::WriteSceneFile(Content::BuildLevelScene(ReadText(source + "/scene/zubra_level1.txt"))));
        Write(out, "score.zub.score", Content::ScoreFile(ReadText(source + "/scores/score.txt")));
        Write(out, "level.zub.script", Bytes(ReadText(source + "/level/level.zub.script")));
      } else if (group == "resources") {
        const Content::Image badge = Content::ReverbBadge(fonts), icon = Content::WindowIcon();
        Write(out, "ReverbBadge.h", Bytes(Content::PixelHeader(badge, "ReverbBadge")));
        Write(out, "WindowIcon.h", Bytes(Content::PixelHeader(icon, "WindowIcon")));
        Write(out, "reverb_badge.tga", badge.Tga(false));
        Write(out, "window_icon.tga", icon.Tga(true));
        // The desktop's icons, one per size its icon theme looks for.
        for (int size : Content::kDesktopIconSizes)
          Write(out, "zubra2_" + std::to_string(size) + ".png", Content::WindowIcon(size).Png());
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zubra-content: %s\n", e.what());
    return 1;
  }
  return 0;
}
