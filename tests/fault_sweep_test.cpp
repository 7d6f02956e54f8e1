// Fault sweep: every command, in each of its main parameter shapes, first
// runs cleanly on a small card to learn the platform calls it makes; then
// each of those calls fails in turn, at every position it was made and in
// every way its kind of call can fail, and so does every answer of the
// manager. Each run must print only text, return 0, and leave no queue
// open, no message held and no heap memory behind; what it printed is kept
// in the golden transcript tests/golden/sweep/<command>.txt, where a
// failure's output shows the lines it shares with the clean run as one
// marker line: the command's message for the failure follows it, or
// nothing where the command stops silently.
//
// The calls are enumerated from the clean run's call log, not listed here:
// a command that starts making a new kind of call is swept at once; every
// call of the platform's list has its row in kCallFaults.
#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pcfg_calls.h"
#include "pcfg_platform.h"
#include "support/fixture.h"
#include "support/golden.h"
#include "support/json_twin.h"

using namespace pcfg_test;
using pcfg_sim::Reply;

namespace {

// ------------------------------------------------------------- commands
struct Token {
    int32_t id;
    std::optional<uint32_t> value;
};

// Commands that behave alike, swept in one golden file. Every identifier
// runs with each form of its other tokens; a command that names a port
// does so with each of kPorts, and on the bare card with port 1.
struct Command {
    const char *name;
    std::vector<int32_t> ids;
    int32_t port_param = 0;  // 0: the command names no port
    std::vector<std::vector<Token>> forms = {{}};
    bool bare = false;       // also on a card without front ports, history or logged messages
};

const std::vector<Command> kCommands = {
    {"invalid", {3, 12, 42}},
    {"history",
     {PCFG_CMD_HIST_ERROR_LOG, PCFG_CMD_HIST_PORT_CONTROL, PCFG_CMD_HIST_LINK_EVENTS,
      PCFG_CMD_HIST_TIMESTAMP, PCFG_CMD_HIST_EVENT_LOG, PCFG_CMD_HIST_MTS_EVENTS,
      PCFG_CMD_HIST_SERDES, PCFG_CMD_HIST_BW_RESERVATION},
     0, {{}}, true},
    {"reports",
     {PCFG_CMD_CMDS_PROCESSED, PCFG_CMD_CMDS_PROCESSED_HISTORY, PCFG_CMD_RSRC_CARD, PCFG_CMD_EVENTS}},
    {"timestamps", {PCFG_CMD_PORT_TS_INFO}, PCFG_PARAM_PORT},
    {"resources", {PCFG_CMD_RSRC_PORT}, PCFG_PARAM_RSRC_PORT},
    {"credits", {PCFG_CMD_CREDIT_TBL, PCFG_CMD_CREDIT_TBL_2}, PCFG_PARAM_RSRC_PORT},
    {"counters", {PCFG_CMD_PORT_AGGR_CNTR, PCFG_CMD_PORT_CUR_CNTR}, PCFG_PARAM_PORT, {{}}, true},
    {"summary", {PCFG_CMD_SUMMARY_ALL}, 0, {{{PCFG_PARAM_SUMMARY_ALL, std::nullopt}}}, true},
    {"summary_port", {PCFG_CMD_SUMMARY_PORT}, PCFG_PARAM_SUMMARY_PORT},
    {"port_info", {PCFG_CMD_PORT_INFO}, PCFG_PARAM_PORT},
    {"diagnostics", {PCFG_CMD_PORT_DDM_INFO}, PCFG_PARAM_PORT, {{}}, true},
    {"bandwidth", {PCFG_CMD_PERFSTATS}, 0,
     {{}, {{PCFG_PARAM_INTERVAL, 60}}, {{PCFG_PARAM_INTERVAL, 0}}}, true},
    {"fec", {PCFG_CMD_SET_FEC}, PCFG_PARAM_PORT,
     {{{PCFG_PARAM_FEC, 1}}, {}, {{PCFG_PARAM_FEC, 511}}}, true},
};

// The groups above, then every other command of the library's list alone,
// without tokens, in sweep/<its name>.txt: a new command is swept at once.
std::vector<Command> swept_commands() {
    std::vector<Command> all = kCommands;
    for (const pcfg_cmd_info &c : pcfg_cmd_list)
        if (std::none_of(kCommands.begin(), kCommands.end(), [&](const Command &group) {
                return std::find(group.ids.begin(), group.ids.end(), c.id) != group.ids.end();
            }))
            all.push_back({c.name, {c.id}});
    return all;
}

// No port, port 0, the first and the last port of the card, a port beyond
// its front-port list but within its front-port count, a port beyond both.
const std::array<std::optional<uint32_t>, 6> kPorts{std::nullopt, 0, 1, 4, 6, 9};

struct Shape {
    std::string label;  // "command 41 12=9 41=511"
    int32_t cmd;
    std::vector<Token> tokens;
    bool bare;
};

std::vector<Shape> shapes_of(const Command &c) {
    std::vector<Shape> shapes;
    const auto add = [&](int32_t id, const std::vector<Token> &form, std::optional<uint32_t> port,
                         bool bare) {
        Shape shape{bare ? "bare card, command " : "command ", id, {}, bare};
        if (port) shape.tokens.push_back({c.port_param, port});
        shape.tokens.insert(shape.tokens.end(), form.begin(), form.end());
        shape.label += std::to_string(id);
        for (const Token &t : shape.tokens)
            shape.label += " " + std::to_string(t.id) + (t.value ? "=" + std::to_string(*t.value) : "");
        shapes.push_back(shape);
    };
    const auto bare_port = c.port_param == 0 ? std::nullopt : std::optional<uint32_t>(1);
    for (const int32_t id : c.ids)
        for (const auto &form : c.forms) {
            for (const auto port : kPorts)
                if (c.port_param != 0 || !port) add(id, form, port, false);
            if (c.bare) add(id, form, bare_port, true);
        }
    return shapes;
}

// A small card (4 front ports of 8) that logged its start-up configuration:
// every log of the history and the summary have records. A bare card lists
// no front port (of 8) and starts with an empty event log.
pcfg_sim::CardConfig card(bool bare) {
    return {.num_ports = bare ? 0u : 4u, .total_front_ports = 8, .log_start_up = !bare};
}

// ------------------------------------------------------------- failures
// Every platform call the library makes, and the ways it can fail, in the
// order of the platform's list of calls (pcfg_calls.h; checked while
// compiling). "does nothing" answers success without doing the call's work:
// records and out-arguments are left as the caller set them.
struct Failure {
    const char *label = nullptr;  // none: no more ways
    int64_t result = 0;
    int err = 0;
};

struct CallFailures {
    std::string_view call;
    std::array<Failure, 4> ways;
};

constexpr std::array<CallFailures, pcfg_sim::kPlatformCalls.size()> kCallFaults{{
    {"mts_bind", {{{"fails", -1, 24}}}},
    {"mts_unbind", {{{"fails", -1, 9}}}},
    {"mts_send", {{{"fails", -1, 113}, {"does nothing", 0, 0}}}},
    {"mts_recv", {{{"times out", -1, 62}, {"fails", -1, 5}, {"does nothing", 0, 0}}}},
    {"mts_drop", {{{"fails", -1, 9}}}},
    {"mts_errno_get", {{{"another error", 77, 0}}}},
    {"mts_opc_get", {{{"another opcode", 999, 0}}}},
    {"mts_payload_size", {{{"zero", 0, 0}, {"three bytes", 3, 0}}}},
    {"mts_rr_token_get", {{{"another token", 0xdeadbeef, 0}}}},
    {"mts_payload_get", {{{"null", 0, 0}}}},
    {"mts_opc_name_get", {{{"no name", 0, 0}}}},
    {"sdstub_show_hist_inst", {{{"fails", -1, 0}}}},
    {"sse_call", {{{"fails", -1, 0}, {"port not present", -0x4029000B, 0},
                   {"port access error", -0x40290016, 0}, {"does nothing", 0, 0}}}},
    {"init_shm_eventlog", {{{"fails", -1, 0}}}},
    {"shm_eventlog_read_rec", {{{"fails", -1, 0}, {"does nothing", 0, 0}}}},
    {"get_front_port_if_index_list", {{{"fails", 5, 0}, {"does nothing", 0, 0}}}},
    {"get_total_lc_front_ports", {{{"none", 0, 0}, {"negative", -1, 0}}}},
    {"pm_idxmap_entry_by_if_index", {{{"unknown", -1, 0}, {"does nothing", 0, 0}}}},
    {"snprintf_if_index_short", {{{"fails", -1, 0}}}},
    {"lc_get_portspeed_name", {{{"leaves the text", 0, 0}}}},
    {"lc_get_portlinkstatus_reason", {{{"leaves the text", 0, 0}}}},
    {"syserr2str", {{{"no text", 0, 0}}}},
    {"tlv_aligned_array_get_num_tlvs", {{{"fails", -1, 0}, {"none", 0, 0}}}},
    {"tlv_aligned_array_get_next_tlv", {{{"fails", -1, 0}, {"does nothing", 0, 0}}}},
}};

constexpr bool every_listed_call_fails() {
    for (size_t i = 0; i < kCallFaults.size(); ++i)
        if (kCallFaults[i].call != pcfg_sim::kPlatformCalls[i].name || kCallFaults[i].ways[0].label == nullptr)
            return false;
    return true;
}
static_assert(every_listed_call_fails(), "kCallFaults: one row per platform call, in the list's order");

// The manager's answer to a request, replaced.
const std::vector<std::pair<const char *, Reply>> kAnswers = {
    {"does not answer", {Reply::Kind::Silence, 0, {}}},
    {"answers without payload", {Reply::Kind::NullPayload, 0, {}}},
    {"answers another opcode", {Reply::Kind::Answer, 999, {}}},
    {"answers nothing", {Reply::Kind::Answer, 0, {}}},
};

// A failure run's output for the transcript: three or more whole lines it
// starts or ends with as the clean run's output does make one marker line.
std::string against(const std::string &clean, const std::string &text) {
    if (text == clean) return "<the clean output>\n";
    const auto line_start = [](const std::string &s, size_t at) {
        return at == 0 || s[at - 1] == '\n';
    };
    size_t head = 0, first = 0, tail = 0, last = 0;
    for (size_t i = 0; i < text.size() && i < clean.size() && text[i] == clean[i]; ++i)
        if (text[i] == '\n') head = i + 1, ++first;
    if (first < 3) head = first = 0;
    for (size_t n = 1; n <= std::min(text.size(), clean.size()) - head; ++n) {
        if (text[text.size() - n] != clean[clean.size() - n]) break;
        if (line_start(text, text.size() - n) && line_start(clean, clean.size() - n)) tail = n, ++last;
    }
    if (last < 3) tail = last = 0;
    const auto marker = [](const char *which, size_t lines) {
        const std::string n = std::to_string(lines);
        return lines ? "<the clean output's " + std::string(which) + " " + n + " lines>\n" : "";
    };
    return marker("first", first) + text.substr(head, text.size() - head - tail) + marker("last", last);
}

// ------------------------------------------------------------- runs
struct Outcome {
    std::string text;
    std::vector<std::string> calls;
};

// Runs the shape on a fresh card after `arm` set up its failures, through
// the text or the JSON entry point, and checks what every run must show. A
// release that fails still releases.
Outcome run_with(int32_t (*entry)(cli_param_block *), const Shape &s,
                 const std::function<void()> &arm) {
    pcfg_sim::reset(card(s.bare));
    if (s.bare) pcfg_sim::clear_history();
    Params params = Params::raw(s.cmd);
    for (const Token &t : s.tokens) t.value ? params.num(t.id, *t.value) : params.bare(t.id);
    static constexpr std::array<uint32_t, 6> kOptions MTS_CLIENT_BIND_OPTIONS;
    const int shell_queue = s.cmd == PCFG_CMD_SET_FEC ? mts_bind(2, -1, kOptions.data(), "shell") : -1;
    if (shell_queue != -1) params.handle(shell_queue);  // the shell's own queue
    pcfg_sim::clear_calls();
    heap_reset();
    arm();
    Outcome r;
    int rc = -1;
    r.text = capture_stdout([&] { rc = entry(params.block()); });
    for (const pcfg_sim::Call &c : pcfg_sim::calls()) r.calls.push_back(c.name);
    pcfg_sim::clear_faults();
    pcfg_sim::clear_script();
    if (shell_queue != -1) mts_unbind(shell_queue, 0);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(pcfg_sim::open_queues(), 0) << "open transport queues";
    EXPECT_EQ(pcfg_sim::held_messages(), 0) << "held messages";
    EXPECT_EQ(library_outstanding(), 0) << "heap memory left behind";
    EXPECT_LE(library_allocations(), s.cmd == PCFG_CMD_PERFSTATS ? 1u : 0u) << "heap used";
    const auto bad = std::find_if(r.text.begin(), r.text.end(), [](char c) {
        return c != '\n' && c != '\t' && (c < 0x20 || c > 0x7e);
    });
    EXPECT_EQ(bad, r.text.end()) << "not text, byte " << (bad - r.text.begin()) << ":\n" << r.text;
    return r;
}

// The run as text, then as JSON: the same platform calls, the JSON kept.
Outcome run_once(const Shape &s, const std::function<void()> &arm) {
    const Outcome text = run_with(port_cfg_cli_main, s, arm);
    const Outcome json = run_with(port_cfg_cli_main_json, s, arm);
    EXPECT_EQ(json.calls, text.calls) << "the JSON run made other platform calls";
    keep_json(text.text, json.text);
    return text;
}

std::vector<Failure> failures_of(const std::string &call) {
    const std::optional<pcfg_sim::CallId> id = pcfg_sim::call_named(call);
    EXPECT_TRUE(id.has_value()) << "no platform call " << call;
    std::vector<Failure> ways;
    for (const Failure &f : id ? kCallFaults[static_cast<size_t>(*id)].ways : std::array<Failure, 4>{})
        if (f.label != nullptr) ways.push_back(f);
    return ways;
}

// Fails one call at one position in one way; then, on top of it, each call
// of the failure path the clean run never made, in turn (generic checks).
void sweep_call(const Shape &s, const Outcome &clean, const std::string &name, uint32_t nth,
                const Failure &f, Transcript &t) {
    const std::string what = name + " #" + std::to_string(nth) + " " + f.label;
    SCOPED_TRACE(what);
    const auto arm = [&] { pcfg_sim::fail(name, f.result, f.err, nth); };
    const Outcome r = run_once(s, arm);
    t.add(s.label + ": " + what, against(clean.text, r.text));
    std::map<std::string, uint32_t> seen;
    for (const std::string &c : r.calls) {
        const uint32_t n = ++seen[c];
        if (std::find(clean.calls.begin(), clean.calls.end(), c) != clean.calls.end()) continue;
        for (const Failure &g : failures_of(c)) {
            SCOPED_TRACE("then " + c + " #" + std::to_string(n) + " " + g.label);
            run_once(s, [&] { arm(), pcfg_sim::fail(c, g.result, g.err, n); });
        }
    }
}

void sweep(const Shape &s, Transcript &t) {
    SCOPED_TRACE(s.label);
    const Outcome clean = run_once(s, [] {});
    t.add(s.label, clean.text);
    std::map<std::string, uint32_t> seen;
    for (const std::string &name : clean.calls) {
        const uint32_t nth = ++seen[name];
        for (const Failure &f : failures_of(name)) sweep_call(s, clean, name, nth, f, t);
    }
    // The manager's answer, replaced (a command sends it one request at most).
    const auto requests = std::count(clean.calls.begin(), clean.calls.end(), "mts_send");
    EXPECT_LE(requests, 1);
    for (const auto &[label, reply] : kAnswers) {
        if (requests == 0) break;
        const Outcome r = run_once(s, [&] { pcfg_sim::script_reply(reply); });
        t.add(s.label + ": manager " + label, against(clean.text, r.text));
    }
}

class FaultSweep : public PcfgTest, public ::testing::WithParamInterface<Command> {};

TEST_P(FaultSweep, EveryPlatformCallFailsInTurn) {
    if (GetParam().ids[0] == PCFG_CMD_PERFSTATS) allowed_allocations_ = 1;  // the bandwidth request
    Transcript t;
    for (const Shape &s : shapes_of(GetParam())) sweep(s, t);
    expect_golden(std::string("sweep/") + GetParam().name, t.str());
}

void PrintTo(const Command &c, std::ostream *os) { *os << c.name; }

INSTANTIATE_TEST_SUITE_P(Commands, FaultSweep, ::testing::ValuesIn(swept_commands()),
                         [](const auto &p) { return std::string(p.param.name); });

}  // namespace
