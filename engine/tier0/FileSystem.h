// FileSystem.h - the package file system, exported for the launcher and tools.
//
// A thin layer over PhysFS 3.0: a search path of directories and ".pak" (zip)
// archives in which a virtual path ("Fonts/menu.f", "/" separators) is looked
// up in order. Native paths use the platform separator (GetDirSeparator).
//
// Unlike the raw library, every call made before Init() or after Uninit()
// fails cleanly (false, 0, empty), and PhysFS's -1 results never escape as huge
// unsigned sizes. Nothing here logs; GetLastError() tells why a call failed.
#pragma once

#include "base/Export.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct PHYSFS_File;

namespace FileSystem {

enum EndianMode : int { Native = 0, Little = 1, Big = 2 };
enum EventType : int { FileOpened = 0, FileClosed = 1 };

constexpr size_t kMaxFilenameStr = 256;

class File;
struct FileHandle;  // shared between copies of a File; owns the PHYSFS_File*
using EventHandler = void (*)(EventType type, File* file, void* userData);

// Init() while initialised succeeds and changes nothing. Uninit() fails when
// not initialised.
KAZ_API bool Init(const char* argv0);
KAZ_API bool Uninit();
KAZ_API bool IsInitialized();
KAZ_API bool SetWriteDir(const std::string& nativePath);
KAZ_API bool AddToSearchPath(const std::string& nativePath, bool append);
KAZ_API bool RemoveFromSearchPath(const std::string& nativePath);
KAZ_API std::vector<std::string> GetSearchPaths();
KAZ_API void AllowSymbolicLinks(bool allow);
KAZ_API bool IsDirectory(const std::string& path);
KAZ_API bool IsSymbolicLink(const std::string& path);
KAZ_API bool Exists(const std::string& path);
KAZ_API int64_t GetLastModTime(const std::string& path);
KAZ_API bool MakeDirectory(const std::string& path);
KAZ_API bool Delete(const std::string& path);
KAZ_API std::vector<std::string> EnumerateFiles(const std::string& path);
KAZ_API std::string GetRealDir(const std::string& path);
KAZ_API std::string GetBaseDir();
KAZ_API std::string GetUserDir();
KAZ_API std::string GetWriteDir();
KAZ_API std::string GetDirSeparator();
KAZ_API std::vector<std::string> GetCDRomDrives();
KAZ_API std::string GetLastError();
KAZ_API void SetEventHandler(EventHandler handler, void* userData);
KAZ_API void SetDefaultEndianMode(EndianMode mode);
KAZ_API EndianMode GetDefaultEndianMode();

// An open file of the package file system. Copies share the handle; it is
// closed exactly once, when Close() is called on any copy or the last copy dies
// (FileOpened and FileClosed are reported once per handle). Uninit() closes
// every handle still open without reporting; those Files then read as closed.
class KAZ_API File {
 public:
  File();
  File(const std::string& path, char mode);
  File(const File& other);
  File& operator=(const File& other);
  virtual ~File();

  bool OpenRead(const std::string& path);
  bool OpenWrite(const std::string& path);
  bool OpenAppend(const std::string& path);
  bool Open(const std::string& path, char mode);
  bool Close();

  bool IsValid() const;
  // Both read as closed (0, "") once the shared handle was closed by a copy
  // or by Uninit().
  char GetMode() const;
  const char* GetFileName() const;
  EndianMode GetEndianMode() const { return m_endianMode; }
  void SetEndianMode(EndianMode mode) { m_endianMode = mode; }

  uint32_t GetLength() const;
  uint32_t Tell() const;
  bool Seek(uint32_t position);
  bool EndOfFile() const;
  bool Flush();
  uint32_t Read(void* buffer, uint32_t size);
  uint32_t Write(const void* buffer, uint32_t size);

  bool ReadInt16(int16_t* value);
  bool ReadInt32(int32_t* value);
  bool ReadInt64(int64_t* value);
  bool ReadUInt16(uint16_t* value);
  bool ReadUInt32(uint32_t* value);
  bool ReadUInt64(uint64_t* value);
  bool WriteInt16(int16_t value);
  bool WriteInt32(int32_t value);
  bool WriteInt64(int64_t value);
  bool WriteUInt16(uint16_t value);
  bool WriteUInt32(uint32_t value);
  bool WriteUInt64(uint64_t value);

 private:
  // OpenRead before the check of an archive entry's declared length.
  bool OpenReadAsIs(const std::string& path);

  EndianMode m_endianMode;
  std::shared_ptr<FileHandle> m_handle;
  char m_fileName[kMaxFilenameStr + 1];
  char m_mode;
  // Set while FileClosed is reported: the handler still reads name and mode.
  bool m_closing = false;
};

}  // namespace FileSystem
