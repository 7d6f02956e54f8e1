// Big-endian payloads for tests, written field by field: appended, or at
// their offsets into a payload of fixed size (the vector is exactly as long
// as the payload, so a read past it is caught by the sanitizers).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pcfg_test {

class Bytes {
public:
    explicit Bytes(size_t n = 0) : bytes_(n) {}
    Bytes &u8(uint64_t v) { return put(bytes_.size(), 1, v); }
    Bytes &u16(uint64_t v) { return put(bytes_.size(), 2, v); }
    Bytes &u32(uint64_t v) { return put(bytes_.size(), 4, v); }
    Bytes &u64(uint64_t v) { return put(bytes_.size(), 8, v); }
    Bytes &raw(const std::vector<uint8_t> &more) {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
        return *this;
    }
    Bytes &u8(size_t off, uint64_t v) { return put(off, 1, v); }
    Bytes &u16(size_t off, uint64_t v) { return put(off, 2, v); }
    Bytes &u32(size_t off, uint64_t v) { return put(off, 4, v); }
    Bytes &u64(size_t off, uint64_t v) { return put(off, 8, v); }
    const std::vector<uint8_t> &bytes() const { return bytes_; }
    operator const std::vector<uint8_t> &() const { return bytes_; }
    size_t size() const { return bytes_.size(); }

private:
    Bytes &put(size_t off, size_t width, uint64_t v) {
        if (off == bytes_.size()) bytes_.resize(off + width);  // appended
        for (size_t i = 0; i < width; ++i)
            bytes_.at(off + i) = static_cast<uint8_t>(v >> (8 * (width - 1 - i)));
        return *this;
    }
    std::vector<uint8_t> bytes_;
};

}  // namespace pcfg_test
