#pragma once
// Named constants put in front of an effect file's text before it is compiled, so one
// shader file serves many variants: the compiler drops the code of disabled features.

#include <cstdint>
#include <map>
#include <string>

#include "graphics/EngineNumbers.h"

namespace KOR {

class GpuProgram;

struct ShaderOptionValue {
  enum Type : int32_t { Bool = 1, Int = 2, Float = 3, Float2 = 4, Float3 = 5, Float4 = 6 };

  ShaderOptionValue(bool b) : type(Bool) { value.boolean = b; }
  ShaderOptionValue(int32_t i) : type(Int) { value.integer = i; }
  ShaderOptionValue(float f) : type(Float) { value.vector[0] = f; }
  // A string literal would otherwise quietly become a bool.
  ShaderOptionValue(const char*) = delete;
  static ShaderOptionValue Vector(float x, float y);
  static ShaderOptionValue Vector(float x, float y, float z);
  static ShaderOptionValue Vector(float x, float y, float z, float w);

  int32_t type;
  union {
    bool boolean;
    int32_t integer;
    float vector[4];
  } value{};
};

class ShaderOptions {
public:
  virtual ~ShaderOptions() = default;

  // Gives the option its value and type; setting a name again replaces the earlier value.
  void SetOption(const std::string& name, ShaderOptionValue value);
  // One "static const" line per option in name order, each ending in "\n"; empty when
  // no option is set.
  std::string GenerateDeclarations() const;

private:
  std::map<std::string, ShaderOptionValue> options;
};

// Compiles program from the options' declarations followed directly by source; throws,
// compiling nothing, when source is null.
void CompileWithOptions(GpuProgram& program, const char* source, Profile profile,
                        const std::string& entryPoint, const ShaderOptions& options);

// The whole text of a shader file; throws naming the file when it cannot be read.
std::string ReadShaderFile(const std::string& name);

}  // namespace KOR
