#include "render/file_io.h"

namespace k20::render {

std::filesystem::path PathFromUtf8(std::string_view utf8) {
    std::u8string s(utf8.size(), u8'\0');
    for (size_t i = 0; i < utf8.size(); ++i) s[i] = char8_t(utf8[i]);
    return std::filesystem::path(s);
}

std::string PathToUtf8(const std::filesystem::path& p) {
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

namespace {

std::FILE* OpenFile(const std::filesystem::path& p, bool exclusive) {
#ifdef _WIN32
    // The narrow functions would take the path in the ANSI code page.
    std::FILE* f = nullptr;
    if (exclusive && std::filesystem::exists(p)) return nullptr;
    f = _wfopen(p.c_str(), L"wb");
    return f;
#else
    return std::fopen(p.c_str(), exclusive ? "wbx" : "wb");
#endif
}

}  // namespace

OutputFile::~OutputFile() {
    Close();
}

bool OutputFile::Open(const std::filesystem::path& p) {
    Close();
    ok_ = true;
    f_ = OpenFile(p, false);
    return f_ != nullptr;
}

bool OutputFile::Create(const std::filesystem::path& p) {
    Close();
    ok_ = true;
    f_ = OpenFile(p, true);
    return f_ != nullptr;
}

bool OutputFile::Write(std::span<const uint8_t> bytes) {
    if (!f_ || !ok_) return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size()) ok_ = false;
    return ok_;
}

bool OutputFile::WriteAt(uint64_t offset, std::span<const uint8_t> bytes) {
    if (!f_ || !ok_) return false;
    if (std::fflush(f_) != 0 || std::fseek(f_, long(offset), SEEK_SET) != 0) return ok_ = false;
    if (!Write(bytes)) return false;
    if (std::fseek(f_, 0, SEEK_END) != 0) ok_ = false;
    return ok_;
}

bool OutputFile::Close() {
    if (!f_) return false;
    const bool closed = std::fclose(f_) == 0;
    f_ = nullptr;
    return ok_ && closed;
}

}  // namespace k20::render
