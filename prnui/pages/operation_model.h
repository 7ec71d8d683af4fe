#pragma once
// The Operation page and its document-operation dialog, without windows: which block a
// button edits, what every control shows, the enable rules, "Default" and what "OK" stores.
#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "prnui/core/private_settings.h"
#include "prnui/pages/page_message.h"

namespace k20::prnui {

// The dialog's own numbering of the four points (titles, defaults and pictures follow it);
// it differs from the record's block order.
enum class OperationIndex { StartDoc = 0, StartPage = 1, EndPage = 2, EndDoc = 3 };
inline constexpr int kOperationCount = 4;

OperationPoint BlockOf(OperationIndex i);
std::string_view OperationButtonKey(OperationIndex i);       // OPERATION section
std::string_view OperationDescriptionKey(OperationIndex i);  // OPERATION section
std::string_view OperationDialogTitleKey(OperationIndex i);  // DOCUMENT section

// Keys of the choice lists in list order (DOCUMENT section). The herald list is shown
// sorted by its texts; HeraldEntries gives that order.
std::span<const std::string_view> DrawerKeys();  // 13
std::span<const std::string_view> BuzzerKeys();  // 6
std::span<const std::string_view> CutKeys();     // 3
std::span<const std::string_view> LogoKeys();    // 10

struct ListEntry {
    std::string_view key;
    std::u16string text;
};
using TextLookup = std::function<std::u16string(std::string_view key)>;
// The herald list as the sorted combo box shows it; `less` is the list's own collation.
std::vector<ListEntry> HeraldEntries(
    const TextLookup& text, const std::function<bool(const std::u16string&, const std::u16string&)>& less);

inline constexpr size_t kMaxCommandBytes = 128;
inline constexpr int kMaxFeedMm = 100;
inline constexpr int kMaxBuzzerVolume = 255;

// Digits of a number field as typed (at most 3 characters, digits only); anything else is 0.
int ParseFieldNumber(std::u16string_view text);

class OperationDialogModel {
  public:
    OperationDialogModel(OperationIndex index, const OperationValues& working);

    OperationIndex index() const { return index_; }
    std::string_view TitleKey() const { return OperationDialogTitleKey(index_); }

    // Control state.
    bool sendCommand = false;
    std::u16string commandText;
    bool feedToCut = false;
    int drawer = 0, herald = 0, cut = 0, buzzer = 0, logo = 0;
    int feedTyped = 0;          // what the feed field holds
    int volumeTyped = 0;        // what the volume field holds
    bool heraldChosen = false;  // "Herald" radio checked rather than "Open Drawer"
    int logoAlign = 0;          // 0 Left, 1 Centered, 2 Right
    int logoPosition = 0;       // 0 Before Cut, 1 After Cut

    // Enable rules.
    bool CommandFieldEnabled() const { return sendCommand; }
    bool DrawerListEnabled() const { return !heraldChosen; }
    bool HeraldListEnabled() const { return heraldChosen; }
    bool LogoPlacementEnabled() const { return logo != 0; }
    static constexpr bool VolumeEnabled() { return false; }

    // Typed numbers: the spin follows, limited to the field's range; returns the spin position.
    int TypeFeed(std::u16string_view text);
    int TypeVolume(std::u16string_view text);

    // 0..15: four pictures per operation, by feed-to-cut and by a cut being chosen.
    int PreviewIndex() const;

    void Default();

    // Stores into the working copy and returns nothing, or returns the message to show
    // with the dialog kept open and nothing stored.
    std::optional<PageMessage> Ok(OperationValues& working) const;

  private:
    OperationIndex index_;
};

// The page: runs the dialog on a working copy of the block; the record changes only on OK.
class OperationPageModel {
  public:
    explicit OperationPageModel(PrivateSettings& s) : settings_(s) {}
    // `run` shows the dialog and returns true when it ended with OK (having stored into
    // the working copy through Ok()). Returns true when the page changed.
    bool Edit(OperationIndex index,
              const std::function<bool(OperationDialogModel&, OperationValues& working)>& run);

  private:
    PrivateSettings& settings_;
};

}  // namespace k20::prnui
