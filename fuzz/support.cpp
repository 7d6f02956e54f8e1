#include "support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <nlohmann/json.hpp>

#include "pcfg_sim.h"

namespace pcfg_fuzz {

namespace {
constexpr size_t kHeaderLen = PCFG_LOGGED_MSG_HDR_LEN;
constexpr size_t kLengthOffset = 16;
}  // namespace

void init() {
    static bool done = false;
    if (done) return;
    done = true;
    setenv("TZ", "UTC0", 1);
    tzset();
    // The simulated manager's event log goes to a segment of this run, not
    // the shell's.
    static char segment[64];
    snprintf(segment, sizeof segment, "/pcfg_eventlog_fuzz_%ld", static_cast<long>(getpid()));
    setenv("PCFG_SIM_EVENTLOG", segment, 1);
    atexit([] { shm_unlink(segment); });
    if (freopen("/dev/null", "w", stdout) == nullptr) abort();
    // Millions of inputs: the call log would only cost time.
    pcfg_sim::set_call_log(false);
}

void begin_input() {
    static bool started = false;
    if (started) return;
    init();
    pcfg_sim::reset();
    started = true;
}

void end_input(int allowed_queues) {
    fflush(stdout);
    if (pcfg_sim::open_queues() != allowed_queues || pcfg_sim::held_messages() != 0) {
        fprintf(stderr, "invariant broken: %d open queues (%d allowed), %d held messages\n",
                pcfg_sim::open_queues(), allowed_queues, pcfg_sim::held_messages());
        abort();
    }
    pcfg_sim::clear_script();
    pcfg_sim::set_manager_silent(false);
    pcfg_sim::clear_faults();
    pcfg_sim::clear_calls();
    pcfg_sim::clear_history();
}

std::vector<uint8_t> logged_record(std::span<const uint8_t> bytes) {
    std::array<uint8_t, kHeaderLen> head{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), kHeaderLen), head.begin());
    size_t length = size_t{head[16]} << 24 | size_t{head[17]} << 16 | size_t{head[18]} << 8 |
                    head[19];
    bool rewrite = false;
    if (length > std::max(bytes.size(), kHeaderLen)) {
        length = bytes.size();
        rewrite = true;
    }
    std::vector<uint8_t> rec(std::max(length, kHeaderLen), 0);
    std::copy_n(bytes.begin(), std::min(bytes.size(), rec.size()), rec.begin());
    if (rewrite)
        for (size_t i = 0; i < 4; ++i)
            rec[kLengthOffset + i] = static_cast<uint8_t>(length >> (24 - 8 * i));
    return rec;
}

std::string printed(const std::function<void()> &body) {
    fflush(stdout);
    char *buf = nullptr;
    size_t size = 0;
    FILE *memory = open_memstream(&buf, &size);
    if (memory == nullptr) abort();
    FILE *saved = stdout;
    stdout = memory;
    body();
    fflush(stdout);
    stdout = saved;
    fclose(memory);
    std::string out(buf, size);
    free(buf);
    return out;
}

void require_json(const std::string &text, bool lines) {
    const auto whole = [&](const std::string &doc) {
        if (nlohmann::json::accept(doc)) return;
        fprintf(stderr, "not one JSON document: %s\n", doc.c_str());
        abort();
    };
    if (!lines) return whole(text);
    if (text.empty() || text.back() != '\n') whole("no line end");
    for (size_t at = 0, end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        whole(text.substr(at, end - at));
    }
}

}  // namespace pcfg_fuzz
