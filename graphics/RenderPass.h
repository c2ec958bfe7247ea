#pragma once
// What one pass puts on the device: a fixed-function material, render states, texture
// stages, a vertex and a pixel program and their constants. Each object is made through
// the current render device on first access and owned by the pass; only the objects
// marked used are applied.

#include <vector>

namespace KOR {

class FixedFunctionMaterial;
class RenderStateSet;
class TextureStageSet;
class GpuProgram;
class GpuProgramConstant;

class RenderPass {
public:
  RenderPass() = default;
  RenderPass(const RenderPass&) = delete;
  RenderPass& operator=(const RenderPass&) = delete;
  virtual ~RenderPass();

  // Material, render states and texture stages if used, then the vertex and pixel
  // programs if used, then every vertex constant and every pixel constant in list order.
  void Apply();

  // The getters make the object on first access; the Use variants also mark it used.
  FixedFunctionMaterial* GetMaterial();
  FixedFunctionMaterial* UseMaterial();
  RenderStateSet* GetRenderStates();
  RenderStateSet* UseRenderStates();
  TextureStageSet* GetTextureStages();
  TextureStageSet* UseTextureStages();
  GpuProgram* GetVertexProgram();
  GpuProgram* UseVertexProgram();
  GpuProgram* GetPixelProgram();
  GpuProgram* UsePixelProgram();
  // The constants stay the programs'; the pass applies them after binding.
  void AddVertexConstant(GpuProgramConstant* constant) { vertexConstants.push_back(constant); }
  void AddPixelConstant(GpuProgramConstant* constant) { pixelConstants.push_back(constant); }

  FixedFunctionMaterial* material = nullptr;
  RenderStateSet* renderStates = nullptr;
  TextureStageSet* textureStages = nullptr;
  GpuProgram* vertexProgram = nullptr;
  GpuProgram* pixelProgram = nullptr;
  std::vector<GpuProgramConstant*> vertexConstants;
  std::vector<GpuProgramConstant*> pixelConstants;
  bool usesMaterial = false, usesRenderStates = false, usesTextureStages = false;
  bool usesPixelProgram = false, usesVertexProgram = false;
};

}  // namespace KOR
