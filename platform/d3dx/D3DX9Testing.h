#pragma once
// For tests and benchmarks of the shader compiler layer.

#include <cstdint>

// Compiles that really ran glslang, counted over the process; cache hits do not count.
uint64_t D3DXTestingCompileCount();
// Forgets every cached compile, so the next one of each variant runs again.
void D3DXTestingClearCache();
