#include "printerapp/render_command.h"

#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "printerapp/job_options.h"
#include "printerapp/raster_rows.h"
#include "render/engine.h"

namespace k20::printerapp {

namespace {

class FdSink final : public render::ByteSink {
public:
    explicit FdSink(int fd) : fd_(fd) { buffer_.reserve(kPiece); }
    bool Write(std::span<const uint8_t> bytes) override {
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
        return buffer_.size() < kPiece || Drain();
    }
    bool Drain() {
        size_t done = 0;
        while (ok_ && done < buffer_.size()) {
            const ssize_t n = write(fd_, buffer_.data() + done, buffer_.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) ok_ = false;
            else done += static_cast<size_t>(n);
        }
        buffer_.clear();
        return ok_;
    }

private:
    static constexpr size_t kPiece = 64 * 1024;
    int fd_;
    bool ok_ = true;
    std::vector<uint8_t> buffer_;
};

}  // namespace

int RenderCommand(const char* baseName, int numOptions, cups_option_t* options, int numFiles, char** files, void*) {
    if (numFiles != 1) {
        std::fprintf(stderr, "%s: render takes one raster file\n", baseName);
        return 1;
    }
    const int in = open(files[0], O_RDONLY);
    if (in < 0) {
        std::fprintf(stderr, "%s: cannot open \"%s\": %s\n", baseName, files[0], std::strerror(errno));
        return 1;
    }
    int out = 1;
    if (const char* path = cupsGetOption("output", numOptions, options)) {
        out = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0) {
            std::fprintf(stderr, "%s: cannot write \"%s\": %s\n", baseName, path, std::strerror(errno));
            close(in);
            return 1;
        }
    }
    OptionLookup lookup = [numOptions, options](std::string_view name) -> const char* {
        return cupsGetOption(std::string(name).c_str(), numOptions, options);
    };
    const char* darkness = cupsGetOption("print-darkness", numOptions, options);
    const char* halftone = cupsGetOption("halftone", numOptions, options);
    const Halftone method = halftone && !std::strcmp(halftone, "diffusion") ? Halftone::Diffusion : Halftone::Ordered;

    FdSink sink(out);
    render::Engine engine(sink, SettingsFromOptions(lookup, darkness ? std::atoi(darkness) : 0, 50, {}, files[0]));
    engine.StartDocument();
    cups_raster_t* ras = cupsRasterOpen(in, CUPS_RASTER_READ);
    cups_page_header2_t header;
    RowAdapter rows;
    std::vector<uint8_t> line;
    int pages = 0;
    bool readable = ras != nullptr;
    while (readable && engine.Ok() && cupsRasterReadHeader2(ras, &header)) {
        RowFormat format{header.cupsWidth, header.cupsBitsPerPixel,
                         header.cupsColorSpace == CUPS_CSPACE_K && header.cupsBitsPerPixel == 8};
        // The whole header is checked before a line buffer is sized from it.
        if (header.cupsBytesPerLine != (header.cupsWidth * header.cupsBitsPerPixel + 7) / 8 ||
            header.cupsBytesPerLine > (1u << 20) || !rows.StartPage(format, method, render::kMaxDots)) {
            std::fprintf(stderr, "%s: page %d: raster of %u dots at %u bits cannot be printed\n", baseName, pages + 1,
                         header.cupsWidth, header.cupsBitsPerPixel);
            readable = false;
            break;
        }
        line.resize(header.cupsBytesPerLine);
        engine.StartPage(rows.OutWidth());
        for (unsigned y = 0; y < header.cupsHeight && engine.Ok(); ++y) {
            if (cupsRasterReadPixels(ras, line.data(), header.cupsBytesPerLine) != header.cupsBytesPerLine) {
                std::fprintf(stderr, "%s: page %d ends early at row %u\n", baseName, pages + 1, y);
                readable = false;
                break;
            }
            engine.WriteRow(rows.Convert(line));
        }
        engine.EndPage();
        ++pages;
    }
    engine.EndDocument();
    const bool written = sink.Drain();
    if (ras) cupsRasterClose(ras);
    close(in);
    if (out != 1) close(out);
    if (!engine.Ok() || !written) {
        std::fprintf(stderr, "%s: %s\n", baseName, engine.Error().empty() ? "output failed" : engine.Error().c_str());
        return 1;
    }
    if (!readable || pages == 0) {
        if (pages == 0) std::fprintf(stderr, "%s: \"%s\" holds no raster page\n", baseName, files[0]);
        return 1;
    }
    return 0;
}

}  // namespace k20::printerapp
