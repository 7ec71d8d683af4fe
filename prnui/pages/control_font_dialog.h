#pragma once
// The two dialogs that edit the control-font table, without their windows: the table
// ("Control Font Character Translation Table") and the translator for one row
// ("Control Font Character Translator"). Both use fixed English texts except the
// translator's length message, which comes from the language file.
#include <string>
#include <string_view>

#include "prnui/pages/control_font_table.h"

namespace k20::prnui {

inline constexpr std::u16string_view kControlFontTableTitle = u"Control Font Character Translation Table";
inline constexpr std::u16string_view kControlFontTranslatorTitle = u"Control Font Character Translator";
inline constexpr std::u16string_view kControlFontDriverName = u"K-20 Printer Driver";
inline constexpr std::u16string_view kMsgTableCommandLength = u"Command length error";
inline constexpr std::u16string_view kMsgTableSaveFailed =
    u"Please check if user has administrator privileges!";
inline constexpr std::string_view kMsgTranslatorCommandLength = "MB_OPERATION_ERROR1";
// List column widths in pixels: "Char", "Hex", "Command".
inline constexpr int kControlFontColumnWidths[3] = {50, 50, 450};

class ControlFontTranslatorModel {
  public:
    ControlFontTranslatorModel() = default;
    ControlFontTranslatorModel(uint8_t code, std::span<const uint8_t> bytes);

    std::u16string CharText() const { return row_.CharText(); }
    std::u16string HexText() const { return row_.HexText(); }
    // The Command field's text when the dialog opens.
    const std::u16string& InitialCommand() const { return initial_; }

    // OK with the field's whole text: true keeps the bytes and closes; false means the
    // length message is due and the dialog stays open.
    bool Accept(std::u16string_view fieldText);
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

  private:
    ControlFontRow row_;
    std::u16string initial_;
    std::vector<uint8_t> bytes_;
};

class ControlFontTableModel {
  public:
    explicit ControlFontTableModel(ControlFontTable table) : table_(std::move(table)) {}

    const ControlFontTable& Table() const { return table_; }
    int Selected() const { return selected_; }
    void Select(int row) { selected_ = row >= 0 && size_t(row) < table_.size() ? row : -1; }

    enum class EditStart { NoSelection, TooLong, Open };
    // Edit or a double-click: prepares the translator for the selected row. TooLong means
    // "Command length error" is due and nothing opens.
    EditStart BeginEdit(ControlFontTranslatorModel& translator) const;
    // The translator ended with OK: the row shows the formatted bytes.
    void FinishEdit(const ControlFontTranslatorModel& translator);
    // Delete: the selected row loses its command.
    void ClearSelected();
    // The row the list scrolls to after an edit or delete (the one before it from the
    // third row on, so that the changed row is not at the very top); -1 for none.
    int ScrollTarget() const { return scrollTo_; }

    // OK: true when saved and the dialog closes; false when the save message is due and
    // the dialog stays open (the previous file is left as it was).
    bool Save(platform::FileSystem& files, ProfileWriter& writer, const std::string& path);

  private:
    void MarkChanged(int row) { scrollTo_ = row >= 2 ? row - 1 : row; }

    ControlFontTable table_;
    int selected_ = -1;
    int scrollTo_ = -1;
};

}  // namespace k20::prnui
