#include "sim_commands.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>
#include <vector>

#include "card_state_text.h"
#include "help.h"
#include "pcfg_calls.h"
#include "pcfg_sim.h"
#include "text.h"

namespace pcfg_shell {

// The platform's list of its calls, as `sim fail` names and lists them.
constexpr auto kPlatformCalls = [] {
    std::array<PlatformCall, pcfg_sim::kPlatformCalls.size()> out{};
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = {pcfg_sim::kPlatformCalls[i].name, pcfg_sim::kPlatformCalls[i].what};
    return out;
}();

std::span<const PlatformCall> platform_calls() { return kPlatformCalls; }

namespace {

constexpr int64_t kDefaultResult = -1;
constexpr int kDefaultErrno = 5;  // EIO

// Zero bytes for a scripted answer that only needs a size.
std::vector<uint8_t> zeros(size_t n) { return std::vector<uint8_t>(n, 0); }

// Says what a steering of the card did, unless the card went away
// meanwhile (the shell then says that instead).
Outcome steered(const std::string &what) {
    if (!pcfg_sim::card_lost()) printf("sim: %s\n", what.c_str());
    return Outcome::done();
}

}  // namespace

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
    return steered("the manager answers no request");
}

Outcome sim_manager_normal(Session &, const Args &) {
    pcfg_sim::set_manager_silent(false);
    pcfg_sim::clear_script();
    return steered("the manager answers every request");
}

Outcome sim_manager_wrong_opcode(Session &, const Args &args) {
    const auto opcode = static_cast<uint32_t>(args.number(0));
    pcfg_sim::script_reply({pcfg_sim::Reply::Kind::Answer, opcode, zeros(8)});
    return steered(cat({"the manager's next answer carries opcode ", std::to_string(opcode)}));
}

Outcome sim_manager_null_payload(Session &, const Args &) {
    pcfg_sim::script_reply({pcfg_sim::Reply::Kind::NullPayload, 0, {}});
    return steered("the manager's next answer has no payload");
}

Outcome sim_manager_short_payload(Session &, const Args &args) {
    const auto size = static_cast<size_t>(args.number(0));
    pcfg_sim::script_reply({pcfg_sim::Reply::Kind::Answer, 0, zeros(size)});
    return steered(cat({"the manager's next answer carries ", std::to_string(size), " payload bytes"}));
}

Outcome sim_fail(Session &, const Args &args) {
    std::string error;
    const std::string_view call = platform_call(args.word(0), error);
    if (call.empty()) return Outcome::rejected(std::move(error));
    const int64_t result = args.given(1) ? args.number(1) : kDefaultResult;
    const int err = args.given(2) ? static_cast<int>(args.number(2)) : kDefaultErrno;
    const auto nth = args.given(3) ? static_cast<uint32_t>(args.number(3)) : 1u;
    pcfg_sim::fail(call, result, err, nth);
    return steered(cat({"call ", std::to_string(nth), " of ", call, " from now on fails with result ",
                        std::to_string(result), ", errno ", std::to_string(err)}));
}

Outcome sim_clear_faults(Session &, const Args &) {
    pcfg_sim::clear_faults();
    return steered("no platform call fails");
}

Outcome sim_reset(Session &, const Args &args) {
    const uint32_t ports =
        args.given(0) ? static_cast<uint32_t>(args.number(0)) : pcfg_sim::CardConfig{}.num_ports;
    const uint32_t fresh = pcfg_sim::restart(ports);
    return steered(cat({"a fresh card with ", std::to_string(fresh), " front ports"}));
}

Outcome sim_advance(Session &, const Args &args) {
    const auto seconds = static_cast<uint32_t>(args.number(0));
    if (seconds > pcfg_sim::kLastSecond - pcfg_sim::now())
        return Outcome::rejected(cat({"Simulated time cannot pass ", time_text(pcfg_sim::kLastSecond)}));
    const uint32_t now = pcfg_sim::advance(seconds);
    return steered(
        cat({std::to_string(seconds), " seconds passed, simulated time is ", time_text(now)}));
}

Outcome sim_status(Session &, const Args &) {
    const std::optional<pcfg_sim::CardStatus> card = pcfg_sim::card_status();
    const std::vector<pcfg_sim::ArmedFault> faults = pcfg_sim::armed_faults();
    if (!card || pcfg_sim::card_lost()) return Outcome::done();  // the shell says the card is gone
    printf("simulated time    %s\n", time_text(card->now).c_str());
    printf("front ports       %u\n", card->ports);
    print_manager_mode(card->silent, card->script, card->unlisted);
    printf("manager requests  %u handled\n", card->handled);
    printf("open queues       %u (the shell's own included)\n", card->queues);
    printf("held messages     %u\n", card->held);
    print_armed_faults(faults);
    // The card process lists the shells it serves (the asking one at least).
    if (!card->shells.empty()) {
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
