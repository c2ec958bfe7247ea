#include "platform/d3dx/HlslSource.h"

#include <cctype>

namespace d3dx {
namespace {

bool IdentifierChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

class Scanner {
public:
  explicit Scanner(std::string_view text) : text(text) {}

  std::string Run() {
    while (at < text.size()) {
      if (Comment()) continue;
      if (!IdentifierChar(text[at])) {
        out += text[at++];
        continue;
      }
      size_t start = at;
      while (at < text.size() && IdentifierChar(text[at])) ++at;
      std::string_view word = text.substr(start, at - start);
      if (word == "uniform" && SwapConst()) continue;
      if (word == "register" && IntRegister()) continue;
      out += word;
    }
    return std::move(out);
  }

private:
  // Comments are copied as they are, so a word in one is never rewritten.
  bool Comment() {
    if (text.compare(at, 2, "//") == 0) {
      size_t end = text.find('\n', at);
      end = end == std::string_view::npos ? text.size() : end;
      out += text.substr(at, end - at);
      at = end;
      return true;
    }
    if (text.compare(at, 2, "/*") == 0) {
      size_t end = text.find("*/", at + 2);
      end = end == std::string_view::npos ? text.size() : end + 2;
      out += text.substr(at, end - at);
      at = end;
      return true;
    }
    return false;
  }

  size_t SkipBlanks(size_t from, bool newlines) const {
    while (from < text.size() &&
           (text[from] == ' ' || text[from] == '\t' || (newlines && (text[from] == '\n' || text[from] == '\r'))))
      ++from;
    return from;
  }

  // "uniform" was just read; at is after it.
  bool SwapConst() {
    size_t word = SkipBlanks(at, true);
    if (text.compare(word, 5, "const") != 0 ||
        (word + 5 < text.size() && IdentifierChar(text[word + 5])))
      return false;
    out += "const";
    out += text.substr(at, word - at);
    out += "uniform";
    at = word + 5;
    return true;
  }

  // "register" was just read; rewrites "(iN)" when that is what follows on the line.
  bool IntRegister() {
    size_t p = SkipBlanks(at, false);
    if (p >= text.size() || text[p] != '(') return false;
    p = SkipBlanks(p + 1, false);
    if (p >= text.size() || (text[p] != 'i' && text[p] != 'I')) return false;
    size_t digits = ++p;
    while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p]))) ++p;
    if (p == digits || p - digits > 4) return false;
    std::string_view number = text.substr(digits, p - digits);
    p = SkipBlanks(p, false);
    if (p >= text.size() || text[p] != ')') return false;
    out += "register(b";
    out += number;
    out += ", space" + std::to_string(kIntRegisterSpace) + ")";
    at = p + 1;
    return true;
  }

  std::string_view text;
  size_t at = 0;
  std::string out;
};

}  // namespace

std::string PrepareHlsl(std::string_view source) { return Scanner(source).Run(); }

}  // namespace d3dx
