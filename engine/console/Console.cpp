// Console.cpp - see Console.h.
#include "console/Console.h"

#include "console/ColourMarkup.h"
#include "console/CommandProcessor.h"
#include "core/Log.h"

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
  std::fill(std::begin(recentTimers_), std::end(recentTimers_), -1.0f);
}

Console::~Console() {
  CloseLogFile();
}

// ---------------------------------------------------------------------------
// Output

void Console::Print(const char* text, bool continueLine) {
  if (!text) text = "";
  std::unique_lock<std::mutex> lock(mutex_);
  if (continueLine && (!lastPrintContinued_ || lines_.empty())) AddLineLocked({});

  ForEachLine(text, [&](std::string_view piece, bool endsLine) {
    ConvertColourTags(piece, convertScratch_);
    if (continueLine) {
      // Stream mode: the last line is always the one being written, so a
      // piece with several lines fills it and starts new ones.
      WriteLogLocked(convertScratch_, false, endsLine);
      lines_.back() += convertScratch_;
      if (endsLine) AddLineLocked({});
    } else {
      WriteLogLocked(convertScratch_, true, true);
      AddLineLocked(convertScratch_);
    }
  });
  if (logFile_) fflush(logFile_);
  lastPrintContinued_ = continueLine;
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
  if (lines_.size() >= kConsoleMaxLines) {
    // The oldest line goes; its storage is reused for the new one.
    std::string recycled = std::move(lines_.front());
    lines_.pop_front();
    recycled.assign(line);
    lines_.push_back(std::move(recycled));
    // A scrolled view keeps its lines; one whose bottom line went moves on to
    // the next (the anchor never drops below 1 while lines exist).
    if (scrollAnchor_ > 1) --scrollAnchor_;
  } else {
    lines_.emplace_back(line);
  }
  std::copy_backward(std::begin(recentTimers_), std::end(recentTimers_) - 1,
                     std::end(recentTimers_));
  recentTimers_[0] = 0.0f;
}

void Console::WriteLogLocked(std::string_view piece, bool newLine, bool endLine) {
  if (!logFile_) return;
  // A whole line after a streamed one that never got its '\n' starts afresh.
  if (newLine && logLineOpen_) fputc('\n', logFile_);
  StripColourEscapes(piece, stripScratch_);
  fwrite(stripScratch_.data(), 1, stripScratch_.size(), logFile_);
  if (endLine) fputc('\n', logFile_);
  logLineOpen_ = !endLine;
}

void Console::ForwardOutputLocked(std::unique_lock<std::mutex>& lock, const char* text,
                                  bool continueLine) {
  if (!outputHook_ || t_forwardingConsole == this) return;
  if (forwarding_) {
    // Another thread is in the hook; it passes this text on after its own.
    pendingOutput_.push_back({text, continueLine});
    return;
  }
  forwarding_ = true;
  const Console* previous = t_forwardingConsole;
  t_forwardingConsole = this;
  ConsoleOutputHook hook = outputHook_;
  void* userData = outputHookUserData_;
  lock.unlock();
  hook(text, continueLine, userData);
  lock.lock();
  while (!pendingOutput_.empty()) {
    PendingOutput item = std::move(pendingOutput_.front());
    pendingOutput_.pop_front();
    hook = outputHook_;
    userData = outputHookUserData_;
    if (!hook) continue;
    lock.unlock();
    hook(item.text.c_str(), item.continueLine, userData);
    lock.lock();
  }
  t_forwardingConsole = previous;
  forwarding_ = false;
}

void Console::AddNotice(std::string_view text) {
  std::lock_guard<std::mutex> lock(mutex_);
  ForEachLine(text, [&](std::string_view piece, bool) {
    if (notices_.size() < kConsoleMaxNotices) notices_.push_back(ConvertColourTags(piece));
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
  std::lock_guard<std::mutex> lock(mutex_);
  if (logFile_) {
    if (logLineOpen_) fputc('\n', logFile_);
    fclose(logFile_);
    logFile_ = nullptr;
  }
  logLineOpen_ = false;
  if (path.empty()) return true;
  logFile_ = fopen(path.c_str(), "w");
  return logFile_ != nullptr;
}

void Console::CloseLogFile() {
  OpenLogFile(std::string());
}

bool Console::IsLogFileOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return logFile_ != nullptr;
}

void Console::SetOutputHook(ConsoleOutputHook hook, void* userData) {
  std::lock_guard<std::mutex> lock(mutex_);
  outputHook_ = hook;
  outputHookUserData_ = userData;
}

void Console::SetCommandProcessor(CommandProcessor* processor) {
  processor_ = processor;
}

// ---------------------------------------------------------------------------
// Commands and input

int Console::Execute(std::string_view text, bool echo) {
  int result = -1;
  ForEachLine(text, [&](std::string_view line, bool) {
    if (echo) Printf("[grey] ] [white]%.*s", static_cast<int>(line.size()), line.data());
    result = processor_ ? processor_->Execute(line, false) : -1;
  });
  return processor_ ? result : -1;
}

void Console::ResetBlink() {
  std::lock_guard<std::mutex> lock(mutex_);
  cursorVisible_ = true;
  blinkTimer_ = 0.0f;
}

void Console::UpdateCompletion() {
  if (!processor_) return;
  completionHint_.clear();
  if (input_.empty() || input_.find(' ') != std::string::npos) return;
  std::vector<std::string> names;
  if (processor_->Complete(input_, names) <= 0 || names.empty()) return;
  const std::string& match = names.front();
  completionText_ = match;
  // The name as the user typed it, followed by the rest in its own case.
  if (match.size() >= input_.size()) completionHint_ = input_ + match.substr(input_.size());
}

void Console::OnChar(int character) {
  if (character == '`' || character == 27) return;
  if (character == '\n' || character == '\r') {
    if (!input_.empty()) {
      std::string line = input_;
      if (processor_) {
        Printf("[grey] ] [white]%s", line.c_str());
        processor_->Execute(line, true);
      }
      bool recalled = historyCursor_ >= 0 &&
                      static_cast<size_t>(historyCursor_) < history_.size() &&
                      history_[historyCursor_] == line;
      if (!recalled) {
        history_.insert(history_.begin(), std::move(line));
        if (history_.size() > kConsoleMaxHistory) history_.pop_back();
      }
      historyCursor_ = -1;
      input_.clear();
      completionHint_.clear();
      cursor_ = 0;
    }
  } else if (character == '\b') {
    if (cursor_ > 0) {
      input_.erase(static_cast<size_t>(cursor_ - 1), 1);
      UpdateCompletion();
      --cursor_;
    }
  } else if (character == '\t') {
    if (!completionHint_.empty()) {
      input_ = completionText_.substr(0, kConsoleMaxInput);
      completionHint_.clear();
      cursor_ = static_cast<int>(input_.size());
    }
  } else {
    // Only printable single-byte characters fit the line; a NUL would cut it
    // and other control codes draw as garbage.
    if (character < 32 || character == 127 || character > 255) return;
    if (input_.size() >= kConsoleMaxInput) return;
    input_.insert(input_.begin() + cursor_, static_cast<char>(character));
    UpdateCompletion();
    ++cursor_;
  }
  ResetBlink();
}

void Console::ScrollUpLocked() {
  if (followOutput_) {
    followOutput_ = false;
    scrollAnchor_ = lines_.size();
  }
  // The oldest line may reach the bottom of the view, no further.
  for (int i = 0; i < kConsolePageLines && scrollAnchor_ > 1; ++i) --scrollAnchor_;
}

void Console::ScrollDownLocked() {
  if (followOutput_ || scrollAnchor_ >= lines_.size()) {
    followOutput_ = true;
    return;
  }
  for (int i = 0; i < kConsolePageLines; ++i) {
    if (++scrollAnchor_ >= lines_.size()) {
      followOutput_ = true;
      return;
    }
  }
}

void Console::OnKey(ConsoleKey key) {
  int length = static_cast<int>(input_.size());
  switch (key) {
    case ConsoleKey_CursorLeft:
      cursor_ = std::max(cursor_ - 1, 0);
      break;
    case ConsoleKey_CursorRight:
      cursor_ = std::min(cursor_ + 1, length);
      break;
    case ConsoleKey_HistoryOlder:
    case ConsoleKey_HistoryNewer: {
      if (history_.empty()) break;
      int count = static_cast<int>(history_.size());
      if (key == ConsoleKey_HistoryOlder)
        historyCursor_ = historyCursor_ < 0 ? 0 : (historyCursor_ + 1) % count;
      else
        historyCursor_ = historyCursor_ < 0 ? count - 1 : (historyCursor_ + count - 1) % count;
      input_ = history_[historyCursor_];
      UpdateCompletion();
      cursor_ = static_cast<int>(input_.size());
      break;
    }
    case ConsoleKey_PageUp: {
      std::lock_guard<std::mutex> lock(mutex_);
      ScrollUpLocked();
      break;
    }
    case ConsoleKey_PageDown: {
      std::lock_guard<std::mutex> lock(mutex_);
      ScrollDownLocked();
      break;
    }
    case ConsoleKey_Home:
      cursor_ = 0;
      break;
    case ConsoleKey_End:
      cursor_ = length;
      break;
    case ConsoleKey_ClearLine:
      input_.clear();
      cursor_ = 0;
      UpdateCompletion();
      break;
    case ConsoleKey_Delete:
      if (cursor_ < length) {
        input_.erase(static_cast<size_t>(cursor_), 1);
        UpdateCompletion();
      }
      break;
  }
  ResetBlink();
}

// ---------------------------------------------------------------------------
// State and animation

void Console::SetOpen(bool open, bool animate) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!animate) {
    state_ = open ? ConsoleState_Open : ConsoleState_Closed;
    return;
  }
  if (open && (state_ == ConsoleState_Closed || state_ == ConsoleState_Closing))
    state_ = ConsoleState_Opening;
  else if (!open && (state_ == ConsoleState_Open || state_ == ConsoleState_Opening))
    state_ = ConsoleState_Closing;
}

ConsoleState Console::GetState() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

float Console::GetOpenFraction() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return openFraction_;
}

bool Console::IsCursorVisible() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return cursorVisible_;
}

void Console::Update(float deltaSeconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (float& timer : recentTimers_) {
    if (timer >= 0.0f) {
      timer += deltaSeconds;
      if (timer >= kConsoleRecentSeconds) timer = -1.0f;
    }
  }
  if (state_ == ConsoleState_Opening) {
    openFraction_ += deltaSeconds * kConsoleOpenSpeed;
    if (openFraction_ >= 1.0f) {
      openFraction_ = 1.0f;
      state_ = ConsoleState_Open;
    }
  } else if (state_ == ConsoleState_Closing) {
    openFraction_ -= deltaSeconds * kConsoleOpenSpeed;
    if (openFraction_ <= 0.0f) {
      openFraction_ = 0.0f;
      state_ = ConsoleState_Closed;
    }
  }
  if (state_ != ConsoleState_Closed) {
    blinkTimer_ += deltaSeconds;
    if (blinkTimer_ >= kConsoleBlinkSeconds) {
      cursorVisible_ = !cursorVisible_;
      blinkTimer_ = 0.0f;
    }
  }
}

// ---------------------------------------------------------------------------
// Snapshots

size_t Console::GetLineCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_.size();
}

std::string Console::GetLine(size_t index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return index < lines_.size() ? lines_[index] : std::string();
}

std::vector<std::string> Console::GetLines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::vector<std::string>(lines_.begin(), lines_.end());
}

std::vector<std::string> Console::GetNotices() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return notices_;
}

bool Console::IsFollowingOutput() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return followOutput_;
}

int Console::GetScrollOffset() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return followOutput_ ? 0 : static_cast<int>(lines_.size() - scrollAnchor_);
}

// ---------------------------------------------------------------------------
// Drawing

void Console::DrawColouredText(std::string_view text, int x, int y, float red, float green,
                               float blue, float alpha) {
  // The caller's colour holds until the first escape.
  ForEachColourRun(text, kColourWhite, [&](std::string_view run, uint32_t colour) {
    if (run.data() == text.data())
      processor_->DrawText(run, x, y, red, green, blue, alpha);
    else
      processor_->DrawText(run, x, y, ColourRed(colour), ColourGreen(colour), ColourBlue(colour),
                           alpha);
    x += processor_->GetTextWidth(run);
  });
}

void Console::Draw(int x, int y, int width, int height, bool showRecent, bool drawNotices) {
  const int x2 = x + width;
  const int y2 = y + height;
  const int fontHeight = processor_ ? processor_->GetFontHeight() : 0;

  // Take what is to be drawn under the lock and draw without it: drawing may
  // log, and logging prints here.
  ConsoleState state;
  float fraction;
  bool cursorVisible;
  std::vector<std::string> recent;  // newest first
  std::vector<std::string> notices;
  std::vector<std::string> visible;  // newest first
  size_t lineCount;
  int scrollOffset;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state = state_;
    fraction = openFraction_;
    cursorVisible = cursorVisible_;
    lineCount = lines_.size();
    scrollOffset = followOutput_ ? 0 : static_cast<int>(lineCount - scrollAnchor_);
    if (drawNotices)
      notices.swap(notices_);
    else
      notices_.clear();
    if (processor_ && state != ConsoleState_Open && showRecent) {
      size_t count = 0;
      while (count < kConsoleRecentLines && recentTimers_[count] >= 0.0f) ++count;
      count = std::min(count, lineCount);
      for (size_t k = 0; k < count; ++k) recent.push_back(lines_[lineCount - 1 - k]);
    }
    if (processor_ && state != ConsoleState_Closed && fontHeight > 0) {
      size_t next = followOutput_ ? lineCount : scrollAnchor_;
      for (int lineY = y2 - 2 * fontHeight - 5; next > 0 && lineY > y; lineY -= fontHeight)
        visible.push_back(lines_[--next]);
    }
  }
  if (!processor_) return;

  if (!recent.empty() || !notices.empty()) {
    processor_->BeginFont();
    int count = static_cast<int>(recent.size());
    for (int k = 0; k < count; ++k)
      DrawColouredText(recent[k], x + 5, y + 5 + (count - 1 - k) * fontHeight, 1.0f, 1.0f, 1.0f,
                       1.0f - fraction);
    for (size_t i = 0; i < notices.size(); ++i) {
      int w = processor_->GetTextWidth(StripColourEscapes(notices[i]));
      DrawColouredText(notices[i], x2 - 5 - w, y + 5 + static_cast<int>(i) * fontHeight, 1.0f, 1.0f,
                       1.0f, 1.0f);
    }
    processor_->EndFont();
  }
  if (state == ConsoleState_Closed) return;

  const int textY = y2 - fontHeight - 5;
  const int inputX = x + 5 + processor_->GetTextWidth(kConsolePrompt);
  processor_->BeginQuads();
  processor_->DrawRectangle(x, y, x2, y2, 0.0f, kBackgroundGreen, 0.0f,
                            fraction * kBackgroundAlpha);
  processor_->DrawRectangle(x, y2 - 1, x2, y2, 1.0f, 1.0f, 1.0f, fraction);
  if (cursorVisible) {
    int cx = inputX + processor_->GetTextWidth(
                          std::string_view(input_).substr(0, static_cast<size_t>(cursor_)));
    processor_->DrawRectangle(cx, y2 - fontHeight - 7, cx + 2, y2 - 7, 1.0f, 1.0f, 1.0f, fraction);
  }
  if (lineCount > 1) {
    processor_->DrawRectangle(x2 - 10, y + 5, x2 - 5, y + 6, 1.0f, 1.0f, 1.0f, fraction);
    processor_->DrawRectangle(x2 - 10, y2 - 6, x2 - 5, y2 - 5, 1.0f, 1.0f, 1.0f, fraction);
    const int range = height - 17;
    const int top = y + 5 + range - range * scrollOffset / static_cast<int>(lineCount - 1);
    processor_->DrawRectangle(x2 - 8, top, x2 - 7, top + 7, 1.0f, 1.0f, 1.0f, fraction);
  }
  processor_->EndQuads();

  processor_->BeginFont();
  DrawColouredText(kConsolePrompt, x + 5, textY, 1.0f, 0.5f, 0.25f, fraction);
  if (!completionHint_.empty())
    DrawColouredText(completionHint_, inputX, textY, kHintGrey, kHintGrey, kHintGrey, fraction);
  DrawColouredText(input_, inputX, textY, 1.0f, 1.0f, 1.0f, fraction);
  int lineY = y2 - 2 * fontHeight - 5;
  for (const std::string& line : visible) {
    DrawColouredText(line, x + 5, lineY, 1.0f, 1.0f, 1.0f, fraction);
    lineY -= fontHeight;
  }
  processor_->EndFont();
}
