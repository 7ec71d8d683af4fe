#include "prnui/pages/operation_model.h"

#include <algorithm>
#include <cstring>

#include "common/hex_command.h"

namespace k20::prnui {

namespace {
constexpr std::string_view kDrawer[] = {
    "RC_OPENDRAWER1",  "RC_OPENDRAWER2",  "RC_OPENDRAWER3", "RC_OPENDRAWER4", "RC_OPENDRAWER5",
    "RC_OPENDRAWER6",  "RC_OPENDRAWER7",  "RC_OPENDRAWER8", "RC_OPENDRAWER9", "RC_OPENDRAWER10",
    "RC_OPENDRAWER11", "RC_OPENDRAWER12", "RC_OPENDRAWER13"};
constexpr std::string_view kBuzzer[] = {"RC_OPERATION_BUZZER1", "RC_OPERATION_BUZZER2",
                                        "RC_OPERATION_BUZZER3", "RC_OPERATION_BUZZER4",
                                        "RC_OPERATION_BUZZER5", "RC_OPERATION_BUZZER6"};
constexpr std::string_view kCut[] = {"RC_PAPER_CUT1", "RC_PAPER_CUT2", "RC_PAPER_CUT3"};
constexpr std::string_view kLogo[] = {"RC_PRINT_LOGO1", "RC_PRINT_LOGO2", "RC_PRINT_LOGO3", "RC_PRINT_LOGO4",
                                      "RC_PRINT_LOGO5", "RC_PRINT_LOGO6", "RC_PRINT_LOGO7", "RC_PRINT_LOGO8",
                                      "RC_PRINT_LOGO9", "RC_PRINT_LOGO10"};
constexpr std::string_view kHerald[] = {"RC_ORDERMESSENGER1", "RC_ORDERMESSENGER2"};

constexpr int kDrawerBothLongest = 12;  // "Cash Drawer #1+#2 Waiting 60ms"
constexpr int kCutPartial = 1;
}  // namespace

OperationPoint BlockOf(OperationIndex i) {
    switch (i) {
        case OperationIndex::StartDoc:
            return OperationPoint::StartDoc;
        case OperationIndex::StartPage:
            return OperationPoint::StartPage;
        case OperationIndex::EndPage:
            return OperationPoint::EndPage;
        case OperationIndex::EndDoc:
            break;
    }
    return OperationPoint::EndDoc;
}

std::string_view OperationButtonKey(OperationIndex i) {
    constexpr std::string_view k[] = {"RC_STARTDOC", "RC_STARTPAGE", "RC_ENDPAGE", "RC_ENDDOC"};
    return k[int(i)];
}
std::string_view OperationDescriptionKey(OperationIndex i) {
    constexpr std::string_view k[] = {"RC_STATIC_SDOC", "RC_STATIC_SPAGE", "RC_STATIC_ENDPAGE",
                                      "RC_STATIC_ENDDOC"};
    return k[int(i)];
}
std::string_view OperationDialogTitleKey(OperationIndex i) {
    constexpr std::string_view k[] = {"RC_DOCUMENT_STARTDOC", "RC_DOCUMENT_STARTPAGE", "RC_DOCUMENT_ENDPAGE",
                                      "RC_DOCUMENT_ENDDOC"};
    return k[int(i)];
}

std::span<const std::string_view> DrawerKeys() {
    return kDrawer;
}
std::span<const std::string_view> BuzzerKeys() {
    return kBuzzer;
}
std::span<const std::string_view> CutKeys() {
    return kCut;
}
std::span<const std::string_view> LogoKeys() {
    return kLogo;
}

std::vector<ListEntry> HeraldEntries(
    const TextLookup& text, const std::function<bool(const std::u16string&, const std::u16string&)>& less) {
    std::vector<ListEntry> out;
    for (auto k : kHerald) out.push_back({k, text(k)});
    std::stable_sort(out.begin(), out.end(),
                     [&](const ListEntry& a, const ListEntry& b) { return less(a.text, b.text); });
    return out;
}

int ParseFieldNumber(std::u16string_view text) {
    int v = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return 0;
        v = v * 10 + (c - u'0');
        if (v > 99999) return 99999;
    }
    return v;
}

OperationDialogModel::OperationDialogModel(OperationIndex index, const OperationValues& w) : index_(index) {
    sendCommand = w.commandEnabled != 0;
    const size_t n = std::min<size_t>(w.commandLength, kMaxCommandBytes);
    commandText = FormatHexCommand(std::span<const uint8_t>(w.command, n));
    feedToCut = w.feedToCut != 0;
    drawer = w.drawer;
    herald = w.herald;
    cut = w.cut;
    buzzer = w.buzzer;
    logo = w.logo;
    feedTyped = w.feedMm;
    volumeTyped = w.buzzerVolume;
    heraldChosen = w.drawerOrHerald != 0;
    logoAlign = w.logoAlign;
    logoPosition = w.logoPosition;
}

int OperationDialogModel::TypeFeed(std::u16string_view text) {
    feedTyped = ParseFieldNumber(text);
    return std::min(feedTyped, kMaxFeedMm);
}

int OperationDialogModel::TypeVolume(std::u16string_view text) {
    volumeTyped = ParseFieldNumber(text);
    return std::min(volumeTyped, kMaxBuzzerVolume);
}

int OperationDialogModel::PreviewIndex() const {
    return int(index_) * 4 + (feedToCut ? 2 : 0) + (cut != 0 ? 1 : 0);
}

void OperationDialogModel::Default() {
    sendCommand = false;
    commandText.clear();
    feedToCut = false;
    drawer = index_ == OperationIndex::StartDoc ? kDrawerBothLongest : 0;
    herald = 0;
    heraldChosen = false;
    feedTyped = 0;
    cut = 0;
    if (index_ == OperationIndex::EndDoc) {
        feedToCut = true;
        cut = kCutPartial;
    }
    buzzer = 0;
    logo = 0;
    logoAlign = 0;
    logoPosition = 0;
    volumeTyped = 0;
}

std::optional<PageMessage> OperationDialogModel::Ok(OperationValues& w) const {
    // The whole field is parsed: cutting the text at a fixed length first could drop
    // the tail of a command without a word.
    const std::vector<uint8_t> bytes = ParseHexCommand(commandText);
    if (bytes.size() > kMaxCommandBytes) return ErrorMessage("MB_OPERATION_ERROR1");
    w.commandLength = uint8_t(bytes.size());
    std::memset(w.command, 0, sizeof w.command);
    std::copy(bytes.begin(), bytes.end(), w.command);
    w.commandEnabled = sendCommand ? 1 : 0;
    w.feedToCut = feedToCut ? 1 : 0;
    w.drawer = uint8_t(drawer);
    w.cut = uint8_t(cut);
    w.herald = uint8_t(herald);
    w.buzzer = uint8_t(buzzer);
    w.logo = uint8_t(logo);
    w.feedMm = uint8_t(std::min(feedTyped, kMaxFeedMm));
    w.buzzerVolume = uint8_t(std::min(volumeTyped, kMaxBuzzerVolume));
    w.drawerOrHerald = heraldChosen ? 1 : 0;
    w.logoAlign = uint8_t(logoAlign == 0 ? 0 : logoAlign == 1 ? 1 : 2);
    w.logoPosition = logoPosition == 0 ? 0 : 1;
    return std::nullopt;
}

bool OperationPageModel::Edit(OperationIndex index,
                              const std::function<bool(OperationDialogModel&, OperationValues&)>& run) {
    OperationValues working = ReadOperation(settings_, BlockOf(index));
    OperationDialogModel dialog(index, working);
    if (!run(dialog, working)) return false;
    WriteOperation(settings_, BlockOf(index), working);
    return true;
}

}  // namespace k20::prnui
