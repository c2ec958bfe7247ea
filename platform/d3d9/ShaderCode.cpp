#include "platform/d3d9/ShaderCode.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace d3d9 {
namespace {

// "KOR1": tells our blobs apart from real Direct3D token streams and from older layouts.
constexpr DWORD kMagic = 0x31524F4Bu;
constexpr DWORD kVertexVersion = D3DVS_VERSION(3, 0), kPixelVersion = D3DPS_VERSION(3, 0);

class Writer {
public:
  void Word(DWORD value) { words.push_back(value); }
  void String(const std::string& text) {
    Word(DWORD(text.size()));
    size_t first = words.size();
    words.resize(first + (text.size() + 3) / 4, 0);
    if (!text.empty()) std::memcpy(words.data() + first, text.data(), text.size());
  }
  std::vector<DWORD> words;
};

// Every read checks what is left first; after one failure all reads fail.
class Reader {
public:
  Reader(const DWORD* words, size_t size) : words(words), size(size) {}
  bool Word(DWORD* value) {
    if (!ok || position >= size) return ok = false;
    *value = words[position++];
    return true;
  }
  bool String(std::string* text) {
    DWORD bytes = 0;
    if (!Word(&bytes)) return false;
    size_t padded = (size_t(bytes) + 3) / 4;
    if (padded > size - position) return ok = false;
    const char* start = reinterpret_cast<const char*>(words + position);
    text->assign(start, bytes);
    position += padded;
    // Names and source go to GL as C strings: an inner zero would cut them short. Padding
    // is zero, so one function has one encoding.
    if (text->find('\0') != std::string::npos) return ok = false;
    for (size_t i = bytes; i < padded * 4; ++i)
      if (start[i] != 0) return ok = false;
    return true;
  }
  // A count of entries of at least minWords each that can still fit.
  bool Count(size_t minWords, DWORD* count) {
    if (!Word(count)) return false;
    if (size_t(*count) > (size - position) / minWords) return ok = false;
    return true;
  }
  bool AtEnd() const { return ok && position == size; }

private:
  const DWORD* words;
  size_t size;
  size_t position = 0;
  bool ok = true;
};

DWORD RegisterLimit(ShaderStage stage, RegisterFile file) {
  switch (file) {
    case RegisterFile::Bool: return kBoolRegisters;
    case RegisterFile::Int4: return kIntRegisters;
    case RegisterFile::Float4:
      return stage == ShaderStage::Vertex ? kVertexFloatRegisters : kPixelFloatRegisters;
  }
  return 0;
}

bool ConstantFits(const ShaderCode& code, const ShaderConstant& c) {
  if (c.file > RegisterFile::Float4 || c.matrix > MatrixLayout::Columns) return false;
  if (c.count == 0 || c.components == 0 || c.components > 4) return false;
  uint64_t limit = RegisterLimit(code.stage, c.file);
  if (uint64_t(c.first) + c.count > limit) return false;
  if (c.count > 1 && c.stride < c.components * 4) return false;
  uint64_t end = uint64_t(c.offset) + uint64_t(c.stride) * (c.count - 1) + c.components * 4;
  return end <= code.uniformBlockSize;
}

}  // namespace

std::vector<DWORD> Encode(const ShaderCode& code) {
  Writer w;
  w.Word(code.stage == ShaderStage::Vertex ? kVertexVersion : kPixelVersion);
  w.Word(0);  // total length, known at the end
  w.Word(kMagic);
  w.String(code.glsl);
  w.Word(DWORD(code.inputs.size()));
  for (const ShaderInput& input : code.inputs) {
    w.String(input.name);
    w.Word(input.usage);
    w.Word(input.usageIndex);
  }
  w.String(code.uniformBlock);
  w.Word(code.uniformBlockSize);
  w.Word(DWORD(code.constants.size()));
  for (const ShaderConstant& c : code.constants) {
    w.String(c.name);
    w.Word(DWORD(c.file));
    w.Word(c.first);
    w.Word(c.count);
    w.Word(c.offset);
    w.Word(c.stride);
    w.Word(c.components);
    w.Word(DWORD(c.matrix));
  }
  w.Word(DWORD(code.samplers.size()));
  for (const ShaderSampler& s : code.samplers) {
    w.String(s.name);
    w.Word(s.index);
    w.Word(DWORD(s.dimension));
  }
  w.words[1] = DWORD(w.words.size());
  return std::move(w.words);
}

bool Decode(const DWORD* function, size_t size, ShaderCode* code) {
  if (!function || !code || size < 3) return false;
  if (function[0] == kVertexVersion) {
    code->stage = ShaderStage::Vertex;
  } else if (function[0] == kPixelVersion) {
    code->stage = ShaderStage::Pixel;
  } else {
    return false;
  }
  // The blob's own length bounds everything after it; words beyond it are not ours.
  if (function[1] < 3 || function[1] > size || function[2] != kMagic) return false;
  Reader r(function + 3, function[1] - 3);

  if (!r.String(&code->glsl) || code->glsl.empty()) return false;
  DWORD count = 0;
  if (!r.Count(3, &count)) return false;
  code->inputs.assign(count, {});
  for (ShaderInput& input : code->inputs) {
    if (!r.String(&input.name) || !r.Word(&input.usage) || !r.Word(&input.usageIndex))
      return false;
    if (input.name.empty() || input.usage > D3DDECLUSAGE_FOG || input.usageIndex > 15)
      return false;
  }
  if (!r.String(&code->uniformBlock) || !r.Word(&code->uniformBlockSize)) return false;
  if (!r.Count(8, &count)) return false;
  code->constants.assign(count, {});
  for (ShaderConstant& c : code->constants) {
    DWORD file = 0, matrix = 0;
    if (!r.String(&c.name) || !r.Word(&file) || !r.Word(&c.first) || !r.Word(&c.count) ||
        !r.Word(&c.offset) || !r.Word(&c.stride) || !r.Word(&c.components) || !r.Word(&matrix))
      return false;
    c.file = RegisterFile(file);
    c.matrix = MatrixLayout(matrix);
    if (c.name.empty() || code->uniformBlock.empty() || !ConstantFits(*code, c)) return false;
  }
  if (!r.Count(3, &count)) return false;
  code->samplers.assign(count, {});
  for (ShaderSampler& s : code->samplers) {
    DWORD dimension = 0;
    if (!r.String(&s.name) || !r.Word(&s.index) || !r.Word(&dimension)) return false;
    s.dimension = SamplerDimension(dimension);
    if (s.name.empty() || s.index >= 16) return false;
    if (s.dimension != SamplerDimension::Texture2D && s.dimension != SamplerDimension::Texture3D &&
        s.dimension != SamplerDimension::Cube)
      return false;
  }
  return r.AtEnd();
}

}  // namespace d3d9
