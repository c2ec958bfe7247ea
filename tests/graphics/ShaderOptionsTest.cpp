#include "graphics/ShaderOptions.h"

#include <cstdio>
#include <fstream>
#include <locale>
#include <vector>

#include "graphics/GpuProgram.h"
#include "tests/Caught.h"
#include "tests/render_d3d9/RecordingDeviceSupport.h"

namespace {

using KOR::ShaderOptions;
using KOR::ShaderOptionValue;

std::string Declare(const std::string& name, ShaderOptionValue value) {
  ShaderOptions options;
  options.SetOption(name, value);
  return options.GenerateDeclarations();
}

TEST(ShaderOptionsDeclarations, BoolOptionsGiveOneLineEachInNameOrder) {
  ShaderOptions options;
  options.SetOption("optSpecMap", false);
  options.SetOption("optBumpMap", true);
  EXPECT_EQ(options.GenerateDeclarations(),
            "static const bool optBumpMap = true;\n"
            "static const bool optSpecMap = false;\n");
}

TEST(ShaderOptionsDeclarations, NoOptionsGiveNoText) {
  EXPECT_EQ(ShaderOptions().GenerateDeclarations(), "");
}

TEST(ShaderOptionsDeclarations, EachKindHasItsTypeWordAndValue) {
  EXPECT_EQ(Declare("count", int32_t(-3)), "static const int count = -3;\n");
  EXPECT_EQ(Declare("scale", 0.5f), "static const float scale = 0.5;\n");
  EXPECT_EQ(Declare("offset", ShaderOptionValue::Vector(0.5f, -2.0f)),
            "static const float2 offset = float2(0.5,-2);\n");
  EXPECT_EQ(Declare("tint", ShaderOptionValue::Vector(1.0f, 0.25f, 0.0f)),
            "static const float3 tint = float3(1,0.25,0);\n");
  EXPECT_EQ(Declare("plane", ShaderOptionValue::Vector(0.0f, 1.0f, 0.0f, -100.0f)),
            "static const float4 plane = float4(0,1,0,-100);\n");

  ShaderOptionValue unknown(true);
  unknown.type = 7;
  ShaderOptions options;
  options.SetOption("odd", unknown);
  EXPECT_EQ(KOR::Testing::Caught([&] { options.GenerateDeclarations(); }).GetError(),
            "Unknown option type");
}

TEST(ShaderOptionsDeclarations, FloatsHaveSixSignificantDigits) {
  EXPECT_EQ(Declare("f", 1.0f), "static const float f = 1;\n");
  EXPECT_EQ(Declare("f", 0.00001f), "static const float f = 1e-05;\n");
  EXPECT_EQ(Declare("f", 100000.0f), "static const float f = 100000;\n");
  EXPECT_EQ(Declare("f", 1000000.0f), "static const float f = 1e+06;\n");
  EXPECT_EQ(Declare("f", 3.14159265f), "static const float f = 3.14159;\n");
  EXPECT_EQ(Declare("v", ShaderOptionValue::Vector(0.00001f, 1000000.0f)),
            "static const float2 v = float2(1e-05,1e+06);\n");
}

TEST(ShaderOptionsDeclarations, SettingANameAgainKeepsOneLineWithTheLastValue) {
  ShaderOptions options;
  options.SetOption("optTexture", true);
  options.SetOption("optTexture", int32_t(2));
  options.SetOption("a", 1.5f);
  EXPECT_EQ(options.GenerateDeclarations(),
            "static const float a = 1.5;\n"
            "static const int optTexture = 2;\n");
}

// A locale that writes "0,5" and groups thousands, as some players' systems do.
struct CommaDecimals : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(ShaderOptionsDeclarations, TheProcessLocaleDoesNotChangeTheNumbers) {
  std::locale previous =
      std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));
  std::string text = Declare("v", ShaderOptionValue::Vector(0.5f, 100000.0f, 2.0f));
  std::string integer = Declare("n", int32_t(123456));
  std::locale::global(previous);
  EXPECT_EQ(text, "static const float3 v = float3(0.5,100000,2);\n");
  EXPECT_EQ(integer, "static const int n = 123456;\n");
}

// Remembers what it was asked to compile.
class RecordingProgram : public KOR::GpuProgram {
public:
  struct Call {
    std::string source;
    int profile;
    std::string entryPoint;
  };
  void Create(const char* source, int profile, std::string entryPoint) override {
    calls.push_back({source, profile, std::move(entryPoint)});
  }
  KOR::GpuProgramConstant* GetConstant(const std::string&) override { return nullptr; }
  KOR::GpuProgramConstant* FindConstant(const std::string&) override { return nullptr; }
  void Bind() override {}
  std::vector<Call> calls;
};

const char* kSource = "float4 ps_main() : COLOR0 { return optBumpMap ? 1 : 0; }\n";

TEST(CompileWithOptions, HandsTheDeclarationsThenTheSourceToCreate) {
  ShaderOptions options;
  options.SetOption("optBumpMap", true);
  options.SetOption("optSpecMap", false);
  RecordingProgram program;
  KOR::CompileWithOptions(program, kSource, KOR::Profile::Ps20, "ps_main", options);
  ASSERT_EQ(program.calls.size(), 1u);
  EXPECT_EQ(program.calls[0].source, options.GenerateDeclarations() + kSource);
  EXPECT_EQ(program.calls[0].source.rfind("static const bool optBumpMap = true;\n", 0), 0u);
  EXPECT_EQ(program.calls[0].profile, 7);  // ps_2_0
  EXPECT_EQ(program.calls[0].entryPoint, "ps_main");

  KOR::CompileWithOptions(program, kSource, KOR::Profile::Vs11, "vs_main", ShaderOptions());
  ASSERT_EQ(program.calls.size(), 2u);
  EXPECT_EQ(program.calls[1].source, kSource);
  EXPECT_EQ(program.calls[1].profile, 0);  // vs_1_1
}

TEST(CompileWithOptions, ANullSourceIsRefusedAndNothingIsCompiled) {
  RecordingProgram program;
  KOR::Exception e = KOR::Testing::Caught([&] {
    KOR::CompileWithOptions(program, nullptr, KOR::Profile::Ps20, "ps_main", ShaderOptions());
  });
  EXPECT_EQ(e.GetModule(), "KOR Graphics (ShaderOptions)");
  EXPECT_EQ(e.GetError(), "No shader source");
  EXPECT_TRUE(program.calls.empty());
}

TEST(ReadShaderFile, AMissingFileIsReportedByName) {
  KOR::Exception e = KOR::Testing::Caught([] { KOR::ReadShaderFile("shaders/missing.sh"); });
  EXPECT_EQ(e.GetModule(), "KOR Graphics (ShaderOptions)");
  EXPECT_EQ(e.GetError(), "Cannot open file");
  EXPECT_EQ(e.GetDescription(), "Cannot read the shader file shaders/missing.sh");
}

TEST(ReadShaderFile, GivesTheWholeText) {
  const char* name = "ShaderOptionsTest.sh";
  const std::string text = "// first\nfloat4 main() : COLOR0 { return 1; }\n";
  std::ofstream(name, std::ios::binary) << text;
  std::string read = KOR::ReadShaderFile(name);
  std::remove(name);
  EXPECT_EQ(read, text);
}

// The generated block through the real compiler of the recording device: the source only
// compiles when every option is declared in front of it.
class CompileWithOptionsOnDevice : public CurrentRecordedDevice {};

TEST_F(CompileWithOptionsOnDevice, TheSourceSeesTheDeclaredOptions) {
  const char* source =
      "float4 ps_main() : COLOR0 {\n"
      "  float4 c = float4(tint * scale, 1);\n"
      "  if (optBright) c.rgb += tiny * count;\n"
      "  return c;\n"
      "}\n";
  ShaderOptions options;
  options.SetOption("optBright", true);
  options.SetOption("count", int32_t(2));
  options.SetOption("scale", 1000000.0f);
  options.SetOption("tiny", 0.00001f);
  options.SetOption("tint", ShaderOptionValue::Vector(0.5f, 1.0f, 0.25f));

  KOR::GpuProgram* program = Keep(device->CreateGpuProgram());
  KOR::CompileWithOptions(*program, source, KOR::Profile::Ps20, "ps_main", options);
  EXPECT_EQ(Count("CreatePixelShader("), 1u);

  // Without the declarations the same source does not compile.
  KOR::GpuProgram* bare = Keep(device->CreateGpuProgram());
  KOR::Exception e = KOR::Testing::Caught([&] {
    KOR::CompileWithOptions(*bare, source, KOR::Profile::Ps20, "ps_main", ShaderOptions());
  });
  EXPECT_EQ(e.GetError(), "Compile error");
  EXPECT_EQ(Count("CreatePixelShader("), 1u);
}

}  // namespace
