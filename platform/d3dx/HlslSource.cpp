#include "platform/d3dx/HlslSource.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <vector>

namespace d3dx {
namespace {

bool IdentifierChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}
bool Blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Braces nest no deeper than this in an initialiser the scanner rewrites.
constexpr int kDeepest = 32;
// Nor does an aggregate take more values than this.
constexpr size_t kLargest = 1 << 16;

// What an initialiser needs of a declared type: how many scalars one value of it takes, and
// for a struct its members in order.
struct InitType {
  enum Kind { Scalar, Vector, Matrix, Struct } kind = Scalar;
  std::string name;
  size_t scalars = 1;
  struct Member {
    const InitType* type;
    size_t count;  // 0: not an array
  };
  std::vector<Member> members;
};

// float, half, int … with an optional N or NxM: the numeric types a list fills.
std::optional<InitType> NumericType(std::string_view word) {
  static const char* kScalars[] = {"float", "half", "double", "int", "uint", "bool", "dword", "min16float",
                                   "min10float", "min16int", "min12int", "min16uint"};
  for (const char* scalar : kScalars) {
    std::string_view base(scalar);
    if (word.substr(0, base.size()) != base) continue;
    std::string_view rest = word.substr(base.size());
    auto digit = [](char c) { return c >= '1' && c <= '4'; };
    InitType t;
    t.name = std::string(word);
    if (rest.empty()) return t;
    if (rest.size() == 1 && digit(rest[0])) {
      t.kind = InitType::Vector, t.scalars = size_t(rest[0] - '0');
      return t;
    }
    if (rest.size() == 3 && digit(rest[0]) && rest[1] == 'x' && digit(rest[2])) {
      t.kind = InitType::Matrix, t.scalars = size_t(rest[0] - '0') * size_t(rest[2] - '0');
      return t;
    }
  }
  return std::nullopt;
}

// One value of an initialiser list as written, with the blanks and lines around it.
struct Element {
  std::string_view text;
  size_t scalars = 1;
  bool braced = false;
};

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && Blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && Blank(text.back())) text.remove_suffix(1);
  return text;
}

// Where the bracket opened at `open` closes; npos when it does not. A struct's body skips
// comments; an initialiser has neither comments nor statements.
size_t Closing(std::string_view text, size_t open, bool body = false) {
  char closers[kDeepest];
  int depth = 0;
  for (size_t at = open; at < text.size(); ++at) {
    bool line = text.compare(at, 2, "//") == 0, block = text.compare(at, 2, "/*") == 0;
    if ((line || block) && !body) return std::string_view::npos;
    if (line || block) {
      size_t end = line ? text.find('\n', at) : text.find("*/", at + 2);
      if (end == std::string_view::npos) return end;
      at = line ? end : end + 1;
      continue;
    }
    char c = text[at];
    if (c == '(' || c == '[' || c == '{') {
      if (depth == kDeepest) return std::string_view::npos;
      closers[depth++] = c == '(' ? ')' : c == '[' ? ']' : '}';
    } else if (c == ')' || c == ']' || c == '}') {
      if (depth == 0 || closers[--depth] != c) return std::string_view::npos;  // brackets that do not pair
      if (depth == 0) return at;
    } else if (c == ';' && !body) {
      return std::string_view::npos;
    }
  }
  return std::string_view::npos;
}

class Scanner {
public:
  explicit Scanner(std::string_view text) : text(text) {}
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  std::string Run() {
    while (at < text.size()) {
      if (Comment()) continue;
      if (text[at] == '{' && Initialiser()) continue;
      if (!IdentifierChar(text[at])) {
        out += text[at++];
        continue;
      }
      size_t start = at;
      while (at < text.size() && IdentifierChar(text[at])) ++at;
      std::string_view word = text.substr(start, at - start);
      if (word == "uniform" && SwapConst()) continue;
      if (word == "register" && IntRegister()) continue;
      if (word == "struct") RecordStruct();
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

  // "struct" was just read: its members are noted, for initialisers of it; the text is
  // copied as it stands.
  void RecordStruct() {
    size_t p = SkipBlanks(at, true), nameStart = p;
    while (p < text.size() && IdentifierChar(text[p])) ++p;
    std::string name(text.substr(nameStart, p - nameStart));
    p = SkipBlanks(p, true);
    if (name.empty() || p >= text.size() || text[p] != '{') return;
    size_t close = Closing(text, p, true);
    if (close == std::string_view::npos) return;
    InitType made;
    made.kind = InitType::Struct, made.name = name, made.scalars = 0;
    std::string_view body = text.substr(p + 1, close - p - 1);
    while (!body.empty()) {
      size_t end = body.find(';');
      if (end == std::string_view::npos) break;
      std::string withoutComments;
      for (std::string_view rest = body.substr(0, end); !rest.empty();) {
        size_t line = rest.find("//"), block = rest.find("/*"), first = std::min(line, block);
        withoutComments += rest.substr(0, first);
        if (first == std::string_view::npos) break;
        size_t stop = first == line ? rest.find('\n', first) : rest.find("*/", first + 2);
        rest = stop == std::string_view::npos ? std::string_view() : rest.substr(stop + (first == line ? 1 : 2));
        withoutComments += ' ';
      }
      body.remove_prefix(end + 1);
      std::string_view declaration = withoutComments;
      size_t semantic = declaration.find(':');
      if (semantic != std::string_view::npos) declaration = declaration.substr(0, semantic);
      // "[modifiers] type name[N], name …": the type is the first word a type is known for.
      if (Trimmed(declaration).empty()) continue;
      const InitType* type = nullptr;
      size_t q = 0;
      while (!type) {
        while (q < declaration.size() && !IdentifierChar(declaration[q])) {
          if (!Blank(declaration[q])) return;  // something this scanner does not follow
          ++q;
        }
        size_t w = q;
        while (q < declaration.size() && IdentifierChar(declaration[q])) ++q;
        if (w == q) return;
        type = Known(declaration.substr(w, q - w));
      }
      for (std::string_view rest = declaration.substr(q); !rest.empty();) {
        size_t comma = rest.find(',');
        std::string_view part = Trimmed(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        size_t count = 0, bracket = part.find('['), shut = part.find(']');
        if (bracket != std::string_view::npos) {
          if (shut == std::string_view::npos || shut < bracket) return;
          std::string_view n = Trimmed(part.substr(bracket + 1, shut - bracket - 1));
          if (n.empty() || n.size() > 5 || n.find_first_not_of("0123456789") != std::string_view::npos) return;
          count = size_t(std::stoul(std::string(n)));
          if (count == 0) return;
        }
        made.members.push_back({type, count});
        made.scalars += type->scalars * (count ? count : 1);
        if (made.scalars > kLargest) return;
      }
    }
    if (made.members.empty()) return;
    structs[name] = std::move(made);
  }

  const InitType* Known(std::string_view word) {
    auto found = structs.find(std::string(word));
    if (found != structs.end()) return &found->second;
    std::optional<InitType> numeric = NumericType(word);
    if (!numeric) return nullptr;
    return &numerics.emplace(numeric->name, *numeric).first->second;
  }

  // The values of the list opened at `open`, each with the scalars it gives; false when one
  // cannot be told.
  bool Elements(size_t open, size_t close, std::vector<Element>* out, int depth,
                std::string_view* trailing = nullptr) {
    if (depth > kDeepest) return false;
    size_t start = open + 1, p = start;
    auto finish = [&](size_t end) {
      std::string_view raw = text.substr(start, end - start);
      std::string_view value = Trimmed(raw);
      if (value.empty()) {
        if (trailing) *trailing = raw;  // after a trailing comma: its lines are kept
        return end == close && !out->empty();
      }
      Element e{raw, 1, false};
      if (value.front() == '{') {
        std::vector<Element> inner;
        size_t innerOpen = size_t(value.data() - text.data());
        // The braces must close at the value's end, or the value is not one list.
        if (Closing(text, innerOpen) != innerOpen + value.size() - 1) return false;
        if (!Elements(innerOpen, innerOpen + value.size() - 1, &inner, depth + 1)) return false;
        e.braced = true, e.scalars = 0;
        for (const Element& i : inner) e.scalars += i.scalars;
      } else {
        // A constructor of a numeric type gives its components; anything else one scalar.
        size_t paren = value.find('(');
        if (paren != std::string_view::npos && value.back() == ')')
          if (std::optional<InitType> t = NumericType(Trimmed(value.substr(0, paren)))) e.scalars = t->scalars;
      }
      out->push_back(e);
      return out->size() <= kLargest;
    };
    while (p < close) {
      char c = text[p];
      if (c == '(' || c == '[' || c == '{') {
        size_t shut = Closing(text, p);
        if (shut == std::string_view::npos || shut > close) return false;
        p = shut + 1;
      } else if (c == ',') {
        if (!finish(p)) return false;
        start = ++p;
      } else {
        ++p;
      }
    }
    return finish(close);
  }

  // Takes values from `next` on to make one value of the type: braces and values of its
  // exact size as they are, else a constructor of several; false when a value straddles.
  bool Build(const InitType& type, const std::vector<Element>& values, size_t& next, std::string& made) {
    if (next >= values.size()) return false;
    const Element& first = values[next];
    if (first.scalars == type.scalars && (type.kind != InitType::Struct || first.braced)) {
      made += first.text;
      ++next;
      return true;
    }
    if (first.braced) return false;
    if (type.kind == InitType::Struct) {
      made += '{';
      for (size_t m = 0; m < type.members.size(); ++m) {
        if (m) made += ',';
        const InitType::Member& member = type.members[m];
        if (!member.count) {
          if (!Build(*member.type, values, next, made)) return false;
          continue;
        }
        made += '{';
        for (size_t i = 0; i < member.count; ++i) {
          if (i) made += ',';
          if (!Build(*member.type, values, next, made)) return false;
        }
        made += '}';
      }
      made += '}';
      return true;
    }
    if (type.kind == InitType::Scalar) return false;
    made += type.name + "(";
    for (size_t taken = 0; taken < type.scalars; ++next) {
      if (next >= values.size() || values[next].braced) return false;
      if (taken) made += ',';
      made += values[next].text;
      taken += values[next].scalars;
      if (taken > type.scalars) return false;
    }
    made += ')';
    return true;
  }

  // At a '{' after "Type name[N] =": a flat list (or one mixing scalars and vectors) for an
  // array or a struct becomes the nested list it stands for, which glslang reads, keeping
  // every value's text and line. False leaves the text as it is.
  bool Initialiser() {
    size_t e = out.size();
    while (e > 0 && Blank(out[e - 1])) --e;
    if (e == 0 || out[e - 1] != '=') return false;
    --e;
    while (e > 0 && Blank(out[e - 1])) --e;
    // An array's count, or none for an unsized array; one dimension only.
    bool array = false;
    std::optional<size_t> count;
    if (e > 0 && out[e - 1] == ']') {
      size_t bracket = out.rfind('[', e - 1);
      if (bracket == std::string::npos) return false;
      std::string_view n = Trimmed(std::string_view(out).substr(bracket + 1, e - 2 - bracket));
      if (!n.empty()) {
        if (n.size() > 5 || n.find_first_not_of("0123456789") != std::string_view::npos) return false;
        count = size_t(std::stoul(std::string(n)));
      }
      array = true;
      e = bracket;
      while (e > 0 && Blank(out[e - 1])) --e;
      if (e > 0 && out[e - 1] == ']') return false;
    }
    size_t nameEnd = e;
    while (e > 0 && IdentifierChar(out[e - 1])) --e;
    if (e == nameEnd) return false;
    size_t typeEnd = e;
    while (typeEnd > 0 && Blank(out[typeEnd - 1])) --typeEnd;
    size_t typeStart = typeEnd;
    while (typeStart > 0 && IdentifierChar(out[typeStart - 1])) --typeStart;
    const InitType* type = Known(std::string_view(out).substr(typeStart, typeEnd - typeStart));
    if (!type || (!array && type->kind != InitType::Struct)) return false;

    size_t close = Closing(text, at);
    std::vector<Element> values;
    std::string_view trailing;
    if (close == std::string_view::npos || !Elements(at, close, &values, 0, &trailing)) return false;
    size_t total = 0;
    for (const Element& v : values) {
      if (v.scalars == 0) return false;
      total += v.scalars;
    }
    size_t entries = array ? (count ? *count : total / type->scalars) : type->members.size();
    size_t wanted = array ? entries * type->scalars : type->scalars;
    if (total != wanted || entries == 0) return false;
    // A list already one value per entry, each of its size, is left for glslang as it is.
    bool nested = values.size() == entries;
    for (size_t i = 0; nested && i < values.size(); ++i) {
      size_t size = array ? type->scalars : type->members[i].type->scalars * std::max<size_t>(1, type->members[i].count);
      nested = values[i].scalars == size;
    }
    if (nested) return false;

    std::string made;
    size_t next = 0;
    if (array) {
      made += '{';
      for (size_t i = 0; i < entries; ++i) {
        if (i) made += ',';
        if (!Build(*type, values, next, made)) return false;
      }
      made += '}';
    } else if (!Build(*type, values, next, made)) {
      return false;
    }
    if (next != values.size()) return false;
    made.insert(made.size() - 1, std::string(size_t(std::count(trailing.begin(), trailing.end(), '\n')), '\n'));
    out += made;
    at = close + 1;
    return true;
  }

  std::string_view text;
  size_t at = 0;
  std::string out;
  std::map<std::string, InitType> structs;
  std::map<std::string, InitType> numerics;  // types a struct's members point at live here
};

}  // namespace

std::string PrepareHlsl(std::string_view source) { return Scanner(source).Run(); }

}  // namespace d3dx
