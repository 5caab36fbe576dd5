// XmlTest.cpp - the definition-file XML reader: document shapes the engine reads, and
// malformed input that must fail cleanly.
#include "tier0/Xml.h"

#include "common/LogCapture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

class XmlTest : public ::testing::Test {
 protected:
  bool Parse(const std::string& text) {
    source = text;  // the reader does not copy its input
    reader.InitMemory(source.data(), source.size());
    return root.Parse(reader);
  }
  // Failure must leave nothing behind and say nothing: the caller reports.
  void ExpectRejected(const std::string& text) {
    kaztest::LogCapture log;
    EXPECT_FALSE(Parse(text)) << text;
    EXPECT_EQ(log.Lines().size(), 0u) << log.Dump();
    EXPECT_FALSE(root.HasName()) << text;
    EXPECT_EQ(root.GetChildCount(), 0) << text;
    EXPECT_EQ(root.GetAttributeCount(), 0) << text;
    EXPECT_FALSE(reader.GetError().empty()) << text;
  }

  std::string source;
  XmlReader reader;
  XmlElement root;
};

TEST_F(XmlTest, DynamicMeshDefinition) {
  const std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<DynamicMesh version=\"1.0\" skeleton=\"hero.csf\">\n"
      "  <Piece filename=\"body.cmf\" name=\"Body\"/>\n"
      "  <Piece filename=\"helmet.cmf\" visible=\"0\" />\n"
      "  <Animation filename=\"walk.caf\" name=\"walk\"></Animation>\n"
      "  <Material name=\"Skin\"/>\n"
      "  <Unknown>ignored text</Unknown>\n"
      "</DynamicMesh>\n";
  reader.InitMemory(text.data(), text.size());
  ASSERT_TRUE(root.ParseDocument(reader)) << reader.GetError();
  EXPECT_STREQ(root.GetName(), "DynamicMesh");
  EXPECT_STREQ(root.GetAttribute("VERSION", nullptr), "1.0");
  EXPECT_STREQ(root.GetAttribute("skeleton", nullptr), "hero.csf");
  ASSERT_EQ(root.GetChildCount(), 5);
  EXPECT_STREQ(root.GetChild(0)->GetName(), "Piece");
  EXPECT_STREQ(root.GetChild(0)->GetAttribute("name", "none"), "Body");
  EXPECT_STREQ(root.GetChild(1)->GetAttribute("name", "none"), "none");
  EXPECT_STREQ(root.GetChild(1)->GetAttribute("Visible", "1"), "0");
  EXPECT_STREQ(root.GetChild(2)->GetAttribute("filename", ""), "walk.caf");
  EXPECT_STREQ(root.GetChild(4)->GetName(), "Unknown");
  EXPECT_EQ(root.GetChild(4)->GetChildCount(), 0);  // character data is skipped
  EXPECT_EQ(root.GetChild(5), nullptr);
  EXPECT_EQ(root.GetChild(-1), nullptr);
  EXPECT_TRUE(reader.GetError().empty());
}

TEST_F(XmlTest, DeclarationIsAnElementWithTheRestAsAttribute) {
  ASSERT_TRUE(Parse("<?xml version=\"1.0\"?><a/>"));
  EXPECT_STREQ(root.GetName(), "?xml");
  ASSERT_EQ(root.GetAttributeCount(), 1);
  EXPECT_STREQ(root.GetAttributeName(0), " version=\"1.0\"");
  EXPECT_STREQ(root.GetAttributeValue(0), "");
  // The next call reads the element after it.
  ASSERT_TRUE(root.Parse(reader));
  EXPECT_STREQ(root.GetName(), "a");

  ASSERT_TRUE(Parse("<?pi?>"));
  EXPECT_STREQ(root.GetName(), "?pi");
  ASSERT_TRUE(Parse("<empty/>"));
  EXPECT_STREQ(root.GetName(), "empty");
  EXPECT_EQ(root.GetAttributeCount(), 0);
}

TEST_F(XmlTest, AttributeWithoutValueAndDuplicates) {
  ASSERT_TRUE(Parse("<a flag b=2 c=\"x\"/>"));
  EXPECT_STREQ(root.GetAttribute("flag", nullptr), "");
  EXPECT_STREQ(root.GetAttribute("b", nullptr), "2");
  EXPECT_STREQ(root.GetAttribute("missing", "dflt"), "dflt");
  ExpectRejected("<a x=1 x=2/>");
  ExpectRejected("<a x=1 X/>");
}

TEST_F(XmlTest, ClosingTagComparedWithoutCase) {
  ASSERT_TRUE(Parse("<Mesh>word <b/> more words</MESH>"));
  EXPECT_EQ(root.GetChildCount(), 1);
  EXPECT_STREQ(root.GetName(), "Mesh");
  ExpectRejected("<Mesh></Other>");
}

TEST_F(XmlTest, QuotedValuesAndEscapes) {
  ASSERT_TRUE(Parse("<a v=\"1 < 2 > 0 = x\" q=\"say \\\"hi\\\"\" t=\"a\\tb\\n\" u=ab\"c d\"/>"));
  EXPECT_STREQ(root.GetAttribute("v", nullptr), "1 < 2 > 0 = x");
  EXPECT_STREQ(root.GetAttribute("q", nullptr), "say \"hi\"");
  EXPECT_STREQ(root.GetAttribute("t", nullptr), "a\tb\n");
  EXPECT_STREQ(root.GetAttribute("u", nullptr), "abc d");
}

TEST_F(XmlTest, LongStringsAndManyChildrenSurvivePoolGrowth) {
  std::string longValue(5000, 'v');
  std::string text = "<root name=\"" + longValue + "\">";
  for (int i = 0; i < 200; ++i) text += "<c i=\"" + std::to_string(i) + "\"/>";
  text += "</root>";
  ASSERT_TRUE(Parse(text));
  EXPECT_EQ(std::string(root.GetAttribute("name", "")), longValue);
  ASSERT_EQ(root.GetChildCount(), 200);
  EXPECT_STREQ(root.GetChild(199)->GetAttribute("i", ""), "199");
}

TEST_F(XmlTest, UnterminatedInputWrongNestingAndStrayTokensFail) {
  const char* const broken[] = {"",
                                "just text",
                                "<a>",
                                "<a><b/>",
                                "<a b=\"unterminated",
                                "<a b=",
                                "<a b=\\",
                                "<a/",
                                "<a></a",
                                "<?xml version",
                                "<",
                                "<a><b></a></b>",
                                "<a = b/>",
                                "<a b=/>",
                                "<a b=<c/>",
                                "<a/ x>",
                                "< >",
                                "<\"\"/>",
                                "</a>",
                                "<a></>"};
  for (const char* text : broken) ExpectRejected(text);
  EXPECT_NE(reader.GetError().find("line 1"), std::string::npos);
  ExpectRejected("<a>\n<b>\n</c>\n</a>");
  EXPECT_NE(reader.GetError().find("line 3"), std::string::npos) << reader.GetError();
  EXPECT_NE(reader.GetError().find("'c'"), std::string::npos) << reader.GetError();
}

TEST_F(XmlTest, DeepNestingIsCapped) {
  std::string ok, deep;
  for (int i = 0; i <= kXmlMaxDepth; ++i) ok += "<e>";
  for (int i = 0; i <= kXmlMaxDepth; ++i) ok += "</e>";
  ASSERT_TRUE(Parse(ok)) << reader.GetError();

  for (int i = 0; i < 100000; ++i) deep += "<e>";
  ExpectRejected(deep);
  EXPECT_NE(reader.GetError().find("deeper"), std::string::npos);
}

TEST_F(XmlTest, ReadsThroughCallback) {
  const char text[] = "<a x=\"1\"><b/></a>";
  FILE* file = fmemopen(const_cast<char*>(text), sizeof(text) - 1, "r");
  ASSERT_NE(file, nullptr);
  XmlReader fileReader(
      [](void* handle, void* buffer, int size) {
        return static_cast<int>(
            fread(buffer, 1, static_cast<size_t>(size), static_cast<FILE*>(handle)));
      },
      file);
  ASSERT_TRUE(root.Parse(fileReader));
  EXPECT_EQ(root.GetChildCount(), 1);
  fclose(file);
}

}  // namespace
