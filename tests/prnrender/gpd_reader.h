#pragma once
// A reader of printer description files as their documentation describes the syntax:
// "*Keyword: value" entries, constructs opened by "{" and closed by "}", "*%" comments
// to the end of the line, and values that may hold quoted strings and "%d{...}"
// parameter references. Enough to check our K20.GPD, not a general implementation.
#include <string>
#include <string_view>
#include <vector>

namespace k20::test {

struct GpdEntry {
    std::string key;    // without the leading "*"
    std::string value;  // trimmed; may be empty
    int line = 0;
    std::vector<GpdEntry> children;

    std::vector<const GpdEntry*> All(std::string_view key) const;
    const GpdEntry* Find(std::string_view key) const;
    // Every entry of the subtree, depth first.
    void Walk(std::vector<const GpdEntry*>& out) const;
};

struct GpdFile {
    GpdEntry root;
    std::string error;  // empty when the whole file was read
};

GpdFile ParseGpd(std::string_view text);
std::string Unquote(std::string_view v);
std::vector<int> ListValues(std::string_view v);  // "LIST(1, 2, 3)"

}  // namespace k20::test
