#pragma once
// The D3DX9 shader compiler entry point, with its buffers and constant table. Compiled code
// is this layer's own blob (d3d9::ShaderCode) that CreateVertexShader/CreatePixelShader take.

#include "platform/d3d9/D3D9.h"

typedef LPCSTR D3DXHANDLE;
typedef const void* LPCVOID;

struct D3DXVECTOR4 {
  float x, y, z, w;
};
// Row-major 4x4 like D3DMATRIX: HLSL mul(v, M) with M set from it gives v × M.
struct D3DXMATRIX : D3DMATRIX {};

struct D3DXMACRO {
  LPCSTR Name;
  LPCSTR Definition;
};

enum D3DXINCLUDE_TYPE : DWORD { D3DXINC_LOCAL = 0, D3DXINC_SYSTEM = 1 };
// Supplies the text of #include files; Close gets back what Open returned.
struct ID3DXInclude {
  virtual HRESULT Open(D3DXINCLUDE_TYPE type, LPCSTR fileName, LPCVOID parentData, LPCVOID* data,
                       UINT* bytes) = 0;
  virtual HRESULT Close(LPCVOID data) = 0;

protected:
  ~ID3DXInclude() = default;
};
typedef ID3DXInclude* LPD3DXINCLUDE;

struct ID3DXBuffer : IUnknown {
  virtual LPVOID GetBufferPointer() = 0;
  virtual DWORD GetBufferSize() = 0;
};
typedef ID3DXBuffer* LPD3DXBUFFER;

enum D3DXREGISTER_SET : DWORD {
  D3DXRS_BOOL = 0,
  D3DXRS_INT4 = 1,
  D3DXRS_FLOAT4 = 2,
  D3DXRS_SAMPLER = 3,
};
enum D3DXPARAMETER_CLASS : DWORD {
  D3DXPC_SCALAR = 0,
  D3DXPC_VECTOR = 1,
  D3DXPC_MATRIX_ROWS = 2,
  D3DXPC_MATRIX_COLUMNS = 3,
  D3DXPC_OBJECT = 4,
  D3DXPC_STRUCT = 5,
};
enum D3DXPARAMETER_TYPE : DWORD {
  D3DXPT_VOID = 0,
  D3DXPT_BOOL = 1,
  D3DXPT_INT = 2,
  D3DXPT_FLOAT = 3,
  D3DXPT_STRING = 4,
  D3DXPT_TEXTURE = 5,
  D3DXPT_TEXTURE1D = 6,
  D3DXPT_TEXTURE2D = 7,
  D3DXPT_TEXTURE3D = 8,
  D3DXPT_TEXTURECUBE = 9,
  D3DXPT_SAMPLER = 10,
  D3DXPT_SAMPLER1D = 11,
  D3DXPT_SAMPLER2D = 12,
  D3DXPT_SAMPLER3D = 13,
  D3DXPT_SAMPLERCUBE = 14,
};

struct D3DXCONSTANTTABLE_DESC {
  LPCSTR Creator;
  DWORD Version;
  UINT Constants;
};
struct D3DXCONSTANT_DESC {
  LPCSTR Name;
  D3DXREGISTER_SET RegisterSet;
  UINT RegisterIndex;
  UINT RegisterCount;
  D3DXPARAMETER_CLASS Class;
  D3DXPARAMETER_TYPE Type;
  UINT Rows;
  UINT Columns;
  UINT Elements;
  UINT StructMembers;
  UINT Bytes;
  LPCVOID DefaultValue;
};

// The constants the entry point uses, in declaration order. A handle is what GetConstant or
// GetConstantByName returned, or a constant's name. Setters write the device's registers
// of the table's stage and fail with D3DERR_INVALIDCALL on an unknown handle.
struct ID3DXConstantTable : IUnknown {
  virtual HRESULT GetDesc(D3DXCONSTANTTABLE_DESC* desc) = 0;
  // Only top-level constants: parent must be null. Null when index is out of range.
  virtual D3DXHANDLE GetConstant(D3DXHANDLE parent, UINT index) = 0;
  virtual D3DXHANDLE GetConstantByName(D3DXHANDLE parent, LPCSTR name) = 0;
  // count: in, room in desc; out, descriptions written (always 1 for a known handle).
  virtual HRESULT GetConstantDesc(D3DXHANDLE constant, D3DXCONSTANT_DESC* desc, UINT* count) = 0;
  // The sampler register of a sampler constant; (UINT)-1 for anything else.
  virtual UINT GetSamplerIndex(D3DXHANDLE constant) = 0;
  virtual HRESULT SetBool(IDirect3DDevice9* device, D3DXHANDLE constant, BOOL value) = 0;
  virtual HRESULT SetInt(IDirect3DDevice9* device, D3DXHANDLE constant, INT value) = 0;
  // Writes (value, 0, 0, 0) to the constant's first register.
  virtual HRESULT SetFloat(IDirect3DDevice9* device, D3DXHANDLE constant, float value) = 0;
  // Writes the whole first register as given, whatever the constant's width.
  virtual HRESULT SetVector(IDirect3DDevice9* device, D3DXHANDLE constant,
                            const D3DXVECTOR4* vector) = 0;
  // Registers hold the HLSL matrix's columns (its default packing) or rows (row_major).
  virtual HRESULT SetMatrix(IDirect3DDevice9* device, D3DXHANDLE constant,
                            const D3DXMATRIX* matrix) = 0;
};
typedef ID3DXConstantTable* LPD3DXCONSTANTTABLE;

constexpr HRESULT E_FAIL = HRESULT(0x80004005u);

// Accepted and without effect on the result: compilation always optimises.
constexpr DWORD D3DXSHADER_DEBUG = 0x1, D3DXSHADER_SKIPVALIDATION = 0x2,
                D3DXSHADER_SKIPOPTIMIZATION = 0x4;

// Compiles one entry point of HLSL source for a profile "vs_1_1" … "ps_3_0". Any message,
// warnings included, comes back in *errors (left null when there is none). On failure
// *code and *constants stay null.
HRESULT D3DXCompileShader(LPCSTR source, UINT length, const D3DXMACRO* defines,
                          LPD3DXINCLUDE include, LPCSTR entry, LPCSTR profile, DWORD flags,
                          LPD3DXBUFFER* code, LPD3DXBUFFER* errors,
                          LPD3DXCONSTANTTABLE* constants);
