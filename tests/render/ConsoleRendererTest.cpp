// ConsoleRendererTest.cpp - the console drawn through the console renderer and the 2D overlays with
// the baked console font (fake device): what reaches the vertex buffer, at which places, in which
// colours and alphas.
#include <vector>

#include "console/CommandProcessor.h"
#include "console/Console.h"
#include "render/DeviceVideoManager.h"
#include "render/gpu/Font.h"
#include "render/overlay/ConsoleRenderer.h"
#include "render/overlay/Overlay2D.h"
#include "RenderTestUtil.h"

using namespace rendertest;

namespace {

constexpr int kAdvance = 8, kLine = 17;

class ConsoleRendererTest : public FakeVideoTest {
 protected:
  void SetUp() override {
    FakeVideoTest::SetUp();
    m_video = Start();
    ASSERT_NE(m_video, nullptr);
    m_video->Get2D().SetFlushObserver([this](const Vertex2D* v, uint32_t n) {
      for (uint32_t i = 0; i < n; i += 6) m_quads.push_back(v[i]);
      m_corners.insert(m_corners.end(), v, v + n);
    });
    m_console.SetDrawing(&GetConsoleRenderer());
    m_console.LoadFont();
    ASSERT_TRUE(GetConsoleRenderer().HasFont()) << m_log.Dump();
    m_console.SetCommandProcessor(&m_processor);
  }
  void TearDown() override {
    m_console.ReleaseFont();
    m_console.SetDrawing(nullptr);
    FakeVideoTest::TearDown();
  }
  // Opens fully (the animation runs a quarter of a second).
  void OpenFully() {
    m_console.SetOpen(true, true);
    m_console.Update(1.0f);
  }

  DeviceVideoManager* m_video = nullptr;
  EngineCommandProcessor m_processor;
  Console m_console;
  std::vector<Vertex2D> m_quads;    // top-left vertex of each quad
  std::vector<Vertex2D> m_corners;  // every vertex
};

TEST_F(ConsoleRendererTest, RecentLinesTopLeftAndNoticesTopRight) {
  m_console.Print("old", false);
  m_console.Print("[red]a[green]b", false);
  m_console.AddNotice("FPS: 50.00");
  m_console.Draw(0, 0, 640, 240, true, true);
  // The newest line first, under the older one, both at x + 5; then the notice right-aligned.
  ASSERT_EQ(m_quads.size(), 2u + 3u + 9u);
  EXPECT_EQ(m_quads[0].x, 5.0f);
  EXPECT_EQ(m_quads[0].y, 5.0f + kLine);
  EXPECT_EQ(m_quads[0].color, 0xFFFF0000u);  // a in red
  EXPECT_EQ(m_quads[1].color, 0xFF00FF00u);  // b in green, after a
  EXPECT_EQ(m_quads[1].x, 5.0f + kAdvance);
  EXPECT_EQ(m_quads[2].y, 5.0f);  // "old"
  EXPECT_EQ(m_quads[2].color, 0xFFFFFFFFu);
  EXPECT_EQ(m_quads[5].x, float(640 - 5 - 10 * kAdvance));
  EXPECT_EQ(m_quads[5].y, 5.0f);
}

TEST_F(ConsoleRendererTest, OpenConsoleBackgroundLineCursorAndText) {
  m_console.Print("line", false);
  OpenFully();
  m_console.OnChar('x');
  m_console.Draw(0, 0, 640, 240, true, false);
  ASSERT_GE(m_quads.size(), 4u);
  // Background: green 0.25 at two thirds opacity; then the white line.
  EXPECT_EQ(m_quads[0].color, 0xAA003F00u);
  EXPECT_EQ(m_corners[4].x, 640.0f);
  EXPECT_EQ(m_corners[4].y, 240.0f);
  EXPECT_EQ(m_quads[1].y, 239.0f);
  EXPECT_EQ(m_quads[1].color, 0xFFFFFFFFu);
  // Cursor bar after "] x".
  EXPECT_EQ(m_quads[2].x, float(5 + 3 * kAdvance));
  EXPECT_EQ(m_quads[2].y, float(240 - kLine - 7));
  // The prompt "]" in orange at the input line, the newest line above it.
  const Vertex2D* prompt = nullptr;
  for (const Vertex2D& q : m_quads)
    if (q.color == 0xFFFF7F3Fu && !prompt) prompt = &q;
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(prompt->y, float(240 - kLine - 5));
  EXPECT_EQ(m_quads.back().y, float(240 - 2 * kLine - 5));
}

TEST_F(ConsoleRendererTest, RecentLinesFadeAsTheConsoleOpens) {
  m_console.Print("fading", false);
  m_console.SetOpen(true, true);
  m_console.Update(0.125f);  // half open
  m_console.Draw(0, 0, 640, 240, true, false);
  bool found = false;
  for (const Vertex2D& q : m_quads)
    if (q.y == 5.0f && q.x == 5.0f) {
      EXPECT_EQ(q.color >> 24, 127u);
      found = true;
    }
  EXPECT_TRUE(found);
}

TEST_F(ConsoleRendererTest, ABareEscapeEndsWithTheText) {
  m_console.Print(std::string("ab\033"), false);
  m_console.Print(std::string("\033[123"), false);
  m_console.Draw(0, 0, 640, 240, true, false);
  // Drawn as plain text up to the end, nothing read beyond it.
  EXPECT_EQ(m_quads.size(), 3u + 5u);
  EXPECT_EQ(m_quads[0].color, 0xFFFFFFFFu);
}

}  // namespace
