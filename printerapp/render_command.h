#pragma once
// "render": a PWG raster file through the driver's rows and the engine to the
// printer's bytes on the standard output (or -o output=FILE), without a server, for
// integrators and for measuring the driver alone.
#include <cups/cups.h>

#include <cstdint>
#include <span>
#include <string>

#include "printerapp/job_options.h"
#include "render/engine.h"

namespace k20::printerapp {

// Raster files larger than this are refused before they are read.
inline constexpr uint64_t kMaxRasterFileBytes = 256ull << 20;

// Every page of a PWG raster file through the rows and the engine (StartPage to
// EndPage; the caller starts and ends the document). Returns the pages printed; error
// says why the file stopped early (empty when it simply ended).
int RenderRaster(std::span<const uint8_t> file, render::Engine& engine, Halftone halftone,
                 std::string& error);

int RenderCommand(const char* baseName, int numOptions, cups_option_t* options, int numFiles, char** files,
                  void* data);

}  // namespace k20::printerapp
