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
    default: value = "v_COLOR0"; break;
  }
  if (arg & D3DTA_COMPLEMENT) value = "(vec4(1.0) - " + value + ")";
  if (arg & D3DTA_ALPHAREPLICATE) value = value + ".aaaa";
  return value;
}

std::string Operation(DWORD op, const std::string& a1, const std::string& a2) {
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
uniform mat4 korWorld, korView, korProjection;
uniform vec4 korLightDiffuse[8], korLightSpecular[8], korLightAmbient[8];
uniform vec3 korLightPosition[8], korLightDirection[8];  // in view space
uniform vec4 korLightAttenuation[8];  // a0, a1, a2, range
uniform vec3 korLightSpot[8];         // cos(theta / 2), cos(phi / 2), falloff
uniform vec4 korMaterialDiffuse, korMaterialAmbient, korMaterialSpecular, korMaterialEmissive;
uniform float korMaterialPower;
uniform vec4 korAmbient, korFogColour, korTextureFactor;
uniform vec3 korFogParameters;        // start, end, density
uniform float korAlphaRef;
uniform mat4 korTextureMatrix[8];
uniform vec2 korViewport;
)";

}  // namespace

std::string FixedFunctionKey::Text() const {
  std::string t;
  auto add = [&](unsigned v) { t += Str(v) + ","; };
  for (bool b : {transformed, hasNormal, hasColour0, hasColour1, lighting, specular, localViewer, normalize, rangeFog})
    add(b);
  for (DWORD v : {texcoordSets, diffuseSource, specularSource, ambientSource, emissiveSource, fog, alphaFunction})
    add(v);
  for (DWORD v : lightTypes) add(v);
  add(unsigned(stages));
  for (int s = 0; s < stages; ++s) {
    const FixedStage& st = stage[size_t(s)];
    for (DWORD v : {st.colourOp, st.colourArg1, st.colourArg2, st.alphaOp, st.alphaArg1, st.alphaArg2,
                    st.resultArg, st.coordinateSet, st.coordinateSource, st.transformFlags, st.dimension})
      add(v);
  }
  return t;
}

int FixedAttributeLocation(BYTE usage, BYTE index) {
  if ((usage == D3DDECLUSAGE_POSITION || usage == D3DDECLUSAGE_POSITIONT) && index == 0) return 0;
  if (usage == D3DDECLUSAGE_NORMAL && index == 0) return 1;
  if (usage == D3DDECLUSAGE_COLOR && index < 2) return 2 + index;
  if (usage == D3DDECLUSAGE_TEXCOORD && index < 8) return 4 + index;
  return -1;
}

std::string FixedVertexStage(const FixedFunctionKey& k) {
  std::string s = kUniforms;
  s += "in vec4 korPosition;\nin vec3 korNormal;\nin vec4 korColour0;\nin vec4 korColour1;\n";
  for (int i = 0; i < 8; ++i) s += "in vec4 korTexcoord" + Str(unsigned(i)) + ";\n";
  s += "out vec4 v_COLOR0;\nout vec4 v_COLOR1;\nout float korFogFactor;\n";
  for (int i = 0; i < k.stages; ++i) s += "out vec4 v_TEXCOORD" + Str(unsigned(i)) + ";\n";
  s += "void korMain() {\n";
  std::string colour0 = k.hasColour0 ? "korColour0" : "vec4(1.0)";
  std::string colour1 = k.hasColour1 ? "korColour1" : "vec4(0.0)";
  if (k.transformed) {
    // Screen pixels to clip space, with w = 1 / rhw, as Direct3D takes pre-transformed vertices.
    s += "  float w = korPosition.w > 0.0 ? 1.0 / korPosition.w : 1.0;\n"
         "  vec2 ndc = vec2(korPosition.x / korViewport.x * 2.0 - 1.0, 1.0 - korPosition.y / korViewport.y * 2.0);\n"
         "  gl_Position = vec4(ndc * w, korPosition.z * w, w);\n"
         "  vec4 viewPosition = vec4(0.0, 0.0, korPosition.z, 1.0);\n"
         "  vec3 normal = vec3(0.0);\n";
  } else {
    s += "  vec4 viewPosition = korView * (korWorld * vec4(korPosition.xyz, 1.0));\n"
         "  gl_Position = korProjection * viewPosition;\n";
    s += k.hasNormal ? "  vec3 normal = mat3(korView) * (mat3(korWorld) * korNormal);\n"
                     : "  vec3 normal = vec3(0.0);\n";
    if (k.normalize) s += "  if (dot(normal, normal) > 0.0) normal = normalize(normal);\n";
  }
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
      std::string n = "[" + Str(unsigned(i)) + "]";
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
  // Fog by distance from the eye: view depth, or the range when range fog is on.
  if (k.fog) {
    s += std::string("  float depth = ") + (k.rangeFog ? "length(viewPosition.xyz)" : "abs(viewPosition.z)") + ";\n";
    if (k.fog == D3DFOG_LINEAR)
      s += "  korFogFactor = (korFogParameters.y - depth) / max(korFogParameters.y - korFogParameters.x, 1e-6);\n";
    else if (k.fog == D3DFOG_EXP)
      s += "  korFogFactor = exp(-depth * korFogParameters.z);\n";
    else
      s += "  korFogFactor = exp(-(depth * korFogParameters.z) * (depth * korFogParameters.z));\n";
    s += "  korFogFactor = clamp(korFogFactor, 0.0, 1.0);\n";
  } else {
    s += "  korFogFactor = 1.0;\n";
  }
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
  s += "in vec4 v_COLOR0;\nin vec4 v_COLOR1;\nin float korFogFactor;\n";
  for (int i = 0; i < k.stages; ++i) s += "in vec4 v_TEXCOORD" + Str(unsigned(i)) + ";\n";
  s += "out vec4 target;\nvoid main() {\n  vec4 current = v_COLOR0, temp = vec4(0.0);\n";
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
      // A stage without a texture passes what it modulates, as untextured drawing expects.
      default: texel = "vec4(1.0)";
    }
    s += "  vec4 texel" + n + " = " + texel + ";\n";
    std::string colour = Operation(st.colourOp, Argument(st.colourArg1, i), Argument(st.colourArg2, i));
    std::string alpha = st.alphaOp == D3DTOP_DISABLE
                            ? "current"
                            : Operation(st.alphaOp, Argument(st.alphaArg1, i), Argument(st.alphaArg2, i));
    std::string result = (st.resultArg & D3DTA_SELECTMASK) == D3DTA_TEMP ? "temp" : "current";
    s += "  " + result + " = clamp(vec4((" + colour + ").rgb, (" + alpha + ").a), 0.0, 1.0);\n";
  }
  if (k.specular) s += "  current.rgb = clamp(current.rgb + v_COLOR1.rgb, 0.0, 1.0);\n";
  if (k.fog) s += "  current.rgb = mix(korFogColour.rgb, current.rgb, korFogFactor);\n";
  if (k.alphaFunction) s += "  if (!(" + Compare(k.alphaFunction, "floor(current.a * 255.0 + 0.5)", "korAlphaRef") + ")) discard;\n";
  s += "  target = current;\n}\n";
  return s;
}

}  // namespace d3d9
