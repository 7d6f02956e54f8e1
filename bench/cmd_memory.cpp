// Heap allocations of the library per command: every command of the
// library's command list runs once on a fresh simulated card through
// port_cfg_cli_main, with the library's heap calls renamed to the counters
// below (the same renaming the test suite uses). Standard output goes to
// /dev/null.
//
//   cmd_memory   prints "cmd|<id>|<allocations>|<bytes>|<still held>|<allowed>"
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "pcfg_sim.h"
#include "port_cfg_cli.h"
#include "support/params.h"

namespace {
size_t g_allocs = 0;
size_t g_bytes = 0;
long g_held = 0;

void *counted(void *p, size_t n) {
    if (p != nullptr) {
        ++g_allocs;
        g_bytes += n;
        ++g_held;
    }
    return p;
}
}  // namespace

extern "C" {
void *pcfg_counted_malloc(size_t n) { return counted(malloc(n), n); }
void *pcfg_counted_calloc(size_t n, size_t m) { return counted(calloc(n, m), n * m); }
void *pcfg_counted_realloc(void *p, size_t n) {
    if (p == nullptr) return counted(realloc(p, n), n);
    ++g_allocs;
    return realloc(p, n);
}
void pcfg_counted_free(void *p) {
    if (p != nullptr) --g_held;
    free(p);
}
char *pcfg_counted_strdup(const char *s) {
    return static_cast<char *>(counted(strdup(s), strlen(s) + 1));
}
char *pcfg_counted_strndup(const char *s, size_t n) {
    return static_cast<char *>(counted(strndup(s, n), n + 1));
}
void *pcfg_counted_Znwm(size_t n) { return counted(malloc(n != 0 ? n : 1), n); }
void *pcfg_counted_Znam(size_t n) { return counted(malloc(n != 0 ? n : 1), n); }
void pcfg_counted_ZdlPv(void *p) { pcfg_counted_free(p); }
void pcfg_counted_ZdaPv(void *p) { pcfg_counted_free(p); }
void pcfg_counted_ZdlPvm(void *p, size_t) { pcfg_counted_free(p); }
void pcfg_counted_ZdaPvm(void *p, size_t) { pcfg_counted_free(p); }
}  // extern "C"

namespace {

// A parameter block as the shell fills it: the tokens each command reads.
pcfg_test::Params block_for(pcfg_cmd_id cmd) {
    pcfg_test::Params b(cmd);
    switch (cmd) {
    case PCFG_CMD_PORT_TS_INFO:
    case PCFG_CMD_PORT_AGGR_CNTR:
    case PCFG_CMD_PORT_CUR_CNTR:
    case PCFG_CMD_PORT_INFO:
    case PCFG_CMD_PORT_DDM_INFO: b.num(PCFG_PARAM_PORT, 5); break;
    case PCFG_CMD_RSRC_PORT:
    case PCFG_CMD_CREDIT_TBL:
    case PCFG_CMD_CREDIT_TBL_2: b.num(PCFG_PARAM_RSRC_PORT, 5); break;
    case PCFG_CMD_SUMMARY_ALL: b.num(PCFG_PARAM_SUMMARY_ALL, 0); break;
    case PCFG_CMD_SUMMARY_PORT: b.num(PCFG_PARAM_SUMMARY_PORT, 5); break;
    case PCFG_CMD_PERFSTATS: b.num(PCFG_PARAM_INTERVAL, 1); break;
    case PCFG_CMD_SET_FEC: b.num(PCFG_PARAM_PORT, 5).num(PCFG_PARAM_FEC, 1); break;
    default: break;
    }
    return b;
}

// The bandwidth command's request buffer is the library's one allocation.
size_t allowed_allocations(pcfg_cmd_id cmd) { return cmd == PCFG_CMD_PERFSTATS ? 1 : 0; }

}  // namespace

int main() {
    const int terminal = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    if (terminal < 0 || null < 0) return 2;
    FILE *report = fdopen(terminal, "w");
    if (report == nullptr) return 2;
    for (const pcfg_cmd_info &info : pcfg_cmd_list) {
        const pcfg_cmd_id cmd = info.id;
        pcfg_sim::CardConfig config;
        config.log_start_up = true;  // the summary commands have records to read
        pcfg_sim::reset(config);
        pcfg_test::Params b = block_for(cmd);
        fflush(stdout);
        dup2(null, STDOUT_FILENO);
        g_allocs = g_bytes = 0;
        g_held = 0;
        port_cfg_cli_main(b.block());
        fflush(stdout);
        dup2(terminal, STDOUT_FILENO);
        fprintf(report, "cmd|%d|%zu|%zu|%ld|%zu\n", cmd, g_allocs, g_bytes, g_held,
                allowed_allocations(cmd));
    }
    fclose(report);
    return 0;
}
