#include "common/byte_reader.h"
#include "common/text.h"
#include "platform/platform.h"

namespace k20::platform {

RegValue MakeStringValue(const std::string& utf8, uint32_t type) {
    RegValue v;
    v.type = type;
    std::u16string w = Utf8ToUtf16(utf8);
    w.push_back(u'\0');
    for (char16_t c : w) {
        v.data.push_back(uint8_t(c));
        v.data.push_back(uint8_t(c >> 8));
    }
    return v;
}

std::string StringFromValue(const RegValue& v) {
    std::u16string w;
    for (size_t i = 0; i + 1 < v.data.size(); i += 2) {
        char16_t c = char16_t(v.data[i] | (v.data[i + 1] << 8));
        if (c == 0) break;
        w.push_back(c);
    }
    return Utf16ToUtf8(w);
}

Error Registry::SetString(RegRoot root, const std::string& path, const std::string& name,
                          const std::string& utf8, RegView view) {
    return SetValue(root, path, name, MakeStringValue(utf8), view);
}

Error Registry::GetString(RegRoot root, const std::string& path, const std::string& name, std::string& utf8,
                          RegView view) {
    RegValue v;
    Error e = GetValue(root, path, name, v, view);
    if (e != kOk) return e;
    if (v.type != kRegSz && v.type != kRegExpandSz && v.type != kRegMultiSz) return kErrInvalidData;
    utf8 = StringFromValue(v);
    return kOk;
}

Error Registry::SetDword(RegRoot root, const std::string& path, const std::string& name, uint32_t d,
                         RegView view) {
    RegValue v;
    v.type = kRegDword;
    v.data.resize(4);
    PutU32(v.data.data(), 0, d);
    return SetValue(root, path, name, v, view);
}

Error Registry::GetDword(RegRoot root, const std::string& path, const std::string& name, uint32_t& d,
                         RegView view) {
    RegValue v;
    Error e = GetValue(root, path, name, v, view);
    if (e != kOk) return e;
    if (v.type != kRegDword || v.data.size() < 4) return kErrInvalidData;
    d = GetU32(v.data.data(), 0);
    return kOk;
}

Error ReadFileLimited(FileSystem& fs, const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& out,
                      uint64_t& size) {
    out.clear();
    size = 0;
    std::vector<FindEntry> found;
    if (path.find_first_of("*?") != std::string::npos) return kErrInvalidParameter;
    // Looked at first so that a file far over the limit is refused without reading it.
    if (fs.FindFiles(path, found) == kOk && found.size() == 1) {
        if (found[0].isDirectory) return kErrAccessDenied;
        size = found[0].size;
        if (size > maxBytes) return kErrFileTooLarge;
    }
    // The file may have grown since it was looked at: the read itself is bounded too.
    Error e = fs.ReadFileLimited(path, maxBytes, out);
    size = out.size();
    return e;
}

Error FileSystem::ReadFileLimited(const std::string& path, uint64_t limit, std::vector<uint8_t>& out) {
    std::vector<uint8_t> data;
    Error e = ReadFile(path, data);
    if (e == kOk && data.size() > limit) e = kErrFileTooLarge;
    if (e == kOk)
        out.swap(data);
    else
        out.clear();
    return e;
}

bool FileSystem::Exists(const std::string& path) {
    uint32_t a;
    return GetAttributes(path, a) == kOk;
}

bool FileSystem::IsDirectory(const std::string& path) {
    uint32_t a;
    return GetAttributes(path, a) == kOk && (a & kAttrDirectory);
}

Error FileSystem::CreateDirectories(const std::string& path) {
    if (path.empty() || IsDirectory(path)) return kOk;
    std::string parent = ParentPath(path);
    if (!parent.empty() && parent != path &&
        !(parent.size() <= 3 && parent.size() >= 2 && parent[1] == ':')) {
        Error e = CreateDirectories(parent);
        if (e != kOk) return e;
    }
    Error e = CreateDirectory(path);
    return e == kErrAlreadyExists ? kOk : e;
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '\\' || dir.back() == '/') return dir + name;
    return dir + "\\" + name;
}

std::string ParentPath(const std::string& path) {
    std::string p = path;
    while (p.size() > 3 && (p.back() == '\\' || p.back() == '/')) p.pop_back();
    size_t s = p.find_last_of("\\/");
    if (s == std::string::npos) return {};
    if (s == 2 && p.size() > 1 && p[1] == ':') return p.substr(0, 3);
    return p.substr(0, s);
}

std::string FileNameOf(const std::string& path) {
    size_t s = path.find_last_of("\\/");
    return s == std::string::npos ? path : path.substr(s + 1);
}

static char Up(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 32) : c;
}

bool WildcardMatch(const std::string& pattern, const std::string& name) {
    // "*.*" matches names without a dot too, as FindFirstFile does.
    if (pattern == "*.*" || pattern == "*") return true;
    size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Up(pattern[p]) == Up(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

Error SendRawJob(Spooler& sp, PrinterHandle h, const std::string& docName,
                 const std::vector<std::vector<uint8_t>>& writes) {
    uint32_t job = 0;
    Error e = sp.StartDocRaw(h, docName, "RAW", job);
    if (e != kOk) return e;
    e = sp.StartPage(h);
    if (e != kOk) {
        sp.EndDoc(h);
        return e;
    }
    for (const auto& w : writes) {
        uint32_t written = 0;
        e = sp.WritePrinter(h, w.data(), uint32_t(w.size()), written);
        if (e == kOk && written != w.size()) e = kErrWriteFault;
        if (e != kOk) break;
    }
    Error e2 = sp.EndPage(h);
    Error e3 = sp.EndDoc(h);
    if (e == kOk) e = e2 != kOk ? e2 : e3;
    return e;
}

}  // namespace k20::platform
