static const float4 a[] = { float2(1, 2), 3, 4, { {5, 6}, 7 }, float3x2(1,2,3,4,5,6) };
/* { 1, 2 } */ float4 b = 0.5;
