#pragma once
// The text of the call log's lines: numbers, objects by serial and calls, as a test reads
// them. Only made when a log is kept.

#include <cstdint>
#include <initializer_list>
#include <string>

#include "platform/d3d9/D3D9Types.h"

namespace d3d9 {

class VertexBuffer;
class IndexBuffer;
class VertexDeclaration;
class Surface;

std::string Unsigned(uint64_t value);
std::string Signed(int64_t value);
std::string Hex(DWORD value);  // 0x%08X
std::string Real(float value);  // %g
// "#serial", or "null" for no object.
std::string ObjectName(uint64_t serial);
std::string ObjectName(const VertexBuffer* buffer);
std::string ObjectName(const IndexBuffer* buffer);
std::string ObjectName(const VertexDeclaration* declaration);
std::string ObjectName(const Surface* surface);
// "ptr" or "null": whether a pointer argument was given.
std::string PointerText(const void* pointer);
// "name(a, b, c)".
std::string CallLine(const char* name, std::initializer_list<std::string> args);
// "[m11 m12 … m44]", or "null".
std::string MatrixText(const D3DMATRIX* matrix);

}  // namespace d3d9
