// Bounded reader of a history record.
//
// History records are written by the manager on the same machine, so their
// integers are in the host's byte order (big-endian on the card, little-
// endian on a development host). Fields are copied out with memcpy (records
// need not be aligned); a field that lies outside the bound reads as 0.
// The bound is the layout size of the record's log: the history service
// hands over whole records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pcfg::history {

class HostRecord {
public:
    constexpr HostRecord() noexcept = default;
    constexpr HostRecord(const void *data, size_t size) noexcept
        : data_(static_cast<const uint8_t *>(data)), size_(data == nullptr ? 0 : size) {}

    uint8_t u8(size_t off) const noexcept { return field<uint8_t>(off); }
    uint32_t u32(size_t off) const noexcept { return field<uint32_t>(off); }
    int32_t i32(size_t off) const noexcept { return field<int32_t>(off); }

private:
    template <typename T>
    T field(size_t off) const noexcept {
        T v{};
        if (off <= size_ && sizeof(T) <= size_ - off) std::memcpy(&v, data_ + off, sizeof(T));
        return v;
    }

    const uint8_t *data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace pcfg::history
