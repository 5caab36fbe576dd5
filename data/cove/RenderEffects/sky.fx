// sky.fx - the sky: a large box around the cove that shows the cube texture
// in the direction from the eye. It is drawn with depth testing but writes
// no depth, so whatever is drawn after it covers it.

float4x4 WorldViewProj : WORLDVIEWPROJMATRIX;
float3 ViewPos : VIEWPOS;

// A face of the sky (128 texels) spans a quarter turn of the view, a
// screen's width: it is always magnified, and mip levels would only cost a
// software rasterizer a level of detail worked out for every pixel.
texture SkyMap;
samplerCUBE SkySampler = sampler_state {
  Texture = <SkyMap>;
  MinFilter = Linear;
  MagFilter = Linear;
  MipFilter = None;
  AddressU = Clamp;
  AddressV = Clamp;
  AddressW = Clamp;
};

vertexshader SkyVS {
  out vec3 direction;
  void main() {
    // The box is centred on the cove, not on the eye: look from the eye.
    direction = in_Position.xyz - ViewPos;
    gl_Position = WorldViewProj * vec4(in_Position.xyz, 1.0);
  }
}

pixelshader SkyPS {
  in vec3 direction;
  void main() { FragColor = vec4(texture(SkySampler, direction).rgb, 1.0); }
}

technique AmbientEmissive {
  pass P0 {
    VertexShader = SkyVS;
    PixelShader = SkyPS;
    ZEnable = true;
    ZWriteEnable = false;
    ZFunc = LessEqual;
    AlphaBlendEnable = false;
    CullMode = None;
  }
}
