#pragma once
// Decoding of a logged job (the raw printer data the driver kept) back into a
// monochrome page image with its page boundaries, and the bitmap file the viewer
// shows. Only a small subset of the printer's command stream is interpreted:
//
//   16 n d1..dn 15 k 16      raster line (the 15 k before a line feeds k rows)
//   16 n d1..dn 15 01 1D 44 00   last line of a page: records a page boundary
//   1B 33 n 0A               line spacing n and line feed; n = 0 ends a page
//   1B 24 nL nH 1B 2A        absolute position of the following bit image
//   1B 2A 21 nL nH data      24-dot bit image band of nL + 256 nH columns
//
// Everything else is skipped one byte at a time. The file comes from a folder
// anyone can write to, so every look-ahead is bounded by the file and the image by
// kMaxImageBytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace k20::logviewer {

// The viewer's buffers hold at most this many page boundaries; later ones are ignored.
inline constexpr size_t kMaxPageBoundaries = 250;
// A few bytes of input can add 255 rows; past this size a job is taken as damaged.
inline constexpr uint64_t kMaxImageBytes = 64ull * 1024 * 1024;
inline constexpr size_t kPageImageHeaderSize = 62;

// The widest rows and images a job may be decoded into: eight times the widest receipt
// paper, and far below what would let a five-byte command touch megabytes.
inline constexpr uint32_t kMaxWidthBytes = 4096;
inline constexpr uint32_t kMaxDots = 8 * kMaxWidthBytes;
static_assert(kMaxWidthBytes <= 0xFFFF, "the decoder keeps row offsets in 16 bits");

struct RenderParams {
    uint32_t widthBytes = 80;  // W: bytes per raster row
    uint32_t dots = 640;       // P: image width in dots, and the widest band
};

enum class DecodeStatus {
    Ok,
    Empty,           // no bytes at all
    NoRows,          // the job never moved down a row
    NoPageBoundary,  // no page-end marker
    TooLarge,        // the image would exceed kMaxImageBytes
    BadParams,       // W or P is zero or above kMaxWidthBytes / kMaxDots
};

const char* DescribeStatus(DecodeStatus s);

struct DecodedJob {
    DecodeStatus status = DecodeStatus::Empty;
    uint32_t height = 0;               // c: rows of the page image
    std::vector<uint32_t> boundaries;  // rows, in order, at most kMaxPageBoundaries
    // The whole page-image file: a 62-byte header, then raster rows c down to 1, each W
    // bytes with every bit inverted (palette: 0 black, 1 white). Empty on failure.
    std::vector<uint8_t> bitmap;
};

// Decodes a job file's bytes. The image is sized exactly before it is drawn (a first
// pass follows the scan without drawing), so memory is the page image plus its header.
DecodedJob DecodeJob(std::span<const uint8_t> data, const RenderParams& params,
                     uint64_t maxImageBytes = kMaxImageBytes);

}  // namespace k20::logviewer
