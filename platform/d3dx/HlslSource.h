#pragma once
// HLSL text as D3DX reads it, reworded where glslang's front end reads it otherwise. Every
// change keeps the line count, so messages keep the caller's line numbers.

#include <string>
#include <string_view>

namespace d3dx {

// register(iN) arrives as register(bN, space kIntRegisterSpace): glslang drops 'i' with a
// warning but keeps a b register's space, and the compiler reads it back as int register N.
constexpr unsigned kIntRegisterSpace = 41;

// Also "uniform const" becomes "const uniform": glslang lets the later const turn a uniform
// entry parameter into a varying, while D3DX reads both orders as a uniform. And a flat
// initialiser list of an array or a struct becomes the nested list glslang reads.
std::string PrepareHlsl(std::string_view source);

}  // namespace d3dx
