// BuffersTest.cpp - tests of vertex formats, buffers and the format table.
//
// Vertex formats (layout rules, declaration limits, the serialised form),
// vertex and index buffers (locking rules, sizes) and the format tables.
#include <cstring>
#include <vector>

#include "render/device/Formats.h"
#include "render/gpu/GpuBuffers.h"
#include "render/gpu/VertexFormat.h"
#include "RenderTestUtil.h"
#include "tier0/Serializer.h"

using namespace rendertest;

namespace {

class BufferTest : public StartedVideoTest {
 protected:
  void SetUp() override {
    StartedVideoTest::SetUp();
    fmt = Ref<DeviceVertexFormat>::Adopt(CreateVertexFormat());
    ASSERT_TRUE(fmt);
  }
  void TearDown() override {
    fmt.Reset();
    FakeVideoTest::TearDown();
  }
  Ref<DeviceVertexFormat> fmt;
};

TEST_F(BufferTest, SerialisedFormatIsReadAndCorruptCountsThrow) {
  // Two streams: position and colour, then texture coordinates.
  const uint8_t two[] = {2, 0, 0, 0, 2, 0, 0, 0, 3, 1, 5, 7, 1, 0, 0, 0, 2, 6};
  MemReadSerializer r(two, sizeof(two));
  fmt->Serialize(r);
  EXPECT_EQ(fmt->GetStreamCount(), 2u);
  EXPECT_EQ(fmt->GetFieldCount(0), 2u);
  EXPECT_EQ(fmt->GetFieldType(0, 1), VFT_COLOR);
  EXPECT_EQ(fmt->GetFieldUsage(1, 0), VFU_TEXCOORD);
  EXPECT_EQ(fmt->GetStreamSize(0), 16u);
  // Counts that would allocate, and a stream cut short.
  const uint8_t huge[] = {0xFF, 0xFF, 0xFF, 0x7F};
  MemReadSerializer r1(huge, sizeof(huge));
  EXPECT_THROW(fmt->Serialize(r1), SerializeException);
  const uint8_t cut[] = {1, 0, 0, 0, 5, 0, 0, 0, 3};
  MemReadSerializer r2(cut, sizeof(cut));
  EXPECT_THROW(fmt->Serialize(r2), SerializeException);
}

TEST_F(BufferTest, StreamAndFieldLimits) {
  for (int i = 1; i < 16; ++i) EXPECT_TRUE(fmt->AppendStream());
  EXPECT_FALSE(fmt->AppendStream());
  EXPECT_EQ(m_log.Count("Max stream count hit (16)", LogLevel_Detail), 1);
  fmt->Clear();
  EXPECT_EQ(fmt->GetStreamCount(), 1u);
  EXPECT_FALSE(fmt->VertexFormat::Validate());  // one stream without fields
  // Sixty-three fields fit one declaration, sixty-four do not.
  for (int i = 0; i < 63; ++i) fmt->AddField(VFT_FLOAT1, VFU_TEXCOORD);
  EXPECT_NE(fmt->GetDeviceDeclaration(), nullptr);
  Ref<DeviceVertexFormat> big = Ref<DeviceVertexFormat>::Adopt(CreateVertexFormat());
  for (int i = 0; i < 40; ++i) big->AddField(VFT_FLOAT1, VFU_TEXCOORD);
  big->AppendStream();
  for (int i = 0; i < 24; ++i) big->AddField(VFT_FLOAT1, VFU_TEXCOORD);
  EXPECT_EQ(big->GetDeviceDeclaration(), nullptr);
  EXPECT_EQ(m_log.Count("stream 1 has too many fields!"), 1);
}

TEST_F(BufferTest, UsageIndicesCountAcrossStreams) {
  fmt->AddField(VFT_FLOAT2, VFU_TEXCOORD);
  fmt->AppendStream();
  fmt->AddField(VFT_FLOAT3, VFU_POSITION);
  fmt->AddField(VFT_FLOAT2, VFU_TEXCOORD);
  fmt->AddField(VFT_COLOR, VFU_COLOR);
  GVertexElement e[64];
  uint32_t n = 0;
  ASSERT_TRUE(fmt->GetDeviceElements(e, &n));
  ASSERT_EQ(n, 4u);
  EXPECT_EQ(e[0].usageIndex, 0);
  EXPECT_EQ(e[2].usageIndex, 1);
  EXPECT_EQ(e[2].offset, 12);
  EXPECT_EQ(e[2].stream, 1);
  EXPECT_EQ(e[3].usage, GDECLUSAGE_COLOR);
  EXPECT_EQ(e[3].usageIndex, 0);
  EXPECT_EQ(e[4].stream, 0xFF);
}

TEST_F(BufferTest, LockRulesAndIndexSizes) {
  VertexBuffer* vb = CreateVertexBuffer(24, 10, true);
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
  IndexBuffer* wide = CreateIndexBuffer(1, 100, false);
  IndexBuffer* narrow = CreateIndexBuffer(0, 100, false);
  ASSERT_TRUE(wide && narrow);
  EXPECT_EQ(wide->GetDeviceBuffer()->GetLength(), 400u);
  EXPECT_EQ(narrow->GetDeviceBuffer()->GetLength(), 200u);
  EXPECT_EQ(wide->GetDeviceBuffer()->GetFormat(), FMT_INDEX32);
  wide->Release();
  narrow->Release();
}

TEST_F(BufferTest, CreationFailureIsLoggedAndNull) {
  const size_t live = VertexBuffer::s_pool.GetInUseCount();  // the 2D overlays' buffer
  Device()->Script().createBufferResult = GERR_OUTOFVIDEOMEMORY;
  EXPECT_EQ(CreateVertexBuffer(16, 8, false), nullptr);
  EXPECT_EQ(m_log.Count("Failed to create static vertex buffer with 8 verts of 16 bytes each "
                        "(GLERR_OUTOFVIDEOMEMORY"),
            1);
  EXPECT_EQ(CreateIndexBuffer(1, 8, true), nullptr);
  EXPECT_EQ(m_log.Count("Failed to create dynamic index buffer with 8 32 bit indices"), 1);
  EXPECT_EQ(VertexBuffer::s_pool.GetInUseCount(), live);
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
  // Values outside the tables have no name rather than a stray one.
  EXPECT_STREQ(GetFormatName(Format(12345)), "");
  EXPECT_STREQ(GetSwapEffectName(7), "");
  EXPECT_STREQ(GetCubeFaceName(0), "Invalid");
  // Whatever format the back buffer reads back as can be made as a render target.
  Format target = ToDeviceFormat(FromDeviceFormat(FMT_X8R8G8B8), true);
  EXPECT_TRUE(IsRenderTargetFormat(target));
  EXPECT_EQ(FromDeviceFormat(target), 1u);
}

TEST(FormatTables, BackBufferFormatSearch) {
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
