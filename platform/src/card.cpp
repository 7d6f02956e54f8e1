// The simulated line card: its front ports, the port map, interface names,
// speed names, link-status reason texts and platform error texts.
#include <array>
#include <cstdio>
#include <cstring>

#include "card_client.h"
#include "sim_state.h"

namespace pcfg_sim {
namespace detail {

Card &card() {
    static Card c;
    static bool started = false;
    if (!started) {
        started = true;
        CardConfig config;
        config.keep_event_log = true;  // the log outlives the processes that write it
        config.log_start_up = true;
        reset(config);
    }
    return c;
}

// fc<slot>/<port>: 0x01000000, slot - 1 in bits 20..23, port index in bits 12..19.
uint32_t make_if_index(uint32_t slot, uint8_t port_index) {
    return 0x01000000u | (((slot - 1u) & 0xFu) << 20) | (uint32_t{port_index} << 12);
}

SimPort *port_by_if_index(uint32_t if_index) {
    for (SimPort &p : card().ports)
        if (p.if_index == if_index) return &p;
    return nullptr;
}

SimPort *port_by_index(uint8_t port_index) {
    for (SimPort &p : card().ports)
        if (p.port_index == port_index) return &p;
    return nullptr;
}

}  // namespace detail

uint32_t if_index_of_port(uint8_t port_index) {
    if (detail::card_client_active())
        return static_cast<uint32_t>(detail::client_control(detail::Control::PortIfIndex, detail::Wire().u8(port_index).take()));
    const detail::SimPort *p = detail::port_by_index(port_index);
    return p != nullptr ? p->if_index : 0;
}

uint32_t num_ports() {
    if (detail::card_client_active()) return static_cast<uint32_t>(detail::client_control(detail::Control::Ports, {}));
    return static_cast<uint32_t>(detail::card().ports.size());
}

uint32_t slot() {
    // A shared card always has the default slot (a shell resets it with the
    // number of ports only).
    if (detail::card_client_active()) return CardConfig{}.slot;
    return detail::card().config.slot;
}

uint32_t now() {
    if (detail::card_client_active()) return static_cast<uint32_t>(detail::client_control(detail::Control::Now, {}));
    return detail::card().now;
}

void advance(uint32_t seconds) {
    if (detail::card_client_active()) {
        detail::client_control(detail::Control::Advance, detail::Wire().u32(seconds).take());
        return;
    }
    detail::Card &c = detail::card();
    for (detail::SimPort &p : c.ports) {
        if (!p.admin_up || !p.link_up) continue;
        const uint64_t in = p.in_rate * seconds;
        const uint64_t out = p.out_rate * seconds;
        p.in_bytes += in;
        p.out_bytes += out;
        p.in_frames += in / detail::kAvgFrameBytes;
        p.out_frames += out / detail::kAvgFrameBytes;
    }
    c.now += seconds;
}

}  // namespace pcfg_sim

using namespace pcfg_sim;
using namespace pcfg_sim::detail;

namespace {

struct CodeName {
    uint32_t code;
    const char *name;
};

constexpr std::array<CodeName, 8> kSpeedNames{{
    {0, "auto"}, {1000, "1G"}, {2000, "2G"}, {4000, "4G"},
    {8000, "8G"}, {10000, "10G"}, {16000, "16G"}, {32000, "32G"},
}};

constexpr std::array<const char *, 39> kLinkReasonTexts{
    "none",
    "link initialization succeeded",
    "loop initialization succeeded",
    "link reset occurred",
    "port initialization failed",
    "port unusable",
    "loss of signal",
    "loss of sync",
    "peer closed the FCIP TCP connection",
    "peer reset the FCIP TCP connection",
    "TCP maximum retransmissions reached",
    "TCP keep-alive timer expired",
    "TCP persist timer expired",
    "Ethernet link down",
    "Ethernet interface down",
    "administrative configuration change",
    "NOS received",
    "OLS received",
    "debounce timeout",
    "LR received (B2B)",
    "credit loss",
    "receive queue overflow",
    "user request",
    "too many interrupts",
    "bit error rate threshold exceeded",
    "LIP F8 received",
    "line card port shutdown",
    "LIP received (B2B)",
    "OPNy timeout (B2B)",
    "OPNy returned (B2B)",
    "credit loss (B2B)",
    "frame flow halted too long",
    "MAC error",
    "transceiver removed",
    "transceiver inserted",
    "LRR received (B2B)",
    "link reset succeeded",
    "port disabled",
    "link reset failed",
};

constexpr std::array<CodeName, 14> kErrorTexts{{
    {0x40290001, "invalid argument"},
    {0x40290002, "invalid MTS message"},
    {0x40290003, "invalid configuration type"},
    {0x40290004, "port is administratively down"},
    {0x40290005, "operation not supported on this port"},
    {0x40290006, "hardware access failed"},
    {0x40290007, "resources exhausted"},
    {0x40290008, "operation timed out"},
    {0x40290009, "value out of range"},
    {0x4029000A, "port is busy"},
    {0x4029000B, "port not present"},
    {0x4029000C, "transceiver not present"},
    {0x4029000D, "FEC not supported at this speed"},
    {0x40290016, "port access error"},
}};

const char *find_name(std::span<const CodeName> table, uint32_t code) {
    for (const CodeName &row : table)
        if (row.code == code) return row.name;
    return nullptr;
}

}  // namespace

extern "C" {

int get_front_port_if_index_list(front_port_list *list) {
    if (card_client_active()) return client_port_list(list);
    if (auto f = enter({"get_front_port_if_index_list", {given(list)}, {}, {}, {}}))
        return static_cast<int>(f->result);
    if (list == nullptr) return -1;
    std::memset(list, 0, sizeof *list);
    const auto &ports = card().ports;
    const size_t n = ports.size() < 255 ? ports.size() : 255;
    list->count = static_cast<uint8_t>(n);
    for (size_t i = 0; i < n; ++i) {
        list->entries[i].if_index = ports[i].if_index;
        list->entries[i].port_index = ports[i].port_index;
    }
    return 0;
}

int32_t get_total_lc_front_ports(void) {
    if (card_client_active()) return client_total_ports();
    if (auto f = enter({"get_total_lc_front_ports", {}, {}, {}, {}}))
        return static_cast<int32_t>(f->result);
    const Card &c = card();
    return c.config.total_front_ports >= 0 ? c.config.total_front_ports
                                           : static_cast<int32_t>(c.ports.size());
}

// The port map holds the port index (counted from 0) of each interface.
int pm_idxmap_entry_by_if_index(uint32_t if_index, pm_idxmap_entry_t *entry) {
    if (card_client_active()) return client_port_map(if_index, entry);
    if (auto f = enter({"pm_idxmap_entry_by_if_index", {if_index, given(entry)}, {}, {}, {}}))
        return static_cast<int>(f->result);
    const SimPort *p = port_by_if_index(if_index);
    if (p == nullptr || entry == nullptr) return -1;
    std::memset(entry, 0, sizeof *entry);
    entry->if_index = if_index;
    entry->port = p->port_index;
    return 0;
}

int snprintf_if_index_short(char *buf, size_t size, uint32_t if_index) {
    if (auto f = enter({"snprintf_if_index_short", {given(buf), static_cast<int64_t>(size), if_index},
                        {}, {}, {}}))
        return static_cast<int>(f->result);
    if (buf == nullptr || size == 0) return 0;
    if ((if_index & 0xFF000000u) == 0x01000000u && (if_index & 0xFFFu) == 0)
        return snprintf(buf, size, "fc%u/%u", ((if_index >> 20) & 0xFu) + 1u,
                        ((if_index >> 12) & 0xFFu) + 1u);
    return snprintf(buf, size, "0x%08x", if_index);
}

void lc_get_portspeed_name(uint32_t speed, char *name) {
    if (enter({"lc_get_portspeed_name", {speed, given(name)}, {}, {}, {}}) || name == nullptr)
        return;
    const char *text = find_name(kSpeedNames, speed);
    snprintf(name, 8, "%s", text != nullptr ? text : "unknown");
}

void lc_get_portlinkstatus_reason(uint32_t reason, char *text) {
    if (enter({"lc_get_portlinkstatus_reason", {reason, given(text)}, {}, {}, {}}) ||
        text == nullptr)
        return;
    if (reason < kLinkReasonTexts.size())
        snprintf(text, 64, "%s", kLinkReasonTexts[reason]);
    else
        snprintf(text, 64, "unknown reason %u", reason);
}

const char *syserr2str(int32_t code) {
    if (enter({"syserr2str", {code}, {}, {}, {}})) return nullptr;
    return find_name(kErrorTexts, static_cast<uint32_t>(code));
}

}  // extern "C"
