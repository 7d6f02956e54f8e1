// Timestamp settings of one port (command 13).
#include <cstdio>

#include "cli/commands.h"

void port_cfg_show_port_ts_info(const cli_param_block *) noexcept {
    printf("port_cfg_show_port_ts_info: not available on this build\n");
}
