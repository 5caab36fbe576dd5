// gloss.fx - a glossy skinned surface: the texture under a soft key light
// with a specular sheen in the ambient pass, and each point light's diffuse
// and specular share in the Lit pass. Both highlights are worked out from the
// eye (VIEWPOS) and the lights in the object's own space, as the engine gives
// them to every drawable; the key light's direction is fixed in that space.

#ifndef NUM_BONE_INFLUENCES
#define NUM_BONE_INFLUENCES 0
#endif

float4x4 WorldViewProj : WORLDVIEWPROJMATRIX;
float3 ViewPos : VIEWPOS;
float3 LightPos : LIGHTPOS;
float3 LightColor : LIGHTCOLOR;
float3 LightParams : LIGHTPARAMS;
float3 KeyDirection = {-0.4, 0.3, -1.0};
float4 AmbientColor = {0.3, 0.3, 0.35, 1.0};
float Shininess = 12.0;
#if NUM_BONE_INFLUENCES > 0
float4x4 Bones[20] : BONES;
#endif

texture DiffuseMap;
sampler DiffuseSampler = sampler_state {
  Texture = <DiffuseMap>;
  MinFilter = Linear;
  MagFilter = Linear;
  MipFilter = Linear;
  AddressU = Wrap;
  AddressV = Wrap;
};

glsl Shading {
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

  // Blinn-Phong: the half-way vector between the light and the eye.
  float Specular(vec3 normal, vec3 toLight, vec3 toEye) {
    vec3 halfway = normalize(normalize(toLight) + normalize(toEye));
    return pow(max(dot(normalize(normal), halfway), 0.0), Shininess);
  }
}

vertexshader GlossVS {
  out vec2 uv;
  out vec3 objNormal;
  out vec3 toEye;
  out vec3 toLight;
  void main() {
    vec4 position;
    vec3 normal;
    SkinnedVertex(in_Position, in_Normal, in_BlendIndices, in_BlendWeight, position, normal);
    uv = in_TexCoord0.xy;
    objNormal = normal;
    toEye = ViewPos - position.xyz;
    toLight = LightPos - position.xyz;
    gl_Position = WorldViewProj * position;
  }
}

pixelshader AmbientPS {
  in vec2 uv;
  in vec3 objNormal;
  in vec3 toEye;
  in vec3 toLight;
  void main() {
    vec3 base = texture(DiffuseSampler, uv).rgb;
    float key = max(dot(normalize(objNormal), normalize(KeyDirection)), 0.0);
    vec3 colour = base * (AmbientColor.rgb + 0.35 * key);
    FragColor = vec4(colour + vec3(0.8) * Specular(objNormal, KeyDirection, toEye), 1.0);
  }
}

pixelshader LitPS {
  in vec2 uv;
  in vec3 objNormal;
  in vec3 toEye;
  in vec3 toLight;
  void main() {
    float dist = length(toLight);
    float falloff = clamp(1.0 - dist / max(LightParams.x, 0.0001), 0.0, 1.0);
    float diffuse = max(dot(normalize(objNormal), toLight / max(dist, 0.0001)), 0.0);
    vec3 base = texture(DiffuseSampler, uv).rgb;
    vec3 shine = vec3(Specular(objNormal, toLight, toEye));
    FragColor = vec4((base * diffuse + shine) * LightColor * falloff, 1.0);
  }
}

technique AmbientEmissive {
  pass P0 {
    VertexShader = GlossVS;
    PixelShader = AmbientPS;
    ZEnable = true;
    ZWriteEnable = true;
    ZFunc = LessEqual;
    AlphaBlendEnable = false;
  }
}

technique Lit {
  pass P0 {
    VertexShader = GlossVS;
    PixelShader = LitPS;
    ZEnable = true;
    ZWriteEnable = false;
    ZFunc = LessEqual;
    AlphaBlendEnable = true;
    SrcBlend = One;
    DestBlend = One;
  }
}
