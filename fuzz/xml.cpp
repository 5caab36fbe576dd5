// xml.cpp - parses arbitrary bytes as a definition file, through the memory source and
// through a read callback, and walks whatever tree comes out. The two sources
// must agree.
#include "tier0/Xml.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

struct Source {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

int ReadByte(void* handle, void* buffer, int size) {
  auto* source = static_cast<Source*>(handle);
  if (size != 1 || source->pos >= source->size) return 0;
  *static_cast<uint8_t*>(buffer) = source->data[source->pos++];
  return 1;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

size_t Walk(const XmlElement& element) {
  size_t count = 1;
  Check(element.GetName() != nullptr);
  for (int i = 0; i < element.GetAttributeCount(); ++i) {
    const char* name = element.GetAttributeName(i);
    Check(name && element.GetAttributeValue(i));
    Check(element.GetAttribute(name, nullptr) != nullptr);
  }
  Check(element.GetAttributeName(element.GetAttributeCount()) == nullptr);
  Check(element.GetChild(-1) == nullptr && element.GetChild(element.GetChildCount()) == nullptr);
  for (int i = 0; i < element.GetChildCount(); ++i) count += Walk(*element.GetChild(i));
  return count;
}

bool Same(const XmlElement& a, const XmlElement& b) {
  if (std::strcmp(a.GetName(), b.GetName()) != 0 ||
      a.GetAttributeCount() != b.GetAttributeCount() || a.GetChildCount() != b.GetChildCount())
    return false;
  for (int i = 0; i < a.GetAttributeCount(); ++i) {
    if (std::strcmp(a.GetAttributeName(i), b.GetAttributeName(i)) != 0 ||
        std::strcmp(a.GetAttributeValue(i), b.GetAttributeValue(i)) != 0)
      return false;
  }
  for (int i = 0; i < a.GetChildCount(); ++i) {
    if (!Same(*a.GetChild(i), *b.GetChild(i))) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  XmlReader memoryReader;
  memoryReader.InitMemory(data, size);
  Source source{data, size, 0};
  XmlReader callbackReader(ReadByte, &source);

  // Every element of the input in turn, as a caller reading several would.
  for (int i = 0; i < 64; ++i) {
    XmlElement a, b;
    bool okA = a.Parse(memoryReader);
    bool okB = b.Parse(callbackReader);
    Check(okA == okB);
    if (!okA) {
      Check(!a.HasName() && a.GetChildCount() == 0 && a.GetAttributeCount() == 0);
      Check(!memoryReader.GetError().empty());
      break;
    }
    Check(a.HasName());
    Walk(a);
    Check(Same(a, b));
  }
  return 0;
}
