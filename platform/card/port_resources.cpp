// Per-port resources of the simulated card (see port_resources.h).
#include "port_resources.h"

#include <algorithm>

namespace pcfg_sim::card {
namespace {

bool is_e_port(uint8_t idx) { return idx % 12 == 0; }
bool has_port_cos(uint8_t idx) { return !is_e_port(idx) && idx % 6 == 1; }

Credit credit(uint8_t number, uint16_t b2b, uint16_t mult, uint16_t prox, uint16_t shar,
              uint16_t ded) {
    return Credit{number, b2b, mult, prox, shar, ded};
}

}  // namespace

PortResources port_resources(const SimPort &port) {
    const uint8_t idx = port.port_index;
    PortResources r;
    r.port_index = idx;
    r.if_index = port.if_index;
    r.global_index = static_cast<uint16_t>(16u + idx);
    r.local_index = static_cast<uint16_t>(idx % 24u);
    r.link_index = static_cast<uint8_t>(idx % kPortsPerGroup);
    r.speed = port.speed;
    if (is_e_port(idx)) {
        // ISL with virtual links: 0 carries class F, 1 to 3 data; link 2
        // splits its credits between classes 2 and 3.
        r.port_mode = kPortModeE;
        r.credit = credit(idx, 64, 1, 8, 16, 64);
        const uint16_t vl_b2b[4] = {4, 20, 20, 20};
        for (uint8_t k = 0; k < 4; ++k) {
            VlinkResources vl;
            vl.credit = credit(k, vl_b2b[k], 0, k == 0 ? 0 : 2, k == 0 ? 0 : 4, vl_b2b[k]);
            vl.global_index = static_cast<uint8_t>(192u + (idx / 12u) * 4u + k);
            if (k == 2) vl.cos = {credit(2, 8, 0, 1, 2, 8), credit(3, 12, 0, 1, 2, 12)};
            r.vlinks.push_back(vl);
        }
    } else {
        r.port_mode = kPortModeF;
        r.credit = credit(idx, 32, 1, 0, 16, 32);
        if (has_port_cos(idx)) r.cos = {credit(2, 8, 0, 0, 4, 8), credit(3, 24, 0, 0, 12, 24)};
    }
    return r;
}

BufferGroup buffer_group_of(uint8_t port_index) {
    BufferGroup g;
    g.first_port = port_index / kPortsPerGroup * kPortsPerGroup;
    g.last_port = g.first_port + kPortsPerGroup - 1;
    uint32_t used = 0;
    for (const SimPort &p : state().ports)
        if (p.port_index >= g.first_port && p.port_index <= g.last_port)
            used += port_resources(p).credit.ded;
    g.avail_buffers = static_cast<uint16_t>(g.max_buffers - std::min<uint32_t>(used, g.max_buffers));
    return g;
}

std::vector<BufferGroup> buffer_groups() {
    std::vector<uint8_t> indexes;
    for (const SimPort &p : state().ports) indexes.push_back(p.port_index);
    std::sort(indexes.begin(), indexes.end());
    std::vector<BufferGroup> out;
    for (uint8_t idx : indexes)
        if (out.empty() || idx > out.back().last_port) out.push_back(buffer_group_of(idx));
    return out;
}

}  // namespace pcfg_sim::card
