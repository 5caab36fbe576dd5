// Xml.h - a small reader for the element/attribute subset of XML used by the
// engine's definition files (dynamic meshes).
//
// XmlReader tokenizes a byte source (a read callback or a memory block);
// XmlElement::Parse builds one element with its attributes and children.
// Character data between tags is skipped; there is no validation, no entity,
// namespace or comment handling. A tag "<?name ...?>" becomes an element named
// "?name" with the rest of its text as its only attribute name.
//
// Malformed input (unterminated or mismatched elements, stray tokens inside a
// tag, nesting deeper than kXmlMaxDepth) fails the parse and leaves the element
// empty. The reader writes no messages: GetError() tells the caller why, and
// the caller reports it once.
//
// Depends on: base/StringUtil, base/Log.h (bounded formatting only).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Elements nested deeper than this are refused; parsing recurses per level.
constexpr int kXmlMaxDepth = 100;

// Called as read(handle, buffer, 1); returns 1 when it delivered a byte.
using XmlReadFunc = int (*)(void* handle, void* buffer, int size);

class XmlReader {
 public:
  XmlReader();
  XmlReader(XmlReadFunc read, void* handle);

  // Either source clears all other state.
  void Init(XmlReadFunc read, void* handle);
  void InitMemory(const void* data, size_t size);

  // Line feeds read so far (the current line is GetLine() + 1).
  int GetLine() const { return m_line; }
  // Why the last parse failed; empty after a successful one.
  const std::string& GetError() const { return m_error; }

 private:
  friend class XmlElement;

  enum TokenType : int {
    Token_None = 0,
    Token_Text = 1,
    Token_Equals = 2,
    Token_Open = 3,
    Token_Close = 4,
    Token_Slash = 5,
    Token_Raw = 6
  };

  int GetChar();  // next byte, or -1 at the end of input
  void UngetChar(int c) { m_pushBack = c; }
  bool NextToken();
  // Raw text of a processing instruction up to "?>"; `previous` is the last
  // character already consumed.
  bool ReadRaw(int previous);
  void ResetTokens();
  bool Fail(const char* format, ...) __attribute__((format(printf, 2, 3)));

  XmlReadFunc m_read = nullptr;
  void* m_handle = nullptr;
  const unsigned char* m_memory = nullptr;  // memory source, read without the callback
  size_t m_memorySize = 0;
  size_t m_memoryPos = 0;
  int m_pushBack = -1;  // -1 when empty, so a 0 byte survives a push-back
  int m_tokenType = Token_None;
  std::string m_token;
  int m_line = 0;
  std::string m_error;
};

class XmlElement {
 public:
  XmlElement();
  ~XmlElement();
  XmlElement(XmlElement&&) noexcept;
  XmlElement& operator=(XmlElement&&) noexcept;
  XmlElement(const XmlElement&) = delete;
  XmlElement& operator=(const XmlElement&) = delete;

  void Clear();

  // Reads one element and everything inside it. On failure the element is empty.
  bool Parse(XmlReader& reader);
  // Parse, skipping leading "<?...?>" instructions: reads a document's root.
  bool ParseDocument(XmlReader& reader);

  bool HasName() const { return m_name >= 0; }
  const char* GetName() const { return HasName() ? &m_pool[m_name] : ""; }

  int GetChildCount() const { return static_cast<int>(m_children.size()); }
  // Null when index is negative or not below the count.
  const XmlElement* GetChild(int index) const;

  int GetAttributeCount() const { return static_cast<int>(m_attrNames.size()); }
  const char* GetAttributeName(int index) const;
  const char* GetAttributeValue(int index) const;
  // Value of the attribute (name compared without case), or defaultValue.
  const char* GetAttribute(const char* name, const char* defaultValue) const;

 private:
  // The steps of one element; each returns false (with the reader's error
  // set) on malformed input and leaves clearing to ParseElement.
  bool ParseElement(XmlReader& reader, int depth, const char* parentName);
  // Up to and including the name; `closing` when "</" came instead.
  bool ReadName(XmlReader& reader, int depth, const char* parentName, bool& closing);
  bool ParseInstruction(XmlReader& reader);
  // Up to '>' or "/>" (`empty`).
  bool ParseAttributes(XmlReader& reader, bool& empty);
  bool ParseChildren(XmlReader& reader, int depth);
  bool ParseClosingTag(XmlReader& reader);
  void AddAttribute(const std::string& name);
  bool FailParse(XmlReader& reader);
  size_t AddString(const char* text, size_t length);
  // Overwrites in place when it fits, else appends a copy; returns the new offset.
  size_t StoreString(size_t offset, const char* text, size_t length);
  int FindAttribute(const char* name) const;

  // Every string of the element lives in one pool; offsets, not pointers, so
  // growth never leaves anything dangling. Byte 0 is always "".
  std::vector<char> m_pool;
  std::ptrdiff_t m_name = -1;
  std::vector<size_t> m_attrNames;
  std::vector<size_t> m_attrValues;
  std::vector<XmlElement> m_children;
};
