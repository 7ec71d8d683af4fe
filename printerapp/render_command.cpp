#include "printerapp/render_command.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "printerapp/job_options.h"
#include "printerapp/pwg_reader.h"
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
            if (n <= 0)
                ok_ = false;
            else
                done += static_cast<size_t>(n);
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

int RenderCommand(const char* baseName, int numOptions, cups_option_t* options, int numFiles, char** files,
                  void*) {
    if (numFiles != 1) {
        std::fprintf(stderr, "%s: render takes one raster file\n", baseName);
        return 1;
    }
    // Only a regular file of a sensible size is read, mapped whole: copying it would cost
    // more than printing it.
    const int in = open(files[0], O_RDONLY);
    struct stat st {};
    if (in < 0 || fstat(in, &st) != 0 || !S_ISREG(st.st_mode) || uint64_t(st.st_size) > kMaxRasterFileBytes) {
        std::fprintf(stderr, "%s: \"%s\" is not a readable raster file of at most %llu MB\n", baseName,
                     files[0], static_cast<unsigned long long>(kMaxRasterFileBytes >> 20));
        if (in >= 0) close(in);
        return 1;
    }
    const size_t fileSize = size_t(st.st_size);
    void* map = fileSize ? mmap(nullptr, fileSize, PROT_READ, MAP_PRIVATE, in, 0) : nullptr;
    close(in);
    if (map == MAP_FAILED) {
        std::fprintf(stderr, "%s: cannot read \"%s\": %s\n", baseName, files[0], std::strerror(errno));
        return 1;
    }
    const std::span<const uint8_t> file(static_cast<const uint8_t*>(map), fileSize);
    struct Unmap {
        void* p;
        size_t n;
        ~Unmap() {
            if (p) munmap(p, n);
        }
    } unmap{map, fileSize};
    int out = 1;
    if (const char* path = cupsGetOption("output", numOptions, options)) {
        out = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0) {
            std::fprintf(stderr, "%s: cannot write \"%s\": %s\n", baseName, path, std::strerror(errno));
            return 1;
        }
    }
    OptionLookup lookup = [numOptions, options](std::string_view name) -> const char* {
        return cupsGetOption(std::string(name).c_str(), numOptions, options);
    };
    const char* darkness = cupsGetOption("print-darkness", numOptions, options);
    const char* halftone = cupsGetOption("halftone", numOptions, options);
    const Halftone method =
        halftone && !std::strcmp(halftone, "diffusion") ? Halftone::Diffusion : Halftone::Ordered;

    FdSink sink(out);
    render::Engine engine(sink,
                          SettingsFromOptions(lookup, darkness ? std::atoi(darkness) : 0, 50, {}, files[0]));
    engine.StartDocument();
    std::string error;
    const int pages = RenderRaster(file, engine, method, error);
    engine.EndDocument();
    const bool written = sink.Drain();
    if (out != 1) close(out);
    if (!engine.Ok() || !written) {
        std::fprintf(stderr, "%s: %s\n", baseName,
                     engine.Error().empty() ? "output failed" : engine.Error().c_str());
        return 1;
    }
    if (!error.empty()) std::fprintf(stderr, "%s: %s\n", baseName, error.c_str());
    if (pages == 0) std::fprintf(stderr, "%s: \"%s\" holds no raster page\n", baseName, files[0]);
    return error.empty() && pages > 0 ? 0 : 1;
}

int RenderRaster(std::span<const uint8_t> file, render::Engine& engine, Halftone halftone,
                 std::string& error) {
    PwgReader reader(file);
    PwgPage page;
    RowAdapter rows;
    std::vector<uint8_t> line;
    int pages = 0;
    error.clear();
    while (engine.Ok() && reader.NextPage(page, error)) {
        const RowFormat format{page.width, page.bitsPerPixel, page.colorSpace == 3 && page.bitsPerPixel == 8};
        if (!rows.StartPage(format, halftone, render::kMaxDots)) {
            error = "page " + std::to_string(pages + 1) + " cannot be printed";
            return pages;
        }
        line.resize(page.bytesPerLine);
        engine.StartPage(rows.OutWidth());
        bool whole = true;
        for (uint32_t y = 0; y < page.height && engine.Ok(); ++y) {
            if (!reader.ReadRow(line, error)) {
                whole = false;
                break;
            }
            engine.WriteRow(rows.Convert(line));
        }
        engine.EndPage();
        ++pages;
        if (!whole) return pages;
    }
    return pages;
}

}  // namespace k20::printerapp
