#include "platform/d3dx/HlslCompiler.h"

#include <glslang/Include/intermediate.h>
#include <glslang/MachineIndependent/localintermediate.h>
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv_cross_c.h>

#include <algorithm>
#include <cctype>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <tuple>

#include "platform/d3d9/ShaderCode.h"
#include "platform/d3dx/HlslSource.h"
#include "platform/d3dx/RegisterFileMap.h"
#include "platform/d3dx/Sampler1D.h"

namespace d3dx {
namespace {

// glslang keeps process-wide tables; they are made once and freed at exit so leak checks
// see only what a compile itself keeps.
struct GlslangProcess {
  GlslangProcess() { glslang::InitializeProcess(); }
  ~GlslangProcess() { glslang::FinalizeProcess(); }
};
void EnsureGlslang() { static GlslangProcess process; }

// Hands #include requests to the caller's ID3DXInclude.
class IncludeBridge final : public glslang::TShader::Includer {
public:
  explicit IncludeBridge(ID3DXInclude* include) : include(include) {}
  IncludeResult* includeLocal(const char* name, const char*, size_t) override {
    return Open(D3DXINC_LOCAL, name);
  }
  IncludeResult* includeSystem(const char* name, const char*, size_t) override {
    return Open(D3DXINC_SYSTEM, name);
  }
  void releaseInclude(IncludeResult* result) override {
    if (!result) return;
    auto* opened = static_cast<Opened*>(result->userData);
    include->Close(opened->data);
    texts.remove_if([&](const Opened& o) { return &o == opened; });
    delete result;
  }

private:
  // What the handler gave, handed back on Close, and the text glslang reads instead.
  struct Opened {
    LPCVOID data;
    std::string text;
  };

  IncludeResult* Open(D3DXINCLUDE_TYPE type, const char* name) {
    if (!include) return nullptr;
    LPCVOID data = nullptr;
    UINT bytes = 0;
    if (FAILED(include->Open(type, name, nullptr, &data, &bytes)) || !data) return nullptr;
    Opened& opened = texts.emplace_back(
        Opened{data, PrepareHlsl(std::string_view(static_cast<const char*>(data), bytes))});
    return new IncludeResult(name, opened.text.data(), opened.text.size(), &opened);
  }
  ID3DXInclude* include;
  std::list<Opened> texts;
};

struct SpvcContext {
  SpvcContext() { spvc_context_create(&context); }
  ~SpvcContext() { spvc_context_destroy(context); }
  spvc_context context = nullptr;
};

// "TEXCOORD1" → ("TEXCOORD", 1); no digits means index 0.
std::pair<std::string, DWORD> SplitSemantic(std::string semantic) {
  for (char& c : semantic) c = char(std::toupper(static_cast<unsigned char>(c)));
  size_t digits = semantic.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(semantic[digits - 1]))) --digits;
  if (semantic.size() - digits > 2) digits = semantic.size();  // no usage index that large
  DWORD index = digits < semantic.size() ? DWORD(std::stoul(semantic.substr(digits))) : 0;
  return {semantic.substr(0, digits), index};
}

std::optional<DWORD> DeclUsage(const std::string& base) {
  static const std::pair<const char*, DWORD> kUsages[] = {
      {"POSITION", D3DDECLUSAGE_POSITION}, {"BLENDWEIGHT", D3DDECLUSAGE_BLENDWEIGHT},
      {"BLENDINDICES", D3DDECLUSAGE_BLENDINDICES}, {"NORMAL", D3DDECLUSAGE_NORMAL},
      {"PSIZE", D3DDECLUSAGE_PSIZE}, {"TEXCOORD", D3DDECLUSAGE_TEXCOORD},
      {"TANGENT", D3DDECLUSAGE_TANGENT}, {"BINORMAL", D3DDECLUSAGE_BINORMAL},
      {"POSITIONT", D3DDECLUSAGE_POSITIONT}, {"COLOR", D3DDECLUSAGE_COLOR},
      {"FOG", D3DDECLUSAGE_FOG}};
  for (const auto& [name, usage] : kUsages)
    if (base == name) return usage;
  return std::nullopt;
}

// What a compile collects on the way; Fail adds a message and marks the result failed.
struct Build {
  CompileResult result;
  void Fail(const std::string& message) {
    result.ok = false;
    result.messages += "error: " + message + "\n";
  }
};

// A register a declaration names with register(…).
struct ExplicitRegister {
  D3DXREGISTER_SET set;
  DWORD index;
};

// What reflection of the SPIR-V cannot tell: D3DX's explicit registers, which constants are
// uniform entry parameters, and the samplers' order and dimensions as declared.
struct Declarations {
  std::map<std::string, ExplicitRegister> registers;  // by constant or sampler name
  std::set<std::string> entryParameters;
  std::vector<std::string> samplerOrder;
  std::set<std::string> samplers1D;
};

// glslang keeps register(cN) as the member's offset and register(bN) as its binding; both
// are taken off, so the block keeps the plain std140 layout that GLSL 330 can state and the
// registers travel in the code's map instead.
bool TakeMemberRegister(Build& build, glslang::TType& member, Declarations* declarations) {
  glslang::TQualifier& qualifier = member.getQualifier();
  std::string name = member.getFieldName().c_str();
  if (qualifier.hasOffset()) {
    if (qualifier.layoutOffset % 16 != 0) {
      build.Fail("unsupported packing of constant " + name);
      return false;
    }
    declarations->registers[name] = {D3DXRS_FLOAT4, DWORD(qualifier.layoutOffset / 16)};
  }
  if (qualifier.hasBinding()) {
    bool ints = qualifier.hasSet() && qualifier.layoutSet == kIntRegisterSpace;
    if (qualifier.hasSet() && !ints) {
      build.Fail("unsupported register space of constant " + name);
      return false;
    }
    declarations->registers[name] = {ints ? D3DXRS_INT4 : D3DXRS_BOOL, qualifier.layoutBinding};
  }
  qualifier.layoutOffset = glslang::TQualifier::layoutNotSet;
  qualifier.layoutBinding = glslang::TQualifier::layoutBindingEnd;
  qualifier.layoutSet = glslang::TQualifier::layoutSetEnd;
  return true;
}

// glslang moves uniform parameters of the entry point into the global block; its copy of the
// entry function ("@main(…") still lists them as uniforms.
void ReadEntryParameters(glslang::TIntermAggregate& function, Declarations* declarations) {
  if (function.getSequence().empty()) return;
  glslang::TIntermAggregate* parameters = function.getSequence()[0]->getAsAggregate();
  if (!parameters) return;
  for (TIntermNode* node : parameters->getSequence()) {
    glslang::TIntermSymbol* symbol = node->getAsSymbolNode();
    if (symbol && symbol->getQualifier().storage == glslang::EvqUniform)
      declarations->entryParameters.insert(symbol->getName().c_str());
  }
}

// Read from the linked tree before I/O mapping gives every sampler a binding of its own.
bool TakeDeclarations(Build& build, glslang::TIntermediate& intermediate, const std::string& entry,
                      Declarations* declarations) {
  TIntermNode* root = intermediate.getTreeRoot();
  glslang::TIntermAggregate* aggregate = root ? root->getAsAggregate() : nullptr;
  if (!aggregate) return true;
  const std::string entryFunction = "@" + entry + "(";
  for (TIntermNode* node : aggregate->getSequence()) {
    glslang::TIntermAggregate* part = node->getAsAggregate();
    if (!part) continue;
    if (part->getOp() == glslang::EOpFunction &&
        std::string_view(part->getName().c_str()).substr(0, entryFunction.size()) == entryFunction)
      ReadEntryParameters(*part, declarations);
    if (part->getOp() != glslang::EOpLinkerObjects) continue;
    for (TIntermNode* object : part->getSequence()) {
      glslang::TIntermSymbol* symbol = object->getAsSymbolNode();
      if (!symbol) continue;
      glslang::TType& type = symbol->getWritableType();
      std::string name = symbol->getName().c_str();
      if (type.getBasicType() == glslang::EbtSampler) {
        declarations->samplerOrder.push_back(name);
        if (type.getSampler().dim == glslang::Esd1D) declarations->samplers1D.insert(name);
        if (type.getQualifier().hasBinding())
          declarations->registers[name] = {D3DXRS_SAMPLER, type.getQualifier().layoutBinding};
      } else if (type.getBasicType() == glslang::EbtBlock &&
                 type.getQualifier().storage == glslang::EvqUniform) {
        for (glslang::TTypeLoc& member : *type.getWritableStruct())
          if (!TakeMemberRegister(build, *member.type, declarations)) return false;
      }
    }
  }
  return true;
}

bool ToSpirv(Build& build, std::string_view source, const std::string& preamble,
             ID3DXInclude* include, const std::string& entry, bool pixel,
             std::vector<unsigned>* spirv, Declarations* declarations) {
  EnsureGlslang();
  EShLanguage stage = pixel ? EShLangFragment : EShLangVertex;
  glslang::TShader shader(stage);
  const std::string prepared = PrepareHlsl(source);
  const char* text = prepared.data();
  int length = int(prepared.size());
  shader.setStringsWithLengths(&text, &length, 1);
  shader.setPreamble(preamble.c_str());
  shader.setEntryPoint(entry.c_str());
  shader.setSourceEntryPoint(entry.c_str());
  shader.setEnvInput(glslang::EShSourceHlsl, stage, glslang::EShClientVulkan, 100);
  shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
  shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
  // Keeps the semantics on the interface variables, which name the varyings.
  shader.setEnvTargetHlslFunctionality1();
  shader.setAutoMapLocations(true);
  shader.setAutoMapBindings(true);
  shader.setHlslIoMapping(true);
  // DX9 mode keeps sampler2D/tex2D as combined samplers, as GLSL wants them.
  auto messages = EShMessages(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl |
                              EShMsgHlslDX9Compatible);
  IncludeBridge includer(include);
  bool parsed = shader.parse(GetDefaultResources(), 100, false, messages, includer);
  build.result.messages += shader.getInfoLog();
  if (!parsed) return false;

  glslang::TProgram program;
  program.addShader(&shader);
  bool linked = program.link(messages);
  build.result.messages += program.getInfoLog();
  glslang::TIntermediate* intermediate = program.getIntermediate(stage);
  // A missing entry point is only a link warning to glslang, and there is no program.
  if (!intermediate || intermediate->getNumEntryPoints() == 0) {
    build.Fail("entry point '" + entry + "' not found");
    return false;
  }
  if (!linked) {
    build.Fail("linking failed");
    return false;
  }
  if (!TakeDeclarations(build, *intermediate, entry, declarations)) return false;
  if (!program.mapIO()) {
    build.Fail("linking failed");
    return false;
  }
  spv::SpvBuildLogger logger;
  glslang::SpvOptions options;
  // Folds branches on static const options, so disabled code loses its constants.
  options.disableOptimizer = false;
  glslang::GlslangToSpv(*intermediate, *spirv, &logger, &options);
  std::string log = logger.getAllMessages();
  if (!log.empty()) build.result.messages += log;
  if (spirv->empty()) {
    build.Fail("no code generated");
    return false;
  }
  std::string error;
  if (!WidenSamplers1D(*spirv, &error)) {
    build.Fail(error);
    return false;
  }
  return true;
}

class Reflector {
public:
  Reflector(Build& build, spvc_compiler compiler, bool pixel, const Declarations& declarations)
      : build(build), compiler(compiler), pixel(pixel), prefix(pixel ? "ps_" : "vs_"),
        declarations(declarations) {
    code.stage = pixel ? d3d9::ShaderStage::Pixel : d3d9::ShaderStage::Vertex;
  }

  bool Run() {
    spvc_set active = nullptr;
    spvc_resources resources = nullptr;
    if (spvc_compiler_get_active_interface_variables(compiler, &active) != SPVC_SUCCESS ||
        spvc_compiler_create_shader_resources_for_active_variables(compiler, &resources,
                                                                   active) != SPVC_SUCCESS) {
      build.Fail("reflection failed");
      return false;
    }
    return Interface(resources, SPVC_RESOURCE_TYPE_STAGE_INPUT, true) &&
           Interface(resources, SPVC_RESOURCE_TYPE_STAGE_OUTPUT, false) &&
           Constants(resources) && Samplers(resources);
  }

  // Names the GLSL compile gave, read once it ran.
  void Finish() {
    if (blockVariable) {
      const char* block = spvc_compiler_get_remapped_declared_block_name(compiler, blockVariable);
      code.uniformBlock = block ? block : "";
    }
  }

  d3d9::ShaderCode code;
  std::vector<ConstantRecord> constants;
  std::vector<std::string> colourOutputs;  // GLSL names of COLORn vertex outputs

private:
  const spvc_reflected_resource* List(spvc_resources resources, spvc_resource_type type,
                                      size_t* count) {
    const spvc_reflected_resource* list = nullptr;
    *count = 0;
    spvc_resources_get_resource_list_for_type(resources, type, &list, count);
    return list;
  }

  // Attributes and varyings are named from their semantics, so a vertex and a pixel program
  // compiled apart link by name; locations go, as GLSL 330 has none for varyings.
  bool Interface(spvc_resources resources, spvc_resource_type type, bool input) {
    size_t count = 0;
    const spvc_reflected_resource* list = List(resources, type, &count);
    for (size_t i = 0; i < count; ++i) {
      SpvId id = list[i].id;
      if (spvc_compiler_has_decoration(compiler, id, SpvDecorationBuiltIn)) continue;
      const char* semanticText =
          spvc_compiler_get_decoration_string(compiler, id, SpvDecorationUserSemantic);
      std::string semantic = semanticText ? semanticText : "";
      auto [base, index] = SplitSemantic(semantic);
      if (base.empty()) {
        build.Fail(std::string("no semantic on ") + (input ? "input " : "output ") +
                   list[i].name);
        return false;
      }
      std::string name = base + std::to_string(index);
      // Direct3D 9's own names for what GLSL has built in.
      std::optional<SpvBuiltIn> builtIn;
      if (!pixel && !input && base == "POSITION" && index == 0) builtIn = SpvBuiltInPosition;
      if (!pixel && !input && base == "PSIZE" && index == 0) builtIn = SpvBuiltInPointSize;
      if (pixel && !input && base == "DEPTH" && index == 0) builtIn = SpvBuiltInFragDepth;
      if (builtIn) {
        spvc_compiler_unset_decoration(compiler, id, SpvDecorationLocation);
        spvc_compiler_set_decoration(compiler, id, SpvDecorationBuiltIn, *builtIn);
        continue;
      }
      if (pixel && !input) {
        // Render targets keep their locations: COLORn (or SV_TARGETn) is target n.
        if ((base != "COLOR" && base != "SV_TARGET") || index > 3) {
          build.Fail("unsupported pixel output semantic " + semantic);
          return false;
        }
        spvc_compiler_set_decoration(compiler, id, SpvDecorationLocation, index);
        continue;
      }
      if (pixel && (base == "VPOS" || base == "VFACE")) {
        // No varying carries these, and gl_FragCoord/gl_FrontFacing differ in origin and type.
        build.Fail("unsupported pixel input semantic " + semantic);
        return false;
      }
      spvc_compiler_unset_decoration(compiler, id, SpvDecorationLocation);
      if (!pixel && input) {
        std::optional<DWORD> usage = DeclUsage(base);
        if (!usage) {
          build.Fail("unknown vertex input semantic " + semantic);
          return false;
        }
        std::string attribute = "in_" + name;
        spvc_compiler_set_name(compiler, id, attribute.c_str());
        code.inputs.push_back({attribute, *usage, index});
      } else {
        spvc_compiler_set_name(compiler, id, ("v_" + name).c_str());
        if (!pixel && base == "COLOR") colourOutputs.push_back("v_" + name);
      }
    }
    std::sort(code.inputs.begin(), code.inputs.end(), [](const auto& a, const auto& b) {
      return std::tie(a.usage, a.usageIndex) < std::tie(b.usage, b.usageIndex);
    });
    return true;
  }

  bool Constants(spvc_resources resources) {
    size_t count = 0;
    const spvc_reflected_resource* list = List(resources, SPVC_RESOURCE_TYPE_UNIFORM_BUFFER, &count);
    if (count == 0) return true;
    if (count > 1) {
      build.Fail("constants from more than one cbuffer are not supported");
      return false;
    }
    const spvc_reflected_resource& block = list[0];
    blockVariable = block.id;
    spvc_type type = spvc_compiler_get_type_handle(compiler, block.base_type_id);
    size_t size = 0;
    spvc_compiler_get_declared_struct_size(compiler, type, &size);
    code.uniformBlockSize = DWORD(size);
    // Per stage, so a vertex and a pixel program in one GL program keep their own blocks.
    std::string blockName = prefix + "Constants";
    spvc_compiler_set_name(compiler, block.base_type_id, blockName.c_str());
    spvc_compiler_set_name(compiler, block.id, (prefix + "constants").c_str());
    code.uniformBlock = blockName;

    const spvc_buffer_range* ranges = nullptr;
    size_t rangeCount = 0;
    spvc_compiler_get_active_buffer_ranges(compiler, block.id, &ranges, &rangeCount);
    std::vector<bool> used(spvc_type_get_num_member_types(type), false);
    for (size_t r = 0; r < rangeCount; ++r)
      if (ranges[r].index < used.size()) used[ranges[r].index] = true;

    std::vector<Placed> placed;
    for (unsigned member = 0; member < used.size(); ++member) {
      if (used[member] && !Describe(block.base_type_id, type, member, placed)) return false;
    }
    return Place(placed);
  }

  // A used constant before its registers are known.
  struct Placed {
    ConstantRecord record;
    d3d9::ShaderConstant constant;
    D3DXREGISTER_SET set;
  };

  DWORD RegisterLimit(D3DXREGISTER_SET set) const {
    switch (set) {
      case D3DXRS_BOOL: return d3d9::kBoolRegisters;
      case D3DXRS_INT4: return d3d9::kIntRegisters;
      case D3DXRS_FLOAT4: return pixel ? d3d9::kPixelFloatRegisters : d3d9::kVertexFloatRegisters;
      case D3DXRS_SAMPLER: return 16;
    }
    return 0;
  }

  static std::string RegisterName(D3DXREGISTER_SET set, DWORD index) {
    static const char kLetters[] = {'b', 'i', 'c', 's'};
    return kLetters[set] + std::to_string(index);
  }

  // Explicit registers first, in declaration order; then the others at the lowest free runs.
  bool Place(std::vector<Placed>& placed) {
    RegisterFileMap files[3] = {RegisterFileMap(RegisterLimit(D3DXRS_BOOL)),
                                RegisterFileMap(RegisterLimit(D3DXRS_INT4)),
                                RegisterFileMap(RegisterLimit(D3DXRS_FLOAT4))};
    for (Placed& p : placed) {
      auto found = declarations.registers.find(p.constant.name);
      if (found == declarations.registers.end()) continue;
      const ExplicitRegister& wanted = found->second;
      if (wanted.set != p.set) {
        build.Fail("register " + RegisterName(wanted.set, wanted.index) +
                   " cannot hold constant " + p.record.name);
        return false;
      }
      if (!files[p.set].Claim(wanted.index, p.constant.count)) {
        build.Fail("register " + RegisterName(wanted.set, wanted.index) + " of constant " +
                   p.record.name + " overlaps another constant or is out of range");
        return false;
      }
      p.constant.first = wanted.index;
    }
    for (Placed& p : placed) {
      if (declarations.registers.count(p.constant.name)) continue;
      std::optional<unsigned> first = files[p.set].ClaimLowest(p.constant.count);
      if (!first) {
        build.Fail("too many constant registers at " + p.record.name);
        return false;
      }
      p.constant.first = *first;
    }
    for (Placed& p : placed) {
      p.record.desc.RegisterIndex = p.constant.first;
      constants.push_back(std::move(p.record));
      code.constants.push_back(std::move(p.constant));
    }
    return true;
  }

  // The table's name: D3DX marks uniform parameters of the entry point with a leading '$'.
  std::string TableName(const std::string& name) const {
    return declarations.entryParameters.count(name) ? "$" + name : name;
  }

  bool Describe(spvc_type_id blockType, spvc_type type, unsigned member,
                std::vector<Placed>& placed) {
    const char* memberName = spvc_compiler_get_member_name(compiler, blockType, member);
    std::string name = memberName ? memberName : "";
    spvc_type memberType = spvc_compiler_get_type_handle(compiler,
                                                         spvc_type_get_member_type(type, member));
    spvc_basetype base = spvc_type_get_basetype(memberType);
    unsigned vector = spvc_type_get_vector_size(memberType);
    unsigned columns = spvc_type_get_columns(memberType);
    unsigned elements = 1;
    unsigned dimensions = spvc_type_get_num_array_dimensions(memberType);
    if (dimensions > 1 || (dimensions == 1 && !spvc_type_array_dimension_is_literal(memberType, 0))) {
      build.Fail("unsupported type of constant " + name);
      return false;
    }
    if (dimensions == 1) elements = spvc_type_get_array_dimension(memberType, 0);

    D3DXCONSTANT_DESC desc{};
    d3d9::ShaderConstant constant;
    constant.name = name;
    unsigned offset = 0;
    spvc_compiler_type_struct_member_offset(compiler, type, member, &offset);
    constant.offset = offset;
    // glslang turns an HLSL matrix's rows into GLSL columns.
    desc.Rows = columns;
    desc.Columns = vector;
    desc.Elements = elements;
    unsigned registersPerElement = 1;
    unsigned elementStride = 16;
    if (dimensions == 1) {
      spvc_compiler_type_struct_member_array_stride(compiler, type, member, &elementStride);
    }
    switch (base) {
      case SPVC_BASETYPE_FP32: desc.Type = D3DXPT_FLOAT; break;
      case SPVC_BASETYPE_INT32: desc.Type = D3DXPT_INT; break;
      // glslang stores HLSL bools in blocks as uints; shader model 3 has no unsigned type.
      case SPVC_BASETYPE_UINT32:
      case SPVC_BASETYPE_BOOLEAN: desc.Type = D3DXPT_BOOL; break;
      default:
        build.Fail("unsupported type of constant " + name);
        return false;
    }
    if (columns > 1) {
      if (desc.Type != D3DXPT_FLOAT) {
        build.Fail("unsupported type of constant " + name);
        return false;
      }
      unsigned matrixStride = 16;
      spvc_compiler_type_struct_member_matrix_stride(compiler, type, member, &matrixStride);
      bool rowMajor =
          spvc_compiler_has_member_decoration(compiler, blockType, member, SpvDecorationRowMajor);
      // A GLSL row_major member stores GLSL rows, which are HLSL columns.
      desc.Class = rowMajor ? D3DXPC_MATRIX_COLUMNS : D3DXPC_MATRIX_ROWS;
      constant.matrix = rowMajor ? d3d9::MatrixLayout::Rows : d3d9::MatrixLayout::Columns;
      registersPerElement = rowMajor ? vector : columns;
      constant.components = rowMajor ? columns : vector;
      constant.stride = matrixStride;
      if (elements > 1 && elementStride != matrixStride * registersPerElement) {
        build.Fail("unsupported layout of constant " + name);
        return false;
      }
    } else {
      desc.Class = vector > 1 ? D3DXPC_VECTOR : D3DXPC_SCALAR;
      constant.components = vector;
      constant.stride = elementStride;
      if (desc.Type == D3DXPT_BOOL && vector > 1) {
        build.Fail("unsupported type of constant " + name);
        return false;
      }
    }
    D3DXREGISTER_SET set = desc.Type == D3DXPT_BOOL  ? D3DXRS_BOOL
                           : desc.Type == D3DXPT_INT ? D3DXRS_INT4
                                                     : D3DXRS_FLOAT4;
    constant.file = d3d9::RegisterFile(set);
    constant.count = registersPerElement * elements;
    desc.RegisterSet = set;
    desc.RegisterCount = constant.count;
    desc.Bytes = desc.Rows * desc.Columns * desc.Elements * 4;
    placed.push_back({{TableName(name), desc}, std::move(constant), set});
    return true;
  }

  bool Samplers(spvc_resources resources) {
    const std::vector<std::string>& declared = declarations.samplerOrder;
    size_t count = 0;
    const spvc_reflected_resource* list = List(resources, SPVC_RESOURCE_TYPE_SAMPLED_IMAGE, &count);
    std::vector<const spvc_reflected_resource*> used;
    for (size_t i = 0; i < count; ++i) used.push_back(&list[i]);
    auto rank = [&](const spvc_reflected_resource* r) {
      return size_t(std::find(declared.begin(), declared.end(), r->name) - declared.begin());
    };
    std::stable_sort(used.begin(), used.end(),
                     [&](auto* a, auto* b) { return rank(a) < rank(b); });
    RegisterFileMap registers(RegisterLimit(D3DXRS_SAMPLER));
    std::vector<DWORD> indices(used.size());
    // Explicit s registers first, then the lowest free ones in declaration order.
    for (int pass = 0; pass < 2; ++pass) {
      for (size_t i = 0; i < used.size(); ++i) {
        std::string name = used[i]->name;
        auto found = declarations.registers.find(name);
        bool bound = found != declarations.registers.end();
        if (bound != (pass == 0)) continue;
        spvc_type type = spvc_compiler_get_type_handle(compiler, used[i]->type_id);
        if (spvc_type_get_num_array_dimensions(type) != 0) {
          build.Fail("unsupported sampler " + name);
          return false;
        }
        if (bound) {
          if (found->second.set != D3DXRS_SAMPLER ||
              !registers.Claim(found->second.index, 1)) {
            build.Fail("register " + RegisterName(found->second.set, found->second.index) +
                       " of sampler " + name + " overlaps another sampler or is out of range");
            return false;
          }
          indices[i] = found->second.index;
        } else {
          std::optional<unsigned> index = registers.ClaimLowest(1);
          if (!index) {
            build.Fail("unsupported sampler " + name);
            return false;
          }
          indices[i] = *index;
        }
      }
    }
    for (size_t i = 0; i < used.size(); ++i) {
      const spvc_reflected_resource* r = used[i];
      std::string name = r->name;
      spvc_type type = spvc_compiler_get_type_handle(compiler, r->type_id);
      D3DXCONSTANT_DESC desc{};
      d3d9::ShaderSampler sampler;
      switch (spvc_type_get_image_dimension(type)) {
        case SpvDim2D:
          // A sampler1D was widened to 2D before reflection; the table still says 1D.
          sampler.dimension = d3d9::SamplerDimension::Texture2D;
          desc.Type = declarations.samplers1D.count(name) ? D3DXPT_SAMPLER1D : D3DXPT_SAMPLER2D;
          break;
        case SpvDim3D:
          sampler.dimension = d3d9::SamplerDimension::Texture3D;
          desc.Type = D3DXPT_SAMPLER3D;
          break;
        case SpvDimCube:
          sampler.dimension = d3d9::SamplerDimension::Cube;
          desc.Type = D3DXPT_SAMPLERCUBE;
          break;
        default:
          build.Fail("unsupported sampler dimension of " + name);
          return false;
      }
      sampler.name = prefix + name;
      sampler.index = indices[i];
      spvc_compiler_set_name(compiler, r->id, sampler.name.c_str());
      spvc_compiler_unset_decoration(compiler, r->id, SpvDecorationBinding);
      spvc_compiler_unset_decoration(compiler, r->id, SpvDecorationDescriptorSet);
      desc.Class = D3DXPC_OBJECT;
      desc.RegisterSet = D3DXRS_SAMPLER;
      desc.RegisterIndex = sampler.index;
      desc.RegisterCount = 1;
      desc.Rows = desc.Columns = desc.Elements = 1;
      desc.Bytes = 4;
      constants.push_back({TableName(name), desc});
      code.samplers.push_back(sampler);
    }
    return true;
  }

  Build& build;
  spvc_compiler compiler;
  bool pixel;
  std::string prefix;
  const Declarations& declarations;
  spvc_variable_id blockVariable = 0;
};

// The program's own main is renamed and called from a main that clamps the colours after it.
bool SaturateColours(std::string& glsl, const std::vector<std::string>& colours) {
  const std::string entry = "void main()\n";
  size_t at = glsl.find(entry);
  if (at == std::string::npos || glsl.find(entry, at + 1) != std::string::npos) return false;
  glsl.replace(at, entry.size(), "void kor_colour_main()\n");
  glsl += "void main()\n{\n    kor_colour_main();\n";
  for (const std::string& name : colours)
    glsl += "    " + name + " = clamp(" + name + ", 0.0, 1.0);\n";
  glsl += "}\n";
  return true;
}

bool ToGlsl(Build& build, const std::vector<unsigned>& spirv, bool pixel, bool saturateColours,
            const Declarations& declarations) {
  SpvcContext context;
  std::string error;
  spvc_context_set_error_callback(
      context.context, [](void* text, const char* message) {
        *static_cast<std::string*>(text) += message;
      },
      &error);
  spvc_parsed_ir ir = nullptr;
  spvc_compiler compiler = nullptr;
  spvc_compiler_options options = nullptr;
  if (spvc_context_parse_spirv(context.context, spirv.data(), spirv.size(), &ir) != SPVC_SUCCESS ||
      spvc_context_create_compiler(context.context, SPVC_BACKEND_GLSL, ir,
                                   SPVC_CAPTURE_MODE_TAKE_OWNERSHIP, &compiler) != SPVC_SUCCESS ||
      spvc_compiler_create_compiler_options(compiler, &options) != SPVC_SUCCESS) {
    build.Fail("SPIR-V translation failed: " + error);
    return false;
  }
  Reflector reflector(build, compiler, pixel, declarations);
  if (!reflector.Run()) return false;

  spvc_compiler_options_set_uint(options, SPVC_COMPILER_OPTION_GLSL_VERSION, 330);
  spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES, SPVC_FALSE);
  spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ENABLE_420PACK_EXTENSION,
                                 SPVC_FALSE);
  // The device applies Direct3D's clip-space conventions itself.
  spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_FLIP_VERTEX_Y, SPVC_FALSE);
  spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_FIXUP_DEPTH_CONVENTION, SPVC_FALSE);
  spvc_compiler_install_compiler_options(compiler, options);
  const char* glsl = nullptr;
  if (spvc_compiler_compile(compiler, &glsl) != SPVC_SUCCESS || !glsl) {
    build.Fail("GLSL translation failed: " + error);
    return false;
  }
  reflector.Finish();
  reflector.code.glsl = glsl;
  if (saturateColours && !reflector.colourOutputs.empty() &&
      !SaturateColours(reflector.code.glsl, reflector.colourOutputs)) {
    build.Fail("GLSL translation has no single main");
    return false;
  }
  build.result.code = d3d9::Encode(reflector.code);
  build.result.constants = std::move(reflector.constants);
  return true;
}

}  // namespace

CompileResult CompileHlsl(std::string_view source, const std::string& preamble,
                          ID3DXInclude* include, const std::string& entry, bool pixel,
                          bool saturateColours) {
  Build build;
  build.result.pixel = pixel;
  std::vector<unsigned> spirv;
  Declarations declarations;
  if (ToSpirv(build, source, preamble, include, entry, pixel, &spirv, &declarations) &&
      ToGlsl(build, spirv, pixel, saturateColours, declarations)) {
    build.result.ok = true;
  } else {
    build.result.ok = false;
    build.result.code.clear();
    build.result.constants.clear();
  }
  return std::move(build.result);
}

}  // namespace d3dx
