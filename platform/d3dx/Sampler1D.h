#pragma once
// Direct3D 9 has no 1D textures: a sampler1D reads a 2D texture of height 1. The SPIR-V of a
// compile is rewritten so that GLSL samples a sampler2D at the row's centre.

#include <cstdint>
#include <string>
#include <vector>

namespace d3dx {

// Turns every 1D image into a 2D one and widens the coordinates and gradients of its sample
// instructions; false, with *error set, when a 1D sampler is used in any other way.
bool WidenSamplers1D(std::vector<uint32_t>& spirv, std::string* error);

}  // namespace d3dx
