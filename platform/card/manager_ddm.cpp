// The manager's digital diagnostics of a port's transceiver (report type
// 11): an aligned TLV array with one TLV of type 79 whose 24-byte value is
//   0..3 alarm flags  4..7 alarm clear flags  8..11 warning flags
//   12..15 warning clear flags  16..19 status  20..23 if_index
// Every sixteenth port (index 7, 23, 39) reports a low receive-power
// warning; a port the card lacks gets the status "port not present".
#include "manager.h"
#include "card.h"
#include "wire.h"

namespace pcfg_sim::card {
namespace {

constexpr uint16_t kDdmTlvType = 79;
constexpr uint32_t kWarnRxPowerLow = 0x40;
constexpr uint32_t kErrPortNotPresent = 0x4029000B;

}  // namespace

std::vector<uint8_t> report_ddm_info(uint8_t port) {
    const SimPort *p = port_by_index(port);
    const uint32_t warn = p != nullptr && port % 16 == 7 ? kWarnRxPowerLow : 0;
    Wire v;
    v.u32(0).u32(0).u32(warn).u32(0);
    v.u32(p != nullptr ? 0 : kErrPortNotPresent).u32(p != nullptr ? p->if_index : 0);
    return encode_tlv_array({{kDdmTlvType, v.take()}});
}

}  // namespace pcfg_sim::card
