static const float2 offsets[4] = { -1, 0,
 1, 0, 0, -1, 0, 1 };
float4 main() : COLOR { return float4(offsets[1], 0, 1); }
