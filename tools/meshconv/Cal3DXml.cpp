// Cal3DXml.cpp - a character as Cal3D's XML files (skeleton .xsf, mesh .xmf, animations
// .xaf, format version 919) and the engine's dynamic mesh definition naming them.
//
// Numbers are written the same in every locale (std::to_chars). The definition has no
// prolog, comments or backslashes: the engine's XML reader takes only plain elements.
#include <charconv>

#include "Convert.h"

namespace meshconv {

namespace {

constexpr const char* kVersion = "919";

std::string Num(float value) {
  if (value == 0.0f) value = 0.0f;  // no "-0"
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end.ptr);
}

std::string Nums(const float* values, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    if (i) out += ' ';
    out += Num(values[i]);
  }
  return out;
}

std::string Attr(const std::string& value) {
  std::string out;
  for (char c : value) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\\':
        out += '/';
        break;  // the engine's reader takes no backslashes
      default:
        out += (static_cast<unsigned char>(c) < 32) ? ' ' : c;
    }
  }
  return out;
}

std::string Skeleton(const Character& c) {
  std::string out = "<HEADER MAGIC=\"XSF\" VERSION=\"" + std::string(kVersion) + "\" />\n";
  out += "<SKELETON NUMBONES=\"" + std::to_string(c.bones.size()) + "\">\n";
  for (size_t i = 0; i < c.bones.size(); ++i) {
    const CalBone& b = c.bones[i];
    out += "  <BONE ID=\"" + std::to_string(i) + "\" NAME=\"" + Attr(b.name) + "\" NUMCHILDS=\"" +
           std::to_string(b.children.size()) + "\">\n";
    out += "    <TRANSLATION>" + Nums(b.translation, 3) + "</TRANSLATION>\n";
    out += "    <ROTATION>" + Nums(b.rotation, 4) + "</ROTATION>\n";
    out += "    <LOCALTRANSLATION>" + Nums(b.spaceTranslation, 3) + "</LOCALTRANSLATION>\n";
    out += "    <LOCALROTATION>" + Nums(b.spaceRotation, 4) + "</LOCALROTATION>\n";
    out += "    <PARENTID>" + std::to_string(b.parent) + "</PARENTID>\n";
    for (int child : b.children) out += "    <CHILDID>" + std::to_string(child) + "</CHILDID>\n";
    out += "  </BONE>\n";
  }
  return out + "</SKELETON>\n";
}

std::string Mesh(const Character& c) {
  std::string out = "<HEADER MAGIC=\"XMF\" VERSION=\"" + std::string(kVersion) + "\" />\n";
  out += "<MESH NUMSUBMESH=\"" + std::to_string(c.submeshes.size()) + "\">\n";
  for (const CalSubmesh& s : c.submeshes) {
    out += "  <SUBMESH NUMVERTICES=\"" + std::to_string(s.vertices.size()) + "\" NUMFACES=\"" +
           std::to_string(s.indices.size() / 3) + "\" MATERIAL=\"" + std::to_string(s.material) +
           "\" NUMLODSTEPS=\"0\" NUMSPRINGS=\"0\" NUMTEXCOORDS=\"1\">\n";
    for (size_t i = 0; i < s.vertices.size(); ++i) {
      const CalVertex& v = s.vertices[i];
      out += "    <VERTEX ID=\"" + std::to_string(i) + "\" NUMINFLUENCES=\"" +
             std::to_string(v.influences.size()) + "\">\n";
      out += "      <POS>" + Nums(v.position, 3) + "</POS>\n";
      out += "      <NORM>" + Nums(v.normal, 3) + "</NORM>\n";
      out += "      <TEXCOORD>" + Nums(v.texCoord, 2) + "</TEXCOORD>\n";
      for (const auto& [bone, weight] : v.influences)
        out += "      <INFLUENCE ID=\"" + std::to_string(bone) + "\">" + Num(weight) +
               "</INFLUENCE>\n";
      out += "    </VERTEX>\n";
    }
    for (size_t i = 0; i + 2 < s.indices.size(); i += 3)
      out += "    <FACE VERTEXID=\"" + std::to_string(s.indices[i]) + " " +
             std::to_string(s.indices[i + 1]) + " " + std::to_string(s.indices[i + 2]) + "\" />\n";
    out += "  </SUBMESH>\n";
  }
  return out + "</MESH>\n";
}

std::string Animation(const CalAnimation& a) {
  std::string out = "<HEADER MAGIC=\"XAF\" VERSION=\"" + std::string(kVersion) + "\" />\n";
  out += "<ANIMATION DURATION=\"" + Num(a.duration) + "\" NUMTRACKS=\"" +
         std::to_string(a.tracks.size()) + "\">\n";
  for (const CalTrack& t : a.tracks) {
    out += "  <TRACK BONEID=\"" + std::to_string(t.bone) + "\" NUMKEYFRAMES=\"" +
           std::to_string(t.keys.size()) + "\">\n";
    for (const CalKeyframe& k : t.keys) {
      out += "    <KEYFRAME TIME=\"" + Num(k.time) + "\">\n";
      out += "      <TRANSLATION>" + Nums(k.translation, 3) + "</TRANSLATION>\n";
      out += "      <ROTATION>" + Nums(k.rotation, 4) + "</ROTATION>\n";
      out += "    </KEYFRAME>\n";
    }
    out += "  </TRACK>\n";
  }
  return out + "</ANIMATION>\n";
}

std::string Definition(const Character& c, const std::string& base) {
  std::string out = "<DynamicMesh version=\"1.0\" skeleton=\"" + Attr(base) + ".xsf\">\n";
  out += "  <Piece filename=\"" + Attr(base) + ".xmf\" name=\"" + Attr(c.name) + "\" />\n";
  for (const CalAnimation& a : c.animations)
    out += "  <Animation filename=\"" + Attr(a.fileName) + "\" name=\"" + Attr(a.name) + "\" />\n";
  for (const MaterialInfo& m : c.materials) out += "  <Material name=\"" + Attr(m.name) + "\" />\n";
  return out + "</DynamicMesh>\n";
}

}  // namespace

std::map<std::string, std::string> WriteCharacter(const Character& character) {
  const std::string base = SafeFileName(character.name);
  std::map<std::string, std::string> files;
  files[base + ".xsf"] = Skeleton(character);
  files[base + ".xmf"] = Mesh(character);
  for (const CalAnimation& a : character.animations) files[a.fileName] = Animation(a);
  files[base + ".xml"] = Definition(character, base);
  return files;
}

}  // namespace meshconv
