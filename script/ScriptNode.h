#pragma once
// The syntax tree of a level script. Arithmetic is folded while parsing, so the
// leaves hold only constants; the interpreter walks the tree once.

#include <cstdint>
#include <string_view>

namespace Script {

enum class NodeKind : std::uint32_t {
  Marker = 0,  // type only
  Text = 2,
  Number = 3,
  Inner = 5,
};

struct ScriptNode {
  NodeKind kind;
  std::int32_t type;  // a token code or a node kind of ScriptTokens.h
  std::int32_t line;  // the scanner's line when the node was built
  std::int32_t size;  // text length in bytes, or child count
  union {
    const char* text;  // NUL-terminated; may hold NUL bytes of its own
    double number;
    ScriptNode* const* children;  // each may be null
  };

  std::string_view Text() const {
    return kind == NodeKind::Text ? std::string_view(text, size) : std::string_view();
  }
  double Number() const { return kind == NodeKind::Number ? number : 0.0; }
  int ChildCount() const { return kind == NodeKind::Inner ? size : 0; }
  // Null for a missing child as well as for an index past the last one.
  const ScriptNode* Child(int index) const {
    return index >= 0 && index < ChildCount() ? children[index] : nullptr;
  }
};

}  // namespace Script
