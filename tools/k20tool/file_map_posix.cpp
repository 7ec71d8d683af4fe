// Mapping on POSIX hosts. MAP_POPULATE (Linux) enters the whole file into the page table
// in one call; touched page by page, every page would take a fault of its own.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/k20tool/file_streams.h"

namespace k20::tool {

const uint8_t* MapWholeFile(const std::string& path, size_t& size) {
    // O_NONBLOCK: a pipe without a writer would hold the open for ever.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    // Only regular files keep their size; an empty one cannot be mapped at all.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 || uint64_t(st.st_size) > SIZE_MAX) {
        close(fd);
        return nullptr;
    }
    int flags = MAP_PRIVATE;
#if defined(MAP_POPULATE)
    flags |= MAP_POPULATE;
#endif
    void* m = mmap(nullptr, size_t(st.st_size), PROT_READ, flags, fd, 0);
    close(fd);
    if (m == MAP_FAILED) return nullptr;
    size = size_t(st.st_size);
    return static_cast<const uint8_t*>(m);
}

void UnmapWholeFile(const uint8_t* data, size_t size) {
    munmap(const_cast<uint8_t*>(data), size);
}

}  // namespace k20::tool
