// shadows.fxh - point-light shadows for an effect: the ShadowMap technique
// that draws an object into a light's cube of distances, and LightShadow(),
// which the Lit pass asks how much of a light reaches a point.
//
// The includer declares WorldViewProj (WORLDVIEWPROJMATRIX) and the shared
// function SkinnedVertex(), and does not declare WORLDVIEWMATRIX itself: in
// the ShadowMap pass that matrix takes a vertex into the light's space in
// units of the light's range. Define SHADOW_MAPS (1 to 4, default 1) to the
// number of lights one repetition of the Lit pass takes; light i of the batch
// reads SHADOWMAPi. A cube holds the distance from the light to the nearest
// caster over the light's range, packed into red, green and blue.
//
// The engine compiles a second program of the Lit pass with NO_SHADOWS
// defined, for the repetitions in which no light of the batch has a map and
// the parts of the screen no caster's shadow can reach:
// LightShadow() is then 1 and no map is read (a software rasterizer runs
// the shadow code whether a map is there or not).

#ifndef SHADOW_MAPS
#define SHADOW_MAPS 1
#endif
#ifdef NO_SHADOWS
#undef SHADOW_MAPS
#define SHADOW_MAPS 0
#endif

float4x4 ShadowLightSpace : WORLDVIEWMATRIX;

#if SHADOW_MAPS > 0
textureCUBE ShadowMap0 : SHADOWMAP0;
samplerCUBE ShadowSampler0 = sampler_state {
  Texture = <ShadowMap0>;
  MinFilter = Point;
  MagFilter = Point;
  MipFilter = None;
  AddressU = Clamp;
  AddressV = Clamp;
  AddressW = Clamp;
};
#endif
#if SHADOW_MAPS > 1
textureCUBE ShadowMap1 : SHADOWMAP1;
samplerCUBE ShadowSampler1 = sampler_state {
  Texture = <ShadowMap1>;
  MinFilter = Point;
  MagFilter = Point;
  MipFilter = None;
  AddressU = Clamp;
  AddressV = Clamp;
  AddressW = Clamp;
};
#endif
#if SHADOW_MAPS > 2
textureCUBE ShadowMap2 : SHADOWMAP2;
samplerCUBE ShadowSampler2 = sampler_state {
  Texture = <ShadowMap2>;
  MinFilter = Point;
  MagFilter = Point;
  MipFilter = None;
  AddressU = Clamp;
  AddressV = Clamp;
  AddressW = Clamp;
};
#endif
#if SHADOW_MAPS > 3
textureCUBE ShadowMap3 : SHADOWMAP3;
samplerCUBE ShadowSampler3 = sampler_state {
  Texture = <ShadowMap3>;
  MinFilter = Point;
  MagFilter = Point;
  MipFilter = None;
  AddressU = Clamp;
  AddressV = Clamp;
  AddressW = Clamp;
};
#endif

glsl Shadows {
  // 0..1 in three 8-bit channels: a colour target keeps 24 bits of it.
  vec4 PackShadowDistance(float d) {
    vec3 e = fract(clamp(d, 0.0, 0.99999) * vec3(1.0, 255.0, 65025.0));
    e -= e.yzz * vec3(1.0 / 255.0, 1.0 / 255.0, 0.0);
    return vec4(e, 1.0);
  }

  float UnpackShadowDistance(vec4 c) { return dot(c.rgb, vec3(1.0, 1.0 / 255.0, 1.0 / 65025.0)); }

  float ShadowTap(samplerCube map, vec3 dir, float depth) {
    return depth <= UnpackShadowDistance(textureLod(map, dir, 0.0)) ? 1.0 : 0.0;
  }

  // The share of the light that reaches a point (0 hidden, 1 lit), by
  // percentage-closer filtering over four texels around its direction.
  // fromLight: light to point in world units; cosine: between the surface's
  // normal and the direction to the light; params: the light's LIGHTPARAMS.
  // The bias grows with the slope, where a texel covers more depth. No early
  // returns: a software rasterizer runs every branch of a pixel anyway, and
  // pays for the masks that keep their results apart besides.
  float ShadowFactor(samplerCube map, vec3 fromLight, float cosine, vec3 params) {
    float dist = length(fromLight);
    float depth = dist / max(params.x, 0.0001);
    float texel = params.z;
    float c = clamp(cosine, 0.05, 1.0);
    float slope = min(sqrt(1.0 - c * c) / c, 8.0);
    float d = depth - (depth * texel * (1.5 + 1.5 * slope) + 0.002);
#ifdef TEXTURE_GATHER
    // The 2x2 texels around the direction in two fetches (red and green: 16
    // bits of the distance, finer than the bias), where a software rasterizer
    // would pay for four lookups of a cube.
    vec4 nearest = textureGather(map, fromLight, 0) + textureGather(map, fromLight, 1) / 255.0;
    float lit = dot(step(vec4(d), nearest), vec4(0.25));
#else
    // Four taps a texel out diagonally: the footprint of a 3x3 kernel.
    vec3 dir = fromLight / max(dist, 0.0001);
    vec3 side = abs(dir.y) < 0.99 ? vec3(0.0, 1.0, 0.0) : vec3(1.0, 0.0, 0.0);
    vec3 u = normalize(cross(side, dir)) * texel;
    vec3 v = cross(dir, u);
    float lit = 0.25 * (ShadowTap(map, dir + u + v, d) + ShadowTap(map, dir + u - v, d) +
                        ShadowTap(map, dir - u + v, d) + ShadowTap(map, dir - u - v, d));
#endif
    // Beyond the light's range, and at the light itself, nothing is hidden.
    return (depth >= 1.0 || dist < 0.0001) ? 1.0 : lit;
  }

  // Light i of the batch; 1 when it brings no map (LIGHTPARAMS y is 0).
  float LightShadow(int i, vec3 fromLight, float cosine, vec3 params) {
#if SHADOW_MAPS == 0
    return 1.0;
#else
    float shadow;
#if SHADOW_MAPS > 1
    if (i == 1) shadow = ShadowFactor(ShadowSampler1, fromLight, cosine, params); else
#endif
#if SHADOW_MAPS > 2
    if (i == 2) shadow = ShadowFactor(ShadowSampler2, fromLight, cosine, params); else
#endif
#if SHADOW_MAPS > 3
    if (i == 3) shadow = ShadowFactor(ShadowSampler3, fromLight, cosine, params); else
#endif
    shadow = ShadowFactor(ShadowSampler0, fromLight, cosine, params);
    return params.y < 0.5 ? 1.0 : shadow;
#endif
  }
}

vertexshader ShadowVS {
  out vec3 lightSpace;
  void main() {
    vec4 position;
    vec3 normal;
    SkinnedVertex(in_Position, in_Normal, in_BlendIndices, in_BlendWeight, position, normal);
    lightSpace = (ShadowLightSpace * position).xyz;
    gl_Position = WorldViewProj * position;
  }
}

pixelshader ShadowPS {
  in vec3 lightSpace;
  void main() { FragColor = PackShadowDistance(length(lightSpace)); }
}

// Both sides cast: a plane seen edge-on from the light still hides what is behind it.
// An includer that defines NO_SHADOW_CASTER is darkened by the maps but casts nothing.
#ifndef NO_SHADOW_CASTER
technique ShadowMap {
  pass P0 {
    VertexShader = ShadowVS;
    PixelShader = ShadowPS;
    ZEnable = true;
    ZWriteEnable = true;
    ZFunc = LessEqual;
    AlphaBlendEnable = false;
    CullMode = None;
  }
}
#endif
