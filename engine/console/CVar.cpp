// CVar.cpp - value parsing and printing of console variables; see CVar.h.
#include "console/CVar.h"

#include <cfloat>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
// The C library's white-space set in the "C" locale.
bool IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// strtod in the "C" locale, so a German LC_NUMERIC cannot make "1.5" read as 1.
locale_t CLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return loc;
}

}  // namespace

namespace CVarText {

bool ParseInt(std::string_view text, int32_t& out) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || !IsDigit(text[i])) {
    out = 0;
    return false;
  }
  // Accumulate with saturation: huge inputs clamp rather than wrap.
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
  out = static_cast<int32_t>(value);
  return true;
}

bool ParseFloat(std::string_view text, float& out) {
  out = 0.0f;
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  // Find the extent of [sign] digits [. digits] [e [sign] digits] ourselves,
  // which keeps out hex, "inf" and "nan" and bounds the copy below.
  size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  std::string number(text.substr(start, i - start));
  double d = strtod_l(number.c_str(), nullptr, CLocale());
  if (d > FLT_MAX)
    d = FLT_MAX;
  else if (d < -FLT_MAX)
    d = -FLT_MAX;
  out = static_cast<float>(d);
  return true;
}

bool ParseBool(std::string_view text) {
  if (text.empty()) return false;
  char first = LowerAscii(text[0]);
  if (first == 'f') return false;
  if (first == 't') return true;
  int32_t value = 0;
  ParseInt(text, value);
  return value != 0;
}

std::string FormatInt(int32_t value) {
  char buf[16];
  auto res = std::to_chars(buf, buf + sizeof(buf), value);
  return std::string(buf, res.ptr);
}

std::string FormatFloat(float value) {
  // to_chars never consults the locale; fixed with 6 digits matches "%f".
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof(buf), static_cast<double>(value),
                           std::chars_format::fixed, 6);
  if (res.ec != std::errc()) return "0.000000";
  return std::string(buf, res.ptr);
}

std::string_view TrimSpaces(std::string_view text) {
  size_t b = text.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  size_t e = text.find_last_not_of(' ');
  return text.substr(b, e - b + 1);
}

}  // namespace CVarText

const EnumTable& CVarFlagTable() {
  static constexpr EnumValue kFlags[] = {
      {CVarFlag_NoSave, "NoSave", "Not written to the configuration file."},
      {CVarFlag_ReadOnly, "ReadOnly", "The console refuses to set it; scripts still can."},
  };
  static const EnumTable table{"Console variable flags (bits)",
                               "_Engine.SetCVarFlags and GetCVarFlags", kFlags};
  return table;
}

CVarDynamic::CVarDynamic(std::string_view name, uint32_t flags)
    : CVar(name, flags, false, CVarType::Dynamic, nullptr),
      m_value(std::make_unique<CVarInt>("", 0)) {}

template <typename T, typename V>
void CVarDynamic::SetTyped(CVarType type, V value) {
  if (m_value->GetType() == type)
    static_cast<T*>(m_value.get())->Set(value);
  else
    m_value = std::make_unique<T>("", value);
}

void CVarDynamic::SetBool(bool value) {
  SetTyped<CVarBool>(CVarType::Bool, value);
}
void CVarDynamic::SetInt(int32_t value) {
  SetTyped<CVarInt>(CVarType::Int, value);
}
void CVarDynamic::SetFloat(float value) {
  SetTyped<CVarFloat>(CVarType::Float, value);
}
void CVarDynamic::SetString(std::string_view value) {
  SetTyped<CVarString>(CVarType::String, value);
}

void CVarDynamic::SetFromString(std::string_view text) {
  std::string_view trimmed = CVarText::TrimSpaces(text);
  if (!trimmed.empty() && trimmed.front() == '"' && trimmed.back() == '"') {
    // A lone quote both opens and closes: it holds nothing.
    SetString(trimmed.size() >= 2 ? trimmed.substr(1, trimmed.size() - 2) : std::string_view());
    return;
  }
  if (NoCaseEqual()(trimmed, "true")) {
    SetBool(true);
    return;
  }
  if (NoCaseEqual()(trimmed, "false")) {
    SetBool(false);
    return;
  }
  bool sawDot = false;
  for (char c : trimmed) {
    if (c == '.' && !sawDot) {
      sawDot = true;
    } else if (!IsDigit(c)) {
      SetString(text);
      return;
    }
  }
  if (sawDot) {
    float f = 0.0f;
    CVarText::ParseFloat(trimmed, f);
    SetFloat(f);
  } else {
    int32_t i = 0;
    CVarText::ParseInt(trimmed, i);
    SetInt(i);
  }
}
