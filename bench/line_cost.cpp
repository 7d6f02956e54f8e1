// Library cost per printed line, measured under callgrind: for every case,
// the library prints its inputs (pcfg_bench_library_side), the recorded
// output calls are replayed (pcfg_bench_floor_side), and the library prints
// the same inputs as JSON (pcfg_bench_json_side). scripts/bench.sh runs it
// with callgrind zeroing the counts before and dumping them after each of
// the three; the time spent inside platform calls is taken out afterwards.
//
//   line_cost RECORDING_FILE      (standard output: the printed text)
// Before measuring, each case's library output is compared with its replay:
// they must be byte-identical. Standard error gets one line per case:
//   case|<name>|<lines printed>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "line_cases.h"
#include "output_calls.h"
#include "pcfg_sim.h"

// Callgrind zeroes its counts on entering this (one --zero-before for both
// sides: callgrind keeps only the last one given).
extern "C" __attribute__((noinline)) void pcfg_bench_zero() { __asm__ volatile("" ::: "memory"); }

extern "C" __attribute__((noinline)) void pcfg_bench_library_side(const pcfg_bench::LineCase *c) {
    c->library();
    __asm__ volatile("" ::: "memory");  // no tail call: the count ends here
}

extern "C" __attribute__((noinline)) void pcfg_bench_floor_side(const pcfg_bench::OutputCalls *calls) {
    pcfg_bench::replay(*calls);
    __asm__ volatile("" ::: "memory");
}

extern "C" __attribute__((noinline)) void pcfg_bench_json_side(const pcfg_bench::LineCase *c) {
    c->json();
    __asm__ volatile("" ::: "memory");
}

namespace {

template <typename Fn>
std::string captured(Fn fn) {
    fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    FILE *tmp = tmpfile();
    if (saved < 0 || tmp == nullptr) return {};
    dup2(fileno(tmp), STDOUT_FILENO);
    fn();
    fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    std::string out;
    rewind(tmp);
    char buf[4096];
    size_t n = 0;
    while ((n = fread(buf, 1, sizeof buf, tmp)) > 0) out.append(buf, n);
    fclose(tmp);
    return out;
}

size_t newlines(const std::string &s) {
    size_t n = 0;
    for (char ch : s) n += ch == '\n' ? 1 : 0;
    return n;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: line_cost RECORDING_FILE\n");
        return 2;
    }
    std::vector<pcfg_bench::OutputCalls> recordings;
    if (!pcfg_bench::load_recordings(argv[1], recordings)) {
        fprintf(stderr, "line_cost: cannot read %s\n", argv[1]);
        return 2;
    }
    pcfg_sim::reset();
    const auto &cases = pcfg_bench::line_cases();
    if (recordings.size() != cases.size()) {
        fprintf(stderr, "line_cost: %s holds %zu cases, expected %zu\n", argv[1],
                recordings.size(), cases.size());
        return 2;
    }
    int status = 0;
    for (size_t i = 0; i < cases.size(); ++i) {
        const pcfg_bench::LineCase &c = cases[i];
        c.prepare();
        const std::string lib = captured([&] { c.library(); });
        const std::string floor = captured([&] { pcfg_bench::replay(recordings[i]); });
        if (lib != floor || lib.empty()) {
            fprintf(stderr, "line_cost: %s: the floor's text differs from the library's\n",
                    c.name.c_str());
            status = 1;
        }
        const size_t lines = newlines(lib) + (c.lines_are_records ? c.records : 0);
        fprintf(stderr, "case|%s|%zu\n", c.name.c_str(), lines);
        pcfg_bench_zero();
        pcfg_bench_library_side(&c);
        pcfg_bench_zero();
        pcfg_bench_floor_side(&recordings[i]);
        fflush(stdout);
        pcfg_bench_zero();
        pcfg_bench_json_side(&c);
        fflush(stdout);
    }
    return status;
}
