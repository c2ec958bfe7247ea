#pragma once
// The base of every object a render device makes: the device destroys it through this
// virtual destructor (Device::DestroyObject).

namespace KOR {

class DeviceObject {
public:
  virtual ~DeviceObject() = default;
};

}  // namespace KOR
