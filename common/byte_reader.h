#pragma once
// Bounded little-endian reader for every binary input we accept from outside
// (bitmaps, DEVMODE records, job files). The first short read makes it fail for
// good, so a parser can read a whole header and check ok() once.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace k20 {

class ByteReader {
  public:
    ByteReader() = default;
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit ByteReader(std::span<const uint8_t> s) : data_(s.data()), size_(s.size()) {}

    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    size_t size() const { return size_; }
    size_t remaining() const { return ok_ ? size_ - pos_ : 0; }
    const uint8_t* data() const { return data_; }

    // True when n bytes starting at pos are inside the buffer; overflow-safe.
    bool has(size_t n) const { return ok_ && n <= size_ - pos_; }

    void seek(size_t off) {
        if (off > size_)
            ok_ = false;
        else
            pos_ = off;
    }
    void skip(size_t n) {
        if (!has(n))
            ok_ = false;
        else
            pos_ += n;
    }

    uint8_t u8() {
        if (!has(1)) return fail<uint8_t>();
        return data_[pos_++];
    }
    uint16_t u16() {
        if (!has(2)) return fail<uint16_t>();
        uint16_t v = uint16_t(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    uint32_t u32() {
        if (!has(4)) return fail<uint32_t>();
        uint32_t v = uint32_t(data_[pos_]) | uint32_t(data_[pos_ + 1]) << 8 |
                     uint32_t(data_[pos_ + 2]) << 16 | uint32_t(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return v;
    }
    int32_t i32() { return int32_t(u32()); }
    int16_t i16() { return int16_t(u16()); }

    // A view of the next n bytes; empty (and failed) when they are not all there.
    std::span<const uint8_t> bytes(size_t n) {
        if (!has(n)) {
            ok_ = false;
            return {};
        }
        std::span<const uint8_t> s(data_ + pos_, n);
        pos_ += n;
        return s;
    }

    // Reads at absolute offsets without moving the cursor; out of range gives 0 and fails.
    uint8_t u8At(size_t off) {
        if (off >= size_) return fail<uint8_t>();
        return data_[off];
    }
    uint32_t u32At(size_t off) {
        if (off > size_ || size_ - off < 4) return fail<uint32_t>();
        return uint32_t(data_[off]) | uint32_t(data_[off + 1]) << 8 | uint32_t(data_[off + 2]) << 16 |
               uint32_t(data_[off + 3]) << 24;
    }

  private:
    template <class T>
    T fail() {
        ok_ = false;
        return T{};
    }
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    bool ok_ = true;
};

// Little-endian writer into a growing buffer or at fixed offsets of a record.
class LeWriter {
  public:
    LeWriter() = default;
    explicit LeWriter(std::vector<uint8_t>& out) : out_(&out) {}

    std::vector<uint8_t>& buffer() { return *out_; }
    size_t size() const { return out_->size(); }

    LeWriter& u8(uint8_t v) {
        out_->push_back(v);
        return *this;
    }
    LeWriter& u16(uint16_t v) {
        out_->push_back(uint8_t(v));
        out_->push_back(uint8_t(v >> 8));
        return *this;
    }
    LeWriter& u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) out_->push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    LeWriter& i32(int32_t v) { return u32(uint32_t(v)); }
    LeWriter& bytes(std::span<const uint8_t> b) {
        out_->insert(out_->end(), b.begin(), b.end());
        return *this;
    }
    LeWriter& bytes(std::initializer_list<uint8_t> b) {
        out_->insert(out_->end(), b.begin(), b.end());
        return *this;
    }
    LeWriter& zeros(size_t n) {
        out_->insert(out_->end(), n, 0);
        return *this;
    }
    LeWriter& str(const std::string& s) {
        out_->insert(out_->end(), s.begin(), s.end());
        return *this;
    }

  private:
    std::vector<uint8_t> own_;
    std::vector<uint8_t>* out_ = &own_;
};

// Fixed-offset stores into a record buffer; the caller guarantees the record size.
inline void PutU8(uint8_t* rec, size_t off, uint8_t v) {
    rec[off] = v;
}
inline void PutU16(uint8_t* rec, size_t off, uint16_t v) {
    rec[off] = uint8_t(v);
    rec[off + 1] = uint8_t(v >> 8);
}
inline void PutU32(uint8_t* rec, size_t off, uint32_t v) {
    for (int i = 0; i < 4; ++i) rec[off + i] = uint8_t(v >> (8 * i));
}
inline uint16_t GetU16(const uint8_t* rec, size_t off) {
    return uint16_t(rec[off] | rec[off + 1] << 8);
}
inline uint32_t GetU32(const uint8_t* rec, size_t off) {
    return uint32_t(rec[off]) | uint32_t(rec[off + 1]) << 8 | uint32_t(rec[off + 2]) << 16 |
           uint32_t(rec[off + 3]) << 24;
}

}  // namespace k20
