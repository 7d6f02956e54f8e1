// Per-port display commands: aggregate and current counters, resource
// information and digital diagnostics of one front port.
#include <cstdio>

#include "cli/commands.h"

namespace {
void not_built(const char *op) { printf("%s: not available on this build\n", op); }
}  // namespace

void port_cfg_show_port_aggr_cntr(const cli_param_block *) noexcept {
    not_built("port_cfg_show_port_aggr_cntr");
}
void port_cfg_show_port_cur_cntr(const cli_param_block *) noexcept {
    not_built("port_cfg_show_port_cur_cntr");
}
void port_cfg_show_port_info(const cli_param_block *) noexcept {
    not_built("port_cfg_show_port_info");
}
void port_cfg_show_port_ddm_info(const cli_param_block *) noexcept {
    not_built("port_cfg_show_port_ddm_info");
}
