#include "platform/admin.h"

namespace k20::platform {

bool IsAbsoluteWindowsPath(const std::string& path) {
    // "C:\..." or a UNC path; "C:name" is relative to that drive's current folder.
    if (path.size() >= 3 && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') && path[1] == ':' &&
        (path[2] == '\\' || path[2] == '/'))
        return true;
    return path.size() >= 3 && path[0] == '\\' && path[1] == '\\';
}

}  // namespace k20::platform
