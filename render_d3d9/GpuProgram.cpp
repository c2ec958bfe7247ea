#include "render_d3d9/GpuProgram.h"

#include <cstring>
#include <iterator>

#include "core/Exception.h"
#include "graphics/EngineNumbers.h"
#include "render_d3d9/AutoConstants.h"
#include "render_d3d9/Module.h"
#include "render_d3d9/StateObjects.h"

namespace KOR {
namespace {

const char kModule[] = "KOR Renderer D3D9 (GpuProgram)";

struct ProfileName {
  const char* name;
  bool vertex;
};
const ProfileName kProfiles[] = {{"vs_1_1", true},  {"vs_2_0", true},  {"vs_3_0", true},
                             {"ps_1_1", false}, {"ps_1_2", false}, {"ps_1_3", false},
                             {"ps_1_4", false}, {"ps_2_0", false}, {"ps_2_a", false},
                             {"ps_2_b", false}, {"ps_3_0", false}};
static_assert(std::size(kProfiles) == size_t(+Profile::Ps30) + 1, "one name per engine profile");

template <class T>
void ReleaseAndClear(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

std::string MessageOf(ID3DXBuffer* errors) {
  if (!errors || !errors->GetBufferPointer() || errors->GetBufferSize() == 0) return {};
  const char* text = static_cast<const char*>(errors->GetBufferPointer());
  return std::string(text, strnlen(text, errors->GetBufferSize()));
}

const D3DXMATRIX* AsD3DX(const Matrix& m) { return reinterpret_cast<const D3DXMATRIX*>(&m); }

}  // namespace

D3D9GpuProgram::~D3D9GpuProgram() {
  ReleaseAndClear(vertexShader);
  ReleaseAndClear(pixelShader);
  ReleaseAndClear(constantTable);
}

void D3D9GpuProgram::Create(const char* source, int profile, std::string entryPoint) {
  if (!D3D9::Direct3D()) return;
  if (constantTable) throw Exception(kModule, "Shader already created", "Cannot recreate shaders");
  // An unknown profile cannot name a stage: it compiles as nothing the compiler knows.
  const ProfileName known = profile >= 0 && profile <= +Profile::Ps30 ? kProfiles[profile] : ProfileName{"", true};
  ID3DXBuffer* code = nullptr;
  ID3DXBuffer* errors = nullptr;
  const char* text = source ? source : "";
  D3DXCompileShader(text, UINT(std::strlen(text)), nullptr, nullptr, entryPoint.c_str(),
                    known.name, 0, &code, &errors, &constantTable);
  std::string message = MessageOf(errors);
  bool failed = errors || !code || !code->GetBufferPointer();
  ReleaseAndClear(errors);
  if (failed) {
    ReleaseAndClear(code);
    // Without the compiler's words, still say that it failed rather than use no code.
    throw Exception(kModule, "Compile error",
                    message.empty() ? "The shader compiler returned no code and no message." : message);
  }
  if (IDirect3DDevice9* device = D3D9::Device9()) {
    const auto* function = static_cast<const DWORD*>(code->GetBufferPointer());
    if (known.vertex) device->CreateVertexShader(function, &vertexShader);
    else device->CreatePixelShader(function, &pixelShader);
  }
  ReleaseAndClear(code);
  if (!constantTable) return;
  D3DXCONSTANTTABLE_DESC desc{};
  constantTable->GetDesc(&desc);
  for (UINT i = 0; i < desc.Constants; ++i) {
    D3DXHANDLE handle = constantTable->GetConstant(nullptr, i);
    D3DXCONSTANT_DESC constant{};
    UINT count = 1;
    if (!handle || FAILED(constantTable->GetConstantDesc(handle, &constant, &count)) || !constant.Name)
      continue;
    constants[constant.Name] = std::make_unique<D3D9GpuProgramConstant>(this, handle);
  }
}

GpuProgramConstant* D3D9GpuProgram::GetConstant(const std::string& name) {
  GpuProgramConstant* constant = FindConstant(name);
  if (!constant) throw Exception(kModule, "Constant not found", "The constant name does not exists in the shader code");
  return constant;
}

GpuProgramConstant* D3D9GpuProgram::FindConstant(const std::string& name) {
  auto found = constants.find(name);
  return found == constants.end() ? nullptr : found->second.get();
}

void D3D9GpuProgram::Bind() {
  IDirect3DDevice9* device = D3D9::Device9();
  if (!device) return;
  if (vertexShader) device->SetVertexShader(vertexShader);
  if (pixelShader) device->SetPixelShader(pixelShader);
}

void D3D9GpuProgramConstant::Apply() {
  IDirect3DDevice9* device = D3D9::Device9();
  if (!program || !device || !program->constantTable) return;
  ID3DXConstantTable* table = program->constantTable;
  if (autoSource != +AutoSource::None) {
    const AutoConstants& store = GetAutoConstants();
    auto vector = [&](const Vector3& v) {
      D3DXVECTOR4 value{v.x, v.y, v.z, 1.0f};
      table->SetVector(device, handle, &value);
    };
    switch (autoSource) {
      case +AutoSource::World: table->SetMatrix(device, handle, AsD3DX(store.world)); break;
      case +AutoSource::View: table->SetMatrix(device, handle, AsD3DX(store.view)); break;
      case +AutoSource::Projection: table->SetMatrix(device, handle, AsD3DX(store.projection)); break;
      case +AutoSource::ViewProjection: table->SetMatrix(device, handle, AsD3DX(store.viewProjection)); break;
      case +AutoSource::InverseWorld: table->SetMatrix(device, handle, AsD3DX(store.inverseWorld)); break;
      case +AutoSource::InverseView: table->SetMatrix(device, handle, AsD3DX(store.inverseView)); break;
      case +AutoSource::InverseProjection: table->SetMatrix(device, handle, AsD3DX(store.inverseProjection)); break;
      case +AutoSource::CameraLook:
      case +AutoSource::CameraLookAgain: vector(store.cameraLook); break;
      case +AutoSource::CameraPosition: vector(store.cameraPosition); break;
      case +AutoSource::CameraRight: vector(store.cameraRight); break;
      case +AutoSource::CameraUp: vector(store.cameraUp); break;
      case +AutoSource::ScreenWidth: table->SetFloat(device, handle, store.screenWidth); break;
      case +AutoSource::ScreenHeight: table->SetFloat(device, handle, store.screenHeight); break;
      default: break;
    }
    return;
  }
  const float* v = value.vector;
  switch (kind) {
    case Bool: table->SetBool(device, handle, value.boolean ? TRUE : FALSE); break;
    case Int: table->SetInt(device, handle, value.integer); break;
    case Float: table->SetFloat(device, handle, v[0]); break;
    case Float2: {
      D3DXVECTOR4 x{v[0], v[1], 0.0f, 1.0f};
      table->SetVector(device, handle, &x);
      break;
    }
    case Float3: {
      D3DXVECTOR4 x{v[0], v[1], v[2], 1.0f};
      table->SetVector(device, handle, &x);
      break;
    }
    case Float4: {
      D3DXVECTOR4 x{v[0], v[1], v[2], v[3]};
      table->SetVector(device, handle, &x);
      break;
    }
    case Sampler: {
      UINT sampler = table->GetSamplerIndex(handle);
      if (sampler == UINT(-1)) break;  // not a sampler of this program
      if (auto* texture = dynamic_cast<D3D9SamplerTexture*>(value.sampler.texture))
        device->SetTexture(sampler, texture->GetBaseTexture());
      if (setAddress)
        D3D9::SetAddressModes(sampler, value.sampler.addressU, value.sampler.addressV,
                              value.sampler.addressW);
      if (setFilter) D3D9::SetFilterLevel(sampler, value.sampler.filter, value.sampler.maxAnisotropy);
      break;
    }
    default: break;
  }
}

}  // namespace KOR
