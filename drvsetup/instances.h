#pragma once
// The names by which the installer and the uninstaller see each other. Window titles come
// from the language files and change with them; these names do not, and each program
// holds its own for its whole life, in the window mode and unattended alike.
namespace k20::drvsetup {

inline constexpr const char* kSetupInstanceName = "K20PrinterDriverSetup.Running";
inline constexpr const char* kRemoveInstanceName = "K20PrinterDriverRemove.Running";

}  // namespace k20::drvsetup
