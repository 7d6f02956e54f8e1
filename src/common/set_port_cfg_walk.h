// The one walk over the port entries of a set-port-configuration request
// (opcode 395), shared by the message decoder and the configuration event
// summary; each keeps its own stop rules in its visitor.
//
// Request payload (big-endian, packed):
//   0  u8  fsm_flag
//   1  u8  num_ports
//   2  ... num_ports port entries, back to back:
//            0  u32 if_index
//            4  u8  num_cfg
//            5  ... num_cfg configuration TLVs: 0 u8 type, 1 u8 len, 2 len value bytes
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/be_reader.h"

namespace pcfg {

inline constexpr size_t kPortEntryHeadLen = 5;  // if_index and num_cfg

struct PortEntry {
    unsigned index;  // position in the request, from 0
    uint32_t if_index;
    uint8_t num_cfg;
};

// How a walk ended.
enum class WalkEnd {
    Done,        // every port entry was walked
    ShortEntry,  // a port entry's head did not fit
    ShortTlv,    // a TLV's head or value did not fit
    Stopped,     // the visitor stopped it
};

// Walks num_ports entries from the reader's position. The visitor has
//   bool entry(const PortEntry &)            before the entry's TLVs
//   bool tlv(uint8_t type, BeReader value)   value covers exactly len bytes
//   bool entry_end()                         after them
// and stops the walk by returning false.
template <typename Visitor>
WalkEnd walk_port_entries(BeReader &payload, uint8_t num_ports, Visitor &visitor) {
    for (unsigned k = 0; k < num_ports; ++k) {
        if (!payload.has(kPortEntryHeadLen)) return WalkEnd::ShortEntry;
        const uint32_t if_index = payload.u32();
        const uint8_t num_cfg = payload.u8();
        if (!visitor.entry(PortEntry{k, if_index, num_cfg})) return WalkEnd::Stopped;
        for (unsigned t = 0; t < num_cfg; ++t) {
            const uint8_t type = payload.u8();
            const uint8_t len = payload.u8();
            if (!payload.ok() || !payload.has(len)) return WalkEnd::ShortTlv;
            if (!visitor.tlv(type, payload.sub(len))) return WalkEnd::Stopped;
        }
        if (!visitor.entry_end()) return WalkEnd::Stopped;
    }
    return WalkEnd::Done;
}

}  // namespace pcfg
