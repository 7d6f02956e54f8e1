// Report commands: the manager's history instances (shown by the history
// service), its counts, resource tables and buffer-credit tables (one
// report request each).
#include <cstdio>

#include "cli/command_table.h"
#include "cli/exchange.h"
#include "common/mts_session.h"
#include "common/params.h"
#include "pcfg_platform.h"
#include "print/printers.h"

using namespace pcfg;

namespace {

constexpr uint32_t kHistoryId = 173;
constexpr uint8_t kAllPorts = 255;

void show_history(const cli_param_block &params, uint32_t instance) {
    const mts_addr_t addr = kManagerAddr;
    // The history service takes the block untyped and passes it on unread.
    sdstub_show_hist_inst(const_cast<cli_param_block *>(&params), &addr, kHistoryId, instance, 0);
}

// Buffer-credit table of one port, or of all ports without a port token.
void credit_table(const cli_param_block &params, ReportType type) {
    const auto typed = value_number(first_token(params, PCFG_PARAM_RSRC_PORT));
    const int port = typed ? port_index_of(*typed) : kAllPorts;
    pcfg_mts_send_rcv_cli_req(type, port, pcfg_print_credit_tbl);
}

}  // namespace

template <uint32_t Instance>
void port_cfg_show_history(const cli_param_block &params) noexcept {
    show_history(params, Instance);
}
template void port_cfg_show_history<0>(const cli_param_block &) noexcept;
template void port_cfg_show_history<1>(const cli_param_block &) noexcept;
template void port_cfg_show_history<2>(const cli_param_block &) noexcept;
template void port_cfg_show_history<3>(const cli_param_block &) noexcept;
template void port_cfg_show_history<4>(const cli_param_block &) noexcept;
template void port_cfg_show_history<5>(const cli_param_block &) noexcept;
template void port_cfg_show_history<6>(const cli_param_block &) noexcept;
template void port_cfg_show_history<7>(const cli_param_block &) noexcept;

void port_cfg_show_cmds_processed(const cli_param_block &) noexcept {
    pcfg_mts_send_rcv_cli_req(kReqCmdsProcessed, 0, pcfg_print_cmds_processed);
}

// Commands processed, then history instances 0 to 6 (not 7).
void port_cfg_show_cmds_processed_history(const cli_param_block &params) noexcept {
    pcfg_mts_send_rcv_cli_req(kReqCmdsProcessed, 0, pcfg_print_cmds_processed);
    putchar('\n');
    for (uint32_t instance = 0; instance <= 6; ++instance) show_history(params, instance);
}

void port_cfg_show_rsrc_card(const cli_param_block &) noexcept {
    pcfg_mts_send_rcv_cli_req(kReqRsrcCard, 0, pcfg_rsrc_show_all_body);
}

void port_cfg_show_rsrc_port(const cli_param_block &params) noexcept {
    const auto typed = value_number(first_token(params, PCFG_PARAM_RSRC_PORT));
    if (!typed || *typed == 0) {
        printf("Error getting port number");
        return;
    }
    pcfg_mts_send_rcv_cli_req(kReqRsrcPort, port_index_of(*typed), pcfg_rsrc_show_all_body);
}

void port_cfg_show_events(const cli_param_block &) noexcept {
    pcfg_mts_send_rcv_cli_req(kReqEvents, 0, pcfg_print_not_implemented);
}

void port_cfg_show_credit_tbl(const cli_param_block &params) noexcept {
    credit_table(params, kReqCreditTbl);
}

void port_cfg_show_credit_tbl2(const cli_param_block &params) noexcept {
    credit_table(params, kReqCreditTbl2);
}
