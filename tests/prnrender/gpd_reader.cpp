#include "tests/prnrender/gpd_reader.h"

#include <cctype>

namespace k20::test {

std::vector<const GpdEntry*> GpdEntry::All(std::string_view k) const {
    std::vector<const GpdEntry*> r;
    for (auto& c : children)
        if (c.key == k) r.push_back(&c);
    return r;
}

const GpdEntry* GpdEntry::Find(std::string_view k) const {
    for (auto& c : children)
        if (c.key == k) return &c;
    return nullptr;
}

void GpdEntry::Walk(std::vector<const GpdEntry*>& out) const {
    for (auto& c : children) {
        out.push_back(&c);
        c.Walk(out);
    }
}

namespace {

std::string Trim(std::string s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
    size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    return s.substr(i);
}

}  // namespace

GpdFile ParseGpd(std::string_view t) {
    GpdFile f;
    std::vector<GpdEntry*> stack{&f.root};
    GpdEntry* last = nullptr;  // the entry a "{" opens
    int line = 1;
    size_t i = 0;
    while (i < t.size()) {
        char c = t[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '*' && i + 1 < t.size() && t[i + 1] == '%') {
            while (i < t.size() && t[i] != '\n') ++i;
        } else if (c == '{') {
            if (!last) {
                f.error = "line " + std::to_string(line) + ": \"{\" opens nothing";
                return f;
            }
            stack.push_back(last);
            last = nullptr;
            ++i;
        } else if (c == '}') {
            if (stack.size() == 1) {
                f.error = "line " + std::to_string(line) + ": unmatched \"}\"";
                return f;
            }
            stack.pop_back();
            last = nullptr;
            ++i;
        } else if (c == '*') {
            size_t colon = t.find(':', i);
            size_t eol = t.find('\n', i);
            if (colon == std::string_view::npos || (eol != std::string_view::npos && colon > eol)) {
                f.error = "line " + std::to_string(line) + ": keyword without \":\"";
                return f;
            }
            GpdEntry e;
            e.key = Trim(std::string(t.substr(i + 1, colon - i - 1)));
            e.line = line;
            i = colon + 1;
            // The value runs to the end of the line or to a construct's brace; braces after
            // a "%" belong to a parameter reference, and nothing inside quotes counts.
            std::string v;
            bool quoted = false;
            int paramDepth = 0;
            while (i < t.size() && t[i] != '\n') {
                char d = t[i];
                if (d == '"') quoted = !quoted;
                if (!quoted) {
                    if (d == '{' && v.find('%') != std::string::npos)
                        ++paramDepth;
                    else if (d == '}' && paramDepth > 0)
                        --paramDepth;
                    else if (d == '{' || d == '}')
                        break;
                    else if (d == '*' && i + 1 < t.size() && t[i + 1] == '%')
                        break;
                }
                v.push_back(d);
                ++i;
            }
            if (quoted) {
                f.error = "line " + std::to_string(line) + ": unterminated string";
                return f;
            }
            e.value = Trim(v);
            stack.back()->children.push_back(std::move(e));
            last = &stack.back()->children.back();
        } else {
            f.error = "line " + std::to_string(line) + ": unexpected \"" + std::string(1, c) + "\"";
            return f;
        }
    }
    if (stack.size() != 1) f.error = "construct not closed at the end of the file";
    return f;
}

std::string Unquote(std::string_view v) {
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') return std::string(v.substr(1, v.size() - 2));
    return std::string(v);
}

std::vector<int> ListValues(std::string_view v) {
    std::vector<int> r;
    size_t open = v.find('('), close = v.rfind(')');
    if (v.substr(0, 4) != "LIST" || open == std::string_view::npos || close == std::string_view::npos)
        return r;
    std::string_view in = v.substr(open + 1, close - open - 1);
    int n = -1;
    for (char c : in) {
        if (std::isdigit(static_cast<unsigned char>(c)))
            n = (n < 0 ? 0 : n * 10) + (c - '0');
        else if (c == ',') {
            if (n >= 0) r.push_back(n);
            n = -1;
        }
    }
    if (n >= 0) r.push_back(n);
    return r;
}

}  // namespace k20::test
