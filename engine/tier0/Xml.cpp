// Xml.cpp - tokenizer and recursive element parser.
#include "tier0/Xml.h"

#include "base/Log.h"
#include "base/StringUtil.h"

#include <cstdarg>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr size_t kTokenInitialCapacity = 32;
constexpr size_t kPoolInitialCapacity = 32;
constexpr size_t kArrayInitialCapacity = 2;

// Control characters and blanks separate tokens; bytes above 0x7F are kept as
// text so UTF-8 names and values survive.
bool IsSkipped(int c) {
  return c <= ' ' || c == 0x7F;
}

bool IsDelimiter(int c) {
  switch (c) {
    case ' ':
    case '/':
    case '<':
    case '>':
    case '=':
    case '\n':
    case '\r':
    case '\t':
    case '\v':
    case '\f':
      return true;
    default:
      return false;
  }
}

int Unescape(int c) {
  switch (c) {
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 't':
      return '\t';
    case 'v':
      return '\v';
    case 'f':
      return '\f';
    case 'b':
      return '\b';
    default:
      return c;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// XmlReader

XmlReader::XmlReader() = default;

XmlReader::XmlReader(XmlReadFunc read, void* handle) {
  Init(read, handle);
}

void XmlReader::Init(XmlReadFunc read, void* handle) {
  *this = XmlReader();
  m_read = read;
  m_handle = handle;
}

void XmlReader::InitMemory(const void* data, size_t size) {
  *this = XmlReader();
  m_memory = static_cast<const unsigned char*>(data);
  m_memorySize = data ? size : 0;
}

int XmlReader::GetChar() {
  int c;
  if (m_pushBack >= 0) {
    c = m_pushBack;
    m_pushBack = -1;
    return c;
  }
  if (m_memory) {
    if (m_memoryPos >= m_memorySize) return -1;
    c = m_memory[m_memoryPos++];
  } else {
    unsigned char byte;
    if (!m_read || m_read(m_handle, &byte, 1) != 1) return -1;
    c = byte;
  }
  if (c == '\n') ++m_line;
  return c;
}

bool XmlReader::NextToken() {
  m_token.clear();
  if (m_token.capacity() < kTokenInitialCapacity) m_token.reserve(kTokenInitialCapacity);
  m_tokenType = Token_None;

  bool started = false;
  bool quoted = false;
  for (;;) {
    int c = GetChar();
    if (c < 0) return started;
    if (!started) {
      switch (c) {
        case '"':
          started = quoted = true;
          m_tokenType = Token_Text;
          continue;
        case '=':
          m_tokenType = Token_Equals;
          return true;
        case '<':
          m_tokenType = Token_Open;
          return true;
        case '>':
          m_tokenType = Token_Close;
          return true;
        case '/':
          m_tokenType = Token_Slash;
          return true;
        default:
          break;
      }
      if (IsSkipped(c)) continue;
      started = true;
      m_tokenType = Token_Text;
      m_token.push_back(static_cast<char>(c));
      continue;
    }
    if (c == '\\') {
      int next = GetChar();
      if (next < 0) return false;
      m_token.push_back(static_cast<char>(Unescape(next)));
      continue;
    }
    if (c == '"') {
      if (quoted) return true;
      quoted = true;
      continue;
    }
    if (!quoted && IsDelimiter(c)) {
      UngetChar(c);
      return true;
    }
    m_token.push_back(static_cast<char>(c));
  }
}

bool XmlReader::ReadRaw(int previous) {
  m_token.clear();
  m_tokenType = Token_Raw;
  for (;;) {
    int c = GetChar();
    if (c < 0) return false;
    if (c == '>' && previous == '?') return true;
    m_token.push_back(static_cast<char>(c));
    previous = c;
  }
}

void XmlReader::ResetTokens() {
  std::string().swap(m_token);
  m_tokenType = Token_None;
}

bool XmlReader::Fail(const char* format, ...) {
  // The innermost failure explains the problem; outer levels keep it.
  if (!m_error.empty()) return false;
  char text[kFormatBufferSize];
  va_list args;
  va_start(args, format);
  FormatBounded(text, sizeof(text), format, args);
  va_end(args);
  char line[kFormatBufferSize];
  FormatBounded(line, sizeof(line), "line %d: %s", m_line + 1, text);
  m_error = line;
  return false;
}

// ---------------------------------------------------------------------------
// XmlElement

XmlElement::XmlElement() = default;
XmlElement::~XmlElement() = default;
XmlElement::XmlElement(XmlElement&& other) noexcept {
  *this = std::move(other);
}

XmlElement& XmlElement::operator=(XmlElement&& other) noexcept {
  if (this != &other) {
    m_pool = std::move(other.m_pool);
    m_name = other.m_name;
    m_attrNames = std::move(other.m_attrNames);
    m_attrValues = std::move(other.m_attrValues);
    m_children = std::move(other.m_children);
    other.Clear();
  }
  return *this;
}

void XmlElement::Clear() {
  std::vector<XmlElement>().swap(m_children);
  std::vector<size_t>().swap(m_attrNames);
  std::vector<size_t>().swap(m_attrValues);
  std::vector<char>().swap(m_pool);
  m_name = -1;
}

const XmlElement* XmlElement::GetChild(int index) const {
  if (index < 0 || index >= GetChildCount()) return nullptr;
  return &m_children[static_cast<size_t>(index)];
}

const char* XmlElement::GetAttributeName(int index) const {
  if (index < 0 || index >= GetAttributeCount()) return nullptr;
  return &m_pool[m_attrNames[static_cast<size_t>(index)]];
}

const char* XmlElement::GetAttributeValue(int index) const {
  if (index < 0 || index >= GetAttributeCount()) return nullptr;
  return &m_pool[m_attrValues[static_cast<size_t>(index)]];
}

int XmlElement::FindAttribute(const char* name) const {
  if (!name) return -1;
  for (size_t i = 0; i < m_attrNames.size(); ++i) {
    if (EqualsNoCase(&m_pool[m_attrNames[i]], name)) return static_cast<int>(i);
  }
  return -1;
}

const char* XmlElement::GetAttribute(const char* name, const char* defaultValue) const {
  int index = FindAttribute(name);
  return index < 0 ? defaultValue : GetAttributeValue(index);
}

size_t XmlElement::AddString(const char* text, size_t length) {
  if (m_pool.empty()) {
    m_pool.reserve(kPoolInitialCapacity);
    m_pool.push_back('\0');
  }
  size_t needed = m_pool.size() + length + 1;
  if (needed > m_pool.capacity()) {
    size_t capacity = m_pool.capacity() * 2;
    if (capacity < kPoolInitialCapacity) capacity = kPoolInitialCapacity;
    while (capacity < needed) capacity *= 2;
    m_pool.reserve(capacity);
  }
  size_t offset = m_pool.size();
  m_pool.insert(m_pool.end(), text, text + length);
  m_pool.push_back('\0');
  return offset;
}

size_t XmlElement::StoreString(size_t offset, const char* text, size_t length) {
  if (offset < m_pool.size() && std::strlen(&m_pool[offset]) >= length) {
    std::memcpy(&m_pool[offset], text, length);
    m_pool[offset + length] = '\0';
    return offset;
  }
  return AddString(text, length);
}

bool XmlElement::FailParse(XmlReader&) {
  Clear();
  return false;
}

bool XmlElement::Parse(XmlReader& reader) {
  reader.m_error.clear();
  bool ok;
  try {
    ok = ParseElement(reader, 0, nullptr);
  } catch (const std::bad_alloc&) {
    Clear();
    ok = reader.Fail("out of memory");
  }
  if (ok && !HasName()) {
    ok = reader.Fail("closing tag without an open element");
    Clear();
  }
  reader.ResetTokens();
  return ok;
}

bool XmlElement::ParseDocument(XmlReader& reader) {
  while (Parse(reader)) {
    if (GetName()[0] != '?') return true;
  }
  return false;
}

bool XmlElement::ParseElement(XmlReader& reader, int depth, const char* parentName) {
  Clear();
  bool closing = false;
  if (!ReadName(reader, depth, parentName, closing)) return FailParse(reader);
  if (closing) return true;  // the parent's closing tag: left nameless
  if (GetName()[0] == '?') return ParseInstruction(reader) || FailParse(reader);
  bool empty = false;
  if (!ParseAttributes(reader, empty)) return FailParse(reader);
  if (empty) return true;
  if (!ParseChildren(reader, depth) || !ParseClosingTag(reader)) return FailParse(reader);
  return true;
}

bool XmlElement::ReadName(XmlReader& reader, int depth, const char* parentName, bool& closing) {
  using R = XmlReader;
  // Skip character data up to the next tag.
  do {
    if (!reader.NextToken()) {
      if (parentName) return reader.Fail("end of input inside element '%s'", parentName);
      return reader.Fail("no element found");
    }
  } while (reader.m_tokenType != R::Token_Open);

  if (!reader.NextToken()) return reader.Fail("end of input after '<'");
  if (reader.m_tokenType == R::Token_Slash) {
    closing = true;
    return true;
  }
  if (reader.m_tokenType != R::Token_Text || reader.m_token.empty())
    return reader.Fail("expected an element name after '<'");
  if (depth > kXmlMaxDepth)
    return reader.Fail("elements nested deeper than %d levels", kXmlMaxDepth);
  m_name = static_cast<std::ptrdiff_t>(AddString(reader.m_token.data(), reader.m_token.size()));
  return true;
}

bool XmlElement::ParseInstruction(XmlReader& reader) {
  if (!reader.ReadRaw(reader.m_token.back()))
    return reader.Fail("unterminated processing instruction '%s'", GetName());
  if (!reader.m_token.empty()) {
    reader.m_token.pop_back();  // the '?' of "?>"
  } else {
    // "<?name?>": the '?' ended up in the name.
    size_t length = std::strlen(GetName());
    if (length > 1 && GetName()[length - 1] == '?')
      m_pool[static_cast<size_t>(m_name) + length - 1] = '\0';
  }
  AddAttribute(reader.m_token);
  return true;
}

void XmlElement::AddAttribute(const std::string& name) {
  if (m_attrNames.empty()) {
    m_attrNames.reserve(kArrayInitialCapacity);
    m_attrValues.reserve(kArrayInitialCapacity);
  }
  m_attrNames.push_back(AddString(name.data(), name.size()));
  m_attrValues.push_back(0);
}

bool XmlElement::ParseAttributes(XmlReader& reader, bool& empty) {
  using R = XmlReader;
  bool pending = false;  // a token read ahead after an attribute name
  for (;;) {
    if (!pending && !reader.NextToken())
      return reader.Fail("end of input inside tag '%s'", GetName());
    pending = false;
    if (reader.m_tokenType == R::Token_Close) return true;
    if (reader.m_tokenType == R::Token_Slash) {
      if (!reader.NextToken() || reader.m_tokenType != R::Token_Close)
        return reader.Fail("expected '>' after '/' in tag '%s'", GetName());
      empty = true;
      return true;
    }
    if (reader.m_tokenType != R::Token_Text) {
      return reader.Fail("unexpected '%c' in tag '%s'",
                         reader.m_tokenType == R::Token_Equals ? '=' : '<', GetName());
    }
    if (FindAttribute(reader.m_token.c_str()) >= 0)
      return reader.Fail("attribute '%s' repeated in tag '%s'", reader.m_token.c_str(), GetName());
    AddAttribute(reader.m_token);

    if (!reader.NextToken()) return reader.Fail("end of input inside tag '%s'", GetName());
    if (reader.m_tokenType != R::Token_Equals) {
      pending = true;
      continue;
    }
    if (!reader.NextToken() || reader.m_tokenType != R::Token_Text) {
      return reader.Fail("attribute '%s' of tag '%s' has no value", &m_pool[m_attrNames.back()],
                         GetName());
    }
    m_attrValues.back() =
        StoreString(m_attrValues.back(), reader.m_token.data(), reader.m_token.size());
  }
}

bool XmlElement::ParseChildren(XmlReader& reader, int depth) {
  for (;;) {
    XmlElement child;
    if (!child.ParseElement(reader, depth + 1, GetName())) return false;
    if (!child.HasName()) return true;
    if (m_children.empty()) m_children.reserve(kArrayInitialCapacity);
    m_children.push_back(std::move(child));
  }
}

bool XmlElement::ParseClosingTag(XmlReader& reader) {
  using R = XmlReader;
  if (!reader.NextToken() || reader.m_tokenType != R::Token_Text ||
      !EqualsNoCase(reader.m_token.c_str(), GetName())) {
    return reader.Fail("closing tag '%s' does not match element '%s'",
                       reader.m_tokenType == R::Token_Text ? reader.m_token.c_str() : "",
                       GetName());
  }
  if (!reader.NextToken() || reader.m_tokenType != R::Token_Close)
    return reader.Fail("expected '>' after closing tag '%s'", GetName());
  return true;
}
