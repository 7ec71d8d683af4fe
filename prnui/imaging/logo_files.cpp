// The file forms of the conversions: the source read whole within the logo limit, the
// working image written only once it is complete.
#include <new>

#include "platform/bounded_read.h"
#include "prnui/imaging/logo_image.h"

namespace k20::prnui {

std::string WorkingImagePath(const std::string& source) {
    return source.substr(0, source.size() >= 4 ? source.size() - 4 : 0) + "Temp.bmp";
}

namespace {

// The whole source within the logo limit; false when it is missing, too large or finds no memory.
bool ReadSource(platform::FileSystem& fs, const std::string& source, std::vector<uint8_t>& src) {
    try {
        return platform::ReadBoundedFile(fs, source, platform::FileKind::Logo, src) == platform::kOk;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

ConvertResult WriteWorking(platform::FileSystem& fs, const std::string& path,
                           const std::vector<uint8_t>& data, std::string& output) {
    if (path.empty() || fs.WriteFile(path, data) != platform::kOk) return ConvertResult::Failed;
    output = path;
    return ConvertResult::Ok;
}

}  // namespace

ConvertResult ConvertToGray(platform::FileSystem& fs, const std::string& source, const std::string& working,
                            std::string& output, GrayVariant variant, int contrast, int brightness) {
    std::vector<uint8_t> src, img;
    if (!ReadSource(fs, source, src)) return ConvertResult::Failed;
    const ConvertResult r = ConvertToGrayImage(src, variant, contrast, brightness, img);
    if (r != ConvertResult::Ok) return r;
    return WriteWorking(fs, working, img, output);
}

ConvertResult ConvertToMono(platform::FileSystem& fs, const std::string& source, const std::string& working,
                            std::string& output, int halftone, int contrast, int brightness) {
    std::vector<uint8_t> src, img;
    if (!ReadSource(fs, source, src)) return ConvertResult::Failed;
    const ConvertResult r = ConvertToMonoImage(src, halftone, contrast, brightness, img);
    if (r == ConvertResult::Unchanged || r == ConvertResult::BadFormat) {
        output = source;
        return r;
    }
    if (r != ConvertResult::Ok) return r;
    return WriteWorking(fs, working, img, output);
}

ConvertResult ConvertToGray(platform::FileSystem& fs, const std::string& source, std::string& output,
                            GrayVariant variant, int contrast, int brightness) {
    return ConvertToGray(fs, source, WorkingImagePath(source), output, variant, contrast, brightness);
}

ConvertResult ConvertToMono(platform::FileSystem& fs, const std::string& source, std::string& output,
                            int halftone, int contrast, int brightness) {
    return ConvertToMono(fs, source, WorkingImagePath(source), output, halftone, contrast, brightness);
}

}  // namespace k20::prnui
