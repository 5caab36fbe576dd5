// CVar.h - console variables: named, typed, flagged settings of the engine.
//
// Every variable has a name (compared without regard to ASCII letter case), a
// flag set and a value. The typed variants hold a bool, a 32-bit int, a 32-bit
// float or a text; CVarDynamic (created at run time by scripts) holds an
// inner value whose type is inferred from what it is set to.
//
// Text conversions are locale-independent: numbers are always parsed and
// printed in the "C" locale whatever LC_NUMERIC the user runs with, and a
// number that does not fit is clamped to the type's range instead of wrapping.
//
// Depends on nothing but the standard library. The Python conversions
// (SetFromPython / ToPython) are added by the script bridge; see the marker
// in CVar below.
#pragma once

#include "core/StringUtil.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Flag bits of CVar::GetFlags(). Other bits are kept and returned unchanged.
enum CVarFlags : uint32_t {
  CVarFlag_None = 0,
  CVarFlag_NoSave = 1,    // not written to the configuration file
  CVarFlag_ReadOnly = 2,  // the console refuses to set it; scripts still can
};

enum class CVarType : uint8_t { Bool, Int, Float, String, Dynamic };

// Name comparison (NoCaseLess, NoCaseEqual, NoCaseHash, NoCaseStartsWith) lives in
// core/StringUtil.h.

// Locale-independent text conversions shared by the variables, the command
// processor and the configuration writer.
namespace CVarText {
// Leading white space skipped, optional sign, stops at the first non-digit.
// Returns false (and 0) when no digit was read; clamps to the int32 range.
bool ParseInt(std::string_view text, int32_t& out);
// Decimal floating point (no hex, no inf/nan). Returns false (and 0.0) when
// nothing parses; clamps to +-FLT_MAX.
bool ParseFloat(std::string_view text, float& out);
// Same rules as CVarBool::SetFromString.
bool ParseBool(std::string_view text);
std::string FormatInt(int32_t value);
std::string FormatFloat(float value);                // printf "%f" in the C locale: "1.000000"
std::string_view TrimSpaces(std::string_view text);  // blanks (' ') only
}  // namespace CVarText

class CVar {
 public:
  virtual ~CVar() = default;
  CVar(const CVar&) = delete;
  CVar& operator=(const CVar&) = delete;

  virtual void SetFromString(std::string_view text) = 0;
  virtual std::string ToString() const = 0;
  // The script bridge adds SetFromPython(PyObject*) and ToPython() here.

  const std::string& GetName() const { return name_; }
  uint32_t GetFlags() const { return flags_; }
  void SetFlags(uint32_t flags) { flags_ = flags; }
  bool HasFlag(uint32_t flag) const { return (flags_ & flag) != 0; }
  // True for the built-in variables owned by the registry itself.
  bool IsStatic() const { return isStatic_; }
  CVarType GetType() const { return type_; }

 protected:
  CVar(std::string_view name, uint32_t flags, bool isStatic, CVarType type)
      : name_(name), flags_(flags), isStatic_(isStatic), type_(type) {}

 private:
  std::string name_;
  uint32_t flags_;
  bool isStatic_;
  CVarType type_;
};

class CVarBool final : public CVar {
 public:
  CVarBool(std::string_view name, bool defaultValue, uint32_t flags = 0, bool isStatic = false)
      : CVar(name, flags, isStatic, CVarType::Bool), default_(defaultValue), value_(defaultValue) {}
  // Empty gives false; 'f'/'F' first gives false, 't'/'T' true; otherwise
  // the integer parse of the text != 0.
  void SetFromString(std::string_view text) override { value_ = CVarText::ParseBool(text); }
  std::string ToString() const override { return value_ ? "true" : "false"; }
  bool Get() const { return value_; }
  void Set(bool value) { value_ = value; }
  bool GetDefault() const { return default_; }
  void Reset() { value_ = default_; }

 private:
  bool default_;
  bool value_;
};

class CVarInt final : public CVar {
 public:
  CVarInt(std::string_view name, int32_t defaultValue, uint32_t flags = 0, bool isStatic = false)
      : CVar(name, flags, isStatic, CVarType::Int), default_(defaultValue), value_(defaultValue) {}
  void SetFromString(std::string_view text) override { CVarText::ParseInt(text, value_); }
  std::string ToString() const override { return CVarText::FormatInt(value_); }
  int32_t Get() const { return value_; }
  void Set(int32_t value) { value_ = value; }
  int32_t GetDefault() const { return default_; }
  void Reset() { value_ = default_; }

 private:
  int32_t default_;
  int32_t value_;
};

class CVarFloat final : public CVar {
 public:
  CVarFloat(std::string_view name, float defaultValue, uint32_t flags = 0, bool isStatic = false)
      : CVar(name, flags, isStatic, CVarType::Float),
        default_(defaultValue),
        value_(defaultValue) {}
  void SetFromString(std::string_view text) override { CVarText::ParseFloat(text, value_); }
  std::string ToString() const override { return CVarText::FormatFloat(value_); }
  float Get() const { return value_; }
  void Set(float value) { value_ = value; }
  float GetDefault() const { return default_; }
  void Reset() { value_ = default_; }

 private:
  float default_;
  float value_;
};

class CVarString final : public CVar {
 public:
  CVarString(std::string_view name, std::string_view defaultValue, uint32_t flags = 0,
             bool isStatic = false)
      : CVar(name, flags, isStatic, CVarType::String),
        default_(defaultValue),
        value_(defaultValue) {}
  void SetFromString(std::string_view text) override { value_.assign(text); }
  std::string ToString() const override { return value_; }
  const std::string& Get() const { return value_; }
  void Set(std::string_view value) { value_.assign(value); }
  const std::string& GetDefault() const { return default_; }
  void Reset() { value_ = default_; }

 private:
  std::string default_;
  std::string value_;
};

// A run-time variable whose value type follows what it was last set to.
// The inner value is an unnamed, unregistered typed variable (initially int 0).
class CVarDynamic final : public CVar {
 public:
  CVarDynamic(std::string_view name, uint32_t flags);

  // Trimmed text in double quotes: a string (a lone quote gives ""); "true" /
  // "false" in any case: bool; digits with at most one '.': int or float
  // (empty: int 0); anything else: the untrimmed text as a string.
  void SetFromString(std::string_view text) override;
  std::string ToString() const override { return value_->ToString(); }

  CVarType GetValueType() const { return value_->GetType(); }
  const CVar& GetValue() const { return *value_; }
  void SetBool(bool value);
  void SetInt(int32_t value);
  void SetFloat(float value);
  void SetString(std::string_view value);

 private:
  template <typename T, typename V>
  void SetTyped(CVarType type, V value);

  std::unique_ptr<CVar> value_;
};
