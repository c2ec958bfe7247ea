statyc const float4 a[] = { fstatic cnst float4 a[] = { float2(1,}, 7Éÿÿÿ }, float3x2const(1ÿ 2 } */ f3,5,5,
)};/6*  ÿÿÿÿ / float4 b = 0.5;
