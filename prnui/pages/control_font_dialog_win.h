#pragma once
// The control-font table dialog and its translator, and the table written through the
// system's own profile functions (the rendering side reads it with them).
#include <windows.h>

#include <string>

#include "prnui/pages/control_font_table.h"

namespace k20::prnui {

class Win32ProfileWriter : public ProfileWriter {
  public:
    platform::Error WriteString(const std::string& path, std::u16string_view section, std::u16string_view key,
                                std::u16string_view value) override;
    platform::Error Flush(const std::string& path) override;
};

// The table file of this machine.
std::string ControlFontTablePathHere();

// Runs the table dialog modally over the file at path; IDOK when the table was saved.
INT_PTR RunControlFontTableDialog(HWND owner, const std::string& path);

}  // namespace k20::prnui
