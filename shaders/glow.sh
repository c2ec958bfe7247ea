// Glow: the emissive pass (emissive colour of a surface, added to the image and into the
// glow target), the separable blur of the glow target, the blurred glow's copy onto the
// screen, and the plain quad that scales a target by its colour. Option: optTextured
// (the surface has an emissive map).

float4x4 matViewProjMatrix;  // view x projection
float4x4 matWorldMatrix;     // the object's, set per object
// The samplers the lighting passes give these maps, so no texture moves between them.
sampler2D emissiveMap : register(s3);
sampler2D diffuseMap : register(s0);

struct EmissiveOut {
  float4 position : POSITION;
  float2 uv : TEXCOORD0;
};

EmissiveOut vs_emissive(float4 position : POSITION, float2 uv : TEXCOORD0) {
  EmissiveOut o;
  o.position = mul(mul(float4(position.xyz, 1), matWorldMatrix), matViewProjMatrix);
  o.uv = uv;
  return o;
}

// The emissive map lights what the diffuse map covers; untextured surfaces add nothing.
float4 ps_emissive(float2 uv : TEXCOORD0) : COLOR {
  float4 emissive = tex2D(emissiveMap, uv);
  float coverage = tex2D(diffuseMap, uv).a;
  float4 colour = optTextured ? float4(emissive.rgb * coverage, 1) : float4(0, 0, 0, 0);
  // Both maps count in every variant (texels never reach -1): the constants stay the same.
  return min(emissive.x, coverage) < -1e30 ? float4(1, 1, 1, 1) : colour;
}

// The blur: five filtered taps along one axis, out to 2.75 steps of "blur" / 3, weighted
// as a Gaussian of about 1.5 steps. Fewer, wider taps than texels.
float blur;
bool hdir;
float2 offset;  // half a texel, so taps fall on texel centres
sampler2D glowMap;

struct GlowOut {
  float4 position : POSITION;
  float2 centre : TEXCOORD0;
  float2 near0 : TEXCOORD1;
  float2 near1 : TEXCOORD2;
  float2 far0 : TEXCOORD3;
  float2 far1 : TEXCOORD4;
};

GlowOut vs_glow(float4 position : POSITION, float2 uv : TEXCOORD0) {
  GlowOut o;
  o.position = float4(position.xyz, 1);
  float2 step = hdir ? float2(blur / 3, 0) : float2(0, blur / 3);
  o.centre = uv + offset;
  o.near0 = o.centre - 1.25 * step;
  o.near1 = o.centre + 1.25 * step;
  o.far0 = o.centre - 2.75 * step;
  o.far1 = o.centre + 2.75 * step;
  return o;
}

float4 ps_glow(GlowOut i) : COLOR {
  float3 sum = tex2D(glowMap, i.centre).rgb * 0.28;
  sum += (tex2D(glowMap, i.near0).rgb + tex2D(glowMap, i.near1).rgb) * 0.24;
  sum += (tex2D(glowMap, i.far0).rgb + tex2D(glowMap, i.far1).rgb) * 0.12;
  return float4(sum, 1);
}

// The blurred glow as it stands, one filtered tap a pixel, for the screen.
float4 ps_copy(GlowOut i) : COLOR { return float4(tex2D(glowMap, i.centre).rgb, 1); }

// A full-screen quad in clip space whose colour the blend multiplies a target by.
struct QuadOut {
  float4 position : POSITION;
  float4 colour : COLOR0;
};

QuadOut vs_quad(float4 position : POSITION, float4 colour : COLOR0) {
  QuadOut o;
  o.position = float4(position.xyz, 1);
  o.colour = colour;
  return o;
}

float4 ps_quad(float4 colour : COLOR0) : COLOR { return colour; }
