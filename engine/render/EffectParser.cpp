// EffectParser.cpp - the effect file preprocessor and parser.
#include "render/EffectParser.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <set>

#include "core/StringUtil.h"

namespace {

// Nested #include levels and macro expansion depth before we call it a loop.
constexpr int kMaxIncludeDepth = 16;
constexpr int kMaxExpansionDepth = 32;
// Effects are small text files; this bounds what a broken include chain can grow to.
constexpr size_t kMaxPreprocessedSize = 4u << 20;

bool IsIdentStart(char c) {
  return std::isalpha(uint8_t(c)) || c == '_';
}
bool IsIdentChar(char c) {
  return std::isalnum(uint8_t(c)) || c == '_';
}

// ---------------------------------------------------------------------------
// Preprocessor

class Preprocessor {
 public:
  Preprocessor(const EffectDefines& defines, const EffectIncludeHandler& include,
               std::vector<std::string>* files, std::string* errors)
      : m_include(include), m_files(files), m_errors(errors) {
    for (const auto& [name, value] : defines) m_macros[name] = value;
  }

  bool Run(const std::string& fileName, const std::string& text, std::string* out,
           std::vector<PreprocessedLine>* map) {
    m_out = out;
    m_map = map;
    m_files->push_back(fileName);
    ProcessFile(0, text, 0);
    if (!m_condStack.empty() && m_ok) Error(0, m_lastLine, "unterminated #if");
    return m_ok;
  }

 private:
  struct Cond {
    bool active;    // this branch is being emitted
    bool taken;     // some branch of this group was taken
    bool parentOn;  // the enclosing group is emitted
  };

  void Error(int file, int line, const std::string& msg) {
    m_ok = false;
    if (m_errorCount++ >= 20) return;
    *m_errors += (*m_files)[size_t(file)] + "(" + std::to_string(line) + "): error: " + msg + "\n";
  }

  bool Emitting() const { return m_condStack.empty() || m_condStack.back().active; }

  // Splits into logical lines: comments become blanks (newlines kept), a
  // trailing backslash joins the next line.
  static std::vector<std::pair<int, std::string>> SplitLines(const std::string& text) {
    std::vector<std::pair<int, std::string>> lines;
    std::string cur;
    int line = 1, startLine = 1;
    bool inBlock = false;
    for (size_t i = 0; i < text.size(); ++i) {
      char c = text[i];
      if (inBlock) {
        if (c == '*' && i + 1 < text.size() && text[i + 1] == '/') {
          inBlock = false;
          cur += ' ';
          ++i;
        } else if (c == '\n') {
          lines.emplace_back(startLine, cur);
          cur.clear();
          startLine = ++line;
        }
        continue;
      }
      if (c == '"') {  // strings are copied whole so "//" inside survives
        cur += c;
        for (++i; i < text.size() && text[i] != '"' && text[i] != '\n'; ++i) cur += text[i];
        if (i < text.size() && text[i] == '"')
          cur += '"';
        else
          --i;
        continue;
      }
      if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
        while (i + 1 < text.size() && text[i + 1] != '\n') ++i;
        continue;
      }
      if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
        inBlock = true;
        ++i;
        continue;
      }
      if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\n' || text[i + 1] == '\r')) {
        if (text[i + 1] == '\r' && i + 2 < text.size() && text[i + 2] == '\n') ++i;
        ++i;
        ++line;
        continue;
      }
      if (c == '\r') continue;
      if (c == '\n') {
        lines.emplace_back(startLine, cur);
        cur.clear();
        startLine = ++line;
        continue;
      }
      cur += c;
    }
    lines.emplace_back(startLine, cur);
    return lines;
  }

  void ProcessFile(int file, const std::string& text, int depth) {
    for (const auto& [lineNo, raw] : SplitLines(text)) {
      m_lastLine = lineNo;
      if (!m_ok && m_errorCount > 20) return;
      size_t p = raw.find_first_not_of(" \t\f\v");
      if (p != std::string::npos && raw[p] == '#') {
        Directive(file, lineNo, raw.substr(p + 1), depth);
        continue;
      }
      if (!Emitting()) continue;
      std::string expanded;
      std::set<std::string> active;
      Expand(raw, &expanded, active, 0, file, lineNo);
      Emit(file, lineNo, expanded);
    }
  }

  void Emit(int file, int line, const std::string& text) {
    if (m_out->size() + text.size() + 1 > kMaxPreprocessedSize) {
      if (m_ok) Error(file, line, "preprocessed effect too large");
      return;
    }
    *m_out += text;
    *m_out += '\n';
    m_map->push_back({file, line});
  }

  void Expand(const std::string& in, std::string* out, std::set<std::string>& active, int depth,
              int file, int line) {
    if (depth > kMaxExpansionDepth) {
      Error(file, line, "macro expansion too deep");
      return;
    }
    for (size_t i = 0; i < in.size();) {
      char c = in[i];
      if (c == '"') {
        size_t e = in.find('"', i + 1);
        e = (e == std::string::npos) ? in.size() : e + 1;
        *out += in.substr(i, e - i);
        i = e;
      } else if (IsIdentStart(c)) {
        size_t e = i;
        while (e < in.size() && IsIdentChar(in[e])) ++e;
        std::string id = in.substr(i, e - i);
        auto it = m_macros.find(id);
        if (it != m_macros.end() && !active.count(id)) {
          active.insert(id);
          Expand(it->second, out, active, depth + 1, file, line);
          active.erase(id);
        } else {
          *out += id;
        }
        i = e;
      } else if (std::isdigit(uint8_t(c))) {  // keep "1e5f"-style literals whole
        size_t e = i;
        while (e < in.size() && (IsIdentChar(in[e]) || in[e] == '.')) ++e;
        *out += in.substr(i, e - i);
        i = e;
      } else {
        *out += c;
        ++i;
      }
    }
  }

  static std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\f\v");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\f\v");
    return s.substr(b, e - b + 1);
  }

  void Directive(int file, int line, const std::string& body, int depth) {
    std::string rest = Trim(body);
    size_t e = 0;
    while (e < rest.size() && IsIdentChar(rest[e])) ++e;
    std::string name = rest.substr(0, e);
    std::string arg = Trim(rest.substr(e));

    if (name == "if" || name == "ifdef" || name == "ifndef") {
      bool parentOn = Emitting();
      bool value = false;
      if (parentOn) {
        if (name == "if")
          value = EvalCondition(arg, file, line);
        else {
          std::string id = FirstIdent(arg);
          if (id.empty()) Error(file, line, "#" + name + " without a macro name");
          value = m_macros.count(id) != 0;
          if (name == "ifndef") value = !value;
        }
      }
      m_condStack.push_back({parentOn && value, parentOn && value, parentOn});
      return;
    }
    if (name == "elif" || name == "else" || name == "endif") {
      if (m_condStack.empty()) {
        Error(file, line, "#" + name + " without #if");
        return;
      }
      Cond& c = m_condStack.back();
      if (name == "endif")
        m_condStack.pop_back();
      else if (name == "else") {
        c.active = c.parentOn && !c.taken;
        c.taken = true;
      } else {
        bool value = c.parentOn && !c.taken && EvalCondition(arg, file, line);
        c.active = value;
        c.taken = c.taken || value;
      }
      return;
    }
    if (!Emitting()) return;

    if (name == "define") {
      size_t n = 0;
      while (n < arg.size() && IsIdentChar(arg[n])) ++n;
      if (n == 0 || !IsIdentStart(arg[0])) {
        Error(file, line, "#define without a macro name");
        return;
      }
      if (n < arg.size() && arg[n] == '(') {
        Error(file, line, "function-like macros are not supported");
        return;
      }
      m_macros[arg.substr(0, n)] = Trim(arg.substr(n));
    } else if (name == "undef") {
      m_macros.erase(FirstIdent(arg));
    } else if (name == "include") {
      Include(file, line, arg, depth);
    } else if (name == "error") {
      Error(file, line, "#error " + arg);
    } else if (name == "pragma" || name == "extension") {
      Emit(file, line, "#" + rest);  // the GLSL compiler's business
    } else if (name.empty() && arg.empty()) {
      // a lone '#' is allowed
    } else {
      Error(file, line, "unknown directive '#" + name + "'");
    }
  }

  static std::string FirstIdent(const std::string& s) {
    size_t n = 0;
    while (n < s.size() && IsIdentChar(s[n])) ++n;
    return s.substr(0, n);
  }

  void Include(int file, int line, const std::string& arg, int depth) {
    if (arg.size() < 2 ||
        !((arg.front() == '"' && arg.back() == '"') || (arg.front() == '<' && arg.back() == '>'))) {
      Error(file, line, "#include expects \"file\"");
      return;
    }
    std::string name = arg.substr(1, arg.size() - 2);
    if (depth + 1 > kMaxIncludeDepth) {
      Error(file, line, "#include nested too deeply ('" + name + "')");
      return;
    }
    std::string contents;
    if (!m_include || !m_include(name, contents)) {
      Error(file, line, "cannot open include file '" + name + "'");
      return;
    }
    int index = int(m_files->size());
    m_files->push_back(name);
    size_t condDepth = m_condStack.size();
    ProcessFile(index, contents, depth + 1);
    if (m_condStack.size() != condDepth) {
      Error(index, m_lastLine, "unterminated #if in included file");
      m_condStack.resize(condDepth);
    }
    m_lastLine = line;
  }

  // #if expressions: integers, defined(), the C operators.
  struct Expr {
    std::vector<std::string> toks;
    size_t pos = 0;
    bool ok = true;
    std::string error;
    const std::string& Peek() const {
      static const std::string kEnd;
      return pos < toks.size() ? toks[pos] : kEnd;
    }
    bool Accept(const char* t) {
      if (Peek() == t) {
        ++pos;
        return true;
      }
      return false;
    }
    void Fail(const std::string& e) {
      if (ok) error = e;
      ok = false;
    }
  };

  bool EvalCondition(const std::string& text, int file, int line) {
    // Resolve defined() before expansion so the names are not replaced.
    std::string resolved;
    for (size_t i = 0; i < text.size();) {
      if (IsIdentStart(text[i])) {
        size_t e = i;
        while (e < text.size() && IsIdentChar(text[e])) ++e;
        std::string id = text.substr(i, e - i);
        if (id == "defined") {
          size_t p = text.find_first_not_of(" \t", e);
          bool paren = p != std::string::npos && text[p] == '(';
          if (paren) p = text.find_first_not_of(" \t", p + 1);
          size_t q = p;
          while (q != std::string::npos && q < text.size() && IsIdentChar(text[q])) ++q;
          if (p == std::string::npos || q == p) {
            Error(file, line, "defined without a macro name");
            return false;
          }
          resolved += m_macros.count(text.substr(p, q - p)) ? " 1 " : " 0 ";
          if (paren) {
            size_t r = text.find_first_not_of(" \t", q);
            if (r == std::string::npos || text[r] != ')') {
              Error(file, line, "missing ')' after defined");
              return false;
            }
            q = r + 1;
          }
          i = q;
          continue;
        }
        resolved += id;
        i = e;
      } else {
        resolved += text[i++];
      }
    }
    std::string expanded;
    std::set<std::string> active;
    Expand(resolved, &expanded, active, 0, file, line);

    Expr ex;
    for (size_t i = 0; i < expanded.size();) {
      char c = expanded[i];
      if (std::isspace(uint8_t(c))) {
        ++i;
      } else if (IsIdentChar(c)) {
        size_t e = i;
        while (e < expanded.size() && IsIdentChar(expanded[e])) ++e;
        ex.toks.push_back(expanded.substr(i, e - i));
        i = e;
      } else {
        static const char* kTwo[] = {"&&", "||", "==", "!=", "<=", ">=", "<<", ">>"};
        bool two = false;
        for (const char* t : kTwo)
          if (expanded.compare(i, 2, t) == 0) {
            ex.toks.emplace_back(t);
            i += 2;
            two = true;
            break;
          }
        if (!two) ex.toks.emplace_back(1, expanded[i++]);
      }
    }
    if (ex.toks.empty()) {
      Error(file, line, "#if without an expression");
      return false;
    }
    long long v = Ternary(ex, 0);
    if (ex.ok && ex.pos != ex.toks.size()) ex.Fail("unexpected '" + ex.Peek() + "' in #if");
    if (!ex.ok) {
      Error(file, line, ex.error);
      return false;
    }
    return v != 0;
  }

  static int Prec(const std::string& op) {
    static const std::map<std::string, int> kPrec = {
        {"||", 1}, {"&&", 2}, {"|", 3}, {"^", 4},  {"&", 5},  {"==", 6},
        {"!=", 6}, {"<", 7},  {">", 7}, {"<=", 7}, {">=", 7}, {"<<", 8},
        {">>", 8}, {"+", 9},  {"-", 9}, {"*", 10}, {"/", 10}, {"%", 10}};
    auto it = kPrec.find(op);
    return it == kPrec.end() ? -1 : it->second;
  }

  long long Ternary(Expr& ex, int depth) {
    long long c = Binary(ex, 1, depth);
    if (ex.Accept("?")) {
      long long a = Ternary(ex, depth + 1);
      if (!ex.Accept(":")) ex.Fail("missing ':' in #if");
      long long b = Ternary(ex, depth + 1);
      return c ? a : b;
    }
    return c;
  }

  long long Binary(Expr& ex, int minPrec, int depth) {
    long long lhs = Unary(ex, depth);
    while (ex.ok) {
      std::string op = ex.Peek();
      int p = Prec(op);
      if (p < minPrec) break;
      ++ex.pos;
      long long rhs = Binary(ex, p + 1, depth);
      if (!ex.ok) break;
      if (op == "||")
        lhs = lhs || rhs;
      else if (op == "&&")
        lhs = lhs && rhs;
      else if (op == "|")
        lhs |= rhs;
      else if (op == "^")
        lhs ^= rhs;
      else if (op == "&")
        lhs &= rhs;
      else if (op == "==")
        lhs = lhs == rhs;
      else if (op == "!=")
        lhs = lhs != rhs;
      else if (op == "<")
        lhs = lhs < rhs;
      else if (op == ">")
        lhs = lhs > rhs;
      else if (op == "<=")
        lhs = lhs <= rhs;
      else if (op == ">=")
        lhs = lhs >= rhs;
      else if (op == "<<")
        lhs = (rhs < 0 || rhs > 62) ? 0 : (long long)((unsigned long long)lhs << rhs);
      else if (op == ">>")
        lhs = (rhs < 0 || rhs > 62) ? 0 : lhs >> rhs;
      else if (op == "+")
        lhs = (long long)((unsigned long long)lhs + (unsigned long long)rhs);
      else if (op == "-")
        lhs = (long long)((unsigned long long)lhs - (unsigned long long)rhs);
      else if (op == "*")
        lhs = (long long)((unsigned long long)lhs * (unsigned long long)rhs);
      else if (op == "/" || op == "%") {
        if (rhs == 0 || (rhs == -1 && lhs == INT64_MIN)) {
          ex.Fail("division by zero in #if");
          return 0;
        }
        lhs = op == "/" ? lhs / rhs : lhs % rhs;
      }
    }
    return lhs;
  }

  long long Unary(Expr& ex, int depth) {
    if (depth > 64) {
      ex.Fail("#if expression too deep");
      return 0;
    }
    if (ex.Accept("!")) return !Unary(ex, depth + 1);
    if (ex.Accept("-")) return (long long)(0ull - (unsigned long long)Unary(ex, depth + 1));
    if (ex.Accept("+")) return Unary(ex, depth + 1);
    if (ex.Accept("~")) return ~Unary(ex, depth + 1);
    if (ex.Accept("(")) {
      long long v = Ternary(ex, depth + 1);
      if (!ex.Accept(")")) ex.Fail("missing ')' in #if");
      return v;
    }
    const std::string& t = ex.Peek();
    if (t.empty()) {
      ex.Fail("unexpected end of #if expression");
      return 0;
    }
    ++ex.pos;
    if (std::isdigit(uint8_t(t[0]))) {
      char* end = nullptr;
      long long v = (long long)std::strtoull(t.c_str(), &end, 0);
      while (*end == 'u' || *end == 'U' || *end == 'l' || *end == 'L') ++end;
      if (*end) ex.Fail("bad number '" + t + "' in #if");
      return v;
    }
    if (IsIdentStart(t[0])) return 0;  // undefined names are 0, as in C
    ex.Fail("unexpected '" + t + "' in #if");
    return 0;
  }

  const EffectIncludeHandler& m_include;
  std::vector<std::string>* m_files;
  std::string* m_errors;
  std::map<std::string, std::string> m_macros;
  std::vector<Cond> m_condStack;
  std::string* m_out = nullptr;
  std::vector<PreprocessedLine>* m_map = nullptr;
  bool m_ok = true;
  int m_errorCount = 0;
  int m_lastLine = 0;
};

// ---------------------------------------------------------------------------
// Parser

enum TokKind { T_END, T_IDENT, T_NUMBER, T_STRING, T_PUNCT };
struct Token {
  TokKind kind = T_END;
  std::string text;
  size_t offset = 0;
};

struct NamedValue {
  const char* name;
  uint32_t value;
};

const NamedValue kBlendValues[] = {{"Zero", GBLEND_ZERO},
                                   {"One", GBLEND_ONE},
                                   {"SrcColor", GBLEND_SRCCOLOR},
                                   {"InvSrcColor", GBLEND_INVSRCCOLOR},
                                   {"SrcAlpha", GBLEND_SRCALPHA},
                                   {"InvSrcAlpha", GBLEND_INVSRCALPHA},
                                   {"DestAlpha", GBLEND_DESTALPHA},
                                   {"InvDestAlpha", GBLEND_INVDESTALPHA},
                                   {"DestColor", GBLEND_DESTCOLOR},
                                   {"InvDestColor", GBLEND_INVDESTCOLOR},
                                   {"SrcAlphaSat", GBLEND_SRCALPHASAT},
                                   {nullptr, 0}};
const NamedValue kCmpValues[] = {{"Never", GCMP_NEVER},
                                 {"Less", GCMP_LESS},
                                 {"Equal", GCMP_EQUAL},
                                 {"LessEqual", GCMP_LESSEQUAL},
                                 {"Greater", GCMP_GREATER},
                                 {"NotEqual", GCMP_NOTEQUAL},
                                 {"GreaterEqual", GCMP_GREATEREQUAL},
                                 {"Always", GCMP_ALWAYS},
                                 {nullptr, 0}};
const NamedValue kCullValues[] = {
    {"None", GCULL_NONE}, {"CW", GCULL_CW}, {"CCW", GCULL_CCW}, {nullptr, 0}};
const NamedValue kFillValues[] = {
    {"Point", GFILL_POINT}, {"Wireframe", GFILL_WIREFRAME}, {"Solid", GFILL_SOLID}, {nullptr, 0}};
const NamedValue kBlendOpValues[] = {
    {"Add", GBLENDOP_ADD}, {"Subtract", GBLENDOP_SUBTRACT}, {"RevSubtract", GBLENDOP_REVSUBTRACT},
    {"Min", GBLENDOP_MIN}, {"Max", GBLENDOP_MAX},           {nullptr, 0}};
const NamedValue kStencilOpValues[] = {{"Keep", GSTENCILOP_KEEP},
                                       {"Zero", GSTENCILOP_ZERO},
                                       {"Replace", GSTENCILOP_REPLACE},
                                       {"IncrSat", GSTENCILOP_INCRSAT},
                                       {"DecrSat", GSTENCILOP_DECRSAT},
                                       {"Invert", GSTENCILOP_INVERT},
                                       {"Incr", GSTENCILOP_INCR},
                                       {"Decr", GSTENCILOP_DECR},
                                       {nullptr, 0}};
const NamedValue kShadeValues[] = {{"Flat", 1}, {"Gouraud", 2}, {"Phong", 3}, {nullptr, 0}};
const NamedValue kAddressValues[] = {{"Wrap", GTADDRESS_WRAP},
                                     {"Mirror", GTADDRESS_MIRROR},
                                     {"Clamp", GTADDRESS_CLAMP},
                                     {"Border", GTADDRESS_BORDER},
                                     {nullptr, 0}};
const NamedValue kFilterValues[] = {{"None", GTEXF_NONE},
                                    {"Point", GTEXF_POINT},
                                    {"Linear", GTEXF_LINEAR},
                                    {"Anisotropic", GTEXF_ANISOTROPIC},
                                    {nullptr, 0}};

enum ValueKind { VK_BOOL, VK_INT, VK_FLOAT, VK_ENUM };
struct StateInfo {
  const char* name;
  GRenderState state;
  ValueKind kind;
  const NamedValue* values;
};
const StateInfo kRenderStates[] = {
    {"ZEnable", GRS_ZENABLE, VK_BOOL, nullptr},
    {"FillMode", GRS_FILLMODE, VK_ENUM, kFillValues},
    {"ShadeMode", GRS_SHADEMODE, VK_ENUM, kShadeValues},
    {"ZWriteEnable", GRS_ZWRITEENABLE, VK_BOOL, nullptr},
    {"AlphaTestEnable", GRS_ALPHATESTENABLE, VK_BOOL, nullptr},
    {"SrcBlend", GRS_SRCBLEND, VK_ENUM, kBlendValues},
    {"DestBlend", GRS_DESTBLEND, VK_ENUM, kBlendValues},
    {"CullMode", GRS_CULLMODE, VK_ENUM, kCullValues},
    {"ZFunc", GRS_ZFUNC, VK_ENUM, kCmpValues},
    {"AlphaRef", GRS_ALPHAREF, VK_INT, nullptr},
    {"AlphaFunc", GRS_ALPHAFUNC, VK_ENUM, kCmpValues},
    {"DitherEnable", GRS_DITHERENABLE, VK_BOOL, nullptr},
    {"AlphaBlendEnable", GRS_ALPHABLENDENABLE, VK_BOOL, nullptr},
    {"FogEnable", GRS_FOGENABLE, VK_BOOL, nullptr},
    {"SpecularEnable", GRS_SPECULARENABLE, VK_BOOL, nullptr},
    {"StencilEnable", GRS_STENCILENABLE, VK_BOOL, nullptr},
    {"StencilFail", GRS_STENCILFAIL, VK_ENUM, kStencilOpValues},
    {"StencilZFail", GRS_STENCILZFAIL, VK_ENUM, kStencilOpValues},
    {"StencilPass", GRS_STENCILPASS, VK_ENUM, kStencilOpValues},
    {"StencilFunc", GRS_STENCILFUNC, VK_ENUM, kCmpValues},
    {"StencilRef", GRS_STENCILREF, VK_INT, nullptr},
    {"StencilMask", GRS_STENCILMASK, VK_INT, nullptr},
    {"StencilWriteMask", GRS_STENCILWRITEMASK, VK_INT, nullptr},
    {"TextureFactor", GRS_TEXTUREFACTOR, VK_INT, nullptr},
    {"Lighting", GRS_LIGHTING, VK_BOOL, nullptr},
    {"PointSize", GRS_POINTSIZE, VK_FLOAT, nullptr},
    {"ColorWriteEnable", GRS_COLORWRITEENABLE, VK_INT, nullptr},
    {"BlendOp", GRS_BLENDOP, VK_ENUM, kBlendOpValues},
    {"ScissorTestEnable", GRS_SCISSORTESTENABLE, VK_BOOL, nullptr},
    {"SlopeScaleDepthBias", GRS_SLOPESCALEDEPTHBIAS, VK_FLOAT, nullptr},
    {"DepthBias", GRS_DEPTHBIAS, VK_FLOAT, nullptr},
    {"SeparateAlphaBlendEnable", GRS_SEPARATEALPHABLENDENABLE, VK_BOOL, nullptr},
    {"SrcBlendAlpha", GRS_SRCBLENDALPHA, VK_ENUM, kBlendValues},
    {"DestBlendAlpha", GRS_DESTBLENDALPHA, VK_ENUM, kBlendValues},
    {"BlendOpAlpha", GRS_BLENDOPALPHA, VK_ENUM, kBlendOpValues},
};

struct SamplerStateInfo {
  const char* name;
  GSamplerState state;
  ValueKind kind;
  const NamedValue* values;
};
const SamplerStateInfo kSamplerStates[] = {
    {"AddressU", GSAMP_ADDRESSU, VK_ENUM, kAddressValues},
    {"AddressV", GSAMP_ADDRESSV, VK_ENUM, kAddressValues},
    {"AddressW", GSAMP_ADDRESSW, VK_ENUM, kAddressValues},
    {"BorderColor", GSAMP_BORDERCOLOR, VK_INT, nullptr},
    {"MagFilter", GSAMP_MAGFILTER, VK_ENUM, kFilterValues},
    {"MinFilter", GSAMP_MINFILTER, VK_ENUM, kFilterValues},
    {"MipFilter", GSAMP_MIPFILTER, VK_ENUM, kFilterValues},
    {"MipMapLodBias", GSAMP_MIPMAPLODBIAS, VK_FLOAT, nullptr},
    {"MaxMipLevel", GSAMP_MAXMIPLEVEL, VK_INT, nullptr},
    {"MaxAnisotropy", GSAMP_MAXANISOTROPY, VK_INT, nullptr},
};

struct TypeInfo {
  const char* name;
  EffectParamType type;
  uint32_t rows, columns;
  EffectTextureKind tex;
};
const TypeInfo kTypes[] = {
    {"float", EPT_FLOAT, 1, 1, ETK_NONE},     {"float1", EPT_FLOAT, 1, 1, ETK_NONE},
    {"float2", EPT_FLOAT, 1, 2, ETK_NONE},    {"float3", EPT_FLOAT, 1, 3, ETK_NONE},
    {"float4", EPT_FLOAT, 1, 4, ETK_NONE},    {"float3x3", EPT_FLOAT, 3, 3, ETK_NONE},
    {"float4x4", EPT_FLOAT, 4, 4, ETK_NONE},  {"matrix", EPT_FLOAT, 4, 4, ETK_NONE},
    {"int", EPT_INT, 1, 1, ETK_NONE},         {"bool", EPT_BOOL, 1, 1, ETK_NONE},
    {"string", EPT_STRING, 1, 1, ETK_NONE},   {"texture", EPT_TEXTURE, 1, 1, ETK_2D},
    {"texture2D", EPT_TEXTURE, 1, 1, ETK_2D}, {"textureCUBE", EPT_TEXTURE, 1, 1, ETK_CUBE},
    {"texture3D", EPT_TEXTURE, 1, 1, ETK_3D}, {"sampler", EPT_SAMPLER, 1, 1, ETK_2D},
    {"sampler2D", EPT_SAMPLER, 1, 1, ETK_2D}, {"samplerCUBE", EPT_SAMPLER, 1, 1, ETK_CUBE},
    {"sampler3D", EPT_SAMPLER, 1, 1, ETK_3D},
};
// Largest array a parameter may declare; bone palettes need 100.
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
    for (const TypeInfo& t : kTypes)
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
    if (AcceptPunct('[')) {
      double n = 0;
      if (!ParseNumber(&n)) return;
      if (n < 1 || n > kMaxArraySize || n != double(uint32_t(n))) {
        Error("bad array size for '" + p.name + "'");
        return;
      }
      if (p.type != EPT_FLOAT && p.type != EPT_INT && p.type != EPT_BOOL) {
        Error("only numeric parameters can be arrays ('" + p.name + "')");
        return;
      }
      p.arraySize = uint32_t(n);
      if (!ExpectPunct(']')) return;
    }
    if (AcceptPunct(':')) {
      if (!ExpectIdent(&p.semantic, "a semantic")) return;
      for (char& c : p.semantic)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
    SkipAnnotations();
    if (AcceptPunct('=')) {
      if (p.type == EPT_SAMPLER)
        ParseSamplerState(&p);
      else if (p.type == EPT_STRING) {
        if (m_tok.kind != T_STRING) {
          Error("expected a string for '" + p.name + "'");
          return;
        }
        p.initialString = m_tok.text;
        Next();
      } else if (p.type == EPT_TEXTURE) {
        Error("textures take no initial value ('" + p.name + "')");
        return;
      } else {
        bool brace = AcceptPunct('{');
        do {
          if (brace && IsPunct('}')) break;
          double v = 0;
          if (!ParseNumber(&v)) return;
          p.initial.push_back(float(v));
        } while (AcceptPunct(','));
        if (brace && !ExpectPunct('}')) return;
        if (p.initial.size() > p.ElementCount()) {
          Error("too many initial values for '" + p.name + "'");
          return;
        }
      }
    }
    if (!m_ok) return;
    if (!ExpectPunct(';')) return;
    m_out->params.push_back(std::move(p));
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
        for (const SamplerStateInfo& s : kSamplerStates)
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
    size_t begin = m_tok.offset + 1, i = begin;
    int depth = 1;
    for (; i < m_text.size(); ++i) {
      char c = m_text[i];
      if (c == '{')
        ++depth;
      else if (c == '}' && --depth == 0)
        break;
    }
    if (depth != 0) {
      ErrorAt(start, "unterminated shader block '" + sh.name + "'");
      return;
    }
    // Copy line by line, marking where each run of lines comes from.
    size_t line = LineIndex(begin);
    size_t pos = begin;
    int lastFile = -1, lastLine = -1;
    while (pos < i) {
      size_t eol = m_text.find('\n', pos);
      if (eol == std::string::npos || eol > i) eol = i;
      PreprocessedLine l = line < m_map.size() ? m_map[line] : PreprocessedLine{0, 1};
      if (l.file != lastFile || l.line != lastLine + 1)
        sh.code += "#line " + std::to_string(l.line) + " " + std::to_string(l.file) + "\n";
      if (pos == begin) sh.code += std::string(pos - m_lineStarts[line], ' ');  // keep columns
      sh.code += m_text.substr(pos, eol - pos);
      sh.code += '\n';
      lastFile = l.file;
      lastLine = l.line;
      pos = eol + 1;
      ++line;
    }
    m_pos = i + 1;
    Next();
    m_out->shaders.push_back(std::move(sh));
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
      for (const StateInfo& s : kRenderStates)
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

bool PreprocessEffect(const std::string& fileName, const std::string& text,
                      const EffectDefines& defines, const EffectIncludeHandler& include,
                      std::string* output, std::vector<PreprocessedLine>* lineMap,
                      std::vector<std::string>* files, std::string* errors) {
  Preprocessor pp(defines, include, files, errors);
  return pp.Run(fileName, text, output, lineMap);
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

const char* GetRenderStateName(GRenderState state) {
  for (const StateInfo& s : kRenderStates)
    if (s.state == state) return s.name;
  return "";
}
