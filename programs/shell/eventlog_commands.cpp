#include "eventlog_commands.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "pcfg_sim.h"
#include "text.h"

namespace pcfg_shell {
namespace {

// Why a file cannot be decoded as a saved log, or nothing when it can be
// read: a regular file no larger than any saved log.
std::string unreadable_log(const std::string &path) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return std::strerror(errno);
    struct stat st {};
    const bool regular = fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode);
    std::fclose(f);
    if (!regular) return "not a saved event-log file";
    if (static_cast<uint64_t>(st.st_size) > pcfg_sim::kMaxSavedLogBytes)
        return cat({"not a saved event-log file (more than ",
                    std::to_string(pcfg_sim::kMaxSavedLogBytes), " bytes)"});
    return {};
}

// Why a file cannot be written, or nothing when it can: it is created, or,
// when it exists and may be replaced, left as it was (saving replaces it
// afterwards).
std::string unwritable(const std::string &path, bool replace) {
    FILE *f = std::fopen(path.c_str(), replace ? "ab" : "wbx");
    struct stat st {};
    if (f == nullptr && errno == EEXIST && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return std::strerror(EISDIR);
    if (f == nullptr && errno == EEXIST)
        return "it exists (\"overwrite\" after the file name replaces it)";
    if (f == nullptr) return std::strerror(errno);
    std::fclose(f);
    return {};
}

Outcome save(const Args &args, bool replace) {
    const std::string path(args.word(0));
    if (const std::string why = unwritable(path, replace); !why.empty())
        return Outcome::rejected(cat({"Cannot write ", quoted(path), ": ", why}));
    if (!pcfg_sim::save_event_log(path)) return Outcome::rejected("event log not saved");
    return Outcome::done();
}

constexpr const char *kNoLoggedJson =
    "The library loaded has no JSON output (eventlog_port_cfg_cli_json, version 1.1 on)";

}  // namespace

Outcome eventlog_show(Session &session, const Args &) {
    if (session.json_output() && session.logged_json() == nullptr)
        return Outcome::rejected(kNoLoggedJson);
    pcfg_sim::show_event_log(session.json_output() ? session.logged_json() : nullptr);
    return Outcome::done();
}

Outcome eventlog_save(Session &, const Args &args) { return save(args, false); }
Outcome eventlog_save_over(Session &, const Args &args) { return save(args, true); }

namespace {

// Decodes a saved log as text, or as JSON Lines with `json`.
Outcome decode_file(const Args &args, LoggedJson json) {
    const std::string path(args.word(0));
    if (const std::string why = unreadable_log(path); !why.empty())
        return Outcome::rejected(cat({"Cannot read ", quoted(path), ": ", why}));
    const auto result = pcfg_sim::decode_log_file(path, json);
    if (json == nullptr)
        printf("decode-log: %zu records decoded%s\n", result.records,
               result.complete ? "" : ", stopped at a damaged record");
    return Outcome::done();
}

}  // namespace

Outcome eventlog_decode_file(Session &session, const Args &args) {
    return decode_file(args, session.json_output() ? session.logged_json() : nullptr);
}

Outcome eventlog_decode_file_json(Session &session, const Args &args) {
    if (session.logged_json() == nullptr) return Outcome::rejected(kNoLoggedJson);
    return decode_file(args, session.logged_json());
}

Outcome eventlog_clear(Session &, const Args &) {
    pcfg_sim::clear_event_log();
    if (!pcfg_sim::card_lost())  // else the shell says the card is gone
        printf("event-log: cleared (%s)\n", pcfg_sim::event_log_segment().c_str());
    return Outcome::done();
}

}  // namespace pcfg_shell
