// The stand-in platform's aligned TLV arrays and their accessors.
//
//   0..1 magic 0x544C   2..3 TLV count   4..7 total length (header included)
//   8..  TLVs: u16 type, u16 value length, value, zero padding to 4 bytes
// All fields big-endian. An array inside a received message is never read
// past the end of that message, whatever its header claims.
#include "backend.h"
#include "call_log.h"
#include "wire.h"

namespace {

constexpr uint16_t kMagic = 0x544C;
constexpr uint32_t kHeaderLen = 8;
constexpr uint32_t kTlvHeaderLen = 4;

constexpr uint32_t padded(uint32_t n) { return (n + 3u) & ~3u; }

// The bytes of the array that may be read: the array's claimed length, cut
// at the end of the message that holds it.
std::span<const uint8_t> array_bytes(const void *array) {
    const auto *p = static_cast<const uint8_t *>(array);
    auto limit = pcfg_sim::platform::held_payload_containing(p);
    const size_t room = limit ? limit->size() : SIZE_MAX;
    if (room < kHeaderLen) return {};
    const std::span<const uint8_t> head(p, kHeaderLen);
    if (pcfg_sim::card::be_at(head, 0, 2) != kMagic) return {};
    const auto total = static_cast<size_t>(pcfg_sim::card::be_at(head, 4, 4));
    if (total < kHeaderLen) return {};
    return {p, total < room ? total : room};
}

}  // namespace

namespace pcfg_sim {

std::vector<uint8_t> encode_tlv_array(const std::vector<Tlv> &tlvs) {
    card::Wire w;
    w.u16(kMagic).u16(static_cast<uint16_t>(tlvs.size())).u32(0);
    for (const Tlv &t : tlvs) {
        const auto len = static_cast<uint32_t>(t.value.size());
        w.u16(t.type).u16(static_cast<uint16_t>(len)).bytes(t.value).zeros(padded(len) - len);
    }
    const auto total = static_cast<uint32_t>(w.size());
    w.patch_u32(4, total);
    return w.take();
}

}  // namespace pcfg_sim

using namespace pcfg_sim;
using namespace pcfg_sim::platform;
using pcfg_sim::card::be_at;

extern "C" {

int tlv_aligned_array_get_num_tlvs(const void *array, int flags) {
    if (auto f = enter<CallId::tlv_aligned_array_get_num_tlvs>(
            [&] { return Logged{{given(array), flags}}; }))
        return static_cast<int>(f->result);
    if (array == nullptr) return -1;
    const auto bytes = array_bytes(array);
    if (bytes.empty()) return -1;
    return static_cast<int>(be_at(bytes, 2, 2));
}

int tlv_aligned_array_get_next_tlv(const void *array, uint16_t *type, uint16_t *length,
                                   const void **value, int flags, uint32_t *position) {
    if (auto f = enter<CallId::tlv_aligned_array_get_next_tlv>([&] {
            return Logged{{given(array), given(type), given(length), given(value), flags,
                           position != nullptr ? *position : -1}};
        }))
        return static_cast<int>(f->result);
    if (array == nullptr || type == nullptr || length == nullptr || value == nullptr ||
        position == nullptr)
        return -1;
    const auto bytes = array_bytes(array);
    if (bytes.empty()) return -1;
    const size_t at = *position == 0 ? kHeaderLen : *position;
    if (at < kHeaderLen || at > bytes.size() || bytes.size() - at < kTlvHeaderLen) return -1;
    const auto len = static_cast<uint32_t>(be_at(bytes, at + 2, 2));
    if (bytes.size() - at - kTlvHeaderLen < len) return -1;
    *type = static_cast<uint16_t>(be_at(bytes, at, 2));
    *length = static_cast<uint16_t>(len);
    *value = bytes.data() + at + kTlvHeaderLen;
    const size_t next = at + kTlvHeaderLen + padded(len);
    *position = static_cast<uint32_t>(next);
    return 0;
}

}  // extern "C"
