// Report commands: the manager's history instances (shown by the history
// service), its counts, resource tables and buffer-credit tables (one
// report request each).
#include <cstdio>

#include "cli/commands.h"
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

// History instances 0 to 7, one binding each.
#define PCFG_HISTORY_COMMAND(cmd, instance)                                  \
    template <>                                                            \
    void pcfg::run_command<cmd>(const cli_param_block &params) noexcept {  \
        show_history(params, instance);                                    \
    }
PCFG_HISTORY_COMMAND(PCFG_CMD_HIST_ERROR_LOG, 0)
PCFG_HISTORY_COMMAND(PCFG_CMD_HIST_PORT_CONTROL, 1)
PCFG_HISTORY_COMMAND(PCFG_CMD_HIST_LINK_EVENTS, 2)
PCFG_HISTORY_COMMAND(PCFG_CMD_HIST_TIMESTAMP, 3)
PCFG_HISTORY_COMMAND(PCFG_CMD_HIST_EVENT_LOG, 4)
PCFG_HISTORY_COMMAND(PCFG_CMD_HIST_MTS_EVENTS, 5)
PCFG_HISTORY_COMMAND(PCFG_CMD_HIST_SERDES, 6)
PCFG_HISTORY_COMMAND(PCFG_CMD_HIST_BW_RESERVATION, 7)
#undef PCFG_HISTORY_COMMAND

template <>
void pcfg::run_command<PCFG_CMD_CMDS_PROCESSED>(const cli_param_block &) noexcept {
    pcfg_mts_send_rcv_cli_req(kReqCmdsProcessed, 0, pcfg_print_cmds_processed);
}

// Commands processed, then history instances 0 to 6 (not 7).
template <>
void pcfg::run_command<PCFG_CMD_CMDS_PROCESSED_HISTORY>(const cli_param_block &params) noexcept {
    pcfg_mts_send_rcv_cli_req(kReqCmdsProcessed, 0, pcfg_print_cmds_processed);
    putchar('\n');
    for (uint32_t instance = 0; instance <= 6; ++instance) show_history(params, instance);
}

template <>
void pcfg::run_command<PCFG_CMD_RSRC_CARD>(const cli_param_block &) noexcept {
    pcfg_mts_send_rcv_cli_req(kReqRsrcCard, 0, pcfg_rsrc_show_all_body);
}

template <>
void pcfg::run_command<PCFG_CMD_RSRC_PORT>(const cli_param_block &params) noexcept {
    const auto typed = value_number(first_token(params, PCFG_PARAM_RSRC_PORT));
    if (!typed || *typed == 0) {
        printf("Error getting port number");
        return;
    }
    pcfg_mts_send_rcv_cli_req(kReqRsrcPort, port_index_of(*typed), pcfg_rsrc_show_all_body);
}

template <>
void pcfg::run_command<PCFG_CMD_EVENTS>(const cli_param_block &) noexcept {
    pcfg_mts_send_rcv_cli_req(kReqEvents, 0, pcfg_print_not_implemented);
}

template <>
void pcfg::run_command<PCFG_CMD_CREDIT_TBL>(const cli_param_block &params) noexcept {
    credit_table(params, kReqCreditTbl);
}

template <>
void pcfg::run_command<PCFG_CMD_CREDIT_TBL_2>(const cli_param_block &params) noexcept {
    credit_table(params, kReqCreditTbl2);
}
