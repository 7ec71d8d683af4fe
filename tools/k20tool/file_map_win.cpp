// Mapping on Windows: a read-only view of the whole file. The view keeps the file from
// being truncated under it, which POSIX does not promise.
#include <windows.h>

#include <filesystem>

#include "tools/k20tool/file_streams.h"

namespace k20::tool {

const uint8_t* MapWholeFile(const std::string& path, size_t& size) {
    const std::filesystem::path p(std::u8string(path.begin(), path.end()));
    HANDLE f = CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER n;
    // An empty file has no mapping; a file beyond the address space has no view.
    if (!GetFileSizeEx(f, &n) || n.QuadPart <= 0 || uint64_t(n.QuadPart) > SIZE_MAX ||
        GetFileType(f) != FILE_TYPE_DISK) {
        CloseHandle(f);
        return nullptr;
    }
    HANDLE m = CreateFileMappingW(f, nullptr, PAGE_READONLY, 0, 0, nullptr);
    CloseHandle(f);
    if (!m) return nullptr;
    void* v = MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0);
    CloseHandle(m);
    if (!v) return nullptr;
    size = size_t(n.QuadPart);
    return static_cast<const uint8_t*>(v);
}

void UnmapWholeFile(const uint8_t* data, size_t) {
    UnmapViewOfFile(data);
}

}  // namespace k20::tool
