// Bandwidth statistics of the front ports (command 40).
#include <cstdio>

#include "cli/commands.h"

void port_cfg_show_perfstats(const cli_param_block *) noexcept {
    printf("port_cfg_show_perfstats: not available on this build\n");
}
