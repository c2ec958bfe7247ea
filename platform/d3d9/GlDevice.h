#pragma once
// The GL backend's device, shared by the files that implement it: GlDevice.cpp (lifetime,
// frames, render targets, the IDirect3D9 object), GlResources.cpp (buffers, textures,
// samplers, vertex arrays), GlPrograms.cpp (compiling, linking and choosing programs,
// constant registers), GlState.cpp (enum tables, render states, viewport, the draw) and
// GlFixedUniforms.cpp (the fixed-function key and the values behind its uniforms).
// Private to the layer: nothing outside platform/d3d9 includes it.

#define GL_GLEXT_PROTOTYPES 1
#include <SDL.h>
#include <SDL_opengl.h>

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/d3d9/DeviceCore.h"
#include "platform/d3d9/FixedFunction.h"
#include "platform/d3d9/ShaderCode.h"

namespace d3d9::gl {

#define KOR_GL_FUNCTIONS(X)                                                                   \
  X(Enable) X(Disable) X(Viewport) X(DepthRange) X(Scissor) X(ClearColor) X(ClearDepth)      \
  X(ClearStencil) X(Clear) X(ColorMask) X(DepthMask) X(StencilMask) X(DepthFunc)             \
  X(CullFace) X(FrontFace) X(BlendFunc) X(ReadPixels) X(GetError) X(GenBuffers)              \
  X(DeleteBuffers) X(BindBuffer) X(BufferData) X(BufferSubData) X(GenVertexArrays)           \
  X(DeleteVertexArrays) X(BindVertexArray) X(EnableVertexAttribArray) X(VertexAttribPointer) \
  X(VertexAttrib4f) X(DrawArrays) X(DrawElementsBaseVertex) X(CreateShader) X(ShaderSource)  \
  X(CompileShader) X(GetShaderiv) X(CreateProgram) X(AttachShader) X(BindAttribLocation)     \
  X(LinkProgram) X(GetProgramiv) X(UseProgram) X(GetUniformLocation) X(UniformMatrix4fv)     \
  X(DeleteShader) X(DeleteProgram) X(GenFramebuffers) X(DeleteFramebuffers)     \
  X(BindFramebuffer) X(GenRenderbuffers) X(DeleteRenderbuffers) X(BindRenderbuffer)          \
  X(RenderbufferStorage) X(FramebufferRenderbuffer) X(CheckFramebufferStatus)                \
  X(BlitFramebuffer) X(GetUniformBlockIndex) X(UniformBlockBinding) X(BindBufferBase)        \
  X(BlendFuncSeparate) X(BlendEquationSeparate) X(BlendColor) X(PolygonMode)                 \
  X(StencilFuncSeparate) X(StencilOpSeparate) X(Uniform1i) X(Uniform1f) X(Uniform3f)         \
  X(Uniform4f) X(Uniform4fv) X(GetShaderInfoLog) X(GetProgramInfoLog) X(GenTextures)        \
  X(DeleteTextures) X(BindTexture) X(ActiveTexture) X(TexImage2D) X(TexImage3D)              \
  X(TexSubImage2D) X(TexSubImage3D) X(CompressedTexImage2D) X(CompressedTexImage3D)          \
  X(TexParameteri) X(GenSamplers) X(DeleteSamplers) X(BindSampler) X(SamplerParameteri)     \
  X(SamplerParameterf) X(SamplerParameterfv) X(FramebufferTexture2D) X(PixelStorei)          \
  X(ProvokingVertex) X(GetTexImage) X(GetCompressedTexImage) X(CompressedTexSubImage2D)      \
  X(CompressedTexSubImage3D) X(UniformMatrix3fv) X(Uniform2f)

struct GlApi {
#define KOR_GL_MEMBER(name) decltype(&gl##name) name = nullptr;
  KOR_GL_FUNCTIONS(KOR_GL_MEMBER)
#undef KOR_GL_MEMBER
  decltype(&glClipControl) ClipControl = nullptr;  // optional: depth 0..1 without a fix-up
  // Optional, where the driver has direct state access: a texture bound to a unit without
  // choosing the unit first, a buffer written without binding it first, a present that
  // copies between framebuffers without binding either.
  decltype(&glBindTextureUnit) BindTextureUnit = nullptr;
  decltype(&glNamedBufferSubData) NamedBufferSubData = nullptr;
  decltype(&glBlitNamedFramebuffer) BlitNamedFramebuffer = nullptr;
  bool Load();
};

// Every GL call goes through GL(name), so tests and benchmarks can count them.
extern uint64_t glCalls;
extern uint64_t programsLinked;
#define GL(name) (++::d3d9::gl::glCalls, gl.name)

// Enum tables: each Direct3D value named once; nullopt for one outside the table.
std::optional<GLenum> CompareOf(DWORD function);
std::optional<GLenum> BlendOf(DWORD factor);
std::optional<GLenum> BlendOpOf(DWORD operation);
std::optional<GLenum> StencilOpOf(DWORD operation);
std::optional<GLenum> ModeOf(D3DPRIMITIVETYPE type);
std::optional<GLint> AddressOf(DWORD mode);

// Direct3D's conversion of a linear channel in [0, 1] to sRGB, as D3DRS_SRGBWRITEENABLE writes.
float LinearToSrgb(float c);

struct AttributeFormat {
  GLint size;
  GLenum type;
  GLboolean normalised;
};
std::optional<AttributeFormat> FormatOf(BYTE type);

struct TextureFormat {
  GLint internal;
  GLenum format, type;  // type 0: compressed
  GLint swizzle[4];
};
std::optional<TextureFormat> TextureFormatOf(D3DFORMAT format);

// Where each uniform of a fixed-function program is, found once when it is linked.
// The rest it reads from the shared block korFixedFrame.
struct FixedLocations {
  GLint object = -1, material = -1, stageConstants = -1, textureMatrices = -1;
  GLint depthOutside = -1;  // a pixel program's epilogue behind pre-transformed vertices
};

// What a GL sampler object holds (GL's defaults until the layer sets it).
struct SamplerParameters {
  std::array<GLint, 3> wrap{GL_REPEAT, GL_REPEAT, GL_REPEAT};
  std::array<float, 4> border{0, 0, 0, 0};
  GLint mag = GL_LINEAR, min = GL_NEAREST_MIPMAP_LINEAR;
  float anisotropy = 1.0f;
  bool operator==(const SamplerParameters&) const = default;
};

// A linked vertex and pixel stage; serial 0 stands for the layer's built-in stage.
struct Program {
  GLuint name = 0;
  std::string failure;                        // why it could not be made, when name is 0
  const ShaderCode* vertex = nullptr;         // null: the built-in vertex stage
  const ShaderCode* pixel = nullptr;          // null: the built-in or a pass-through stage
  GLint halfPixelAt = -1, worldViewProjectionAt = -1;
  std::array<float, 2> halfPixel{};  // what halfPixelAt holds: a viewport of the same size keeps it
  GLint alphaFunctionAt = -1, alphaRefAt = -1;  // the alpha test after a pixel program
  bool srgbWrite = false;                       // the conversion to sRGB compiled in
  bool fixed = false;    // the vertex stage is the fixed-function pipeline of one key
  // A vertex program whose inputs all sit in the fixed-function stage's attribute slots,
  // so programs alike in that share vertex arrays with it and with each other.
  bool inputsInSlots = false;
  int fixedStages = 0;   // texture stages of a fixed-function pixel stage
  FixedLocations at;
  // Which of the device's changes this program has taken in: its uniforms are its own, so
  // each learns of a new viewport, transform, alpha test or fixed-function group when it
  // is used.
  ChangeCounts seen{};
  bool Saw(Change kind, const ChangeTracker& changes) const { return seen[size_t(kind)] == changes.Count(kind); }
  void See(Change kind, const ChangeTracker& changes) { seen[size_t(kind)] = changes.Count(kind); }
};

class GlDevice final : public DeviceCore {
public:
  GlDevice(uint64_t* serials, IUnknown* parent, SDL_Window* window, SDL_GLContext context);
  ~GlDevice() override;
  bool Init(const D3DPRESENT_PARAMETERS& parameters);
  bool ReadBack(std::vector<uint32_t>* pixels, UINT* width, UINT* height);
  bool ReadWindow(std::vector<uint32_t>* pixels, UINT* width, UINT* height);

  void BufferCreated(BufferStore& store, bool index) override;
  void BufferUnlocked(BufferStore& store, bool index) override;
  void BufferDestroyed(BufferStore& store, bool index) override;
  void ShaderDestroyed(uint64_t serial, unsigned& glName) override;
  void TextureCreated(TextureData& texture) override;
  bool KeepsTextureBytes(const TextureData& texture) const override;
  void TextureWritten(TextureData& texture, UINT face, UINT level, const D3DBOX& box,
                      const TexelBytes& bytes) override;
  void TextureRead(TextureData& texture, UINT face, UINT level, const D3DBOX& box,
                   const TexelBytes& bytes) override;
  void TextureDestroyed(TextureData& texture) override;

protected:
  HRESULT DoReset(const D3DPRESENT_PARAMETERS& parameters) override;
  HRESULT DoClear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                  DWORD stencil) override;
  HRESULT DoPresent() override;
  HRESULT DoDraw(const DrawCall& draw) override;
  HRESULT DoStretchRect(Surface& from, const RECT& a, Surface& to, const RECT& b,
                        D3DTEXTUREFILTERTYPE filter) override;
  HRESULT DoGetRenderTargetData(Surface& from, Surface& to) override;
  HRESULT DoColorFill(Surface& surface, const RECT& rect, D3DCOLOR colour) override;
  HRESULT DoUpdateTarget(Surface& surface, const RECT& rect, const POINT& at, const TexelBytes& bytes) override;
  void RenderTargetChanged() override;

private:
  // GlDevice.cpp: context, window and targets.
  void MakeCurrent();
  bool ShowInWindow();
  bool MakeTarget(const D3DPRESENT_PARAMETERS& p);
  void DropTarget();
  void ApplyWindowType(const D3DPRESENT_PARAMETERS& p);
  GLuint FramebufferOf(Surface& surface);
  GLuint CurrentFramebuffer();

  // GlResources.cpp: uploads, samplers, vertex arrays.
  void UseTextureUnit(UINT unit);  // glActiveTexture, when the unit is another
  GLuint SamplerFor(const SamplerParameters& parameters);
  GLenum BindForUpload(const TextureData& t);
  void UploadLevel(const TextureData& t, UINT face, UINT level);
  // Whether the current target stores alpha: an X8R8G8B8 target reads as alpha 1.
  bool TargetHasAlpha() const;
  void UploadLockedBuffers();
  void ApplySamplers();
  void ApplyInput();
  void ForgetVertexArrays(uint64_t serial);

  // GlPrograms.cpp: programs and their constants.
  GLuint CompileStage(GLenum stage, const std::string& source, std::string* failure);
  GLuint Link(const std::string& vertexSource, const std::string& pixelSource,
              const std::vector<std::string>& attributes, std::string* failure);
  std::string DepthFixup() const;
  template <class Shader>
  const ShaderCode* CodeOf(Shader* shader);
  Program& ProgramFor(uint64_t vertexSerial, uint64_t pixelSerial, bool srgbWrite);
  Program& FixedProgramFor(const FixedFunctionKey& key);
  Program& HybridProgramFor(uint64_t pixelSerial, const FixedFunctionKey& key);
  void BindProgramResources(Program& made);
  void SelectProgram();
  void ApplyProgramUniforms();
  void UploadConstants(int stage, const ShaderCode* code, ConstantRegisters& registers);

  // GlState.cpp: render states, viewport, scissor, transforms.
  // GL state that every frame sets again (masks, clear values, depth range): a call that
  // would leave it as it is is left out.
  void SetColourMask(DWORD mask);  // bits 0 … 3: red, green, blue, alpha
  void SetDepthMask(bool write);
  void SetStencilMask(DWORD mask);
  void SetClearValues(DWORD flags, const std::array<float, 4>& colour, float z, GLint stencil);
  void ApplyViewport();
  void ApplyScissor();
  void ApplyTransforms();
  void ApplyRenderStates();
  void ApplyDepthClamp();

  // GlFixedUniforms.cpp: the fixed-function key and its values.
  FixedFunctionKey FixedKey() const;
  // The part of the key a fixed-function vertex stage needs in front of a pixel program.
  FixedFunctionKey FixedVertexKey() const;
  void FindFixedLocations(Program& p);
  void ApplyFixedFrame();
  void ApplyFixedUniforms(Program& p);

  GlApi gl;
  SDL_Window* window;
  SDL_GLContext context;
  GLuint framebuffer = 0, renderbuffers[2] = {};
  // Programs are keyed by the decoded code they link, not by shader objects: a game that
  // makes its shaders again (every level load) links nothing it linked before.
  std::map<std::tuple<const ShaderCode*, const ShaderCode*, bool>, Program> programs;  // and sRGB writes
  std::map<FixedFunctionKey, Program> fixedPrograms;
  std::map<std::pair<const ShaderCode*, FixedFunctionKey>, Program> hybridPrograms;  // pixel code, vertex key
  std::map<std::vector<DWORD>, std::unique_ptr<ShaderCode>> codesByFunction;  // decoded once per function
  std::map<uint64_t, const ShaderCode*> codeOfShader;  // by shader serial; null when unusable
  Program unusable;  // what a shader whose function is not the compiler's code draws with
  Program* current = nullptr;
  GLuint boundProgram = 0;
  // The world and the view or projection change apart: an object's draw re-sends its world only.
  std::array<D3DMATRIX, 4> appliedWorlds{};  // the four vertex blending reads
  D3DMATRIX appliedView{}, appliedProjection{};
  D3DVIEWPORT9 appliedViewport{};
  D3DMATRIX worldViewProjection{};
  GLuint constantBuffers[2] = {};  // on uniform binding points 0 (vertex) and 1 (pixel)
  GLuint fixedFrameBuffer = 0;     // korFixedFrame, on binding point kFixedFrameBinding
  // Each of those buffers stays bound to a target of its own that nothing else uses, so an
  // upload never has to bind first: the vertex constants, the pixel constants, the frame.
  static constexpr GLenum kConstantUpload[2] = {GL_UNIFORM_BUFFER, GL_COPY_READ_BUFFER};
  static constexpr GLenum kFixedFrameUpload = GL_TEXTURE_BUFFER;
  FixedFrame fixedFrame{};         // what it holds, once fixedFrameSent
  bool fixedFrameSent = false;
  ChangeCounts fixedFrameSeen{};   // the changes it has taken in, as a program's seen
  std::vector<std::pair<SamplerParameters, GLuint>> samplerObjects;  // made on first use
  std::array<GLuint, kSamplers> boundSamplers{};
  std::array<GLuint, kSamplers> boundTextures{};
  UINT activeUnit = 0;
  std::array<GLenum, kSamplers> boundTargets{};
  const Program* samplersFor = nullptr;
  std::map<uint64_t, GLuint> targetFramebuffers;  // by surface serial
  const Program* uploadedFor[2] = {};
  std::vector<unsigned char> block;
  std::map<std::vector<uint64_t>, GLuint> vertexArrays;
  std::vector<uint64_t> inputKey;  // reused, so choosing a vertex array allocates nothing
  GLuint boundVertexArray = 0;
  GLuint readFramebuffer = 0;  // a level attached for reading it back
  bool depthClamped = false;
  bool scissorOn = false;
  // What GL holds of the state Set* above leave out when unchanged; empty until first set.
  std::optional<DWORD> glColourMask, glStencilMask;
  std::optional<bool> glDepthMask, glCullOn;
  std::optional<GLenum> glCullFace;
  std::optional<std::array<GLenum, 4>> glBlendFunctions;  // colour source, dest, alpha source, dest
  std::optional<std::array<float, 4>> glClearColour;
  std::optional<float> glClearDepth;
  std::optional<GLint> glClearStencil;
  std::optional<std::array<float, 2>> glDepthRange;
  std::optional<std::pair<int, int>> windowSize;  // the drawable's, as the last present saw it
};

}  // namespace d3d9::gl
