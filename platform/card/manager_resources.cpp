// The manager's resource answers: the resource tables of the card (report
// type 4) or of one port (type 5), and one port's resource record (type 10).
//
// Resource tables body:
//   0..1 index table offset  2..5 data area length  6..7 buffer-group table
//   offset (both offsets from byte 20)  8 index entries  9..11 zero
//   12..15 buffer groups (i32)  16..19 zero  20.. index table, then the
//   buffer-group table
// Index entry, 12 bytes: port, link index, global index (u16), local index
//   (u16), virtual links, lanes, if_index (u32).
// Buffer group, 12 bytes: max buffers (u16), available buffers (u16), first
//   and last port index (u32 each).
// Port record, 912 bytes: the layout the port information display reads;
//   a port the card lacks gets an empty body.
#include "manager.h"
#include "port_resources.h"
#include "wire.h"

namespace pcfg_sim::card {
namespace {

constexpr size_t kEntryLen = 12;
constexpr size_t kPortInfoLen = 912;
constexpr size_t kCapBufLen = 336;

std::vector<uint8_t> rsrc_tables(const std::vector<const SimPort *> &ports,
                                 const std::vector<BufferGroup> &groups) {
    const size_t index_len = kEntryLen * ports.size();
    Wire w;
    w.u16(0).u32(static_cast<uint32_t>(index_len + kEntryLen * groups.size()));
    w.u16(static_cast<uint16_t>(index_len)).u8(static_cast<uint8_t>(ports.size())).zeros(3);
    w.u32(static_cast<uint32_t>(groups.size())).zeros(4);
    for (const SimPort *p : ports) {
        const PortResources r = port_resources(*p);
        w.u8(r.port_index).u8(r.link_index).u16(r.global_index).u16(r.local_index);
        w.u8(static_cast<uint8_t>(r.vlinks.size())).u8(r.lanes).u32(r.if_index);
    }
    for (const BufferGroup &g : groups)
        w.u16(g.max_buffers).u16(g.avail_buffers).u32(g.first_port).u32(g.last_port);
    return w.take();
}

// Nine u16 of a credit group: cdt, perf, mult (min, max, def each).
void credit_group(Wire &w, uint16_t cdt_max, uint16_t cdt_def) {
    w.u16(1).u16(cdt_max).u16(cdt_def);  // cdt
    w.u16(0).u16(100).u16(0);            // perf
    w.u16(1).u16(4).u16(1);              // mult
}

// Static capabilities of a 16G port with an SFP+ transceiver, 336 bytes.
void capabilities(Wire &w, const PortResources &r) {
    const size_t start = w.size();
    w.u64(0x000000000001f3b7ull);           // cap_bits_1
    w.u32(r.speed).u32(kMinSpeed).zeros(4);  // max_speed, min_speed
    w.u32(2112).u32(2112);                   // max_tx_bytes, max_rx_bytes
    w.u32(32).u32(9);                        // fc_ph_ver_hi, fc_ph_ver_lo
    w.u32(0x8);                              // connector_type: SFP+
    w.u32(2112).u32(256).u32(2112).u32(256);  // rx/tx data field sizes
    w.u32(100000).u32(1000);                 // hold_time_max, hold_time_min
    w.u32(1).u32(0xc).u32(15).u32(0);        // rdl_ver, cos_bit_map, bb_scn_max, min_shared_bw
    credit_group(w, 32, 16);                 // osm_mode_fl
    credit_group(w, 500, 16);                // frm_mode_fl
    credit_group(w, 32, 32);                 // osm_mode_f
    credit_group(w, 500, 32);                // frm_mode_f
    credit_group(w, 250, 64);                // osm_mode_e
    credit_group(w, 500, 64);                // frm_mode_e
    w.u16(1).u16(4095).u16(32).u16(8);       // ec_rx_cdt_f
    w.u16(2).u16(4095).u16(64).u16(16);      // ec_rx_cdt_e
    w.zeros(kCapBufLen - (w.size() - start));
}

std::vector<uint8_t> port_info(const SimPort &p) {
    const PortResources r = port_resources(p);
    const bool e_port = r.port_mode == kPortModeE;
    Wire w;
    w.u8(1).u8(1).u8(r.port_index).u8(p.admin_up && p.link_up ? 1 : 0).u32(r.if_index);
    w.u8(0).u8(1);  // index_cfg_cmd, port_gi_cnt
    const auto gi = static_cast<uint8_t>(r.global_index);
    w.u8(gi).u8(gi).u8(gi).u8(static_cast<uint8_t>(r.local_index)).u8(1);
    w.u8(static_cast<uint8_t>(r.vlinks.size())).zeros(4);
    w.u32(r.speed).u32(kMinSpeed).zeros(4).u32(static_cast<uint32_t>(r.port_mode)).zeros(4);
    for (size_t k = 0; k < 4; ++k) {
        if (k < r.vlinks.size())
            w.u8(1).u8(0).u8(1).u8(r.vlinks[k].global_index);
        else
            w.zeros(4);
    }
    w.u32(1);  // service_state: in service
    // Force-timeout configuration per port mode: mode, enabled, milliseconds.
    const struct { int32_t mode; uint8_t enabled; uint32_t ms; } fto[] = {
        {kPortModeE, static_cast<uint8_t>(e_port ? 1 : 0), 500},
        {kPortModeF, static_cast<uint8_t>(e_port ? 0 : 1), 500},
        {kPortModeFL, 0, 1000},
    };
    w.u8(3).zeros(3);
    for (const auto &f : fto) w.u32(static_cast<uint32_t>(f.mode)).zeros(4).u8(f.enabled).zeros(3).u32(f.ms);
    w.zeros(16 * (32 - 3));
    capabilities(w, r);
    std::vector<uint8_t> out = w.take();
    out.resize(kPortInfoLen);
    return out;
}

}  // namespace

std::vector<uint8_t> report_rsrc_card(uint8_t) {
    std::vector<const SimPort *> ports;
    for (const SimPort &p : state().ports) ports.push_back(&p);
    return rsrc_tables(ports, buffer_groups());
}

std::vector<uint8_t> report_rsrc_port(uint8_t port) {
    const SimPort *p = port_by_index(port);
    if (p == nullptr) return rsrc_tables({}, {});
    return rsrc_tables({p}, {buffer_group_of(port)});
}

std::vector<uint8_t> report_port_info(uint8_t port) {
    const SimPort *p = port_by_index(port);
    return p != nullptr ? port_info(*p) : std::vector<uint8_t>{};
}

}  // namespace pcfg_sim::card
