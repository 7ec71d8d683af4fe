#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/errors.h"

namespace k20::platform {

inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrHidden = 0x02;
inline constexpr uint32_t kAttrSystem = 0x04;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;
inline constexpr uint32_t kAttrNormal = 0x80;

struct FindEntry {
    std::string name;  // file name only
    bool isDirectory = false;
    uint64_t size = 0;
    uint32_t attributes = 0;
    // Last write time (FILETIME units); with the size it tells a changed file from a
    // cached one without reading it.
    uint64_t writeTime = 0;
};

// Windows paths ("C:\\Windows\\System32\\x.dll", UTF-8), compared without regard to case.
class FileSystem {
  public:
    virtual ~FileSystem() = default;
    virtual Error ReadFile(const std::string& path, std::vector<uint8_t>& out) = 0;
    // The whole of a regular file of at most `limit` bytes: kErrBadFileType for a device or
    // a pipe (refused before a byte is read, so nothing blocks), kErrAccessDenied for a
    // folder, kErrFileTooLarge beyond the limit. Callers go through ReadBoundedFile
    // (platform/bounded_read.h). The default reads first and checks after, which only
    // in-memory file systems may keep.
    virtual Error ReadFileLimited(const std::string& path, uint64_t limit, std::vector<uint8_t>& out);
    virtual Error WriteFile(const std::string& path, const std::vector<uint8_t>& data) = 0;
    virtual Error CopyFile(const std::string& from, const std::string& to, bool failIfExists) = 0;
    virtual Error DeleteFile(const std::string& path) = 0;
    virtual Error CreateDirectory(const std::string& path) = 0;  // one level; kErrAlreadyExists when present
    virtual Error RemoveDirectory(const std::string& path) = 0;
    virtual Error GetAttributes(const std::string& path, uint32_t& attrs) = 0;
    virtual Error SetAttributes(const std::string& path, uint32_t attrs) = 0;
    // FindFirstFile/FindNextFile over a pattern such as "C:\\dir\\*.prn" ('*' and '?').
    virtual Error FindFiles(const std::string& pattern, std::vector<FindEntry>& out) = 0;
    // The file version resource as "a.b.c.d"; kErrFileNotFound / kErrNotSupported when absent.
    virtual Error GetFileVersion(const std::string& path, std::string& version) = 0;

    // Moves a file over another one. Real file systems replace in one step, so the target
    // is either the old file or the complete new one.
    virtual Error MoveFileReplace(const std::string& from, const std::string& to) = 0;

    // MoveFileEx with MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING: from replaces
    // to when Windows next starts, before any program can hold to open. Needs administrator
    // rights.
    virtual Error ReplaceAtRestart(const std::string& from, const std::string& to) = 0;

    bool Exists(const std::string& path);
    bool IsDirectory(const std::string& path);
    // Creates every missing folder of the path.
    Error CreateDirectories(const std::string& path);
};

// Reads a file that may be at most maxBytes long, looking at its size before reading it:
// kErrFileTooLarge (with size set) for a longer one, kErrAccessDenied for a folder.
Error ReadFileLimited(FileSystem& fs, const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& out,
                      uint64_t& size);

// Path helpers for Windows paths.
std::string JoinPath(const std::string& dir, const std::string& name);
std::string ParentPath(const std::string& path);
std::string FileNameOf(const std::string& path);
bool WildcardMatch(const std::string& pattern, const std::string& name);  // case-insensitive

}  // namespace k20::platform
