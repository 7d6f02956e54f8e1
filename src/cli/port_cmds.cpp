// Per-port display commands: aggregate and current counters (28, 29),
// resource information (33) and digital diagnostics (34) of one front port.
//
// Each takes the port number typed (counted from 1) from its port token,
// finds the port in the card's front-port list, prints a banner naming the
// port and runs one exchange with the port-configuration manager.
//
// Port counter request port_cntr_req, 9 bytes (big-endian, packed):
//   0 aggr (0 aggregate, 1 current)  1..4 type_of_cntr  5..8 if_index
#include <array>
#include <cstdio>
#include <optional>

#include "cli/commands.h"
#include "cli/exchange.h"
#include "common/be_reader.h"
#include "common/params.h"
#include "pcfg_platform.h"
#include "print/printers.h"

using namespace pcfg;
using namespace pcfg::out;

namespace {

enum : uint8_t { kCntrAggr = 0, kCntrCurr = 1 };
constexpr uint32_t kCntrTypeAll = 1;

// Port index held as the typed number minus 1; -1 when no port was typed
// (or 0 was). Messages show it plus 1, the number as typed.
int32_t port_index(const cli_param_block &params, Pick pick) {
    const std::optional<uint32_t> typed = token_number(params, PCFG_PARAM_PORT, pick);
    return typed ? port_index_of(*typed) : -1;
}

int32_t shown(int32_t index) {
    return static_cast<int32_t>(static_cast<uint32_t>(index) + 1u);
}

// Fills the card's front-port list; false after printing the failure.
bool front_ports(front_port_list &list, const char *op, Writer &w) {
    const int rc = get_front_port_if_index_list(&list);
    if (rc != 0) {
        w.fail(Fail::PlatformFailed, "%s: get_front_port_if_index_list failed, err=%d\n", op, rc);
        return false;
    }
    return true;
}

// The port as typed: what the banners and the refusals show.
constexpr Field kAggrBanner = field<"port", Type::Int>("**************** port %d aggregate counters information ****************\n\n");
constexpr Field kCurBanner = field<"port", Type::Int>("**************** port %d current counters information ****************\n\n");
constexpr Field kInfoBanner =
    field<"port", Type::Int>("\nPort Info for port: %d (from pcft_rsrc_port_info_t)\n");
constexpr Field kDdmBanner =
    field<"port", Type::Int>("Digital Diagnostics information for the port: %d \n");
constexpr Field kIfIndex = json_only<"if_index", Type::Uint>();

void invalid_port(int32_t index, Writer &w) {
    w.fail(Fail::InvalidPort, "Invalid port number %d\n", shown(index));
}

// The list's first entry for this port index; a negative index matches no
// entry (entries hold unsigned 8-bit indexes).
const front_port_entry_t *find_port(const front_port_list &list, int32_t index) {
    for (size_t i = 0; i < list.count; ++i)
        if (list.entries[i].port_index == index) return &list.entries[i];
    return nullptr;
}

void show_counters(const cli_param_block &params, const char *op, uint8_t aggr,
                   const Field &banner, Writer &w) {
    const int32_t index = port_index(params, Pick::First);
    front_port_list list{};
    if (!front_ports(list, op, w)) return;
    const front_port_entry_t *entry = find_port(list, index);
    if (entry == nullptr) {
        invalid_port(index, w);
        return;
    }
    w.put(banner, static_cast<uint32_t>(shown(index)));
    w.put(kIfIndex, entry->if_index);
    std::array<uint8_t, kPortCntrReqLen> req{};
    BeWriter(req).u8(aggr).u32(kCntrTypeAll).u32(entry->if_index);
    pcfg_mts_send_rcv_port_cntr(req.data(), pcfg_print_port_cntr, w);
}

// Port index of commands 33 and 34 once it is known to be on the card, or
// no value after printing why not. `beyond_list` also accepts a port
// missing from the list whose index is below the card's front-port count,
// compared as signed numbers.
std::optional<int32_t> checked_port(const cli_param_block &params, const char *op,
                                    bool beyond_list, Writer &w) {
    const int32_t index = port_index(params, Pick::Last);
    if (index == -1) {
        w.fail(Fail::InvalidPort, "%s(): invalid port:%d\n", op, index);
        return std::nullopt;
    }
    front_port_list list{};
    if (!front_ports(list, op, w)) return std::nullopt;
    if (find_port(list, index) == nullptr &&
        !(beyond_list && get_total_lc_front_ports() > index)) {
        invalid_port(index, w);
        return std::nullopt;
    }
    return index;
}

}  // namespace

template <>
void pcfg::run_command<PCFG_CMD_PORT_AGGR_CNTR>(const cli_param_block &params, Writer &w) noexcept {
    show_counters(params, "port_cfg_show_port_aggr_cntr", kCntrAggr, kAggrBanner, w);
}

template <>
void pcfg::run_command<PCFG_CMD_PORT_CUR_CNTR>(const cli_param_block &params, Writer &w) noexcept {
    show_counters(params, "port_cfg_show_port_cur_cntr", kCntrCurr, kCurBanner, w);
}

template <>
void pcfg::run_command<PCFG_CMD_PORT_INFO>(const cli_param_block &params, Writer &w) noexcept {
    const auto index = checked_port(params, "port_cfg_show_port_info", false, w);
    if (!index) return;
    w.put(kInfoBanner, static_cast<uint32_t>(shown(*index)));
    pcfg_mts_send_rcv_cli_req(kReqPortInfo, *index, pcfg_rsrc_print_port_info_body, w);
}

template <>
void pcfg::run_command<PCFG_CMD_PORT_DDM_INFO>(const cli_param_block &params, Writer &w) noexcept {
    const auto index = checked_port(params, "port_cfg_show_port_ddm_info", true, w);
    if (!index) return;
    w.put(kDdmBanner, static_cast<uint32_t>(shown(*index)));
    pcfg_mts_send_rcv_cli_req(kReqDdmInfo, *index, pcfg_print_ddm_info, w);
}
