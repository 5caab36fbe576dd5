// SerializerTest.cpp - reading packed data: values, the end of the data, hostile lengths.
#include "tier0/Serializer.h"

#include <gtest/gtest.h>

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

// The value's bytes as they lie in memory (the tests run little-endian).
template <class T>
void Put(std::vector<uint8_t>& data, T value) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
  data.insert(data.end(), bytes, bytes + sizeof(T));
}

template <class T>
T Read(Serializer& s, void (Serializer::*data)(T&)) {
  T value{};
  (s.*data)(value);
  return value;
}

TEST_F(MemReadSerializerTest, ReadsLittleEndianValuesFromUnalignedData) {
  std::vector<uint8_t> data(1, 0xEE);  // odd start: every value below is misaligned
  Put<int8_t>(data, -5);
  Put<uint8_t>(data, 250);
  Put<int16_t>(data, -1234);
  Put<uint16_t>(data, 0xBEEF);
  Put<int32_t>(data, -123456789);
  Put<uint32_t>(data, 0xDEADBEEF);
  Put<int64_t>(data, -(1LL << 40));
  Put<uint64_t>(data, ~0ULL - 7);
  Put(data, 1.5f);
  Put(data, -2.25);
  for (float f : {1.f, -2.f, 3.5f}) Put(data, f);
  const std::string tail("\x03\0\0\0abc\x01\x02", 9);  // a string of 3, then raw bytes
  data.insert(data.end(), tail.begin(), tail.end());

  MemReadSerializer s(data.data() + 1, static_cast<uint32_t>(data.size() - 1));
  EXPECT_FALSE(s.IsWriting());
  EXPECT_EQ(Read(s, &Serializer::DataInt8), -5);
  EXPECT_EQ(Read(s, &Serializer::DataUInt8), 250);
  EXPECT_EQ(Read(s, &Serializer::DataInt16), -1234);
  EXPECT_EQ(Read(s, &Serializer::DataUInt16), 0xBEEF);
  EXPECT_EQ(Read(s, &Serializer::DataInt32), -123456789);
  EXPECT_EQ(Read(s, &Serializer::DataUInt32), 0xDEADBEEFu);
  EXPECT_EQ(Read(s, &Serializer::DataInt64), -(1LL << 40));
  EXPECT_EQ(Read(s, &Serializer::DataUInt64), ~0ULL - 7);
  EXPECT_EQ(Read(s, &Serializer::DataFloat), 1.5f);
  EXPECT_EQ(Read(s, &Serializer::DataDouble), -2.25);
  EXPECT_EQ(Read(s, &Serializer::DataVector3D), Vector3D(1, -2, 3.5f));
  std::string text = "previous";
  s.DataString(text);
  EXPECT_EQ(text, "abc");
  uint8_t raw[2];
  s.DataRaw(raw, 2);
  EXPECT_EQ(raw[0] + raw[1] * 256, 0x0201);
  EXPECT_TRUE(s.IsEOF());
  EXPECT_EQ(s.GetPosition(), s.GetSize());
}

// A read one byte short throws, keeps the position and the value; exactly enough succeeds.
template <class T>
void ShortReadThrows(void (Serializer::*read)(T&), const std::string& type, const char* function) {
  SCOPED_TRACE(type);
  std::vector<uint8_t> buf(sizeof(T), 0xAB);
  MemReadSerializer s(buf.data(), uint32_t(buf.size()));
  uint8_t prefix;
  s.DataUInt8(prefix);
  T value{};
  try {
    (s.*read)(value);
    ADD_FAILURE() << "no exception";
  } catch (const SerializeException& e) {
    EXPECT_EQ(e.what(), "EOF reading type " + type);
    EXPECT_EQ(e.GetErrorCode(), SerializeError_EOF);
    EXPECT_EQ(e.GetFunction(), "MemReadSerializer::" + std::string(function));
    EXPECT_GT(e.GetLine(), 0);
    EXPECT_NE(e.GetFile(), nullptr);
  }
  EXPECT_EQ(s.GetPosition(), 1u);
  EXPECT_TRUE(value == T{});
  MemReadSerializer exact(buf.data(), uint32_t(buf.size()));
  EXPECT_NO_THROW((exact.*read)(value));
  EXPECT_TRUE(exact.IsEOF());
}

TEST_F(MemReadSerializerTest, EveryTypeThrowsOneByteShortAndKeepsPosition) {
  ShortReadThrows(&Serializer::DataInt8, "int8", "DataInt8");
  ShortReadThrows(&Serializer::DataUInt8, "uint8", "DataUInt8");
  ShortReadThrows(&Serializer::DataInt16, "int16", "DataInt16");
  ShortReadThrows(&Serializer::DataUInt16, "uint16", "DataUInt16");
  ShortReadThrows(&Serializer::DataInt32, "int32", "DataInt32");
  ShortReadThrows(&Serializer::DataUInt32, "uint32", "DataUInt32");
  ShortReadThrows(&Serializer::DataInt64, "int64", "DataInt64");
  ShortReadThrows(&Serializer::DataUInt64, "uint64", "DataUInt64");
  ShortReadThrows(&Serializer::DataFloat, "float", "DataFloat");
  ShortReadThrows(&Serializer::DataDouble, "double", "DataDouble");
  ShortReadThrows(&Serializer::DataVector3D, "Vector3D", "DataVector3D");
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
