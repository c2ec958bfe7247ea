// Per-pixel lighting, one additive pass per light: diffuse from the diffuse map lit through
// the normal map in tangent space, Blinn-Phong specular masked by the specular map, and
// the light's falloff read from a 3D attenuation map by the offset from the light over
// its radius (the map covers one octant; mirror-once addressing covers the others).
// Options: optBumpMap (a normal map), optSpecular (specular light), optSpecMap (a mask).
// Every sampler is read in every variant, so each stays a constant of the program.

float4x4 matViewProj;      // view x projection
float4x4 matWorld;         // the object's, set per object
float4x4 matWorldInverse;
float4 viewPosition;       // camera, world space
float4 lightPosition;      // world space
float radius;

sampler2D diffuseMap;
sampler2D normalMap;
sampler2D specularMap;
sampler3D attenuationMap;
float shininess;
float4 lightColor;

struct VertexOut {
  float4 position : POSITION;
  float2 uv : TEXCOORD0;
  float3 toLight : TEXCOORD1;   // tangent space
  float3 toEye : TEXCOORD2;     // tangent space
  float3 falloff : TEXCOORD3;   // offset from the light over its radius
};

VertexOut vs_main(float4 position : POSITION, float2 uv : TEXCOORD0, float3 normal : NORMAL,
                  float4 tangent : TANGENT) {
  VertexOut o;
  float4 world = mul(float4(position.xyz, 1), matWorld);
  o.position = mul(world, matViewProj);
  o.uv = uv;
  // The light and the eye in object space, then along the tangent frame.
  float3 lightObject = mul(float4(lightPosition.xyz, 1), matWorldInverse).xyz;
  float3 eyeObject = mul(float4(viewPosition.xyz, 1), matWorldInverse).xyz;
  float3 n = normalize(normal);
  float3 t = normalize(tangent.xyz - n * dot(n, tangent.xyz));
  float3 b = cross(n, t) * (tangent.w < 0 ? -1 : 1);
  float3 l = lightObject - position.xyz;
  float3 e = eyeObject - position.xyz;
  o.toLight = float3(dot(l, t), dot(l, b), dot(l, n));
  o.toEye = float3(dot(e, t), dot(e, b), dot(e, n));
  o.falloff = (world.xyz - lightPosition.xyz) / radius;
  return o;
}

float4 ps_main(float2 uv : TEXCOORD0, float3 toLight : TEXCOORD1, float3 toEye : TEXCOORD2,
               float3 falloff : TEXCOORD3) : COLOR {
  float4 base = tex2D(diffuseMap, uv);
  float3 bump = tex2D(normalMap, uv).rgb;
  float3 mask = tex2D(specularMap, uv).rgb;
  float3 n = optBumpMap ? normalize(bump * 2 - 1) : float3(0, 0, 1);
  float3 l = normalize(toLight);
  float attenuation = tex3D(attenuationMap, falloff).r;
  float lambert = saturate(dot(n, l));
  float3 colour = base.rgb * lambert * attenuation * lightColor.rgb;
  if (optSpecular) {
    float3 h = normalize(l + normalize(toEye));
    float specular = lambert > 0 ? pow(saturate(dot(n, h)), shininess) : 0;
    colour += specular * (optSpecMap ? mask : float3(1, 1, 1)) * attenuation * lightColor.rgb;
  }
  // Maps an option leaves unread still count, so every variant has the same constants;
  // texels never reach -1, so this never changes a pixel.
  bool impossible = min(min(bump.x, mask.x), shininess) < -1e30;
  return impossible ? float4(0, 0, 0, 0) : float4(colour, base.a);
}
