// History record formatter: titles, headings and lines of the seven logs,
// the invalid-event rule and the bounded text fields.
#include <cstring>

#include "support/fixture.h"
#include "support/golden.h"
#include "support/json_twin.h"

using namespace pcfg_test;

namespace {

class HistoryLogsTest : public PcfgTest {};

constexpr uint32_t kHist = 173u << 16;
// Dec  5 16:00:00 2025 UTC, second word 42.
constexpr hist_timestamp kTs{1764950400, 42};

// A record in host byte order.
struct Rec {
    std::vector<uint8_t> b;
    explicit Rec(size_t n) : b(n, 0) {}
    Rec &u8(size_t off, uint8_t v) {
        b.at(off) = v;
        return *this;
    }
    Rec &u32(size_t off, uint32_t v) {
        std::memcpy(&b.at(off), &v, sizeof v);
        return *this;
    }
};

uint32_t port_if(uint8_t index) { return pcfg_sim::if_index_of_port(index); }

// The record's text; its JSON is kept.
std::string show_id(const Rec &r, uint32_t id, uint32_t first, const hist_timestamp *ts = &kTs) {
    std::string text;
    for (const auto entry : {port_cfg_history_cli, port_cfg_history_cli_json}) {
        const auto run = [&] { entry(r.b.data(), static_cast<uint32_t>(r.b.size()), id, ts, first); };
        entry == port_cfg_history_cli ? void(text = capture_stdout(run)) : keep_json(text, unlogged(run));
    }
    return text;
}

std::string show(const Rec &r, uint32_t event, uint32_t first, const hist_timestamp *ts = &kTs) {
    return show_id(r, kHist | event, first, ts);
}

// One record of an event: `first` 1 asks for the title and heading.
struct Line {
    std::string name;
    uint32_t event;
    Rec rec;
    uint32_t first = 0;
};

std::string lines(const std::vector<Line> &cases) {
    Transcript t;
    for (const Line &c : cases) t.add(c.name, show(c.rec, c.event, c.first));
    return t.str();
}

TEST_F(HistoryLogsTest, InvalidEventsPrintOnlyTheirLine) {
    const Rec r(32);
    for (uint32_t id : {kHist | 15, kHist | 24, kHist | 0xFFFF, (172u << 16) | 1, 1u, 0xADu})
        for (uint32_t first : {1u, 0u})
            EXPECT_EQ(show_id(r, id, first), "Invalid event!\n") << std::hex << id;
    EXPECT_TRUE(pcfg_sim::calls().empty());
}

// A record or a timestamp that is not there: every field reads as 0, the
// time column shows the epoch, and the result is the length printed.
TEST_F(HistoryLogsTest, RecordsAndTimestampsThatAreNotThere) {
    Transcript t;
    for (uint32_t event : {0u, 1u, 12u, 13u, 16u}) {
        int rc = -1;
        const std::string text =
            out([&] { rc = port_cfg_history_cli(nullptr, 0, kHist | event, nullptr, 0); });
        EXPECT_EQ(rc, static_cast<int>(text.size())) << event;
        t.add("event " + std::to_string(event), text);
    }
    expect_golden("history/log_missing", t.str());
}

// The value is read for type 12 only, and only its low byte.
TEST_F(HistoryLogsTest, ErrorLog) {
    auto error = [](uint8_t type, uint32_t value, int32_t code, uint8_t port = 0) {
        return Rec(16).u32(0, port_if(port)).u8(4, type).u32(8, value).u32(12, static_cast<uint32_t>(code));
    };
    const Rec speed = error(3, 32000, 0x40290009, 2);
    expect_golden("history/log_errors", lines({
        {"with heading", 0, speed, 1}, {"first 0: the line alone", 0, speed, 0},
        {"first 2: the line alone", 0, speed, 2},
        {"enable", 0, error(12, 1, 0)}, {"disable", 0, error(12, 2, 0x40290004)},
        {"enable 7", 0, error(12, 7, 0)}, {"enable 0x1234", 0, error(12, 0x1234, 0)},
        {"enable 0x102", 0, error(12, 0x102, 0)}, {"speed 2", 0, error(3, 2, 0)},
        {"admin state", 0, error(1, 0, 0)}, {"multiplier", 0, error(28, 0, 0)},
        {"type 5", 0, error(5, 0, 0)}, {"type 24", 0, error(24, 0, 0)}, {"type 0", 0, error(0, 0, 0)},
        {"type 29", 0, error(29, 0, 0)}, {"FEC", 0, error(175, 1, 0x4029000D)},
        {"unknown code", 0, error(25, 0, 0x12345678)}, {"code -1", 0, error(25, 0, -1)},
    }));
}

TEST_F(HistoryLogsTest, PortControlLog) {
    const Rec failed = Rec(8).u32(0, port_if(47)).u32(4, 0x40290008);
    std::vector<Line> cases{{"with heading", 1, Rec(8).u32(0, port_if(4)).u32(4, 0), 1}};
    for (uint32_t event : {1, 2, 3, 4, 5, 11, 19, 20})
        cases.push_back({"event " + std::to_string(event) + ", failed", event, failed});
    std::string text = lines(cases);
    // The port name field is 13 bytes with its terminator.
    pcfg_sim::clear_calls();
    text += lines({{"an index with no port name", 4, Rec(8).u32(0, 0x02000001)}});
    text += Transcript().add("calls", calls_text("snprintf_if_index_short")).str();
    expect_golden("history/log_port_control", text);
}

TEST_F(HistoryLogsTest, LinkEventsLog) {
    auto link = [](uint8_t kind, uint8_t reason, uint32_t mode, uint8_t fec) {
        return Rec(17).u32(0, port_if(6)).u32(4, 8000).u8(8, kind).u8(9, reason).u32(12, mode).u8(16, fec);
    };
    expect_golden("history/log_link_events", lines({
        {"with heading", 6, link(1, 0, 0xFE3F, 0), 1}, {"up FL", 6, link(1, 0, 0x40, 0)},
        {"up FL Npt 0x80", 7, link(1, 0, 0x80, 0)}, {"up FL Npt 0x100", 7, link(1, 0, 0x100, 0)},
        {"up, mode unknown", 6, link(1, 0, 0x20, 0)}, {"down", 6, link(2, 6, 0, 0)},
        {"down, link reset", 7, link(2, 3, 0, 0)}, {"link reset", 21, link(0, 0, 0, 0)},
        {"link reset failed", 22, link(2, 0, 0, 0)}, {"FEC up", 23, link(0, 0, 0, 1)},
        {"FEC down", 23, link(1, 0, 0, 0)}, {"FEC 2", 23, link(0, 0, 0, 2)},
        // Any other kind: the shorter line ending in the kind's number.
        {"kind 3", 6, link(3, 0, 0, 0)}, {"kind 255", 7, link(255, 9, 0, 0)},
    }));
}

TEST_F(HistoryLogsTest, LinkEventsFieldsStayBoundedAndEmptyWhenThePlatformWritesNothing) {
    const Rec up = Rec(17).u32(0, port_if(0)).u32(4, 4000).u8(8, 1).u32(12, 0xFE3F);
    const Rec down = Rec(17).u32(0, port_if(0)).u8(8, 2).u8(9, 6);
    pcfg_sim::fail("lc_get_portspeed_name", 0);
    pcfg_sim::fail("lc_get_portlinkstatus_reason", 0);
    pcfg_sim::fail("snprintf_if_index_short", 0);
    // Reason texts longer than the field are cut at 63 characters.
    const std::string text = lines({
        {"no speed name, no port name", 6, up},
        {"no reason text", 6, down},
        {"a reason without a name", 7, Rec(17).u32(0, port_if(0)).u8(8, 2).u8(9, 200)},
    });
    expect_golden("history/log_link_fields",
                  text + Transcript().add("calls", calls_text("lc_get_portspeed_name")).str());
}

// The time column drops the weekday; the second word is at least eight
// digits wide.
TEST_F(HistoryLogsTest, TimestampLogAndTheTimeColumn) {
    const Rec r = Rec(4).u32(0, 0x5F5E100);
    Transcript t;
    t.add("with heading", show(r, 8, 1));
    t.add("disable", show(r, 9, 0));
    t.add("update", show(r, 10, 0));
    t.add("update 0xdeadbeef", show(Rec(4).u32(0, 0xDEADBEEF), 10, 0));
    const hist_timestamp epoch{0, 0}, late{0x7FFFFFFF, 123456789};
    t.add("the epoch", show(Rec(4), 8, 0, &epoch));
    t.add("the last second of 2^31", show(Rec(4), 8, 0, &late));
    expect_golden("history/log_timestamps", t.str());
}

// Seconds at and past 2^31 (19 January 2038) up to the last 32-bit second:
// the card's 32-bit build shows the same dates as a 64-bit host.
TEST_F(HistoryLogsTest, TimesFrom2038OnAreTheSameOnEveryBuild) {
    const std::pair<uint32_t, const char *> cases[] = {
        {0x7FFFFFFF, "Jan 19 03:14:07 2038"}, {0x80000000, "Jan 19 03:14:08 2038"},
        {0xFFFFFFFF, "Feb  7 06:28:15 2106"}};
    for (const auto &[seconds, date] : cases) {
        const hist_timestamp ts{seconds, 42};
        EXPECT_EQ(show(Rec(2).u8(0, 'x'), 12, 0, &ts), std::string("Timestamp: ") + date + "  00000042\nx\n\n")
            << std::hex << seconds;
    }
}

TEST_F(HistoryLogsTest, EventAndMtsEventLogs) {
    const char text[] = "Port Config manager started";
    Rec event(sizeof text);
    std::memcpy(event.b.data(), text, sizeof text);
    expect_golden("history/log_events_and_mts", lines({
        {"event with heading", 12, event, 1},
        {"event", 12, event},
        {"receive with heading", 13, Rec(8).u32(0, 395).u32(4, 0x1000), 1},
        {"send", 14, Rec(8).u32(0, 435).u32(4, 0xBCDEF012)},
        {"an opcode without a name", 14, Rec(8).u32(0, 4660).u32(4, 7)},
    }));
}

TEST_F(HistoryLogsTest, SerdesControlLogKeepsItsOwnErrorRule) {
    auto serdes = [](uint8_t action, int32_t error) {
        return Rec(12).u32(0, port_if(9)).u8(4, action).u32(8, static_cast<uint32_t>(error));
    };
    std::vector<Line> cases{
        {"with heading", 16, serdes(1, 0), 1}, {"disable", 17, serdes(2, 0)},
        {"action 0", 18, serdes(0, 0)}, {"action 3", 16, serdes(3, 0)},
        {"port not present", 17, serdes(1, -0x4029000B)}, {"positive code", 18, serdes(1, 0x4029000B)},
        {"code 5", 16, serdes(2, 5)}, {"another negative code", 16, serdes(2, -0x40290001)},
    };
    std::string text = lines(cases);
    // The port-not-present text is the platform's; without one, the code.
    pcfg_sim::fail("syserr2str", 0, 0, 1, 2);  // the text and its JSON twin
    text += lines({{"port not present, no platform text", 16, serdes(1, -0x4029000B)}});
    expect_golden("history/log_serdes", text);
}

}  // namespace
