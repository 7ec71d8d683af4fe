#include "prnui/imaging/logo_image.h"

#include <new>
#include <optional>

#include "common/bmp_file.h"
#include "prnui/imaging/logo_halftone.h"
#include "prnui/imaging/logo_levels.h"
#include "prnui/imaging/logo_output.h"
#include "prnui/imaging/logo_stream.h"
#include "prnui/imaging/logo_sums.h"

namespace k20::prnui {

using namespace logo;

namespace {

ConvertResult GrayImage(std::span<const uint8_t> source, GrayVariant variant, int contrast, int brightness,
                        Output& out) {
    const int want = variant == GrayVariant::Colour ? 24 : variant == GrayVariant::Gray ? 8 : 1;
    LogoPixels img;
    if (!ParseLogoSource(source, want, img)) return ConvertResult::BadFormat;
    const int c = ClampSetting(contrast), b = ClampSetting(brightness);
    try {
        out.Begin(img.width, img.height, 8);
        const Lut t = LevelTable(c, b);
        const WeightedTables wt(t, t, t);
        for (int y = 0; y < img.height; ++y) {
            const uint8_t* p = img.Row(y);
            uint8_t* d = out.NextRow();
            if (!d) return ConvertResult::Failed;
            switch (variant) {
                case GrayVariant::Colour:
                    ColourLevelRow(p, img.width, wt, d);
                    break;
                case GrayVariant::Gray:
                    GrayLevelRow(p, img.width, t, d);
                    break;
                case GrayVariant::TwoLevel:
                    for (int x = 0; x < img.width; ++x) d[x] = PixelBit(p, x) ? t[255] : t[0];
                    break;
            }
        }
        if (!out.End()) return ConvertResult::Failed;
    } catch (const std::bad_alloc&) {
        return ConvertResult::Failed;
    }
    return ConvertResult::Ok;
}

ConvertResult MonoImage(std::span<const uint8_t> source, int halftone, int contrast, int brightness,
                        Output& out) {
    ByteReader r(source);
    BmpHeader h;
    if (!ReadBmpHeader(r, h) || h.signature != kBmpSignature || h.compression != 0)
        return ConvertResult::BadFormat;
    if (h.bitCount == 1) {
        // "Unchanged" promises that the source can be sent as it is: the same checks as the
        // download's, made now rather than after the user chose it.
        LogoPixels one;
        return ParseLogoSource(source, 1, one) && ClassifyMonoPalette(source) != MonoPalette::Other
                   ? ConvertResult::Unchanged
                   : ConvertResult::BadFormat;
    }
    if (h.bitCount != 24 && h.bitCount != 8) return ConvertResult::BadFormat;
    LogoPixels img;
    if (!ParseLogoSource(source, h.bitCount, img)) return ConvertResult::BadFormat;
    const int c = ClampSetting(contrast), b = ClampSetting(brightness);
    const bool colour = img.bitCount == 24;
    const uint64_t n = uint64_t(img.width) * uint64_t(img.height);
    const int method =
        halftone == kHalftoneDitherM3 || halftone == kHalftoneDitherM4 || halftone == kHalftoneErrorDiffuse
            ? halftone
            : kHalftoneNone;
    try {
        const Lut t = LevelTable(c, b);
        Lut tb = t, tg = t, tr = t;
        if (colour && method == kHalftoneDitherM4) {
            // Dither M4 on colour works around the picture's own raw channel means.
            uint64_t s[3];
            ChannelSums(img, IdentityTable(), s);
            tb = AroundMeanTable(c, b, int(s[0] / n));
            tg = AroundMeanTable(c, b, int(s[1] / n));
            tr = AroundMeanTable(c, b, int(s[2] / n));
        }
        const WeightedTables wt(tb, tg, tr);

        const uint32_t scale = colour ? 1000 : 1;
        RowThresholds th;
        if (method == kHalftoneNone) {
            // The picture's mean level is the threshold: a first pass for the sums only.
            uint64_t s[3];
            ChannelSums(img, t, s);
            const int mean = colour ? Luminance(int(s[2] / n), int(s[1] / n), int(s[0] / n)) : int(s[0] / n);
            th.fill(scale * uint32_t(mean + 1));
        }

        out.Begin(img.width, img.height, 1);
        std::optional<Diffuser> diffuser;
        if (method == kHalftoneErrorDiffuse) diffuser.emplace(img.width);
        for (int y = 0; y < img.height; ++y) {
            const uint8_t* p = img.Row(y);
            uint8_t* row = out.NextRow();
            if (!row) return ConvertResult::Failed;
            if (diffuser) {
                if (colour)
                    diffuser->Row(y & 1, row, [p, &wt](int x) { return int32_t(wt.Sum(p + 3 * x) / 1000u); });
                else
                    diffuser->Row(y & 1, row, [p, &t](int x) { return int32_t(t[p[x]]); });
                continue;
            }
            if (method != kHalftoneNone) th = DitherThresholds(method, y, colour, scale);
            if (colour)
                PackColourRow(p, img.width, wt, th, row);
            else
                PackGrayRow(p, img.width, t, th, row);
        }
        if (!out.End()) return ConvertResult::Failed;
    } catch (const std::bad_alloc&) {
        return ConvertResult::Failed;
    }
    return ConvertResult::Ok;
}

}  // namespace

ConvertResult ConvertToGrayImage(std::span<const uint8_t> source, GrayVariant variant, int contrast,
                                 int brightness, std::vector<uint8_t>& out) {
    Output o(out);
    const ConvertResult r = GrayImage(source, variant, contrast, brightness, o);
    if (r == ConvertResult::Failed) out.clear();
    return r;
}

ConvertResult ConvertToGrayImage(std::span<const uint8_t> source, GrayVariant variant, int contrast,
                                 int brightness, const ImageSink& sink) {
    Output o(sink);
    return GrayImage(source, variant, contrast, brightness, o);
}

ConvertResult ConvertToMonoImage(std::span<const uint8_t> source, int halftone, int contrast, int brightness,
                                 std::vector<uint8_t>& out) {
    out.clear();
    Output o(out);
    const ConvertResult r = MonoImage(source, halftone, contrast, brightness, o);
    if (r != ConvertResult::Ok) out.clear();
    return r;
}

ConvertResult ConvertToMonoImage(std::span<const uint8_t> source, int halftone, int contrast, int brightness,
                                 const ImageSink& sink) {
    Output o(sink);
    return MonoImage(source, halftone, contrast, brightness, o);
}

}  // namespace k20::prnui
