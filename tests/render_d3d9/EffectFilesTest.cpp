// The four effect files compile through the shader compiler without a message in every
// option combination the materials and the glow use (the lighting passes by every count
// of lights), and keep every constant the passes ask for.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/d3dx/D3DX9Shader.h"

namespace {

std::string Read(const std::string& name) {
  std::ifstream in(std::string(KOR_SHADERS) + "/" + name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Entry {
  const char* file;
  const char* entry;
  const char* profile;
  std::vector<const char*> options;            // every combination is compiled
  std::vector<std::string> constants;          // present in every combination
  std::string fixed;                           // declarations put before the options
};

// The option block the engine puts in front of a file, for the combination given by bits.
std::string Options(const std::vector<const char*>& names, unsigned bits) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i)
    text += std::string("static const bool ") + names[i] + " = " + ((bits >> i) & 1 ? "true" : "false") + ";\n";
  return text;
}

TEST(EffectFilesTest, EveryVariantCompilesCleanlyAndKeepsItsConstants) {
  std::vector<Entry> entries = {
      {"zfill.sh", "vs_main", "vs_1_1", {"optTexture"}, {"matProjViewMatrix", "matWorldMatrix"}, ""},
      {"zfill.sh", "ps_main", "ps_1_1", {"optTexture"}, {}, ""},
      {"glow.sh", "vs_emissive", "vs_1_1", {"optTextured"}, {"matViewProjMatrix", "matWorldMatrix"}, ""},
      {"glow.sh", "ps_emissive", "ps_2_0", {"optTextured"}, {"emissiveMap", "diffuseMap"}, ""},
      {"glow.sh", "vs_glow", "vs_1_1", {"optTextured"}, {"blur", "hdir", "offset"}, ""},
      {"glow.sh", "ps_glow", "ps_2_0", {"optTextured"}, {"glowMap"}, ""},
      {"glow.sh", "ps_copy", "ps_2_0", {"optTextured"}, {"glowMap"}, ""},
      {"glow.sh", "vs_quad", "vs_1_1", {"optTextured"}, {}, ""},
      {"glow.sh", "ps_quad", "ps_1_1", {"optTextured"}, {}, ""},
      {"fog.sh", "vs_main", "vs_1_1", {"optAdditive"}, {"matViewProjMatrix", "matWorldMatrix"}, ""},
      {"fog.sh", "ps_main", "ps_2_0", {"optAdditive"}, {"viewPosition", "density"}, ""},
  };
  // The lighting passes by each count of lights, with that many lights' constants.
  const std::vector<const char*> lit = {"optWhole", "optEmissive", "optSpecular", "optBumpMap", "optSpecMap",
                                        "optMaskInNormal"};
  for (int lights = 0; lights <= 4; ++lights) {
    std::string count = "static const int optLights = " + std::to_string(lights) + ";\n";
    Entry vs{"perpixel.sh", "vs_main", "vs_1_1", lit, {"matViewProj", "viewPosition", "matWorld", "matWorldInverse"},
             count};
    Entry ps{"perpixel.sh", "ps_main", "ps_2_0", lit, {"diffuseMap"}, count};
    for (int k = 0; k < lights; ++k) {
      vs.constants.push_back("lightPosition" + std::to_string(k));
      vs.constants.push_back("radius" + std::to_string(k));
      ps.constants.push_back("lightColor" + std::to_string(k));
    }
    if (lights > 0) ps.constants.push_back("attenuationMap");
    entries.push_back(vs);
    entries.push_back(ps);
  }
  for (const Entry& e : entries) {
    std::string source = Read(e.file);
    ASSERT_FALSE(source.empty()) << e.file;
    for (unsigned bits = 0; bits < (1u << e.options.size()); ++bits) {
      SCOPED_TRACE(std::string(e.file) + " " + e.entry + " options " + std::to_string(bits));
      std::string text = e.fixed + Options(e.options, bits) + source;
      LPD3DXBUFFER code = nullptr, errors = nullptr;
      LPD3DXCONSTANTTABLE table = nullptr;
      D3DXCompileShader(text.c_str(), UINT(text.size()), nullptr, nullptr, e.entry, e.profile, 0, &code, &errors,
                        &table);
      EXPECT_EQ(errors, nullptr) << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
      ASSERT_NE(code, nullptr);
      ASSERT_NE(table, nullptr);
      for (const std::string& name : e.constants)
        EXPECT_NE(table->GetConstantByName(nullptr, name.c_str()), nullptr) << name;
      if (errors) errors->Release();
      code->Release();
      table->Release();
    }
  }
  // A lighting variant reads the maps and values its options name and no others: a map
  // that is not there costs no fetch.
  struct Variant {
    const char* options;
    std::vector<const char*> present, absent;
  };
  const Variant variants[] = {
      {"static const int optLights = 2; static const bool optWhole = true, optEmissive = true, optSpecular = true, "
       "optBumpMap = true, optSpecMap = true, optMaskInNormal = false;\n",
       {"normalMap", "specularMap", "emissiveMap", "shininess", "density", "fogColor", "viewPosition"},
       {}},
      // A grey mask carried in the normal map: one map read for both.
      {"static const int optLights = 2; static const bool optWhole = true, optEmissive = true, optSpecular = true, "
       "optBumpMap = true, optSpecMap = true, optMaskInNormal = true;\n",
       {"normalMap", "emissiveMap", "shininess"},
       {"specularMap"}},
      {"static const int optLights = 1; static const bool optWhole = false, optEmissive = false, optSpecular = false, "
       "optBumpMap = false, optSpecMap = false, optMaskInNormal = false;\n",
       {"attenuationMap", "lightColor0"},
       {"normalMap", "specularMap", "emissiveMap", "shininess", "density", "fogColor", "viewPosition"}},
  };
  for (const Variant& v : variants) {
    SCOPED_TRACE(v.options);
    std::string text = v.options + Read("perpixel.sh");
    LPD3DXBUFFER code = nullptr, errors = nullptr;
    LPD3DXCONSTANTTABLE table = nullptr;
    D3DXCompileShader(text.c_str(), UINT(text.size()), nullptr, nullptr, "ps_main", "ps_2_0", 0, &code, &errors, &table);
    ASSERT_NE(table, nullptr);
    for (const char* name : v.present) EXPECT_NE(table->GetConstantByName(nullptr, name), nullptr) << name;
    for (const char* name : v.absent) EXPECT_EQ(table->GetConstantByName(nullptr, name), nullptr) << name;
    if (errors) errors->Release();
    if (code) code->Release();
    table->Release();
  }
  // The fog's two variants keep the constant that each asks for beyond the shared ones.
  for (auto [bits, name] : {std::pair{0u, "fogColor"}, std::pair{1u, "diffuseMap"}}) {
    std::string text = Options({"optAdditive"}, bits) + Read("fog.sh");
    LPD3DXBUFFER code = nullptr, errors = nullptr;
    LPD3DXCONSTANTTABLE table = nullptr;
    D3DXCompileShader(text.c_str(), UINT(text.size()), nullptr, nullptr, "ps_main", "ps_2_0", 0, &code, &errors, &table);
    ASSERT_NE(table, nullptr);
    EXPECT_NE(table->GetConstantByName(nullptr, name), nullptr) << name;
    if (errors) errors->Release();
    if (code) code->Release();
    table->Release();
  }
}

}  // namespace
