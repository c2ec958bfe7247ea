#include "platform/d3d9/CallLog.h"

#include <cstdio>

#include "platform/d3d9/Resources.h"

namespace d3d9 {

std::string Unsigned(uint64_t v) { return std::to_string(v); }
std::string Signed(int64_t v) { return std::to_string(v); }
std::string Hex(DWORD v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", unsigned(v));
  return text;
}
std::string Real(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", double(v));
  return text;
}
std::string ObjectName(uint64_t serial) { return "#" + Unsigned(serial); }
std::string ObjectName(const VertexBuffer* b) { return b ? ObjectName(b->store.serial) : "null"; }
std::string ObjectName(const IndexBuffer* b) { return b ? ObjectName(b->store.serial) : "null"; }
std::string ObjectName(const VertexDeclaration* d) { return d ? ObjectName(d->serial) : "null"; }
std::string ObjectName(const Surface* s) { return s ? ObjectName(s->serial) : "null"; }
std::string PointerText(const void* p) { return p ? "ptr" : "null"; }

std::string CallLine(const char* name, std::initializer_list<std::string> args) {
  std::string line = name;
  line += '(';
  bool first = true;
  for (const std::string& a : args) {
    if (!first) line += ", ";
    line += a;
    first = false;
  }
  return line + ')';
}

std::string MatrixText(const D3DMATRIX* m) {
  if (!m) return "null";
  std::string text = "[";
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) text += (r || c ? " " : "") + Real(m->m[r][c]);
  return text + "]";
}

}  // namespace d3d9
