// Configuration event summary (commands 30 and 31).
#include <cstdio>

#include "port_cfg_cli.h"

extern "C" int set_port_cfg_summary_cli(cli_param_block *) noexcept {
    printf("set_port_cfg_summary_cli: not available on this build\n");
    return 1;
}
