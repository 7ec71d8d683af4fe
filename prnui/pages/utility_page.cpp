#include "prnui/pages/utility_page.h"

#include <climits>

#include "common/text.h"

namespace k20::prnui {

using platform::Error;
using platform::FormInfo1;
using platform::kOk;

std::vector<std::vector<uint8_t>> SelfTestWrites() {
    return {
        {0x1B, 0x63, 0x3B, 0x01},
        // Function 65 of GS ( A: two parameter bytes, n = 0, m = 2 selects the test page.
        {0x1D, 0x28, 0x41, 0x02, 0x00, 0x00, 0x02},
        {0x1B, 0x63, 0x3B, 0x00},
    };
}

std::vector<uint8_t> SelfTestBytes() {
    std::vector<uint8_t> all;
    for (auto& w : SelfTestWrites()) all.insert(all.end(), w.begin(), w.end());
    return all;
}

Error PrintSelfTest(platform::Spooler& spooler, platform::PrinterHandle printer) {
    return platform::SendRawJob(spooler, printer, std::string(kSelfTestDocName), SelfTestWrites());
}

int32_t ReadSignedEdit(std::u16string_view text) {
    auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    size_t i = 0;
    while (i < text.size() && blank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    size_t digits = 0;
    int64_t v = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++digits) {
        v = v * 10 + (text[i] - u'0');
        if (v > int64_t(INT32_MAX) + 1) return 0;
    }
    while (i < text.size() && blank(text[i])) ++i;
    if (digits == 0 || i != text.size()) return 0;
    if (negative) v = -v;
    if (v > INT32_MAX || v < INT32_MIN) return 0;
    return int32_t(v);
}

int32_t ClampAsUnsigned(int32_t value, int32_t lo, int32_t hi, bool& clamped) {
    clamped = true;
    if (uint32_t(value) < uint32_t(lo)) return lo;
    if (uint32_t(value) > uint32_t(hi)) return hi;
    clamped = false;
    return value;
}

bool IsUserPaperForm(std::u16string_view formName) {
    return formName.find(kFormPrefix) != std::u16string_view::npos;
}

std::u16string EnteredFormName(std::u16string_view formName) {
    return formName.size() > kFormPrefixChars ? std::u16string(formName.substr(kFormPrefixChars))
                                              : std::u16string();
}

namespace {

FormInfo1 UserForm(std::u16string_view name, int32_t width, int32_t height) {
    FormInfo1 f;
    f.flags = platform::kFormUser;
    f.name = Utf16ToUtf8(name);
    f.width = width;
    f.height = height;
    f.left = 0;
    f.top = 0;
    f.right = width;
    f.bottom = height;
    return f;
}

std::u16string Number(int32_t v) {
    return Utf8ToUtf16(std::to_string(v));
}

}  // namespace

bool UtilityPageModel::Enumerate(std::vector<FormInfo1>& forms) {
    return spooler_.EnumForms1(printer_, forms) == kOk;
}

void UtilityPageModel::ShowSize(const FormInfo1& form) {
    width_ = Number(form.width / 100);
    height_ = Number(form.height / 100);
}

void UtilityPageModel::UpdateDeleteButton() {
    deleteEnabled_ =
        selected_ >= 0 && size_t(selected_) < list_.size() && list_[size_t(selected_)] != kDefaultFormName;
}

bool UtilityPageModel::Open() {
    list_.clear();
    selected_ = -1;
    deleteEnabled_ = false;

    std::vector<FormInfo1> forms;
    if (!Enumerate(forms)) return false;
    const std::string defaultName = Utf16ToUtf8(kDefaultFormName);
    bool found = false;
    for (auto& f : forms) found = found || f.name == defaultName;
    if (!found &&
        spooler_.AddForm1(printer_, UserForm(kDefaultFormName, kDefaultFormWidth, kDefaultFormHeight)) != kOk)
        return false;

    if (!Enumerate(forms)) return false;
    // A spooler that accepts the form without keeping it (as some do for user forms)
    // still gets the default listed first, with the size just given to it.
    FormInfo1 def = UserForm(kDefaultFormName, kDefaultFormWidth, kDefaultFormHeight);
    for (auto& f : forms)
        if (f.name == defaultName) {
            def = f;
            break;
        }
    ShowSize(def);
    list_.push_back(std::u16string(kDefaultFormName));
    for (auto& f : forms) {
        std::u16string name = Utf8ToUtf16(f.name);
        if (f.name != defaultName && IsUserPaperForm(name)) list_.push_back(std::move(name));
    }

    selected_ = 0;
    name_ = EnteredFormName(list_[0]);
    UpdateDeleteButton();
    ShowSize(def);
    return true;
}

std::string_view UtilityPageModel::Save() {
    bool clamped = false;
    int32_t width = ClampAsUnsigned(ReadSignedEdit(width_), kFormWidthMin, kFormWidthMax, clamped);
    if (clamped) width_ = Number(width);
    int32_t height = ClampAsUnsigned(ReadSignedEdit(height_), kFormHeightMin, kFormHeightMax, clamped);
    if (clamped) height_ = Number(height);
    width *= 100;
    height *= 100;

    std::u16string entered = name_.substr(0, kFormNameReadChars);

    std::vector<FormInfo1> forms;
    if (!Enumerate(forms)) return {};
    for (auto& f : forms) {
        std::u16string name = Utf8ToUtf16(f.name);
        if (IsUserPaperForm(name) && name.size() >= kFormPrefixChars &&
            name.substr(kFormPrefixChars) == entered) {
            if (spooler_.SetForm1(printer_, f.name, UserForm(name, width, height)) != kOk)
                return kMsgUtilitySaveFailed;
            return {};
        }
    }

    std::u16string full = std::u16string(kFormPrefix) + entered;
    if (spooler_.AddForm1(printer_, UserForm(full, width, height)) != kOk) return kMsgUtilitySaveFailed;
    list_.push_back(full);
    selected_ = int(list_.size()) - 1;
    UpdateDeleteButton();
    return {};
}

void UtilityPageModel::Delete() {
    if (!deleteEnabled_) return;
    const size_t at = size_t(selected_);
    // Whatever the spooler answers, the entry leaves the list; a form that stayed shows
    // up again the next time the page opens.
    spooler_.DeleteForm1(printer_, Utf16ToUtf8(list_[at]));
    list_.erase(list_.begin() + long(at));
    Select(at < list_.size() ? int(at) : int(list_.size()) - 1);
}

void UtilityPageModel::Select(int index) {
    if (index < 0 || size_t(index) >= list_.size()) {
        selected_ = -1;
        UpdateDeleteButton();
        return;
    }
    selected_ = index;
    const std::u16string& name = list_[size_t(index)];
    name_ = EnteredFormName(name);
    UpdateDeleteButton();
    std::vector<FormInfo1> forms;
    if (!Enumerate(forms)) return;
    const std::string exact = Utf16ToUtf8(name);
    for (auto& f : forms)
        if (f.name == exact) {
            ShowSize(f);
            return;
        }
}

}  // namespace k20::prnui
