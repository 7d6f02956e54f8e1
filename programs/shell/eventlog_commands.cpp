#include "eventlog_commands.h"

#include <cstdio>

#include "pcfg_sim.h"

namespace pcfg_shell {

Outcome clear_event_log(Session &, const Args &) {
    pcfg_sim::clear_event_log();
    printf("event-log: cleared (%s)\n", pcfg_sim::event_log_segment().c_str());
    return Outcome::done();
}

}  // namespace pcfg_shell
