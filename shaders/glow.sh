// Glow: the emissive pass (emissive colour of a surface, added to the image and into the
// glow target), the separable blur of the glow target, and the plain quad that scales a
// target by its colour. Option: optTextured (the surface has an emissive map).

float4x4 matViewProjMatrix;  // view x projection
float4x4 matWorldMatrix;     // the object's, set per object
sampler2D emissiveMap;
sampler2D diffuseMap;

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

// The blur: seven taps along one axis, "blur" apart at the ends, weighted as a Gaussian.
float blur;
bool hdir;
float2 offset;  // half a texel, so taps fall on texel centres
sampler2D glowMap;

struct GlowOut {
  float4 position : POSITION;
  float2 tap0 : TEXCOORD0;
  float2 tap1 : TEXCOORD1;
  float2 tap2 : TEXCOORD2;
  float2 tap3 : TEXCOORD3;
  float2 tap4 : TEXCOORD4;
  float2 tap5 : TEXCOORD5;
  float2 tap6 : TEXCOORD6;
};

GlowOut vs_glow(float4 position : POSITION, float2 uv : TEXCOORD0) {
  GlowOut o;
  o.position = float4(position.xyz, 1);
  float2 step = hdir ? float2(blur / 3, 0) : float2(0, blur / 3);
  float2 centre = uv + offset;
  o.tap0 = centre - 3 * step;
  o.tap1 = centre - 2 * step;
  o.tap2 = centre - step;
  o.tap3 = centre;
  o.tap4 = centre + step;
  o.tap5 = centre + 2 * step;
  o.tap6 = centre + 3 * step;
  return o;
}

float4 ps_glow(GlowOut i) : COLOR {
  float3 sum = tex2D(glowMap, i.tap3).rgb * 0.2;
  sum += (tex2D(glowMap, i.tap2).rgb + tex2D(glowMap, i.tap4).rgb) * 0.18;
  sum += (tex2D(glowMap, i.tap1).rgb + tex2D(glowMap, i.tap5).rgb) * 0.14;
  sum += (tex2D(glowMap, i.tap0).rgb + tex2D(glowMap, i.tap6).rgb) * 0.08;
  return float4(sum, 1);
}

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
