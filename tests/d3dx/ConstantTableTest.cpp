#include <gtest/gtest.h>

#include "platform/d3d9/D3D9Testing.h"
#include "tests/d3d9/DeviceTestSupport.h"
#include "tests/d3dx/ShaderTestSupport.h"

namespace {

const char* kProgram = R"(
float4x4 transform;
row_major float4x4 rowTransform;
float4 tint;
float2 scale;
float strength;
int loops;
bool enabled;
float4 main(float4 position : POSITION) : POSITION {
  float4 p = mul(position, transform) + mul(position, rowTransform) * strength;
  for (int i = 0; i < loops; ++i) p.xy *= scale;
  if (enabled) p += tint;
  return p;
}
)";

class ConstantTableTest : public ::testing::Test {
protected:
  void SetUp() override {
    D3D9StartRecording(&recording);
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp = WindowedParameters(16, 16, nullptr);
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &device), D3D_OK);
    Compile(vertex, kProgram, "vs_3_0");
    ASSERT_EQ(vertex.result, D3D_OK) << vertex.Messages();
    recording.calls.clear();
  }
  void TearDown() override {
    if (device) device->Release();
    if (d3d) d3d->Release();
    D3D9StopRecording();
  }
  ID3DXConstantTable* Table() { return vertex.table; }
  D3DXHANDLE Handle(const char* name) { return Table()->GetConstantByName(nullptr, name); }
  std::string Last() { return recording.calls.empty() ? "" : recording.calls.back(); }

  D3D9Recording recording;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  Compiled vertex;
};

TEST_F(ConstantTableTest, RegistersFollowDeclarationOrderPerFile) {
  EXPECT_EQ(vertex.Constant("transform").RegisterIndex, 0u);
  EXPECT_EQ(vertex.Constant("rowTransform").RegisterIndex, 4u);
  EXPECT_EQ(vertex.Constant("rowTransform").Class, D3DXPC_MATRIX_ROWS);
  EXPECT_EQ(vertex.Constant("tint").RegisterIndex, 8u);
  EXPECT_EQ(vertex.Constant("scale").RegisterIndex, 9u);
  EXPECT_EQ(vertex.Constant("strength").RegisterIndex, 10u);
  EXPECT_EQ(vertex.Constant("loops").RegisterSet, D3DXRS_INT4);
  EXPECT_EQ(vertex.Constant("loops").RegisterIndex, 0u);
  EXPECT_EQ(vertex.Constant("enabled").RegisterSet, D3DXRS_BOOL);
  EXPECT_EQ(vertex.Constant("enabled").Type, D3DXPT_BOOL);
  EXPECT_EQ(vertex.Constant("enabled").RegisterIndex, 0u);
}

TEST_F(ConstantTableTest, SetMatrixWritesColumnsForDefaultPackingAndRowsForRowMajor) {
  D3DXMATRIX m;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m.m[r][c] = float(r * 4 + c + 1);
  ASSERT_EQ(Table()->SetMatrix(device, Handle("transform"), &m), D3D_OK);
  EXPECT_EQ(Last(), "SetVertexShaderConstantF(0, [1 5 9 13 2 6 10 14 3 7 11 15 4 8 12 16], 4)");
  ASSERT_EQ(Table()->SetMatrix(device, Handle("rowTransform"), &m), D3D_OK);
  EXPECT_EQ(Last(), "SetVertexShaderConstantF(4, [1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16], 4)");
}

TEST_F(ConstantTableTest, ScalarAndVectorSettersWriteWholeRegisters) {
  D3DXVECTOR4 v = {2, 3, 0, 1};
  ASSERT_EQ(Table()->SetVector(device, Handle("scale"), &v), D3D_OK);
  EXPECT_EQ(Last(), "SetVertexShaderConstantF(9, [2 3 0 1], 1)");
  D3DXVECTOR4 t = {0.5f, 0.25f, 1, 0.75f};
  ASSERT_EQ(Table()->SetVector(device, Handle("tint"), &t), D3D_OK);
  EXPECT_EQ(Last(), "SetVertexShaderConstantF(8, [0.5 0.25 1 0.75], 1)");
  ASSERT_EQ(Table()->SetFloat(device, Handle("strength"), 1.5f), D3D_OK);
  EXPECT_EQ(Last(), "SetVertexShaderConstantF(10, [1.5 0 0 0], 1)");
  ASSERT_EQ(Table()->SetInt(device, Handle("loops"), 3), D3D_OK);
  EXPECT_EQ(Last(), "SetVertexShaderConstantI(0, [3 0 0 0], 1)");
  ASSERT_EQ(Table()->SetBool(device, Handle("enabled"), TRUE), D3D_OK);
  EXPECT_EQ(Last(), "SetVertexShaderConstantB(0, [1], 1)");
  // A name works as a handle, and values convert to the constant's register file.
  ASSERT_EQ(Table()->SetFloat(device, "enabled", 0.0f), D3D_OK);
  EXPECT_EQ(Last(), "SetVertexShaderConstantB(0, [0], 1)");
  ASSERT_EQ(Table()->SetFloat(device, "loops", 2.0f), D3D_OK);
  EXPECT_EQ(Last(), "SetVertexShaderConstantI(0, [2 0 0 0], 1)");
}

TEST_F(ConstantTableTest, UnknownHandlesAndMissingArgumentsWriteNothing) {
  size_t before = recording.calls.size();
  EXPECT_EQ(Table()->SetFloat(device, "noSuchConstant", 1.0f), D3DERR_INVALIDCALL);
  EXPECT_EQ(Table()->SetFloat(device, nullptr, 1.0f), D3DERR_INVALIDCALL);
  EXPECT_EQ(Table()->SetVector(device, Handle("tint"), nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(Table()->SetMatrix(device, Handle("transform"), nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(Table()->SetFloat(nullptr, Handle("strength"), 1.0f), D3DERR_INVALIDCALL);
  EXPECT_EQ(recording.calls.size(), before);
  D3DXCONSTANT_DESC desc{};
  UINT count = 1;
  EXPECT_EQ(Table()->GetConstantDesc("noSuchConstant", &desc, &count), D3DERR_INVALIDCALL);
  EXPECT_EQ(Table()->GetConstant("tint", 0), nullptr) << "no structure members";
}

TEST_F(ConstantTableTest, ArraysTakeARegisterRunPerElement) {
  Compiled arrays;
  Compile(arrays,
          "float4 palette[3]; float4x4 bones[2]; float4 after;\n"
          "float4 main(float4 p : POSITION, float4 i : BLENDINDICES) : POSITION {\n"
          "  return mul(p, bones[int(i.x)]) + palette[int(i.y)] + after; }\n",
          "vs_3_0");
  ASSERT_EQ(arrays.result, D3D_OK) << arrays.Messages();
  D3DXCONSTANT_DESC palette = arrays.Constant("palette");
  EXPECT_EQ(palette.RegisterIndex, 0u);
  EXPECT_EQ(palette.RegisterCount, 3u);
  EXPECT_EQ(palette.Elements, 3u);
  D3DXCONSTANT_DESC bones = arrays.Constant("bones");
  EXPECT_EQ(bones.RegisterIndex, 3u);
  EXPECT_EQ(bones.RegisterCount, 8u);
  EXPECT_EQ(arrays.Constant("after").RegisterIndex, 11u);
  d3d9::ShaderCode code = arrays.Decoded();
  ASSERT_EQ(code.constants.size(), 3u);
  EXPECT_EQ(code.constants[1].offset, 48u);
  EXPECT_EQ(code.constants[1].stride, 16u);
  EXPECT_EQ(code.constants[2].offset, 176u);
  // SetMatrix on an array sets its first element.
  D3DXMATRIX identity{};
  for (int i = 0; i < 4; ++i) identity.m[i][i] = 1;
  ASSERT_EQ(arrays.table->SetMatrix(device, "bones", &identity), D3D_OK);
  EXPECT_EQ(Last(), "SetVertexShaderConstantF(3, [1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1], 4)");
}

TEST_F(ConstantTableTest, PixelTablesWritePixelRegisters) {
  Compiled pixel;
  Compile(pixel,
          "float4 fogColor; sampler2D diffuseMap;\n"
          "float4 main(float2 uv : TEXCOORD0) : COLOR { return tex2D(diffuseMap, uv) * fogColor; }\n",
          "ps_2_0");
  ASSERT_EQ(pixel.result, D3D_OK) << pixel.Messages();
  D3DXVECTOR4 fog = {0.25f, 0.5f, 0.75f, 1};
  ASSERT_EQ(pixel.table->SetVector(device, "fogColor", &fog), D3D_OK);
  EXPECT_EQ(Last(), "SetPixelShaderConstantF(0, [0.25 0.5 0.75 1], 1)");
  // A sampler has no registers to set.
  EXPECT_EQ(pixel.table->SetFloat(device, "diffuseMap", 1.0f), D3DERR_INVALIDCALL);
  EXPECT_EQ(pixel.table->GetSamplerIndex("diffuseMap"), 0u);
}

}  // namespace
