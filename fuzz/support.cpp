#include "support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "pcfg_sim.h"

namespace pcfg_fuzz {

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
}

void check_invariants(int allowed_queues) {
    fflush(stdout);
    if (pcfg_sim::open_queues() != allowed_queues || pcfg_sim::held_messages() != 0) {
        fprintf(stderr, "invariant broken: %d open queues, %d held messages\n",
                pcfg_sim::open_queues(), pcfg_sim::held_messages());
        abort();
    }
}

}  // namespace pcfg_fuzz
