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
using namespace pcfg::out;

namespace {

constexpr uint32_t kHistoryId = 173;
constexpr uint8_t kAllPorts = 255;

constexpr Field kInstance = json_only<"instance", Type::Int>();
constexpr Field kServiceResult = json_only<"service_result", Type::Int>();

// The history service prints each record through the record formatter,
// which adds it to the list of the running JSON document.
void show_history(const cli_param_block &params, uint32_t instance, Writer &w) {
    const mts_addr_t addr = kManagerAddr;
    w.put(kInstance, instance);
    int result = 0;
    {
        const Scope records(w, "records", true);
        // The history service takes the block untyped and passes it on unread.
        result = sdstub_show_hist_inst(const_cast<cli_param_block *>(&params), &addr, kHistoryId,
                                       instance, 0);
    }
    w.put(kServiceResult, static_cast<uint32_t>(result));
}

constexpr Field kRsrcPort = json_only<"port", Type::Int>();

// Buffer-credit table of one port, or of all ports without a port token.
void credit_table(const cli_param_block &params, ReportType type, Writer &w) {
    const auto typed = value_number(first_token(params, PCFG_PARAM_RSRC_PORT));
    const int port = typed ? port_index_of(*typed) : kAllPorts;
    if (typed) w.put(kRsrcPort, *typed);
    pcfg_mts_send_rcv_cli_req(type, port, pcfg_print_credit_tbl, w);
}

}  // namespace

// History instances 0 to 7, one binding each.
#define PCFG_HISTORY_COMMAND(cmd, instance)                                            \
    template <>                                                                      \
    void pcfg::run_command<cmd>(const cli_param_block &params, Writer &w) noexcept { \
        show_history(params, instance, w);                                           \
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
void pcfg::run_command<PCFG_CMD_CMDS_PROCESSED>(const cli_param_block &, Writer &w) noexcept {
    pcfg_mts_send_rcv_cli_req(kReqCmdsProcessed, 0, pcfg_print_cmds_processed, w);
}

// Commands processed, then history instances 0 to 6 (not 7).
template <>
void pcfg::run_command<PCFG_CMD_CMDS_PROCESSED_HISTORY>(const cli_param_block &params,
                                                        Writer &w) noexcept {
    {
        const Scope processed(w, "processed");
        pcfg_mts_send_rcv_cli_req(kReqCmdsProcessed, 0, pcfg_print_cmds_processed, w);
    }
    w.text("\n");
    const Scope instances(w, "instances", true);
    for (uint32_t instance = 0; instance <= 6; ++instance) {
        const Scope one(w, nullptr);
        show_history(params, instance, w);
    }
}

template <>
void pcfg::run_command<PCFG_CMD_RSRC_CARD>(const cli_param_block &, Writer &w) noexcept {
    pcfg_mts_send_rcv_cli_req(kReqRsrcCard, 0, pcfg_rsrc_show_all_body, w);
}

template <>
void pcfg::run_command<PCFG_CMD_RSRC_PORT>(const cli_param_block &params, Writer &w) noexcept {
    const auto typed = value_number(first_token(params, PCFG_PARAM_RSRC_PORT));
    if (!typed || *typed == 0) {
        w.fail(Fail::InvalidPort, "Error getting port number");
        return;
    }
    w.put(kRsrcPort, *typed);
    pcfg_mts_send_rcv_cli_req(kReqRsrcPort, port_index_of(*typed), pcfg_rsrc_show_all_body, w);
}

template <>
void pcfg::run_command<PCFG_CMD_EVENTS>(const cli_param_block &, Writer &w) noexcept {
    pcfg_mts_send_rcv_cli_req(kReqEvents, 0, pcfg_print_not_implemented, w);
}

template <>
void pcfg::run_command<PCFG_CMD_CREDIT_TBL>(const cli_param_block &params, Writer &w) noexcept {
    credit_table(params, kReqCreditTbl, w);
}

template <>
void pcfg::run_command<PCFG_CMD_CREDIT_TBL_2>(const cli_param_block &params, Writer &w) noexcept {
    credit_table(params, kReqCreditTbl2, w);
}
