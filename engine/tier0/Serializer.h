// Serializer.h - typed binary decoding of packed resource files.
//
// A loader reads a whole file into memory and walks it with one typed call per
// field; running out of data throws SerializeException, so a decoder is plain
// straight-line code wrapped in a single try/catch. Values are copied byte by
// byte (little-endian, no alignment needed). Only reading exists.
//
// Depends on: tier0 math (Vector3D).
#pragma once

#include "tier0/Vector.h"

#include <cstdint>
#include <exception>
#include <string>

class SerializeException : public std::exception {
 public:
  SerializeException(std::string message, int errorCode, const char* file, const char* function,
                     int line);

  const char* what() const noexcept override { return m_message.c_str(); }
  const std::string& GetMessage() const { return m_message; }
  int GetErrorCode() const { return m_errorCode; }
  const char* GetFile() const { return m_file; }
  const char* GetFunction() const { return m_function; }
  int GetLine() const { return m_line; }

 private:
  std::string m_message;
  int m_errorCode;
  const char* m_file;
  const char* m_function;
  int m_line;
};

// Error codes carried by SerializeException.
enum SerializeError : int { SerializeError_EOF = 1, SerializeError_Raw = 3 };

class Serializer {
 public:
  virtual ~Serializer() = default;

  virtual bool IsWriting() const = 0;
  virtual uint32_t GetSize() const = 0;
  virtual uint32_t GetPosition() const = 0;
  virtual uint32_t SetPosition(uint32_t position) = 0;
  virtual bool IsEOF() const = 0;

  virtual void DataInt8(int8_t& value) = 0;
  virtual void DataUInt8(uint8_t& value) = 0;
  virtual void DataInt16(int16_t& value) = 0;
  virtual void DataUInt16(uint16_t& value) = 0;
  virtual void DataInt32(int32_t& value) = 0;
  virtual void DataUInt32(uint32_t& value) = 0;
  virtual void DataInt64(int64_t& value) = 0;
  virtual void DataUInt64(uint64_t& value) = 0;
  virtual void DataFloat(float& value) = 0;
  virtual void DataDouble(double& value) = 0;
  // uint32 length, then that many bytes without a terminator.
  virtual void DataString(std::string& value) = 0;
  // Three floats: x, y, z.
  virtual void DataVector3D(Vector3D& value) = 0;
  virtual void DataRaw(void* buffer, uint32_t size) = 0;
};

// Reads from a memory block it does not own. A failed read leaves the position
// where it was (DataString has consumed its length by then).
class MemReadSerializer final : public Serializer {
 public:
  MemReadSerializer(const void* buffer, uint32_t size);

  bool IsWriting() const override { return false; }
  uint32_t GetSize() const override { return static_cast<uint32_t>(m_end - m_begin); }
  uint32_t GetPosition() const override { return static_cast<uint32_t>(m_current - m_begin); }
  uint32_t SetPosition(uint32_t position) override;
  bool IsEOF() const override { return m_current == m_end; }

  void DataInt8(int8_t& value) override;
  void DataUInt8(uint8_t& value) override;
  void DataInt16(int16_t& value) override;
  void DataUInt16(uint16_t& value) override;
  void DataInt32(int32_t& value) override;
  void DataUInt32(uint32_t& value) override;
  void DataInt64(int64_t& value) override;
  void DataUInt64(uint64_t& value) override;
  void DataFloat(float& value) override;
  void DataDouble(double& value) override;
  void DataString(std::string& value) override;
  void DataVector3D(Vector3D& value) override;
  void DataRaw(void* buffer, uint32_t size) override;

 private:
  // Bytes left; compared against sizes instead of forming current + n, which
  // could point past the block (or wrap) for a hostile length.
  size_t Remaining() const { return static_cast<size_t>(m_end - m_current); }

  template <typename T>
  void ReadValue(T& value, const char* message, const char* function, int line);

  const uint8_t* m_begin;
  const uint8_t* m_current;
  const uint8_t* m_end;
};
