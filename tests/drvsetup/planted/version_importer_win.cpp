// The control of the planting test: a console program that imports winspool.drv
// statically, as the installer did, so that the test can tell whether this Wine loads a
// copy from a program's folder at all.
#include <windows.h>
#include <winspool.h>

// It imports user32 as well, but not version.dll: a version.dll loaded into it comes from
// the window library's own imports (which is so under Wine).
int main() {
    return ClosePrinter(nullptr) ? 0 : GetSystemMetrics(SM_CXSCREEN) > 0 ? 1 : 2;
}
