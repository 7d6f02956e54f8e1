// The library's commands: the operations, each taking the shell's parameter
// block and reporting its outcome only as printed text, and the command
// table, one row per command identifier with the operation it runs. The
// dispatcher indexes the table; its rows follow the identifier list of the
// public header, checked while compiling.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "port_cfg_cli.h"

// History instances 0 to 7 of the manager's history, shown by the history
// service.
template <uint32_t Instance>
void port_cfg_show_history(const cli_param_block &params) noexcept;

// Report commands: the manager's counts and tables.
void port_cfg_show_cmds_processed(const cli_param_block &params) noexcept;
void port_cfg_show_cmds_processed_history(const cli_param_block &params) noexcept;
void port_cfg_show_rsrc_card(const cli_param_block &params) noexcept;
void port_cfg_show_rsrc_port(const cli_param_block &params) noexcept;
void port_cfg_show_events(const cli_param_block &params) noexcept;
void port_cfg_show_credit_tbl(const cli_param_block &params) noexcept;
void port_cfg_show_credit_tbl2(const cli_param_block &params) noexcept;

// Per-port display commands.
void port_cfg_show_port_aggr_cntr(const cli_param_block &params) noexcept;
void port_cfg_show_port_cur_cntr(const cli_param_block &params) noexcept;
void port_cfg_show_port_info(const cli_param_block &params) noexcept;
void port_cfg_show_port_ddm_info(const cli_param_block &params) noexcept;

// Configuration event summary of every port or of one (the token list tells
// which).
void port_cfg_show_summary(const cli_param_block &params) noexcept;

// Direct-messaging commands.
void port_cfg_show_perfstats(const cli_param_block &params) noexcept;
void port_cfg_show_port_ts_info(const cli_param_block &params) noexcept;
void port_cfg_set_port_fec(const cli_param_block &params) noexcept;

namespace pcfg {

using CommandFn = void (*)(const cli_param_block &params) noexcept;

struct CommandSpec {
    pcfg_cmd_id id;
    CommandFn run;
};

inline constexpr CommandSpec kCommandSpecs[] = {
    {PCFG_CMD_HIST_ERROR_LOG, port_cfg_show_history<0>},
    {PCFG_CMD_HIST_PORT_CONTROL, port_cfg_show_history<1>},
    {PCFG_CMD_HIST_LINK_EVENTS, port_cfg_show_history<2>},
    {PCFG_CMD_HIST_TIMESTAMP, port_cfg_show_history<3>},
    {PCFG_CMD_HIST_EVENT_LOG, port_cfg_show_history<4>},
    {PCFG_CMD_HIST_MTS_EVENTS, port_cfg_show_history<5>},
    {PCFG_CMD_CMDS_PROCESSED, port_cfg_show_cmds_processed},
    {PCFG_CMD_CMDS_PROCESSED_HISTORY, port_cfg_show_cmds_processed_history},
    {PCFG_CMD_PORT_TS_INFO, port_cfg_show_port_ts_info},
    {PCFG_CMD_HIST_SERDES, port_cfg_show_history<6>},
    {PCFG_CMD_RSRC_CARD, port_cfg_show_rsrc_card},
    {PCFG_CMD_RSRC_PORT, port_cfg_show_rsrc_port},
    {PCFG_CMD_EVENTS, port_cfg_show_events},
    {PCFG_CMD_CREDIT_TBL, port_cfg_show_credit_tbl},
    {PCFG_CMD_CREDIT_TBL_2, port_cfg_show_credit_tbl2},
    {PCFG_CMD_PORT_AGGR_CNTR, port_cfg_show_port_aggr_cntr},
    {PCFG_CMD_PORT_CUR_CNTR, port_cfg_show_port_cur_cntr},
    {PCFG_CMD_SUMMARY_ALL, port_cfg_show_summary},
    {PCFG_CMD_SUMMARY_PORT, port_cfg_show_summary},
    {PCFG_CMD_PORT_INFO, port_cfg_show_port_info},
    {PCFG_CMD_PORT_DDM_INFO, port_cfg_show_port_ddm_info},
    {PCFG_CMD_HIST_BW_RESERVATION, port_cfg_show_history<7>},
    {PCFG_CMD_PERFSTATS, port_cfg_show_perfstats},
    {PCFG_CMD_SET_FEC, port_cfg_set_port_fec},
};

constexpr bool rows_follow_the_list() {
    if (std::size(kCommandSpecs) != std::size(pcfg_cmd_list)) return false;
    for (size_t i = 0; i < std::size(pcfg_cmd_list); ++i)
        if (kCommandSpecs[i].id != pcfg_cmd_list[i].id) return false;
    return true;
}
static_assert(rows_follow_the_list(), "one table row per listed command, in the list's order");

inline constexpr uint32_t kFirstCommandId = 4;
inline constexpr uint32_t kLastCommandId = 41;

constexpr bool ids_ascending_in_range() {
    uint32_t prev = kFirstCommandId - 1;
    for (const CommandSpec &c : kCommandSpecs) {
        const auto id = static_cast<uint32_t>(c.id);
        if (id <= prev || id > kLastCommandId) return false;
        prev = id;
    }
    return true;
}
static_assert(ids_ascending_in_range(), "identifiers ascend, each once, from 4 to 41");

}  // namespace pcfg
