#include "support.h"

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
