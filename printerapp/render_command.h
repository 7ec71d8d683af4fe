#pragma once
// "render": a PWG or CUPS raster file through the driver's rows and the engine to the
// printer's bytes on the standard output (or -o output=FILE), without a server, for
// integrators and for measuring the driver alone.
#include <cups/cups.h>

namespace k20::printerapp {

int RenderCommand(const char* baseName, int numOptions, cups_option_t* options, int numFiles, char** files,
                  void* data);

}  // namespace k20::printerapp
