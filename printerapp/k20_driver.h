#pragma once
// The K-20 family for PAPPL: the driver data filled in one place and the raster
// callbacks, which only adapt PAPPL's calls to the rendering engine.
#include <pappl/pappl.h>

#include <string>

namespace k20::printerapp {

// Driver names; the halftoning of gray and colour input is chosen per printer by them.
inline constexpr const char* kDriverOrdered = "k20";
inline constexpr const char* kDriverDiffusion = "k20-diffusion";

// The drivers papplMainloop offers (name, description, IEEE-1284 device ID).
pappl_pr_driver_t* Drivers(int& count);

// Fills the driver data and the vendor attributes of a new or restored printer.
bool DriverCallback(pappl_system_t* system, const char* driverName, const char* deviceUri,
                    const char* deviceId, pappl_pr_driver_data_t* data, ipp_t** attrs, void* cbdata);

// Which driver a USB printer's device ID asks for (ours for any K-20), or nullptr.
const char* AutoAddCallback(const char* deviceInfo, const char* deviceUri, const char* deviceId, void* data);

// Where driver logs go: "<folder>/<printer name>", empty for none.
void SetDriverLogRoot(std::string folder);

// Asks network printers (socket://) for their paper sensor while they are idle.
void SetPaperStatusQueries(bool on);

// Runs every second in PAPPL's main loop, never blocking it: marks printers that wait
// for an unreachable device as offline, and, when paper status queries are on, moves
// each idle network printer's query one step (connect, ask, read the answer).
bool StatusTimer(pappl_system_t* system, void* data);

}  // namespace k20::printerapp
