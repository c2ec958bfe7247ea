// Distance fog, squared exponential in the distance from the camera: the fog colour
// blended over lit surfaces, or, with optAdditive, an unlit surface's own colour faded by
// the fog and added to the image.

float4x4 matViewProjMatrix;  // view x projection
float4x4 matWorldMatrix;     // the object's, set per object
float4 viewPosition;         // camera, world space
float density;
float4 fogColor;
sampler2D diffuseMap;

struct VertexOut {
  float4 position : POSITION;
  float2 uv : TEXCOORD0;
  float4 colour : COLOR0;
  float3 world : TEXCOORD1;
};

VertexOut vs_main(float4 position : POSITION, float2 uv : TEXCOORD0, float4 colour : COLOR0) {
  VertexOut o;
  float4 world = mul(float4(position.xyz, 1), matWorldMatrix);
  o.position = mul(world, matViewProjMatrix);
  o.uv = uv;
  o.colour = colour;
  o.world = world.xyz;
  return o;
}

float4 ps_main(float2 uv : TEXCOORD0, float4 colour : COLOR0, float3 world : TEXCOORD1) : COLOR {
  float d = distance(world, viewPosition.xyz) * density;
  float clearness = exp(-d * d);
  if (optAdditive) return tex2D(diffuseMap, uv) * clearness;
  return float4(fogColor.rgb, 1 - clearness);
}
