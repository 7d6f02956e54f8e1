// Building big-endian manager payloads in the stand-in platform.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace pcfg_sim::card {

class Wire {
public:
    Wire &u8(uint8_t v) { return put(v, 1); }
    Wire &u16(uint16_t v) { return put(v, 2); }
    Wire &u32(uint32_t v) { return put(v, 4); }
    Wire &u64(uint64_t v) { return put(v, 8); }
    Wire &bytes(std::span<const uint8_t> b) {
        buf_.insert(buf_.end(), b.begin(), b.end());
        return *this;
    }
    Wire &zeros(size_t n) {
        buf_.insert(buf_.end(), n, 0);
        return *this;
    }
    size_t size() const { return buf_.size(); }
    // Overwrites a u32 already written (lengths known only at the end).
    void patch_u32(size_t off, uint32_t v) {
        for (size_t i = 0; i < 4; ++i) buf_.at(off + i) = static_cast<uint8_t>(v >> (24 - 8 * i));
    }
    std::vector<uint8_t> take() { return std::move(buf_); }

private:
    Wire &put(uint64_t v, size_t n) {
        for (size_t i = 0; i < n; ++i) buf_.push_back(static_cast<uint8_t>(v >> (8 * (n - 1 - i))));
        return *this;
    }
    std::vector<uint8_t> buf_;
};

// Reads a big-endian number from request bytes; 0 beyond the end.
inline uint64_t be_at(std::span<const uint8_t> b, size_t off, size_t n) {
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v = (v << 8) | (off + i < b.size() ? b[off + i] : 0);
    return v;
}

}  // namespace pcfg_sim::card
