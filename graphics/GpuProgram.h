#pragma once
// A vertex or pixel program compiled from HLSL at run time, and its constants: values
// set by the caller or followed from the automatic constant store, applied on request.

#include <cstdint>
#include <string>

#include "graphics/DeviceObject.h"

namespace KOR {

class GpuProgramConstant {
public:
  // Kinds, meaningful when autoSource is 0.
  enum Kind { Bool = 1, Int = 2, Float = 3, Float2 = 4, Float3 = 5, Float4 = 6, Sampler = 7 };

  virtual ~GpuProgramConstant() = default;
  virtual void Apply() = 0;

  int32_t kind = 0;
  union Value {
    bool boolean;
    int32_t integer;
    float vector[4];
    struct {
      DeviceObject* texture;  // a texture made by the device, or null
      uint32_t addressU, addressV, addressW;
      uint32_t filter;
      uint32_t maxAnisotropy;
    } sampler;
  } value{};
  bool setAddress = false;
  bool setFilter = false;
  int32_t autoSource = 0;  // 1 … 14 follow the automatic constant store
};

class GpuProgram : public DeviceObject {
public:
  // Profiles: 0 vs_1_1, 1 vs_2_0, 2 vs_3_0, 3 ps_1_1 … 10 ps_3_0.
  virtual void Create(const char* source, int profile, std::string entryPoint) = 0;
  // The program keeps the constant. Throws when the compiled code does not use it.
  virtual GpuProgramConstant* GetConstant(const std::string& name) = 0;
  // The same, or null: the compiler leaves out a constant the code never reads.
  virtual GpuProgramConstant* FindConstant(const std::string& name) = 0;
  virtual void Bind() = 0;
};

}  // namespace KOR
