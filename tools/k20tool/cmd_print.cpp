// k20tool print: a picture printed as a receipt through the rendering engine.
#include <cstdlib>
#include <filesystem>
#ifdef __GLIBC__
#include <malloc.h>
#include <sys/mman.h>
#endif
#include <iostream>
#include <optional>

#include "common/bmp_file.h"
#include "common/byte_reader.h"
#include "prnui/core/private_settings.h"
#include "prnui/imaging/logo_image.h"
#include "render/engine.h"
#include "render/file_io.h"
#include "render/picture.h"
#include "tools/k20tool/send_target.h"
#include "tools/k20tool/tool.h"

namespace k20::tool {
namespace {

using namespace k20::render;

const char* kHelp =
    "usage:\n"
    "  k20tool print IMAGE [--settings RECORD] [--cut none|partial|full] [--drawer N]\n"
    "                [--buzzer N] [--logo N] [--density 0|1|2]\n"
    "                [--halftone none|m3|m4|diffuse] [--log-folder DIR [--log-images]]\n"
    "                [--to TARGET]\n"
    "      print a BMP, PNG or JPEG picture as one receipt page: scaled down to 576 dots\n"
    "      when wider, halftoned (default: error diffusion), with the operations of the\n"
    "      private settings RECORD (a 1980-byte file as 'k20tool settings' writes it).\n"
    "      The options replace the record's choices: --cut at the end of the document\n"
    "      (after a feed to the cut position), --drawer N (0..12, the drawer list's entry)\n"
    "      at its start, --buzzer N (0..5) at its end, --logo N (1..9, 0 none) centered at\n"
    "      its start. --density: 0 light, 1 normal (default), 2 dark. --log-folder keeps\n"
    "      the job in a driver log under DIR (and its page as bitmap and JPEG with\n"
    "      --log-images). The job goes to standard output unless --to names\n"
    "      tcp://HOST[:PORT], printer:NAME or a path.\n";

#ifdef __GLIBC__
constexpr size_t kWorkingHeap = 24u << 20;
constexpr uintptr_t kHugePage = 2u << 20;
#endif

bool ParseNumber(const std::string& s, int lo, int hi, int& v) {
    if (s.empty() || s.size() > 3 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    v = std::atoi(s.c_str());
    return v >= lo && v <= hi;
}

struct Options {
    std::string image, record, logFolder;
    bool logImages = false;
    std::optional<Cut> cut;
    std::optional<int> drawer, buzzer, logo, density;
    int halftone = prnui::kHalftoneErrorDiffuse;
};

bool ParseOptions(const Args& args, Options& o, std::string& err) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string v;
        auto value = [&] {
            if (i + 1 >= args.size()) {
                err = a + " needs a value";
                return false;
            }
            v = args[++i];
            return true;
        };
        auto number = [&](int lo, int hi, std::optional<int>& out) {
            if (!value()) return false;
            int n = 0;
            if (!ParseNumber(v, lo, hi, n)) {
                err = a + " takes " + std::to_string(lo) + " to " + std::to_string(hi) + ", not '" + v + "'";
                return false;
            }
            out = n;
            return true;
        };
        if (a == "--settings") {
            if (!value()) return false;
            o.record = v;
        } else if (a == "--cut") {
            if (!value()) return false;
            if (v == "none")
                o.cut = Cut::None;
            else if (v == "partial")
                o.cut = Cut::Partial;
            else if (v == "full")
                o.cut = Cut::Full;
            else
                return err = "--cut takes none, partial or full", false;
        } else if (a == "--drawer") {
            if (!number(0, 12, o.drawer)) return false;
        } else if (a == "--buzzer") {
            if (!number(0, 5, o.buzzer)) return false;
        } else if (a == "--logo") {
            if (!number(0, 9, o.logo)) return false;
        } else if (a == "--density") {
            if (!number(0, 2, o.density)) return false;
        } else if (a == "--halftone") {
            if (!value()) return false;
            if (v == "none")
                o.halftone = prnui::kHalftoneNone;
            else if (v == "m3")
                o.halftone = prnui::kHalftoneDitherM3;
            else if (v == "m4")
                o.halftone = prnui::kHalftoneDitherM4;
            else if (v == "diffuse")
                o.halftone = prnui::kHalftoneErrorDiffuse;
            else
                return err = "--halftone takes none, m3, m4 or diffuse", false;
        } else if (a == "--log-folder") {
            if (!value()) return false;
            o.logFolder = v;
        } else if (a == "--log-images") {
            o.logImages = true;
        } else if (a.rfind("--", 0) == 0) {
            return err = "unknown option " + a, false;
        } else if (o.image.empty()) {
            o.image = a;
        } else {
            return err = "only one IMAGE is printed at a time", false;
        }
    }
    if (o.image.empty()) return err = "say which IMAGE to print", false;
    if (o.logImages && o.logFolder.empty()) return err = "--log-images needs --log-folder", false;
    return true;
}

bool LoadSettings(const Options& o, JobSettings& s, std::string& err) {
    if (!o.record.empty()) {
        std::vector<uint8_t> bytes;
        PictureLimits small;
        small.maxFileBytes = 1 << 20;
        if (!ReadPictureFile(o.record, bytes, err, small)) return false;
        const uint32_t size = bytes.size() >= 4 ? GetU32(bytes.data(), 0) : 0;
        const uint32_t sig = bytes.size() >= 8 ? GetU32(bytes.data(), 4) : 0;
        const uint32_t ver = bytes.size() >= 12 ? GetU32(bytes.data(), 8) : 0;
        if (bytes.size() < prnui::kPrivateSettingsSize || size != prnui::kPrivateSettingsSize ||
            sig != prnui::kPrivateSettingsSignature || ver != prnui::kPrivateSettingsVersion)
            return err = o.record + ": not a private settings record (1980 bytes, signature PLR, version 1)",
                   false;
        s = SettingsFromRecordBytes(bytes);
    }
    Operation& start = s.operations[size_t(OperationPoint::StartDocument)];
    Operation& end = s.operations[size_t(OperationPoint::EndDocument)];
    if (o.cut) {
        end.cut = *o.cut;
        end.feedToCut = *o.cut != Cut::None;
    }
    if (o.drawer) {
        start.herald = false;
        start.drawer = uint8_t(*o.drawer);
    }
    if (o.buzzer) end.buzzer = uint8_t(*o.buzzer);
    if (o.logo) {
        start.logo = uint8_t(*o.logo);
        start.logoAlign = LogoAlign::Center;
        start.logoPosition = LogoPosition::BeforeCut;
    }
    if (o.density) s.density = Density(*o.density);
    if (!o.logFolder.empty()) {
        s.log.enabled = true;
        s.log.savePrn = true;
        s.log.saveBmp = s.log.saveBmp || o.logImages;
        s.log.saveJpeg = s.log.saveJpeg || o.logImages;
        s.log.folder = o.logFolder;
    }
    s.jobName = PathToUtf8(PathFromUtf8(o.image).stem());
    return true;
}

int Print(const Options& o, const std::optional<SendTarget>& to) {
#ifdef __GLIBC__
    // The decoded picture, its bitmap and the halftoned image each take a picture-sized
    // block. Served as fresh mappings, every one pays its page faults again (more than the
    // halftoning costs); kept in the heap, each reuses the pages of the one freed before.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
    // Page faults are the larger part of that cost: grow the heap once, in large pages
    // where the system allows it, and hand it back to the allocator for those blocks.
    if (void* heap = std::malloc(kWorkingHeap)) {
        const uintptr_t lo = (reinterpret_cast<uintptr_t>(heap) + kHugePage - 1) & ~(kHugePage - 1);
        const uintptr_t hi = (reinterpret_cast<uintptr_t>(heap) + kWorkingHeap) & ~(kHugePage - 1);
        if (hi > lo) madvise(reinterpret_cast<void*>(lo), hi - lo, MADV_HUGEPAGE);
        std::free(heap);
    }
#endif
    JobSettings settings;
    std::string err;
    if (!LoadSettings(o, settings, err)) return Fail(err);
    std::vector<uint8_t> file, bmp, mono;
    if (!ReadPictureFile(o.image, file, err)) return Fail(err);
    if (!PictureToBmp(file, kMaxDots, bmp, err)) return Fail(o.image + ": " + err);
    file = {};
    const prnui::ConvertResult r = prnui::ConvertToMonoImage(bmp, o.halftone, 0, 0, mono);
    if (r != prnui::ConvertResult::Ok) return Fail(o.image + ": the picture could not be halftoned");
    bmp = {};
    // The working image: 1-bit, bottom-up, palette entry 0 black, so a printed dot is a 0 bit.
    ByteReader reader(mono);
    BmpHeader header;
    if (!ReadBmpHeader(reader, header)) return Fail(o.image + ": the picture could not be halftoned");
    const uint32_t w = uint32_t(header.width);
    const uint32_t h = uint32_t(header.height);
    const size_t stride = size_t(BmpStride(w, 1));
    const size_t bytes = (size_t(w) + 7) / 8;
    MemorySink sink;
    Engine engine(sink, settings);
    engine.StartDocument();
    engine.StartPage(w);
    std::vector<uint8_t> row(bytes);
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* src = mono.data() + header.pixelOffset + size_t(h - 1 - y) * stride;
        for (size_t i = 0; i < bytes; ++i) row[i] = uint8_t(~src[i]);
        engine.WriteRow(row);
    }
    engine.EndPage();
    engine.EndDocument();
    if (!engine.Ok()) return Fail(engine.Error());
    if (!engine.LogWarning().empty()) std::cerr << "k20tool: driver log: " << engine.LogWarning() << "\n";
    return DeliverJob(to, settings.jobName, {std::move(sink.data)});
}

int Run(const Args& argsIn) {
    if (WantsHelp(argsIn) || argsIn.empty()) {
        (argsIn.empty() ? std::cerr : std::cout) << kHelp;
        return argsIn.empty() ? 2 : 0;
    }
    Args args = argsIn;
    std::optional<SendTarget> to;
    std::string err;
    if (!TakeSendTarget(args, to, err)) return UsageError(err);
    Options o;
    if (!ParseOptions(args, o, err)) return UsageError(err);
    return Print(o, to);
}

Registration reg("print", "print a BMP, PNG or JPEG picture as a receipt through the rendering engine", Run,
                 kHelp);

}  // namespace
}  // namespace k20::tool
