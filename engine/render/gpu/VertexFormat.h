// VertexFormat.h - vertex layouts: streams of typed fields with usages.
//
// VertexFormat describes a layout independently of the graphics interface
// (it is what static mesh files store, see Serialize); DeviceVertexFormat adds
// the device's vertex declaration, created on first demand and kept until
// video shutdown. Pooled ("GLVertexFormat", grow count 5).
// Depends on: GraphicsDevice.h, tier0/ObjectPool, tier0/Serializer, base/Log.
#pragma once

#include "render/device/GraphicsDevice.h"
#include "tier0/ObjectPool.h"

#include <cstdint>
#include <vector>

class Serializer;

// Field types (bytes): 1 float1 (4), 2 float2 (8), 3 float3 (12), 4 float4 (16), 5 colour (4).
enum VertexFieldType : uint8_t {
  VFT_FLOAT1 = 1,
  VFT_FLOAT2 = 2,
  VFT_FLOAT3 = 3,
  VFT_FLOAT4 = 4,
  VFT_COLOR = 5,
};
enum VertexFieldUsage : uint8_t {
  VFU_POSITION = 1,
  VFU_POSITIONT = 2,
  VFU_NORMAL = 3,
  VFU_BINORMAL = 4,
  VFU_TANGENT = 5,
  VFU_TEXCOORD = 6,
  VFU_COLOR = 7,
  VFU_FOG = 8,
  VFU_BLENDWEIGHT = 9,
  VFU_BLENDINDICES = 10,
};

constexpr uint32_t kMaxVertexStreams = 16;
// The declaration array has 64 entries, the last one the end marker.
constexpr uint32_t kMaxVertexElements = 64;

uint32_t GetVertexFieldSize(uint8_t type);
uint8_t GetDeclType(uint8_t type);    // GDECLTYPE_UNUSED for unknown types
uint8_t GetDeclUsage(uint8_t usage);  // 255 for unknown usages

class VertexFormat : public PooledObject {
 public:
  struct Field {
    uint8_t type;
    uint8_t usage;
  };

  virtual bool Validate();
  virtual bool Activate() = 0;

  bool AppendStream();
  // Appends to the last stream; false without a stream.
  bool AddField(uint8_t type, uint8_t usage);
  // Removes every stream, then appends one empty stream.
  void Clear();
  // u32 stream count; per stream u32 field count, then type and usage bytes.
  void Serialize(Serializer& s);
  uint32_t GetStreamCount() const { return uint32_t(m_streams.size()); }
  uint32_t GetFieldCount(uint32_t stream) const;
  uint8_t GetFieldType(uint32_t stream, uint32_t field) const;
  uint8_t GetFieldUsage(uint32_t stream, uint32_t field) const;
  uint32_t GetStreamSize(uint32_t stream) const;

 protected:
  VertexFormat();
  std::vector<std::vector<Field>> m_streams;
};

class DeviceVertexFormat : public VertexFormat {
  KAZ_POOLED_CLASS(DeviceVertexFormat)

 public:
  bool Validate() override;
  bool Activate() override;
  // Fills up to 64 elements ending with the end marker; false (logged) when
  // the format has more than 63 fields.
  bool GetDeviceElements(GVertexElement* elements, uint32_t* count = nullptr);
  // The kept declaration (created on first demand), or null.
  GVertexDeclaration* GetDeviceDeclaration();
  // The declaration with a second stream of one 4x4 matrix a copy (four
  // float4 columns as texture coordinates 4 to 7, kInstanceStride bytes) for
  // instanced draws; null when the format already uses those (kept either way).
  GVertexDeclaration* GetInstancedDeclaration();
  // Video shutdown.
  void ReleaseDeclaration();

 protected:
  DeviceVertexFormat() = default;
  ~DeviceVertexFormat() override;

 private:
  GVertexDeclaration* m_declaration = nullptr;
  GVertexDeclaration* m_instancedDeclaration = nullptr;
  bool m_noInstancing = false;
};

// A copy's data in an instanced draw: its world matrix, column by column.
constexpr uint32_t kInstanceFields = 4;
constexpr uint32_t kInstanceStride = 64;

// A new format with one empty stream.
DeviceVertexFormat* CreateVertexFormat();
