struct Tap { float2 at; // texels
 float weight[2]; };
static const Tap taps[2] = { 1, 0, 0.25, 0.75, {0, 1}, {0.5, 0.5} };
float4 main(uniform const float4 c : register(i3)) : COLOR { return c; }
