// EffectPreprocessor.cpp - the effect file preprocessor: includes, macros, conditionals.
#include "render/effect/EffectParser.h"

#include <cctype>
#include <cstdlib>
#include <set>

#include "render/effect/EffectSyntax.h"

namespace {

// Nested #include levels and macro expansion depth before we call it a loop.
constexpr int kMaxIncludeDepth = 16;
constexpr int kMaxExpansionDepth = 32;
// Effects are small text files; this bounds what a broken include chain can grow to.
constexpr size_t kMaxPreprocessedSize = 4u << 20;

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

}  // namespace

bool PreprocessEffect(const std::string& fileName, const std::string& text,
                      const EffectDefines& defines, const EffectIncludeHandler& include,
                      std::string* output, std::vector<PreprocessedLine>* lineMap,
                      std::vector<std::string>* files, std::string* errors) {
  Preprocessor pp(defines, include, files, errors);
  return pp.Run(fileName, text, output, lineMap);
}
