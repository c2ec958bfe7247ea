#include "tools/replay/ReplayScript.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/win32/Windows.h"

namespace {

struct NamedKey {
  const char* name;
  int code;
};

// Names a person writes for the keys the game and its menu read.
constexpr NamedKey kNamedKeys[] = {
    {"left", VK_LEFT},   {"right", VK_RIGHT},   {"up", VK_UP},       {"down", VK_DOWN},
    {"enter", VK_RETURN}, {"return", VK_RETURN}, {"escape", VK_ESCAPE}, {"esc", VK_ESCAPE},
    {"space", VK_SPACE}, {"tab", VK_TAB},       {"shift", VK_SHIFT}, {"control", VK_CONTROL},
    {"ctrl", VK_CONTROL}, {"backspace", VK_BACK}, {"pause", VK_PAUSE},
};

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

[[noreturn]] void Fail(int line, const std::string& what) {
  throw std::runtime_error("replay line " + std::to_string(line) + ": " + what);
}

constexpr long long kLastFrame = 1LL << 40;

int64_t FrameOf(const std::string& word, int line) {
  size_t used = 0;
  long long value = -1;
  try {
    value = std::stoll(word, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != word.size() || value < 0) Fail(line, "a frame number is expected, not \"" + word + "\"");
  // A tap releases on the frame after; no run comes near this many frames.
  if (value > kLastFrame) Fail(line, "frame " + word + " is beyond the last a replay can reach");
  return value;
}

bool SwitchOf(const std::string& word, int line) {
  std::string w = Lower(word);
  if (w == "on") return true;
  if (w == "off") return false;
  Fail(line, "on or off is expected, not \"" + word + "\"");
}

int KeyOf(const std::string& word, int line) {
  int code = VirtualKeyOf(word);
  if (!code) Fail(line, "unknown key \"" + word + "\"");
  return code;
}

void ReadKeys(std::istringstream& words, GameSettings& answers, int line) {
  std::string pair;
  while (words >> pair) {
    size_t eq = pair.find('=');
    if (eq == std::string::npos) Fail(line, "keys are given as role=KEY, not \"" + pair + "\"");
    std::string role = Lower(pair.substr(0, eq));
    uint32_t code = uint32_t(KeyOf(pair.substr(eq + 1), line));
    if (role == "fire") answers.keyFire = code;
    else if (role == "fill") answers.keyFillEnergy = code;
    else if (role == "up") answers.keyUp = code;
    else if (role == "down") answers.keyDown = code;
    else if (role == "left") answers.keyLeft = code;
    else if (role == "right") answers.keyRight = code;
    else Fail(line, "unknown key role \"" + role + "\"");
  }
}

}  // namespace

int VirtualKeyOf(const std::string& name) {
  if (name.size() == 1) {
    char c = char(std::toupper(static_cast<unsigned char>(name[0])));
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
    return 0;
  }
  std::string n = Lower(name);
  for (const NamedKey& key : kNamedKeys)
    if (n == key.name) return key.code;
  // F1 … F12: at most two digits, so a long number is no key rather than an overflow.
  if (n.size() >= 2 && n.size() <= 3 && n[0] == 'f' && std::all_of(n.begin() + 1, n.end(), ::isdigit)) {
    int f = std::stoi(n.substr(1));
    return f >= 1 && f <= 12 ? VK_F1 + f - 1 : 0;
  }
  if (n.size() > 2 && n.size() <= 4 && n.rfind("0x", 0) == 0 &&
      std::all_of(n.begin() + 2, n.end(), ::isxdigit)) {
    int code = std::stoi(n.substr(2), nullptr, 16);
    return code > 0 && code < 256 ? code : 0;
  }
  return 0;
}

ReplayScript ParseReplay(const std::string& text) {
  ReplayScript script;
  std::istringstream lines(text);
  std::string raw;
  int line = 0;
  while (std::getline(lines, raw)) {
    ++line;
    raw = raw.substr(0, raw.find('#'));
    std::istringstream words(raw);
    std::string directive;
    if (!(words >> directive)) continue;
    directive = Lower(directive);
    std::string a, b;
    if (directive == "resolution") {
      if (!(words >> a >> b)) Fail(line, "resolution needs a width and a height");
      int64_t w = FrameOf(a, line), h = FrameOf(b, line);
      if (w < 1 || h < 1 || w > 16384 || h > 16384) Fail(line, "resolution out of range");
      script.answers.screenWidth = uint32_t(w);
      script.answers.screenHeight = uint32_t(h);
    } else if (directive == "lighting") {
      if (!(words >> a)) Fail(line, "lighting needs perpixel or pervertex");
      a = Lower(a);
      if (a == "perpixel") script.answers.perPixelLighting = 1;
      else if (a == "pervertex") script.answers.perPixelLighting = 0;
      else Fail(line, "lighting is perpixel or pervertex, not \"" + a + "\"");
    } else if (directive == "glow" || directive == "specular" || directive == "reverb") {
      if (!(words >> a)) Fail(line, directive + " needs on or off");
      uint8_t on = SwitchOf(a, line) ? 1 : 0;
      if (directive == "glow") script.answers.glowEffects = on;
      else if (directive == "specular") script.answers.specularLighting = on;
      else script.answers.eaxReverb = on;
    } else if (directive == "keys") {
      ReadKeys(words, script.answers, line);
      continue;
    } else if (directive == "name") {
      std::string name;
      std::getline(words >> std::ws, name);
      while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
      if (name.empty()) Fail(line, "name needs the player's name");
      script.answers.playerName = name;
      continue;
    } else if (directive == "sound") {
      std::getline(words >> std::ws, script.answers.soundDriver);
      continue;
    } else if (directive == "frametime") {
      if (!(words >> a)) Fail(line, "frametime needs seconds");
      char* end = nullptr;
      double t = std::strtod(a.c_str(), &end);
      if (*end || !std::isfinite(t) || t <= 0.0 || t > 1.0) Fail(line, "frametime is seconds in (0, 1]");
      script.frameTime = t;
    } else if (directive == "at") {
      std::string action;
      if (!(words >> a >> action)) Fail(line, "at needs a frame, press, release or tap, and keys");
      int64_t frame = FrameOf(a, line);
      action = Lower(action);
      if (action != "press" && action != "release" && action != "tap")
        Fail(line, "press, release or tap is expected, not \"" + action + "\"");
      std::string key;
      int count = 0;
      while (words >> key) {
        int code = KeyOf(key, line);
        if (action == "release") {
          script.keys.push_back({frame, code, false});
        } else {
          script.keys.push_back({frame, code, true});
          if (action == "tap") script.keys.push_back({frame + 1, code, false});
        }
        ++count;
      }
      if (!count) Fail(line, "at names no key");
      continue;
    } else if (directive == "shot") {
      if (!(words >> a >> b)) Fail(line, "shot needs a frame and a file name");
      script.shots.push_back({FrameOf(a, line), b});
    } else if (directive == "invulnerable") {
      script.invulnerable = true;
    } else if (directive == "autopilot") {
      script.autopilot = true;
    } else if (directive == "end") {
      if (!(words >> a)) Fail(line, "end needs a frame");
      script.endFrame = FrameOf(a, line);
    } else {
      Fail(line, "unknown directive \"" + directive + "\"");
    }
    if (words >> a) Fail(line, "unexpected \"" + a + "\"");
  }
  std::stable_sort(script.keys.begin(), script.keys.end(),
                   [](const ReplayKeyEvent& x, const ReplayKeyEvent& y) { return x.frame < y.frame; });
  std::stable_sort(script.shots.begin(), script.shots.end(),
                   [](const ReplayShot& x, const ReplayShot& y) { return x.frame < y.frame; });
  return script;
}

ReplayScript LoadReplay(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open replay file " + path);
  std::stringstream text;
  text << in.rdbuf();
  return ParseReplay(text.str());
}
