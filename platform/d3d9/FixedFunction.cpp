#include "platform/d3d9/FixedFunction.h"

#include <algorithm>

namespace d3d9 {
namespace {

std::string Str(unsigned v) { return std::to_string(v); }

// A stage argument as GLSL, with its modifiers.
std::string Argument(DWORD arg, int stage) {
  std::string value;
  switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: value = "v_COLOR0"; break;
    case D3DTA_CURRENT: value = "current"; break;
    case D3DTA_TEXTURE: value = "texel" + Str(unsigned(stage)); break;
    case D3DTA_TFACTOR: value = "korTextureFactor"; break;
    case D3DTA_SPECULAR: value = "v_COLOR1"; break;
    case D3DTA_TEMP: value = "temp"; break;
    case D3DTA_CONSTANT: value = "korStageConstant[" + Str(unsigned(stage)) + "]"; break;
    default: value = "v_COLOR0"; break;
  }
  if (arg & D3DTA_COMPLEMENT) value = "(vec4(1.0) - " + value + ")";
  if (arg & D3DTA_ALPHAREPLICATE) value = value + ".aaaa";
  return value;
}

// The arguments an operation reads: bit 0 for arg0, bit 1 for arg1, bit 2 for arg2.
unsigned ArgumentsRead(DWORD op) {
  switch (op) {
    case D3DTOP_DISABLE: return 0;
    case D3DTOP_SELECTARG1: return 2;
    case D3DTOP_SELECTARG2: return 4;
    case D3DTOP_MULTIPLYADD:
    case D3DTOP_LERP: return 7;
    default: return 6;
  }
}

// Whether an operation reads the stage's texture, through an argument or its alpha.
bool ReadsTexture(DWORD op, DWORD arg0, DWORD arg1, DWORD arg2) {
  if (op == D3DTOP_BLENDTEXTUREALPHA || op == D3DTOP_BLENDTEXTUREALPHAPM) return true;
  unsigned used = ArgumentsRead(op);
  const DWORD args[3] = {arg0, arg1, arg2};
  for (int i = 0; i < 3; ++i)
    if ((used >> i) & 1 && (args[i] & D3DTA_SELECTMASK) == D3DTA_TEXTURE) return true;
  return false;
}

std::string Operation(DWORD op, const std::string& a0, const std::string& a1, const std::string& a2,
                      const std::string& texel) {
  auto blend = [&](const std::string& alpha) { return "mix(" + a2 + ", " + a1 + ", " + alpha + ")"; };
  switch (op) {
    case D3DTOP_SELECTARG1: return a1;
    case D3DTOP_SELECTARG2: return a2;
    case D3DTOP_MODULATE2X: return "(" + a1 + " * " + a2 + " * 2.0)";
    case D3DTOP_MODULATE4X: return "(" + a1 + " * " + a2 + " * 4.0)";
    case D3DTOP_ADD: return "(" + a1 + " + " + a2 + ")";
    case D3DTOP_ADDSIGNED: return "(" + a1 + " + " + a2 + " - 0.5)";
    case D3DTOP_ADDSIGNED2X: return "((" + a1 + " + " + a2 + " - 0.5) * 2.0)";
    case D3DTOP_SUBTRACT: return "(" + a1 + " - " + a2 + ")";
    case D3DTOP_ADDSMOOTH: return "(" + a1 + " + " + a2 + " - " + a1 + " * " + a2 + ")";
    case D3DTOP_BLENDDIFFUSEALPHA: return blend("v_COLOR0.a");
    case D3DTOP_BLENDTEXTUREALPHA: return blend(texel + ".a");
    case D3DTOP_BLENDFACTORALPHA: return blend("korTextureFactor.a");
    case D3DTOP_BLENDCURRENTALPHA: return blend("current.a");
    case D3DTOP_BLENDTEXTUREALPHAPM: return "(" + a1 + " + " + a2 + " * (1.0 - " + texel + ".a))";
    // Stage i's result multiplies stage i + 1's texel; the stage itself passes arg1 on.
    case D3DTOP_PREMODULATE: return a1;
    case D3DTOP_MODULATEALPHA_ADDCOLOR: return "vec4(" + a1 + ".rgb + " + a1 + ".a * " + a2 + ".rgb, " + a1 + ".a)";
    case D3DTOP_MODULATECOLOR_ADDALPHA: return "vec4(" + a1 + ".rgb * " + a2 + ".rgb + " + a1 + ".a, " + a1 + ".a)";
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
      return "vec4((1.0 - " + a1 + ".a) * " + a2 + ".rgb + " + a1 + ".rgb, " + a1 + ".a)";
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
      return "vec4((vec3(1.0) - " + a1 + ".rgb) * " + a2 + ".rgb + " + a1 + ".a, " + a1 + ".a)";
    // Signed dot product of the two arguments, replicated into every channel.
    case D3DTOP_DOTPRODUCT3: return "vec4(4.0 * dot(" + a1 + ".rgb - 0.5, " + a2 + ".rgb - 0.5))";
    case D3DTOP_MULTIPLYADD: return "(" + a0 + " + " + a1 + " * " + a2 + ")";
    case D3DTOP_LERP: return "mix(" + a2 + ", " + a1 + ", " + a0 + ")";
    // Bump mapping perturbs the next stage's coordinates; without it the stage passes on.
    case D3DTOP_BUMPENVMAP:
    case D3DTOP_BUMPENVMAPLUMINANCE: return "current";
    default: return "(" + a1 + " * " + a2 + ")";  // modulate
  }
}

std::string Compare(DWORD function, const std::string& a, const std::string& b) {
  switch (function) {
    case D3DCMP_NEVER: return "false";
    case D3DCMP_LESS: return a + " < " + b;
    case D3DCMP_EQUAL: return a + " == " + b;
    case D3DCMP_LESSEQUAL: return a + " <= " + b;
    case D3DCMP_GREATER: return a + " > " + b;
    case D3DCMP_NOTEQUAL: return a + " != " + b;
    case D3DCMP_GREATEREQUAL: return a + " >= " + b;
    default: return "true";
  }
}

// A material colour from its source: the material's, or a vertex colour it has.
std::string Source(const FixedFunctionKey& k, DWORD source, const char* material) {
  if (source == D3DMCS_COLOR1 && k.hasColour0) return "korColour0";
  if (source == D3DMCS_COLOR2 && k.hasColour1) return "korColour1";
  return material;
}

const char* kUniforms = R"(
// What every fixed-function program reads alike (the camera, the lights moved into its
// view, fog and the other states): one block all of them share, uploaded once when any
// of it changes rather than by each program that draws after a camera move. Laid out as
// the layer's FixedFrame.
layout(std140) uniform korFixedFrame {
  mat4 korView, korProjection;
  vec4 korLights[8 * 7];
  vec4 korFixedStates[4];
  vec4 korViewport;    // x, y, width, height
  vec4 korFrameFlags;  // whether a depth below 0, above 1 passes the depth test; w fog
};
#define korDepthOutside korFrameFlags.xy
#define korWFog korFrameFlags.z  // 1: table fog by eye distance (w), 0: by depth (z)
// An object's world matrices 0 … 3, then their normal matrices (the inverse transpose of
// world × view in the upper 3 × 3): one array, sent in one call per object.
uniform mat4 korObject[8];
#define korWorld(i) korObject[i]
#define korNormalMatrix(i) mat3(korObject[4 + (i)])
#define korLightDiffuse(i) korLights[(i) * 7]
#define korLightSpecular(i) korLights[(i) * 7 + 1]
#define korLightAmbient(i) korLights[(i) * 7 + 2]
#define korLightPosition(i) korLights[(i) * 7 + 3].xyz   // in view space
#define korLightDirection(i) korLights[(i) * 7 + 4].xyz  // in view space
#define korLightAttenuation(i) korLights[(i) * 7 + 5]    // a0, a1, a2, range
#define korLightSpot(i) korLights[(i) * 7 + 6].xyz       // cos(theta / 2), cos(phi / 2), falloff
// Each program's own groups of values are one array each, uploaded in one call when any
// of it changes.
uniform vec4 korMaterial[5];
#define korMaterialDiffuse korMaterial[0]
#define korMaterialAmbient korMaterial[1]
#define korMaterialSpecular korMaterial[2]
#define korMaterialEmissive korMaterial[3]
#define korMaterialPower korMaterial[4].x
#define korAmbient korFixedStates[0]
#define korFogColour korFixedStates[1]
#define korTextureFactor korFixedStates[2]
#define korFogParameters korFixedStates[3].xyz  // start, end, density
#define korAlphaRef korFixedStates[3].w
uniform vec4 korStageConstant[8];
uniform mat4 korTextureMatrix[8];
)";

// The fog factor of a distance from the eye (or depth) for the key's fog mode.
std::string FogFunction(DWORD mode) {
  std::string s = "float korFog(float d) {\n";
  if (mode == D3DFOG_LINEAR)
    // (end - d) / (end - start) as it stands: start = end fogs fully, end < start reverses.
    s += "  float range = korFogParameters.y - korFogParameters.x;\n"
         "  return clamp(range != 0.0 ? (korFogParameters.y - d) / range : 0.0, 0.0, 1.0);\n";
  else if (mode == D3DFOG_EXP)
    s += "  return clamp(exp(-d * korFogParameters.z), 0.0, 1.0);\n";
  else
    s += "  return clamp(exp(-(d * korFogParameters.z) * (d * korFogParameters.z)), 0.0, 1.0);\n";
  return s + "}\n";
}

}  // namespace

int FixedAttributeLocation(BYTE usage, BYTE index) {
  if ((usage == D3DDECLUSAGE_POSITION || usage == D3DDECLUSAGE_POSITIONT) && index == 0) return 0;
  if (usage == D3DDECLUSAGE_NORMAL && index == 0) return 1;
  if (usage == D3DDECLUSAGE_COLOR && index < 2) return 2 + index;
  if (usage == D3DDECLUSAGE_TEXCOORD && index < 8) return 4 + index;
  if (usage == D3DDECLUSAGE_BLENDWEIGHT && index == 0) return 12;
  // The fixed-function stage reads none of these; vertex programs do.
  if (usage == D3DDECLUSAGE_TANGENT && index == 0) return 13;
  if (usage == D3DDECLUSAGE_BINORMAL && index == 0) return 14;
  if (usage == D3DDECLUSAGE_BLENDINDICES && index == 0) return 15;
  return -1;
}

std::vector<std::string> AttributeSlots(const std::vector<ShaderInput>& inputs) {
  std::vector<std::string> slots(16);
  for (const ShaderInput& input : inputs) {
    bool fits = input.usage < 256 && input.usageIndex < 256;
    int slot = fits ? FixedAttributeLocation(BYTE(input.usage), BYTE(input.usageIndex)) : -1;
    if (slot < 0 || !slots[size_t(slot)].empty()) return {};
    slots[size_t(slot)] = input.name;
  }
  return slots;
}

std::vector<std::string> FixedAttributeNames() {
  std::vector<std::string> names = {"korPosition", "korNormal", "korColour0", "korColour1"};
  for (int i = 0; i < 8; ++i) names.push_back("korTexcoord" + std::to_string(i));
  names.push_back("korBlendWeight");
  return names;
}

std::string FixedVertexStage(const FixedFunctionKey& k) {
  std::string s = kUniforms;
  s += "in vec4 korPosition;\nin vec3 korNormal;\nin vec4 korColour0;\nin vec4 korColour1;\nin vec4 korBlendWeight;\n";
  if (k.transformed) s += "out float korRawDepth;\n";
  for (int i = 0; i < 8; ++i) s += "in vec4 korTexcoord" + Str(unsigned(i)) + ";\n";
  std::string interpolation = k.flat ? "flat " : "";
  s += interpolation + "out vec4 v_COLOR0;\n" + interpolation + "out vec4 v_COLOR1;\nout float korFogFactor;\n";
  bool vertexFog = k.fog && !k.tableFog && !k.fogFromSpecular;
  if (vertexFog) s += FogFunction(k.fog);
  for (int i = 0; i < k.stages; ++i) s += "out vec4 v_TEXCOORD" + Str(unsigned(i)) + ";\n";
  s += "void korMain() {\n";
  std::string colour0 = k.hasColour0 ? "korColour0" : "vec4(1.0)";
  std::string colour1 = k.hasColour1 ? "korColour1" : "vec4(0.0)";
  if (k.transformed) {
    // Target pixels (not the viewport's) to clip space, with w = 1 / rhw, as Direct3D takes
    // pre-transformed vertices; the viewport only clips them.
    s += "  float w = korPosition.w > 0.0 ? 1.0 / korPosition.w : 1.0;\n"
         "  vec2 ndc = vec2((korPosition.x - korViewport.x) / korViewport.z * 2.0 - 1.0,\n"
         "                  1.0 - (korPosition.y - korViewport.y) / korViewport.w * 2.0);\n"
         "  gl_Position = vec4(ndc * w, korPosition.z * w, w);\n"
         "  korRawDepth = korPosition.z;\n"
         "  vec4 viewPosition = vec4(0.0, 0.0, korPosition.z, 1.0);\n"
         "  vec3 normal = vec3(0.0);\n";
  } else if (k.blendMatrices <= 1) {
    // Normals go by the inverse transpose of world × view, so scaling does not bend them.
    s += "  vec4 viewPosition = korView * (korWorld(0) * vec4(korPosition.xyz, 1.0));\n"
         "  gl_Position = korProjection * viewPosition;\n";
    s += k.hasNormal ? "  vec3 normal = korNormalMatrix(0) * korNormal;\n" : "  vec3 normal = vec3(0.0);\n";
  } else {
    // Vertex blending: n - 1 weights from the vertex, the last one what they leave of 1.
    std::string n = Str(unsigned(k.blendMatrices));
    s += "  float weights[4] = float[4](korBlendWeight.x, korBlendWeight.y, korBlendWeight.z, 0.0);\n"
         "  float rest = 1.0;\n"
         "  for (int i = 0; i < " + n + " - 1; ++i) rest -= weights[i];\n"
         "  weights[" + n + " - 1] = rest;\n"
         "  vec4 worldPosition = vec4(0.0);\n"
         "  vec3 normal = vec3(0.0);\n"
         "  for (int i = 0; i < " + n + "; ++i) {\n"
         "    worldPosition += weights[i] * (korWorld(i) * vec4(korPosition.xyz, 1.0));\n";
    if (k.hasNormal) s += "    normal += weights[i] * (korNormalMatrix(i) * korNormal);\n";
    s += "  }\n"
         "  vec4 viewPosition = korView * worldPosition;\n"
         "  gl_Position = korProjection * viewPosition;\n";
  }
  if (!k.transformed && k.normalize) s += "  if (dot(normal, normal) > 0.0) normal = normalize(normal);\n";
  if (k.lighting && !k.transformed) {
    s += "  vec4 matDiffuse = " + Source(k, k.diffuseSource, "korMaterialDiffuse") + ";\n";
    s += "  vec4 matAmbient = " + Source(k, k.ambientSource, "korMaterialAmbient") + ";\n";
    s += "  vec4 matSpecular = " + Source(k, k.specularSource, "korMaterialSpecular") + ";\n";
    s += "  vec4 matEmissive = " + Source(k, k.emissiveSource, "korMaterialEmissive") + ";\n";
    s += "  vec3 ambient = korAmbient.rgb, diffuse = vec3(0.0), specular = vec3(0.0);\n"
         "  vec3 toEye = " + std::string(k.localViewer ? "normalize(-viewPosition.xyz)" : "vec3(0.0, 0.0, -1.0)") + ";\n";
    for (int i = 0; i < 8; ++i) {
      DWORD type = k.lightTypes[size_t(i)];
      if (!type) continue;
      std::string n = "(" + Str(unsigned(i)) + ")";
      s += "  {\n";
      if (type == D3DLIGHT_DIRECTIONAL) {
        s += "    vec3 l = normalize(-korLightDirection" + n + ");\n    float attenuation = 1.0;\n";
      } else {
        s += "    vec3 toLight = korLightPosition" + n + " - viewPosition.xyz;\n"
             "    float d = length(toLight);\n"
             "    vec3 l = d > 0.0 ? toLight / d : vec3(0.0);\n"
             "    vec4 a = korLightAttenuation" + n + ";\n"
             "    float attenuation = d > a.w ? 0.0 : 1.0 / max(a.x + a.y * d + a.z * d * d, 1e-6);\n";
        if (type == D3DLIGHT_SPOT)
          s += "    float rho = dot(normalize(-korLightDirection" + n + "), l);\n"
               "    vec3 spot = korLightSpot" + n + ";\n"
               "    attenuation *= rho > spot.x ? 1.0 : rho <= spot.y ? 0.0\n"
               "                 : pow((rho - spot.y) / max(spot.x - spot.y, 1e-6), spot.z);\n";
      }
      s += "    ambient += attenuation * korLightAmbient" + n + ".rgb;\n"
           "    float lambert = max(dot(normal, l), 0.0);\n"
           "    diffuse += attenuation * lambert * korLightDiffuse" + n + ".rgb;\n";
      if (k.specular)
        s += "    vec3 h = normalize(toEye + l);\n"
             "    if (lambert > 0.0) specular += attenuation * pow(max(dot(normal, h), 0.0), korMaterialPower) * korLightSpecular" + n + ".rgb;\n";
      s += "  }\n";
    }
    s += "  v_COLOR0 = clamp(vec4(matAmbient.rgb * ambient + matDiffuse.rgb * diffuse + matEmissive.rgb, matDiffuse.a), 0.0, 1.0);\n"
         "  v_COLOR1 = clamp(vec4(matSpecular.rgb * specular, matSpecular.a), 0.0, 1.0);\n";
  } else {
    s += "  v_COLOR0 = " + colour0 + ";\n  v_COLOR1 = " + colour1 + ";\n";
  }
  // Vertex fog by distance from the eye: view depth, or the range when range fog is on.
  if (vertexFog)
    s += std::string("  korFogFactor = korFog(") + (k.rangeFog ? "length(viewPosition.xyz)" : "abs(viewPosition.z)") + ");\n";
  else if (k.fogFromSpecular)
    // A declaration without a specular colour reads (0, 0, 0, 1): no fog.
    s += std::string("  korFogFactor = ") + (k.hasColour1 ? "clamp(korColour1.a, 0.0, 1.0)" : "1.0") + ";\n";
  else
    s += "  korFogFactor = 1.0;\n";
  for (int i = 0; i < k.stages; ++i) {
    const FixedStage& st = k.stage[size_t(i)];
    std::string out = "v_TEXCOORD" + Str(unsigned(i));
    std::string coords;
    switch (st.coordinateSource) {
      case D3DTSS_TCI_CAMERASPACENORMAL: coords = "vec4(normal, 1.0)"; break;
      case D3DTSS_TCI_CAMERASPACEPOSITION: coords = "vec4(viewPosition.xyz, 1.0)"; break;
      case D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR:
        coords = "vec4(reflect(normalize(viewPosition.xyz), normal), 1.0)";
        break;
      default: {
        std::string set = "korTexcoord" + Str(st.coordinateSet);
        // A missing set reads as (0, 0, 0, 1); a present one's missing components are 0, w 1.
        coords = (k.texcoordSets >> st.coordinateSet) & 1 ? set : "vec4(0.0, 0.0, 0.0, 1.0)";
      }
    }
    DWORD count = st.transformFlags & 0xFF;
    // Two coordinates are transformed as (u, v, 1, 0), so the third row moves them.
    if (count == 2 && st.coordinateSource == 0) coords = "vec4(" + coords + ".xy, 1.0, 0.0)";
    if (count) coords = "(korTextureMatrix[" + Str(unsigned(i)) + "] * " + coords + ")";
    s += "  " + out + " = " + coords + ";\n";
  }
  s += "}\n";
  return s;
}

std::string FixedPixelStage(const FixedFunctionKey& k) {
  std::string s = kUniforms;
  const char* samplers[] = {"", "", "sampler2D", "sampler3D", "samplerCube"};
  for (int i = 0; i < k.stages; ++i)
    if (DWORD d = k.stage[size_t(i)].dimension) s += std::string("uniform ") + samplers[d] + " korStage" + Str(unsigned(i)) + ";\n";
  std::string interpolation = k.flat ? "flat " : "";
  s += interpolation + "in vec4 v_COLOR0;\n" + interpolation + "in vec4 v_COLOR1;\nin float korFogFactor;\n";
  if (k.transformed) s += "in float korRawDepth;\n";
  if (k.fog && k.tableFog) s += FogFunction(k.fog);
  for (int i = 0; i < k.stages; ++i) s += "in vec4 v_TEXCOORD" + Str(unsigned(i)) + ";\n";
  s += "out vec4 target;\nvoid main() {\n";
  // Pre-transformed depth outside [0, 1] is compared as it stands: against any depth the
  // buffer can hold, the comparison's outcome is known.
  if (k.transformed)
    s += "  if ((korRawDepth < 0.0 && korDepthOutside.x < 0.5) || (korRawDepth > 1.0 && korDepthOutside.y < 0.5)) discard;\n";
  s += "  vec4 current = v_COLOR0, temp = vec4(0.0), premodulated = vec4(1.0);\n";
  for (int i = 0; i < k.stages; ++i) {
    const FixedStage& st = k.stage[size_t(i)];
    std::string n = Str(unsigned(i)), coords = "v_TEXCOORD" + n;
    if (st.transformFlags & D3DTTFF_PROJECTED) {
      const char* last[] = {"w", "x", "y", "z", "w"};
      coords = "(" + coords + " / " + coords + "." + last[std::min<DWORD>(st.transformFlags & 0xFF, 4)] + ")";
    }
    std::string texel;
    switch (st.dimension) {
      case 2: texel = "texture(korStage" + n + ", " + coords + ".xy)"; break;
      case 3:
      case 4: texel = "texture(korStage" + n + ", " + coords + ".xyz)"; break;
      default: texel = "current";  // read only by operations that pass current on instead
    }
    if (i > 0 && k.stage[size_t(i - 1)].colourOp == D3DTOP_PREMODULATE && st.dimension)
      texel += " * premodulated";
    s += "  vec4 texel" + n + " = " + texel + ";\n";
    std::string texelName = "texel" + n;
    // A stage reading a texture it does not have passes the current colour and alpha on.
    bool colourPasses = !st.dimension && ReadsTexture(st.colourOp, st.colourArg0, st.colourArg1, st.colourArg2);
    bool alphaPasses = !st.dimension && ReadsTexture(st.alphaOp, st.alphaArg0, st.alphaArg1, st.alphaArg2);
    std::string colour = colourPasses ? "current"
                                      : Operation(st.colourOp, Argument(st.colourArg0, i), Argument(st.colourArg1, i),
                                                  Argument(st.colourArg2, i), texelName);
    std::string alpha = st.alphaOp == D3DTOP_DISABLE || alphaPasses
                            ? "current"
                            : Operation(st.alphaOp, Argument(st.alphaArg0, i), Argument(st.alphaArg1, i),
                                        Argument(st.alphaArg2, i), texelName);
    // DOTPRODUCT3 as the colour operation fills alpha too.
    if (st.colourOp == D3DTOP_DOTPRODUCT3 && !colourPasses) alpha = colour;
    std::string result = (st.resultArg & D3DTA_SELECTMASK) == D3DTA_TEMP ? "temp" : "current";
    s += "  " + result + " = clamp(vec4((" + colour + ").rgb, (" + alpha + ").a), 0.0, 1.0);\n";
    if (st.colourOp == D3DTOP_PREMODULATE) s += "  premodulated = " + result + ";\n";
  }
  if (k.specular) s += "  current.rgb = clamp(current.rgb + v_COLOR1.rgb, 0.0, 1.0);\n";
  if (k.fog && k.tableFog)
    // Table fog per pixel from the projected depth: eye distance (w) or z.
    s += "  float fogDepth = korWFog > 0.5 ? 1.0 / gl_FragCoord.w : gl_FragCoord.z;\n"
         "  current.rgb = mix(korFogColour.rgb, current.rgb, korFog(fogDepth));\n";
  else if (k.fog)
    s += "  current.rgb = mix(korFogColour.rgb, current.rgb, korFogFactor);\n";
  if (k.alphaFunction) s += "  if (!(" + Compare(k.alphaFunction, "floor(current.a * 255.0 + 0.5)", "korAlphaRef") + ")) discard;\n";
  if (k.srgbWrite)
    s += "  current.rgb = mix(current.rgb * 12.92, 1.055 * pow(current.rgb, vec3(1.0 / 2.4)) - 0.055,\n"
         "                    step(vec3(0.0031308), current.rgb));\n";
  s += "  target = current;\n}\n";
  return s;
}

}  // namespace d3d9
