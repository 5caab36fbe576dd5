// EffectParser.h - reads our render effect files (".fx", see docs/effects.md).
//
// An effect file declares parameters (typed, with semantics and initial
// values), samplers with their states, GLSL code blocks for the vertex and
// fragment stages, and techniques made of passes that name their shaders and
// set render states by their Direct3D names. A C-like preprocessor runs first:
// #include (served by a caller-supplied handler), #define/#undef of object-like
// macros, #if/#ifdef/#ifndef/#elif/#else/#endif with integer expressions,
// #error. Macros given by the engine (NUM_BONE_INFLUENCES) come in as a map.
// Errors name the file and line: "RenderEffects/x.fx(12): error: ...".
// Depends on: GraphicsDevice.h (state enumerations) only; no device needed,
// so the parser can be tested and fuzzed on its own.
#pragma once

#include "render/device/GraphicsDevice.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Parameter base types, numbered as GetParameterType reports them.
enum EffectParamType : uint32_t {
  EPT_UNKNOWN = 0,
  EPT_VOID = 1,
  EPT_FLOAT = 2,
  EPT_INT = 3,
  EPT_BOOL = 4,
  EPT_STRING = 5,
  EPT_TEXTURE = 6,
  EPT_SAMPLER = 7,
  EPT_PIXELSHADER = 8,
  EPT_VERTEXSHADER = 9,
};

// Texture dimension of texture and sampler parameters.
enum EffectTextureKind : uint32_t { ETK_NONE = 0, ETK_2D = 1, ETK_CUBE = 2, ETK_3D = 3 };

struct EffectParam {
  std::string name;
  std::string semantic;  // upper case as written; empty when none
  EffectParamType type = EPT_UNKNOWN;
  uint32_t rows = 1, columns = 1;  // float4: 1 x 4; float4x4: 4 x 4
  uint32_t arraySize = 0;          // 0: not an array
  EffectTextureKind textureKind = ETK_NONE;
  std::vector<float> initial;  // floats, ints and bools as floats; empty: zero
  // Compiled in with its initial value instead of being a uniform (a
  // variant's fixed value: see EffectConstants).
  bool constant = false;
  std::string initialString;
  // Samplers: the texture parameter they read and their states.
  std::string samplerTexture;
  std::vector<std::pair<GSamplerState, uint32_t>> samplerStates;
  int line = 0;

  uint32_t ElementCount() const { return rows * columns * (arraySize ? arraySize : 1); }
};

enum EffectStage : uint32_t { ES_COMMON = 0, ES_VERTEX = 1, ES_PIXEL = 2 };

struct EffectShader {
  std::string name;
  EffectStage stage = ES_COMMON;
  std::string code;  // GLSL, with "#line L F" markers (F indexes EffectDesc::files)
  int line = 0;
};

struct EffectPass {
  std::string name;
  std::string vertexShader, pixelShader;  // names of EffectShader blocks
  std::vector<std::pair<GRenderState, uint32_t>> states;
};

struct EffectTechnique {
  std::string name;
  uint32_t requiredVersion = 0;  // major << 8 | minor; 0 when not stated
  std::vector<EffectPass> passes;
};

struct EffectDesc {
  std::string fileName;
  std::vector<std::string> files;  // file table for the #line markers, 0 = fileName
  std::vector<EffectParam> params;
  std::vector<EffectShader> shaders;
  std::vector<EffectTechnique> techniques;

  const EffectShader* FindShader(const std::string& name) const;
};

// Reads an included file (the name as written in the directive); false when
// it cannot be had.
using EffectIncludeHandler = std::function<bool(const std::string& name, std::string& contents)>;
using EffectDefines = std::map<std::string, std::string>;
// Values compiled into an effect's programs, by semantic: a scalar parameter
// with that semantic becomes a constant (a loop bounded by it unrolls).
using EffectConstants = std::map<std::string, float>;
// Makes the scalar parameters named by semantic in constants constant;
// other parameters with those semantics (vectors, arrays) stay uniforms.
void ApplyEffectConstants(const EffectConstants& constants, EffectDesc* desc);

// Preprocesses and parses. On failure returns false with the messages in
// *errors (one per line, each naming its file and line).
bool ParseEffect(const std::string& fileName, const std::string& text, const EffectDefines& defines,
                 const EffectIncludeHandler& include, EffectDesc* out, std::string* errors);

// The preprocessor alone: the expanded text and, per output line, its origin.
struct PreprocessedLine {
  int file;
  int line;
};
bool PreprocessEffect(const std::string& fileName, const std::string& text,
                      const EffectDefines& defines, const EffectIncludeHandler& include,
                      std::string* output, std::vector<PreprocessedLine>* lineMap,
                      std::vector<std::string>* files, std::string* errors);

// Names of render states and sampler states as effect files write them.
const char* GetRenderStateName(GRenderState state);
