#include "common/ini_file.h"

#include "common/text.h"

namespace k20 {

static bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r'; }

std::u16string TrimBlanks(std::u16string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return std::u16string(s.substr(b, e - b));
}

static std::u16string Unquote(std::u16string v) {
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

IniFile::Line IniFile::Classify(std::u16string raw) {
    Line l;
    l.raw = std::move(raw);
    std::u16string t = TrimBlanks(l.raw);
    if (t.empty() || t[0] == u';') return l;
    if (t[0] == u'[') {
        size_t close = t.find(u']');
        l.kind = Line::Section;
        l.name = TrimBlanks(std::u16string_view(t).substr(1, close == std::u16string::npos ? t.size() - 1 : close - 1));
        return l;
    }
    size_t eq = t.find(u'=');
    l.kind = Line::Key;
    if (eq == std::u16string::npos) {
        l.name = t;
    } else {
        l.name = TrimBlanks(std::u16string_view(t).substr(0, eq));
        l.value = Unquote(TrimBlanks(std::u16string_view(t).substr(eq + 1)));
    }
    return l;
}

IniFile IniFile::Parse(std::u16string_view text) {
    IniFile f;
    size_t start = 0;
    while (start <= text.size()) {
        size_t nl = text.find(u'\n', start);
        if (nl == std::u16string_view::npos) {
            if (start < text.size()) f.lines_.push_back(Classify(std::u16string(text.substr(start))));
            break;
        }
        std::u16string raw(text.substr(start, nl - start));
        if (!raw.empty() && raw.back() == u'\r') raw.pop_back();
        f.lines_.push_back(Classify(std::move(raw)));
        start = nl + 1;
    }
    return f;
}

IniFile IniFile::FromBytes(const std::vector<uint8_t>& bytes, unsigned codePage) {
    return Parse(DecodeTextFile(bytes, codePage));
}

size_t IniFile::SectionLine(std::u16string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Line::Section && EqualsNoCase(lines_[i].name, section)) return i;
    return std::u16string::npos;
}

std::optional<std::u16string> IniFile::Find(std::u16string_view section, std::u16string_view key) const {
    size_t s = SectionLine(section);
    if (s == std::u16string::npos) return std::nullopt;
    for (size_t i = s + 1; i < lines_.size() && lines_[i].kind != Line::Section; ++i)
        if (lines_[i].kind == Line::Key && EqualsNoCase(lines_[i].name, key)) return lines_[i].value;
    return std::nullopt;
}

std::u16string IniFile::GetString(std::u16string_view section, std::u16string_view key, std::u16string_view def,
                                  size_t bufSize) const {
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

bool IniFile::HasSection(std::u16string_view section) const { return SectionLine(section) != std::u16string::npos; }

std::vector<std::u16string> IniFile::Sections() const {
    std::vector<std::u16string> r;
    for (auto& l : lines_)
        if (l.kind == Line::Section) r.push_back(l.name);
    return r;
}

std::vector<std::u16string> IniFile::Keys(std::u16string_view section) const {
    std::vector<std::u16string> r;
    size_t s = SectionLine(section);
    if (s == std::u16string::npos) return r;
    for (size_t i = s + 1; i < lines_.size() && lines_[i].kind != Line::Section; ++i)
        if (lines_[i].kind == Line::Key) r.push_back(lines_[i].name);
    return r;
}

void IniFile::Set(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
    std::u16string raw = std::u16string(key) + u"=" + std::u16string(value);
    size_t s = SectionLine(section);
    if (s == std::u16string::npos) {
        lines_.push_back(Classify(u"[" + std::u16string(section) + u"]"));
        lines_.push_back(Classify(raw));
        return;
    }
    size_t last = s;
    for (size_t i = s + 1; i < lines_.size() && lines_[i].kind != Line::Section; ++i) {
        if (lines_[i].kind == Line::Key && EqualsNoCase(lines_[i].name, key)) {
            lines_[i] = Classify(raw);
            return;
        }
        if (lines_[i].kind != Line::Other || !TrimBlanks(lines_[i].raw).empty()) last = i;
    }
    lines_.insert(lines_.begin() + long(last + 1), Classify(raw));
}

void IniFile::RemoveKey(std::u16string_view section, std::u16string_view key) {
    size_t s = SectionLine(section);
    if (s == std::u16string::npos) return;
    for (size_t i = s + 1; i < lines_.size() && lines_[i].kind != Line::Section; ++i)
        if (lines_[i].kind == Line::Key && EqualsNoCase(lines_[i].name, key)) {
            lines_.erase(lines_.begin() + long(i));
            return;
        }
}

void IniFile::RemoveSection(std::u16string_view section) {
    size_t s = SectionLine(section);
    if (s == std::u16string::npos) return;
    size_t e = s + 1;
    while (e < lines_.size() && lines_[e].kind != Line::Section) ++e;
    lines_.erase(lines_.begin() + long(s), lines_.begin() + long(e));
}

std::u16string IniFile::Serialize() const {
    std::u16string out;
    for (auto& l : lines_) {
        out += l.raw;
        out += u"\r\n";
    }
    return out;
}

}  // namespace k20
