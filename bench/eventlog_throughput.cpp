// Event-log decoding throughput: a busy card's log of one million logged
// messages, each handed to eventlog_port_cfg_cli as the platform's event-log
// display does, with standard output going to /dev/null.
//
//   eventlog_throughput [--records=N] [Google Benchmark flags]
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "log_mix.h"
#include "pcfg_sim.h"
#include "port_cfg_cli.h"

namespace {

pcfg_bench::EventLogImage g_log;
int g_terminal = -1;  // where the report goes while the decoders write to /dev/null
int g_null = -1;

// Standard output goes to /dev/null for the decoding only.
void to_null() {
    fflush(stdout);
    dup2(g_null, STDOUT_FILENO);
}
void to_terminal() {
    fflush(stdout);
    dup2(g_terminal, STDOUT_FILENO);
}

void BM_DecodeBusyLog(benchmark::State &state) {
    to_null();
    const uint8_t *base = g_log.bytes.data();
    for (auto _ : state) {
        for (size_t off : g_log.offsets)
            benchmark::DoNotOptimize(
                eventlog_port_cfg_cli(reinterpret_cast<const pcfg_logged_msg_t *>(base + off)));
        fflush(stdout);
    }
    to_terminal();
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(g_log.offsets.size()));
    state.counters["records"] = static_cast<double>(g_log.offsets.size());
    state.counters["MiB"] = static_cast<double>(g_log.bytes.size()) / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char **argv) {
    size_t records = 1000000;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--records=", 10) == 0) {
            records = std::strtoul(argv[i] + 10, nullptr, 10);
            argv[i] = const_cast<char *>("");
        }
    }
    g_terminal = dup(STDOUT_FILENO);
    g_null = open("/dev/null", O_WRONLY);
    if (g_terminal < 0 || g_null < 0) {
        perror("eventlog_throughput");
        return 2;
    }
    pcfg_sim::CardConfig card;  // 48 front ports, an empty log of its own
    pcfg_sim::reset(card);
    g_log = pcfg_bench::busy_event_log(records);
    fprintf(stderr, "event log: %zu records, %.1f MiB\n", g_log.offsets.size(),
            static_cast<double>(g_log.bytes.size()) / (1024.0 * 1024.0));

    benchmark::RegisterBenchmark("decode_busy_event_log", BM_DecodeBusyLog)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(2.0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
