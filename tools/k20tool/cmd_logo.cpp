// k20tool logo: the Download page's conversions and logo jobs from the command line.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>

#include "common/bmp_file.h"
#include "common/text.h"
#include "prnui/imaging/logo_image.h"
#include "prnui/imaging/logo_stream.h"
#include "prnui/imaging/working_images.h"
#include "prnui/pages/download_page_model.h"
#include "render/picture.h"
#include "tools/k20tool/file_streams.h"
#include "tools/k20tool/local_files.h"
#include "tools/k20tool/device_command.h"
#include "tools/k20tool/send_target.h"
#include "tools/k20tool/tool.h"

namespace k20::tool {
namespace {

using namespace k20::prnui;

const char* kHelp =
    "usage:\n"
    "  k20tool logo convert IN.bmp --mono|--gray [--method none|m3|m4|diffuse]\n"
    "                       [--contrast N] [--brightness N] [-o OUT.bmp]\n"
    "      convert as the Download page previews it; the default output lies beside IN\n"
    "      (shop.bmp -> shopTemp.bmp) and is never written over, the default method Dither M3\n"
    "  k20tool logo download --mono|--gray A.bmp [B.bmp ...] [--method M] [--contrast N]\n"
    "                       [--brightness N] [--to TARGET]\n"
    "      the \"Download all\" job for up to 9 logos, with the page's checks; the working\n"
    "      images live in a folder of the tool's own under the temporary folder\n"
    "  k20tool logo clear [--to TARGET]\n"
    "      the \"Clear All Logos\" job\n"
    "PNG and JPEG pictures are taken as well as bitmaps.\n"
    "Contrast and brightness range over -100..100 (default 0). Jobs go to standard output\n"
    "unless --to names tcp://HOST[:PORT], printer:NAME or a path.\n";

struct Options {
    std::optional<bool> mono;
    int method = kHalftoneDitherM3;
    bool methodGiven = false;
    int contrast = 0, brightness = 0;
    std::string output;
    std::vector<std::string> files;
};

bool ParseInt(const std::string& s, int& v) {
    char* end = nullptr;
    const long n = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end || n < -100 || n > 100) return false;
    v = int(n);
    return true;
}

bool ParseOptions(const Args& args, Options& o, std::string& err) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                err = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--mono" || a == "--gray") {
            if (o.mono && *o.mono != (a == "--mono")) {
                err = "--mono and --gray exclude each other";
                return false;
            }
            o.mono = a == "--mono";
        } else if (a == "--method") {
            if (!value(v)) return false;
            const char* names[] = {"none", "m3", "m4", "diffuse"};
            int m = -1;
            for (int k = 0; k < 4; ++k)
                if (EqualsNoCase(v, names[k])) m = k;
            if (m < 0) {
                err = "unknown method '" + v + "' (none, m3, m4, diffuse)";
                return false;
            }
            o.method = m;
            o.methodGiven = true;
        } else if (a == "--contrast" || a == "--brightness") {
            if (!value(v)) return false;
            if (!ParseInt(v, a == "--contrast" ? o.contrast : o.brightness)) {
                err = a + " must be a whole number from -100 to 100, not '" + v + "'";
                return false;
            }
        } else if (a == "-o") {
            if (!value(o.output)) return false;
        } else if (a.size() > 1 && a[0] == '-') {
            err = "unknown option " + a;
            return false;
        } else {
            o.files.push_back(a);
        }
    }
    if (!o.mono) {
        err = "say --mono or --gray";
        return false;
    }
    if (!*o.mono && o.methodGiven) {
        err = "--method applies to --mono only";
        return false;
    }
    return true;
}

std::string MessageText(std::string_view key) {
    return Utf16ToUtf8(DownloadDefaultText(key));
}

// Beside the source, the file name's extension replaced by "Temp.bmp"; a name without
// an extension keeps all of it (dl/sub/ab -> dl/sub/abTemp.bmp).
std::string DefaultConvertOutput(const std::string& in) {
    const size_t slash = in.find_last_of("/\\");
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = in.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    return (hasExtension ? in.substr(0, dot) : in) + "Temp.bmp";
}

std::string TempFolder() {
    std::error_code ec;
    const auto u8 = std::filesystem::temp_directory_path(ec).u8string();
    return ec ? std::string() : std::string(u8.begin(), u8.end());
}

int Convert(const Options& o) {
    if (o.files.size() != 1) return UsageError("logo convert needs exactly one IN.bmp");
    const std::string path = o.output.empty() ? DefaultConvertOutput(o.files[0]) : o.output;
    std::error_code ec;
    if (o.output.empty() &&
        std::filesystem::exists(std::filesystem::path(std::u8string(path.begin(), path.end())), ec))
        return Fail(path + " exists already; name the output with -o to replace it");
    std::string err;
    render::PictureBitmapFile picture;  // a PNG or JPEG logo as a bitmap file
    if (!picture.Open(o.files[0], err)) return Fail(o.files[0] + ": " + err);
    const std::string& in = picture.Path();
    // Mapping the source and writing the image as it is made spare memory of the picture's
    // size. A source about to be overwritten by its own working image is read first: its
    // mapped pages would vanish under the conversion.
    MappedFile src;
    if (platform::Error e = src.Open(in, SameFile(in, path)))
        return Fail(platform::DescribeReadError(in, platform::FileKind::Logo, e));
    ByteReader r(src.bytes());
    BmpHeader h;
    if (!ReadBmpHeader(r, h) || h.signature != kBmpSignature) return Fail(in + ": not a bitmap");
    OutputFile file(path);
    const ImageSink sink = [&file](std::span<const uint8_t> bytes) { return file.Write(bytes); };
    ConvertResult result;
    if (*o.mono) {
        result = ConvertToMonoImage(src.bytes(), o.method, o.contrast, o.brightness, sink);
        if (result == ConvertResult::Unchanged) {
            std::cout << in << ": a 1-bit bitmap, used unchanged (no file written)\n";
            return 0;
        }
    } else {
        GrayVariant v;
        if (!GrayVariantFor(h.bitCount, v))
            return Fail(in + ": " + std::to_string(h.bitCount) + "-bit bitmaps can't be made gray");
        result = ConvertToGrayImage(src.bytes(), v, o.contrast, o.brightness, sink);
    }
    if (result == ConvertResult::BadFormat) {
        BmpImage img;
        std::string why = "not a bitmap laid out as logos are (40-byte header, full palette, bottom-up)";
        if (!DecodeBmp(src.bytes(), img, &why)) {
        } else if (img.topDown) {
            why = "top-down bitmaps are not taken";
        }
        return Fail(in + ": " + why);
    }
    if (result != ConvertResult::Ok) {
        const bool writeFailed = file.failed();
        file.Discard();
        return Fail(writeFailed ? "cannot write " + path : in + ": out of memory");
    }
    if (!file.Close()) return Fail("cannot write " + path);
    std::cout << path << "\n";
    return 0;
}

int Download(const Options& o, const std::optional<SendTarget>& to) {
    LocalFileSystem fs;
    if (o.files.empty()) return UsageError(MessageText("MB_DOWNLOAD_ERROR5"));
    if (o.files.size() > size_t(kMaxLogos)) return Fail(MessageText("MB_DOWNLOAD_ERROR4"));
    std::vector<LogoEntry> logos;
    // Deleted with everything in it when the command ends, however it ends.
    WorkingImages images(fs, TempFolder());
    std::vector<render::PictureBitmapFile> pictures(o.files.size());  // PNG and JPEG logos as bitmap files
    for (size_t i = 0; i < o.files.size(); ++i) {
        std::string err;
        if (!pictures[i].Open(o.files[i], err)) return Fail(o.files[i] + ": " + err);
        const std::string& f = pictures[i].Path();
        BmpHeader header;
        if (auto m = CheckLogoFile(fs, f, header)) {
            std::vector<uint8_t> probe;
            const platform::Error e = platform::ReadBoundedFile(fs, f, platform::FileKind::Logo, probe);
            if (e == platform::kErrFileTooLarge || e == platform::kErrBadFileType)
                return Fail(platform::DescribeReadError(f, platform::FileKind::Logo, e));
            return Fail(f + ": " + MessageText(m->key));
        }
        const int bits = header.bitCount;
        if (header.signature != kBmpSignature) return Fail(f + ": not a bitmap");
        const std::string working = images.NewPath();
        if (working.empty()) return Fail("cannot make a folder for the working images in " + TempFolder());
        std::string out;
        ConvertResult r = ConvertResult::Ok;
        if (*o.mono) {
            if (bits != 1) r = ConvertToMono(fs, f, working, out, o.method, o.contrast, o.brightness);
        } else {
            GrayVariant v;
            r = GrayVariantFor(bits, v) ? ConvertToGray(fs, f, working, out, v, o.contrast, o.brightness)
                                        : ConvertResult::BadFormat;
        }
        if (r != ConvertResult::Ok)
            return Fail(f + ": can't be converted (" +
                        std::string(r == ConvertResult::BadFormat ? "not a usable bitmap" : "write failed") +
                        ")");
        logos.push_back({f, working});
    }
    std::vector<std::vector<uint8_t>> writes;
    const DownloadResult r = BuildLogoDownload(fs, *o.mono ? LogoType::Mono : LogoType::Gray, logos, writes);
    if (r != DownloadResult::Sent) {
        const char* key = DownloadMessageKey(r);
        return Fail(*key ? MessageText(key) : "a logo file is not usable; nothing was sent");
    }
    return DeliverJob(to, "LOGO", writes);
}

int Run(const Args& argsIn) {
    Args args = argsIn;
    std::optional<SendTarget> to;
    if (const std::optional<int> done = StartDeviceCommand(args, kHelp, to)) return *done;
    if (args.empty()) return UsageError("logo needs convert, download or clear");
    const std::string sub = args[0];
    args.erase(args.begin());
    if (sub == "clear") {
        if (!args.empty()) return UsageError("logo clear takes no arguments besides --to");
        return DeliverJob(to, "SELFTEST", BuildClearLogos());
    }
    Options o;
    if (sub != "convert" && sub != "download") return UsageError("unknown logo command '" + sub + "'");
    std::string err;
    if (!ParseOptions(args, o, err)) return UsageError(err);
    if (sub == "convert") {
        if (to) return UsageError("logo convert writes a file; --to is for jobs");
        return Convert(o);
    }
    if (!o.output.empty()) return UsageError("logo download takes no -o");
    return Download(o, to);
}

Registration reg("logo", "logo conversion, download and clear jobs of the Download page", Run, kHelp);

}  // namespace
}  // namespace k20::tool
