// The manager's answer to the port counter request (opcode 3120).
//
// Request: 0 aggr (0 aggregate, 1 current)  1..4 type_of_cntr  5..8 if_index
// Answer:  0..3 status (0; or a platform error code, then 4 zero bytes and
//          nothing else)  4..7 if_index
//          8..695 counter record: 0..3 type_of_cntr, 4 aggr, 5..7 zero, then
//          85 u64 counters in the order of the library's counter-name table
//          696.. extra-counter TLVs (aligned TLV array): 16-byte values
//          (if_index, status, u64 counter), FEC blocks (type 168) 24 bytes
//          (if_index, status, corrected, uncorrected)
// Current counters count from the last clear of the card's counters (when
// the simulated card started); aggregate counters add the week of traffic
// the port carried before that clear. Both grow as simulated time passes.
#include <array>

#include "manager.h"
#include "port_resources.h"
#include "wire.h"

namespace pcfg_sim::card {
namespace {

constexpr size_t kReqLen = 9;
constexpr uint8_t kAggr = 0;
constexpr uint32_t kErrInvalidArg = 0x40290001;
constexpr uint32_t kErrPortNotPresent = 0x4029000B;
constexpr uint64_t kWeek = 7 * 86400;
constexpr uint64_t kClassFFrameBytes = 76;

// Rows of the counter record (counted from 1) that the card counts.
enum Row : size_t {
    kC2InFrames = 1,
    kC2OutFrames = 2,
    kC2InOctets = 3,
    kC2OutOctets = 4,
    kC3InFrames = 10,
    kC3OutFrames = 11,
    kC3InOctets = 12,
    kC3OutOctets = 13,
    kC3Discards = 14,
    kCfInFrames = 15,
    kCfOutFrames = 16,
    kCfInOctets = 17,
    kCfOutOctets = 18,
    kLinkFailures = 20,
    kSyncLosses = 21,
    kSigLosses = 22,
    kInvalidTxWords = 24,
    kInvalidCrcs = 25,
    kLinkResetIns = 28,
    kLinkResetOuts = 29,
    kOlsIns = 30,
    kOlsOuts = 31,
    kTxWaitCount = 34,
    kLrrIn = 37,
    kLrrOut = 38,
    kNosIn = 39,
    kFramesDiscard = 45,
    kTxBbCreditZero = 47,
    kRxBbCreditZero = 48,
    kIfHcInOctets = 55,
    kIfHcInUcastPkts = 56,
    kIfHcOutOctets = 59,
    kIfHcOutUcastPkts = 60,
    kIfInOctets = 63,
    kIfInUcastPkts = 64,
    kIfInDiscards = 66,
    kIfInErrors = 67,
    kIfOutOctets = 69,
    kIfOutUcastPkts = 70,
    kInFrames = 78,
    kInOctets = 79,
    kInDiscards = 80,
    kOutFrames = 81,
    kOutOctets = 82,
    kInErrors = 84,
    kRows = 85,
};

// Extra-counter TLV types.
enum : uint16_t {
    kTlvTxFaults = 80,
    kTlvCreditLoss = 130,
    kTlvTimeoutDiscards = 131,
    kTlvForceTimeoutOn = 132,
    kTlvForceTimeoutOff = 133,
    kTlvTxWtAvgCreditZero = 134,
    kTlvRxWtAvgCreditZero = 135,
    kTlvTimestamp = 161,
    kTlvFecBlocks = 168,
};

// What a port carried over the counted span of time.
struct Traffic {
    uint64_t in_bytes, out_bytes, in_frames, out_frames;
    uint64_t seconds;
};

Traffic traffic(const SimPort &p, bool aggregate) {
    Traffic t{p.in_bytes, p.out_bytes, p.in_frames, p.out_frames, state().now - state().started};
    if (aggregate) {
        t.in_bytes += p.in_rate * kWeek;
        t.out_bytes += p.out_rate * kWeek;
        t.in_frames += p.in_rate * kWeek / kAvgFrameBytes;
        t.out_frames += p.out_rate * kWeek / kAvgFrameBytes;
        t.seconds += kWeek;
    }
    return t;
}

// Events that happen now and then on the ports a rule picks: `base` at the
// start, then one more per `per` of `amount` (seconds or frames).
uint64_t events(bool picked, uint64_t base, uint64_t amount, uint64_t per) {
    return picked ? base + amount / per : 0;
}

struct Counters {
    std::array<uint64_t, kRows + 1> rows{};  // row 0 unused
    uint64_t credit_loss, timeout_discards, fto_on, fto_off, fec_corrected, fec_uncorrected;
};

Counters count(const SimPort &p, const Traffic &t) {
    const PortResources r = port_resources(p);
    const uint8_t idx = p.port_index;
    const bool e_port = r.port_mode == kPortModeE;
    Counters c{};
    auto &v = c.rows;
    // Class 2 carries one frame in 64 on ports that credit it at port level.
    const uint64_t c2_share = r.cos.empty() ? 0 : 64;
    v[kC2InFrames] = c2_share ? t.in_frames / c2_share : 0;
    v[kC2OutFrames] = c2_share ? t.out_frames / c2_share : 0;
    v[kC2InOctets] = c2_share ? t.in_bytes / c2_share : 0;
    v[kC2OutOctets] = c2_share ? t.out_bytes / c2_share : 0;
    v[kC3InFrames] = t.in_frames - v[kC2InFrames];
    v[kC3OutFrames] = t.out_frames - v[kC2OutFrames];
    v[kC3InOctets] = t.in_bytes - v[kC2InOctets];
    v[kC3OutOctets] = t.out_bytes - v[kC2OutOctets];
    v[kC3Discards] = t.in_frames / 1000000;
    // Link services: a login, then a few frames a minute (more on an ISL).
    v[kCfInFrames] = 8 + (e_port ? 20 : 2) * (t.seconds / 60);
    v[kCfOutFrames] = v[kCfInFrames] + 1;
    v[kCfInOctets] = v[kCfInFrames] * kClassFFrameBytes;
    v[kCfOutOctets] = v[kCfOutFrames] * kClassFFrameBytes;
    v[kLinkFailures] = events(idx % 5 == 2, 1, t.seconds, kWeek);
    v[kSyncLosses] = 2 * v[kLinkFailures];
    v[kSigLosses] = v[kLinkFailures];
    v[kInvalidTxWords] = events(idx % 3 != 0, idx % 3, t.seconds, 600);
    v[kInvalidCrcs] = events(idx % 11 == 5, 1, t.in_frames, 1u << 30);
    v[kLinkResetIns] = 1 + v[kLinkFailures];
    v[kLinkResetOuts] = 1;
    v[kOlsIns] = 1;
    v[kOlsOuts] = 1 + v[kLinkFailures];
    v[kTxWaitCount] = t.out_frames / 4096;
    v[kLrrIn] = 1;
    v[kLrrOut] = 1;
    v[kNosIn] = v[kLinkFailures];
    v[kFramesDiscard] = v[kC3Discards];
    v[kTxBbCreditZero] = t.out_frames / 128;
    v[kRxBbCreditZero] = t.in_frames / 512;
    const uint64_t in_frames = t.in_frames + v[kCfInFrames];
    const uint64_t out_frames = t.out_frames + v[kCfOutFrames];
    const uint64_t in_octets = t.in_bytes + v[kCfInOctets];
    const uint64_t out_octets = t.out_bytes + v[kCfOutOctets];
    v[kIfHcInOctets] = v[kIfInOctets] = v[kInOctets] = in_octets;
    v[kIfHcInUcastPkts] = v[kIfInUcastPkts] = v[kInFrames] = in_frames;
    v[kIfHcOutOctets] = v[kIfOutOctets] = v[kOutOctets] = out_octets;
    v[kIfHcOutUcastPkts] = v[kIfOutUcastPkts] = v[kOutFrames] = out_frames;
    v[kIfInDiscards] = v[kInDiscards] = v[kC3Discards];
    v[kIfInErrors] = v[kInErrors] = v[kInvalidCrcs];

    c.credit_loss = events(idx % 9 == 4, 1, t.seconds, kWeek);
    c.timeout_discards = v[kC3Discards];
    c.fto_on = events(e_port, 1, t.seconds, 86400);
    c.fto_off = c.fto_on;
    c.fec_corrected = (t.in_bytes + t.out_bytes) >> 24;
    c.fec_uncorrected = events(idx % 13 == 6, 1, t.seconds, 86400);
    return c;
}

std::vector<uint8_t> counter_value(uint32_t if_index, uint64_t value) {
    Wire w;
    w.u32(if_index).u32(0).u64(value);
    return w.take();
}

std::vector<uint8_t> failure(uint32_t status) {
    Wire w;
    w.u32(status).u32(0);
    return w.take();
}

}  // namespace

Answer answer_port_counters(std::span<const uint8_t> request) {
    if (request.size() < kReqLen) return failure(kErrInvalidArg);
    const auto aggr = static_cast<uint8_t>(be_at(request, 0, 1));
    const auto type = static_cast<uint32_t>(be_at(request, 1, 4));
    const auto if_index = static_cast<uint32_t>(be_at(request, 5, 4));
    const SimPort *p = port_by_if_index(if_index);
    if (p == nullptr) return failure(kErrPortNotPresent);

    const Counters c = count(*p, traffic(*p, aggr == kAggr));
    Wire w;
    w.u32(0).u32(if_index);
    w.u32(type).u8(aggr).zeros(3);
    for (size_t row = 1; row <= kRows; ++row) w.u64(c.rows[row]);
    Wire fec;
    fec.u32(if_index).u32(0).u64(c.fec_corrected).u64(c.fec_uncorrected);
    const std::vector<uint8_t> tlvs = encode_tlv_array({
        {kTlvTxFaults, counter_value(if_index, 0)},
        {kTlvCreditLoss, counter_value(if_index, c.credit_loss)},
        {kTlvTimeoutDiscards, counter_value(if_index, c.timeout_discards)},
        {kTlvForceTimeoutOn, counter_value(if_index, c.fto_on)},
        {kTlvForceTimeoutOff, counter_value(if_index, c.fto_off)},
        {kTlvTxWtAvgCreditZero, counter_value(if_index, c.rows[kTxBbCreditZero] / 16)},
        {kTlvRxWtAvgCreditZero, counter_value(if_index, c.rows[kRxBbCreditZero] / 16)},
        {kTlvTimestamp, counter_value(if_index, state().now)},
        {kTlvFecBlocks, fec.take()},
    });
    w.bytes(tlvs);
    return w.take();
}

}  // namespace pcfg_sim::card
