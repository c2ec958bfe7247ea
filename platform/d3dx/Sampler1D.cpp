#include "platform/d3dx/Sampler1D.h"

#include <spirv-tools/libspirv.h>

#include <cstring>
#include <map>
#include <set>

namespace d3dx {
namespace {

// Opcodes and enumerants as SPIR-V publishes them.
enum : uint16_t {
  OpTypeFloat = 22, OpTypeVector = 23, OpTypeImage = 25, OpTypeSampledImage = 27,
  OpConstant = 43, OpFunction = 54, OpCompositeConstruct = 80, OpCompositeExtract = 81,
  OpImageSampleImplicitLod = 87, OpImageSampleProjDrefExplicitLod = 94, OpFMul = 133,
};
constexpr uint32_t kDim1D = 0, kDim2D = 1;
constexpr uint32_t kOperandBias = 0x1, kOperandLod = 0x2, kOperandGrad = 0x4,
                   kOperandOffsets = 0x8 | 0x10 | 0x20;

struct Instruction {
  size_t at = 0;  // first word in the module
  uint16_t words = 0;
  uint16_t opcode = 0;
  uint32_t type = 0;
  uint32_t result = 0;
  std::vector<size_t> idOperands;  // word positions within the instruction
};

bool SampleOp(uint16_t opcode) {
  return opcode >= OpImageSampleImplicitLod && opcode <= OpImageSampleProjDrefExplicitLod;
}
bool ProjOp(uint16_t opcode) { return opcode >= 91; }
bool DrefOp(uint16_t opcode) { return opcode == 89 || opcode == 90 || opcode == 93 || opcode == 94; }

uint32_t FloatBits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

spv_result_t Collect(void* user, const spv_parsed_instruction_t* parsed) {
  Instruction instruction;
  instruction.words = parsed->num_words;
  instruction.opcode = parsed->opcode;
  instruction.type = parsed->type_id;
  instruction.result = parsed->result_id;
  for (uint16_t i = 0; i < parsed->num_operands; ++i) {
    const spv_parsed_operand_t& operand = parsed->operands[i];
    if (operand.type == SPV_OPERAND_TYPE_ID || operand.type == SPV_OPERAND_TYPE_TYPE_ID)
      instruction.idOperands.push_back(operand.offset);
  }
  auto* list = static_cast<std::vector<Instruction>*>(user);
  instruction.at = list->empty() ? 5 : list->back().at + list->back().words;
  list->push_back(std::move(instruction));
  return SPV_SUCCESS;
}

class Widener {
public:
  Widener(std::vector<uint32_t>& spirv, std::string* error) : spirv(spirv), error(error) {}

  bool Run() {
    spv_context context = spvContextCreate(SPV_ENV_UNIVERSAL_1_0);
    spv_result_t parsed = spvBinaryParse(context, &instructions, spirv.data(), spirv.size(),
                                         nullptr, Collect, nullptr);
    spvContextDestroy(context);
    if (parsed != SPV_SUCCESS) return Fail("unreadable SPIR-V");
    Survey();
    if (images1D.empty()) return true;
    if (!floatType) return Fail("sampler1D without a float type");
    bound = spirv[3];
    std::vector<uint32_t> out(spirv.begin(), spirv.begin() + 5);
    bool declared = false;
    for (const Instruction& in : instructions) {
      std::vector<uint32_t> words(spirv.begin() + in.at, spirv.begin() + in.at + in.words);
      if (in.opcode == OpFunction && !declared) {
        Declare(out);
        declared = true;
      }
      if (in.opcode == OpTypeImage && images1D.count(in.result)) words[3] = kDim2D;
      bool samplesOne = SampleOp(in.opcode) && values1D.count(words[3]);
      for (size_t position : in.idOperands) {
        if (values1D.count(words[position]) && !(samplesOne && position == 3))
          return Fail("unsupported use of a sampler1D");
      }
      if (samplesOne && !Widen(in.opcode, words, out)) return false;
      out.insert(out.end(), words.begin(), words.end());
    }
    // Ids made here are numbered on from the old bound.
    out[3] = bound;
    spirv = std::move(out);
    return true;
  }

private:
  bool Fail(const std::string& message) {
    *error = message;
    return false;
  }

  void Survey() {
    for (const Instruction& in : instructions) {
      const uint32_t* w = spirv.data() + in.at;
      if (in.result && in.type) typeOf[in.result] = in.type;
      switch (in.opcode) {
        case OpTypeFloat:
          if (w[2] == 32) floatType = in.result;
          break;
        case OpTypeVector:
          if (w[2] == floatType && w[3] == 2) vec2Type = in.result;
          if (w[2] == floatType && w[3] == 3) vec3Type = in.result;
          break;
        case OpTypeImage:
          if (w[3] == kDim1D) images1D.insert(in.result);
          break;
        case OpTypeSampledImage:
          if (images1D.count(w[2])) sampled1D.insert(in.result);
          break;
        case OpConstant:
          if (in.type == floatType && in.words == 4 && w[3] == FloatBits(0.5f)) half = in.result;
          if (in.type == floatType && in.words == 4 && w[3] == FloatBits(0.0f)) zero = in.result;
          break;
        default: break;
      }
      // Every value of a 1D sampler or image type: loads, copies, image extractions.
      if (in.type && (sampled1D.count(in.type) || images1D.count(in.type)))
        values1D.insert(in.result);
    }
  }

  // The few types and constants the widened coordinates need, when the module lacks them.
  void Declare(std::vector<uint32_t>& out) {
    if (!vec2Type) Emit(out, {OpTypeVector, vec2Type = bound++, floatType, 2});
    if (!vec3Type) Emit(out, {OpTypeVector, vec3Type = bound++, floatType, 3});
    if (!half) Emit(out, {OpConstant, floatType, half = bound++, FloatBits(0.5f)});
    if (!zero) Emit(out, {OpConstant, floatType, zero = bound++, FloatBits(0.0f)});
  }

  // words[0] is the opcode alone; the word count is filled in.
  static void Emit(std::vector<uint32_t>& out, std::vector<uint32_t> words) {
    words[0] |= uint32_t(words.size()) << 16;
    out.insert(out.end(), words.begin(), words.end());
  }

  // The first component of a float scalar or vector value.
  uint32_t Component(std::vector<uint32_t>& out, uint32_t value, uint32_t index) {
    if (index == 0 && typeOf[value] == floatType) return value;
    uint32_t id = bound++;
    Emit(out, {OpCompositeExtract, floatType, id, value, index});
    return id;
  }

  // (u) → (u, 0.5); projected (u, q) → (u, 0.5 q, q), so v / q stays the row's centre.
  bool Widen(uint16_t opcode, std::vector<uint32_t>& words, std::vector<uint32_t>& out) {
    uint32_t coordinate = words[4];
    if (!typeOf.count(coordinate)) return Fail("sampler1D coordinate of unknown type");
    uint32_t u = Component(out, coordinate, 0);
    uint32_t widened = bound++;
    if (ProjOp(opcode)) {
      if (typeOf[coordinate] == floatType) return Fail("projected sampler1D without q");
      uint32_t q = Component(out, coordinate, 1);
      uint32_t v = bound++;
      Emit(out, {OpFMul, floatType, v, q, half});
      Emit(out, {OpCompositeConstruct, vec3Type, widened, u, v, q});
    } else {
      Emit(out, {OpCompositeConstruct, vec2Type, widened, u, half});
    }
    words[4] = widened;
    size_t maskAt = DrefOp(opcode) ? 6 : 5;
    if (maskAt >= words.size()) return true;
    uint32_t mask = words[maskAt];
    if (mask & kOperandOffsets) return Fail("texel offsets on a sampler1D");
    if (!(mask & kOperandGrad)) return true;
    size_t gradAt = maskAt + 1 + ((mask & kOperandBias) ? 1 : 0) + ((mask & kOperandLod) ? 1 : 0);
    if (gradAt + 1 >= words.size()) return Fail("truncated sample instruction");
    for (size_t g = gradAt; g < gradAt + 2; ++g) {
      uint32_t du = Component(out, words[g], 0);
      uint32_t gradient = bound++;
      Emit(out, {OpCompositeConstruct, vec2Type, gradient, du, zero});
      words[g] = gradient;
    }
    return true;
  }

  std::vector<uint32_t>& spirv;
  std::string* error;
  std::vector<Instruction> instructions;
  std::map<uint32_t, uint32_t> typeOf;
  std::set<uint32_t> images1D, sampled1D, values1D;
  uint32_t floatType = 0, vec2Type = 0, vec3Type = 0, half = 0, zero = 0, bound = 0;
};

}  // namespace

bool WidenSamplers1D(std::vector<uint32_t>& spirv, std::string* error) {
  return Widener(spirv, error).Run();
}

}  // namespace d3dx
