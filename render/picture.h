#pragma once
// Pictures from outside (BMP, PNG, JPEG) turned into the bitmap files the logo
// conversions read: 24-bit for colour pictures, 8-bit gray for gray ones, bottom-up with
// the fixed pixel offsets those conversions expect. PNG and JPEG are decoded with the
// single-header stb_image (Debian's libstb-dev): one well-kept file that builds the same
// for Linux and mingw, with no DLL to ship beside the Windows programs.
//
// The files come from anywhere, so sizes are checked before anything is decoded: the
// file's size, then the dimensions from the picture's header.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace k20::render {

enum class PictureKind { Unknown, Bmp, Png, Jpeg };

struct PictureLimits {
    uint64_t maxFileBytes = 64ull << 20;
    uint32_t maxSide = 32767;  // the bitmap header's dimensions are signed 16-bit for the logo code
    uint64_t maxPixels = 24ull << 20;
};

PictureKind SniffPicture(std::span<const uint8_t> file);

// Reads a regular file of at most limits.maxFileBytes (UTF-8 path).
bool ReadPictureFile(const std::string& path, std::vector<uint8_t>& out, std::string& error,
                     const PictureLimits& limits = {});

// Decodes the picture and writes it as a bitmap file's bytes. Transparent parts become
// white (paper). A picture wider than maxWidth (0: no limit) is scaled down to it by area
// averaging, its height in proportion.
bool PictureToBmp(std::span<const uint8_t> file, uint32_t maxWidth, std::vector<uint8_t>& bmp,
                  std::string& error, const PictureLimits& limits = {});

}  // namespace k20::render

namespace k20::render {

// A picture given by path as a bitmap file for code that reads bitmap files: a BMP (or a
// file of no known kind, left to that code's own checks) is used where it is; a PNG or
// JPEG is decoded into a bitmap in the temporary folder, removed again with this object.
class PictureBitmapFile {
  public:
    PictureBitmapFile() = default;
    ~PictureBitmapFile();
    PictureBitmapFile(PictureBitmapFile&& other) noexcept;
    PictureBitmapFile& operator=(PictureBitmapFile&&) = delete;
    PictureBitmapFile(const PictureBitmapFile&) = delete;

    bool Open(const std::string& path, std::string& error);
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    std::string made_;
};

}  // namespace k20::render
