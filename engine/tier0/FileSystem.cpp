// FileSystem.cpp - the package file system over PhysFS 3.0; see FileSystem.h.
#include "tier0/FileSystem.h"

#include <physfs.h>

#include "base/Log.h"

#include <atomic>
#include <cstring>
#include <filesystem>
#include <limits>
#include <mutex>
#include <unordered_set>

namespace FileSystem {

// Owns one PHYSFS_File*; shared by all copies of the File that opened it.
struct FileHandle {
  PHYSFS_File* file = nullptr;
  ~FileHandle();
};

namespace {

std::atomic<EventHandler> g_eventHandler{nullptr};
std::atomic<void*> g_eventUserData{nullptr};
std::atomic<EndianMode> g_defaultEndian{Native};

// Every handle with an open PHYSFS_File, so that Uninit() can close them
// before PhysFS frees them under our feet. The sound worker opens and closes
// its own files, hence the lock. Never destroyed: Files with static storage
// may close after this unit's statics are gone.
struct OpenHandles {
  std::mutex lock;
  std::unordered_set<FileHandle*> set;
};
OpenHandles& Registry() {
  static OpenHandles* registry = new OpenHandles;
  return *registry;
}

// The last failure of this layer on this thread. PhysFS's own error state is
// unusable before Init() and after Uninit(), and our own refusals (closed file,
// bad mode) would otherwise leave a stale reason behind.
thread_local const char* t_lastError = nullptr;

void SetError(PHYSFS_ErrorCode code) {
  t_lastError = code == PHYSFS_ERR_OK ? nullptr : PHYSFS_getErrorByCode(code);
}
void SetError(const char* text) {
  t_lastError = text;
}
// Called right after a PhysFS call failed.
void TakePhysfsError() {
  SetError(PHYSFS_getLastErrorCode());
}

// PhysFS's nonzero-on-success result, with the reason kept on failure.
bool Succeeded(int result) {
  if (result) return true;
  TakePhysfsError();
  return false;
}

bool Ready() {
  if (PHYSFS_isInit()) return true;
  SetError(PHYSFS_ERR_NOT_INITIALIZED);
  return false;
}

std::vector<std::string> TakeList(char** list) {
  std::vector<std::string> out;
  if (!list) {
    TakePhysfsError();
    return out;
  }
  for (char** i = list; *i; ++i) out.emplace_back(*i);
  PHYSFS_freeList(list);
  return out;
}

std::string TakeString(const char* text) {
  if (!text) {
    TakePhysfsError();
    return std::string();
  }
  return text;
}

bool Stat(const std::string& path, PHYSFS_Stat* st) {
  return Ready() && Succeeded(PHYSFS_stat(path.c_str(), st));
}

uint32_t ClampSize(PHYSFS_sint64 n) {
  if (n < 0) return 0;
  if (static_cast<PHYSFS_uint64>(n) > std::numeric_limits<uint32_t>::max())
    return std::numeric_limits<uint32_t>::max();
  return static_cast<uint32_t>(n);
}

void Report(EventType type, File* file) {
  EventHandler handler = g_eventHandler.load();
  if (handler) handler(type, file, g_eventUserData.load());
}

}  // namespace

FileHandle::~FileHandle() {
  // Only reached with a file when its close failed; PhysFS keeps it in its own
  // list and deals with it at deinit.
  if (file) {
    std::lock_guard<std::mutex> lock(Registry().lock);
    Registry().set.erase(this);
  }
}

// ---------------------------------------------------------------------------
// Library state

bool Init(const char* argv0) {
  if (PHYSFS_isInit()) return true;
  if (!PHYSFS_init(argv0)) {
    TakePhysfsError();
    return false;
  }
  return true;
}

bool IsInitialized() {
  return PHYSFS_isInit() != 0;
}

bool Uninit() {
  if (!Ready()) return false;
  {
    OpenHandles& open = Registry();
    std::lock_guard<std::mutex> lock(open.lock);
    for (FileHandle* h : open.set) {
      PHYSFS_close(h->file);  // on failure PHYSFS_deinit retries and reports
      h->file = nullptr;
    }
    open.set.clear();
  }
  if (!PHYSFS_deinit()) {
    TakePhysfsError();
    return false;
  }
  return true;
}

bool SetWriteDir(const std::string& nativePath) {
  return Ready() &&
         Succeeded(PHYSFS_setWriteDir(nativePath.empty() ? nullptr : nativePath.c_str()));
}

bool AddToSearchPath(const std::string& nativePath, bool append) {
  return Ready() && Succeeded(PHYSFS_mount(nativePath.c_str(), nullptr, append ? 1 : 0));
}

bool RemoveFromSearchPath(const std::string& nativePath) {
  return Ready() && Succeeded(PHYSFS_unmount(nativePath.c_str()));
}

std::vector<std::string> GetSearchPaths() {
  if (!Ready()) return {};
  return TakeList(PHYSFS_getSearchPath());
}

void AllowSymbolicLinks(bool allow) {
  if (Ready()) PHYSFS_permitSymbolicLinks(allow ? 1 : 0);
}

bool IsDirectory(const std::string& path) {
  PHYSFS_Stat st;
  return Stat(path, &st) && st.filetype == PHYSFS_FILETYPE_DIRECTORY;
}

bool IsSymbolicLink(const std::string& path) {
  PHYSFS_Stat st;
  return Stat(path, &st) && st.filetype == PHYSFS_FILETYPE_SYMLINK;
}

bool Exists(const std::string& path) {
  return Ready() && PHYSFS_exists(path.c_str()) != 0;
}

int64_t GetLastModTime(const std::string& path) {
  PHYSFS_Stat st;
  if (!Stat(path, &st)) return -1;
  return st.modtime;
}

bool MakeDirectory(const std::string& path) {
  return Ready() && Succeeded(PHYSFS_mkdir(path.c_str()));
}

bool Delete(const std::string& path) {
  return Ready() && Succeeded(PHYSFS_delete(path.c_str()));
}

std::vector<std::string> EnumerateFiles(const std::string& path) {
  if (!Ready()) return {};
  return TakeList(PHYSFS_enumerateFiles(path.c_str()));
}

std::string GetRealDir(const std::string& path) {
  if (!Ready()) return {};
  return TakeString(PHYSFS_getRealDir(path.c_str()));
}

std::string GetBaseDir() {
  if (!Ready()) return {};
  return TakeString(PHYSFS_getBaseDir());
}

std::string GetUserDir() {
  if (!Ready()) return {};
    // Deprecated in 3.0 in favour of the per-app pref dir, which is not the same thing.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  return TakeString(PHYSFS_getUserDir());
#pragma GCC diagnostic pop
}

std::string GetWriteDir() {
  if (!Ready()) return {};
  const char* dir = PHYSFS_getWriteDir();
  return dir ? std::string(dir) : std::string();  // no write dir is not an error
}

// A constant of the platform, valid with or without the library.
std::string GetDirSeparator() {
  return PHYSFS_getDirSeparator();
}

std::vector<std::string> GetCDRomDrives() {
  if (!Ready()) return {};
  return TakeList(PHYSFS_getCdRomDirs());
}

std::string GetLastError() {
  // Reading clears it, like PhysFS's own error state.
  const char* text = t_lastError;
  t_lastError = nullptr;
  return text ? std::string(text) : std::string();
}

void SetEventHandler(EventHandler handler, void* userData) {
  g_eventUserData.store(userData);
  g_eventHandler.store(handler);
}

void SetDefaultEndianMode(EndianMode mode) {
  g_defaultEndian.store(mode);
}
EndianMode GetDefaultEndianMode() {
  return g_defaultEndian.load();
}

// ---------------------------------------------------------------------------
// File

File::File() : m_endianMode(g_defaultEndian.load()), m_fileName{}, m_mode(0) {}

File::File(const std::string& path, char mode) : File() {
  if (mode == 'r' || mode == 'w' || mode == 'a') Open(path, mode);
}

File::File(const File& other)
    : m_endianMode(other.m_endianMode), m_handle(other.m_handle), m_mode(other.m_mode) {
  std::memcpy(m_fileName, other.m_fileName, sizeof(m_fileName));
}

File& File::operator=(const File& other) {
  if (this == &other || m_handle == other.m_handle) {
    m_endianMode = other.m_endianMode;
    return *this;
  }
  // Dropping our reference: the last holder of an open handle closes it.
  if (m_handle && m_handle.use_count() == 1 && m_handle->file) Close();
  m_endianMode = other.m_endianMode;
  m_handle = other.m_handle;
  std::memcpy(m_fileName, other.m_fileName, sizeof(m_fileName));
  m_mode = other.m_mode;
  return *this;
}

File::~File() {
  if (m_handle && m_handle.use_count() == 1 && m_handle->file) Close();
}

bool File::IsValid() const {
  return m_handle && m_handle->file;
}
char File::GetMode() const {
  return IsValid() || m_closing ? m_mode : 0;
}
const char* File::GetFileName() const {
  return IsValid() || m_closing ? m_fileName : "";
}

#define KAZ_OPEN_BODY(openFunction, modeChar)              \
  if (IsValid()) {                                         \
    SetError("file already open");                         \
    return false;                                          \
  }                                                        \
  if (!Ready()) return false;                              \
  PHYSFS_File* f = openFunction(path.c_str());             \
  if (!f) {                                                \
    TakePhysfsError();                                     \
    return false;                                          \
  }                                                        \
  auto handle = std::make_shared<FileHandle>();            \
  handle->file = f;                                        \
  {                                                        \
    std::lock_guard<std::mutex> lock(Registry().lock);     \
    Registry().set.insert(handle.get());                   \
  }                                                        \
  m_handle = std::move(handle);                            \
  std::strncpy(m_fileName, path.c_str(), kMaxFilenameStr); \
  m_fileName[kMaxFilenameStr] = '\0';                      \
  m_mode = modeChar;                                       \
  Report(FileOpened, this);                                \
  return true;

bool File::OpenReadAsIs(const std::string& path) {
  KAZ_OPEN_BODY(PHYSFS_openRead, 'r')
}

// A file inside an archive has the length the archive's directory declares,
// and readers allocate that much before they read. An entry that claims more
// than its archive could inflate to (deflate stops near 1032:1) is refused.
bool File::OpenRead(const std::string& path) {
  if (!OpenReadAsIs(path)) return false;
  const char* container = PHYSFS_getRealDir(path.c_str());
  std::error_code error;
  if (!container || !std::filesystem::is_regular_file(container, error)) return true;
  const uint64_t archiveBytes = std::filesystem::file_size(container, error);
  const PHYSFS_sint64 declared = PHYSFS_fileLength(m_handle->file);
  constexpr uint64_t kMaxInflateRatio = 1032, kSlack = 4096;
  if (error || declared < 0 || uint64_t(declared) <= archiveBytes * kMaxInflateRatio + kSlack)
    return true;
  LogWarning("FileSystem: '%s' in '%s' declares %lld bytes, more than the archive holds; not read.",
             path.c_str(), container, static_cast<long long>(declared));
  Close();
  SetError("declared length larger than its archive can hold");
  return false;
}
bool File::OpenWrite(const std::string& path) {
  KAZ_OPEN_BODY(PHYSFS_openWrite, 'w')
}
bool File::OpenAppend(const std::string& path) {
  KAZ_OPEN_BODY(PHYSFS_openAppend, 'a')
}

#undef KAZ_OPEN_BODY

bool File::Open(const std::string& path, char mode) {
  switch (mode) {
    case 'a':
      return OpenAppend(path);
    case 'r':
      return OpenRead(path);
    case 'w':
      return OpenWrite(path);
    default:
      SetError(PHYSFS_ERR_INVALID_ARGUMENT);
      return false;
  }
}

bool File::Close() {
  if (!m_handle) {
    SetError("file not open");
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(Registry().lock);
    if (!m_handle->file) {
      SetError("file not open");
      return false;
    }
    if (!PHYSFS_close(m_handle->file)) {
      TakePhysfsError();
      return false;
    }
    Registry().set.erase(m_handle.get());
    m_handle->file = nullptr;
  }
  m_closing = true;
  Report(FileClosed, this);
  m_closing = false;
  m_fileName[0] = '\0';
  m_mode = 0;
  return true;
}

// Each of these yields the open PHYSFS_File* or records why there is none.
#define KAZ_FILE_OR(failValue) \
  if (!IsValid()) {            \
    SetError("file not open"); \
    return failValue;          \
  }                            \
  PHYSFS_File* f = m_handle->file;

uint32_t File::GetLength() const {
  KAZ_FILE_OR(0)
  PHYSFS_sint64 n = PHYSFS_fileLength(f);
  if (n < 0) TakePhysfsError();
  return ClampSize(n);
}

uint32_t File::Tell() const {
  KAZ_FILE_OR(0)
  PHYSFS_sint64 n = PHYSFS_tell(f);
  if (n < 0) TakePhysfsError();
  return ClampSize(n);
}

bool File::Seek(uint32_t position) {
  KAZ_FILE_OR(false)
  if (!PHYSFS_seek(f, position)) {
    TakePhysfsError();
    return false;
  }
  return true;
}

bool File::EndOfFile() const {
  KAZ_FILE_OR(false)
  return PHYSFS_eof(f) != 0;
}

bool File::Flush() {
  KAZ_FILE_OR(false)
  if (!PHYSFS_flush(f)) {
    TakePhysfsError();
    return false;
  }
  return true;
}

uint32_t File::Read(void* buffer, uint32_t size) {
  KAZ_FILE_OR(0)
  if (size == 0) return 0;
  if (!buffer) {
    SetError(PHYSFS_ERR_INVALID_ARGUMENT);
    return 0;
  }
  PHYSFS_sint64 n = PHYSFS_readBytes(f, buffer, size);
  if (n < 0) TakePhysfsError();
  return ClampSize(n);
}

uint32_t File::Write(const void* buffer, uint32_t size) {
  KAZ_FILE_OR(0)
  if (size == 0) return 0;
  if (!buffer) {
    SetError(PHYSFS_ERR_INVALID_ARGUMENT);
    return 0;
  }
  PHYSFS_sint64 n = PHYSFS_writeBytes(f, buffer, size);
  if (n < 0) TakePhysfsError();
  return ClampSize(n);
}

// Typed reads and writes: raw bytes for Native, PhysFS's converting helpers
// for Little and Big.
#define KAZ_TYPED_READ(Name, Type, PhysType, LeFunction, BeFunction) \
  bool File::Name(Type* value) {                                     \
    KAZ_FILE_OR(false)                                               \
    if (!value) {                                                    \
      SetError(PHYSFS_ERR_INVALID_ARGUMENT);                         \
      return false;                                                  \
    }                                                                \
    PhysType v = 0;                                                  \
    int ok = 0;                                                      \
    switch (m_endianMode) {                                          \
      case Native:                                                   \
        ok = PHYSFS_readBytes(f, &v, sizeof(v)) == sizeof(v);        \
        break;                                                       \
      case Little:                                                   \
        ok = LeFunction(f, &v);                                      \
        break;                                                       \
      case Big:                                                      \
        ok = BeFunction(f, &v);                                      \
        break;                                                       \
      default:                                                       \
        SetError(PHYSFS_ERR_INVALID_ARGUMENT);                       \
        return false;                                                \
    }                                                                \
    if (!ok) {                                                       \
      TakePhysfsError();                                             \
      return false;                                                  \
    }                                                                \
    *value = static_cast<Type>(v);                                   \
    return true;                                                     \
  }

#define KAZ_TYPED_WRITE(Name, Type, PhysType, LeFunction, BeFunction) \
  bool File::Name(Type value) {                                       \
    KAZ_FILE_OR(false)                                                \
    PhysType v = static_cast<PhysType>(value);                        \
    int ok = 0;                                                       \
    switch (m_endianMode) {                                           \
      case Native:                                                    \
        ok = PHYSFS_writeBytes(f, &v, sizeof(v)) == sizeof(v);        \
        break;                                                        \
      case Little:                                                    \
        ok = LeFunction(f, v);                                        \
        break;                                                        \
      case Big:                                                       \
        ok = BeFunction(f, v);                                        \
        break;                                                        \
      default:                                                        \
        SetError(PHYSFS_ERR_INVALID_ARGUMENT);                        \
        return false;                                                 \
    }                                                                 \
    if (!ok) TakePhysfsError();                                       \
    return ok != 0;                                                   \
  }

KAZ_TYPED_READ(ReadInt16, int16_t, PHYSFS_sint16, PHYSFS_readSLE16, PHYSFS_readSBE16)
KAZ_TYPED_READ(ReadInt32, int32_t, PHYSFS_sint32, PHYSFS_readSLE32, PHYSFS_readSBE32)
KAZ_TYPED_READ(ReadInt64, int64_t, PHYSFS_sint64, PHYSFS_readSLE64, PHYSFS_readSBE64)
KAZ_TYPED_READ(ReadUInt16, uint16_t, PHYSFS_uint16, PHYSFS_readULE16, PHYSFS_readUBE16)
KAZ_TYPED_READ(ReadUInt32, uint32_t, PHYSFS_uint32, PHYSFS_readULE32, PHYSFS_readUBE32)
KAZ_TYPED_READ(ReadUInt64, uint64_t, PHYSFS_uint64, PHYSFS_readULE64, PHYSFS_readUBE64)
KAZ_TYPED_WRITE(WriteInt16, int16_t, PHYSFS_sint16, PHYSFS_writeSLE16, PHYSFS_writeSBE16)
KAZ_TYPED_WRITE(WriteInt32, int32_t, PHYSFS_sint32, PHYSFS_writeSLE32, PHYSFS_writeSBE32)
KAZ_TYPED_WRITE(WriteInt64, int64_t, PHYSFS_sint64, PHYSFS_writeSLE64, PHYSFS_writeSBE64)
KAZ_TYPED_WRITE(WriteUInt16, uint16_t, PHYSFS_uint16, PHYSFS_writeULE16, PHYSFS_writeUBE16)
KAZ_TYPED_WRITE(WriteUInt32, uint32_t, PHYSFS_uint32, PHYSFS_writeULE32, PHYSFS_writeUBE32)
KAZ_TYPED_WRITE(WriteUInt64, uint64_t, PHYSFS_uint64, PHYSFS_writeULE64, PHYSFS_writeUBE64)

#undef KAZ_TYPED_READ
#undef KAZ_TYPED_WRITE
#undef KAZ_FILE_OR

}  // namespace FileSystem
