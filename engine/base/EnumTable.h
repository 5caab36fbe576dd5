// EnumTable.h - the values of an enumeration a game author writes as a
// number, each with its name and what it does.
//
// The area that owns an enumeration keeps its table beside it and checks
// script and file input against it; the generated reference (docs/reference.md)
// lists every table, so a value added to one is documented where it is read.
// Part of the ground floor; builds on the standard library only.
#pragma once

#include <cstdint>
#include <span>

struct EnumValue {
  uint32_t value;
  const char* name;     // short name, e.g. "Box"
  const char* meaning;  // one sentence for the reference
};

struct EnumTable {
  const char* title;  // e.g. "Collision types"
  const char* usage;  // where a game gives one, e.g. "CreateObject key \"colType\""
  std::span<const EnumValue> values;

  const EnumValue* Find(uint32_t value) const {
    for (const EnumValue& v : values)
      if (v.value == value) return &v;
    return nullptr;
  }
  bool Contains(uint32_t value) const { return Find(value) != nullptr; }
  // The name of a value, or "unknown".
  const char* NameOf(uint32_t value) const {
    const EnumValue* v = Find(value);
    return v ? v->name : "unknown";
  }
};
