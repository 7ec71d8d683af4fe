// k20tool barcode: data validation and sample jobs of the barcode device fonts.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>

#include "common/text.h"
#include "prnui/barcode/sample_job.h"
#include "prnui/barcode/symbology.h"
#include "prnui/barcode/validation.h"
#include "prnui/pages/code1d_page_model.h"
#include "prnui/pages/code2d_page_model.h"
#include "tools/k20tool/send_target.h"
#include "tools/k20tool/tool.h"

namespace k20::tool {
namespace {

using namespace k20::prnui;
using Bytes = std::vector<uint8_t>;

const char* kHelp =
    "usage:\n"
    "  k20tool barcode types\n"
    "      list the 1D and 2D type names\n"
    "  k20tool barcode validate --type NAME [--hex] DATA\n"
    "      exit 0 when the data is accepted, 1 with the reason on stderr when not;\n"
    "      for Code128 the packed bytes are written to stdout in hexadecimal\n"
    "  k20tool barcode sample --type NAME [--font-settings FIELD=VALUE[,FIELD=VALUE...]]...\n"
    "                         [--hex] [--to TARGET] DATA\n"
    "      the sample job of the default font settings with the given changes, to stdout\n"
    "      or sent to TARGET (tcp://HOST[:PORT], printer:NAME on Windows, or a path)\n"
    "NAME is a type as the page lists show it, e.g. \"UPC-A\", \"GS1 DataBar Expanded\", \"QR Code\",\n"
    "\"Maxi Code\" (any case). DATA is used byte for byte; with --hex it is hexadecimal (\"7B 41 31\").\n"
    "Numeric fields are clamped as the page clamps them while typing; lists take their stored values.\n"
    "1D fields: elementWidth barHeight hriPosition hriFont gs1ElementWidth gs1RowHeight\n"
    "           gs1CompositeRowHeight gs1SeparatorHeight gs1Hri gs1ApplyAi\n"
    "2D fields: pdfElementWidth pdfElementHeight pdfColumns pdfRows pdfErrorLevel gs1ElementWidth\n"
    "           gs1RowHeight gs1CompositeRowHeight gs1SeparatorHeight gs1Segments gs1Hri gs1ApplyAi\n"
    "           qrElementWidth qrLanguage qrModel qrErrorLevel composite\n";

struct Options {
    std::string type;
    bool hex = false;
    std::vector<std::string> settings;
    std::optional<SendTarget> to;
    std::string data;
    bool haveData = false;
};

bool ParseHex(const std::string& s, Bytes& out, std::string& err) {
    out.clear();
    int hi = -1;
    for (char c : s) {
        if (c == ' ' || c == ',' || c == ':') continue;
        int v = -1;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        if (v < 0) {
            err = std::string("not a hexadecimal digit: '") + c + "'";
            return false;
        }
        if (hi < 0) {
            hi = v;
        } else {
            out.push_back(uint8_t(hi * 16 + v));
            hi = -1;
        }
    }
    if (hi >= 0) {
        err = "odd number of hexadecimal digits";
        return false;
    }
    return true;
}

std::string HexText(const Bytes& b) {
    std::string s;
    char buf[4];
    for (size_t i = 0; i < b.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02X", b[i]);
        if (i) s += ' ';
        s += buf;
    }
    return s;
}

bool ParseArgs(const Args& argsIn, bool allowSettings, Options& o, std::string& err) {
    Args args = argsIn;
    if (allowSettings && !TakeSendTarget(args, o.to, err)) return false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--type" || (allowSettings && a == "--font-settings")) {
            if (i + 1 >= args.size()) {
                err = a + " needs a value";
                return false;
            }
            if (a == "--type")
                o.type = args[++i];
            else
                o.settings.push_back(args[++i]);
        } else if (a == "--hex") {
            o.hex = true;
        } else if (a.size() > 2 && a.rfind("--", 0) == 0) {
            err = "unknown option '" + a + "'";
            return false;
        } else if (!o.haveData) {
            o.data = a;
            o.haveData = true;
        } else {
            err = "more than one DATA argument ('" + a + "'); quote data with spaces";
            return false;
        }
    }
    if (o.type.empty()) {
        err = "--type NAME is required (see 'k20tool barcode types')";
        return false;
    }
    if (!o.haveData) {
        err = "DATA is missing";
        return false;
    }
    return true;
}

bool DataBytes(const Options& o, Bytes& out, std::string& err) {
    if (o.hex) return ParseHex(o.data, out, err);
    out.assign(o.data.begin(), o.data.end());
    return true;
}

// Settings as FIELD=VALUE items, split at commas.
bool SplitSettings(const std::vector<std::string>& in, std::vector<std::pair<std::string, std::string>>& out,
                   std::string& err) {
    for (const auto& s : in) {
        size_t start = 0;
        while (start <= s.size()) {
            size_t end = s.find(',', start);
            if (end == std::string::npos) end = s.size();
            const std::string item = s.substr(start, end - start);
            const size_t eq = item.find('=');
            if (eq == std::string::npos || eq == 0) {
                err = "font setting '" + item + "' is not FIELD=VALUE";
                return false;
            }
            out.emplace_back(item.substr(0, eq), item.substr(eq + 1));
            start = end + 1;
        }
    }
    return true;
}

bool ListValue(const std::string& field, const std::string& text, int lo, int hi, int& v, std::string& err) {
    const uint32_t n = ParseTypedNumber(Utf8ToUtf16(text));
    if (text.empty() || (n == 0 && text.find_first_not_of('0') != std::string::npos) || int64_t(n) < lo ||
        int64_t(n) > hi) {
        err = field + " takes " + std::to_string(lo) + ".." + std::to_string(hi) + ", not '" + text + "'";
        return false;
    }
    v = int(n);
    return true;
}

void NoteClamp(const std::string& field, const std::string& typed, const std::u16string& shown) {
    if (Utf8ToUtf16(typed) != shown)
        std::cerr << "k20tool: " << field << " '" << typed << "' is taken as " << Utf16ToUtf8(shown) << "\n";
}

bool Apply1D(Code1DPageModel& page, const std::string& f, const std::string& v, std::string& err) {
    static const std::pair<const char*, Field1D> kNumeric[] = {
        {"elementWidth", Field1D::ElementWidth},
        {"barHeight", Field1D::BarHeight},
        {"gs1ElementWidth", Field1D::Gs1ElementWidth},
        {"gs1RowHeight", Field1D::Gs1RowHeight},
        {"gs1CompositeRowHeight", Field1D::Gs1CompositeRowHeight},
        {"gs1SeparatorHeight", Field1D::Gs1SeparatorHeight},
    };
    for (const auto& [name, field] : kNumeric) {
        if (EqualsNoCase(f, name)) {
            NoteClamp(name, v, page.EditNumber(field, Utf8ToUtf16(v)));
            return true;
        }
    }
    int n = 0;
    if (EqualsNoCase(f, "hriPosition")) {
        if (!ListValue(f, v, 0, 3, n, err)) return false;
        page.SelectHriPosition(n);
    } else if (EqualsNoCase(f, "hriFont")) {
        if (!ListValue(f, v, 0, 1, n, err)) return false;
        page.SelectHriFont(n);
    } else if (EqualsNoCase(f, "gs1Hri")) {
        if (!ListValue(f, v, 1, 4, n, err)) return false;
        page.SelectHriContent(n - 1);
    } else if (EqualsNoCase(f, "gs1ApplyAi")) {
        if (!ListValue(f, v, 0, 1, n, err)) return false;
        page.SelectExpanded(n);
    } else {
        err = "unknown 1D font setting '" + f + "' (see --help)";
        return false;
    }
    return true;
}

bool Apply2D(Code2DPageModel& page, const std::string& f, const std::string& v, std::string& err) {
    static const std::pair<const char*, Field2D> kNumeric[] = {
        {"pdfColumns", Field2D::PdfColumns},
        {"pdfElementWidth", Field2D::PdfElementWidth},
        {"pdfRows", Field2D::PdfRows},
        {"pdfElementHeight", Field2D::PdfElementHeight},
        {"gs1ElementWidth", Field2D::Gs1ElementWidth},
        {"gs1RowHeight", Field2D::Gs1RowHeight},
        {"gs1CompositeRowHeight", Field2D::Gs1CompositeRowHeight},
        {"gs1SeparatorHeight", Field2D::Gs1SeparatorHeight},
        {"gs1Segments", Field2D::Gs1Segments},
        {"qrElementWidth", Field2D::QrElementWidth},
    };
    for (const auto& [name, field] : kNumeric) {
        if (EqualsNoCase(f, name)) {
            NoteClamp(name, v, page.EditNumber(field, Utf8ToUtf16(v)));
            return true;
        }
    }
    int n = 0;
    struct List {
        const char* name;
        int lo, hi;
        void (Code2DPageModel::*select)(int);
        int offset;
    };
    static const List kLists[] = {
        {"pdfErrorLevel", 0, 8, &Code2DPageModel::SelectErrorLevel, 0},
        {"gs1Hri", 1, 4, &Code2DPageModel::SelectHri, 1},
        {"gs1ApplyAi", 0, 1, &Code2DPageModel::SelectExpanded, 0},
        {"qrLanguage", 0, 1, &Code2DPageModel::SelectQrLanguage, 0},
        {"qrModel", 1, 2, &Code2DPageModel::SelectQrModel, 1},
        {"qrErrorLevel", 0, 3, &Code2DPageModel::SelectQrErrorLevel, 0},
    };
    for (const auto& l : kLists) {
        if (EqualsNoCase(f, l.name)) {
            if (!ListValue(f, v, l.lo, l.hi, n, err)) return false;
            (page.*l.select)(n - l.offset);
            return true;
        }
    }
    if (EqualsNoCase(f, "composite")) {
        if (!ListValue(f, v, 0, 1, n, err)) return false;
        page.SetComposite(n == 1);
        return true;
    }
    err = "unknown 2D font setting '" + f + "' (see --help)";
    return false;
}

int Reject(const barcode::ValidationResult& r) {
    // The pages' message, then what exactly was wrong.
    std::cerr << "k20tool: BarCode data error! (" << barcode::Describe(r) << ")\n";
    return 1;
}

int Validate(const Args& args) {
    Options o;
    std::string err;
    if (!ParseArgs(args, false, o, err)) return UsageError("barcode validate: " + err);
    Bytes data;
    if (!DataBytes(o, data, err)) return Fail("barcode validate: " + err);
    if (auto t = barcode::Find1DSymbology(o.type)) {
        const auto& sym = barcode::Symbologies1D()[size_t(*t)];
        const int code = sym.shape == barcode::Shape1D::Gs1 ? *t : sym.printerCode;
        const auto r = barcode::ValidateBarcodeData(code, data);
        if (!r.ok()) return Reject(r);
        if (code == barcode::kCode128) std::cout << HexText(data) << "\n";
        return 0;
    }
    if (auto t = barcode::Find2DSymbology(o.type)) {
        const auto r = barcode::Validate2DData(*t, data);
        return r.ok() ? 0 : Reject(r);
    }
    return Fail("barcode validate: unknown type '" + o.type + "' (see 'k20tool barcode types')");
}

int Sample(const Args& args) {
    Options o;
    std::string err;
    if (!ParseArgs(args, true, o, err)) return UsageError("barcode sample: " + err);
    Bytes data;
    if (!DataBytes(o, data, err)) return Fail("barcode sample: " + err);
    std::vector<std::pair<std::string, std::string>> settings;
    if (!SplitSettings(o.settings, settings, err)) return Fail("barcode sample: " + err);
    PrivateSettings rec;
    SetDefaults(rec, u"C:\\Windows\\system32");
    barcode::SamplePlan plan;
    const char* docName = nullptr;
    if (auto t = barcode::Find1DSymbology(o.type)) {
        Code1DPageModel page(rec);
        page.Open();
        page.SelectType(*t);
        for (const auto& [f, v] : settings)
            if (!Apply1D(page, f, v, err)) return Fail("barcode sample: " + err);
        plan = barcode::Plan1DSample(page.slot(), data);
        docName = barcode::kDocName1D;
    } else if (auto t2 = barcode::Find2DSymbology(o.type)) {
        Code2DPageModel page(rec);
        page.Open();
        page.SelectSymbology(*t2);
        for (const auto& [f, v] : settings)
            if (!Apply2D(page, f, v, err)) return Fail("barcode sample: " + err);
        plan = barcode::Plan2DSample(page.slot(), data);
        docName = barcode::kDocName2D;
    } else {
        return Fail("barcode sample: unknown type '" + o.type + "' (see 'k20tool barcode types')");
    }
    if (!plan.ok()) return Reject(plan.validation);
    return DeliverJob(o.to, docName, plan.writes);
}

int Run(const Args& args) {
    if (args.empty()) {
        std::cerr << kHelp;
        return 2;
    }
    if (WantsHelp(args)) {
        std::cout << kHelp;
        return 0;
    }
    const Args rest(args.begin() + 1, args.end());
    if (args[0] == "types") {
        if (!rest.empty()) return UsageError("barcode types takes no arguments");
        std::cout << "1D:\n";
        for (const auto& s : barcode::Symbologies1D()) std::cout << "  " << s.name << "\n";
        std::cout << "2D:\n";
        for (const auto& s : barcode::Symbologies2D()) std::cout << "  " << s.name << "\n";
        return 0;
    }
    if (args[0] == "validate") return Validate(rest);
    if (args[0] == "sample") return Sample(rest);
    return UsageError("unknown barcode command '" + args[0] + "'");
}

Registration reg("barcode", "barcode device fonts: validate data, write or send a sample job", Run, kHelp);

}  // namespace
}  // namespace k20::tool
