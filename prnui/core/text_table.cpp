// The built-in English texts: the fallback for every key of the language files.
#include "prnui/core/texts.h"

namespace k20::prnui {
namespace {

constexpr BuiltInText kTable[] = {
    {"LAYOUT", "RC_LAYOUTFORM", u"Main", kTitleChars},
    {"OPERATION", "RC_OPERATIONFORM", u"Operation", kTitleChars},
    {"WATERMARK", "RC_WATERMARKFORM", u"Water Mark", kTitleChars},
    {"1DCODE", "RC_1DCODEFORM", u"1D Code", kTitleChars},
    {"2DCODE", "RC_2DCODEFORM", u"2D Code", kTitleChars},
    {"VERSION", "RC_VERSIONFORM", u"Version", kTitleChars},
    {"UTILITY", "RC_UTILITYFORM", u"Utility", kTitleChars},
    {"DOWNLOAD", "RC_DOWNLOADFORM", u"Download", kTitleChars},
    {"FONT", "RC_FONTFORM", u"Font", kTitleChars},
    {"MessageBox", "MB_INFORMATION", u"Information", kTitleChars},
    {"MessageBox", "MB_WARNING", u"Warning", kTitleChars},
    {"MessageBox", "MB_ERROR", u"Error", kTitleChars},
    {"GPD", "RC_DENSITY", u"Print Density", kLabelChars},
    {"GPD", "RC_DENSITY_INDEX", u"Density", kLabelChars},
};

}  // namespace

std::span<const BuiltInText> BuiltInTexts() { return kTable; }

}  // namespace k20::prnui
