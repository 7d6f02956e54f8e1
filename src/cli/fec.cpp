// FEC state of one port (command 41), over the shell's own queue.
#include <cstdio>

#include "cli/commands.h"

void port_cfg_set_port_fec(const cli_param_block *) noexcept {
    printf("port_cfg_set_port_fec: not available on this build\n");
}
