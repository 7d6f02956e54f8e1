// Command operations the dispatcher runs. Each takes the shell's parameter
// block and reports its outcome only as printed text.
#pragma once

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
