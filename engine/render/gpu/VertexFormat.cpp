// VertexFormat.cpp - vertex layouts, their serialised form and device declarations.
#include "render/gpu/VertexFormat.h"

#include "base/Log.h"
#include "render/gpu/VideoManager.h"
#include "tier0/Serializer.h"

KAZ_DEFINE_POOL_NAMED(DeviceVertexFormat, 5, "GLVertexFormat");

// A stream count or field count beyond these in a file is corrupt data, not a
// format; it would only make us allocate for nothing.
static constexpr uint32_t kMaxSerializedFields = kMaxVertexElements;

uint32_t GetVertexFieldSize(uint8_t type) {
  switch (type) {
    case VFT_FLOAT1:
      return 4;
    case VFT_FLOAT2:
      return 8;
    case VFT_FLOAT3:
      return 12;
    case VFT_FLOAT4:
      return 16;
    case VFT_COLOR:
      return 4;
    default:
      return 0;
  }
}

uint8_t GetDeclType(uint8_t type) {
  switch (type) {
    case VFT_FLOAT1:
      return GDECLTYPE_FLOAT1;
    case VFT_FLOAT2:
      return GDECLTYPE_FLOAT2;
    case VFT_FLOAT3:
      return GDECLTYPE_FLOAT3;
    case VFT_FLOAT4:
      return GDECLTYPE_FLOAT4;
    case VFT_COLOR:
      return GDECLTYPE_D3DCOLOR;
    default:
      return GDECLTYPE_UNUSED;
  }
}

uint8_t GetDeclUsage(uint8_t usage) {
  switch (usage) {
    case VFU_POSITION:
      return GDECLUSAGE_POSITION;
    case VFU_POSITIONT:
      return GDECLUSAGE_POSITIONT;
    case VFU_NORMAL:
      return GDECLUSAGE_NORMAL;
    case VFU_BINORMAL:
      return GDECLUSAGE_BINORMAL;
    case VFU_TANGENT:
      return GDECLUSAGE_TANGENT;
    case VFU_TEXCOORD:
      return GDECLUSAGE_TEXCOORD;
    case VFU_COLOR:
      return GDECLUSAGE_COLOR;
    case VFU_FOG:
      return GDECLUSAGE_FOG;
    case VFU_BLENDWEIGHT:
      return GDECLUSAGE_BLENDWEIGHT;
    case VFU_BLENDINDICES:
      return GDECLUSAGE_BLENDINDICES;
    default:
      return 255;
  }
}

VertexFormat::VertexFormat() {
  m_streams.resize(1);
}

bool VertexFormat::Validate() {
  if (m_streams.empty()) return false;
  for (const auto& s : m_streams)
    if (s.empty()) return false;
  return true;
}

bool VertexFormat::AppendStream() {
  if (m_streams.size() >= kMaxVertexStreams) {
    LogDetail("VertexFormat: Could not append stream. Max stream count hit (%d)",
              int(kMaxVertexStreams));
    return false;
  }
  m_streams.emplace_back();
  return true;
}

bool VertexFormat::AddField(uint8_t type, uint8_t usage) {
  if (m_streams.empty()) return false;
  m_streams.back().push_back({type, usage});
  return true;
}

void VertexFormat::Clear() {
  m_streams.clear();
  m_streams.emplace_back();
}

void VertexFormat::Serialize(Serializer& s) {
  uint32_t streams = uint32_t(m_streams.size());
  s.DataUInt32(streams);
  if (!s.IsWriting()) {
    // A corrupt count must not make us allocate; the serializer throws on a short read.
    if (streams > kMaxVertexStreams)
      throw SerializeException("vertex format: too many streams", SerializeError_Raw, __FILE__,
                               __func__, __LINE__);
    m_streams.assign(streams, {});
  }
  for (auto& stream : m_streams) {
    uint32_t fields = uint32_t(stream.size());
    s.DataUInt32(fields);
    if (!s.IsWriting()) {
      if (fields > kMaxSerializedFields)
        throw SerializeException("vertex format: too many fields", SerializeError_Raw, __FILE__,
                                 __func__, __LINE__);
      stream.assign(fields, {0, 0});
    }
    for (Field& f : stream) {
      s.DataUInt8(f.type);
      s.DataUInt8(f.usage);
    }
  }
}

uint32_t VertexFormat::GetFieldCount(uint32_t stream) const {
  return stream < m_streams.size() ? uint32_t(m_streams[stream].size()) : 0;
}

uint8_t VertexFormat::GetFieldType(uint32_t stream, uint32_t field) const {
  if (stream >= m_streams.size() || field >= m_streams[stream].size()) return 0;
  return m_streams[stream][field].type;
}

uint8_t VertexFormat::GetFieldUsage(uint32_t stream, uint32_t field) const {
  if (stream >= m_streams.size() || field >= m_streams[stream].size()) return 0;
  return m_streams[stream][field].usage;
}

uint32_t VertexFormat::GetStreamSize(uint32_t stream) const {
  if (stream >= m_streams.size()) return 0;
  uint32_t size = 0;
  for (const Field& f : m_streams[stream]) size += GetVertexFieldSize(f.type);
  return size;
}

// ---------------------------------------------------------------------------

DeviceVertexFormat::~DeviceVertexFormat() {
  ReleaseDeclaration();
}

bool DeviceVertexFormat::Validate() {
  return GetDeviceDeclaration() != nullptr;
}

bool DeviceVertexFormat::Activate() {
  VideoManager* vm = GetVideoManager();
  return vm && vm->ActivateVertexFormat(this);
}

bool DeviceVertexFormat::GetDeviceElements(GVertexElement* elements, uint32_t* count) {
  uint32_t n = 0;
  uint32_t usageCounts[256] = {};
  for (uint32_t s = 0; s < m_streams.size(); ++s) {
    uint32_t offset = 0;
    for (const Field& f : m_streams[s]) {
      if (n >= kMaxVertexElements - 1) {
        LogDetail("GLVertexFormat::GetGLVertexElements: stream %d has too many fields!", int(s));
        return false;
      }
      uint8_t usage = GetDeclUsage(f.usage);
      elements[n] = {uint16_t(s),
                     uint16_t(offset),
                     GetDeclType(f.type),
                     GDECLMETHOD_DEFAULT,
                     usage,
                     uint8_t(usageCounts[usage]++)};
      offset += GetVertexFieldSize(f.type);
      ++n;
    }
  }
  elements[n] = kDeclEnd;
  if (count) *count = n;
  return true;
}

GVertexDeclaration* DeviceVertexFormat::GetDeviceDeclaration() {
  VideoManager* vm = GetVideoManager();
  if (!vm || !vm->GetDevice()) return nullptr;
  if (!m_declaration) {
    GVertexElement elements[kMaxVertexElements];
    if (!GetDeviceElements(elements)) {
      LogDetail("GLVertexFormat::GetGLVertexDeclaration: GetGLVertexElements failed.");
      return nullptr;
    }
    GResult r = vm->GetDevice()->CreateVertexDeclaration(elements, &m_declaration);
    if (GFailed(r)) {
      m_declaration = nullptr;
      LogDetail(
          "GLVertexFormat::GetGLVertexDeclaration: Failed to create a vertex declaration. Error: "
          "%s",
          GetErrorName(r));
      return nullptr;
    }
  }
  return m_declaration;
}

GVertexDeclaration* DeviceVertexFormat::GetInstancedDeclaration() {
  VideoManager* vm = GetVideoManager();
  if (!vm || !vm->GetDevice()) return nullptr;
  if (m_instancedDeclaration || m_noInstancing) return m_instancedDeclaration;
  GVertexElement elements[kMaxVertexElements + kInstanceFields];
  uint32_t count = 0;
  // The copy's matrix takes stream 1 and texture coordinates 4 to 7: a format
  // that uses either cannot be drawn instanced.
  bool free = GetDeviceElements(elements, &count);
  for (uint32_t i = 0; free && i < count; ++i)
    free = elements[i].stream == 0 &&
           !(elements[i].usage == GDECLUSAGE_TEXCOORD && elements[i].usageIndex >= 4);
  if (free) {
    for (uint32_t k = 0; k < kInstanceFields; ++k)
      elements[count + k] = {1,
                             uint16_t(16 * k),
                             GDECLTYPE_FLOAT4,
                             GDECLMETHOD_DEFAULT,
                             GDECLUSAGE_TEXCOORD,
                             uint8_t(4 + k)};
    elements[count + kInstanceFields] = kDeclEnd;
    if (GFailed(vm->GetDevice()->CreateVertexDeclaration(elements, &m_instancedDeclaration)))
      m_instancedDeclaration = nullptr;
  }
  m_noInstancing = m_instancedDeclaration == nullptr;
  return m_instancedDeclaration;
}

void DeviceVertexFormat::ReleaseDeclaration() {
  SafeRelease(m_declaration);
  SafeRelease(m_instancedDeclaration);
  m_noInstancing = false;
}

DeviceVertexFormat* CreateVertexFormat() {
  return DeviceVertexFormat::Create();
}
