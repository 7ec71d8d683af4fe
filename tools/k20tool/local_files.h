#pragma once
// The tool's view of the disk it runs on, as a platform::FileSystem, so that the
// commands call the very code the pages call. Paths are UTF-8 in the host's syntax.
#include <cstdio>

#include "platform/filesystem.h"

namespace k20::tool {

class LocalFileSystem : public platform::FileSystem {
  public:
    // Bounded like every read of the tool: see ReadFileLimited.
    platform::Error ReadFile(const std::string& path, std::vector<uint8_t>& out) override;
    platform::Error ReadFileLimited(const std::string& path, uint64_t limit,
                                    std::vector<uint8_t>& out) override;
    platform::Error WriteFile(const std::string& path, const std::vector<uint8_t>& data) override;
    platform::Error CopyFile(const std::string& from, const std::string& to, bool failIfExists) override;
    platform::Error DeleteFile(const std::string& path) override;
    // A rename: the target is the old file or the complete new one.
    platform::Error MoveFileReplace(const std::string& from, const std::string& to) override;
    // A Windows restart is not the tool's to wait for.
    platform::Error ReplaceAtRestart(const std::string& from, const std::string& to) override;
    platform::Error CreateDirectory(const std::string& path) override;
    platform::Error RemoveDirectory(const std::string& path) override;
    platform::Error GetAttributes(const std::string& path, uint32_t& attrs) override;
    platform::Error SetAttributes(const std::string& path, uint32_t attrs) override;
    platform::Error FindFiles(const std::string& pattern, std::vector<platform::FindEntry>& out) override;
    platform::Error GetFileVersion(const std::string& path, std::string& version) override;
};

// fopen with a UTF-8 path, whatever the host's own encoding of file names.
std::FILE* OpenHostFile(const std::string& path, const char* mode);

}  // namespace k20::tool
