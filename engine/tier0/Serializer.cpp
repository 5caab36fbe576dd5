// Serializer.cpp - the memory-block reader.
#include "tier0/Serializer.h"

#include <cstring>
#include <utility>

SerializeException::SerializeException(std::string message, int errorCode, const char* file,
                                       const char* function, int line)
    : m_message(std::move(message)),
      m_errorCode(errorCode),
      m_file(file),
      m_function(function),
      m_line(line) {}

#define KAZ_SERIALIZE_THROW(message, code, function) \
  throw SerializeException(message, code, __FILE__, function, __LINE__)

MemReadSerializer::MemReadSerializer(const void* buffer, uint32_t size) {
  // A null block is an empty one, whatever size came with it.
  m_begin = static_cast<const uint8_t*>(buffer);
  m_current = m_begin;
  m_end = buffer ? m_begin + size : m_begin;
}

uint32_t MemReadSerializer::SetPosition(uint32_t position) {
  m_current = m_begin + (position < GetSize() ? position : GetSize());
  return GetPosition();
}

template <typename T>
void MemReadSerializer::ReadValue(T& value, const char* message, const char* function, int line) {
  if (Remaining() < sizeof(T)) {
    throw SerializeException(message, SerializeError_EOF, __FILE__, function, line);
  }
  std::memcpy(&value, m_current, sizeof(T));
  m_current += sizeof(T);
}

void MemReadSerializer::DataInt8(int8_t& value) {
  ReadValue(value, "EOF reading type int8", "MemReadSerializer::DataInt8", __LINE__);
}
void MemReadSerializer::DataUInt8(uint8_t& value) {
  ReadValue(value, "EOF reading type uint8", "MemReadSerializer::DataUInt8", __LINE__);
}
void MemReadSerializer::DataInt16(int16_t& value) {
  ReadValue(value, "EOF reading type int16", "MemReadSerializer::DataInt16", __LINE__);
}
void MemReadSerializer::DataUInt16(uint16_t& value) {
  ReadValue(value, "EOF reading type uint16", "MemReadSerializer::DataUInt16", __LINE__);
}
void MemReadSerializer::DataInt32(int32_t& value) {
  ReadValue(value, "EOF reading type int32", "MemReadSerializer::DataInt32", __LINE__);
}
void MemReadSerializer::DataUInt32(uint32_t& value) {
  ReadValue(value, "EOF reading type uint32", "MemReadSerializer::DataUInt32", __LINE__);
}
void MemReadSerializer::DataInt64(int64_t& value) {
  ReadValue(value, "EOF reading type int64", "MemReadSerializer::DataInt64", __LINE__);
}
void MemReadSerializer::DataUInt64(uint64_t& value) {
  ReadValue(value, "EOF reading type uint64", "MemReadSerializer::DataUInt64", __LINE__);
}
void MemReadSerializer::DataFloat(float& value) {
  ReadValue(value, "EOF reading type float", "MemReadSerializer::DataFloat", __LINE__);
}
void MemReadSerializer::DataDouble(double& value) {
  ReadValue(value, "EOF reading type double", "MemReadSerializer::DataDouble", __LINE__);
}

void MemReadSerializer::DataVector3D(Vector3D& value) {
  // Checked as a whole so a short vector leaves neither the position nor the
  // value half-updated.
  float xyz[3];
  ReadValue(xyz, "EOF reading type Vector3D", "MemReadSerializer::DataVector3D", __LINE__);
  value.x = xyz[0];
  value.y = xyz[1];
  value.z = xyz[2];
}

void MemReadSerializer::DataString(std::string& value) {
  uint32_t length = 0;
  DataUInt32(length);
  if (Remaining() < length) {
    KAZ_SERIALIZE_THROW("Cannot read DataString (not enough room).", SerializeError_EOF,
                        "MemReadSerializer::DataString");
  }
  value.assign(reinterpret_cast<const char*>(m_current), length);
  m_current += length;
}

void MemReadSerializer::DataRaw(void* buffer, uint32_t size) {
  if (!buffer) {
    KAZ_SERIALIZE_THROW("Bad pointer.", SerializeError_Raw, "MemReadSerializer::DataRaw");
  }
  if (Remaining() < size) {
    KAZ_SERIALIZE_THROW("EOF reading raw data.", SerializeError_Raw, "MemReadSerializer::DataRaw");
  }
  if (size) {
    std::memcpy(buffer, m_current, size);
    m_current += size;
  }
}
