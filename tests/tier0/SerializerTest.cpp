// SerializerTest.cpp - reading packed data: values, the end of the data, hostile lengths.
#include "tier0/Serializer.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

class MemReadSerializerTest : public ::testing::Test {
 protected:
  // Expects `read` to throw with this message/code and leave the position alone.
  void ExpectThrow(MemReadSerializer& s, const std::function<void()>& read, const char* message,
                   int code, const char* function) {
    uint32_t before = s.GetPosition();
    try {
      read();
      ADD_FAILURE() << "no exception for " << function;
    } catch (const SerializeException& e) {
      EXPECT_STREQ(e.what(), message);
      EXPECT_EQ(e.GetErrorCode(), code);
      EXPECT_STREQ(e.GetFunction(), function);
      EXPECT_GT(e.GetLine(), 0);
      EXPECT_NE(e.GetFile(), nullptr);
    }
    EXPECT_EQ(s.GetPosition(), before) << function;
  }
};

// The value's bytes after one odd byte, so that it lies misaligned: read
// exactly, it comes back; one byte short, the read throws and keeps both the
// position and the value.
template <class T>
void ReadsExactlyOrThrows(void (Serializer::*read)(T&), T expected, const std::string& type) {
  SCOPED_TRACE(type);
  std::vector<uint8_t> buf(1, 0xEE);
  const auto* bytes = reinterpret_cast<const uint8_t*>(&expected);
  buf.insert(buf.end(), bytes, bytes + sizeof(T));
  MemReadSerializer exact(buf.data() + 1, uint32_t(sizeof(T)));
  T value{};
  (exact.*read)(value);
  EXPECT_TRUE(value == expected);
  EXPECT_TRUE(exact.IsEOF());

  MemReadSerializer s(buf.data(), uint32_t(sizeof(T)));
  uint8_t prefix;
  s.DataUInt8(prefix);
  value = T{};
  try {
    (s.*read)(value);
    ADD_FAILURE() << "no exception";
  } catch (const SerializeException& e) {
    EXPECT_EQ(e.what(), "EOF reading type " + type);
    EXPECT_EQ(e.GetErrorCode(), SerializeError_EOF);
    std::string name = type;  // "uint16" is read by DataUInt16, "int16" by DataInt16
    name = name[0] == 'u' ? "UInt" + name.substr(4) : char(std::toupper(name[0])) + name.substr(1);
    EXPECT_EQ(e.GetFunction(), "MemReadSerializer::Data" + name);
    EXPECT_GT(e.GetLine(), 0);
    EXPECT_NE(e.GetFile(), nullptr);
  }
  EXPECT_EQ(s.GetPosition(), 1u);
  EXPECT_TRUE(value == T{});
}

TEST_F(MemReadSerializerTest, EveryTypeReadsMisalignedAndThrowsOneByteShort) {
  ReadsExactlyOrThrows<int8_t>(&Serializer::DataInt8, -5, "int8");
  ReadsExactlyOrThrows<uint8_t>(&Serializer::DataUInt8, 250, "uint8");
  ReadsExactlyOrThrows<int16_t>(&Serializer::DataInt16, -1234, "int16");
  ReadsExactlyOrThrows<uint16_t>(&Serializer::DataUInt16, 0xBEEF, "uint16");
  ReadsExactlyOrThrows<int32_t>(&Serializer::DataInt32, -123456789, "int32");
  ReadsExactlyOrThrows<uint32_t>(&Serializer::DataUInt32, 0xDEADBEEF, "uint32");
  ReadsExactlyOrThrows<int64_t>(&Serializer::DataInt64, -(1LL << 40), "int64");
  ReadsExactlyOrThrows<uint64_t>(&Serializer::DataUInt64, ~0ULL - 7, "uint64");
  ReadsExactlyOrThrows(&Serializer::DataFloat, 1.5f, "float");
  ReadsExactlyOrThrows(&Serializer::DataDouble, -2.25, "double");
  ReadsExactlyOrThrows(&Serializer::DataVector3D, Vector3D(1, -2, 3.5f), "Vector3D");

  const std::string data("\x03\0\0\0abc\x01\x02", 9);  // a string of 3, then raw bytes
  MemReadSerializer s(reinterpret_cast<const uint8_t*>(data.data()), uint32_t(data.size()));
  EXPECT_FALSE(s.IsWriting());
  std::string text = "previous";
  s.DataString(text);
  EXPECT_EQ(text, "abc");
  uint8_t raw[2];
  s.DataRaw(raw, 2);
  EXPECT_EQ(raw[0] + raw[1] * 256, 0x0201);
  EXPECT_TRUE(s.IsEOF());
}

TEST_F(MemReadSerializerTest, StringLengthBeyondDataThrowsAfterConsumingLength) {
  const uint8_t four[] = {5, 0, 0, 0, 'h', 'e', 'l', 'l'};
  MemReadSerializer s(four, sizeof(four));
  std::string out = "keep";
  try {
    s.DataString(out);
    ADD_FAILURE();
  } catch (const SerializeException& e) {
    EXPECT_STREQ(e.what(), "Cannot read DataString (not enough room).");
    EXPECT_EQ(e.GetErrorCode(), 1);
    EXPECT_STREQ(e.GetFunction(), "MemReadSerializer::DataString");
  }
  EXPECT_EQ(s.GetPosition(), 4u);
  EXPECT_EQ(out, "keep");

  const uint8_t five[] = {5, 0, 0, 0, 'h', 'e', 'l', 'l', 'o'};
  MemReadSerializer ok(five, sizeof(five));
  ok.DataString(out);
  EXPECT_EQ(out, "hello");
  EXPECT_EQ(ok.GetPosition(), 9u);
}

TEST_F(MemReadSerializerTest, HugeLengthsThrowInsteadOfWrapping) {
  const uint8_t data[] = {0xFF, 0xFF, 0xFF, 0xFF, 'x', 'y'};
  MemReadSerializer s(data, sizeof(data));
  std::string out;
  EXPECT_THROW(s.DataString(out), SerializeException);
  EXPECT_EQ(s.GetPosition(), 4u);
  EXPECT_TRUE(out.empty());

  MemReadSerializer r(data, sizeof(data));
  r.SetPosition(5);
  uint8_t sink[8];
  ExpectThrow(
      r, [&] { r.DataRaw(sink, 0xFFFFFFFFu); }, "EOF reading raw data.", 3,
      "MemReadSerializer::DataRaw");
  ExpectThrow(
      r, [&] { r.DataRaw(sink, 2); }, "EOF reading raw data.", 3, "MemReadSerializer::DataRaw");
}

TEST_F(MemReadSerializerTest, RawChecksPointerAndAcceptsEmptyReadAtEnd) {
  const uint8_t data[2] = {9, 8};
  MemReadSerializer s(data, 2);
  ExpectThrow(
      s, [&] { s.DataRaw(nullptr, 1); }, "Bad pointer.", 3, "MemReadSerializer::DataRaw");
  s.SetPosition(2);
  uint8_t b;
  EXPECT_NO_THROW(s.DataRaw(&b, 0));
  EXPECT_TRUE(s.IsEOF());
}

TEST_F(MemReadSerializerTest, SetPositionClampsToEnd) {
  uint8_t data[10] = {};
  MemReadSerializer s(data, 10);
  EXPECT_EQ(s.SetPosition(1000), 10u);
  EXPECT_TRUE(s.IsEOF());
  EXPECT_EQ(s.SetPosition(0xFFFFFFFFu), 10u);
  EXPECT_EQ(s.SetPosition(3), 3u);
  EXPECT_FALSE(s.IsEOF());
}

TEST_F(MemReadSerializerTest, EmptyAndNullBlocksAreAtEnd) {
  MemReadSerializer null(nullptr, 100);
  EXPECT_EQ(null.GetSize(), 0u);
  EXPECT_TRUE(null.IsEOF());
  uint8_t b;
  EXPECT_THROW(null.DataUInt8(b), SerializeException);
  std::string s;
  EXPECT_THROW(null.DataString(s), SerializeException);
}

}  // namespace
