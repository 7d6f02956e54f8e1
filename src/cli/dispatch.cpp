// Command entry point: selects the command by its identifier (4 to 41) and
// runs it. Every outcome, failures included, is printed; the shell always
// gets 0 back.
#include <array>
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

// Report request types.
enum : int {
    kReqCmdsProcessed = 1,
    kReqRsrcCard = 4,
    kReqRsrcPort = 5,
    kReqEvents = 6,
    kReqCreditTbl = 8,
    kReqCreditTbl2 = 9,
};

void show_history(cli_param_block *params, uint32_t instance) {
    const mts_addr_t addr = kManagerAddr;
    sdstub_show_hist_inst(params, &addr, kHistoryId, instance, 0);
}

template <uint32_t Instance>
void cmd_history(cli_param_block *params) {
    show_history(params, Instance);
}

void cmd_cmds_processed(cli_param_block *) {
    pcfg_mts_send_rcv_cli_req(kReqCmdsProcessed, 0, pcfg_print_cmds_processed);
}

// Commands processed, then history instances 0 to 6 (not 7).
void cmd_cmds_processed_and_history(cli_param_block *params) {
    pcfg_mts_send_rcv_cli_req(kReqCmdsProcessed, 0, pcfg_print_cmds_processed);
    putchar('\n');
    for (uint32_t instance = 0; instance <= 6; ++instance) show_history(params, instance);
}

void cmd_rsrc_card(cli_param_block *) {
    pcfg_mts_send_rcv_cli_req(kReqRsrcCard, 0, pcfg_rsrc_show_all_body);
}

void cmd_rsrc_port(cli_param_block *params) {
    const auto typed = value_number(first_token(*params, PCFG_PARAM_RSRC_PORT));
    if (!typed || *typed == 0) {
        printf("Error getting port number");
        return;
    }
    pcfg_mts_send_rcv_cli_req(kReqRsrcPort, port_index_of(*typed), pcfg_rsrc_show_all_body);
}

void cmd_events(cli_param_block *) {
    pcfg_mts_send_rcv_cli_req(kReqEvents, 0, pcfg_print_not_implemented);
}

// Buffer-credit table of one port, or of all ports without a port token.
void credit_table(const cli_param_block &params, int req_type) {
    const auto typed = value_number(first_token(params, PCFG_PARAM_RSRC_PORT));
    const int port = typed ? port_index_of(*typed) : kAllPorts;
    pcfg_mts_send_rcv_cli_req(req_type, port, pcfg_print_credit_tbl);
}

void cmd_credit_tbl(cli_param_block *params) { credit_table(*params, kReqCreditTbl); }
void cmd_credit_tbl2(cli_param_block *params) { credit_table(*params, kReqCreditTbl2); }

void cmd_summary(cli_param_block *params) { set_port_cfg_summary_cli(params); }

void cmd_ts_info(cli_param_block *p) { port_cfg_show_port_ts_info(p); }
void cmd_aggr_cntr(cli_param_block *p) { port_cfg_show_port_aggr_cntr(p); }
void cmd_cur_cntr(cli_param_block *p) { port_cfg_show_port_cur_cntr(p); }
void cmd_port_info(cli_param_block *p) { port_cfg_show_port_info(p); }
void cmd_ddm_info(cli_param_block *p) { port_cfg_show_port_ddm_info(p); }
void cmd_perfstats(cli_param_block *p) { port_cfg_show_perfstats(p); }
void cmd_set_fec(cli_param_block *p) { port_cfg_set_port_fec(p); }

using Command = void (*)(cli_param_block *);

constexpr uint32_t kFirstId = 4;
constexpr uint32_t kLastId = 41;

// Command identifiers 4 to 41; a null entry is an unassigned identifier.
constexpr std::array<Command, kLastId - kFirstId + 1> kCommands{
    cmd_history<0>,                  // 4
    cmd_history<1>,                  // 5
    cmd_history<2>,                  // 6
    cmd_history<3>,                  // 7
    cmd_history<4>,                  // 8
    cmd_history<5>,                  // 9
    cmd_cmds_processed,              // 10
    cmd_cmds_processed_and_history,  // 11
    nullptr,                         // 12
    cmd_ts_info,                     // 13
    cmd_history<6>,                  // 14
    nullptr,                         // 15
    cmd_rsrc_card,                   // 16
    cmd_rsrc_port,                   // 17
    cmd_events,                      // 18
    cmd_credit_tbl,                  // 19
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,  // 20 - 25
    cmd_credit_tbl2,                 // 26
    nullptr,                         // 27
    cmd_aggr_cntr,                   // 28
    cmd_cur_cntr,                    // 29
    cmd_summary,                     // 30
    cmd_summary,                     // 31
    nullptr,                         // 32
    cmd_port_info,                   // 33
    cmd_ddm_info,                    // 34
    cmd_history<7>,                  // 35
    nullptr, nullptr, nullptr, nullptr,  // 36 - 39
    cmd_perfstats,                   // 40
    cmd_set_fec,                     // 41
};

}  // namespace

extern "C" int32_t port_cfg_cli_main(cli_param_block *params) noexcept {
    const int32_t id = params->cmd_id;
    const uint32_t slot = static_cast<uint32_t>(id) - kFirstId;
    const Command run = slot < kCommands.size() ? kCommands[slot] : nullptr;
    if (run == nullptr) {
        printf("Invalid cmd_id = 0x%x\n", static_cast<unsigned>(id));
        return 0;
    }
    run(params);
    return 0;
}
