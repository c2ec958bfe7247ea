#include "graphics/ShaderOptions.h"

#include <locale>
#include <sstream>

#include "core/Exception.h"
#include "core/File.h"
#include "graphics/GpuProgram.h"

namespace KOR {

namespace {

const char* const kModule = "KOR Graphics (ShaderOptions)";

ShaderOptionValue VectorOf(ShaderOptionValue::Type type, float x, float y, float z, float w) {
  ShaderOptionValue v(x);
  v.type = type;
  v.value.vector[1] = y;
  v.value.vector[2] = z;
  v.value.vector[3] = w;
  return v;
}

// "float3(x,y,z)" for the first count components.
void WriteVector(std::ostream& out, int count, const float* components) {
  out << "float" << count << '(';
  for (int i = 0; i < count; ++i) out << (i ? "," : "") << components[i];
  out << ')';
}

}  // namespace

ShaderOptionValue ShaderOptionValue::Vector(float x, float y) {
  return VectorOf(Float2, x, y, 0, 0);
}

ShaderOptionValue ShaderOptionValue::Vector(float x, float y, float z) {
  return VectorOf(Float3, x, y, z, 0);
}

ShaderOptionValue ShaderOptionValue::Vector(float x, float y, float z, float w) {
  return VectorOf(Float4, x, y, z, w);
}

void ShaderOptions::SetOption(const std::string& name, ShaderOptionValue value) {
  options.insert_or_assign(name, value);
}

std::string ShaderOptions::GenerateDeclarations() const {
  std::ostringstream out;
  // The compiler reads "0.5", whatever decimal mark the process's locale would write.
  out.imbue(std::locale::classic());
  for (const auto& [name, option] : options) {
    out << "static const ";
    switch (option.type) {
      case ShaderOptionValue::Bool:
        out << "bool " << name << " = " << (option.value.boolean ? "true" : "false");
        break;
      case ShaderOptionValue::Int:
        out << "int " << name << " = " << option.value.integer;
        break;
      case ShaderOptionValue::Float:
        out << "float " << name << " = " << option.value.vector[0];
        break;
      case ShaderOptionValue::Float2:
      case ShaderOptionValue::Float3:
      case ShaderOptionValue::Float4: {
        int count = option.type - ShaderOptionValue::Float2 + 2;
        out << "float" << count << ' ' << name << " = ";
        WriteVector(out, count, option.value.vector);
        break;
      }
      default:
        throw Exception(kModule, "Unknown option type",
                        "Option " + name + " has type " + std::to_string(option.type));
    }
    out << ";\n";
  }
  return out.str();
}

void CompileWithOptions(GpuProgram& program, const char* source, Profile profile,
                        const std::string& entryPoint, const ShaderOptions& options) {
  if (!source) throw Exception(kModule, "No shader source", "Cannot compile " + entryPoint);
  std::string text = options.GenerateDeclarations() + source;
  program.Create(text.c_str(), +profile, entryPoint);
}

std::string ReadShaderFile(const std::string& name) {
  File file;
  if (!file.Open(name.c_str(), 0))
    throw Exception(kModule, "Cannot open file", "Cannot read the shader file " + name);
  return std::string(reinterpret_cast<const char*>(file.GetData()), file.GetSize());
}

}  // namespace KOR
