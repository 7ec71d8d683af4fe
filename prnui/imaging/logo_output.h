#pragma once
// The working image's bytes as the conversion makes them: the headers and palette first,
// then the rows, into one vector or in pieces to a sink.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "prnui/imaging/logo_image.h"

namespace k20::prnui::logo {

// Where the working image goes row by row: built in place in a vector of the whole file,
// or through a buffer of some tens of kilobytes to a sink, so that a large picture never
// needs fresh memory of its own size (which costs more than converting it).
class Output {
  public:
    explicit Output(std::vector<uint8_t>& whole) : whole_(&whole) {}
    explicit Output(const ImageSink& sink) : sink_(&sink) {}

    void Begin(int w, int h, int bitCount);

    // The next row, zeroed; null once the sink has refused.
    uint8_t* NextRow() {
        if (whole_) {
            uint8_t* row = whole_->data() + used_;
            used_ += stride_;
            return row;
        }
        if (used_ + stride_ > buf_.capacity() && !Flush()) return nullptr;
        buf_.resize(used_ + stride_);  // the new row comes zeroed
        uint8_t* row = buf_.data() + used_;
        used_ += stride_;
        return row;
    }

    bool End() { return whole_ || Flush(); }

  private:
    static constexpr size_t kChunk = 32768;

    bool Flush();

    std::vector<uint8_t>* whole_ = nullptr;
    const ImageSink* sink_ = nullptr;
    std::vector<uint8_t> buf_;
    size_t stride_ = 0, used_ = 0;
};

}  // namespace k20::prnui::logo
