// EffectParser.cpp - the effect file parser: parameters, samplers, shaders, techniques.
#include "render/effect/EffectParser.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "base/StringUtil.h"
#include "render/effect/EffectSyntax.h"
#include "render/effect/EffectTables.h"

namespace {

using namespace effecttables;

enum TokKind { T_END, T_IDENT, T_NUMBER, T_STRING, T_PUNCT };
struct Token {
  TokKind kind = T_END;
  std::string text;
  size_t offset = 0;
};

// Largest array a parameter may declare.
constexpr uint32_t kMaxArraySize = 1024;

class Parser {
 public:
  Parser(const std::string& text, const std::vector<PreprocessedLine>& map,
         const std::vector<std::string>& files, EffectDesc* out, std::string* errors)
      : m_text(text), m_map(map), m_files(files), m_out(out), m_errors(errors) {
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i)
      if (i == text.size() || text[i] == '\n') {
        m_lineStarts.push_back(start);
        start = i + 1;
      }
    Next();
  }

  bool Run() {
    while (m_ok && m_tok.kind != T_END) {
      if (IsIdent("technique"))
        ParseTechnique();
      else if (IsIdent("vertexshader") || IsIdent("pixelshader") || IsIdent("glsl"))
        ParseShader();
      else
        ParseParameter();
    }
    if (m_ok) Check();
    return m_ok;
  }

 private:
  // Output line index of a text offset.
  size_t LineIndex(size_t offset) const {
    size_t lo = 0, hi = m_lineStarts.size();
    while (hi - lo > 1) {
      size_t mid = (lo + hi) / 2;
      if (m_lineStarts[mid] <= offset)
        lo = mid;
      else
        hi = mid;
    }
    return lo;
  }
  PreprocessedLine Loc(size_t offset) const {
    size_t i = LineIndex(offset);
    if (i < m_map.size()) return m_map[i];
    return m_map.empty() ? PreprocessedLine{0, 1} : m_map.back();
  }

  void Error(const std::string& msg) { ErrorAt(m_tok.offset, msg); }
  void ErrorAt(size_t offset, const std::string& msg) {
    if (!m_ok) return;
    m_ok = false;
    PreprocessedLine l = Loc(offset);
    *m_errors += m_files[size_t(l.file)] + "(" + std::to_string(l.line) + "): error: " + msg + "\n";
  }
  void ErrorName(int line, const std::string& msg) {
    if (!m_ok) return;
    m_ok = false;
    *m_errors += m_files[0] + "(" + std::to_string(line) + "): error: " + msg + "\n";
  }

  void Next() {
    size_t i = m_pos;
    const std::string& s = m_text;
    while (i < s.size() && std::isspace(uint8_t(s[i]))) ++i;
    m_tok = Token();
    m_tok.offset = i;
    if (i >= s.size()) {
      m_pos = i;
      return;
    }
    char c = s[i];
    if (IsIdentStart(c)) {
      size_t e = i;
      while (e < s.size() && IsIdentChar(s[e])) ++e;
      m_tok.kind = T_IDENT;
      m_tok.text = s.substr(i, e - i);
      m_pos = e;
    } else if (std::isdigit(uint8_t(c)) ||
               (c == '.' && i + 1 < s.size() && std::isdigit(uint8_t(s[i + 1])))) {
      size_t e = i;
      if (c == '0' && e + 1 < s.size() && (s[e + 1] == 'x' || s[e + 1] == 'X')) {
        e += 2;
        while (e < s.size() && std::isxdigit(uint8_t(s[e]))) ++e;
      } else {
        while (e < s.size() && (std::isdigit(uint8_t(s[e])) || s[e] == '.')) ++e;
        if (e < s.size() && (s[e] == 'e' || s[e] == 'E')) {
          size_t f = e + 1;
          if (f < s.size() && (s[f] == '+' || s[f] == '-')) ++f;
          if (f < s.size() && std::isdigit(uint8_t(s[f]))) {
            e = f;
            while (e < s.size() && std::isdigit(uint8_t(s[e]))) ++e;
          }
        }
        if (e < s.size() && (s[e] == 'f' || s[e] == 'F')) ++e;
      }
      m_tok.kind = T_NUMBER;
      m_tok.text = s.substr(i, e - i);
      m_pos = e;
    } else if (c == '"') {
      size_t e = i + 1;
      while (e < s.size() && s[e] != '"' && s[e] != '\n') ++e;
      m_tok.kind = T_STRING;
      m_tok.text = s.substr(i + 1, e - i - 1);
      if (e >= s.size() || s[e] != '"') {
        Error("unterminated string");
        m_pos = e;
        return;
      }
      m_pos = e + 1;
    } else {
      m_tok.kind = T_PUNCT;
      m_tok.text = std::string(1, c);
      m_pos = i + 1;
    }
  }

  bool IsIdent(const char* word) const { return m_tok.kind == T_IDENT && m_tok.text == word; }
  bool IsPunct(char c) const { return m_tok.kind == T_PUNCT && m_tok.text[0] == c; }
  bool AcceptPunct(char c) {
    if (!IsPunct(c)) return false;
    Next();
    return true;
  }
  bool ExpectPunct(char c) {
    if (AcceptPunct(c)) return true;
    Error(std::string("expected '") + c + "' but found " + Describe());
    return false;
  }
  std::string Describe() const {
    if (m_tok.kind == T_END) return "end of file";
    if (m_tok.kind == T_STRING) return "\"" + m_tok.text + "\"";
    return "'" + m_tok.text + "'";
  }
  bool ExpectIdent(std::string* out, const char* what) {
    if (m_tok.kind != T_IDENT) {
      Error(std::string("expected ") + what + " but found " + Describe());
      return false;
    }
    *out = m_tok.text;
    Next();
    return true;
  }

  // Skips an annotation block "< ... >".
  void SkipAnnotations() {
    if (!IsPunct('<')) return;
    int depth = 0;
    while (m_ok && m_tok.kind != T_END) {
      if (IsPunct('<')) ++depth;
      if (IsPunct('>') && --depth == 0) {
        Next();
        return;
      }
      Next();
    }
    Error("unterminated annotation");
  }

  bool ParseNumber(double* v) {
    bool neg = false;
    if (AcceptPunct('-'))
      neg = true;
    else
      AcceptPunct('+');
    if (m_tok.kind == T_IDENT && (m_tok.text == "true" || m_tok.text == "false")) {
      *v = m_tok.text == "true" ? 1.0 : 0.0;
      Next();
      return true;
    }
    if (m_tok.kind != T_NUMBER) {
      Error("expected a number but found " + Describe());
      return false;
    }
    std::string t = m_tok.text;
    if (!t.empty() && (t.back() == 'f' || t.back() == 'F') &&
        t.find_first_of("xX") == std::string::npos)
      t.pop_back();
    char* end = nullptr;
    double d = (t.find_first_of("xX") != std::string::npos)
                   ? double(std::strtoull(t.c_str(), &end, 16))
                   : std::strtod(t.c_str(), &end);
    if (!end || *end) {
      Error("bad number '" + m_tok.text + "'");
      return false;
    }
    *v = neg ? -d : d;
    Next();
    return true;
  }

  void ParseParameter() {
    size_t start = m_tok.offset;
    while (m_tok.kind == T_IDENT && (m_tok.text == "uniform" || m_tok.text == "shared" ||
                                     m_tok.text == "static" || m_tok.text == "const"))
      Next();
    std::string typeName;
    if (!ExpectIdent(&typeName, "a declaration")) return;
    const TypeInfo* type = nullptr;
    for (const TypeInfo& t : TypeTable())
      if (typeName == t.name) type = &t;
    if (!type) {
      ErrorAt(start, "unknown type '" + typeName + "'");
      return;
    }
    EffectParam p;
    p.type = type->type;
    p.rows = type->rows;
    p.columns = type->columns;
    p.textureKind = type->tex;
    p.line = Loc(start).line;
    if (!ExpectIdent(&p.name, "a parameter name")) return;
    if (p.name.compare(0, 4, "kaz_") == 0 || p.name.compare(0, 3, "gl_") == 0) {
      Error("the prefixes 'kaz_' and 'gl_' are reserved ('" + p.name + "')");
      return;
    }
    for (const EffectParam& q : m_out->params)
      if (q.name == p.name) {
        Error("parameter '" + p.name + "' declared twice");
        return;
      }
    if (AcceptPunct('[') && !ParseArraySize(&p)) return;
    if (AcceptPunct(':')) {
      if (!ExpectIdent(&p.semantic, "a semantic")) return;
      for (char& c : p.semantic)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
    SkipAnnotations();
    if (AcceptPunct('=') && !ParseInitialValue(&p)) return;
    if (!m_ok) return;
    if (!ExpectPunct(';')) return;
    m_out->params.push_back(std::move(p));
  }

  // After '[': the element count and ']'.
  bool ParseArraySize(EffectParam* p) {
    double n = 0;
    if (!ParseNumber(&n)) return false;
    if (n < 1 || n > kMaxArraySize || n != double(uint32_t(n))) {
      Error("bad array size for '" + p->name + "'");
      return false;
    }
    if (p->type != EPT_FLOAT && p->type != EPT_INT && p->type != EPT_BOOL) {
      Error("only numeric parameters can be arrays ('" + p->name + "')");
      return false;
    }
    p->arraySize = uint32_t(n);
    return ExpectPunct(']');
  }

  // After '=': sampler states, a string, or numbers (one, or a braced list).
  bool ParseInitialValue(EffectParam* p) {
    if (p->type == EPT_SAMPLER) {
      ParseSamplerState(p);
      return m_ok;
    }
    if (p->type == EPT_STRING) {
      if (m_tok.kind != T_STRING) {
        Error("expected a string for '" + p->name + "'");
        return false;
      }
      p->initialString = m_tok.text;
      Next();
      return true;
    }
    if (p->type == EPT_TEXTURE) {
      Error("textures take no initial value ('" + p->name + "')");
      return false;
    }
    bool brace = AcceptPunct('{');
    do {
      if (brace && IsPunct('}')) break;
      double v = 0;
      if (!ParseNumber(&v)) return false;
      p->initial.push_back(float(v));
    } while (AcceptPunct(','));
    if (brace && !ExpectPunct('}')) return false;
    if (p->initial.size() > p->ElementCount()) {
      Error("too many initial values for '" + p->name + "'");
      return false;
    }
    return true;
  }

  bool LookupValue(const NamedValue* values, ValueKind kind, uint32_t* out,
                   const std::string& stateName) {
    if (kind == VK_ENUM && m_tok.kind == T_IDENT) {
      for (const NamedValue* v = values; v->name; ++v)
        if (EqualsNoCase(m_tok.text, v->name)) {
          *out = v->value;
          Next();
          return true;
        }
      Error("bad value '" + m_tok.text + "' for " + stateName);
      return false;
    }
    double d = 0;
    if (!ParseNumber(&d)) return false;
    if (kind == VK_FLOAT) {
      float f = float(d);
      std::memcpy(out, &f, 4);
    } else if (kind == VK_BOOL) {
      *out = d != 0 ? 1 : 0;
    } else {
      if (d < -2147483648.0 || d > 4294967295.0) {
        Error("value out of range for " + stateName);
        return false;
      }
      *out = d < 0 ? uint32_t(int32_t(d)) : uint32_t(d);
    }
    return true;
  }

  void ParseSamplerState(EffectParam* p) {
    if (!IsIdent("sampler_state")) {
      Error("expected sampler_state for '" + p->name + "'");
      return;
    }
    Next();
    if (!ExpectPunct('{')) return;
    while (m_ok && !IsPunct('}')) {
      std::string name;
      if (!ExpectIdent(&name, "a sampler state")) return;
      if (!ExpectPunct('=')) return;
      if (EqualsNoCase(name, "Texture")) {
        bool angle = AcceptPunct('<');
        bool paren = !angle && AcceptPunct('(');
        if (!ExpectIdent(&p->samplerTexture, "a texture name")) return;
        if (angle && !ExpectPunct('>')) return;
        if (paren && !ExpectPunct(')')) return;
      } else {
        const SamplerStateInfo* info = nullptr;
        for (const SamplerStateInfo& s : SamplerStateTable())
          if (EqualsNoCase(name, s.name)) info = &s;
        if (!info) {
          Error("unknown sampler state '" + name + "'");
          return;
        }
        uint32_t v = 0;
        if (!LookupValue(info->values, info->kind, &v, name)) return;
        p->samplerStates.emplace_back(info->state, v);
      }
      if (!ExpectPunct(';')) return;
    }
    ExpectPunct('}');
  }

  void ParseShader() {
    EffectShader sh;
    sh.stage = IsIdent("vertexshader") ? ES_VERTEX : IsIdent("pixelshader") ? ES_PIXEL : ES_COMMON;
    size_t start = m_tok.offset;
    sh.line = Loc(start).line;
    Next();
    if (!ExpectIdent(&sh.name, "a shader name")) return;
    if (m_out->FindShader(sh.name)) {
      Error("shader '" + sh.name + "' declared twice");
      return;
    }
    if (!IsPunct('{')) {
      Error("expected '{' but found " + Describe());
      return;
    }
    // Raw GLSL up to the matching brace.
    size_t begin = m_tok.offset + 1, i = MatchingBrace(begin);
    if (i == std::string::npos) {
      ErrorAt(start, "unterminated shader block '" + sh.name + "'");
      return;
    }
    sh.code = CopyWithLineMarkers(begin, i);
    m_pos = i + 1;
    Next();
    m_out->shaders.push_back(std::move(sh));
  }

  // The offset of the '}' closing a block whose text starts at begin, or npos.
  size_t MatchingBrace(size_t begin) const {
    int depth = 1;
    for (size_t i = begin; i < m_text.size(); ++i) {
      if (m_text[i] == '{')
        ++depth;
      else if (m_text[i] == '}' && --depth == 0)
        return i;
    }
    return std::string::npos;
  }

  // The text from begin to end line by line, each run of lines headed by a
  // "#line" marker naming the file and line it came from.
  std::string CopyWithLineMarkers(size_t begin, size_t end) const {
    std::string code;
    size_t line = LineIndex(begin);
    size_t pos = begin;
    int lastFile = -1, lastLine = -1;
    while (pos < end) {
      size_t eol = m_text.find('\n', pos);
      if (eol == std::string::npos || eol > end) eol = end;
      PreprocessedLine l = line < m_map.size() ? m_map[line] : PreprocessedLine{0, 1};
      if (l.file != lastFile || l.line != lastLine + 1)
        code += "#line " + std::to_string(l.line) + " " + std::to_string(l.file) + "\n";
      if (pos == begin) code += std::string(pos - m_lineStarts[line], ' ');  // keep columns
      code += m_text.substr(pos, eol - pos);
      code += '\n';
      lastFile = l.file;
      lastLine = l.line;
      pos = eol + 1;
      ++line;
    }
    return code;
  }

  void ParseTechnique() {
    Next();
    EffectTechnique t;
    if (!ExpectIdent(&t.name, "a technique name")) return;
    for (const EffectTechnique& o : m_out->techniques)
      if (o.name == t.name) {
        Error("technique '" + t.name + "' declared twice");
        return;
      }
    SkipAnnotations();
    if (!ExpectPunct('{')) return;
    while (m_ok && !IsPunct('}')) {
      if (IsIdent("requires")) {
        Next();
        double v = 0;
        if (m_tok.kind != T_NUMBER) {
          Error("expected a version after requires");
          return;
        }
        std::string text = m_tok.text;
        if (!ParseNumber(&v)) return;
        size_t dot = text.find('.');
        uint32_t major = uint32_t(std::strtoul(text.c_str(), nullptr, 10));
        uint32_t minor = dot == std::string::npos
                             ? 0
                             : uint32_t(std::strtoul(text.c_str() + dot + 1, nullptr, 10));
        if (major > 255 || minor > 255) {
          Error("bad version '" + text + "'");
          return;
        }
        t.requiredVersion = (major << 8) | minor;
        if (!ExpectPunct(';')) return;
      } else if (IsIdent("pass")) {
        Next();
        EffectPass p;
        if (m_tok.kind == T_IDENT) {
          p.name = m_tok.text;
          Next();
        }
        SkipAnnotations();
        if (!ExpectPunct('{')) return;
        while (m_ok && !IsPunct('}')) ParsePassState(&p);
        if (!ExpectPunct('}')) return;
        t.passes.push_back(std::move(p));
      } else {
        Error("expected pass or requires but found " + Describe());
        return;
      }
    }
    if (!ExpectPunct('}')) return;
    AcceptPunct(';');
    m_out->techniques.push_back(std::move(t));
  }

  void ParsePassState(EffectPass* p) {
    std::string name;
    size_t at = m_tok.offset;
    if (!ExpectIdent(&name, "a pass state")) return;
    if (!ExpectPunct('=')) return;
    if (EqualsNoCase(name, "VertexShader") || EqualsNoCase(name, "PixelShader")) {
      std::string shader;
      if (!ExpectIdent(&shader, "a shader name")) return;
      const EffectShader* sh = m_out->FindShader(shader);
      EffectStage want = EqualsNoCase(name, "VertexShader") ? ES_VERTEX : ES_PIXEL;
      if (!sh || sh->stage != want) {
        ErrorAt(at, std::string("no ") + (want == ES_VERTEX ? "vertexshader" : "pixelshader") +
                        " named '" + shader + "'");
        return;
      }
      (want == ES_VERTEX ? p->vertexShader : p->pixelShader) = shader;
    } else {
      const StateInfo* info = nullptr;
      for (const StateInfo& s : RenderStateTable())
        if (EqualsNoCase(name, s.name)) info = &s;
      if (!info) {
        ErrorAt(at, "unknown render state '" + name + "'");
        return;
      }
      uint32_t v = 0;
      if (!LookupValue(info->values, info->kind, &v, name)) return;
      p->states.emplace_back(info->state, v);
    }
    ExpectPunct(';');
  }

  void Check() {
    for (EffectParam& p : m_out->params) {
      if (p.type != EPT_SAMPLER) continue;
      if (p.samplerTexture.empty()) continue;
      bool found = false;
      for (const EffectParam& q : m_out->params)
        if (q.name == p.samplerTexture && q.type == EPT_TEXTURE) found = true;
      if (!found) {
        ErrorName(p.line,
                  "sampler '" + p.name + "' reads unknown texture '" + p.samplerTexture + "'");
        return;
      }
    }
    for (const EffectTechnique& t : m_out->techniques) {
      if (t.passes.empty()) {
        ErrorName(0, "technique '" + t.name + "' has no pass");
        return;
      }
    }
  }

  const std::string& m_text;
  const std::vector<PreprocessedLine>& m_map;
  const std::vector<std::string>& m_files;
  EffectDesc* m_out;
  std::string* m_errors;
  std::vector<size_t> m_lineStarts;
  size_t m_pos = 0;
  Token m_tok;
  bool m_ok = true;
};

}  // namespace

const EffectShader* EffectDesc::FindShader(const std::string& name) const {
  for (const EffectShader& s : shaders)
    if (s.name == name) return &s;
  return nullptr;
}

bool ParseEffect(const std::string& fileName, const std::string& text, const EffectDefines& defines,
                 const EffectIncludeHandler& include, EffectDesc* out, std::string* errors) {
  *out = EffectDesc();
  out->fileName = fileName;
  std::string expanded;
  std::vector<PreprocessedLine> map;
  if (!PreprocessEffect(fileName, text, defines, include, &expanded, &map, &out->files, errors))
    return false;
  Parser parser(expanded, map, out->files, out, errors);
  return parser.Run();
}

void ApplyEffectConstants(const EffectConstants& constants, EffectDesc* desc) {
  for (EffectParam& p : desc->params) {
    auto it = p.semantic.empty() ? constants.end() : constants.find(p.semantic);
    if (it == constants.end() || p.arraySize || p.rows != 1 || p.columns != 1) continue;
    if (p.type != EPT_FLOAT && p.type != EPT_INT && p.type != EPT_BOOL) continue;
    p.constant = true;
    p.initial.assign(1, it->second);
  }
}
