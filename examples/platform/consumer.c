/*
 * A program that knows the port-configuration CLI library only through its
 * installed headers and library, with the example platform beside it: it
 * runs every command of the library's list as a shell would, shows the
 * manager's event log through the library's decoders, and checks that the
 * library left no queue open and no message held.
 *
 * Built with CONSUMER_DLOPEN it does not link the library: it loads it by
 * its SONAME with dlopen, as the card's shell does, and finds the entry
 * points with dlsym. The program must then export its platform calls
 * (-rdynamic) for the library to find them.
 */
#include <stdio.h>
#include <string.h>

#include "example.h"
#include "port_cfg_cli_version.h"

#ifdef CONSUMER_DLOPEN
#include <dlfcn.h>
#endif

#if PORT_CFG_CLI_VERSION_MAJOR != 1
#error "built for libport_cfg_cli.so.1"
#endif

struct example_library example_lib;

/* Finds the library's entry points; 0 when every one was found. */
static int load_library(void) {
#ifdef CONSUMER_DLOPEN
    void *lib = dlopen("libport_cfg_cli.so.1", RTLD_NOW | RTLD_LOCAL);
    if (lib == NULL) {
        printf("consumer: %s\n", dlerror());
        return 1;
    }
    static const char *const names[] = {"port_cfg_cli_main", "port_cfg_history_cli",
                                        "eventlog_port_cfg_cli"};
    void *found[3];
    for (int i = 0; i < 3; ++i)
        if ((found[i] = dlsym(lib, names[i])) == NULL) {
            printf("consumer: %s\n", dlerror());
            return 1;
        }
    /* ISO C has no cast from an object pointer to a function pointer. */
    memcpy(&example_lib.cli_main, &found[0], sizeof found[0]);
    memcpy(&example_lib.history, &found[1], sizeof found[1]);
    memcpy(&example_lib.eventlog, &found[2], sizeof found[2]);
#else
    example_lib.cli_main = port_cfg_cli_main;
    example_lib.history = port_cfg_history_cli;
    example_lib.eventlog = eventlog_port_cfg_cli;
#endif
    return 0;
}

/* One command as the shell parses it: up to two tokens (parameter id 0: none). */
static const struct command {
    int32_t cmd;
    int32_t param[2];
    uint32_t value[2];
} commands[] = {
    {PCFG_CMD_HIST_ERROR_LOG, {0}, {0}},
    {PCFG_CMD_HIST_PORT_CONTROL, {0}, {0}},
    {PCFG_CMD_HIST_LINK_EVENTS, {0}, {0}},
    {PCFG_CMD_HIST_TIMESTAMP, {0}, {0}},
    {PCFG_CMD_HIST_EVENT_LOG, {0}, {0}},
    {PCFG_CMD_HIST_MTS_EVENTS, {0}, {0}},
    {PCFG_CMD_CMDS_PROCESSED, {0}, {0}},
    {PCFG_CMD_CMDS_PROCESSED_HISTORY, {0}, {0}},
    {PCFG_CMD_PORT_TS_INFO, {PCFG_PARAM_PORT}, {2}},
    {PCFG_CMD_HIST_SERDES, {0}, {0}},
    {PCFG_CMD_RSRC_CARD, {0}, {0}},
    {PCFG_CMD_RSRC_PORT, {PCFG_PARAM_RSRC_PORT}, {2}},
    {PCFG_CMD_EVENTS, {0}, {0}},
    {PCFG_CMD_CREDIT_TBL, {0}, {0}},
    {PCFG_CMD_CREDIT_TBL_2, {PCFG_PARAM_RSRC_PORT}, {3}},
    {PCFG_CMD_PORT_AGGR_CNTR, {PCFG_PARAM_PORT}, {1}},
    {PCFG_CMD_PORT_CUR_CNTR, {PCFG_PARAM_PORT}, {1}},
    {PCFG_CMD_SUMMARY_ALL, {PCFG_PARAM_SUMMARY_ALL}, {0}},
    {PCFG_CMD_SUMMARY_PORT, {PCFG_PARAM_SUMMARY_PORT}, {2}},
    {PCFG_CMD_PORT_INFO, {PCFG_PARAM_PORT}, {2}},
    {PCFG_CMD_PORT_DDM_INFO, {PCFG_PARAM_PORT}, {2}},
    {PCFG_CMD_HIST_BW_RESERVATION, {0}, {0}},
    {PCFG_CMD_PERFSTATS, {PCFG_PARAM_INTERVAL}, {60}},
    {PCFG_CMD_SET_FEC, {PCFG_PARAM_PORT, PCFG_PARAM_FEC}, {3, 1}},
};

/* Fills the shell's parameter block for one command and runs it. Token
 * values point to host-order numbers. */
static void run(const struct command *c, int shell_queue) {
    static cli_param_block block;
    static cli_param_token tokens[2];
    static uint32_t values[2];
    memset(&block, 0, sizeof block);
    block.mts_handle = shell_queue;
    block.cmd_id = c->cmd;
    for (int i = 0; i < 2 && c->param[i] != 0; ++i) {
        memset(&tokens[i], 0, sizeof tokens[i]);
        tokens[i].param_id = c->param[i];
        values[i] = c->value[i];
        tokens[i].value = &values[i];
        block.tokens[block.token_count++] = &tokens[i];
    }
    printf("== command %d\n", (int)c->cmd);
    example_lib.cli_main(&block);
}

int main(void) {
    if (load_library() != 0) return 1;
    printf("consumer: built against port_cfg_cli %d.%d.%d\n", PORT_CFG_CLI_VERSION_MAJOR,
           PORT_CFG_CLI_VERSION_MINOR, PORT_CFG_CLI_VERSION_PATCH);

    /* The shell's own queue, bound as every client binds. */
    static const uint32_t bind_options[6] = MTS_CLIENT_BIND_OPTIONS;
    const int shell_queue = mts_bind(2, -1, bind_options, "consumer shell");
    if (shell_queue == -1) return 1;
    for (size_t i = 0; i < sizeof commands / sizeof commands[0]; ++i) run(&commands[i], shell_queue);

    /* The event-log display: every logged message through the decoders. */
    for (unsigned i = 0; example_logged(i) != NULL; ++i) {
        printf("== logged message %u\n", i + 1);
        example_lib.eventlog((const pcfg_logged_msg_t *)example_logged(i));
    }

    printf("consumer: open queues %d (the shell's), held messages %d\n", example_open_queues(),
           example_held_messages());
    mts_unbind(shell_queue, 0);
    return example_open_queues() == 0 && example_held_messages() == 0 ? 0 : 1;
}
