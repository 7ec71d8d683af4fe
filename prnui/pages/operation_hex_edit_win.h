#pragma once
// Hex command edit fields (operation dialog, control-font dialog): the field takes every
// key so that it can drop what is not a hex digit, and moves the focus on Tab itself.
#include <windows.h>

namespace k20::prnui {
void SubclassHexEdit(HWND edit);
}
