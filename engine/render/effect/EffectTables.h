// EffectTables.h - what effect files call render states, sampler states,
// their values and the parameter types, as the parser looks them up.
//
// Builds on GraphicsDevice.h (the state enumerations) and EffectParser.h.
#pragma once

#include "render/device/GraphicsDevice.h"
#include "render/effect/EffectParser.h"

#include <cstdint>
#include <span>

namespace effecttables {

struct NamedValue {
  const char* name;
  uint32_t value;
};

enum ValueKind { VK_BOOL, VK_INT, VK_FLOAT, VK_ENUM };

struct StateInfo {
  const char* name;
  GRenderState state;
  ValueKind kind;
  const NamedValue* values;
};

struct SamplerStateInfo {
  const char* name;
  GSamplerState state;
  ValueKind kind;
  const NamedValue* values;
};

struct TypeInfo {
  const char* name;
  EffectParamType type;
  uint32_t rows, columns;
  EffectTextureKind tex;
};

std::span<const StateInfo> RenderStateTable();
std::span<const SamplerStateInfo> SamplerStateTable();
std::span<const TypeInfo> TypeTable();

}  // namespace effecttables
