// The compiled GLSL run on a real GL 3.3 context: constants set through the table, copied
// from the register file into the uniform blocks as the code describes, give the same
// numbers as the CPU, and a vertex and a pixel program compiled apart link by semantic.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstring>
#include <vector>

#include "platform/d3d9/D3D9Testing.h"
#include "platform/d3d9/DeviceCore.h"
#include "tests/d3dx/ShaderTestSupport.h"

namespace {

const char* kVertexProgram = R"(
float4x4 transform;
float4x3 reduce;
struct Output {
  float4 position : POSITION;
  float4 reduced : TEXCOORD4;
  float4 transformed : TEXCOORD3;
  float4 colour : COLOR0;
};
Output main(float4 position : POSITION, float4 probe : TEXCOORD0) {
  Output o;
  o.position = position;
  o.transformed = mul(probe, transform);
  o.reduced = float4(mul(probe, reduce), 1);
  o.colour = probe * 4;
  return o;
}
)";

// Declares the varyings in the other order than the vertex program writes them.
const char* kPixelProgram = R"(
float4 offset;
float4 select;
float4 main(float4 colour : COLOR0, float4 transformed : TEXCOORD3,
            float4 reduced : TEXCOORD4) : COLOR {
  return transformed * select.x + reduced * select.y + colour * select.z + offset;
}
)";

uint64_t objectSerials = 0;

// A device that keeps the register files where the test can read them.
class RegisterFileDevice final : public d3d9::DeviceCore {
public:
  explicit RegisterFileDevice(IUnknown* parent) : DeviceCore(nullptr, &objectSerials, parent) {}
  const std::vector<float>& Floats(d3d9::ShaderStage stage) const {
    return stage == d3d9::ShaderStage::Vertex ? vertexConstants.floats : pixelConstants.floats;
  }
};

// What the GL backend does with a program's constants: each register to its place in the block.
std::vector<unsigned char> BlockContents(const d3d9::ShaderCode& code,
                                         const std::vector<float>& registers) {
  std::vector<unsigned char> block(code.uniformBlockSize, 0);
  for (const d3d9::ShaderConstant& c : code.constants) {
    EXPECT_EQ(c.file, d3d9::RegisterFile::Float4);
    for (DWORD k = 0; k < c.count; ++k)
      std::memcpy(block.data() + c.offset + k * c.stride, &registers[(c.first + k) * 4],
                  c.components * sizeof(float));
  }
  return block;
}

#define GL_FUNCTIONS(X)                                                                       \
  X(PFNGLCREATESHADERPROC, CreateShader) X(PFNGLSHADERSOURCEPROC, ShaderSource)               \
  X(PFNGLCOMPILESHADERPROC, CompileShader) X(PFNGLGETSHADERIVPROC, GetShaderiv)               \
  X(PFNGLGETSHADERINFOLOGPROC, GetShaderInfoLog) X(PFNGLCREATEPROGRAMPROC, CreateProgram)     \
  X(PFNGLATTACHSHADERPROC, AttachShader) X(PFNGLLINKPROGRAMPROC, LinkProgram)                 \
  X(PFNGLGETPROGRAMIVPROC, GetProgramiv) X(PFNGLGETPROGRAMINFOLOGPROC, GetProgramInfoLog)     \
  X(PFNGLBINDATTRIBLOCATIONPROC, BindAttribLocation) X(PFNGLUSEPROGRAMPROC, UseProgram)       \
  X(PFNGLGETUNIFORMBLOCKINDEXPROC, GetUniformBlockIndex)                                      \
  X(PFNGLUNIFORMBLOCKBINDINGPROC, UniformBlockBinding) X(PFNGLGENBUFFERSPROC, GenBuffers)     \
  X(PFNGLBINDBUFFERPROC, BindBuffer) X(PFNGLBUFFERDATAPROC, BufferData)                       \
  X(PFNGLBINDBUFFERBASEPROC, BindBufferBase) X(PFNGLGENVERTEXARRAYSPROC, GenVertexArrays)     \
  X(PFNGLBINDVERTEXARRAYPROC, BindVertexArray)                                                \
  X(PFNGLVERTEXATTRIBPOINTERPROC, VertexAttribPointer)                                        \
  X(PFNGLENABLEVERTEXATTRIBARRAYPROC, EnableVertexAttribArray)                                \
  X(PFNGLGENFRAMEBUFFERSPROC, GenFramebuffers) X(PFNGLBINDFRAMEBUFFERPROC, BindFramebuffer)   \
  X(PFNGLGENRENDERBUFFERSPROC, GenRenderbuffers)                                              \
  X(PFNGLBINDRENDERBUFFERPROC, BindRenderbuffer)                                              \
  X(PFNGLRENDERBUFFERSTORAGEPROC, RenderbufferStorage)                                        \
  X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, FramebufferRenderbuffer)                                \
  X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, CheckFramebufferStatus)                                  \
  X(PFNGLDELETEPROGRAMPROC, DeleteProgram) X(PFNGLDELETESHADERPROC, DeleteShader)

struct Gl {
#define DECLARE(type, name) type name = nullptr;
  GL_FUNCTIONS(DECLARE)
#undef DECLARE
  bool Load() {
    bool all = true;
#define LOAD(type, name)                                                        \
  name = reinterpret_cast<type>(SDL_GL_GetProcAddress("gl" #name));            \
  all = all && name;
    GL_FUNCTIONS(LOAD)
#undef LOAD
    return all;
  }
};

constexpr int kSize = 4;

class ShaderGlTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    window = SDL_CreateWindow("d3dx", 0, 0, kSize, kSize, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    context = SDL_GL_CreateContext(window);
    ASSERT_NE(context, nullptr) << SDL_GetError();
    ASSERT_TRUE(gl.Load());
  }
  void TearDown() override {
    if (context) SDL_GL_DeleteContext(context);
    if (window) SDL_DestroyWindow(window);
    SDL_Quit();
  }
  GLuint Shader(GLenum stage, const std::string& source) {
    GLuint shader = gl.CreateShader(stage);
    const char* text = source.c_str();
    gl.ShaderSource(shader, 1, &text, nullptr);
    gl.CompileShader(shader);
    GLint ok = 0;
    gl.GetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    char log[2048] = "";
    gl.GetShaderInfoLog(shader, sizeof log, nullptr, log);
    EXPECT_TRUE(ok) << log << source;
    return shader;
  }
  void Block(GLuint program, const std::string& name, GLuint binding,
             const std::vector<unsigned char>& contents) {
    GLuint index = gl.GetUniformBlockIndex(program, name.c_str());
    ASSERT_NE(index, GL_INVALID_INDEX) << name;
    gl.UniformBlockBinding(program, index, binding);
    GLuint buffer = 0;
    gl.GenBuffers(1, &buffer);
    gl.BindBuffer(GL_UNIFORM_BUFFER, buffer);
    gl.BufferData(GL_UNIFORM_BUFFER, GLsizeiptr(contents.size()), contents.data(), GL_STATIC_DRAW);
    gl.BindBufferBase(GL_UNIFORM_BUFFER, binding, buffer);
  }

  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  Gl gl;
};

TEST_F(ShaderGlTest, MatricesSetOnTheCpuTransformLikeTheCpuAndVaryingsLinkBySemantic) {
  Compiled vs, ps;
  Compile(vs, kVertexProgram, "vs_2_0");
  Compile(ps, kPixelProgram, "ps_3_0");
  ASSERT_EQ(vs.result, D3D_OK) << vs.Messages();
  ASSERT_EQ(ps.result, D3D_OK) << ps.Messages();
  d3d9::ShaderCode vertex = vs.Decoded(), pixel = ps.Decoded();

  // Registers filled as the render module would fill them.
  D3D9Recording recording;
  D3D9StartRecording(&recording);
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  auto* device = new RegisterFileDevice(d3d);
  D3DXMATRIX m;
  const float values[16] = {1, 2, 3, 4, -1, 0.5f, 2, 0, 0, 1, -3, 0.25f, 5, -2, 1, 1};
  std::memcpy(m.m, values, sizeof values);
  ASSERT_EQ(vs.table->SetMatrix(device, "transform", &m), D3D_OK);
  ASSERT_EQ(vs.table->SetMatrix(device, "reduce", &m), D3D_OK);
  const float offset[4] = {0.5f, -0.25f, 0.125f, 2};
  D3DXVECTOR4 offsetVector = {offset[0], offset[1], offset[2], offset[3]};
  ASSERT_EQ(ps.table->SetVector(device, "offset", &offsetVector), D3D_OK);
  std::vector<unsigned char> vertexBlock = BlockContents(vertex, device->Floats(vertex.stage));

  GLuint program = gl.CreateProgram();
  GLuint vertexShader = Shader(GL_VERTEX_SHADER, vertex.glsl);
  GLuint pixelShader = Shader(GL_FRAGMENT_SHADER, pixel.glsl);
  gl.AttachShader(program, vertexShader);
  gl.AttachShader(program, pixelShader);
  GLuint location[2] = {0, 0};
  ASSERT_EQ(vertex.inputs.size(), 2u);
  for (GLuint i = 0; i < 2; ++i) {
    gl.BindAttribLocation(program, i, vertex.inputs[i].name.c_str());
    location[vertex.inputs[i].usage == D3DDECLUSAGE_POSITION ? 0 : 1] = i;
  }
  gl.LinkProgram(program);
  GLint linked = 0;
  gl.GetProgramiv(program, GL_LINK_STATUS, &linked);
  char log[2048] = "";
  gl.GetProgramInfoLog(program, sizeof log, nullptr, log);
  ASSERT_TRUE(linked) << log;
  gl.UseProgram(program);
  Block(program, vertex.uniformBlock, 0, vertexBlock);

  GLuint framebuffer = 0, colour = 0;
  gl.GenFramebuffers(1, &framebuffer);
  gl.BindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  gl.GenRenderbuffers(1, &colour);
  gl.BindRenderbuffer(GL_RENDERBUFFER, colour);
  gl.RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA32F, kSize, kSize);
  gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
  ASSERT_EQ(gl.CheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
  glViewport(0, 0, kSize, kSize);

  const float probe[4] = {0.5f, -2, 3, 1};
  struct Vertex {
    float position[4];
    float probe[4];
  };
  std::vector<Vertex> quad;
  for (auto [x, y] : {std::pair{-1, -1}, {1, -1}, {-1, 1}, {-1, 1}, {1, -1}, {1, 1}})
    quad.push_back({{float(x), float(y), 0, 1}, {probe[0], probe[1], probe[2], probe[3]}});
  GLuint vao = 0, vbo = 0;
  gl.GenVertexArrays(1, &vao);
  gl.BindVertexArray(vao);
  gl.GenBuffers(1, &vbo);
  gl.BindBuffer(GL_ARRAY_BUFFER, vbo);
  gl.BufferData(GL_ARRAY_BUFFER, GLsizeiptr(quad.size() * sizeof(Vertex)), quad.data(), GL_STATIC_DRAW);
  gl.VertexAttribPointer(location[0], 4, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
  gl.VertexAttribPointer(location[1], 4, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                         reinterpret_cast<void*>(offsetof(Vertex, probe)));
  gl.EnableVertexAttribArray(location[0]);
  gl.EnableVertexAttribArray(location[1]);

  // One draw per varying, chosen by the pixel program's select constant.
  auto draw = [&](float transformed, float reduced, float colour) {
    D3DXVECTOR4 select = {transformed, reduced, colour, 0};
    EXPECT_EQ(ps.table->SetVector(device, "select", &select), D3D_OK);
    Block(program, pixel.uniformBlock, 1, BlockContents(pixel, device->Floats(pixel.stage)));
    glClear(GL_COLOR_BUFFER_BIT);
    glDrawArrays(GL_TRIANGLES, 0, GLsizei(quad.size()));
    std::vector<float> pixels(kSize * kSize * 4);
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_FLOAT, pixels.data());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    return std::vector<float>(pixels.begin() + 4 * 5, pixels.begin() + 4 * 6);  // pixel (1, 1)
  };

  // v × M on the CPU, row vector times row-major matrix.
  float expected[4];
  for (int c = 0; c < 4; ++c) {
    expected[c] = 0;
    for (int r = 0; r < 4; ++r) expected[c] += probe[r] * m.m[r][c];
  }
  std::vector<float> transformed = draw(1, 0, 0);
  for (int c = 0; c < 4; ++c)
    EXPECT_NEAR(transformed[c], expected[c] + offset[c], 1e-4f) << "component " << c;
  // The 4x3 matrix keeps the first three columns of the product.
  std::vector<float> reduced = draw(0, 1, 0);
  for (int c = 0; c < 3; ++c)
    EXPECT_NEAR(reduced[c], expected[c] + offset[c], 1e-4f) << "component " << c;
  EXPECT_NEAR(reduced[3], 1 + offset[3], 1e-4f);
  // A vs_2_0 colour output is clamped to [0, 1] like Direct3D's colour registers.
  std::vector<float> saturated = draw(0, 0, 1);
  const float clamped[4] = {1, 0, 1, 1};
  for (int c = 0; c < 4; ++c)
    EXPECT_NEAR(saturated[c], clamped[c] + offset[c], 1e-4f) << "component " << c;

  device->Release();
  d3d->Release();
  D3D9StopRecording();
  gl.DeleteShader(vertexShader);
  gl.DeleteShader(pixelShader);
  gl.DeleteProgram(program);
}

}  // namespace
