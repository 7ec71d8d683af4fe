#pragma once
// The printer application's own job and printer options: the vendor attributes a client
// sees (names, values, defaults) as one table, and the engine's job settings made from
// the values PAPPL hands the driver for a job. Nothing here knows PAPPL, so the table and
// the mapping are tested without a server.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "render/engine.h"

namespace k20::printerapp {

enum class OptionSyntax { Keyword, IntegerList, Range };

struct VendorOption {
    const char* name;
    OptionSyntax syntax;
    std::vector<const char*> keywords;  // Keyword: the values in the order shown
    std::vector<int> integers;          // IntegerList: the values in the order shown
    int lower = 0;                      // Range: inclusive bounds
    int upper = 0;
    const char* defaultValue;
};

// Every vendor attribute, in the order the settings page shows them.
std::span<const VendorOption> VendorOptions();
const VendorOption* FindVendorOption(std::string_view name);

// True when value is one the option allows (keywords exactly, integers in decimal).
bool IsValidValue(const VendorOption& option, std::string_view value);

// Halftoning of gray and colour input, chosen per printer by its driver.
enum class Halftone { Ordered, Diffusion };

// A value by attribute name as PAPPL gives it to the driver (the job's own value, else
// the printer's default); nullptr when neither exists.
using OptionLookup = std::function<const char*(std::string_view name)>;

// The value of an option, or its table default when absent or not one it allows.
std::string OptionValue(const OptionLookup& lookup, const VendorOption& option);

// print-darkness (-100..100, per job) moves the printer's configured darkness (0..100)
// by half its value; the engine knows three densities.
render::Density DensityFor(int printDarkness, int darknessConfigured);

struct DriverLog {
    std::string folder;  // the log root; empty: no log
};

render::JobSettings SettingsFromOptions(const OptionLookup& lookup, int printDarkness, int darknessConfigured,
                                        const DriverLog& log, std::string jobName);

}  // namespace k20::printerapp
