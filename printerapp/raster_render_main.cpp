// k20-raster-render: the "render" sub-command as a program of its own, linked with the
// CUPS library and the engine only (no PAPPL), the way a CUPS raster filter runs.
#include <cups/cups.h>

#include <cstring>

#include "printerapp/render_command.h"

int main(int argc, char* argv[]) {
    int num = 0;
    cups_option_t* options = nullptr;
    int i = 1;
    for (; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-o") && i + 1 < argc)
            num = cupsParseOptions(argv[++i], num, &options);
        else
            break;
    }
    const int rc =
        k20::printerapp::RenderCommand("k20-raster-render", num, options, argc - i, argv + i, nullptr);
    cupsFreeOptions(num, options);
    return rc;
}
