#include "common/ini_file.h"

#include "common/text.h"

namespace k20 {

static bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r';
}

std::u16string TrimBlanks(std::u16string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return std::u16string(s.substr(b, e - b));
}

static std::u16string_view TrimView(std::u16string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

static std::u16string_view Unquote(std::u16string_view v) {
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

std::string IniTooLargeMessage(const std::string& path, uint64_t size) {
    return path + " is " + std::to_string(size) + " bytes long; a configuration file may have at most " +
           std::to_string(kMaxIniFileBytes) + " bytes, so it is not read.";
}

IniFile::LineView IniFile::LineAt(size_t begin) const {
    LineView l;
    l.begin = begin;
    size_t nl = text_.find(u'\n', begin);
    l.end = nl == std::u16string::npos ? text_.size() : nl;
    std::u16string_view t = TrimView(std::u16string_view(text_).substr(begin, l.end - begin));
    if (t.empty() || t[0] == u';') return l;
    if (t[0] == u'[') {
        size_t close = t.find(u']');
        l.kind = Kind::Section;
        l.name = TrimView(t.substr(1, close == std::u16string_view::npos ? t.size() - 1 : close - 1));
        return l;
    }
    l.kind = Kind::Key;
    size_t eq = t.find(u'=');
    l.name = eq == std::u16string_view::npos ? t : TrimView(t.substr(0, eq));
    return l;
}

std::u16string IniFile::ValueOf(std::u16string_view line) {
    std::u16string_view t = TrimView(line);
    size_t eq = t.find(u'=');
    if (eq == std::u16string_view::npos) return {};
    return std::u16string(Unquote(TrimView(t.substr(eq + 1))));
}

void IniFile::Reindex() {
    sections_.clear();
    for (size_t at = 0; at < text_.size();) {
        LineView l = LineAt(at);
        size_t next = l.end + 1;
        if (l.kind == Kind::Section) {
            if (!sections_.empty()) sections_.back().bodyEnd = uint32_t(at);
            sections_.push_back({uint32_t(at), uint32_t(next), uint32_t(text_.size())});
        }
        at = next;
    }
    if (!sections_.empty()) sections_.back().bodyEnd = uint32_t(text_.size());
    sections_.shrink_to_fit();
}

IniFile IniFile::Parse(std::u16string_view text) {
    IniFile f;
    f.text_.reserve(text.size() + 1);
    size_t start = 0;
    while (start <= text.size()) {
        size_t nl = text.find(u'\n', start);
        if (nl == std::u16string_view::npos) {
            if (start < text.size()) {
                f.text_.append(text.substr(start));
                f.text_ += u'\n';
            }
            break;
        }
        std::u16string_view raw = text.substr(start, nl - start);
        if (!raw.empty() && raw.back() == u'\r') raw.remove_suffix(1);
        f.text_.append(raw);
        f.text_ += u'\n';
        start = nl + 1;
    }
    f.text_.shrink_to_fit();
    f.Reindex();
    return f;
}

IniFile IniFile::FromBytes(const std::vector<uint8_t>& bytes, unsigned codePage) {
    return Parse(DecodeTextFile(bytes, codePage));
}

const IniFile::SectionSpan* IniFile::FindSection(std::u16string_view section) const {
    for (auto& s : sections_)
        if (EqualsNoCase(LineAt(s.header).name, section)) return &s;
    return nullptr;
}

std::optional<std::u16string> IniFile::Find(std::u16string_view section, std::u16string_view key) const {
    const SectionSpan* s = FindSection(section);
    if (!s) return std::nullopt;
    for (size_t at = s->body; at < s->bodyEnd;) {
        LineView l = LineAt(at);
        if (l.kind == Kind::Key && EqualsNoCase(l.name, key))
            return ValueOf(std::u16string_view(text_).substr(l.begin, l.end - l.begin));
        at = l.end + 1;
    }
    return std::nullopt;
}

std::u16string IniFile::GetString(std::u16string_view section, std::u16string_view key,
                                  std::u16string_view def, size_t bufSize) const {
    if (bufSize == 0) return {};
    auto v = Find(section, key);
    std::u16string r;
    if (v) {
        r = *v;
    } else {
        r = std::u16string(def);
        while (!r.empty() && r.back() == u' ') r.pop_back();
    }
    if (r.size() > bufSize - 1) r.resize(bufSize - 1);
    return r;
}

std::string IniFile::GetUtf8(std::string_view section, std::string_view key, std::string_view def,
                             size_t bufSize) const {
    return Utf16ToUtf8(GetString(Utf8ToUtf16(section), Utf8ToUtf16(key), Utf8ToUtf16(def), bufSize));
}

int IniFile::GetInt(std::u16string_view section, std::u16string_view key, int def) const {
    auto v = Find(section, key);
    if (!v) return def;
    const std::u16string& s = *v;
    size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) neg = s[i++] == u'-';
    long long n = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
        n = n * 10 + (s[i] - u'0');
        if (n > 0xFFFFFFFFLL) n = 0xFFFFFFFFLL;
    }
    return int(uint32_t(neg ? -n : n));
}

int IniFile::GetInt(std::string_view section, std::string_view key, int def) const {
    return GetInt(Utf8ToUtf16(section), Utf8ToUtf16(key), def);
}

bool IniFile::HasSection(std::u16string_view section) const {
    return FindSection(section) != nullptr;
}

std::vector<std::u16string> IniFile::Sections() const {
    std::vector<std::u16string> r;
    for (auto& s : sections_) r.emplace_back(LineAt(s.header).name);
    return r;
}

std::vector<std::u16string> IniFile::Keys(std::u16string_view section) const {
    std::vector<std::u16string> r;
    const SectionSpan* s = FindSection(section);
    if (!s) return r;
    for (size_t at = s->body; at < s->bodyEnd;) {
        LineView l = LineAt(at);
        if (l.kind == Kind::Key) r.emplace_back(l.name);
        at = l.end + 1;
    }
    return r;
}

std::vector<std::pair<std::u16string, std::u16string>> IniFile::Entries(std::u16string_view section) const {
    std::vector<std::pair<std::u16string, std::u16string>> r;
    const SectionSpan* s = FindSection(section);
    if (!s) return r;
    for (size_t at = s->body; at < s->bodyEnd;) {
        LineView l = LineAt(at);
        if (l.kind == Kind::Key)
            r.emplace_back(l.name, ValueOf(std::u16string_view(text_).substr(l.begin, l.end - l.begin)));
        at = l.end + 1;
    }
    return r;
}

void IniFile::Set(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
    std::u16string raw = std::u16string(key) + u"=" + std::u16string(value) + u"\n";
    const SectionSpan* s = FindSection(section);
    if (!s) {
        text_ += u"[" + std::u16string(section) + u"]\n" + raw;
        Reindex();
        return;
    }
    size_t insertAt = s->body;  // after the last line that is not blank
    for (size_t at = s->body; at < s->bodyEnd;) {
        LineView l = LineAt(at);
        if (l.kind == Kind::Key && EqualsNoCase(l.name, key)) {
            text_.replace(l.begin, l.end + 1 - l.begin, raw);
            Reindex();
            return;
        }
        if (l.kind != Kind::Other ||
            !TrimView(std::u16string_view(text_).substr(l.begin, l.end - l.begin)).empty())
            insertAt = l.end + 1;
        at = l.end + 1;
    }
    text_.insert(insertAt, raw);
    Reindex();
}

void IniFile::RemoveKey(std::u16string_view section, std::u16string_view key) {
    const SectionSpan* s = FindSection(section);
    if (!s) return;
    for (size_t at = s->body; at < s->bodyEnd;) {
        LineView l = LineAt(at);
        if (l.kind == Kind::Key && EqualsNoCase(l.name, key)) {
            text_.erase(l.begin, l.end + 1 - l.begin);
            Reindex();
            return;
        }
        at = l.end + 1;
    }
}

void IniFile::RemoveSection(std::u16string_view section) {
    const SectionSpan* s = FindSection(section);
    if (!s) return;
    text_.erase(s->header, s->bodyEnd - s->header);
    Reindex();
}

std::u16string IniFile::Serialize() const {
    std::u16string out;
    out.reserve(text_.size() + text_.size() / 8);
    for (char16_t c : text_) {
        if (c == u'\n') out += u'\r';
        out += c;
    }
    return out;
}

}  // namespace k20
