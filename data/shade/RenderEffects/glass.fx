// glass.fx - the "shade" sample's blue glass block: lit like everything else,
// but without a ShadowMap technique, so it casts no shadow.

float4x4 WorldViewProj : WORLDVIEWPROJMATRIX;
float3 LightPos : LIGHTPOS;
float3 LightColor : LIGHTCOLOR;
float3 LightParams : LIGHTPARAMS;

vertexshader GlassVS {
  out vec3 toLight;
  out vec3 normal;
  void main() {
    toLight = LightPos - in_Position.xyz;
    normal = in_Normal.xyz;
    gl_Position = WorldViewProj * vec4(in_Position.xyz, 1.0);
  }
}

pixelshader AmbientPS {
  void main() { FragColor = vec4(0.1, 0.15, 0.3, 1.0); }
}

pixelshader LitPS {
  in vec3 toLight;
  in vec3 normal;
  void main() {
    float dist = length(toLight);
    float falloff = clamp(1.0 - dist / max(LightParams.x, 0.0001), 0.0, 1.0);
    float diffuse = max(dot(normalize(normal), toLight / max(dist, 0.0001)), 0.0);
    FragColor = vec4(LightColor * vec3(0.3, 0.45, 0.8) * diffuse * falloff, 1.0);
  }
}

technique AmbientEmissive {
  pass P0 {
    VertexShader = GlassVS;
    PixelShader = AmbientPS;
    ZEnable = true;
    ZWriteEnable = true;
    ZFunc = LessEqual;
    AlphaBlendEnable = false;
  }
}

technique Lit {
  pass P0 {
    VertexShader = GlassVS;
    PixelShader = LitPS;
    ZEnable = true;
    ZWriteEnable = false;
    ZFunc = LessEqual;
    AlphaBlendEnable = true;
    SrcBlend = One;
    DestBlend = One;
  }
}
