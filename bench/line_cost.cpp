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
//   case|<name>|<lines printed>|<fields of the text>|<fields of the JSON>
// A field of the text is an output call that prints a value (a printf with
// more than "%s"); a field of the JSON a member or list element that holds
// a number, text or null, a named value, time or failure counted once.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

size_t text_fields(const pcfg_bench::OutputCalls &calls) {
    size_t n = 0;
    for (const pcfg_bench::OutputCall &c : calls)
        n += c.kind == pcfg_bench::OutputCall::Kind::Printf && c.format != "%s" ? 1 : 0;
    return n;
}

// Scalars of the JSON text outside strings; the second member of a named
// value ("raw"), a time ("seconds") and a failure ("message") is part of
// the first.
size_t json_fields(const std::string &json) {
    size_t n = 0;
    bool after_value_start = false;  // at ':' or in a list after '[' or ','
    std::string key;
    std::vector<char> open;
    for (size_t i = 0; i < json.size(); ++i) {
        const char ch = json[i];
        if (ch == ' ' || ch == '\n') continue;
        if (ch == '"') {
            const size_t end = json.find('"', i + 1);  // keys and the bench's texts hold no quote
            if (!after_value_start) key = json.substr(i + 1, end - i - 1);
            if (after_value_start) ++n;
            after_value_start = false;
            i = end;
            continue;
        }
        if (ch == '{' || ch == '[') {
            open.push_back(ch);
            after_value_start = ch == '[';
            continue;
        }
        if (ch == '}' || ch == ']') {
            if (!open.empty()) open.pop_back();
            after_value_start = false;
            continue;
        }
        if (ch == ':' || (ch == ',' && !open.empty() && open.back() == '[')) {
            after_value_start = true;
            continue;
        }
        if (ch == ',') continue;
        if (after_value_start) {  // a number, true, false or null
            n += key == "raw" || key == "seconds" ? 0 : 1;
            while (i + 1 < json.size() && std::strchr(",}] \n", json[i + 1]) == nullptr) ++i;
            after_value_start = false;
        }
    }
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
        const std::string json = captured([&] { c.json(); });
        fprintf(stderr, "case|%s|%zu|%zu|%zu\n", c.name.c_str(), lines, text_fields(recordings[i]),
                json_fields(json));
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
