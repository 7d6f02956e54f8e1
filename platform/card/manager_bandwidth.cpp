// The manager's byte counts over an averaging interval (opcode 3187).
//
// Request:  0 u16 num_ports, 2 u16 interval (seconds), 4 u32 if_index per port.
// Answer:   0 u32 status, 4 u16 interval, 6 u16 num_ports, then per listed
//           port, in request order, a 52-byte record:
//              0 u32 status of the record      28 u64 in_bytes
//              4 u32 if_index                  36 u64 in_frames
//              8 u32 interval                  44 u64 out_bytes
//             12 u64 in_rate (bytes/s)
//             20 u64 out_rate (bytes/s)
// The counts are what the port's steady traffic adds up to over the
// interval: rate times interval while the port is enabled and its link up,
// 0 otherwise (as the card's counters grow). An if_index the card does not
// have keeps its place with a zero record whose status is "port not
// present". A request shorter than its num_ports promises, or with a zero
// interval, is refused as a whole with no records.
#include "manager.h"
#include "manager_status.h"
#include "card.h"
#include "wire.h"

namespace pcfg_sim::card {
namespace {

constexpr size_t kReqHdrLen = 4;

Answer refuse(uint32_t status, uint16_t interval) {
    Wire w;
    w.u32(status).u16(interval).u16(0);
    return w.take();
}

void port_record(Wire &w, uint32_t if_index, uint16_t interval) {
    const SimPort *p = port_by_if_index(if_index);
    if (p == nullptr) {
        w.u32(kStatusPortNotPresent).u32(if_index).zeros(44);
        return;
    }
    const bool flowing = p->admin_up && p->link_up;
    const uint64_t in_bytes = flowing ? p->in_rate * interval : 0;
    const uint64_t out_bytes = flowing ? p->out_rate * interval : 0;
    w.u32(kStatusOk).u32(if_index).u32(interval);
    w.u64(p->in_rate).u64(p->out_rate);
    w.u64(in_bytes).u64(in_bytes / kAvgFrameBytes).u64(out_bytes);
}

}  // namespace

Answer answer_interval_counters(std::span<const uint8_t> request) {
    if (request.size() < kReqHdrLen) return refuse(kStatusInvalidMessage, 0);
    const auto num_ports = static_cast<uint16_t>(be_at(request, 0, 2));
    const auto interval = static_cast<uint16_t>(be_at(request, 2, 2));
    if (request.size() < kReqHdrLen + 4u * num_ports)
        return refuse(kStatusInvalidMessage, interval);
    if (interval == 0) return refuse(kStatusInvalidArg, interval);

    Wire w;
    w.u32(kStatusOk).u16(interval).u16(num_ports);
    for (size_t i = 0; i < num_ports; ++i)
        port_record(w, static_cast<uint32_t>(be_at(request, kReqHdrLen + 4 * i, 4)), interval);
    return w.take();
}

}  // namespace pcfg_sim::card
