// BootConsole.cpp - see BootConsole.h.
#include "BootConsole.h"

#include "base/StringUtil.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

struct NamedColour {
  const char* name;
  ConsoleColour colour;
};

constexpr NamedColour kColourTable[] = {
    {"white", {255, 255, 255}}, {"gray", {180, 180, 180}}, {"grey", {180, 180, 180}},
    {"red", {255, 0, 0}},       {"green", {0, 255, 0}},    {"blue", {0, 0, 255}},
    {"orange", {255, 128, 64}}, {"cyan", {0, 255, 255}},   {"purple", {255, 0, 255}},
    {"yellow", {225, 225, 0}},
};

// A tag is '[' name ']', 3 to 259 characters in all.
constexpr size_t kMinTagLength = 3;
constexpr size_t kMaxTagLength = 259;

constexpr size_t kFormatBufferSize = 2048;

// Keeps engine or script text from driving the terminal (escape sequences,
// bells, cursor moves): only line breaks and tabs pass as control characters.
void AppendSanitised(std::string& out, std::string_view text) {
  for (char ch : text) {
    unsigned char u = static_cast<unsigned char>(ch);
    out += (u < 0x20 && ch != '\n' && ch != '\t') || u == 0x7f ? '?' : ch;
  }
}

}  // namespace

bool FindConsoleColour(std::string_view name, ConsoleColour* colour) {
  for (const NamedColour& entry : kColourTable) {
    if (EqualsNoCase(name, entry.name)) {
      *colour = entry.colour;
      return true;
    }
  }
  return false;
}

std::vector<ConsolePiece> ParseConsoleText(std::string_view text, bool continueLine) {
  std::vector<ConsolePiece> pieces;
  ConsoleColour current = kConsoleWhite;
  auto emit = [&](size_t from, size_t to) {
    if (to > from) {
      pieces.push_back({std::string(text.substr(from, to - from)), current});
    }
  };

  size_t from = 0;  // start of the text not yet emitted
  size_t scan = 0;
  for (;;) {
    size_t open = text.find('[', scan);
    if (open == std::string_view::npos) {
      break;
    }
    size_t close = text.find(']', open + 1);
    ConsoleColour colour;
    if (close != std::string_view::npos) {
      size_t length = close - open + 1;
      if (length >= kMinTagLength && length <= kMaxTagLength &&
          FindConsoleColour(text.substr(open + 1, length - 2), &colour)) {
        emit(from, open);
        current = colour;
        from = scan = close + 1;
        continue;
      }
    }
    scan = open + 1;
  }
  emit(from, text.size());

  if (!continueLine && (text.empty() || text.back() != '\n')) {
    pieces.push_back({"\n", current});
  }
  return pieces;
}

BootConsole::BootConsole() : m_stream(stdout) {}

BootConsole::~BootConsole() {
  Shutdown();
}

bool BootConsole::Start(const char* title, bool visible) {
  if (m_ready.load() || IsRunning()) {
    return true;
  }
  m_title = title ? title : "";
  m_visible.store(visible);
  m_ready.store(false);
  if (!StartThread()) {
    return false;
  }
  while (!m_ready.load() && IsRunning()) {
    std::this_thread::yield();
  }
  return m_ready.load();
}

void BootConsole::Shutdown() {
  Stop();
}

void BootConsole::RequestStop() {
  // Under the lock, so that the thread cannot miss the wake-up between
  // checking the flag and going to sleep.
  std::lock_guard<std::mutex> lock(m_mutex);
  Thread::RequestStop();
  m_wake.notify_one();
}

void BootConsole::Print(const char* text, bool continueLine) {
  if (!text) {
    return;
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_ready.load()) {
    return;
  }
  m_queue.push_back({text, continueLine});
  m_wake.notify_one();
}

void BootConsole::Printf(const char* format, ...) {
  char buffer[kFormatBufferSize];
  va_list args;
  va_start(args, format);
  vsnprintf(buffer, sizeof(buffer), format, args);
  va_end(args);
  Print(buffer, false);
}

void BootConsole::Flush() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_idle.wait(lock, [this] { return (m_queue.empty() && !m_writing) || !m_ready.load(); });
}

std::string BootConsole::GetTranscript() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_transcript;
}

std::string BootConsole::GetTranscriptTail(size_t lines) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  size_t end = m_transcript.size();
  if (end > 0 && m_transcript[end - 1] == '\n') {
    --end;  // the final line break ends the last line, it does not start a new one
  }
  size_t start = end;
  size_t found = 0;
  while (start > 0) {
    if (m_transcript[start - 1] == '\n' && ++found == lines) {
      break;
    }
    --start;
  }
  return m_transcript.substr(start);
}

void BootConsole::OutputCallback(const char* text, bool continueLine, void* userData) {
  if (userData) {
    static_cast<BootConsole*>(userData)->Print(text, continueLine);
  }
}

bool BootConsole::OnStart() {
  const char* noColour = getenv("NO_COLOR");
  m_useColour = m_stream && isatty(fileno(m_stream)) && !(noColour && noColour[0]);
  std::lock_guard<std::mutex> lock(m_mutex);
  m_ready.store(true);
  return true;
}

void BootConsole::OnStop() {
  if (m_stream) {
    fflush(m_stream);
  }
}

int BootConsole::Run() {
  for (;;) {
    Entry entry;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_wake.wait(lock, [this] { return !m_queue.empty() || IsStopRequested(); });
      if (m_queue.empty()) {
        // Stopping with nothing left: later prints are dropped, none is stranded.
        m_ready.store(false);
        m_idle.notify_all();
        return 0;
      }
      entry = std::move(m_queue.front());
      m_queue.pop_front();
      m_writing = true;
    }
    Append(entry);
  }
}

void BootConsole::Append(const Entry& entry) {
  std::vector<ConsolePiece> pieces = ParseConsoleText(entry.text, entry.continueLine);

  std::string plain;
  for (const ConsolePiece& piece : pieces) {
    plain += piece.text;
  }

  if (m_stream) {
    std::string out;
    if (m_useColour) {
      const ConsolePiece* previous = nullptr;
      for (const ConsolePiece& piece : pieces) {
        if (!previous || !(previous->colour == piece.colour)) {
          char escape[32];
          snprintf(escape, sizeof(escape), "\x1b[38;2;%u;%u;%um", piece.colour.r, piece.colour.g,
                   piece.colour.b);
          out += escape;
        }
        AppendSanitised(out, piece.text);
        previous = &piece;
      }
      // Reset before the line break so that nothing else prints in our colour.
      bool lineEnds = !out.empty() && out.back() == '\n';
      if (lineEnds) {
        out.pop_back();
      }
      out += lineEnds ? "\x1b[0m\n" : "\x1b[0m";
    } else {
      AppendSanitised(out, plain);
    }
    fwrite(out.data(), 1, out.size(), m_stream);
    fflush(m_stream);
  }

  std::lock_guard<std::mutex> lock(m_mutex);
  m_transcript += plain;
  if (m_transcript.size() > kTranscriptLimit) {
    size_t cut = m_transcript.find('\n', m_transcript.size() - kTranscriptLimit);
    m_transcript.erase(0,
                       cut == std::string::npos ? m_transcript.size() - kTranscriptLimit : cut + 1);
  }
  m_writing = false;
  m_idle.notify_all();
}
