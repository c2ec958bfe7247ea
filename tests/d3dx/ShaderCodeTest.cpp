#include <gtest/gtest.h>

#include "platform/d3d9/ShaderCode.h"

namespace {

d3d9::ShaderCode Sample() {
  d3d9::ShaderCode code;
  code.stage = d3d9::ShaderStage::Vertex;
  code.glsl = "#version 330\nvoid main() { gl_Position = vec4(0.0); }\n";
  code.inputs = {{"in_POSITION0", D3DDECLUSAGE_POSITION, 0}, {"in_TEXCOORD1", D3DDECLUSAGE_TEXCOORD, 1}};
  code.uniformBlock = "vs_Constants";
  code.uniformBlockSize = 96;
  d3d9::ShaderConstant matrix;
  matrix.name = "matWorld";
  matrix.first = 0;
  matrix.count = 4;
  matrix.offset = 0;
  matrix.matrix = d3d9::MatrixLayout::Rows;
  d3d9::ShaderConstant scale;
  scale.name = "scale";
  scale.first = 4;
  scale.count = 1;
  scale.offset = 64;
  scale.components = 3;
  d3d9::ShaderConstant flag;
  flag.name = "enabled";
  flag.file = d3d9::RegisterFile::Bool;
  flag.first = 15;
  flag.count = 1;
  flag.offset = 76;
  flag.components = 1;
  code.constants = {matrix, scale, flag};
  code.samplers = {{"vs_heightMap", 0, d3d9::SamplerDimension::Texture2D},
                   {"vs_sky", 1, d3d9::SamplerDimension::Cube}};
  return code;
}

bool Same(const d3d9::ShaderCode& a, const d3d9::ShaderCode& b) {
  if (a.stage != b.stage || a.glsl != b.glsl || a.uniformBlock != b.uniformBlock ||
      a.uniformBlockSize != b.uniformBlockSize || a.inputs.size() != b.inputs.size() ||
      a.constants.size() != b.constants.size() || a.samplers.size() != b.samplers.size())
    return false;
  for (size_t i = 0; i < a.inputs.size(); ++i)
    if (a.inputs[i].name != b.inputs[i].name || a.inputs[i].usage != b.inputs[i].usage ||
        a.inputs[i].usageIndex != b.inputs[i].usageIndex)
      return false;
  for (size_t i = 0; i < a.constants.size(); ++i) {
    const auto &x = a.constants[i], &y = b.constants[i];
    if (x.name != y.name || x.file != y.file || x.first != y.first || x.count != y.count ||
        x.offset != y.offset || x.stride != y.stride || x.components != y.components ||
        x.matrix != y.matrix)
      return false;
  }
  for (size_t i = 0; i < a.samplers.size(); ++i)
    if (a.samplers[i].name != b.samplers[i].name || a.samplers[i].index != b.samplers[i].index ||
        a.samplers[i].dimension != b.samplers[i].dimension)
      return false;
  return true;
}

TEST(ShaderCode, EncodeDecodeRoundTripsBothStages) {
  d3d9::ShaderCode vertex = Sample();
  std::vector<DWORD> words = d3d9::Encode(vertex);
  EXPECT_EQ(words[0], D3DVS_VERSION(3, 0));
  EXPECT_EQ(words[1], words.size());
  d3d9::ShaderCode decoded;
  ASSERT_TRUE(d3d9::Decode(words.data(), words.size(), &decoded));
  EXPECT_TRUE(Same(vertex, decoded));

  d3d9::ShaderCode pixel;
  pixel.stage = d3d9::ShaderStage::Pixel;
  pixel.glsl = "x";  // one byte: padding must not leak into the text
  std::vector<DWORD> pixelWords = d3d9::Encode(pixel);
  EXPECT_EQ(pixelWords[0], D3DPS_VERSION(3, 0));
  ASSERT_TRUE(d3d9::Decode(pixelWords.data(), pixelWords.size(), &decoded));
  EXPECT_TRUE(Same(pixel, decoded));

  // Words after the blob's own length are not part of it.
  words.push_back(0xDEADBEEF);
  EXPECT_TRUE(d3d9::Decode(words.data(), words.size(), &decoded));
}

TEST(ShaderCode, DecodeRejectsEveryTruncationAndABadHeader) {
  std::vector<DWORD> words = d3d9::Encode(Sample());
  d3d9::ShaderCode decoded;
  // A shortened buffer whose length word still claims the whole blob.
  for (size_t size = 0; size < words.size(); ++size)
    EXPECT_FALSE(d3d9::Decode(words.data(), size, &decoded)) << size;
  // A length word that cuts the blob short.
  for (DWORD length = 0; length < words.size(); ++length) {
    std::vector<DWORD> cut = words;
    cut[1] = length;
    EXPECT_FALSE(d3d9::Decode(cut.data(), cut.size(), &decoded)) << length;
  }
  std::vector<DWORD> version = words;
  version[0] = D3DVS_VERSION(2, 0);
  EXPECT_FALSE(d3d9::Decode(version.data(), version.size(), &decoded));
  std::vector<DWORD> magic = words;
  magic[2] ^= 1;
  EXPECT_FALSE(d3d9::Decode(magic.data(), magic.size(), &decoded));
  EXPECT_FALSE(d3d9::Decode(nullptr, 0, &decoded));
}

// Each case breaks one field of an otherwise valid blob.
TEST(ShaderCode, DecodeRejectsFieldsThatWouldMisleadTheDevice) {
  auto rejects = [](auto change) {
    d3d9::ShaderCode code = Sample();
    change(code);
    std::vector<DWORD> words = d3d9::Encode(code);
    d3d9::ShaderCode decoded;
    return !d3d9::Decode(words.data(), words.size(), &decoded);
  };
  EXPECT_FALSE(rejects([](d3d9::ShaderCode&) {}));
  EXPECT_TRUE(rejects([](d3d9::ShaderCode& c) { c.constants[1].offset = 88; })) << "past the block";
  EXPECT_TRUE(rejects([](d3d9::ShaderCode& c) { c.constants[0].first = 253; })) << "past c255";
  EXPECT_TRUE(rejects([](d3d9::ShaderCode& c) { c.constants[2].first = 16; })) << "past b15";
  EXPECT_TRUE(rejects([](d3d9::ShaderCode& c) { c.constants[1].components = 5; }));
  EXPECT_TRUE(rejects([](d3d9::ShaderCode& c) { c.constants[0].stride = 8; }));
  EXPECT_TRUE(rejects([](d3d9::ShaderCode& c) { c.constants[0].count = 0; }));
  EXPECT_TRUE(rejects([](d3d9::ShaderCode& c) { c.constants[0].file = d3d9::RegisterFile(3); }));
  EXPECT_TRUE(rejects([](d3d9::ShaderCode& c) { c.constants[0].matrix = d3d9::MatrixLayout(7); }));
  EXPECT_TRUE(rejects([](d3d9::ShaderCode& c) { c.samplers[0].index = 16; }));
  EXPECT_TRUE(rejects([](d3d9::ShaderCode& c) { c.samplers[0].dimension = d3d9::SamplerDimension(1); }));
  EXPECT_TRUE(rejects([](d3d9::ShaderCode& c) { c.inputs[0].usage = 40; }));
  EXPECT_TRUE(rejects([](d3d9::ShaderCode& c) { c.glsl = std::string("void\0main", 9); }));
  EXPECT_TRUE(rejects([](d3d9::ShaderCode& c) { c.glsl.clear(); }));
  // Pixel programs have fewer float registers.
  EXPECT_TRUE(rejects([](d3d9::ShaderCode& c) {
    c.stage = d3d9::ShaderStage::Pixel;
    c.uniformBlockSize = 4096;
    c.constants[0].first = 222;
  }));
}

TEST(ShaderCode, DecodeRejectsCountsLargerThanTheBlob) {
  d3d9::ShaderCode code = Sample();
  std::vector<DWORD> words = d3d9::Encode(code);
  // The input count follows the header (3 words) and the GLSL text.
  size_t inputCount = 3 + 1 + (code.glsl.size() + 3) / 4;
  ASSERT_EQ(words[inputCount], 2u);
  words[inputCount] = 0x7FFFFFFF;
  d3d9::ShaderCode decoded;
  EXPECT_FALSE(d3d9::Decode(words.data(), words.size(), &decoded));
  words[inputCount] = 2;
  words[3] = 0xFFFFFFF0;  // the GLSL text's byte count
  EXPECT_FALSE(d3d9::Decode(words.data(), words.size(), &decoded));
}

}  // namespace
