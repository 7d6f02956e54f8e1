// Bounded big-endian reader and writer over payload bytes.
//
// Every manager payload, logged message and answer body is read through
// BeReader: a non-owning cursor over a byte range that assembles integers
// byte by byte (payload fields are unaligned and big-endian on every host).
// Reads are all-or-nothing: a read that does not fit returns 0 (or an empty
// span), consumes nothing and sets a sticky error that the caller checks once
// after a run of reads. Once the error is set, every later read fails too, so
// a run of reads never picks up bytes from the wrong place. Nothing is ever
// read outside the range.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pcfg {

class BeReader {
public:
    constexpr BeReader() noexcept = default;
    constexpr BeReader(const uint8_t *data, size_t size) noexcept
        : data_(data), size_(data == nullptr ? 0 : size) {}
    constexpr explicit BeReader(std::span<const uint8_t> bytes) noexcept
        : BeReader(bytes.data(), bytes.size()) {}

    constexpr size_t size() const noexcept { return size_; }
    constexpr size_t offset() const noexcept { return pos_; }
    constexpr size_t remaining() const noexcept { return size_ - pos_; }
    constexpr bool has(size_t n) const noexcept { return n <= remaining(); }
    // True while no read has failed.
    constexpr bool ok() const noexcept { return ok_; }

    constexpr uint8_t u8() noexcept { return static_cast<uint8_t>(take_fixed<1>()); }
    constexpr uint16_t u16() noexcept { return static_cast<uint16_t>(take_fixed<2>()); }
    constexpr uint32_t u32() noexcept { return static_cast<uint32_t>(take_fixed<4>()); }
    constexpr uint64_t u64() noexcept { return take_fixed<8>(); }
    constexpr int8_t i8() noexcept { return static_cast<int8_t>(u8()); }
    constexpr int32_t i32() noexcept { return static_cast<int32_t>(u32()); }

    // The big-endian number made of the first min(n, width) bytes that are
    // left, at most 8; consumes those bytes. An empty or failed reader gives
    // 0 without a new error.
    constexpr uint64_t uint_prefix(size_t width) noexcept {
        if (!ok_) return 0;
        size_t n = width < remaining() ? width : remaining();
        if (n > 8) n = 8;
        return take(n);
    }

    constexpr bool skip(size_t n) noexcept {
        if (!ok_ || n > remaining()) return fail();
        pos_ += n;
        return true;
    }
    // Moves to an absolute offset inside the range (size() included).
    constexpr bool seek(size_t off) noexcept {
        if (!ok_ || off > size_) return fail();
        pos_ = off;
        return true;
    }

    // The next n bytes, consumed; empty on failure.
    constexpr std::span<const uint8_t> bytes(size_t n) noexcept {
        if (!ok_ || n > remaining()) {
            fail();
            return {};
        }
        std::span<const uint8_t> out(data_ + pos_, n);
        pos_ += n;
        return out;
    }
    // A reader over the next n bytes, consumed; an empty failed reader when
    // fewer are left.
    constexpr BeReader sub(size_t n) noexcept {
        if (!ok_ || n > remaining()) {
            fail();
            BeReader bad;
            bad.ok_ = false;
            return bad;
        }
        BeReader out(data_ + pos_, n);
        pos_ += n;
        return out;
    }
    // A reader over the whole range, positioned at off. It carries this
    // reader's error: a failed reader gives a failed one, so a run of reads
    // cannot pick up again through at().
    constexpr BeReader at(size_t off) const noexcept {
        BeReader out(data_, size_);
        out.ok_ = ok_;
        out.seek(off);
        return out;
    }
    // The bytes not yet read.
    constexpr std::span<const uint8_t> rest() const noexcept {
        return {data_ + pos_, remaining()};
    }
    // Address of the first byte (for platform calls that take an address).
    constexpr const uint8_t *data() const noexcept { return data_; }
    // True when [p, p + n) lies inside the range.
    bool contains(const void *p, size_t n) const noexcept {
        auto addr = reinterpret_cast<uintptr_t>(p);
        auto base = reinterpret_cast<uintptr_t>(data_);
        return data_ != nullptr && addr >= base && addr - base <= size_ &&
               n <= size_ - (addr - base);
    }

private:
    constexpr bool fail() noexcept {
        ok_ = false;
        return false;
    }
    constexpr uint64_t take(size_t n) noexcept {
        if (!ok_ || n > remaining()) {
            fail();
            return 0;
        }
        uint64_t v = 0;
        for (size_t i = 0; i < n; ++i) v = (v << 8) | data_[pos_ + i];
        pos_ += n;
        return v;
    }
    // The same for the fixed widths of the typed reads, assembled without a
    // loop (the compiler turns it into one load and a byte swap).
    template <size_t N>
    constexpr uint64_t take_fixed() noexcept {
        if (!ok_ || N > remaining()) {
            fail();
            return 0;
        }
        const uint8_t *p = data_ + pos_;
        pos_ += N;
        if constexpr (N == 1) {
            return p[0];
        } else if constexpr (N == 2) {
            return uint64_t{p[0]} << 8 | p[1];
        } else if constexpr (N == 4) {
            return uint64_t{p[0]} << 24 | uint64_t{p[1]} << 16 | uint64_t{p[2]} << 8 | p[3];
        } else {
            static_assert(N == 8, "typed reads are 1, 2, 4 or 8 bytes wide");
            return uint64_t{p[0]} << 56 | uint64_t{p[1]} << 48 | uint64_t{p[2]} << 40 |
                   uint64_t{p[3]} << 32 | uint64_t{p[4]} << 24 | uint64_t{p[5]} << 16 |
                   uint64_t{p[6]} << 8 | p[7];
        }
    }

    const uint8_t *data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    bool ok_ = true;
};

// Writes big-endian fields into a fixed buffer; the same all-or-nothing,
// sticky-error rules as BeReader: a write that does not fit writes nothing,
// and once one has failed no later write touches the buffer.
class BeWriter {
public:
    constexpr explicit BeWriter(std::span<uint8_t> buf) noexcept : buf_(buf) {}

    constexpr size_t offset() const noexcept { return pos_; }
    constexpr size_t remaining() const noexcept { return buf_.size() - pos_; }
    constexpr bool ok() const noexcept { return ok_; }

    constexpr BeWriter &u8(uint8_t v) noexcept { return put(v, 1); }
    constexpr BeWriter &u16(uint16_t v) noexcept { return put(v, 2); }
    constexpr BeWriter &u32(uint32_t v) noexcept { return put(v, 4); }
    constexpr BeWriter &u64(uint64_t v) noexcept { return put(v, 8); }
    constexpr BeWriter &zeros(size_t n) noexcept {
        if (!ok_ || n > remaining()) {
            ok_ = false;
            return *this;
        }
        for (size_t i = 0; i < n; ++i) buf_[pos_ + i] = 0;
        pos_ += n;
        return *this;
    }

private:
    constexpr BeWriter &put(uint64_t v, size_t n) noexcept {
        if (!ok_ || n > remaining()) {
            ok_ = false;
            return *this;
        }
        for (size_t i = 0; i < n; ++i)
            buf_[pos_ + i] = static_cast<uint8_t>(v >> (8 * (n - 1 - i)));
        pos_ += n;
        return *this;
    }

    std::span<uint8_t> buf_;
    size_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace pcfg
