/*
 * A program that knows the port-configuration CLI library only through its
 * installed headers and library: it runs one command, the Event Log history
 * (command 8, history instance 4), through the library's entry point on its
 * own minimal platform (platform.c).
 */
#include <stdio.h>
#include <string.h>

#include "port_cfg_cli.h"
#include "port_cfg_cli_version.h"

#if PORT_CFG_CLI_VERSION_MAJOR != 1
#error "built for libport_cfg_cli.so.1"
#endif

int main(void) {
    static cli_param_block block;
    memset(&block, 0, sizeof block);
    block.cmd_id = 8;
    printf("consumer: built against port_cfg_cli %d.%d.%d\n", PORT_CFG_CLI_VERSION_MAJOR,
           PORT_CFG_CLI_VERSION_MINOR, PORT_CFG_CLI_VERSION_PATCH);
    return port_cfg_cli_main(&block) == 0 ? 0 : 1;
}
