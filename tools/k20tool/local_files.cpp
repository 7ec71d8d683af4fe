#include "tools/k20tool/local_files.h"

#include <cstdio>
#include <filesystem>
#include <limits>
#include <system_error>

#if !defined(_WIN32)
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace k20::tool {

namespace fs = std::filesystem;
using namespace platform;

namespace {

fs::path P(const std::string& utf8) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

Error FromErrc(const std::error_code& ec) {
    if (!ec) return kOk;
    if (ec == std::errc::no_such_file_or_directory) return kErrFileNotFound;
    if (ec == std::errc::permission_denied) return kErrAccessDenied;
    if (ec == std::errc::file_exists) return kErrAlreadyExists;
    if (ec == std::errc::not_enough_memory) return kErrNotEnoughMemory;
    return kErrWriteFault;
}

struct File {
    std::FILE* f = nullptr;
    ~File() {
        if (f) std::fclose(f);
    }
};

}  // namespace

std::FILE* OpenHostFile(const std::string& path, const char* mode) {
#if defined(_WIN32)
    const fs::path p = P(path);
    const std::wstring m(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(p.c_str(), m.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

Error LocalFileSystem::ReadFile(const std::string& path, std::vector<uint8_t>& out) {
    // Callers that name no kind still get a regular file only, and one that fits memory.
    return ReadFileLimited(path, std::numeric_limits<size_t>::max() / 2, out);
}

#if defined(_WIN32)

Error LocalFileSystem::ReadFileLimited(const std::string& path, uint64_t limit, std::vector<uint8_t>& out) {
    out.clear();
    std::error_code ec;
    const fs::file_status st = fs::status(P(path), ec);
    if (ec || !fs::exists(st)) return kErrFileNotFound;
    if (fs::is_directory(st)) return kErrAccessDenied;
    if (!fs::is_regular_file(st)) return kErrBadFileType;
    const auto size = fs::file_size(P(path), ec);
    if (!ec && size > limit) return kErrFileTooLarge;
    File f{OpenHostFile(path, "rb")};
    if (!f.f) return kErrAccessDenied;
    if (!ec) out.reserve(size_t(size));
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.f)) > 0) {
        // A file that grows while it is read is held to the same limit.
        if (n > limit - out.size()) return out.clear(), kErrFileTooLarge;
        out.insert(out.end(), buf, buf + n);
    }
    return std::ferror(f.f) ? (out.clear(), kErrInvalidData) : kOk;
}

#else

Error LocalFileSystem::ReadFileLimited(const std::string& path, uint64_t limit, std::vector<uint8_t>& out) {
    out.clear();
    // Without O_NONBLOCK, opening a pipe that has no writer waits for one forever.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return kErrFileNotFound;
        if (errno == ENOTDIR) return kErrPathNotFound;
        return kErrAccessDenied;
    }
    struct Fd {
        int fd;
        ~Fd() { close(fd); }
    } guard{fd};
    struct stat st;
    if (fstat(fd, &st) != 0) return kErrInvalidData;
    if (S_ISDIR(st.st_mode)) return kErrAccessDenied;
    if (!S_ISREG(st.st_mode)) return kErrBadFileType;
    if (uint64_t(st.st_size) > limit) return kErrFileTooLarge;
    out.resize(size_t(st.st_size));
    size_t got = 0;
    for (;;) {
        if (got == out.size()) {
            // One byte past the size that fstat gave: a file that grew is still held to the limit.
            if (out.size() >= limit) {
                uint8_t probe;
                const ssize_t k = read(fd, &probe, 1);
                if (k > 0) return out.clear(), kErrFileTooLarge;
                if (k < 0 && errno == EINTR) continue;
                if (k < 0) return out.clear(), kErrInvalidData;
                break;
            }
            out.resize(std::min<uint64_t>(limit, std::max<uint64_t>(out.size() * 2, 65536)));
        }
        const ssize_t k = read(fd, out.data() + got, out.size() - got);
        if (k < 0 && errno == EINTR) continue;
        if (k < 0) return out.clear(), kErrInvalidData;
        if (k == 0) break;
        got += size_t(k);
    }
    out.resize(got);
    return kOk;
}

#endif

Error LocalFileSystem::WriteFile(const std::string& path, const std::vector<uint8_t>& data) {
    File f{OpenHostFile(path, "wb")};
    if (!f.f) return kErrAccessDenied;
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), f.f) != data.size()) return kErrWriteFault;
    if (std::fflush(f.f) != 0) return kErrWriteFault;
    return kOk;
}

Error LocalFileSystem::CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
    std::error_code ec;
    fs::copy_file(P(from), P(to),
                  failIfExists ? fs::copy_options::none : fs::copy_options::overwrite_existing, ec);
    return ec == std::errc::file_exists ? kErrFileExists : FromErrc(ec);
}

Error LocalFileSystem::DeleteFile(const std::string& path) {
    std::error_code ec;
    if (!fs::remove(P(path), ec)) return ec ? FromErrc(ec) : kErrFileNotFound;
    return kOk;
}

Error LocalFileSystem::MoveFileReplace(const std::string& from, const std::string& to) {
    std::error_code ec;
    fs::rename(P(from), P(to), ec);
    return ec ? kErrAccessDenied : kOk;
}

Error LocalFileSystem::ReplaceAtRestart(const std::string&, const std::string&) {
    return kErrNotSupported;
}

Error LocalFileSystem::CreateDirectory(const std::string& path) {
    std::error_code ec;
    if (fs::exists(P(path), ec)) return kErrAlreadyExists;
    fs::create_directory(P(path), ec);
    return FromErrc(ec);
}

Error LocalFileSystem::RemoveDirectory(const std::string& path) {
    std::error_code ec;
    fs::remove(P(path), ec);
    return FromErrc(ec);
}

Error LocalFileSystem::GetAttributes(const std::string& path, uint32_t& attrs) {
    std::error_code ec;
    auto st = fs::status(P(path), ec);
    if (ec || !fs::exists(st)) return kErrFileNotFound;
    attrs = fs::is_directory(st) ? kAttrDirectory : kAttrArchive;
    return kOk;
}

Error LocalFileSystem::SetAttributes(const std::string&, uint32_t) {
    return kOk;
}

Error LocalFileSystem::FindFiles(const std::string& pattern, std::vector<FindEntry>& out) {
    out.clear();
    const std::string parent = ParentPath(pattern);
    const fs::path dir = parent.empty() ? fs::path(".") : P(parent);
    const std::string mask = FileNameOf(pattern);
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const auto u8 = it->path().filename().u8string();
        std::string name(u8.begin(), u8.end());
        if (!WildcardMatch(mask, name)) continue;
        FindEntry e;
        e.name = name;
        std::error_code ec2;
        e.isDirectory = it->is_directory(ec2);
        const auto size = e.isDirectory ? 0 : it->file_size(ec2);
        e.size = ec2 ? 0 : uint64_t(size);  // a device or pipe has no size
        e.attributes = e.isDirectory ? kAttrDirectory : kAttrArchive;
        out.push_back(e);
    }
    return out.empty() ? kErrFileNotFound : kOk;
}

Error LocalFileSystem::GetFileVersion(const std::string&, std::string&) {
    return kErrNotSupported;
}

}  // namespace k20::tool
