// What the simulated manager keeps about each port's resources: its
// indexes, mode, virtual links, buffer group and buffer credits. The
// resource tables, the port information record and the credit tables are
// all built from it, so the answers agree with each other.
//
// The simulated card: every twelfth port (index 0, 12, 24, ...) is an E
// port with four virtual links; the others are F ports, and every sixth of
// those (index 1, 7, 13, ...) also credits classes of service 2 and 3 at
// port level. Buffer groups hold eight consecutive port indexes.
#pragma once

#include <cstdint>
#include <vector>

#include "card.h"

namespace pcfg_sim::card {

enum : int32_t { kPortModeE = 4, kPortModeF = 32, kPortModeFL = 64 };

inline constexpr uint32_t kPortsPerGroup = 8;
inline constexpr uint16_t kGroupBuffers = 2400;
inline constexpr uint16_t kMinSpeed = 2000;

// One credit entry: a port, a virtual link or a class of service.
struct Credit {
    uint8_t number = 0;
    uint16_t b2b = 0, mult = 0, prox = 0, shar = 0, ded = 0;
};

struct VlinkResources {
    Credit credit;
    uint8_t global_index = 0;
    std::vector<Credit> cos;
};

struct PortResources {
    uint8_t port_index = 0;
    uint32_t if_index = 0;
    uint16_t global_index = 0;
    uint16_t local_index = 0;
    uint8_t link_index = 0;  // position inside its buffer group
    uint8_t lanes = 1;
    int32_t port_mode = kPortModeF;
    uint32_t speed = 0;
    Credit credit;
    std::vector<VlinkResources> vlinks;
    std::vector<Credit> cos;  // port-level classes of service
};

PortResources port_resources(const SimPort &port);

struct BufferGroup {
    uint16_t max_buffers = kGroupBuffers;
    uint16_t avail_buffers = kGroupBuffers;
    uint32_t first_port = 0;  // port indexes, counted from 0
    uint32_t last_port = 0;
};

// The groups that hold the card's ports, in port order. A group's free
// buffers are what its ports' dedicated credits leave.
std::vector<BufferGroup> buffer_groups();
// The group of one port index.
BufferGroup buffer_group_of(uint8_t port_index);

}  // namespace pcfg_sim::card
