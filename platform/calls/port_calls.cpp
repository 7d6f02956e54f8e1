// The port services' platform calls: the front-port list, count and map
// reach the card; interface names, speed names, link-status reasons and the
// platform's error texts are this platform's own.
#include <array>
#include <cstdio>
#include <span>

#include "backend.h"
#include "call_log.h"

using namespace pcfg_sim;
using namespace pcfg_sim::platform;

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
    card::CardAccess &card = backend();
    note<CallId::get_front_port_if_index_list>([&] { return Logged{{given(list)}}; });
    return card.port_list(list);
}

int32_t get_total_lc_front_ports(void) {
    card::CardAccess &card = backend();
    note<CallId::get_total_lc_front_ports>([] { return Logged{}; });
    return card.total_ports();
}

// The port map holds the port index (counted from 0) of each interface.
int pm_idxmap_entry_by_if_index(uint32_t if_index, pm_idxmap_entry_t *entry) {
    card::CardAccess &card = backend();
    note<CallId::pm_idxmap_entry_by_if_index>([&] { return Logged{{if_index, given(entry)}}; });
    return card.port_map(if_index, entry);
}

int snprintf_if_index_short(char *buf, size_t size, uint32_t if_index) {
    if (auto f = enter<CallId::snprintf_if_index_short>(
            [&] { return Logged{{given(buf), static_cast<int64_t>(size), if_index}}; }))
        return static_cast<int>(f->result);
    if (buf == nullptr || size == 0) return 0;
    if ((if_index & 0xFF000000u) == 0x01000000u && (if_index & 0xFFFu) == 0)
        return snprintf(buf, size, "fc%u/%u", ((if_index >> 20) & 0xFu) + 1u,
                        ((if_index >> 12) & 0xFFu) + 1u);
    return snprintf(buf, size, "0x%08x", if_index);
}

void lc_get_portspeed_name(uint32_t speed, char *name) {
    if (enter<CallId::lc_get_portspeed_name>([&] { return Logged{{speed, given(name)}}; }) ||
        name == nullptr)
        return;
    const char *text = find_name(kSpeedNames, speed);
    snprintf(name, 8, "%s", text != nullptr ? text : "unknown");
}

void lc_get_portlinkstatus_reason(uint32_t reason, char *text) {
    if (enter<CallId::lc_get_portlinkstatus_reason>([&] { return Logged{{reason, given(text)}}; }) ||
        text == nullptr)
        return;
    if (reason < kLinkReasonTexts.size())
        snprintf(text, 64, "%s", kLinkReasonTexts[reason]);
    else
        snprintf(text, 64, "unknown reason %u", reason);
}

const char *syserr2str(int32_t code) {
    if (enter<CallId::syserr2str>([&] { return Logged{{code}}; })) return nullptr;
    return find_name(kErrorTexts, static_cast<uint32_t>(code));
}

}  // extern "C"
