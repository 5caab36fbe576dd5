// Console.cpp - see Console.h.
#include "console/Console.h"

#include "base/Log.h"
#include "console/ColourMarkup.h"
#include "console/CommandProcessor.h"
#include "console/ConsoleDrawing.h"

#include <algorithm>
#include <cstdarg>
#include <utility>

namespace {

// The console whose output hook runs on this thread, if any; text printed
// from inside the hook is not handed back to it.
thread_local const Console* t_forwardingConsole = nullptr;

// Background and prompt colours of the open console.
constexpr float kBackgroundGreen = 0.25f;
constexpr float kBackgroundAlpha = 2.0f / 3.0f;
constexpr float kHintGrey = 0.5f;

// Calls fn(piece, endsWithNewline) for each line of text: cut at '\n' only, a
// '\n' at the very end starts no further line, an empty text is one empty line.
template <typename Fn>
void ForEachLine(std::string_view text, Fn&& fn) {
  size_t start = 0;
  for (;;) {
    size_t nl = text.find('\n', start);
    if (nl == std::string_view::npos) {
      fn(text.substr(start), false);
      return;
    }
    fn(text.substr(start, nl - start), true);
    start = nl + 1;
    if (start == text.size()) return;
  }
}

}  // namespace

Console::Console() {
  std::fill(std::begin(m_recentTimers), std::end(m_recentTimers), -1.0f);
}

Console::~Console() {
  CloseLogFile();
}

// ---------------------------------------------------------------------------
// Output

void Console::Print(const char* text, bool continueLine) {
  if (!text) text = "";
  std::unique_lock<std::mutex> lock(m_mutex);
  if (continueLine && (!m_lastPrintContinued || m_lines.empty())) AddLineLocked({});

  ForEachLine(text, [&](std::string_view piece, bool endsLine) {
    ConvertColourTags(piece, m_convertScratch);
    if (continueLine) {
      // Stream mode: the last line is always the one being written, so a
      // piece with several lines fills it and starts new ones.
      WriteLogLocked(m_convertScratch, false, endsLine);
      m_lines.back() += m_convertScratch;
      if (endsLine) AddLineLocked({});
    } else {
      WriteLogLocked(m_convertScratch, true, true);
      AddLineLocked(m_convertScratch);
    }
  });
  if (m_logFile) fflush(m_logFile);
  m_lastPrintContinued = continueLine;
  ForwardOutputLocked(lock, text, continueLine);
}

void Console::Printf(const char* format, ...) {
  char buf[kFormatBufferSize];
  va_list args;
  va_start(args, format);
  FormatBounded(buf, sizeof(buf), format, args);
  va_end(args);
  Print(buf, false);
}

void Console::AddLineLocked(std::string_view line) {
  if (m_lines.size() >= kConsoleMaxLines) {
    // The oldest line goes; its storage is reused for the new one.
    std::string recycled = std::move(m_lines.front());
    m_lines.pop_front();
    recycled.assign(line);
    m_lines.push_back(std::move(recycled));
    // A scrolled view keeps its lines; one whose bottom line went moves on to
    // the next (the anchor never drops below 1 while lines exist).
    if (m_scrollAnchor > 1) --m_scrollAnchor;
  } else {
    m_lines.emplace_back(line);
  }
  std::copy_backward(std::begin(m_recentTimers), std::end(m_recentTimers) - 1,
                     std::end(m_recentTimers));
  m_recentTimers[0] = 0.0f;
}

void Console::WriteLogLocked(std::string_view piece, bool newLine, bool endLine) {
  if (!m_logFile) return;
  // A whole line after a streamed one that never got its '\n' starts afresh.
  if (newLine && m_logLineOpen) fputc('\n', m_logFile);
  StripColourEscapes(piece, m_stripScratch);
  fwrite(m_stripScratch.data(), 1, m_stripScratch.size(), m_logFile);
  if (endLine) fputc('\n', m_logFile);
  m_logLineOpen = !endLine;
}

void Console::ForwardOutputLocked(std::unique_lock<std::mutex>& lock, const char* text,
                                  bool continueLine) {
  if (!m_outputHook || t_forwardingConsole == this) return;
  if (m_forwarding) {
    // Another thread is in the hook; it passes this text on after its own.
    m_pendingOutput.push_back({text, continueLine});
    return;
  }
  m_forwarding = true;
  const Console* previous = t_forwardingConsole;
  t_forwardingConsole = this;
  ConsoleOutputHook hook = m_outputHook;
  void* userData = m_outputHookUserData;
  lock.unlock();
  hook(text, continueLine, userData);
  lock.lock();
  while (!m_pendingOutput.empty()) {
    PendingOutput item = std::move(m_pendingOutput.front());
    m_pendingOutput.pop_front();
    hook = m_outputHook;
    userData = m_outputHookUserData;
    if (!hook) continue;
    lock.unlock();
    hook(item.text.c_str(), item.continueLine, userData);
    lock.lock();
  }
  t_forwardingConsole = previous;
  m_forwarding = false;
}

void Console::AddNotice(std::string_view text) {
  std::lock_guard<std::mutex> lock(m_mutex);
  ForEachLine(text, [&](std::string_view piece, bool) {
    if (m_notices.size() < kConsoleMaxNotices) m_notices.push_back(ConvertColourTags(piece));
  });
}

void Console::AddNoticef(const char* format, ...) {
  char buf[kFormatBufferSize];
  va_list args;
  va_start(args, format);
  FormatBounded(buf, sizeof(buf), format, args);
  va_end(args);
  AddNotice(buf);
}

// ---------------------------------------------------------------------------
// Log file and hooks

bool Console::OpenLogFile(const std::string& path) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_logFile) {
    if (m_logLineOpen) fputc('\n', m_logFile);
    fclose(m_logFile);
    m_logFile = nullptr;
  }
  m_logLineOpen = false;
  if (path.empty()) return true;
  m_logFile = fopen(path.c_str(), "w");
  return m_logFile != nullptr;
}

void Console::CloseLogFile() {
  OpenLogFile(std::string());
}

bool Console::IsLogFileOpen() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_logFile != nullptr;
}

void Console::SetOutputHook(ConsoleOutputHook hook, void* userData) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_outputHook = hook;
  m_outputHookUserData = userData;
}

void Console::SetCommandProcessor(CommandProcessor* processor) {
  m_processor = processor;
}

void Console::SetDrawing(ConsoleDrawing* drawing) {
  if (m_drawing && m_drawing != drawing) m_drawing->ReleaseFont();
  m_drawing = drawing;
}

void Console::LoadFont() {
  if (!m_drawing) return;
  m_drawing->ReleaseFont();
  m_drawing->LoadFont(kConsoleFontPath);
}

void Console::ReleaseFont() {
  if (m_drawing) m_drawing->ReleaseFont();
}

// ---------------------------------------------------------------------------
// Commands and input

int Console::Execute(std::string_view text, bool echo) {
  int result = -1;
  ForEachLine(text, [&](std::string_view line, bool) {
    if (echo) Printf("[grey] ] [white]%.*s", static_cast<int>(line.size()), line.data());
    result = m_processor ? m_processor->Execute(line, false) : -1;
  });
  return m_processor ? result : -1;
}

void Console::ResetBlink() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_cursorVisible = true;
  m_blinkTimer = 0.0f;
}

void Console::UpdateCompletion() {
  if (!m_processor) return;
  m_completionHint.clear();
  if (m_input.empty() || m_input.find(' ') != std::string::npos) return;
  std::vector<std::string> names;
  if (m_processor->Complete(m_input, names) <= 0 || names.empty()) return;
  const std::string& match = names.front();
  m_completionText = match;
  // The name as the user typed it, followed by the rest in its own case.
  if (match.size() >= m_input.size()) m_completionHint = m_input + match.substr(m_input.size());
}

void Console::OnChar(int character) {
  if (character == '`' || character == 27) return;
  if (character == '\n' || character == '\r') {
    if (!m_input.empty()) {
      std::string line = m_input;
      if (m_processor) {
        Printf("[grey] ] [white]%s", line.c_str());
        m_processor->Execute(line, true);
      }
      bool recalled = m_historyCursor >= 0 &&
                      static_cast<size_t>(m_historyCursor) < m_history.size() &&
                      m_history[m_historyCursor] == line;
      if (!recalled) {
        m_history.insert(m_history.begin(), std::move(line));
        if (m_history.size() > kConsoleMaxHistory) m_history.pop_back();
      }
      m_historyCursor = -1;
      m_input.clear();
      m_completionHint.clear();
      m_cursor = 0;
    }
  } else if (character == '\b') {
    if (m_cursor > 0) {
      m_input.erase(static_cast<size_t>(m_cursor - 1), 1);
      UpdateCompletion();
      --m_cursor;
    }
  } else if (character == '\t') {
    if (!m_completionHint.empty()) {
      m_input = m_completionText.substr(0, kConsoleMaxInput);
      m_completionHint.clear();
      m_cursor = static_cast<int>(m_input.size());
    }
  } else {
    // Only printable single-byte characters fit the line; a NUL would cut it
    // and other control codes draw as garbage.
    if (character < 32 || character == 127 || character > 255) return;
    if (m_input.size() >= kConsoleMaxInput) return;
    m_input.insert(m_input.begin() + m_cursor, static_cast<char>(character));
    UpdateCompletion();
    ++m_cursor;
  }
  ResetBlink();
}

void Console::ScrollUpLocked() {
  if (m_followOutput) {
    m_followOutput = false;
    m_scrollAnchor = m_lines.size();
  }
  // The oldest line may reach the bottom of the view, no further.
  for (int i = 0; i < kConsolePageLines && m_scrollAnchor > 1; ++i) --m_scrollAnchor;
}

void Console::ScrollDownLocked() {
  if (m_followOutput || m_scrollAnchor >= m_lines.size()) {
    m_followOutput = true;
    return;
  }
  for (int i = 0; i < kConsolePageLines; ++i) {
    if (++m_scrollAnchor >= m_lines.size()) {
      m_followOutput = true;
      return;
    }
  }
}

void Console::OnKey(ConsoleKey key) {
  int length = static_cast<int>(m_input.size());
  switch (key) {
    case ConsoleKey_CursorLeft:
      m_cursor = std::max(m_cursor - 1, 0);
      break;
    case ConsoleKey_CursorRight:
      m_cursor = std::min(m_cursor + 1, length);
      break;
    case ConsoleKey_HistoryOlder:
    case ConsoleKey_HistoryNewer: {
      if (m_history.empty()) break;
      int count = static_cast<int>(m_history.size());
      if (key == ConsoleKey_HistoryOlder)
        m_historyCursor = m_historyCursor < 0 ? 0 : (m_historyCursor + 1) % count;
      else
        m_historyCursor = m_historyCursor < 0 ? count - 1 : (m_historyCursor + count - 1) % count;
      m_input = m_history[m_historyCursor];
      UpdateCompletion();
      m_cursor = static_cast<int>(m_input.size());
      break;
    }
    case ConsoleKey_PageUp: {
      std::lock_guard<std::mutex> lock(m_mutex);
      ScrollUpLocked();
      break;
    }
    case ConsoleKey_PageDown: {
      std::lock_guard<std::mutex> lock(m_mutex);
      ScrollDownLocked();
      break;
    }
    case ConsoleKey_Home:
      m_cursor = 0;
      break;
    case ConsoleKey_End:
      m_cursor = length;
      break;
    case ConsoleKey_ClearLine:
      m_input.clear();
      m_cursor = 0;
      UpdateCompletion();
      break;
    case ConsoleKey_Delete:
      if (m_cursor < length) {
        m_input.erase(static_cast<size_t>(m_cursor), 1);
        UpdateCompletion();
      }
      break;
  }
  ResetBlink();
}

// ---------------------------------------------------------------------------
// State and animation

void Console::SetOpen(bool open, bool animate) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!animate) {
    m_state = open ? ConsoleState_Open : ConsoleState_Closed;
    return;
  }
  if (open && (m_state == ConsoleState_Closed || m_state == ConsoleState_Closing))
    m_state = ConsoleState_Opening;
  else if (!open && (m_state == ConsoleState_Open || m_state == ConsoleState_Opening))
    m_state = ConsoleState_Closing;
}

ConsoleState Console::GetState() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_state;
}

float Console::GetOpenFraction() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_openFraction;
}

bool Console::IsCursorVisible() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_cursorVisible;
}

void Console::Update(float deltaSeconds) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (float& timer : m_recentTimers) {
    if (timer >= 0.0f) {
      timer += deltaSeconds;
      if (timer >= kConsoleRecentSeconds) timer = -1.0f;
    }
  }
  if (m_state == ConsoleState_Opening) {
    m_openFraction += deltaSeconds * kConsoleOpenSpeed;
    if (m_openFraction >= 1.0f) {
      m_openFraction = 1.0f;
      m_state = ConsoleState_Open;
    }
  } else if (m_state == ConsoleState_Closing) {
    m_openFraction -= deltaSeconds * kConsoleOpenSpeed;
    if (m_openFraction <= 0.0f) {
      m_openFraction = 0.0f;
      m_state = ConsoleState_Closed;
    }
  }
  if (m_state != ConsoleState_Closed) {
    m_blinkTimer += deltaSeconds;
    if (m_blinkTimer >= kConsoleBlinkSeconds) {
      m_cursorVisible = !m_cursorVisible;
      m_blinkTimer = 0.0f;
    }
  }
}

// ---------------------------------------------------------------------------
// Snapshots

size_t Console::GetLineCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_lines.size();
}

std::string Console::GetLine(size_t index) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return index < m_lines.size() ? m_lines[index] : std::string();
}

std::vector<std::string> Console::GetLines() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return std::vector<std::string>(m_lines.begin(), m_lines.end());
}

std::vector<std::string> Console::GetNotices() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_notices;
}

bool Console::IsFollowingOutput() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_followOutput;
}

int Console::GetScrollOffset() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_followOutput ? 0 : static_cast<int>(m_lines.size() - m_scrollAnchor);
}

// ---------------------------------------------------------------------------
// Drawing

void Console::DrawColouredText(std::string_view text, int x, int y, float red, float green,
                               float blue, float alpha) {
  // The caller's colour holds until the first escape.
  ForEachColourRun(text, kColourWhite, [&](std::string_view run, uint32_t colour) {
    if (run.data() == text.data())
      m_drawing->DrawText(run, x, y, red, green, blue, alpha);
    else
      m_drawing->DrawText(run, x, y, ColourRed(colour), ColourGreen(colour), ColourBlue(colour),
                          alpha);
    x += m_drawing->GetTextWidth(run);
  });
}

void Console::Draw(int x, int y, int width, int height, bool showRecent, bool drawNotices) {
  const int x2 = x + width;
  const int y2 = y + height;
  const bool drawable = m_drawing && m_drawing->HasFont();
  const int fontHeight = drawable ? m_drawing->GetFontHeight() : 0;
  // Take what is to be drawn under the lock and draw without it: drawing may
  // log, and logging prints here.
  const DrawSnapshot shot = TakeDrawSnapshot(y, y2, fontHeight, showRecent, drawNotices, drawable);
  if (!drawable) return;
  DrawOverlay(shot, x, y, x2, fontHeight);
  if (shot.state == ConsoleState_Closed) return;
  DrawPanel(shot, x, y, x2, y2, fontHeight);
  DrawPanelText(shot, x, y2, fontHeight);
}

Console::DrawSnapshot Console::TakeDrawSnapshot(int y, int y2, int fontHeight, bool showRecent,
                                                bool drawNotices, bool drawable) {
  DrawSnapshot shot;
  std::lock_guard<std::mutex> lock(m_mutex);
  shot.state = m_state;
  shot.fraction = m_openFraction;
  shot.cursorVisible = m_cursorVisible;
  const size_t lineCount = m_lines.size();
  shot.lineCount = lineCount;
  shot.scrollOffset = m_followOutput ? 0 : static_cast<int>(lineCount - m_scrollAnchor);
  if (drawNotices)
    shot.notices.swap(m_notices);
  else
    m_notices.clear();
  if (drawable && shot.state != ConsoleState_Open && showRecent) {
    size_t count = 0;
    while (count < kConsoleRecentLines && m_recentTimers[count] >= 0.0f) ++count;
    count = std::min(count, lineCount);
    for (size_t k = 0; k < count; ++k) shot.recent.push_back(m_lines[lineCount - 1 - k]);
  }
  if (drawable && shot.state != ConsoleState_Closed && fontHeight > 0) {
    size_t next = m_followOutput ? lineCount : m_scrollAnchor;
    for (int lineY = y2 - 2 * fontHeight - 5; next > 0 && lineY > y; lineY -= fontHeight)
      shot.visible.push_back(m_lines[--next]);
  }
  return shot;
}

void Console::DrawOverlay(const DrawSnapshot& shot, int x, int y, int x2, int fontHeight) {
  if (shot.recent.empty() && shot.notices.empty()) return;
  m_drawing->BeginFont();
  const int count = static_cast<int>(shot.recent.size());
  for (int k = 0; k < count; ++k)
    DrawColouredText(shot.recent[k], x + 5, y + 5 + (count - 1 - k) * fontHeight, 1.0f, 1.0f, 1.0f,
                     1.0f - shot.fraction);
  for (size_t i = 0; i < shot.notices.size(); ++i) {
    int w = m_drawing->GetTextWidth(StripColourEscapes(shot.notices[i]));
    DrawColouredText(shot.notices[i], x2 - 5 - w, y + 5 + static_cast<int>(i) * fontHeight, 1.0f,
                     1.0f, 1.0f, 1.0f);
  }
  m_drawing->EndFont();
}

void Console::DrawPanel(const DrawSnapshot& shot, int x, int y, int x2, int y2, int fontHeight) {
  const float fraction = shot.fraction;
  m_drawing->BeginQuads();
  m_drawing->DrawRectangle(x, y, x2, y2, 0.0f, kBackgroundGreen, 0.0f, fraction * kBackgroundAlpha);
  m_drawing->DrawRectangle(x, y2 - 1, x2, y2, 1.0f, 1.0f, 1.0f, fraction);
  if (shot.cursorVisible) {
    const int inputX = x + 5 + m_drawing->GetTextWidth(kConsolePrompt);
    int cx = inputX + m_drawing->GetTextWidth(
                          std::string_view(m_input).substr(0, static_cast<size_t>(m_cursor)));
    m_drawing->DrawRectangle(cx, y2 - fontHeight - 7, cx + 2, y2 - 7, 1.0f, 1.0f, 1.0f, fraction);
  }
  if (shot.lineCount > 1) {
    m_drawing->DrawRectangle(x2 - 10, y + 5, x2 - 5, y + 6, 1.0f, 1.0f, 1.0f, fraction);
    m_drawing->DrawRectangle(x2 - 10, y2 - 6, x2 - 5, y2 - 5, 1.0f, 1.0f, 1.0f, fraction);
    const int range = (y2 - y) - 17;
    const int top =
        y + 5 + range - range * shot.scrollOffset / static_cast<int>(shot.lineCount - 1);
    m_drawing->DrawRectangle(x2 - 8, top, x2 - 7, top + 7, 1.0f, 1.0f, 1.0f, fraction);
  }
  m_drawing->EndQuads();
}

void Console::DrawPanelText(const DrawSnapshot& shot, int x, int y2, int fontHeight) {
  const float fraction = shot.fraction;
  const int textY = y2 - fontHeight - 5;
  const int inputX = x + 5 + m_drawing->GetTextWidth(kConsolePrompt);
  m_drawing->BeginFont();
  DrawColouredText(kConsolePrompt, x + 5, textY, 1.0f, 0.5f, 0.25f, fraction);
  if (!m_completionHint.empty())
    DrawColouredText(m_completionHint, inputX, textY, kHintGrey, kHintGrey, kHintGrey, fraction);
  DrawColouredText(m_input, inputX, textY, 1.0f, 1.0f, 1.0f, fraction);
  int lineY = y2 - 2 * fontHeight - 5;
  for (const std::string& line : shot.visible) {
    DrawColouredText(line, x + 5, lineY, 1.0f, 1.0f, 1.0f, fraction);
    lineY -= fontHeight;
  }
  m_drawing->EndFont();
}
