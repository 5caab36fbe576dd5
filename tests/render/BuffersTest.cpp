// BuffersTest.cpp - tests of vertex formats, buffers and the format table.
//
// Vertex formats (layout rules, declaration limits, the serialised form),
// vertex and index buffers (locking rules, sizes) and the format tables.
#include <cstring>
#include <vector>

#include "RenderTestUtil.h"
#include "render/Formats.h"
#include "render/GpuBuffers.h"
#include "render/VertexFormat.h"
#include "tier0/Serializer.h"

using namespace rendertest;

namespace {

// The engine's serializers only read; formats are written through this one.
class WriteSerializer : public Serializer {
 public:
  bool IsWriting() const override { return true; }
  uint32_t GetSize() const override { return uint32_t(bytes.size()); }
  uint32_t GetPosition() const override { return uint32_t(bytes.size()); }
  uint32_t SetPosition(uint32_t p) override { return p; }
  bool IsEOF() const override { return true; }
  void DataInt8(int8_t& v) override { Put(&v, 1); }
  void DataUInt8(uint8_t& v) override { Put(&v, 1); }
  void DataInt16(int16_t& v) override { Put(&v, 2); }
  void DataUInt16(uint16_t& v) override { Put(&v, 2); }
  void DataInt32(int32_t& v) override { Put(&v, 4); }
  void DataUInt32(uint32_t& v) override { Put(&v, 4); }
  void DataInt64(int64_t& v) override { Put(&v, 8); }
  void DataUInt64(uint64_t& v) override { Put(&v, 8); }
  void DataFloat(float& v) override { Put(&v, 4); }
  void DataDouble(double& v) override { Put(&v, 8); }
  void DataString(std::string&) override {}
  void DataVector3D(Vector3D&) override {}
  void DataRaw(void* b, uint32_t n) override { Put(b, n); }
  void Put(const void* p, size_t n) {
    const uint8_t* b = static_cast<const uint8_t*>(p);
    bytes.insert(bytes.end(), b, b + n);
  }
  std::vector<uint8_t> bytes;
};

class VertexFormatTest : public FakeVideoTest {
 protected:
  void SetUp() override {
    FakeVideoTest::SetUp();
    ASSERT_NE(Start(), nullptr);
    fmt = CreateVertexFormat();
    ASSERT_NE(fmt, nullptr);
  }
  void TearDown() override {
    if (fmt) fmt->Release();
    FakeVideoTest::TearDown();
  }
  GLVertexFormat* fmt = nullptr;
};

TEST_F(VertexFormatTest, SerialisedFormRoundTrips) {
  fmt->AddField(VFT_FLOAT3, VFU_POSITION);
  fmt->AddField(VFT_COLOR, VFU_COLOR);
  fmt->AppendStream();
  fmt->AddField(VFT_FLOAT2, VFU_TEXCOORD);
  WriteSerializer w;
  fmt->Serialize(w);
  const uint8_t expected[] = {2, 0, 0, 0, 2, 0, 0, 0, 3, 1, 5, 7, 1, 0, 0, 0, 2, 6};
  ASSERT_EQ(w.bytes, std::vector<uint8_t>(std::begin(expected), std::end(expected)));

  GLVertexFormat* back = CreateVertexFormat();
  MemReadSerializer r(w.bytes.data(), uint32_t(w.bytes.size()));
  back->Serialize(r);
  EXPECT_EQ(back->GetStreamCount(), 2u);
  EXPECT_EQ(back->GetFieldCount(0), 2u);
  EXPECT_EQ(back->GetFieldType(0, 1), VFT_COLOR);
  EXPECT_EQ(back->GetFieldUsage(1, 0), VFU_TEXCOORD);
  EXPECT_EQ(back->GetStreamSize(0), 16u);
  back->Release();
}

TEST_F(VertexFormatTest, CorruptCountsThrowInsteadOfAllocating) {
  const uint8_t data[] = {0xFF, 0xFF, 0xFF, 0x7F};
  MemReadSerializer r(data, sizeof(data));
  EXPECT_THROW(fmt->Serialize(r), SerializeException);
  const uint8_t shortData[] = {1, 0, 0, 0, 5, 0, 0, 0, 3};
  MemReadSerializer r2(shortData, sizeof(shortData));
  EXPECT_THROW(fmt->Serialize(r2), SerializeException);
}

TEST_F(VertexFormatTest, SeventeenthStreamIsRefused) {
  for (int i = 1; i < 16; ++i) EXPECT_TRUE(fmt->AppendStream());
  EXPECT_FALSE(fmt->AppendStream());
  EXPECT_EQ(m_log.Count("Max stream count hit (16)", LogLevel_Detail), 1);
  fmt->Clear();
  EXPECT_EQ(fmt->GetStreamCount(), 1u);
  EXPECT_FALSE(fmt->VertexFormat::Validate());  // one stream without fields
}

TEST_F(VertexFormatTest, SixtyThreeFieldsFitSixtyFourDoNot) {
  for (int i = 0; i < 63; ++i) fmt->AddField(VFT_FLOAT1, VFU_TEXCOORD);
  EXPECT_NE(fmt->GetGLVertexDeclaration(), nullptr);
  GLVertexFormat* big = CreateVertexFormat();
  for (int i = 0; i < 40; ++i) big->AddField(VFT_FLOAT1, VFU_TEXCOORD);
  big->AppendStream();
  for (int i = 0; i < 24; ++i) big->AddField(VFT_FLOAT1, VFU_TEXCOORD);
  EXPECT_EQ(big->GetGLVertexDeclaration(), nullptr);
  EXPECT_EQ(m_log.Count("stream 1 has too many fields!"), 1);
  big->Release();
}

TEST_F(VertexFormatTest, UsageIndicesCountAcrossStreams) {
  fmt->AddField(VFT_FLOAT2, VFU_TEXCOORD);
  fmt->AppendStream();
  fmt->AddField(VFT_FLOAT3, VFU_POSITION);
  fmt->AddField(VFT_FLOAT2, VFU_TEXCOORD);
  fmt->AddField(VFT_COLOR, VFU_COLOR);
  GVertexElement e[64];
  uint32_t n = 0;
  ASSERT_TRUE(fmt->GetGLVertexElements(e, &n));
  ASSERT_EQ(n, 4u);
  EXPECT_EQ(e[0].usageIndex, 0);
  EXPECT_EQ(e[2].usageIndex, 1);
  EXPECT_EQ(e[2].offset, 12);
  EXPECT_EQ(e[2].stream, 1);
  EXPECT_EQ(e[3].usage, GDECLUSAGE_COLOR);
  EXPECT_EQ(e[3].usageIndex, 0);
  EXPECT_EQ(e[4].stream, 0xFF);
}

class BufferTest : public FakeVideoTest {
 protected:
  void SetUp() override {
    FakeVideoTest::SetUp();
    ASSERT_NE(Start(), nullptr);
  }
};

TEST_F(BufferTest, DoubleLockAndDoubleUnlockAreRefused) {
  GLVertexBuffer* vb = CreateVertexBuffer(24, 10, true);
  ASSERT_NE(vb, nullptr);
  EXPECT_NE(vb->Lock(0, 10), nullptr);
  EXPECT_EQ(vb->Lock(0, 10), nullptr);
  EXPECT_TRUE(vb->IsLocked());
  EXPECT_EQ(m_log.Count("Trying to double lock a vertex buffer!"), 1);
  vb->Unlock();
  vb->Unlock();
  EXPECT_EQ(m_log.Count("Trying to double unlock a vertex buffer!"), 1);
  EXPECT_EQ(vb->Lock(5, 6), nullptr);  // past the end
  vb->Release();
}

TEST_F(BufferTest, IndexBufferSizesFollowTheKind) {
  GLIndexBuffer* wide = CreateIndexBuffer(1, 100, false);
  GLIndexBuffer* narrow = CreateIndexBuffer(0, 100, false);
  ASSERT_TRUE(wide && narrow);
  EXPECT_EQ(wide->GetGLBuffer()->GetLength(), 400u);
  EXPECT_EQ(narrow->GetGLBuffer()->GetLength(), 200u);
  EXPECT_EQ(wide->GetGLBuffer()->GetFormat(), FMT_INDEX32);
  wide->Release();
  narrow->Release();
}

TEST_F(BufferTest, CreationFailureIsLoggedAndNull) {
  const size_t live = GLVertexBuffer::s_pool.GetInUseCount();  // the 2D overlays' buffer
  Device()->Script().createBufferResult = GLERR_OUTOFVIDEOMEMORY;
  EXPECT_EQ(CreateVertexBuffer(16, 8, false), nullptr);
  EXPECT_EQ(m_log.Count("Failed to create static vertex buffer with 8 verts of 16 bytes each "
                        "(GLERR_OUTOFVIDEOMEMORY"),
            1);
  EXPECT_EQ(CreateIndexBuffer(1, 8, true), nullptr);
  EXPECT_EQ(m_log.Count("Failed to create dynamic index buffer with 8 32 bit indices"), 1);
  EXPECT_EQ(GLVertexBuffer::s_pool.GetInUseCount(), live);
}

TEST(BuffersWithoutVideo, CreationNeedsAVideoManager) {
  kaztest::LogCapture capture;
  EXPECT_EQ(CreateVertexBuffer(16, 8, false), nullptr);
  EXPECT_EQ(CreateIndexBuffer(0, 8, false), nullptr);
  EXPECT_EQ(CreateDepthStencilBuffer(8, 8), nullptr);
  EXPECT_EQ(capture.Count("Cannot create VB without a video manager with display mode set!"), 1);
  EXPECT_EQ(capture.Count("Cannot create IB without a video manager with display mode set!"), 1);
}

TEST(FormatTables, EveryRowAgreesWithItself) {
  for (Format f : ListFormats()) {
    SCOPED_TRACE(GetFormatName(f));
    EXPECT_NE(*GetFormatName(f), '\0');
    if (GetFormatBytesPerPixel(f)) {
      EXPECT_EQ(GetFormatBits(f), 8 * GetFormatBytesPerPixel(f));
    }
    if (IsRenderTargetFormat(f)) {
      EXPECT_TRUE(IsTextureFormat(f));
    }
    if (uint32_t engine = FromDeviceFormat(f)) {
      EXPECT_EQ(FromDeviceFormat(ToDeviceFormat(engine)), engine);
      EXPECT_TRUE(IsTextureFormat(ToDeviceFormat(engine)));
    }
  }
  // Whatever format the back buffer reads back as can be made as a render target.
  Format target = ToDeviceFormat(FromDeviceFormat(FMT_X8R8G8B8), true);
  EXPECT_TRUE(IsRenderTargetFormat(target));
  EXPECT_EQ(FromDeviceFormat(target), 1u);
}

TEST_F(BufferTest, FakeDeviceRefusesWhatTheTableRefuses) {
  ExpectDeviceFollowsFormatTable(Device());
}

TEST(FormatTables, NamesBitsAndSearch) {
  EXPECT_STREQ(GetFormatName(FMT_A8R8G8B8), "GLFMT_A8R8G8B8");
  EXPECT_STREQ(GetFormatName(FMT_DXT5), "GLFMT_DXT5");
  EXPECT_STREQ(GetFormatName(Format(12345)), "");
  EXPECT_EQ(GetFormatBits(FMT_DXT1), 64u);
  EXPECT_EQ(GetFormatBits(FMT_X8R8G8B8), 32u);
  EXPECT_EQ(GetFormatBits(FMT_D16), 16u);
  EXPECT_STREQ(GetPresentIntervalName(GPRESENT_INTERVAL_IMMEDIATE), "GLPRESENT_INTERVAL_IMMEDIATE");
  EXPECT_STREQ(GetSwapEffectName(7), "");
  EXPECT_STREQ(GetCubeFaceName(6), "Negative Z");
  EXPECT_STREQ(GetCubeFaceName(0), "Invalid");
  EXPECT_EQ(FromDeviceFormat(FMT_X8R8G8B8), 1u);
  EXPECT_EQ(FromDeviceFormat(FMT_DXT4), 10u);
  EXPECT_EQ(ToDeviceFormat(FromDeviceFormat(FMT_DXT3)), FMT_DXT3);

  FakeScript script;
  script.modes = {{800, 600, 75, FMT_R5G6B5}, {800, 600, 60, FMT_X8R8G8B8}};
  GSystem* sys = CreateFakeSystem(script);
  EXPECT_EQ(ChooseBackBufferFormat(sys, 0, 800, 600, 0, 16), FMT_R5G6B5);
  EXPECT_EQ(ChooseBackBufferFormat(sys, 0, 800, 600, 60, 16), FMT_UNKNOWN);
  EXPECT_EQ(ChooseBackBufferFormat(sys, 0, 800, 600, 60, 32), FMT_X8R8G8B8);
  EXPECT_EQ(ChooseBackBufferFormat(sys, 0, 800, 600, 0, 24), FMT_UNKNOWN);
  sys->Release();
}

}  // namespace
