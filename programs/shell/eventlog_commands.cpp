#include "eventlog_commands.h"

#include <cstdio>
#include <string>

#include "pcfg_sim.h"

namespace pcfg_shell {

Outcome eventlog_show(Session &, const Args &) {
    pcfg_sim::show_event_log();
    return Outcome::done();
}

Outcome eventlog_save(Session &, const Args &args) {
    const std::string path(args.word(0));
    if (!pcfg_sim::save_event_log(path)) return Outcome::rejected("event log not saved");
    return Outcome::done();
}

Outcome eventlog_decode_file(Session &, const Args &args) {
    const auto result = pcfg_sim::decode_log_file(std::string(args.word(0)));
    printf("decode-log: %zu records decoded%s\n", result.records,
           result.complete ? "" : ", stopped at a damaged record");
    return Outcome::done();
}

Outcome eventlog_clear(Session &, const Args &) {
    pcfg_sim::clear_event_log();
    printf("event-log: cleared (%s)\n", pcfg_sim::event_log_segment().c_str());
    return Outcome::done();
}

}  // namespace pcfg_shell
