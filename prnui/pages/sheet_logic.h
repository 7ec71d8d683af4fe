#pragma once
// The parts of sheet assembly that need no window: which pages each sheet has and how
// they are titled, and the renaming of the driver's own density option.
#include <cstddef>
#include <string>
#include <string_view>

#include "prnui/core/texts.h"

namespace k20::prnui {

// The pages of the two sheets. Version serves both.
enum class PageKind { Layout, Watermark, Operation, Code1D, Code2D, Version, Utility, Download, Font, Count };

struct PageTab {
    PageKind kind;
    std::string_view section;
    std::string_view titleKey;
};

// In the order they are added; the document pages follow the host's own two pages.
inline constexpr PageTab kDocumentPages[] = {
    {PageKind::Layout, sec::Layout, "RC_LAYOUTFORM"},
    {PageKind::Watermark, sec::Watermark, "RC_WATERMARKFORM"},
    {PageKind::Operation, sec::Operation, "RC_OPERATIONFORM"},
    {PageKind::Code1D, sec::Code1D, "RC_1DCODEFORM"},
    {PageKind::Code2D, sec::Code2D, "RC_2DCODEFORM"},
    {PageKind::Version, sec::Version, "RC_VERSIONFORM"},
};
inline constexpr PageTab kDevicePages[] = {
    {PageKind::Utility, sec::Utility, "RC_UTILITYFORM"},
    {PageKind::Download, sec::Download, "RC_DOWNLOADFORM"},
    {PageKind::Font, sec::Font, "RC_FONTFORM"},
    {PageKind::Version, sec::Version, "RC_VERSIONFORM"},
};
// Index of the first plug-in tab of the document sheet (after the host's own two).
inline constexpr int kFirstDocumentTab = 2;

std::u16string PageTitle(const Texts& texts, const PageTab& tab);

// The driver's density feature is recognised by its first option's text, in any of the
// three languages the driver's own data may be in.
bool IsDensityItem(int level, int dmPubId, std::u16string_view firstOptionText);
std::u16string DensityTitle(const Texts& texts);
std::u16string DensityOptionName(const Texts& texts, size_t index);  // "Density0", ...

}  // namespace k20::prnui
