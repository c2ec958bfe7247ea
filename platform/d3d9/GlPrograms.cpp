// The GL backend's programs: compiled vertex and pixel stages linked in pairs, the
// fixed-function pipeline's programs by key, and the constant registers behind them.

#include <cstring>

#include "platform/d3d9/GlDevice.h"

namespace d3d9::gl {
namespace {

const char* kVertexSource = R"(
layout(location = 0) in vec4 korPosition;
layout(location = 1) in vec4 korColour;
uniform mat4 korWorldViewProjection;
out vec4 v_COLOR0;
void korMain() {
  gl_Position = korWorldViewProjection * korPosition;
  v_COLOR0 = korColour;
}
)";
const char* kFragmentSource = R"(
in vec4 v_COLOR0;
out vec4 target;
void main() { target = v_COLOR0; }
)";

// Every vertex program ends here: row 0 at the top, and Direct3D samples pixels at integer
// positions, half a pixel left of and above GL's centres.
const char* kVertexEpilogue = R"(
uniform vec2 korHalfPixel;
void main() {
  korMain();
  gl_Position.y = -gl_Position.y;
  gl_Position.xy += korHalfPixel * gl_Position.w;
#ifdef KOR_DEPTH_FIXUP
  gl_Position.z = gl_Position.z * 2.0 - gl_Position.w;
#endif
}
)";

// Direct3D's alpha test runs after the pixel program, on the colour it writes to target 0,
// compared as an 8-bit value with the reference; then sRGB writes convert that colour.
// Behind the fixed-function stage of pre-transformed vertices, a depth outside [0, 1] is
// compared as it stands.
const char* kPixelEpilogue = R"(
uniform int korAlphaFunction;  // D3DCMP_, 0 without the test
uniform float korAlphaRef;
#ifdef KOR_RAW_DEPTH
in float korRawDepth;
uniform vec2 korDepthOutside;  // whether a depth below 0, above 1 passes the depth test
#endif
void main() {
  korPixelMain();
#ifdef KOR_RAW_DEPTH
  if ((korRawDepth < 0.0 && korDepthOutside.x < 0.5) || (korRawDepth > 1.0 && korDepthOutside.y < 0.5)) discard;
#endif
  if (korAlphaFunction != 0) {
    float a = floor(clamp(KOR_TARGET.a, 0.0, 1.0) * 255.0 + 0.5);
    bool pass = true;
    switch (korAlphaFunction) {
      case 1: pass = false; break;
      case 2: pass = a < korAlphaRef; break;
      case 3: pass = a == korAlphaRef; break;
      case 4: pass = a <= korAlphaRef; break;
      case 5: pass = a > korAlphaRef; break;
      case 6: pass = a != korAlphaRef; break;
      case 7: pass = a >= korAlphaRef; break;
      default: break;
    }
    if (!pass) discard;
  }
#ifdef KOR_SRGB_WRITE
  vec3 c = clamp(KOR_TARGET.rgb, 0.0, 1.0);
  KOR_TARGET.rgb = mix(c * 12.92, 1.055 * pow(c, vec3(1.0 / 2.4)) - 0.055, step(vec3(0.0031308), c));
#endif
}
)";

// A stage's main becomes the given name, called by an epilogue.
bool RenameMain(std::string& glsl, const char* name) {
  size_t at = glsl.find("void main()");
  if (at == std::string::npos) return false;
  glsl.replace(at, 11, std::string("void ") + name + "()");
  return true;
}

// Splits "#version …" (and any extension lines) from the rest, so text can go between.
std::pair<std::string, std::string> SplitHeader(const std::string& glsl) {
  size_t end = 0;
  while (end < glsl.size() && glsl[end] == '#') {
    size_t line = glsl.find('\n', end);
    if (line == std::string::npos) return {glsl + "\n", ""};
    end = line + 1;
  }
  return {glsl.substr(0, end), glsl.substr(end)};
}

// The name of the vec4 a pixel stage writes to target 0; empty when it writes none.
std::string TargetZero(const std::string& glsl) {
  for (const char* pattern : {"layout(location = 0) out vec4 ", "\nout vec4 "}) {
    size_t at = glsl.find(pattern);
    if (at == std::string::npos) continue;
    at += std::strlen(pattern);
    size_t end = glsl.find(';', at);
    if (end != std::string::npos) return glsl.substr(at, end - at);
  }
  return "";
}

// A pixel stage followed by the alpha test and, for a program of sRGB writes, the
// conversion (compiled in or out: software GL pays for a branch's maths on every pixel
// even where the branch is not taken); unchanged when it writes no colour.
std::string WithAlphaTest(std::string glsl, bool srgbWrite, bool rawDepth = false) {
  std::string target = TargetZero(glsl);
  if (target.empty() || !RenameMain(glsl, "korPixelMain")) return glsl;
  return glsl + "#define KOR_TARGET " + target + "\n" + (rawDepth ? "#define KOR_RAW_DEPTH 1\n" : "") +
         (srgbWrite ? "#define KOR_SRGB_WRITE 1\n" : "") + kPixelEpilogue;
}

// A pixel stage for a vertex program without one: the diffuse colour it writes, or white.
std::string PassThroughPixelStage(const std::string& vertexGlsl) {
  if (vertexGlsl.find("out vec4 v_COLOR0;") != std::string::npos)
    return "in vec4 v_COLOR0;\nout vec4 target;\nvoid main() { target = v_COLOR0; }\n";
  return "out vec4 target;\nvoid main() { target = vec4(1.0); }\n";
}

}  // namespace

GLuint GlDevice::CompileStage(GLenum stage, const std::string& source, std::string* failure) {
  GLuint shader = GL(CreateShader)(stage);
  const char* text = source.c_str();
  GL(ShaderSource)(shader, 1, &text, nullptr);
  GL(CompileShader)(shader);
  GLint ok = 0;
  GL(GetShaderiv)(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[1024] = {};
    GL(GetShaderInfoLog)(shader, sizeof log, nullptr, log);
    *failure = std::string(stage == GL_VERTEX_SHADER ? "vertex" : "pixel") + " stage did not compile: " + log;
    SDL_Log("d3d9: %s", failure->c_str());
    GL(DeleteShader)(shader);
    return 0;
  }
  return shader;
}

// Compiles and links two stages, attribute i bound to location i (none for an empty name);
// 0 when either fails.
GLuint GlDevice::Link(const std::string& vertexSource, const std::string& pixelSource,
                      const std::vector<std::string>& attributes, std::string* failure) {
  GLuint vs = CompileStage(GL_VERTEX_SHADER, vertexSource, failure);
  GLuint fs = vs ? CompileStage(GL_FRAGMENT_SHADER, pixelSource, failure) : 0;
  if (!vs || !fs) {
    if (vs) GL(DeleteShader)(vs);
    return 0;
  }
  GLuint program = GL(CreateProgram)();
  GL(AttachShader)(program, vs);
  GL(AttachShader)(program, fs);
  for (size_t i = 0; i < attributes.size(); ++i)
    if (!attributes[i].empty()) GL(BindAttribLocation)(program, GLuint(i), attributes[i].c_str());
  GL(LinkProgram)(program);
  ++programsLinked;
  GL(DeleteShader)(vs);
  GL(DeleteShader)(fs);
  GLint ok = 0;
  GL(GetProgramiv)(program, GL_LINK_STATUS, &ok);
  if (!ok) {
    char log[1024] = {};
    GL(GetProgramInfoLog)(program, sizeof log, nullptr, log);
    *failure = std::string("vertex and pixel stage did not link: ") + log;
    SDL_Log("d3d9: %s", failure->c_str());
    GL(DeleteProgram)(program);
    return 0;
  }
  ++counters.liveGlPrograms;
  return program;
}

std::string GlDevice::DepthFixup() const { return gl.ClipControl ? "" : "#define KOR_DEPTH_FIXUP 1\n"; }

// The decoded function of a shader, shared by every shader with the same function; null
// when it cannot be used.
template <class Shader>
const ShaderCode* GlDevice::CodeOf(Shader* shader) {
  if (!shader) return nullptr;
  auto known = codeOfShader.find(shader->serial);
  if (known != codeOfShader.end()) return known->second;
  const ShaderCode* code = nullptr;
  auto found = codesByFunction.find(shader->function);
  if (found != codesByFunction.end()) {
    code = found->second.get();
  } else {
    auto decoded = std::make_unique<ShaderCode>();
    if (Decode(shader->function.data(), shader->function.size(), decoded.get()))
      code = codesByFunction.emplace(shader->function, std::move(decoded)).first->second.get();
  }
  codeOfShader.emplace(shader->serial, code);
  return code;
}

Program& GlDevice::ProgramFor(uint64_t vertexSerial, uint64_t pixelSerial, bool srgbWrite) {
  const ShaderCode* vertexCode = vertexSerial ? CodeOf(vertexShader) : nullptr;
  const ShaderCode* pixelCode = pixelSerial ? CodeOf(pixelShader) : nullptr;
  if ((vertexSerial && !vertexCode) || (pixelSerial && !pixelCode)) {
    unusable.failure = "a program's function is not the compiler's code";
    return unusable;
  }
  auto key = std::make_tuple(vertexCode, pixelCode, srgbWrite);
  auto found = programs.find(key);
  if (found != programs.end()) return found->second;
  Program& made = programs[key];
  made.vertex = vertexCode;
  made.pixel = pixelCode;
  made.srgbWrite = srgbWrite;

  std::string vertexSource, pixelSource;
  if (made.vertex) {
    auto [header, body] = SplitHeader(made.vertex->glsl);
    if (!RenameMain(body, "korMain")) {
      made.failure = "the vertex program has no main";
      return made;
    }
    vertexSource = header + DepthFixup() + body + kVertexEpilogue;
  } else {
    vertexSource = "#version 330 core\n" + DepthFixup() + kVertexSource + kVertexEpilogue;
  }
  if (made.pixel) pixelSource = WithAlphaTest(made.pixel->glsl, srgbWrite);
  else if (made.vertex)
    pixelSource = WithAlphaTest("#version 330 core\n" + PassThroughPixelStage(made.vertex->glsl), srgbWrite);
  else pixelSource = WithAlphaTest(std::string("#version 330 core\n") + kFragmentSource, srgbWrite);

  std::vector<std::string> attributes;
  if (made.vertex) {
    attributes = AttributeSlots(made.vertex->inputs);
    made.inputsInSlots = !attributes.empty() || made.vertex->inputs.empty();
    if (!made.inputsInSlots)
      for (const ShaderInput& input : made.vertex->inputs) attributes.push_back(input.name);
  } else {
    attributes = {"korPosition", "korColour"};
  }
  GLuint program = Link(vertexSource, pixelSource, attributes, &made.failure);
  if (!program) return made;
  made.name = program;
  BindProgramResources(made);
  return made;
}

// A pixel program behind the fixed-function vertex stage, as Direct3D runs one without a
// vertex program.
Program& GlDevice::HybridProgramFor(uint64_t, const FixedFunctionKey& key) {
  const ShaderCode* pixelCode = CodeOf(pixelShader);
  if (!pixelCode) {
    unusable.failure = "a program's function is not the compiler's code";
    return unusable;
  }
  auto found = hybridPrograms.find({pixelCode, key});
  if (found != hybridPrograms.end()) return found->second;
  Program& made = hybridPrograms[{pixelCode, key}];
  made.fixed = true;
  made.pixel = pixelCode;
  made.srgbWrite = key.srgbWrite;
  std::vector<std::string> attributes = FixedAttributeNames();
  GLuint program = Link("#version 330 core\n" + DepthFixup() + FixedVertexStage(key) + kVertexEpilogue,
                        WithAlphaTest(made.pixel->glsl, key.srgbWrite, key.transformed), attributes, &made.failure);
  if (!program) return made;
  made.name = program;
  BindProgramResources(made);
  FindFixedLocations(made);
  return made;
}

// Uniform locations, constant blocks and sampler units of a newly linked program.
void GlDevice::BindProgramResources(Program& made) {
  GLuint program = made.name;
  GL(UseProgram)(program);
  made.halfPixelAt = GL(GetUniformLocation)(program, "korHalfPixel");
  made.worldViewProjectionAt = GL(GetUniformLocation)(program, "korWorldViewProjection");
  made.alphaFunctionAt = GL(GetUniformLocation)(program, "korAlphaFunction");
  made.alphaRefAt = GL(GetUniformLocation)(program, "korAlphaRef");
  // Constants: the vertex stage's block on binding 0, the pixel stage's on 1.
  const ShaderCode* stages[2] = {made.vertex, made.pixel};
  for (GLuint binding = 0; binding < 2; ++binding) {
    const ShaderCode* code = stages[binding];
    if (!code) continue;
    if (!code->uniformBlock.empty()) {
      GLuint index = GL(GetUniformBlockIndex)(program, code->uniformBlock.c_str());
      if (index != GL_INVALID_INDEX) GL(UniformBlockBinding)(program, index, binding);
    }
    for (const ShaderSampler& sampler : code->samplers) {
      GLint at = GL(GetUniformLocation)(program, sampler.name.c_str());
      // Vertex samplers follow the pixel ones, as Direct3D numbers them from 257.
      if (at >= 0) GL(Uniform1i)(at, GLint(sampler.index + (binding == 0 ? 16 : 0)));
    }
  }
  boundProgram = program;
}

Program& GlDevice::FixedProgramFor(const FixedFunctionKey& key) {
  auto found = fixedPrograms.find(key);
  if (found != fixedPrograms.end()) return found->second;
  Program& made = fixedPrograms[key];
  made.fixed = true;
  made.srgbWrite = key.srgbWrite;
  made.fixedStages = key.stages;
  std::string header = "#version 330 core\n";
  std::vector<std::string> attributes = FixedAttributeNames();
  GLuint program = Link(header + DepthFixup() + FixedVertexStage(key) + kVertexEpilogue,
                        header + FixedPixelStage(key), attributes, &made.failure);
  if (!program) return made;
  made.name = program;
  GL(UseProgram)(program);
  boundProgram = program;
  made.halfPixelAt = GL(GetUniformLocation)(program, "korHalfPixel");
  for (int i = 0; i < key.stages; ++i) {
    GLint at = GL(GetUniformLocation)(program, ("korStage" + std::to_string(i)).c_str());
    if (at >= 0) GL(Uniform1i)(at, i);
  }
  FindFixedLocations(made);
  return made;
}

void GlDevice::SelectProgram() {
  uint64_t vertexSerial = vertexShader ? vertexShader->serial : 0;
  uint64_t pixelSerial = pixelShader ? pixelShader->serial : 0;
  Program* chosen = vertexSerial ? &ProgramFor(vertexSerial, pixelSerial, renderStates[D3DRS_SRGBWRITEENABLE] != 0)
                    : pixelSerial ? &HybridProgramFor(pixelSerial, FixedVertexKey())
                                  : &FixedProgramFor(FixedKey());
  if (chosen != current) {
    // Attribute locations come with the vertex stage; constants with both.
    if (!current || chosen->vertex != current->vertex || chosen->fixed != current->fixed) changes.Mark(Change::Input);
    uploadedFor[0] = uploadedFor[1] = nullptr;
  }
  current = chosen;
  if (current->name && current->name != boundProgram) {
    GL(UseProgram)(current->name);
    boundProgram = current->name;
  }
  changes.Clear(Change::Program);
}

// Uniforms are per program: each learns of a new viewport or transform when it is used.
void GlDevice::ApplyProgramUniforms() {
  if (current->fixed) ApplyFixedFrame(), ApplyFixedUniforms(*current);
  if (!current->Saw(Change::Viewport, changes)) {
    // A frame moves between its targets' sizes and back; most programs draw at one.
    const std::array<float, 2> halfPixel{1.0f / float(viewport.Width), 1.0f / float(viewport.Height)};
    if (current->halfPixelAt >= 0 && halfPixel != current->halfPixel) {
      GL(Uniform2f)(current->halfPixelAt, halfPixel[0], halfPixel[1]);
      current->halfPixel = halfPixel;
    }
    current->See(Change::Viewport, changes);
  }
  if (current->worldViewProjectionAt >= 0 && !current->Saw(Change::Transforms, changes)) {
    // Row-vector Direct3D matrices read as column-major GL ones are already transposed.
    GL(UniformMatrix4fv)(current->worldViewProjectionAt, 1, GL_FALSE, &worldViewProjection.m[0][0]);
    current->See(Change::Transforms, changes);
  }
  if (current->alphaFunctionAt >= 0 && !current->Saw(Change::Alpha, changes)) {
    const auto& rs = renderStates;
    GL(Uniform1i)(current->alphaFunctionAt, rs[D3DRS_ALPHATESTENABLE] ? GLint(rs[D3DRS_ALPHAFUNC]) : 0);
    GL(Uniform1f)(current->alphaRefAt, float(rs[D3DRS_ALPHAREF] & 0xFF));
    current->See(Change::Alpha, changes);
  }
  UploadConstants(0, current->vertex, vertexConstants);
  UploadConstants(1, current->pixel, pixelConstants);
}

// A stage's constant block, from the registers the program reads.
void GlDevice::UploadConstants(int stage, const ShaderCode* code, ConstantRegisters& registers) {
  if (!code || code->uniformBlockSize == 0) return;
  if (uploadedFor[stage] == current && !registers.dirty) return;
  block.assign(code->uniformBlockSize, 0);
  for (const ShaderConstant& c : code->constants) {
    for (DWORD k = 0; k < c.count; ++k) {
      const void* from = nullptr;
      DWORD r = c.first + k;
      switch (c.file) {
        case RegisterFile::Float4: from = &registers.floats[size_t(r) * 4]; break;
        case RegisterFile::Int4: from = &registers.ints[size_t(r) * 4]; break;
        case RegisterFile::Bool: from = &registers.bools[r]; break;
      }
      std::memcpy(block.data() + c.offset + size_t(k) * c.stride, from, size_t(c.components) * 4);
    }
  }
  // Each stage's buffer stays on its binding point and on its own upload target.
  GL(BufferData)(kConstantUpload[stage], GLsizeiptr(block.size()), block.data(), GL_STREAM_DRAW);
  uploadedFor[stage] = current;
  registers.dirty = false;
}

void GlDevice::ShaderDestroyed(uint64_t serial, unsigned&) {
  MakeCurrent();
  ForgetVertexArrays(serial);
  // Its programs stay: the next shader with the same function links nothing new.
  codeOfShader.erase(serial);
}

}  // namespace d3d9::gl
