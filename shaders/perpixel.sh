// Per-pixel lighting by up to four lights in one pass: diffuse from the diffuse map lit
// through the normal map in tangent space, Blinn-Phong specular masked by the specular
// map, and each light's falloff read from a 3D attenuation map by the offset from the
// light over its radius (the map covers one octant; mirror-once addressing covers the
// others). The lights' sum is what their additive passes would have laid down one by one.
// Options: optLights (0 to 4 lights), optWhole (the pass draws the surface whole: its
// emissive colour added and the fog blended over the sum, written onto the depth pass's
// black; otherwise the lights' colour is added to the frame and the fog comes after),
// optEmissive (an emissive map, with optWhole), optBumpMap (a normal map), optSpecular
// (specular light), optSpecMap (a mask), optMaskInNormal (a grey mask carried in the normal
// map's alpha, with optBumpMap). A variant reads only the maps its options name, so a map
// that is not there costs no fetch.

float4x4 matViewProj;      // view x projection
float4x4 matWorld;         // the object's, set per object
float4x4 matWorldInverse;
float4 viewPosition;       // camera, world space
// The lights, world space, set per object.
float4 lightPosition0, lightPosition1, lightPosition2, lightPosition3;
float radius0, radius1, radius2, radius3;
float4 lightColor0, lightColor1, lightColor2, lightColor3;

// Each map keeps its sampler in every variant, so moving from one material's pass to the
// next rebinds only the textures that differ (the attenuation map never).
sampler2D diffuseMap : register(s0);
sampler2D normalMap : register(s1);
sampler2D specularMap : register(s2);
sampler2D emissiveMap : register(s3);
sampler3D attenuationMap : register(s4);
float shininess;
float density;             // fog, squared exponential in the distance from the camera
float4 fogColor;

struct VertexOut {
  float4 position : POSITION;
  float2 uv : TEXCOORD0;
  float3 toEye : TEXCOORD1;     // tangent space
  float3 world : TEXCOORD2;     // for the fog's distance
  float3 toLight0 : TEXCOORD3;  // tangent space
  float3 toLight1 : TEXCOORD4;
  float3 toLight2 : TEXCOORD5;
  float3 toLight3 : TEXCOORD6;
  float3 falloff0 : TEXCOORD7;  // offset from the light over its radius
  float3 falloff1 : TEXCOORD8;
  float3 falloff2 : TEXCOORD9;
  float3 falloff3 : TEXCOORD10;
};

// Object-space position to the light along the tangent frame (t, b, n).
float3 Along(float3 t, float3 b, float3 n, float3 v) { return float3(dot(v, t), dot(v, b), dot(v, n)); }

// Where a light lies from a vertex: along the tangent frame, and over its radius in the
// world for the falloff map.
void Reach(float3 t, float3 b, float3 n, float3 position, float3 world, float4 light, float radius,
           out float3 toLight, out float3 falloff) {
  toLight = Along(t, b, n, mul(float4(light.xyz, 1), matWorldInverse).xyz - position);
  falloff = (world - light.xyz) / radius;
}

VertexOut vs_main(float4 position : POSITION, float2 uv : TEXCOORD0, float3 normal : NORMAL,
                  float4 tangent : TANGENT) {
  VertexOut o;
  float4 world = mul(float4(position.xyz, 1), matWorld);
  o.position = mul(world, matViewProj);
  o.uv = uv;
  o.world = world.xyz;
  // The eye and the lights in object space, then along the tangent frame.
  float3 n = normalize(normal);
  float3 t = normalize(tangent.xyz - n * dot(n, tangent.xyz));
  float3 b = cross(n, t) * (tangent.w < 0 ? -1 : 1);
  float3 eyeObject = mul(float4(viewPosition.xyz, 1), matWorldInverse).xyz;
  o.toEye = Along(t, b, n, eyeObject - position.xyz);
  o.toLight0 = o.toLight1 = o.toLight2 = o.toLight3 = float3(0, 0, 0);
  o.falloff0 = o.falloff1 = o.falloff2 = o.falloff3 = float3(0, 0, 0);
  if (optLights > 0) Reach(t, b, n, position.xyz, world.xyz, lightPosition0, radius0, o.toLight0, o.falloff0);
  if (optLights > 1) Reach(t, b, n, position.xyz, world.xyz, lightPosition1, radius1, o.toLight1, o.falloff1);
  if (optLights > 2) Reach(t, b, n, position.xyz, world.xyz, lightPosition2, radius2, o.toLight2, o.falloff2);
  if (optLights > 3) Reach(t, b, n, position.xyz, world.xyz, lightPosition3, radius3, o.toLight3, o.falloff3);
  return o;
}

// One light's diffuse and specular colour at a texel with normal n and eye direction e.
float3 Shade(float3 base, float3 mask, float3 n, float3 e, float3 toLight, float3 falloff, float4 colour) {
  float3 l = normalize(toLight);
  float attenuation = tex3D(attenuationMap, falloff).r;
  float lambert = saturate(dot(n, l));
  float3 lit = base * lambert * attenuation * colour.rgb;
  if (optSpecular) {
    float3 h = normalize(l + e);
    float specular = lambert > 0 ? pow(saturate(dot(n, h)), shininess) : 0;
    lit += specular * mask * attenuation * colour.rgb;
  }
  return lit;
}

float4 ps_main(VertexOut i) : COLOR {
  float4 base = tex2D(diffuseMap, i.uv);
  float4 bump = optBumpMap ? tex2D(normalMap, i.uv) : float4(0.5, 0.5, 1, 1);
  float3 n = optBumpMap ? normalize(bump.rgb * 2 - 1) : float3(0, 0, 1);
  float3 mask = optMaskInNormal ? bump.aaa : optSpecMap ? tex2D(specularMap, i.uv).rgb : float3(1, 1, 1);
  float3 e = normalize(i.toEye);
  float3 colour = float3(0, 0, 0);
  if (optLights > 0) colour += Shade(base.rgb, mask, n, e, i.toLight0, i.falloff0, lightColor0);
  if (optLights > 1) colour += Shade(base.rgb, mask, n, e, i.toLight1, i.falloff1, lightColor1);
  if (optLights > 2) colour += Shade(base.rgb, mask, n, e, i.toLight2, i.falloff2, lightColor2);
  if (optLights > 3) colour += Shade(base.rgb, mask, n, e, i.toLight3, i.falloff3, lightColor3);
  if (optWhole) {
    // The emissive map lights what the diffuse map covers; the frame would have clamped
    // the sum before the fog pass blended over it.
    if (optEmissive) colour += tex2D(emissiveMap, i.uv).rgb * base.a;
    float d = distance(i.world, viewPosition.xyz) * density;
    float clearness = exp(-d * d);
    colour = lerp(fogColor.rgb, saturate(colour), clearness);
  }
  return float4(colour, base.a);
}
