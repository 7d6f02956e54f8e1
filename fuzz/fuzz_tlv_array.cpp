// The stand-in's TLV array accessors over an array inside a received
// message, as the counter and diagnostics printers use them: the accessors
// must never hand out a value that reaches past the message.
//
// Input: u16 offset of the array inside the payload, u32 start position of
// a second walk, then the message payload.
#include <array>
#include <cstdio>
#include <cstdlib>

#include "pcfg_platform.h"
#include "pcfg_sim.h"
#include "support.h"

namespace {

constexpr mts_addr_t kManager{0xfe000000u, 902u};
constexpr uint32_t kOpcCliReq = 435;
constexpr std::array<uint32_t, 6> kBindOptions MTS_CLIENT_BIND_OPTIONS;
constexpr std::array<uint32_t, 10> kRecvOptions{};
constexpr int kFlags = 0;
constexpr int kMaxSteps = 1 << 16;  // each step moves on by 4 bytes at least

// Walks the array from `position`; every value handed out must lie inside
// [begin, end) and is read in full.
void walk(const void *array, uint32_t position, const uint8_t *begin, const uint8_t *end) {
    volatile uint8_t sink = 0;
    for (int step = 0; step < kMaxSteps; ++step) {
        uint16_t type = 0, length = 0;
        const void *value = nullptr;
        if (tlv_aligned_array_get_next_tlv(array, &type, &length, &value, kFlags, &position) != 0)
            return;
        const auto *v = static_cast<const uint8_t *>(value);
        if (v == nullptr || v < begin || v > end || length > end - v) {
            fprintf(stderr, "TLV value of %u bytes at %p outside the message [%p, %p)\n",
                    static_cast<unsigned>(length), value, static_cast<const void *>(begin),
                    static_cast<const void *>(end));
            abort();
        }
        for (uint16_t i = 0; i < length; ++i) sink = sink + v[i];
    }
    fprintf(stderr, "TLV walk did not end after %d steps\n", kMaxSteps);
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    pcfg_fuzz::begin_input();
    pcfg_fuzz::Input in(data, size);
    const uint16_t offset = in.u16();
    const uint32_t second_start = in.u32();
    const auto rest = in.rest();
    pcfg_sim::script_reply({pcfg_sim::Reply::Kind::Answer, 0, {rest.begin(), rest.end()}});

    const int q = mts_bind(2, -1, kBindOptions.data(), "fuzz tlv");
    const std::array<uint8_t, 8> request{};
    mts_msg_t answer{};
    if (mts_send(q, &kManager, kOpcCliReq, request.data(), request.size(), nullptr, 0, 0) == 0 &&
        mts_recv(q, &answer, kRecvOptions.data()) == 0) {
        const auto *payload = static_cast<const uint8_t *>(mts_payload_get(&answer));
        const uint32_t payload_size = mts_payload_size(&answer);
        if (payload != nullptr) {
            const uint8_t *end = payload + payload_size;
            const uint8_t *array = payload + offset % (payload_size + 1);
            tlv_aligned_array_get_num_tlvs(array, kFlags);
            walk(array, 0, payload, end);
            walk(array, second_start, payload, end);
        }
        mts_drop(q, &answer);
    }
    mts_unbind(q, 0);
    pcfg_fuzz::end_input();
    return 0;
}
