// Fixed-size big-endian payloads for tests, written field by field at their
// offsets (the vector is exactly as long as the payload, so a read past it
// is caught by the sanitizers).
#pragma once

#include <cstdint>
#include <vector>

namespace pcfg_test {

class Payload {
public:
    explicit Payload(size_t size) : bytes_(size) {}
    Payload &u8(size_t off, uint64_t v) { return put(off, 1, v); }
    Payload &u16(size_t off, uint64_t v) { return put(off, 2, v); }
    Payload &u32(size_t off, uint64_t v) { return put(off, 4, v); }
    Payload &u64(size_t off, uint64_t v) { return put(off, 8, v); }
    Payload &append(const std::vector<uint8_t> &more) {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
        return *this;
    }
    const std::vector<uint8_t> &bytes() const { return bytes_; }
    operator const std::vector<uint8_t> &() const { return bytes_; }

private:
    Payload &put(size_t off, size_t width, uint64_t v) {
        for (size_t i = 0; i < width; ++i)
            bytes_.at(off + i) = static_cast<uint8_t>(v >> (8 * (width - 1 - i)));
        return *this;
    }
    std::vector<uint8_t> bytes_;
};

}  // namespace pcfg_test
