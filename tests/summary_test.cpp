// Configuration event summary (commands 30 and 31) over event logs of
// set-port-configuration requests.
#include "support/fixture.h"

using namespace pcfg_test;
using pcfg_sim::calls_named;

namespace {

class SummaryTest : public PcfgTest {};

const std::string kHeading =
    "  SeqNo Port   Speed    En/Dis   PortMode  RateMode Perf  B2B EcB2B\n";

struct Tlv {
    uint8_t type;
    std::vector<uint8_t> value;
};
Tlv u32(uint8_t type, uint32_t v) {
    return {type, {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}};
}
Tlv u8(uint8_t type, uint8_t v) { return {type, {v}}; }

struct Entry {
    uint32_t if_index;
    std::vector<Tlv> tlvs;
};

uint32_t port_if(uint8_t index) { return pcfg_sim::if_index_of_port(index); }

// A set-port-configuration request payload; num_ports from the entries
// unless given.
std::vector<uint8_t> request(const std::vector<Entry> &entries, int num_ports = -1) {
    std::vector<uint8_t> p{0, uint8_t(num_ports < 0 ? entries.size() : num_ports)};
    for (const Entry &e : entries) {
        for (int s = 24; s >= 0; s -= 8) p.push_back(uint8_t(e.if_index >> s));
        p.push_back(uint8_t(e.tlvs.size()));
        for (const Tlv &t : e.tlvs) {
            p.push_back(t.type);
            p.push_back(uint8_t(t.value.size()));
            p.insert(p.end(), t.value.begin(), t.value.end());
        }
    }
    return p;
}

void log_request(const std::vector<uint8_t> &payload, uint32_t kind = 1) {
    pcfg_sim::log_message(kind, 395, payload);
}

// A reply: one status entry per port.
void log_reply(uint32_t if_index) {
    log_request({0, 1, uint8_t(if_index >> 24), uint8_t(if_index >> 16), uint8_t(if_index >> 8),
                 uint8_t(if_index), 0, 0, 0, 0},
                2);
}

struct Outcome {
    int rc;
    std::string text;
};

Outcome summary(Params &p) {
    Outcome o{};
    o.text = capture_stdout([&] { o.rc = set_port_cfg_summary_cli(p.block()); });
    return o;
}

Outcome all_ports() {
    Params p(30);
    p.bare(30);
    return summary(p);
}

TEST_F(SummaryTest, OneRequestOneRow) {
    log_request(request({{port_if(4), {u32(3, 8000), u8(12, 1), u32(2, 0x20), u8(44, 2), u32(25, 0)}}}));
    log_reply(port_if(4));
    const Outcome o = all_ports();
    EXPECT_EQ(o.rc, 0);
    EXPECT_EQ(o.text, kHeading + "      1    5      8G        Up          F    Shared    -  Def     -\n");
    // The log is read from its start, set-port-configuration messages only.
    const auto init = calls_named("init_shm_eventlog");
    ASSERT_EQ(init.size(), 1u);
    EXPECT_EQ(init[0].words, (std::vector<uint32_t>{1, 1, 0, 0, 0, 0, 0}));
    const auto reads = calls_named("shm_eventlog_read_rec");
    ASSERT_EQ(reads.size(), 2u) << "the reply is read and skipped";
    EXPECT_EQ(reads[0].args, (std::vector<int64_t>{2, 1, 1, 0, -1, 0, 395}));
}

// A day of configuration: bring-up of three ports, a rate-mode change, a
// credit change, requests naming ports the card lacks, settings the summary
// does not show, and the manager's replies in between.
void log_a_day() {
    log_request(request({{port_if(0), {u32(2, 0x1), u32(3, 0), u8(12, 1), u32(25, 32), u32(41, 0)}},
                         {port_if(1), {u32(2, 0x40), u32(3, 4000), u8(12, 1)}},
                         {port_if(2), {u32(2, 0x8), u32(3, 3), u8(12, 2), u32(37, 16), u32(41, 500)}}}));
    log_reply(port_if(0));                                                           // 2
    log_request(request({{0x02000000, {u32(3, 8000)}}, {port_if(3), {u32(3, 8000)}}}));  // 3
    log_request(request({{port_if(1), {u32(8, 10), u8(44, 1), u32(28, 2), u32(37, 0)}},
                         {port_if(3), {u32(8, 10)}},  // nothing to show: the record ends
                         {port_if(0), {u32(3, 16000)}}}));                           // 4
    log_request(request({{port_if(2), {u32(28, 4)}},  // recognised, nothing shown
                         {port_if(1), {u32(2, 0x80), u8(12, 3), u32(3, 0xFFFFFFFF), u32(25, 0x7FFF)}},
                         {port_if(0), {u32(2, 0xFFFF)}, }, {port_if(5), {}}, {port_if(6), {u32(3, 1)}}}));  // 5
    log_request(request({{port_if(0), {u32(3, 2)}}}, 0));                            // 6: no ports
}

const std::string kDayRows =
    "      1    1    Auto        Up       Auto         -    -   32   Def\n"
    "      1    2      4G        Up         FL         -    -    -     -\n"
    "      1    3   Max8G      Down         TE         -   16    -   500\n"
    "      4    2       -         -          -      Full  Def    -     -\n"
    "      5    3       -         -          -         -    -    -     -\n"
    "      5    2       -         -   FLnotPdi         -    -32767     -\n"
    "      5    1       -         -        All         -    -    -     -\n";

TEST_F(SummaryTest, AllPortsOverADayOfRequests) {
    log_a_day();
    const Outcome o = all_ports();
    EXPECT_EQ(o.rc, 0);
    EXPECT_EQ(o.text, kHeading + kDayRows);
}

TEST_F(SummaryTest, OnePortThroughTheCommandTable) {
    log_a_day();
    Params p(31);
    p.num(31, 2);
    EXPECT_EQ(run(p), kHeading +
                          "      1    2      4G        Up         FL         -    -    -     -\n"
                          "      4    2       -         -          -      Full  Def    -     -\n"
                          "      5    2       -         -   FLnotPdi         -    -32767     -\n");
    Params all(30);
    all.bare(30);
    EXPECT_EQ(run(all), kHeading + kDayRows);
    // Port numbers whose index is 255 (typed 0 or 256) filter nothing.
    for (uint32_t typed : {0u, 256u}) {
        Params q(31);
        q.num(31, typed);
        EXPECT_EQ(summary(q).text, kHeading + kDayRows) << typed;
    }
}

TEST_F(SummaryTest, NamesAndCreditColumns) {
    struct Case {
        std::vector<Tlv> tlvs;
        std::string row;
    };
    const std::vector<Case> cases{
        {{u32(3, 10), u8(12, 4), u32(2, 0x2), u8(44, 3)},
         "     10M   Testing         SD   Default    -    -     -"},
        {{u32(3, 100), u8(12, 8), u32(2, 0x4000), u8(44, 4)},
         "    100M  Trunking         NP         -    -    -     -"},
        {{u32(3, 10000), u8(12, 0xFF), u32(2, 0x80000000), u32(37, 99999)},
         "     10G       All     AD_DEF         -99999    -     -"},
        {{u32(3, 4), u32(2, 0x40000), u32(25, 1), u32(41, 123456)},
         "  Max16G         -    LINK_UP         -    -    1123456"},
        {{u32(3, 12345), u32(2, 0x60)}, "       -         -         FX         -    -    -     -"},
        {{u32(2, 0x80000)}, "       -         -         FA         -    -    -     -"},
        {{u32(2, 0x41)}, "       -         -          -         -    -    -     -"},
        // A value longer than its field is read from its first bytes.
        {{{3, {0, 0, 0x3E, 0x80, 9, 9}}, {12, {1, 7, 7}}},
         "     16G        Up          -         -    -    -     -"},
    };
    for (const Case &c : cases) {
        pcfg_sim::clear_event_log();
        log_request(request({{port_if(7), c.tlvs}}));
        EXPECT_EQ(all_ports().text, kHeading + "      1    8" + c.row + "\n") << c.row;
    }
}

TEST_F(SummaryTest, RecordsThatCannotBeReadEndSilently) {
    const uint32_t p0 = port_if(0);
    const std::vector<std::vector<uint8_t>> bad{
        {},                                               // no num_ports
        {0},                                              // no num_ports
        {0, 1, 0, 0},                                     // entry shorter than 5 bytes
        request({{p0, {u32(3, 8000)}}}, 2),               // a second entry that is not there
        request({{p0, {{3, {0, 0, 0x1F}}}}}),             // speed shorter than its field
        request({{p0, {{12, {}}}}}),                      // enable state without its byte
    };
    for (const auto &payload : bad) log_request(payload);
    // A TLV that runs past the payload ends the record, and its entry
    // shows nothing; the entries before it were shown.
    auto cut = request({{p0, {u32(3, 8000), {8, {0, 0, 0, 0, 0, 0}}}}});
    cut.pop_back();
    log_request(cut);
    auto tail_cut = request({{p0, {u32(3, 8000)}}, {port_if(1), {u32(3, 4000), u8(12, 1)}}});
    tail_cut.pop_back();
    log_request(tail_cut);
    // Kinds other than 2 count as requests.
    log_request(request({{port_if(9), {u8(12, 2)}}}), 0);
    log_request(request({{port_if(9), {u8(12, 1)}}}), 7);
    const Outcome o = all_ports();
    EXPECT_EQ(o.rc, 0);
    EXPECT_EQ(o.text, kHeading +
                          "      4    1      8G         -          -         -    -    -     -\n"
                          "      8    1      8G         -          -         -    -    -     -\n"
                          "      9   10       -      Down          -         -    -    -     -\n"
                          "     10   10       -        Up          -         -    -    -     -\n");
}

TEST_F(SummaryTest, ParameterFailures) {
    log_request(request({{port_if(0), {u32(3, 8000)}}}));
    EXPECT_EQ(capture_stdout([] { EXPECT_EQ(set_port_cfg_summary_cli(nullptr), 1); }),
              "VSH Parameter information NULL\n");
    Params empty(30), other(30), bare_port(31), bare_then_all(31);
    other.num(12, 1).num(17, 2);
    bare_port.bare(31);
    bare_then_all.bare(31).bare(30);
    for (Params *p : {&empty, &other, &bare_port, &bare_then_all}) {
        const Outcome o = summary(*p);
        EXPECT_EQ(o.rc, 1);
        EXPECT_EQ(o.text, "Invalid command!\n");
    }
    EXPECT_TRUE(pcfg_sim::calls().empty()) << "the log is not touched";
}

TEST_F(SummaryTest, TheLastTokenDecidesWhetherRecordsAreShown) {
    log_request(request({{port_if(0), {u32(3, 8000)}}}));
    log_request(request({{port_if(1), {u32(3, 8000)}}}));
    Params p(30);
    p.bare(30).num(12, 2);
    const Outcome o = summary(p);
    EXPECT_EQ(o.rc, 0);
    EXPECT_EQ(o.text, "invalid taken\ninvalid taken\n");
    // The whole list counts, beyond the token count.
    Params q(30);
    q.num(12, 2).bare(30).count(1);
    EXPECT_EQ(summary(q).text, kHeading +
                                   "      1    1      8G         -          -         -    -    -     -\n"
                                   "      2    2      8G         -          -         -    -    -     -\n");
}

TEST_F(SummaryTest, LogFailures) {
    // An empty log: the first read finds nothing.
    Outcome o = all_ports();
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.text, "");

    log_request(request({{port_if(0), {u32(3, 8000)}}}));
    log_request(request({{port_if(1), {u32(3, 4000)}}}));
    pcfg_sim::fail("init_shm_eventlog", -1);
    o = all_ports();
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.text, "Unable to init_shm_eventlog.\n");

    pcfg_sim::fail("shm_eventlog_read_rec", -1, 0, 2);
    o = all_ports();
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.text, kHeading + "      1    1      8G         -          -         -    -    -     -\n");

    pcfg_sim::fail("shm_eventlog_read_rec", -1, 0, 1);
    o = all_ports();
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.text, "");

    // A successful read that hands over no record and no more-records flag.
    pcfg_sim::fail("shm_eventlog_read_rec", 0, 0, 1);
    o = all_ports();
    EXPECT_EQ(o.rc, 0);
    EXPECT_EQ(o.text, kHeading);
}

}  // namespace

namespace {

TEST_F(SummaryTest, AStartingCardLogsItsStartUpConfigurationOnce) {
    pcfg_sim::CardConfig config;
    config.num_ports = 4;
    config.keep_event_log = true;
    config.log_start_up = true;
    pcfg_sim::reset(config);
    pcfg_sim::reset(config);  // the log is not empty any more: nothing is added
    EXPECT_EQ(pcfg_sim::event_log().size(), 4u);
    EXPECT_EQ(all_ports().text,
              kHeading +
                  "      1    1     16G        Up          F      Full    -    -     -\n"
                  "      1    2     16G        Up         FL      Full    -    -     -\n"
                  "      1    3     16G        Up          E    Shared    -   64   Def\n"
                  "      1    4     16G        Up         TE    Shared    -   64   Def\n"
                  "      3    1       -         -          -         -    -    -     -\n");
}

}  // namespace
