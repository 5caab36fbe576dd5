// Cal3DFiles.cpp - Cal3D's XML files checked before the library reads them.
#include "render/world/cal3d/Cal3DFiles.h"

#include <cal3d/tinyxml.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using cal3d::TiXmlDocument;
using cal3d::TiXmlElement;
using cal3d::TiXmlNode;

namespace {

// No counted element of Cal3D's XML (a child id, a vertex, a face, a key
// frame, a map) takes fewer bytes of text than this.
constexpr uint64_t kMinBytesPerElement = 8;
// Larger files are not characters the engine draws.
constexpr uint64_t kMaxFileBytes = 64u << 20;

std::string ExtensionOf(const std::string& path) {
  if (path.size() < 4 || path[path.size() - 4] != '.') return {};
  std::string extension;
  for (size_t i = path.size() - 3; i < path.size(); ++i)
    extension += char(std::tolower(static_cast<unsigned char>(path[i])));
  return extension;
}

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == ':';
}

// The value Cal3D takes from an attribute (atoi): leading blanks, a sign,
// digits. Saturates far above any real count.
int64_t CountValue(const char* text) {
  while (std::isspace(static_cast<unsigned char>(*text))) ++text;
  bool negative = false;
  if (*text == '-' || *text == '+') negative = *text++ == '-';
  int64_t value = 0;
  for (; std::isdigit(static_cast<unsigned char>(*text)); ++text)
    if (value < (int64_t(1) << 40)) value = value * 10 + (*text - '0');
  return negative ? -value : value;
}

// Finds every attribute whose name starts with NUM, however the XML around it
// is broken; false (reason set) at the first whose value the file cannot hold.
bool CountsFit(const std::string& text, std::string* reason) {
  const uint64_t limit = text.size() / kMinBytesPerElement;
  for (size_t at = 0; (at = text.find_first_of("Nn", at)) != std::string::npos; ++at) {
    if (at + 3 > text.size() || (at > 0 && IsNameChar(text[at - 1]))) continue;
    if (std::toupper(static_cast<unsigned char>(text[at + 1])) != 'U' ||
        std::toupper(static_cast<unsigned char>(text[at + 2])) != 'M')
      continue;
    size_t end = at;
    while (end < text.size() && IsNameChar(text[end])) ++end;
    size_t eq = end;
    while (eq < text.size() && std::isspace(static_cast<unsigned char>(text[eq]))) ++eq;
    if (eq >= text.size() || text[eq] != '=') continue;
    size_t quote = eq + 1;
    while (quote < text.size() && std::isspace(static_cast<unsigned char>(text[quote]))) ++quote;
    if (quote >= text.size() || (text[quote] != '"' && text[quote] != '\'')) continue;
    const int64_t value = CountValue(text.c_str() + quote + 1);
    if (value < 0 || uint64_t(value) > limit) {
      *reason =
          text.substr(at, end - at) + " " + std::to_string(value) + " is more than the file holds";
      return false;
    }
  }
  return true;
}

// How Cal3D reads a number: whole ones into an int, the others into a float.
enum class Kind { Whole, Real };

// The next number of `text` (blanks first) in the plain decimal form Cal3D's
// stream reads in full, within the range of its type; `text` moves past it.
bool NextNumber(const char*& text, Kind kind, double* value) {
  const char* p = text;
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  const char* start = p;
  if (*p == '-' || *p == '+') ++p;
  int digits = 0;
  for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) ++digits;
  if (kind == Kind::Real) {
    if (*p == '.')
      for (++p; std::isdigit(static_cast<unsigned char>(*p)); ++p) ++digits;
    if (digits > 0 && (*p == 'e' || *p == 'E')) {
      const char* exponent = p + 1;
      if (*exponent == '-' || *exponent == '+') ++exponent;
      if (!std::isdigit(static_cast<unsigned char>(*exponent))) return false;
      for (p = exponent; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
      }
    }
  }
  if (digits == 0 || (*p != '\0' && !std::isspace(static_cast<unsigned char>(*p)))) return false;
  const std::string number(start, p);
  errno = 0;
  char* after = nullptr;
  if (kind == Kind::Whole) {
    const long long whole = std::strtoll(number.c_str(), &after, 10);
    if (errno == ERANGE || whole < INT32_MIN || whole > INT32_MAX) return false;
    *value = double(whole);
  } else {
    const float real = std::strtof(number.c_str(), &after);
    if (errno == ERANGE || !std::isfinite(real)) return false;
    *value = real;
  }
  text = p;
  return true;
}

// Walks a parsed file the way Cal3D's loader will, so that the library meets
// none of its failure paths (which leak what they built) and no index out of
// range. The first problem found is kept.
class Walker {
 public:
  explicit Walker(int bones) : m_bones(bones) {}
  const std::string& Problem() const { return m_problem; }

  bool Fail(const std::string& problem) {
    if (m_problem.empty()) m_problem = problem;
    return false;
  }
  // The element that follows `previous` (or the first child of `parent`),
  // which must carry that name.
  const TiXmlElement* Next(const TiXmlNode* parent, const TiXmlElement*& previous,
                           const char* name) {
    const TiXmlElement* e = previous ? previous->NextSiblingElement() : parent->FirstChildElement();
    previous = e;
    if (!e || std::strcmp(e->Value(), name) != 0) {
      Fail(std::string("expected <") + name + ">");
      return nullptr;
    }
    return e;
  }
  // A present attribute's value, or null (problem kept).
  const char* Attr(const TiXmlElement* e, const char* name) {
    const char* value = e ? e->Attribute(name) : nullptr;
    if (!value) Fail(std::string("<") + (e ? e->Value() : "?") + "> has no " + name);
    return value;
  }
  bool Count(const TiXmlElement* e, const char* name, int64_t* n) {
    const char* value = Attr(e, name);
    if (!value) return false;
    *n = CountValue(value);
    return *n >= 0 || Fail(std::string(name) + " is negative");
  }
  bool Index(const TiXmlElement* e, const char* name, int64_t low, int64_t end) {
    const char* value = Attr(e, name);
    if (!value) return false;
    const int64_t n = CountValue(value);
    return (n >= low && n < end) || Fail(std::string(name) + " " + value + " is out of range");
  }
  // An element whose text holds exactly `count` numbers (ids checked against
  // [low, end)) and nothing else.
  bool Numbers(const TiXmlElement* e, int count, Kind kind = Kind::Real, int64_t low = 0,
               int64_t end = -1) {
    if (!e) return false;
    const TiXmlNode* child = e->FirstChild();
    const char* text = child && child->ToText() ? child->Value() : nullptr;
    if (!text) return Fail(std::string("<") + e->Value() + "> has no text");
    return List(text, count, kind, low, end, std::string("<") + e->Value() + ">");
  }
  // `count` numbers in `text`, blank-separated, and nothing after them. Cal3D
  // reads every list through one stream: a read that fails there, or text
  // left unread, spoils every number after it in the file (face indices
  // included), so only what the stream reads cleanly is let through.
  bool List(const char* text, int count, Kind kind, int64_t low, int64_t end,
            const std::string& what, const char* index = "an index") {
    for (int i = 0; i < count; ++i) {
      double value = 0;
      if (!NextNumber(text, kind, &value))
        return Fail(what + " does not hold " + std::to_string(count) +
                    (kind == Kind::Whole ? " whole numbers" : " numbers"));
      if (end >= 0 && (value < double(low) || value >= double(end)))
        return Fail(what + " names " + index + " out of range");
    }
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    return *text == '\0' || Fail(what + " holds more than its " + std::to_string(count) +
                                 (count == 1 ? " number" : " numbers"));
  }
  // `count` elements of that name under `parent`, each checked by `each`.
  bool Repeat(const TiXmlNode* parent, const TiXmlElement*& previous, const char* name,
              int64_t count, const std::function<bool(const TiXmlElement*)>& each) {
    for (int64_t i = 0; i < count; ++i) {
      const TiXmlElement* e = Next(parent, previous, name);
      if (!e || !each(e)) return false;
    }
    return true;
  }

  bool Skeleton(const TiXmlElement* root);
  bool Mesh(const TiXmlElement* root);
  bool Animation(const TiXmlElement* root);
  bool Material(const TiXmlElement* root);

 private:
  bool Vertex(const TiXmlElement* v, int64_t lods, int64_t coords, int64_t springs);

  int m_bones;
  std::string m_problem;
};

bool Walker::Skeleton(const TiXmlElement* skeleton) {
  int64_t bones = 0;
  if (!Count(skeleton, "NUMBONES", &bones)) return false;
  // Cal3D reads every <BONE> there is and every element after a bone's
  // PARENTID as a child, whatever the counts say; then it walks down from the
  // roots by the children's lists. Each child must name the bone that lists
  // it as its parent: the walk is then a tree, with no bone it cannot find
  // and no circle.
  std::vector<int64_t> parents;
  std::vector<std::pair<int64_t, int64_t>> listed;  // parent, child
  const auto text = [](const TiXmlElement* e) { return CountValue(e->FirstChild()->Value()); };
  const TiXmlElement* bone = nullptr;
  const bool read = Repeat(skeleton, bone, "BONE", bones, [&](const TiXmlElement* b) {
    int64_t children = 0;
    const TiXmlElement* at = nullptr;
    const TiXmlElement* parent = nullptr;
    const int64_t self = int64_t(parents.size());
    const bool fine =
        Attr(b, "NAME") && Count(b, "NUMCHILDS", &children) &&
        Numbers(Next(b, at, "TRANSLATION"), 3) && Numbers(Next(b, at, "ROTATION"), 4) &&
        Numbers(Next(b, at, "LOCALTRANSLATION"), 3) && Numbers(Next(b, at, "LOCALROTATION"), 4) &&
        Numbers(parent = Next(b, at, "PARENTID"), 1, Kind::Whole, -1, bones) &&
        Repeat(b, at, "CHILDID", children, [&](const TiXmlElement* c) {
          if (!Numbers(c, 1, Kind::Whole, 0, bones)) return false;
          listed.emplace_back(self, text(c));
          return true;
        });
    if (!fine) return false;
    parents.push_back(text(parent));
    return !at->NextSiblingElement() || Fail("a bone holds more than its NUMCHILDS children");
  });
  if (!read) return false;
  if (bone ? bone->NextSiblingElement() : skeleton->FirstChildElement())
    return Fail("more bones than NUMBONES");
  for (const auto& [parent, child] : listed)
    if (parents[size_t(child)] != parent)
      return Fail("bone " + std::to_string(child) + " is listed as a child of bone " +
                  std::to_string(parent) + ", not its parent");
  return true;
}

bool Walker::Vertex(const TiXmlElement* v, int64_t lods, int64_t coords, int64_t springs) {
  int64_t influences = 0;
  const TiXmlElement* at = nullptr;
  if (!Attr(v, "ID") || !Count(v, "NUMINFLUENCES", &influences) ||
      !Numbers(Next(v, at, "POS"), 3) || !Numbers(Next(v, at, "NORM"), 3))
    return false;
  if (lods > 0 && (!Numbers(Next(v, at, "COLLAPSEID"), 1, Kind::Whole) ||
                   !Numbers(Next(v, at, "COLLAPSECOUNT"), 1, Kind::Whole)))
    return false;
  if (!Repeat(v, at, "TEXCOORD", coords, [&](const TiXmlElement* t) { return Numbers(t, 2); }))
    return false;
  if (!Repeat(v, at, "INFLUENCE", influences,
              [&](const TiXmlElement* i) { return Index(i, "ID", 0, m_bones) && Numbers(i, 1); }))
    return false;
  return springs == 0 || Numbers(Next(v, at, "PHYSIQUE"), 1);
}

bool Walker::Mesh(const TiXmlElement* mesh) {
  int64_t submeshes = 0;
  if (!Count(mesh, "NUMSUBMESH", &submeshes)) return false;
  const TiXmlElement* submesh = nullptr;
  return Repeat(mesh, submesh, "SUBMESH", submeshes, [&](const TiXmlElement* s) {
    int64_t vertices = 0, faces = 0, lods = 0, springs = 0, coords = 0;
    if (!Count(s, "NUMVERTICES", &vertices) || !Count(s, "NUMFACES", &faces) ||
        !Count(s, "NUMLODSTEPS", &lods) || !Count(s, "NUMSPRINGS", &springs) ||
        !Count(s, "NUMTEXCOORDS", &coords) || !Attr(s, "MATERIAL"))
      return false;
    const TiXmlElement* at = nullptr;
    int64_t next = 0;
    return Repeat(s, at, "VERTEX", vertices,
                  [&](const TiXmlElement* v) {
                    return Index(v, "ID", next, next + 1) && (++next, true) &&
                           Vertex(v, lods, coords, springs);
                  }) &&
           Repeat(s, at, "SPRING", springs,
                  [&](const TiXmlElement* spring) {
                    const char* ids = Attr(spring, "VERTEXID");
                    const char* coef = ids ? Attr(spring, "COEF") : nullptr;
                    const char* length = coef ? Attr(spring, "LENGTH") : nullptr;
                    return length &&
                           List(ids, 2, Kind::Whole, 0, vertices, "<SPRING>", "a vertex") &&
                           List(coef, 1, Kind::Real, 0, -1, "COEF") &&
                           List(length, 1, Kind::Real, 0, -1, "LENGTH");
                  }) &&
           Repeat(s, at, "FACE", faces, [&](const TiXmlElement* f) {
             const char* ids = Attr(f, "VERTEXID");
             return ids && List(ids, 3, Kind::Whole, 0, vertices, "<FACE>", "a vertex");
           });
  });
}

bool Walker::Animation(const TiXmlElement* animation) {
  int64_t tracks = 0;
  const char* duration = Attr(animation, "DURATION");
  if (!duration || !List(duration, 1, Kind::Real, 0, -1, "DURATION") ||
      !Count(animation, "NUMTRACKS", &tracks))
    return false;
  const TiXmlElement* track = nullptr;
  return Repeat(animation, track, "TRACK", tracks, [&](const TiXmlElement* t) {
    int64_t keys = 0;
    if (!Index(t, "BONEID", 0, m_bones) || !Count(t, "NUMKEYFRAMES", &keys)) return false;
    if (keys == 0) return Fail("a track without key frames");
    const TiXmlElement* key = nullptr;
    return Repeat(t, key, "KEYFRAME", keys, [&](const TiXmlElement* k) {
      const TiXmlElement* at = nullptr;
      const char* time = Attr(k, "TIME");
      return time && List(time, 1, Kind::Real, 0, -1, "TIME") &&
             Numbers(Next(k, at, "TRANSLATION"), 3) && Numbers(Next(k, at, "ROTATION"), 4);
    });
  });
}

bool Walker::Material(const TiXmlElement* material) {
  int64_t maps = 0;
  const TiXmlElement* at = nullptr;
  return Count(material, "NUMMAPS", &maps) &&
         Numbers(Next(material, at, "AMBIENT"), 4, Kind::Whole) &&
         Numbers(Next(material, at, "DIFFUSE"), 4, Kind::Whole) &&
         Numbers(Next(material, at, "SPECULAR"), 4, Kind::Whole) &&
         Numbers(Next(material, at, "SHININESS"), 1) &&
         Repeat(material, at, "MAP", maps, [&](const TiXmlElement* m) {
           return (m->FirstChild() && m->FirstChild()->ToText()) || Fail("<MAP> has no file name");
         });
}

// HEADER (with the file type's magic and a version) and the one element after it.
bool WalkDocument(const TiXmlDocument& document, const std::string& extension, int bones,
                  std::string* reason) {
  static const struct {
    const char* extension;
    const char* magic;
    const char* root;
    bool (Walker::*walk)(const TiXmlElement*);
  } kKinds[] = {{"xsf", "XSF", "SKELETON", &Walker::Skeleton},
                {"xmf", "XMF", "MESH", &Walker::Mesh},
                {"xaf", "XAF", "ANIMATION", &Walker::Animation},
                {"xrf", "XRF", "MATERIAL", &Walker::Material}};
  for (const auto& kind : kKinds) {
    if (extension != kind.extension) continue;
    Walker walker(bones);
    const TiXmlElement* element = nullptr;
    const TiXmlElement* header = walker.Next(&document, element, "HEADER");
    const char* magic = header ? walker.Attr(header, "MAGIC") : nullptr;
    if (magic && std::strcmp(magic, kind.magic) != 0)
      walker.Fail("not a Cal3D " + extension + " file");
    if (magic && walker.Attr(header, "VERSION") && walker.Problem().empty()) {
      const TiXmlElement* root = walker.Next(&document, element, kind.root);
      if (root && (walker.*kind.walk)(root) && root->NextSiblingElement())
        walker.Fail("more than one <" + std::string(kind.root) + ">");
    }
    *reason = walker.Problem();
    return reason->empty();
  }
  *reason = "only the XML forms of Cal3D files are read (.xsf, .xmf, .xaf, .xrf)";
  return false;
}

}  // namespace

bool CheckCal3DFile(const std::string& path, int bones, std::string* reason) {
  const std::string extension = ExtensionOf(path);
  if (extension != "xsf" && extension != "xmf" && extension != "xaf" && extension != "xrf") {
    *reason = "only the XML forms of Cal3D files are read (.xsf, .xmf, .xaf, .xrf)";
    return false;
  }
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) {
    *reason = "could not open file";
    return false;
  }
  const std::streamoff length = file.tellg();
  if (length < 0 || uint64_t(length) > kMaxFileBytes) {
    *reason = "file too large";
    return false;
  }
  file.seekg(0);
  std::string text(static_cast<size_t>(length), '\0');
  if (!file.read(text.data(), length)) {
    *reason = "could not read file";
    return false;
  }
  if (!CountsFit(text, reason)) return false;
  // Parsed from the file as Cal3D parses it, so both see the same document.
  TiXmlDocument document;
  if (!document.LoadFile(path.c_str()) || document.Error()) {
    *reason = std::string("not well-formed XML (") + document.ErrorDesc() + ")";
    return false;
  }
  return WalkDocument(document, extension, bones, reason);
}
