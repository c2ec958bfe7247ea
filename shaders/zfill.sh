// Depth pre-pass: lays down the depth of every lit surface so the lighting passes after it
// draw each pixel once. With optTexture the diffuse alpha cuts holes (alpha-tested
// surfaces such as grilles); the colour written is black, which the additive passes build on.

float4x4 matProjViewMatrix;  // view x projection
float4x4 matWorldMatrix;     // the object's, set per object
sampler2D diffuseTexture;

struct VertexOut {
  float4 position : POSITION;
  float2 uv : TEXCOORD0;
};

VertexOut vs_main(float4 position : POSITION, float2 uv : TEXCOORD0) {
  VertexOut o;
  o.position = mul(mul(float4(position.xyz, 1), matWorldMatrix), matProjViewMatrix);
  o.uv = uv;
  return o;
}

float4 ps_main(float2 uv : TEXCOORD0) : COLOR {
  float alpha = 1;
  if (optTexture) alpha = tex2D(diffuseTexture, uv).a;
  return float4(0, 0, 0, alpha);
}
