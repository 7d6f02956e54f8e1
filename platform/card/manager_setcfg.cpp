// The manager applies set-port-configuration requests (opcode 395).
//
// Request:  0 u8 fsm_flag, 1 u8 num_ports, then num_ports port entries:
//             0 u32 if_index, 4 u8 num_cfg, 5 num_cfg TLVs back to back:
//               0 u8 type, 1 u8 len, 2 len value bytes (a big-endian number).
// Answer:   0 u8 fsm_flag (the request's), 1 u8 num_ports, then one 8-byte
//           status entry per port entry: u32 if_index, u32 status (0 = done).
//
// Each entry is checked whole before anything of it is applied: an entry
// that runs past the request ends the walk with "invalid MTS message" for
// it. The TLVs of a good entry are applied in order until one is refused;
// the entry's status is that TLV's, and the TLVs after it are not applied.
// An if_index the card does not have (0 included) gets "port not present".
// Every TLV applied or refused on a known port goes into the history.
#include <array>
#include <vector>

#include "manager.h"
#include "manager_history.h"
#include "manager_status.h"
#include "card.h"
#include "wire.h"

namespace pcfg_sim::card {
namespace {

constexpr size_t kHdrLen = 2;
constexpr size_t kEntryHdrLen = 5;
constexpr size_t kTlvHdrLen = 2;
constexpr size_t kMaxValueBytes = 4;

// Configuration types the manager applies.
enum : uint8_t {
    kCfgAdminSpeed = 3,
    kCfgEnableState = 12,
    kCfgFecState = 175,
};

enum : uint32_t { kEnable = 1, kDisable = 2 };
enum : uint32_t { kFecOff = 0, kFecOn = 1, kFecAuto = 2 };

struct CfgTlv {
    uint8_t type;
    std::span<const uint8_t> value;
};

// Admin speeds a port accepts (0 = auto-negotiate).
constexpr std::array<uint32_t, 8> kSpeeds{0, 1000, 2000, 4000, 8000, 10000, 16000, 32000};

// FEC runs only at 16G and above (or where the speed is negotiated).
bool fec_capable(uint32_t speed) { return speed == 0 || speed >= 16000; }

uint32_t apply_speed(SimPort &port, uint32_t value) {
    for (uint32_t s : kSpeeds) {
        if (s != value) continue;
        port.speed = value;
        return kStatusOk;
    }
    return kStatusOutOfRange;
}

uint32_t apply_enable(SimPort &port, uint32_t value) {
    if (value != kEnable && value != kDisable) return kStatusOutOfRange;
    port.admin_up = (value == kEnable);
    hist_on_admin(port, port.admin_up);
    return kStatusOk;
}

uint32_t apply_fec(SimPort &port, uint32_t value) {
    if (value != kFecOff && value != kFecOn && value != kFecAuto) return kStatusOutOfRange;
    if (value == kFecOn && !fec_capable(port.speed)) return kStatusFecNotSupported;
    port.fec_state = static_cast<uint8_t>(value);
    return kStatusOk;
}

struct CfgHandler {
    uint8_t type;
    uint32_t (*apply)(SimPort &port, uint32_t value);
};

constexpr std::array<CfgHandler, 3> kCfgHandlers{{
    {kCfgAdminSpeed, apply_speed},
    {kCfgEnableState, apply_enable},
    {kCfgFecState, apply_fec},
}};

// The value as a big-endian number of its first bytes (at most 4).
uint32_t value_of(std::span<const uint8_t> value) {
    uint32_t v = 0;
    for (size_t i = 0; i < value.size() && i < kMaxValueBytes; ++i) v = (v << 8) | value[i];
    return v;
}

uint32_t apply_tlv(SimPort &port, const CfgTlv &tlv) {
    if (tlv.value.empty()) return kStatusInvalidArg;
    for (const CfgHandler &h : kCfgHandlers)
        if (h.type == tlv.type) return h.apply(port, value_of(tlv.value));
    return kStatusInvalidCfgType;
}

uint32_t apply_entry(uint32_t if_index, const std::vector<CfgTlv> &tlvs) {
    SimPort *port = if_index != 0 ? port_by_if_index(if_index) : nullptr;
    if (port == nullptr) return kStatusPortNotPresent;
    for (const CfgTlv &tlv : tlvs) {
        const uint32_t status = apply_tlv(*port, tlv);
        hist_on_config(*port, tlv.type, value_of(tlv.value), static_cast<int32_t>(status));
        if (status != kStatusOk) return status;
    }
    return kStatusOk;
}

// A bounded walk over the request bytes.
class Walk {
public:
    explicit Walk(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    size_t left() const { return bytes_.size() - pos_; }
    std::span<const uint8_t> take(size_t n) {
        const auto out = bytes_.subspan(pos_, n);  // callers check left() first
        pos_ += n;
        return out;
    }

private:
    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
};

// Reads the TLVs of one entry; false when they run past the request.
bool read_tlvs(Walk &walk, uint8_t num_cfg, std::vector<CfgTlv> &tlvs) {
    for (uint8_t i = 0; i < num_cfg; ++i) {
        if (walk.left() < kTlvHdrLen) return false;
        const auto hdr = walk.take(kTlvHdrLen);
        if (walk.left() < hdr[1]) return false;
        tlvs.push_back({hdr[0], walk.take(hdr[1])});
    }
    return true;
}

}  // namespace

Answer answer_set_port_cfg(std::span<const uint8_t> request) {
    Wire entries;
    uint8_t count = 0;
    auto status_entry = [&](uint32_t if_index, uint32_t status) {
        entries.u32(if_index).u32(status);
        ++count;
    };

    Walk walk(request);
    uint8_t fsm_flag = 0;
    if (walk.left() < kHdrLen) {
        status_entry(0, kStatusInvalidMessage);
    } else {
        const auto hdr = walk.take(kHdrLen);
        fsm_flag = hdr[0];
        for (uint8_t k = 0; k < hdr[1]; ++k) {
            if (walk.left() < kEntryHdrLen) {
                const uint32_t if_index =
                    walk.left() >= 4 ? static_cast<uint32_t>(be_at(walk.take(4), 0, 4)) : 0;
                status_entry(if_index, kStatusInvalidMessage);
                break;
            }
            const auto entry = walk.take(kEntryHdrLen);
            const auto if_index = static_cast<uint32_t>(be_at(entry, 0, 4));
            std::vector<CfgTlv> tlvs;
            if (!read_tlvs(walk, entry[4], tlvs)) {
                status_entry(if_index, kStatusInvalidMessage);
                break;
            }
            status_entry(if_index, apply_entry(if_index, tlvs));
        }
    }

    Wire answer;
    answer.u8(fsm_flag).u8(count).bytes(entries.take());
    return answer.take();
}

}  // namespace pcfg_sim::card
