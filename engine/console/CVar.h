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

#include "base/EnumTable.h"
#include "base/StringUtil.h"

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

// The flag bits with their names, for _Engine.SetCVarFlags and the reference.
const EnumTable& CVarFlagTable();

enum class CVarType : uint8_t { Bool, Int, Float, String, Dynamic };

// Name comparison (NoCaseLess, NoCaseEqual, NoCaseHash, NoCaseStartsWith) lives in
// base/StringUtil.h.

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

  const std::string& GetName() const { return m_name; }
  uint32_t GetFlags() const { return m_flags; }
  void SetFlags(uint32_t flags) { m_flags = flags; }
  bool HasFlag(uint32_t flag) const { return (m_flags & flag) != 0; }
  // True for the built-in variables owned by the registry itself.
  bool IsStatic() const { return m_isStatic; }
  CVarType GetType() const { return m_type; }
  // What the variable does, for "help" and the reference; empty for the
  // variables scripts create.
  const char* GetHelp() const { return m_help; }

 protected:
  CVar(std::string_view name, uint32_t flags, bool isStatic, CVarType type, const char* help)
      : m_name(name),
        m_help(help ? help : ""),
        m_flags(flags),
        m_isStatic(isStatic),
        m_type(type) {}

 private:
  std::string m_name;
  const char* m_help;
  uint32_t m_flags;
  bool m_isStatic;
  CVarType m_type;
};

class CVarBool final : public CVar {
 public:
  CVarBool(std::string_view name, bool defaultValue, uint32_t flags = 0, bool isStatic = false,
           const char* help = nullptr)
      : CVar(name, flags, isStatic, CVarType::Bool, help),
        m_default(defaultValue),
        m_value(defaultValue) {}
  // Empty gives false; 'f'/'F' first gives false, 't'/'T' true; otherwise
  // the integer parse of the text != 0.
  void SetFromString(std::string_view text) override { m_value = CVarText::ParseBool(text); }
  std::string ToString() const override { return m_value ? "true" : "false"; }
  bool Get() const { return m_value; }
  void Set(bool value) { m_value = value; }
  bool GetDefault() const { return m_default; }
  void Reset() { m_value = m_default; }

 private:
  bool m_default;
  bool m_value;
};

class CVarInt final : public CVar {
 public:
  CVarInt(std::string_view name, int32_t defaultValue, uint32_t flags = 0, bool isStatic = false,
          const char* help = nullptr)
      : CVar(name, flags, isStatic, CVarType::Int, help),
        m_default(defaultValue),
        m_value(defaultValue) {}
  void SetFromString(std::string_view text) override { CVarText::ParseInt(text, m_value); }
  std::string ToString() const override { return CVarText::FormatInt(m_value); }
  int32_t Get() const { return m_value; }
  void Set(int32_t value) { m_value = value; }
  int32_t GetDefault() const { return m_default; }
  void Reset() { m_value = m_default; }

 private:
  int32_t m_default;
  int32_t m_value;
};

class CVarFloat final : public CVar {
 public:
  CVarFloat(std::string_view name, float defaultValue, uint32_t flags = 0, bool isStatic = false,
            const char* help = nullptr)
      : CVar(name, flags, isStatic, CVarType::Float, help),
        m_default(defaultValue),
        m_value(defaultValue) {}
  void SetFromString(std::string_view text) override { CVarText::ParseFloat(text, m_value); }
  std::string ToString() const override { return CVarText::FormatFloat(m_value); }
  float Get() const { return m_value; }
  void Set(float value) { m_value = value; }
  float GetDefault() const { return m_default; }
  void Reset() { m_value = m_default; }

 private:
  float m_default;
  float m_value;
};

class CVarString final : public CVar {
 public:
  CVarString(std::string_view name, std::string_view defaultValue, uint32_t flags = 0,
             bool isStatic = false, const char* help = nullptr)
      : CVar(name, flags, isStatic, CVarType::String, help),
        m_default(defaultValue),
        m_value(defaultValue) {}
  void SetFromString(std::string_view text) override { m_value.assign(text); }
  std::string ToString() const override { return m_value; }
  const std::string& Get() const { return m_value; }
  void Set(std::string_view value) { m_value.assign(value); }
  const std::string& GetDefault() const { return m_default; }
  void Reset() { m_value = m_default; }

 private:
  std::string m_default;
  std::string m_value;
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
  std::string ToString() const override { return m_value->ToString(); }

  CVarType GetValueType() const { return m_value->GetType(); }
  const CVar& GetValue() const { return *m_value; }
  void SetBool(bool value);
  void SetInt(int32_t value);
  void SetFloat(float value);
  void SetString(std::string_view value);

 private:
  template <typename T, typename V>
  void SetTyped(CVarType type, V value);

  std::unique_ptr<CVar> m_value;
};
