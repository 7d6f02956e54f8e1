// Fault sweep: every command, in each of its main parameter shapes, first
// runs cleanly on a small card to learn the platform calls it makes; then
// each of those calls fails in turn, at every position it was made and in
// every way its kind of call can fail, and so does every answer of the
// manager. Each run must print the command's own message for the failure
// (where one is fixed), print nothing but text, return 0, and leave no
// queue open, no message held and no heap memory behind.
//
// The calls are enumerated from the clean run's call log, not listed here:
// a command that starts making a new kind of call is swept at once (and the
// sweep fails until the call has a row in kCallFaults).
#include <algorithm>
#include <array>
#include <cctype>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pcfg_platform.h"
#include "support/fixture.h"

using namespace pcfg_test;
using pcfg_sim::Reply;

namespace {

// ------------------------------------------------------------- commands
// Which messages a command prints for a failure.
enum Family : uint32_t {
    kDispatch = 1u << 0,    // invalid identifiers
    kHistory = 1u << 1,     // 4..9, 14, 35
    kReport = 1u << 2,      // 10, 11, 16, 17, 18, 19, 26
    kPortInfo = 1u << 3,    // 33
    kDdm = 1u << 4,         // 34
    kCounter = 1u << 5,     // 28, 29
    kTsInfo = 1u << 6,      // 13
    kSummary = 1u << 7,     // 30, 31
    kPerfstats = 1u << 8,   // 40
    kFec = 1u << 9,         // 41
};
constexpr uint32_t kReportLike = kReport | kPortInfo | kDdm;
constexpr uint32_t kPortCmds = kPortInfo | kDdm | kCounter;

struct Token {
    int32_t id;
    std::optional<uint32_t> value;
};

struct Shape {
    const char *label;
    int32_t cmd;
    std::vector<Token> tokens;
    Family family;
    const char *op = "";     // operation name in the command's messages
    int port = 0;            // port number its messages show
    bool ends = true;        // a failure message ends the output
    bool bare = false;       // on a card without front ports, history or logged messages
};

const std::vector<Shape> kShapes = {
    {"id 3", 3, {}, kDispatch},
    {"id 12, unassigned", 12, {}, kDispatch},
    {"id 42", 42, {}, kDispatch},
    {"history 0", 4, {}, kHistory},
    {"history 1", 5, {}, kHistory},
    {"history 2", 6, {}, kHistory},
    {"history 3", 7, {}, kHistory},
    {"history 4", 8, {}, kHistory},
    {"history 5", 9, {}, kHistory},
    {"history 6", 14, {}, kHistory},
    {"history 7", 35, {}, kHistory},
    {"commands processed", 10, {}, kReport},
    {"commands and histories", 11, {}, kReport, "", 0, false},
    {"timestamps port 2", 13, {{12, 2}}, kTsInfo, "", 2},
    {"timestamps no port", 13, {}, kTsInfo},
    {"timestamps port 9, not on the card", 13, {{12, 9}}, kTsInfo, "", 9},
    {"timestamps port 0", 13, {{12, 0}}, kTsInfo, "", 256},
    {"resources of the card", 16, {}, kReport},
    {"resources port 2", 17, {{17, 2}}, kReport},
    {"resources no port", 17, {}, kReport},
    {"manager events", 18, {}, kReport},
    {"credits all ports", 19, {}, kReport},
    {"credits port 3", 19, {{17, 3}}, kReport},
    {"credits second form port 0", 26, {{17, 0}}, kReport},
    {"aggregate counters port 1", 28, {{12, 1}}, kCounter, "port_cfg_show_port_aggr_cntr", 1},
    {"aggregate counters no port", 28, {}, kCounter, "port_cfg_show_port_aggr_cntr", 0},
    {"aggregate counters port 9", 28, {{12, 9}}, kCounter, "port_cfg_show_port_aggr_cntr", 9},
    {"current counters port 4", 29, {{12, 4}}, kCounter, "port_cfg_show_port_cur_cntr", 4},
    {"current counters port 0", 29, {{12, 0}}, kCounter, "port_cfg_show_port_cur_cntr", 0},
    {"summary all ports", 30, {{30, std::nullopt}}, kSummary},
    {"summary port 2", 31, {{31, 2}}, kSummary},
    {"summary port 9", 31, {{31, 9}}, kSummary},
    {"port info port 3", 33, {{12, 3}}, kPortInfo, "port_cfg_show_port_info", 3},
    {"port info no port", 33, {}, kPortInfo, "port_cfg_show_port_info", 0},
    {"port info port 9", 33, {{12, 9}}, kPortInfo, "port_cfg_show_port_info", 9},
    {"diagnostics port 2", 34, {{12, 2}}, kDdm, "port_cfg_show_port_ddm_info", 2},
    {"diagnostics port 6, beyond the list", 34, {{12, 6}}, kDdm, "port_cfg_show_port_ddm_info", 6},
    {"diagnostics port 9", 34, {{12, 9}}, kDdm, "port_cfg_show_port_ddm_info", 9},
    {"bandwidth", 40, {}, kPerfstats},
    {"bandwidth interval 60", 40, {{40, 60}}, kPerfstats},
    {"bandwidth interval 0", 40, {{40, 0}}, kPerfstats},
    {"fec port 3", 41, {{12, 3}, {41, 1}}, kFec},
    {"fec no port", 41, {}, kFec},
    {"fec port 9 value 511", 41, {{12, 9}, {41, 511}}, kFec},
    {"bare card history 0", 4, {}, kHistory, "", 0, true, true},
    {"bare card summary", 30, {{30, std::nullopt}}, kSummary, "", 0, true, true},
    {"bare card bandwidth", 40, {}, kPerfstats, "", 0, true, true},
    {"bare card fec port 1", 41, {{12, 1}}, kFec, "", 0, true, true},
    {"bare card diagnostics port 1", 34, {{12, 1}}, kDdm, "port_cfg_show_port_ddm_info", 1,
     true, true},
    {"bare card counters port 1", 28, {{12, 1}}, kCounter, "port_cfg_show_port_aggr_cntr", 1,
     true, true},
};

// A small card (4 front ports of 8) that logged its start-up configuration:
// every log of the history and the summary have records. A bare card lists
// no front port (of 8) and starts with an empty event log.
pcfg_sim::CardConfig card(bool bare) {
    pcfg_sim::CardConfig c;
    c.num_ports = bare ? 0 : 4;
    c.total_front_ports = 8;
    c.log_start_up = !bare;
    return c;
}

// ------------------------------------------------------------- failures
// What a failure run must show besides the checks every run gets.
enum class Expect {
    Message,  // the command's message for the failure (from kMessages)
    Prefix,   // the command stops silently: the clean output, cut short
    Same,     // the output of the clean run (a release the command can only attempt)
    Free,     // nothing fixed: text, no crash, nothing left behind
};

struct Variant {
    const char *label;
    int64_t result;
    int err;
    const char *key;  // selects the message in kMessages
    Expect expect;
};

// Every platform call the library makes, and the ways it can fail. "does
// nothing" answers success without doing the call's work: records and
// out-arguments are left as the caller set them.
const std::map<std::string, std::vector<Variant>, std::less<>> kCallFaults = {
    {"mts_bind", {{"fails", -1, 24, "bind", Expect::Message}}},
    {"mts_unbind", {{"fails", -1, 9, "", Expect::Same}}},
    {"mts_send", {{"fails", -1, 113, "send", Expect::Message},
                  {"does nothing", 0, 0, "send0", Expect::Message}}},
    {"mts_recv", {{"times out", -1, 62, "timeout", Expect::Message},
                  {"fails", -1, 5, "recv", Expect::Message},
                  {"does nothing", 0, 0, "recv0", Expect::Message}}},
    {"mts_errno_get", {{"another error", 77, 0, "", Expect::Free}}},
    {"mts_opc_get", {{"another opcode", 999, 0, "opcode", Expect::Message}}},
    {"mts_payload_get", {{"null", 0, 0, "null", Expect::Message}}},
    {"mts_payload_size", {{"zero", 0, 0, "size0", Expect::Message},
                          {"three bytes", 3, 0, "size3", Expect::Message}}},
    {"mts_drop", {{"fails", -1, 9, "", Expect::Same}}},
    {"mts_rr_token_get", {{"another token", 0xdeadbeef, 0, "token", Expect::Message}}},
    {"sdstub_show_hist_inst", {{"fails", -1, 0, "", Expect::Free}}},
    {"sse_call", {{"fails", -1, 0, "sse", Expect::Message},
                  {"port not present", -0x4029000B, 0, "sse-absent", Expect::Message},
                  {"port access error", -0x40290016, 0, "sse-access", Expect::Message},
                  {"does nothing", 0, 0, "sse0", Expect::Message}}},
    {"init_shm_eventlog", {{"fails", -1, 0, "init", Expect::Message}}},
    {"shm_eventlog_read_rec", {{"fails", -1, 0, "", Expect::Prefix},
                               {"does nothing", 0, 0, "", Expect::Free}}},
    {"get_front_port_if_index_list", {{"fails", 5, 0, "list", Expect::Message},
                                      {"does nothing", 0, 0, "list0", Expect::Message}}},
    {"get_total_lc_front_ports", {{"none", 0, 0, "total0", Expect::Message},
                                  {"negative", -1, 0, "total0", Expect::Message}}},
    {"pm_idxmap_entry_by_if_index", {{"unknown", -1, 0, "", Expect::Free},
                                     {"does nothing", 0, 0, "", Expect::Free}}},
    {"snprintf_if_index_short", {{"fails", -1, 0, "", Expect::Free}}},
    {"lc_get_portspeed_name", {{"leaves the text", 0, 0, "", Expect::Free}}},
    {"lc_get_portlinkstatus_reason", {{"leaves the text", 0, 0, "", Expect::Free}}},
    {"syserr2str", {{"no text", 0, 0, "", Expect::Free}}},
    {"mts_opc_name_get", {{"no name", 0, 0, "", Expect::Free}}},
    {"tlv_aligned_array_get_num_tlvs", {{"fails", -1, 0, "tlvs", Expect::Message},
                                        {"none", 0, 0, "tlvs0", Expect::Message}}},
    {"tlv_aligned_array_get_next_tlv", {{"fails", -1, 0, "tlv", Expect::Message},
                                        {"does nothing", 0, 0, "tlv", Expect::Message}}},
};

// The manager's answer to a request, replaced.
struct Answer {
    const char *label;
    Reply reply;
    const char *key;
};

const std::vector<Answer> kAnswers = {
    {"does not answer", {Reply::Kind::Silence, 0, {}}, "timeout"},
    {"answers without payload", {Reply::Kind::NullPayload, 0, {}}, "null"},
    {"answers another opcode", {Reply::Kind::Answer, 999, {}}, "other-opcode"},
    {"answers nothing", {Reply::Kind::Answer, 0, {}}, "size0"},
};

// Output a failure brings, by command family and failure: {op} stands for
// the command's operation name, {port} for the port number it shows. The
// text ends the output unless it is marked kAnywhere (or the command
// prints more after it). kCutShort: the output is the clean run's, cut
// short; kAnyText: the outcome depends on the shape, only text is fixed.
enum Where : uint8_t { kAtEnd, kAnywhere };

struct Message {
    uint32_t families;
    const char *key;
    const char *text;
    Where where = kAtEnd;
};

constexpr const char *kCutShort = nullptr;
constexpr const char *kAnyText = "";

const std::vector<Message> kMessages = {
    // The report exchange.
    {kReportLike, "bind", "Failed to get mts queue handle for LC Config Mgr CLI: 24"},
    {kReportLike, "send", "Failed to send request to LC Port Cfg: 113"},
    {kReportLike, "send0", "Timed out waiting for response from LC Port Cfg"},
    {kReportLike, "timeout", "Timed out waiting for response from LC Port Cfg"},
    {kReportLike, "recv", "Error receiving response from LC Port Cfg: 5"},
    {kReportLike, "recv0", "Received invalid opcode (0) waiting for responsefrom LC Port Cfg"},
    {kReportLike, "opcode", "Received invalid opcode (999) waiting for responsefrom LC Port Cfg"},
    {kReportLike, "other-opcode",
     "Received invalid opcode (999) waiting for responsefrom LC Port Cfg"},
    {kReportLike, "null", "LC Port Cfg passed back NULL pointer"},
    {kReportLike, "size0", "LC Port Cfg passed back short payload (0 bytes)"},
    {kReportLike, "size3", "LC Port Cfg passed back short payload (3 bytes)"},
    // The counter exchange.
    {kCounter, "bind",
     "pcfg_mts_send_rcv_port_cntr:Failed to get mts queue handle for LC Config Mgr CLI: 24"},
    {kCounter, "send", "pcfg_mts_send_rcv_port_cntr:Failed to send request to LC Port Cfg: 113"},
    {kCounter, "send0", "Timed out waiting for response from LC Port Cfg Mgr"},
    {kCounter, "timeout", "Timed out waiting for response from LC Port Cfg Mgr"},
    {kCounter, "recv", "Error receiving response from LC Port Cfg Mgr: 5"},
    {kCounter, "recv0", "Received invalid opcode (0) waiting for responsefrom LC Port Cfg Mgr"},
    {kCounter, "opcode", "Received invalid opcode (999) waiting for responsefrom LC Port Cfg Mgr"},
    {kCounter, "other-opcode",
     "Received invalid opcode (999) waiting for responsefrom LC Port Cfg Mgr"},
    {kCounter, "null", "LC Port Cfg Mgr passed back NULL pointer"},
    {kCounter, "size0", "LC Port Cfg Mgr passed back short payload (0 bytes)"},
    {kCounter, "size3", "LC Port Cfg Mgr passed back short payload (3 bytes)"},
    // Printers of counter and diagnostics TLVs.
    {kCounter, "tlvs", kCutShort},
    {kCounter, "tlvs0", kCutShort},
    {kCounter, "tlv", "ERROR: Unable to retreive data: current tlv ", kAnywhere},
    {kDdm, "tlvs", "ERROR: Invalid tlv count -1 : Expected 1 \n"},
    {kDdm, "tlvs0", "ERROR: Invalid tlv count 0 : Expected 1 \n"},
    {kDdm, "tlv", "ERROR: Unable to retreive data:  num tlvs 1 \n"},
    // Per-port commands: the front-port list.
    {kPortCmds, "list", "{op}: get_front_port_if_index_list failed, err=5\n"},
    {kCounter | kPortInfo, "list0", "Invalid port number {port}\n"},
    {kDdm, "list0", kAnyText},  // accepted while below the card's front-port count
    {kDdm, "total0", "Invalid port number {port}\n"},
    // Timestamps.
    {kTsInfo, "sse", "failed to retrieve time stamp information, port = {port} rc = -1\n\n"},
    {kTsInfo, "sse-absent", "port not present, port = {port} rc = -1076428811\n\n"},
    {kTsInfo, "sse-access", "port access error, port = {port} rc = -1076428822\n\n"},
    {kTsInfo, "sse0", "time stamp disabled jiffies              = 0x0\n\n"},
    // Summary.
    {kSummary, "init", "Unable to init_shm_eventlog.\n"},
    // Bandwidth.
    {kPerfstats, "bind",
     "port_cfg_show_perfstats:Failed to get mts queue handle for LC Config Mgr CLI: 24"},
    {kPerfstats, "list", "port_cfg_show_perfstats: get_front_port_if_index_list failed\n"},
    {kPerfstats, "list0", "resp_payload: num_ports = 0\nresp_payload: opcode    = 3187\n"
                          "resp_payload: payload sz= 8\n"},
    {kPerfstats, "send", "mts_send failed\n"},
    {kPerfstats, "send0", "mts_recv failed\n"},
    {kPerfstats, "timeout", "mts_recv failed\n"},
    {kPerfstats, "recv", "mts_recv failed\n"},
    {kPerfstats, "recv0", kCutShort},
    {kPerfstats, "null", kCutShort},
    {kPerfstats, "opcode", "resp_payload: opcode    = 999\nresp_payload: payload sz= ",
     kAnywhere},
    {kPerfstats, "other-opcode", "resp too short from port-cfg\nresp_payload: payload sz= 0\n"},
    {kPerfstats, "size0", "resp too short from port-cfg\nresp_payload: payload sz= 0\n"},
    {kPerfstats, "size3", "resp too short from port-cfg\nresp_payload: payload sz= 3\n"},
    // FEC state.
    {kFec, "list", "getting if_index list failed\n"},
    {kFec, "list0", "mts send: if_index = 0x0, ", kAnywhere},
    {kFec, "send", "mts send failed"},
    {kFec, "send0", "Failed to receive reponse message from pcfg, timed out."},
    {kFec, "timeout", "Failed to receive reponse message from pcfg, timed out."},
    {kFec, "recv", "Failed to receive reponse message from pcfg, timed out."},
    {kFec, "token", "Failed to receive reponse message from pcfg, timed out."},
    {kFec, "recv0", "mts recv: no payload\n"},
    {kFec, "null", "mts recv: no payload\n"},
    {kFec, "other-opcode", "mts recv: short payload (0 bytes)\n"},
    {kFec, "size0", "mts recv: short payload (0 bytes)\n"},
    {kFec, "size3", "mts recv: short payload (3 bytes)\n"},
};

std::string replace_all(std::string s, const std::string &from, const std::string &to) {
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

const Message *message_for(const Shape &s, const std::string &key) {
    for (const Message &m : kMessages)
        if ((m.families & s.family) != 0 && key == m.key) return &m;
    return nullptr;
}

// ------------------------------------------------------------- runs
struct Outcome {
    int rc = -1;
    std::string text;
    std::vector<std::string> calls;
    int open_queues = 0;
    int held_messages = 0;
    size_t allocations = 0;
    long outstanding = 0;
};

struct Totals {
    size_t shapes = 0;
    size_t positions = 0;
    size_t runs = 0;         // one call failed
    size_t second_runs = 0;  // and then a call of its failure path
    size_t answer_runs = 0;  // the manager's answer replaced
    std::map<std::string, size_t> by_call;  // positions per platform call
};
Totals g_totals;

class FaultSweep : public PcfgTest, public ::testing::WithParamInterface<Shape> {
protected:
    static void TearDownTestSuite() {
        printf("[ sweep    ] %zu command shapes, %zu call positions; failure runs: %zu of one call, "
               "%zu of two, %zu of the manager's answer\n",
               g_totals.shapes, g_totals.positions, g_totals.runs, g_totals.second_runs,
               g_totals.answer_runs);
        std::string calls;
        for (const auto &[name, n] : g_totals.by_call)
            calls += (calls.empty() ? "" : ", ") + name + " " + std::to_string(n);
        printf("[ sweep    ] positions by call: %s\n", calls.c_str());
    }

    // Runs the command on a fresh card after `arm` set up its failures.
    Outcome run_once(const std::function<void()> &arm) {
        const Shape &s = GetParam();
        pcfg_sim::reset(card(s.bare));
        if (s.bare) pcfg_sim::clear_history();
        Params params(s.cmd);
        for (const Token &t : s.tokens) t.value ? params.num(t.id, *t.value) : params.bare(t.id);
        int shell_queue = -1;
        if (s.family == kFec) {  // the shell's own queue
            shell_queue = mts_bind(2, -1, kOptions.data(), "shell");
            params.handle(shell_queue);
        }
        pcfg_sim::clear_calls();
        heap_reset();
        arm();
        Outcome r;
        r.text = capture_stdout([&] { r.rc = port_cfg_cli_main(params.block()); });
        for (const pcfg_sim::Call &c : pcfg_sim::calls()) r.calls.push_back(c.name);
        pcfg_sim::clear_faults();
        pcfg_sim::clear_script();
        if (shell_queue != -1) mts_unbind(shell_queue, 0);
        r.open_queues = pcfg_sim::open_queues();
        r.held_messages = pcfg_sim::held_messages();
        r.allocations = library_allocations();
        r.outstanding = library_outstanding();
        return r;
    }

    // What every run must show.
    void check_common(const Outcome &r) {
        const Shape &s = GetParam();
        EXPECT_EQ(r.rc, 0);
        EXPECT_EQ(r.outstanding, 0) << "heap memory left behind";
        EXPECT_LE(r.allocations, s.cmd == 40 ? 1u : 0u) << "heap used";
        const auto bad = std::find_if(r.text.begin(), r.text.end(), [](char c) {
            return c != '\n' && c != '\t' && (c < 0x20 || c > 0x7e);
        });
        EXPECT_EQ(bad, r.text.end()) << "not text, byte " << (bad - r.text.begin()) << ":\n"
                                     << r.text;
    }

    void check_released(const Outcome &r, int queues, int messages) {
        EXPECT_EQ(r.open_queues, queues) << "open transport queues";
        EXPECT_EQ(r.held_messages, messages) << "held messages";
    }

    void check_expected(const Outcome &r, const Outcome &clean, const std::string &key, Expect expect) {
        const Shape &s = GetParam();
        const Message *m = expect == Expect::Message ? message_for(s, key) : nullptr;
        if (expect == Expect::Message && m == nullptr) {
            ADD_FAILURE() << "no message for \"" << key << "\" in this command";
            return;
        }
        if (m != nullptr && m->text != kCutShort && *m->text == '\0') return;
        if (expect == Expect::Same) {
            EXPECT_EQ(r.text, clean.text);
        } else if (expect == Expect::Prefix || (m != nullptr && m->text == kCutShort)) {
            EXPECT_TRUE(clean.text.starts_with(r.text)) << "not the clean output cut short:\n"
                                                        << r.text;
        } else if (m != nullptr) {
            std::string want = replace_all(m->text, "{op}", s.op);
            want = replace_all(want, "{port}", std::to_string(s.port));
            if (s.ends && m->where == kAtEnd)
                EXPECT_TRUE(r.text.ends_with(want)) << "wanted at the end: " << want << "\ngot:\n"
                                                    << r.text;
            else
                EXPECT_NE(r.text.find(want), std::string::npos) << "wanted: " << want
                                                                << "\ngot:\n" << r.text;
        }
    }

    // Fails one call at one position in one way; then, once, each call
    // that only the failure path makes.
    void sweep_call(const Outcome &clean, const std::string &name, uint32_t nth, const Variant &v,
                    bool first_order) {
        SCOPED_TRACE(name + " #" + std::to_string(nth) + " " + v.label);
        const Outcome r = run_once([&] { pcfg_sim::fail(name, v.result, v.err, nth); });
        ++g_totals.runs;
        check_common(r);
        // A release the platform refuses stays with the platform.
        const bool refused_unbind = name == "mts_unbind";
        const bool refused_drop = name == "mts_drop";
        check_released(r, refused_unbind ? 1 : 0, refused_drop ? 1 : 0);
        if (first_order) check_expected(r, clean, v.key, v.expect);
        if (!first_order) return;
        // Calls of the failure path the clean run never made, failed in turn
        // on top of the first failure (generic checks only).
        std::map<std::string, uint32_t> seen;
        for (const std::string &c : r.calls) {
            const uint32_t n = ++seen[c];
            if (std::find(clean.calls.begin(), clean.calls.end(), c) != clean.calls.end())
                continue;
            const auto row = kCallFaults.find(c);
            ASSERT_NE(row, kCallFaults.end()) << "no failures known for platform call " << c;
            for (const Variant &w : row->second) {
                SCOPED_TRACE("then " + c + " #" + std::to_string(n) + " " + w.label);
                const Outcome r2 = run_once([&] {
                    pcfg_sim::fail(name, v.result, v.err, nth);
                    pcfg_sim::fail(c, w.result, w.err, n);
                });
                ++g_totals.second_runs;
                check_common(r2);
                check_released(r2, refused_unbind ? 1 : 0, refused_drop ? 1 : 0);
            }
        }
    }

    static constexpr std::array<uint32_t, 6> kOptions{1, 0, 0x400, 0, 0, 0xf};
};

TEST_P(FaultSweep, EveryPlatformCallFailsInTurn) {
    if (GetParam().cmd == 40) allowed_allocations_ = 1;  // the bandwidth request
    const Outcome clean = run_once([] {});
    ++g_totals.shapes;
    check_common(clean);
    check_released(clean, 0, 0);
    // Only the history service and the summary have nothing to say about
    // nothing.
    if (!GetParam().bare || (GetParam().family & (kHistory | kSummary)) == 0) {
        EXPECT_FALSE(clean.text.empty()) << "a command prints what it did";
    }

    std::map<std::string, uint32_t> seen;
    for (const std::string &name : clean.calls) {
        const uint32_t nth = ++seen[name];
        ++g_totals.positions;
        ++g_totals.by_call[name];
        const auto row = kCallFaults.find(name);
        ASSERT_NE(row, kCallFaults.end()) << "no failures known for platform call " << name;
        for (const Variant &v : row->second) sweep_call(clean, name, nth, v, true);
    }

    // The manager's answer, replaced (every command sends it one request at
    // most).
    const auto requests = std::count(clean.calls.begin(), clean.calls.end(), "mts_send");
    ASSERT_LE(requests, 1);
    if (requests == 0) return;
    for (const Answer &a : kAnswers) {
        SCOPED_TRACE(std::string("manager ") + a.label);
        const Outcome r = run_once([&] { pcfg_sim::script_reply(a.reply); });
        ++g_totals.answer_runs;
        check_common(r);
        check_released(r, 0, 0);
        check_expected(r, clean, a.key, Expect::Message);
    }
}

void PrintTo(const Shape &s, std::ostream *os) { *os << s.label; }

std::string shape_name(const ::testing::TestParamInfo<Shape> &info) {
    std::string name;
    for (const char *p = info.param.label; *p != '\0'; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Commands, FaultSweep, ::testing::ValuesIn(kShapes), shape_name);

}  // namespace
