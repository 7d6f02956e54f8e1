#include "sim_commands.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <string_view>
#include <vector>

#include "card_state_text.h"
#include "help.h"
#include "pcfg_sim.h"
#include "text.h"

namespace pcfg_shell {

constexpr std::array<PlatformCall, 24> kPlatformCalls{{
    {"mts_bind", "open a transport queue"},
    {"mts_unbind", "close a transport queue"},
    {"mts_send", "send a message"},
    {"mts_recv", "receive a message"},
    {"mts_drop", "release a message"},
    {"mts_errno_get", "error number of a queue (the result)"},
    {"mts_opc_get", "opcode of a message (the result)"},
    {"mts_payload_size", "payload size of a message (the result)"},
    {"mts_rr_token_get", "request/response token of a sent message (the result)"},
    {"mts_payload_get", "payload of a message (null)"},
    {"mts_opc_name_get", "name of an opcode (null)"},
    {"sdstub_show_hist_inst", "display a history instance"},
    {"sse_call", "service call (timestamp record)"},
    {"init_shm_eventlog", "open the shared-memory event log"},
    {"shm_eventlog_read_rec", "read an event-log record"},
    {"get_front_port_if_index_list", "list the front ports"},
    {"get_total_lc_front_ports", "count the front ports"},
    {"pm_idxmap_entry_by_if_index", "port-map entry of an interface"},
    {"snprintf_if_index_short", "short interface name"},
    {"lc_get_portspeed_name", "speed name (text left alone)"},
    {"lc_get_portlinkstatus_reason", "link-status reason (text left alone)"},
    {"syserr2str", "platform error text (null)"},
    {"tlv_aligned_array_get_num_tlvs", "count the TLVs of an array"},
    {"tlv_aligned_array_get_next_tlv", "next TLV of an array"},
}};

std::span<const PlatformCall> platform_calls() { return kPlatformCalls; }

namespace {

constexpr int64_t kDefaultResult = -1;
constexpr int kDefaultErrno = 5;  // EIO

// Zero bytes for a scripted answer that only needs a size.
std::vector<uint8_t> zeros(size_t n) { return std::vector<uint8_t>(n, 0); }

}  // namespace

std::string time_text(uint32_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    localtime_r(&t, &tm);  // in TZ, as the history's times
    char buf[64];
    strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S %Z", &tm);
    return buf;
}

std::string_view platform_call(std::string_view typed, std::string &error) {
    std::string_view found;
    std::string names;
    size_t matches = 0;
    for (const PlatformCall &c : kPlatformCalls) {
        if (c.name == typed) return c.name;
        if (!c.name.starts_with(typed)) continue;
        found = c.name;
        if (matches++ < 4) names.append(names.empty() ? "" : ", ").append(c.name);
    }
    if (matches == 1) return found;
    if (matches > 4) names += ", ...";
    error = matches == 0 ? cat({"Unknown platform call ", quoted(typed), " (\"help sim fail\" lists them)"})
                         : cat({"Ambiguous platform call ", quoted(typed), ": ", names});
    return {};
}

Outcome sim_manager_silent(Session &, const Args &) {
    pcfg_sim::set_manager_silent(true);
    printf("sim: the manager answers no request\n");
    return Outcome::done();
}

Outcome sim_manager_normal(Session &, const Args &) {
    pcfg_sim::set_manager_silent(false);
    pcfg_sim::clear_script();
    printf("sim: the manager answers every request\n");
    return Outcome::done();
}

Outcome sim_manager_wrong_opcode(Session &, const Args &args) {
    const auto opcode = static_cast<uint32_t>(args.number(0));
    pcfg_sim::script_reply({pcfg_sim::Reply::Kind::Answer, opcode, zeros(8)});
    printf("sim: the manager's next answer carries opcode %u\n", opcode);
    return Outcome::done();
}

Outcome sim_manager_null_payload(Session &, const Args &) {
    pcfg_sim::script_reply({pcfg_sim::Reply::Kind::NullPayload, 0, {}});
    printf("sim: the manager's next answer has no payload\n");
    return Outcome::done();
}

Outcome sim_manager_short_payload(Session &, const Args &args) {
    const auto size = static_cast<size_t>(args.number(0));
    pcfg_sim::script_reply({pcfg_sim::Reply::Kind::Answer, 0, zeros(size)});
    printf("sim: the manager's next answer carries %zu payload bytes\n", size);
    return Outcome::done();
}

Outcome sim_fail(Session &, const Args &args) {
    std::string error;
    const std::string_view call = platform_call(args.word(0), error);
    if (call.empty()) return Outcome::rejected(std::move(error));
    const int64_t result = args.given(1) ? args.number(1) : kDefaultResult;
    const int err = args.given(2) ? static_cast<int>(args.number(2)) : kDefaultErrno;
    const auto nth = args.given(3) ? static_cast<uint32_t>(args.number(3)) : 1u;
    pcfg_sim::fail(call, result, err, nth);
    printf("sim: call %u of %.*s from now on fails with result %lld, errno %d\n", nth,
           static_cast<int>(call.size()), call.data(), static_cast<long long>(result), err);
    return Outcome::done();
}

Outcome sim_clear_faults(Session &, const Args &) {
    pcfg_sim::clear_faults();
    printf("sim: no platform call fails\n");
    return Outcome::done();
}

Outcome sim_reset(Session &session, const Args &args) {
    pcfg_sim::CardConfig config;
    config.log_start_up = true;  // the fresh card's log starts with its start-up configuration
    if (args.given(0)) config.num_ports = static_cast<uint32_t>(args.number(0));
    config.start_time = session.card_start_time();
    pcfg_sim::reset(config);
    // A shared card keeps the queues of the shells connected to it.
    if (!pcfg_sim::card_connected()) session.card_was_reset();
    printf("sim: a fresh card with %u front ports\n", pcfg_sim::num_ports());
    return Outcome::done();
}

Outcome sim_advance(Session &, const Args &args) {
    const auto seconds = static_cast<uint32_t>(args.number(0));
    if (seconds > kLastSimSecond - pcfg_sim::now())
        return Outcome::rejected(cat({"Simulated time cannot pass ", time_text(kLastSimSecond)}));
    pcfg_sim::advance(seconds);
    printf("sim: %u seconds passed, simulated time is %s\n", seconds,
           time_text(pcfg_sim::now()).c_str());
    return Outcome::done();
}

Outcome sim_status(Session &, const Args &) {
    printf("simulated time    %s\n", time_text(pcfg_sim::now()).c_str());
    printf("front ports       %u\n", pcfg_sim::num_ports());
    print_manager_mode(pcfg_sim::manager_silent(), pcfg_sim::scripted_replies());
    printf("manager requests  %u handled\n", pcfg_sim::manager_requests_handled());
    printf("open queues       %d (the shell's own included)\n", pcfg_sim::open_queues());
    printf("held messages     %d\n", pcfg_sim::held_messages());
    print_armed_faults(pcfg_sim::armed_faults());
    if (const auto card = pcfg_sim::card_status()) {
        printf("connected shells  %zu\n", card->shells.size());
        for (const pcfg_sim::ShellInfo &shell : card->shells)
            printf("  pid %-8u %-10s queues %u, held messages %u%s\n", shell.pid,
                   shell.name.c_str(), shell.queues, shell.held, shell.asker ? " (this shell)" : "");
    }
    return Outcome::done();
}

void sim_fail_help() {
    fputs(wrapped("Platform calls (a call that returns an address or fills a text fails by giving "
                  "null or leaving the text alone):",
                  4)
              .c_str(),
          stdout);
    Lines calls;
    for (const PlatformCall &c : kPlatformCalls) calls.emplace_back(std::string(c.name), std::string(c.what));
    fputs(two_columns(calls, 6).c_str(), stdout);
}

}  // namespace pcfg_shell
