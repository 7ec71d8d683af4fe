#include "prnui/pages/sheet_logic.h"

namespace k20::prnui {

std::u16string PageTitle(const Texts& texts, const PageTab& tab) {
    return texts.Get(tab.section, tab.titleKey);
}

bool IsDensityItem(int level, int dmPubId, std::u16string_view firstOptionText) {
    constexpr int kDmPubNone = 0;
    if (level != 2 || dmPubId != kDmPubNone) return false;
    for (std::u16string_view word :
         {std::u16string_view(u"Density"), std::u16string_view(u"浓度"), std::u16string_view(u"濃度")})
        if (firstOptionText.find(word) != std::u16string_view::npos) return true;
    return false;
}

std::u16string DensityTitle(const Texts& texts) {
    return texts.Get(sec::Gpd, "RC_DENSITY");
}

std::u16string DensityOptionName(const Texts& texts, size_t index) {
    std::string n = std::to_string(index);
    return texts.Get(sec::Gpd, "RC_DENSITY_INDEX") + std::u16string(n.begin(), n.end());
}

}  // namespace k20::prnui
