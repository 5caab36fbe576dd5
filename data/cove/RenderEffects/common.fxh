// common.fxh - what the cove's effects share: the matrices and lights the
// world renderer sets, and the skinning that lets the keeper use them too.

#ifndef NUM_BONE_INFLUENCES
#define NUM_BONE_INFLUENCES 0
#endif

float4x4 WorldViewProj : WORLDVIEWPROJMATRIX;
float4x4 World : WORLDMATRIX;
float3 ViewPos : VIEWPOS;
float3 LightPos : LIGHTPOS;
float3 LightColor : LIGHTCOLOR;
float3 LightParams : LIGHTPARAMS;
float Time : TIME;
// The sun: too far and too wide to be worth a pass of its own over every
// object, so the ambient pass adds it as a fixed light from one direction
// (world space, towards the sun).
float3 SunDirection = {0.18, 0.82, -0.55};
float3 SunColor = {0.45, 0.42, 0.36};
#if NUM_BONE_INFLUENCES > 0
float4x4 Bones[20] : BONES;
#endif

glsl Skinning {
  void SkinnedVertex(vec4 inPosition, vec4 inNormal, vec4 blendIndices, vec4 blendWeight,
                     out vec4 position, out vec3 normal) {
#if NUM_BONE_INFLUENCES > 0
    ivec4 index = ivec4(blendIndices * 255.0 + 0.5);
    vec4 weight = blendWeight;
#if NUM_BONE_INFLUENCES < 4
    weight[NUM_BONE_INFLUENCES - 1] = 1.0;
    for (int i = 0; i < NUM_BONE_INFLUENCES - 1; ++i) weight[NUM_BONE_INFLUENCES - 1] -= blendWeight[i];
#endif
    position = vec4(0.0);
    normal = vec3(0.0);
    for (int i = 0; i < NUM_BONE_INFLUENCES; ++i) {
      mat4 bone = Bones[clamp(index[i], 0, 19)];
      position += weight[i] * (bone * vec4(inPosition.xyz, 1.0));
      normal += weight[i] * (mat3(bone) * inNormal.xyz);
    }
    position.w = 1.0;
#else
    position = vec4(inPosition.xyz, 1.0);
    normal = inNormal.xyz;
#endif
  }

  vec3 Sunlight(vec3 worldNormal) {
    return SunColor * max(dot(normalize(worldNormal), normalize(SunDirection)), 0.0);
  }
}

vertexshader BaseVS {
  out vec2 uv;
  void main() {
    vec4 position;
    vec3 normal;
    SkinnedVertex(in_Position, in_Normal, in_BlendIndices, in_BlendWeight, position, normal);
    uv = in_TexCoord0.xy;
    gl_Position = WorldViewProj * position;
  }
}

// fromLight: from the light to the vertex in world directions, as the shadow
// maps are kept (linear over a triangle, so worked out here, not per pixel).
vertexshader LitVS {
  out vec2 uv;
  out vec3 toLight;
  out vec3 objNormal;
  out vec3 fromLight;
  void main() {
    vec4 position;
    vec3 normal;
    SkinnedVertex(in_Position, in_Normal, in_BlendIndices, in_BlendWeight, position, normal);
    uv = in_TexCoord0.xy;
    toLight = LightPos - position.xyz;
    fromLight = mat3(World) * -toLight;
    objNormal = normal;
    gl_Position = WorldViewProj * position;
  }
}

