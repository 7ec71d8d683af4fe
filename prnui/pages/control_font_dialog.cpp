#include "prnui/pages/control_font_dialog.h"

#include "common/hex_command.h"

namespace k20::prnui {

ControlFontTranslatorModel::ControlFontTranslatorModel(uint8_t code, std::span<const uint8_t> bytes)
    : initial_(FormatHexCommand(bytes)), bytes_(bytes.begin(), bytes.end()) {
    row_.code = code;
}

bool ControlFontTranslatorModel::Accept(std::u16string_view fieldText) {
    // The whole field is parsed: a shorter read would cut a long command that the
    // dialog itself showed, and OK would then store fewer bytes than were there.
    std::vector<uint8_t> bytes = ParseHexCommand(fieldText);
    if (bytes.size() > kMaxCommandBytes) return false;
    bytes_ = std::move(bytes);
    return true;
}

ControlFontTableModel::EditStart ControlFontTableModel::BeginEdit(
    ControlFontTranslatorModel& translator) const {
    if (selected_ < 0) return EditStart::NoSelection;
    const ControlFontRow& row = table_[size_t(selected_)];
    std::vector<uint8_t> bytes = row.Bytes();
    if (bytes.size() > kMaxCommandBytes) return EditStart::TooLong;
    translator = ControlFontTranslatorModel(row.code, bytes);
    return EditStart::Open;
}

void ControlFontTableModel::FinishEdit(const ControlFontTranslatorModel& translator) {
    if (selected_ < 0) return;
    table_[size_t(selected_)].command = FormatHexCommand(translator.Bytes());
    MarkChanged(selected_);
}

void ControlFontTableModel::ClearSelected() {
    if (selected_ < 0) return;
    table_[size_t(selected_)].command.clear();
    MarkChanged(selected_);
}

bool ControlFontTableModel::Save(platform::FileSystem& files, ProfileWriter& writer,
                                 const std::string& path) {
    return SaveControlFontTable(files, writer, path, table_) == platform::kOk;
}

}  // namespace k20::prnui
