#include "game/shell/UserOptions.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/DebugConsole.h"
#include "game/shell/OptionsDialog.h"
#include "game/shell/UserFile.h"

namespace {

constexpr size_t kLongestName = 15, kLongestDriver = 255;
constexpr uint32_t kLargestSide = 16384;

std::string_view Trim(std::string_view text) {
  const char* blanks = " \t\r";
  size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool Printable(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) { return (unsigned char)c < 0x20 || c == 0x7F; });
}

std::optional<bool> Switch(std::string_view value) {
  if (value == "on") return true;
  if (value == "off") return false;
  return std::nullopt;
}

std::optional<uint32_t> Side(std::string_view text) {
  text = Trim(text);
  uint32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > kLargestSide)
    return std::nullopt;
  return value;
}

bool Resolution(std::string_view value, RememberedOptions& out) {
  size_t cross = value.find_first_of("xX");
  if (cross == std::string_view::npos) return false;
  auto width = Side(value.substr(0, cross)), height = Side(value.substr(cross + 1));
  if (!width || !height) return false;
  out.screenWidth = width, out.screenHeight = height;
  return true;
}

// The virtual key of a key list entry's name, in any case.
std::optional<uint32_t> Key(std::string_view value) {
  for (int i = 0; i < int(std::size(kKeyNames)); ++i) {
    std::string_view name = kKeyNames[i];
    if (name.size() == value.size() &&
        std::equal(name.begin(), name.end(), value.begin(),
                   [](char a, char b) { return std::tolower((unsigned char)a) == std::tolower((unsigned char)b); }))
      return KeyOfIndex(i);
  }
  return std::nullopt;
}

template <typename T>
bool Keep(std::optional<T>& field, std::optional<T> value) {
  if (!value) return false;
  field = std::move(value);
  return true;
}

bool Text(std::optional<std::string>& field, std::string_view value, size_t longest) {
  if (value.size() > longest || !Printable(value)) return false;
  field = std::string(value);
  return true;
}

// One "key = value" line into the record; false when the line says nothing usable.
bool ReadLine(std::string_view key, std::string_view value, RememberedOptions& out) {
  if (key == "resolution") return Resolution(value, out);
  if (key == "lighting") {
    if (value == "perpixel") return Keep(out.perPixelLighting, std::optional(true));
    if (value == "pervertex") return Keep(out.perPixelLighting, std::optional(false));
    return false;
  }
  if (key == "specular") return Keep(out.specularLighting, Switch(value));
  if (key == "glow") return Keep(out.glowEffects, Switch(value));
  if (key == "sound-driver") return !value.empty() && Text(out.soundDriver, value, kLongestDriver);
  if (key == "reverb") return Keep(out.eaxReverb, Switch(value));
  if (key == "vertical-sync") return Keep(out.verticalSync, Switch(value));
  if (key == "full-screen") return Keep(out.fullScreen, Switch(value));
  if (key == "key-fire") return Keep(out.keyFire, Key(value));
  if (key == "key-fill-energy") return Keep(out.keyFillEnergy, Key(value));
  if (key == "key-up") return Keep(out.keyUp, Key(value));
  if (key == "key-down") return Keep(out.keyDown, Key(value));
  if (key == "key-left") return Keep(out.keyLeft, Key(value));
  if (key == "key-right") return Keep(out.keyRight, Key(value));
  if (key == "name") return Text(out.playerName, value, kLongestName);
  return false;
}

const char* KeyName(uint32_t key) {
  for (int i = 0; i < int(std::size(kKeyNames)); ++i)
    if (KeyOfIndex(i) == key) return kKeyNames[i];
  return nullptr;
}

std::string LineNumbers(const std::vector<int>& lines) {
  constexpr size_t kShown = 5;
  std::string text;
  for (size_t i = 0; i < lines.size() && i < kShown; ++i) text += (i ? ", " : "") + std::to_string(lines[i]);
  if (lines.size() > kShown) text += " and " + std::to_string(lines.size() - kShown) + " more";
  return text;
}

}  // namespace

RememberedOptions ParseOptions(std::string_view text, std::vector<int>* refusedLines) {
  RememberedOptions out;
  int number = 0;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (line.empty() || line[0] == '#') continue;
    size_t equals = line.find('=');
    bool read = equals != std::string_view::npos &&
                ReadLine(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)), out);
    if (!read && refusedLines) refusedLines->push_back(number);
  }
  return out;
}

std::string FormatOptions(const GameSettings& choices) {
  std::string text = "# Zubra 2: the options dialog's last choices, written by the game at \"Go!!\".\n";
  auto line = [&text](const char* key, const std::string& value) { text += std::string(key) + " = " + value + "\n"; };
  auto onOff = [](uint8_t value) { return std::string(value ? "on" : "off"); };
  line("resolution", std::to_string(choices.screenWidth) + "x" + std::to_string(choices.screenHeight));
  line("lighting", choices.perPixelLighting ? "perpixel" : "pervertex");
  line("specular", onOff(choices.specularLighting));
  line("glow", onOff(choices.glowEffects));
  // Text that would not read back (a line break, a name too long) is left out.
  if (!choices.soundDriver.empty() && choices.soundDriver.size() <= kLongestDriver && Printable(choices.soundDriver) &&
      Trim(choices.soundDriver) == choices.soundDriver)
    line("sound-driver", choices.soundDriver);
  line("reverb", onOff(choices.eaxReverb));
  line("vertical-sync", onOff(choices.verticalSync));
  line("full-screen", onOff(choices.fullScreen));
  const std::pair<const char*, uint32_t> keys[] = {{"key-fire", choices.keyFire}, {"key-fill-energy", choices.keyFillEnergy},
                                                   {"key-up", choices.keyUp},     {"key-down", choices.keyDown},
                                                   {"key-left", choices.keyLeft}, {"key-right", choices.keyRight}};
  for (auto [key, code] : keys)
    if (const char* name = KeyName(code)) line(key, name);
  if (choices.playerName.size() <= kLongestName && Printable(choices.playerName) &&
      Trim(choices.playerName) == choices.playerName)
    line("name", choices.playerName);
  return text;
}

std::string UserOptions::DefaultPath() { return UserFilePath("XDG_CONFIG_HOME", ".config", "options.conf"); }

UserOptions::UserOptions(std::string path) : path(std::move(path)) {}

RememberedOptions UserOptions::Load() const {
  if (path.empty()) return {};
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) {
    if (errno != ENOENT)
      KOR::Trace("Options: cannot read %s: %s; the dialog opens with its defaults\n", path.c_str(),
                 std::strerror(errno));
    return {};
  }
  std::string text(kOptionsFileLimit + 1, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), file.get()));
  if (std::ferror(file.get())) {
    KOR::Trace("Options: cannot read %s: %s; the dialog opens with its defaults\n", path.c_str(),
               std::strerror(errno));
    return {};
  }
  const bool cut = text.size() > kOptionsFileLimit;
  if (cut) text.resize(kOptionsFileLimit);
  std::vector<int> refused;
  RememberedOptions options = ParseOptions(text, &refused);
  std::string leftOut = refused.empty() ? "" : (refused.size() > 1 ? "lines " : "line ") + LineNumbers(refused);
  if (cut) leftOut += (leftOut.empty() ? "" : " and ") + std::string("everything past 64 KiB");
  if (!leftOut.empty())
    KOR::Trace("Options: %s: %s left out; those choices open with their defaults\n", path.c_str(),
               leftOut.c_str());
  return options;
}

bool UserOptions::Save(const GameSettings& choices) const {
  std::string error;
  if (ReplaceFileContents(path, FormatOptions(choices), error)) return true;
  KOR::Trace("Options: cannot write %s: %s; this run's choices will not be remembered\n",
             path.empty() ? "the options file" : path.c_str(), error.c_str());
  return false;
}
