// Command operations the dispatcher runs. Each takes the shell's parameter
// block and reports its outcome only as printed text.
#pragma once

#include "port_cfg_cli.h"

// Per-port display commands (28, 29, 33, 34).
void port_cfg_show_port_aggr_cntr(const cli_param_block *params) noexcept;
void port_cfg_show_port_cur_cntr(const cli_param_block *params) noexcept;
void port_cfg_show_port_info(const cli_param_block *params) noexcept;
void port_cfg_show_port_ddm_info(const cli_param_block *params) noexcept;

// Direct-messaging commands (40, 13, 41).
void port_cfg_show_perfstats(const cli_param_block *params) noexcept;
void port_cfg_show_port_ts_info(const cli_param_block *params) noexcept;
void port_cfg_set_port_fec(const cli_param_block *params) noexcept;
