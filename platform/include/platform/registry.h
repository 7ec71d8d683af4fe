#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/errors.h"

namespace k20::platform {

enum class RegRoot { LocalMachine, CurrentUser, ClassesRoot, Users };
// Which registry view a 32-bit program on 64-bit Windows reaches.
enum class RegView { Default, View64, View32 };

enum RegType : uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegMultiSz = 7
};

struct RegValue {
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;  // as stored; strings are UTF-16LE with terminator
};

// Paths are "SOFTWARE\\KESTRAN\\LANGUAGE" (UTF-8), compared without regard to case.
class Registry {
  public:
    virtual ~Registry() = default;
    virtual Error CreateKey(RegRoot root, const std::string& path, RegView view = RegView::Default) = 0;
    virtual bool KeyExists(RegRoot root, const std::string& path, RegView view = RegView::Default) = 0;
    // Deletes the key with all its subkeys.
    virtual Error DeleteTree(RegRoot root, const std::string& path, RegView view = RegView::Default) = 0;
    virtual Error SetValue(RegRoot root, const std::string& path, const std::string& name, const RegValue& v,
                           RegView view = RegView::Default) = 0;
    virtual Error GetValue(RegRoot root, const std::string& path, const std::string& name, RegValue& out,
                           RegView view = RegView::Default) = 0;
    virtual Error DeleteValue(RegRoot root, const std::string& path, const std::string& name,
                              RegView view = RegView::Default) = 0;
    virtual Error EnumSubKeys(RegRoot root, const std::string& path, std::vector<std::string>& out,
                              RegView view = RegView::Default) = 0;
    virtual Error EnumValues(RegRoot root, const std::string& path, std::vector<std::string>& out,
                             RegView view = RegView::Default) = 0;

    // Conveniences over SetValue / GetValue.
    Error SetString(RegRoot root, const std::string& path, const std::string& name, const std::string& utf8,
                    RegView view = RegView::Default);
    Error GetString(RegRoot root, const std::string& path, const std::string& name, std::string& utf8,
                    RegView view = RegView::Default);
    Error SetDword(RegRoot root, const std::string& path, const std::string& name, uint32_t v,
                   RegView view = RegView::Default);
    Error GetDword(RegRoot root, const std::string& path, const std::string& name, uint32_t& v,
                   RegView view = RegView::Default);
};

RegValue MakeStringValue(const std::string& utf8, uint32_t type = kRegSz);
std::string StringFromValue(const RegValue& v);

}  // namespace k20::platform
