// History record formatter: titles, headings and lines of the seven logs,
// the invalid-event rule and the bounded text fields.
#include <cstring>

#include "support/fixture.h"

using namespace pcfg_test;
using pcfg_sim::calls_named;

namespace {

class HistoryLogsTest : public PcfgTest {};

constexpr uint32_t kHist = 173u << 16;
// Dec  5 16:00:00 2025 UTC, second word 42.
constexpr hist_timestamp kTs{1764950400, 42};
const std::string kTime = "Dec  5 16:00:00 2025  00000042";  // time column, then the word

std::string sp(size_t n) { return std::string(n, ' '); }
// Text left-justified in a column of n (as "%-ns").
std::string col(const std::string &s, size_t n) { return s.size() >= n ? s : s + sp(n - s.size()); }

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

std::string show(const Rec &r, uint32_t event, uint32_t first, const hist_timestamp *ts = &kTs) {
    return capture_stdout([&] {
        port_cfg_history_cli(r.b.data(), static_cast<uint32_t>(r.b.size()), kHist | event, ts,
                             first);
    });
}

TEST_F(HistoryLogsTest, InvalidEventsPrintOnlyTheirLine) {
    const Rec r(32);
    for (uint32_t id : {kHist | 15, kHist | 24, kHist | 0xFFFF, (172u << 16) | 1, 1u, 0xADu}) {
        for (uint32_t first : {1u, 0u}) {
            std::string text = capture_stdout(
                [&] { port_cfg_history_cli(r.b.data(), 32, id, &kTs, first); });
            EXPECT_EQ(text, "Invalid event!\n") << std::hex << id;
        }
    }
    EXPECT_TRUE(pcfg_sim::calls().empty());
}

TEST_F(HistoryLogsTest, ErrorLogHeadingAndLine) {
    const Rec r = Rec(16).u32(0, port_if(2)).u8(4, 3).u32(8, 32000).u32(12, 0x40290009);
    const std::string line = kTime + "  fc1/3   " + col("Admin Port Speed", 26) +
                             "value out of range";
    const std::string dash = "----" + sp(28) + "------" + sp(2) + "--------" + sp(18) + "-------\n";
    EXPECT_EQ(show(r, 0, 1), "*************** Port Config Error Log ***************\n" + dash +
                                 "Time" + sp(28) + "PortNo" + sp(2) + "TLV Type" + sp(18) +
                                 "ErrCode\n" + dash + line);
    EXPECT_EQ(show(r, 0, 0), line);
    // `first` asks for the heading only when it is 1.
    EXPECT_EQ(show(r, 0, 2), line);
}

TEST_F(HistoryLogsTest, ErrorLogTypeAndErrorTexts) {
    struct Case {
        uint8_t type;
        uint32_t value;
        int32_t error;
        std::string type_text, error_text;
    };
    const std::vector<Case> cases{
        {12, 1, 0, "Port Enable", "None"},
        {12, 2, 0x40290004, "Port Disable", "port is administratively down"},
        {12, 7, 0, "Port Enable: 0x7", "None"},
        {12, 0x1234, 0, "Port Enable: 0x34", "None"},  // the value's low byte
        {12, 0x102, 0, "Port Enable: 0x2", "None"},    // 2 only as a whole value
        {3, 2, 0, "Admin Port Speed", "None"},         // the value is read for type 12 only
        {1, 0, 0, "Admin Port State", "None"},
        {28, 0, 0, "Port Rx B2B Multiplier", "None"},
        {5, 0, 0, "Unknown (0x00000005)", "None"},
        {24, 0, 0, "Unknown (0x00000018)", "None"},
        {0, 0, 0, "Unknown (0000000000)", "None"},
        {29, 0, 0, "Unknown (0x0000001d)", "None"},
        {175, 1, 0x4029000D, "Unknown (0x000000af)", "FEC not supported at this speed"},
        {25, 0, 0x12345678, "Port Rx B2B Credit", "Unknown (0x12345678)"},
        {25, 0, -1, "Port Rx B2B Credit", "Unknown (0xffffffff)"},
    };
    for (const Case &c : cases) {
        const Rec r = Rec(16).u32(0, port_if(0)).u8(4, c.type).u32(8, c.value).u32(
            12, static_cast<uint32_t>(c.error));
        EXPECT_EQ(show(r, 0, 0), kTime + "  fc1/1   " + col(c.type_text, 26) + col(c.error_text, 14))
            << "type " << int(c.type) << " value " << c.value;
    }
}

TEST_F(HistoryLogsTest, PortControlLogActions) {
    const std::string dash = "----" + sp(28) + "------" + sp(2) + "-----------" + sp(9) + "-------\n";
    const Rec r = Rec(8).u32(0, port_if(4)).u32(4, 0);
    EXPECT_EQ(show(r, 1, 1), "*************** Port Config Port Control Log ***************\n" +
                                 dash + "Time" + sp(28) + "PortNo" + sp(2) + "Port Action" + sp(9) +
                                 "ErrCode\n" + dash + kTime + "  fc1/5   " + col("Enable", 20) +
                                 col("None", 20));
    const std::vector<std::pair<uint32_t, std::string>> actions{
        {1, "Enable"},  {2, "Disable"},          {3, "Participating Mode"},
        {4, "Offline"}, {5, "Link reset"},       {11, "Offline, blocked"},
        {19, "Bandwidth config"}, {20, "Bandwidth release"},
    };
    const Rec failed = Rec(8).u32(0, port_if(47)).u32(4, 0x40290008);
    for (const auto &[event, text] : actions)
        EXPECT_EQ(show(failed, event, 0),
                  kTime + "  fc1/48  " + col(text, 20) + col("operation timed out", 20))
            << event;
}

TEST_F(HistoryLogsTest, LinkEventsLogLines) {
    const std::string dash = "----" + sp(28) + "------" + sp(8) + "-----" + sp(2) + "-----" +
                             sp(2) + "------\n";
    auto link = [](uint8_t kind, uint8_t reason, uint32_t mode, uint8_t fec) {
        return Rec(17).u32(0, port_if(6)).u32(4, 8000).u8(8, kind).u8(9, reason).u32(12, mode).u8(
            16, fec);
    };
    // port name in 14 columns, a space, speed in 6, event in 7, reason in 24
    auto line = [](const std::string &speed, const std::string &event, const std::string &text) {
        return kTime + "  " + col("fc1/7", 14) + " " + col(speed, 6) + col(event, 7) + col(text, 24);
    };
    EXPECT_EQ(show(link(1, 0, 0xFE3F, 0), 6, 1),
              "*************** Port Config Link Events Log ***************\n" + dash + "Time" +
                  sp(28) + "PortNo" + sp(8) + "Speed" + sp(2) + "Event" + sp(2) + "Reason\n" +
                  dash + line("8G", " UP ", "Not FL"));
    struct Case {
        uint32_t event;
        Rec rec;
        std::string expected;
    };
    const std::vector<Case> cases{
        {6, link(1, 0, 0x40, 0), line("8G", " UP ", "FL")},
        {7, link(1, 0, 0x80, 0), line("8G", " UP ", "FL Npt")},
        {7, link(1, 0, 0x100, 0), line("8G", " UP ", "FL Npt")},
        {6, link(1, 0, 0x20, 0), line("8G", " UP ", "Unknown")},
        {6, link(2, 6, 0, 0), line("---", "DOWN", "loss of signal")},
        {7, link(2, 3, 0, 0), line("---", "DOWN", "link reset occurred")},
        {21, link(0, 0, 0, 0), line("8G", " LR ", "Success")},
        {22, link(2, 0, 0, 0), line("8G", " LR ", "Failed")},
        {23, link(0, 0, 0, 1), line("---", "FEC_UP", "neg-succ")},
        {23, link(1, 0, 0, 0), line("---", "FEC_DN", "neg-fail")},
        {23, link(0, 0, 0, 2), line("---", "FEC_DN", "neg-fail")},
        // Any other kind: the shorter line ending in the kind's number.
        {6, link(3, 0, 0, 0), kTime + "  " + col("fc1/7", 14) + col("---", 7) + col("3", 5)},
        {7, link(255, 9, 0, 0), kTime + "  " + col("fc1/7", 14) + col("---", 7) + "255  "},
    };
    for (const Case &c : cases) EXPECT_EQ(show(c.rec, c.event, 0), c.expected) << c.event;
}

TEST_F(HistoryLogsTest, LinkEventsFieldsStayBoundedAndEmptyWhenThePlatformWritesNothing) {
    const Rec up = Rec(17).u32(0, port_if(0)).u32(4, 4000).u8(8, 1).u32(12, 0xFE3F);
    const Rec down = Rec(17).u32(0, port_if(0)).u8(8, 2).u8(9, 6);
    pcfg_sim::fail("lc_get_portspeed_name", 0);
    pcfg_sim::fail("lc_get_portlinkstatus_reason", 0);
    pcfg_sim::fail("snprintf_if_index_short", 0);
    EXPECT_EQ(show(up, 6, 0), kTime + "  " + sp(14) + " " + sp(6) + " UP    " + col("Not FL", 24));
    EXPECT_EQ(show(down, 6, 0), kTime + "  " + col("fc1/1", 14) + " ---   DOWN   " + sp(24));
    // Reason texts longer than the field are cut at 63 characters.
    const Rec unknown = Rec(17).u32(0, port_if(0)).u8(8, 2).u8(9, 200);
    EXPECT_EQ(show(unknown, 7, 0),
              kTime + "  " + col("fc1/1", 14) + " ---   DOWN   " + col("unknown reason 200", 24));
    const auto speed = calls_named("lc_get_portspeed_name");
    ASSERT_EQ(speed.size(), 1u);
    EXPECT_EQ(speed[0].args, (std::vector<int64_t>{4000, 1}));
}

TEST_F(HistoryLogsTest, TimestampLogActions) {
    const std::string dash = "----" + sp(28) + "---------" + sp(10) + "\n";
    const Rec r = Rec(4).u32(0, 0x5F5E100);
    EXPECT_EQ(show(r, 8, 1), "*************** Port Config Timestamp Log ***************\n" + dash +
                                 "Time" + sp(28) + "TS Action" + sp(10) + "\n" + dash + kTime +
                                 "  " + col("Enable TS Check", 44));
    EXPECT_EQ(show(r, 9, 0), kTime + "  " + col("Disable TS Check", 44));
    EXPECT_EQ(show(r, 10, 0), kTime + "  " + col("Update TS Value to 05f5e100", 44));
    EXPECT_EQ(show(Rec(4).u32(0, 0xDEADBEEF), 10, 0),
              kTime + "  " + col("Update TS Value to deadbeef", 44));
}

TEST_F(HistoryLogsTest, EventLogPrintsTheTextWithItsOwnNewlines) {
    const char text[] = "Port Config manager started";
    Rec r(sizeof text);
    std::memcpy(r.b.data(), text, sizeof text);
    const std::string line = "Timestamp: Dec  5 16:00:00 2025  00000042\nPort Config manager started\n\n";
    EXPECT_EQ(show(r, 12, 1), "*************** Port Config Event Log ***************\n\n" + line);
    EXPECT_EQ(show(r, 12, 0), line);
}

TEST_F(HistoryLogsTest, MtsEventLogNamesTheOpcodeOrShowsItsNumber) {
    const std::string dash = "----" + sp(28) + "------" + sp(4) + "------" + sp(4) + "------\n";
    EXPECT_EQ(show(Rec(8).u32(0, 395).u32(4, 0x1000), 13, 1),
              "********** Port Config MTS Event Log **********\n\n" + dash + "Time" + sp(28) +
                  "Action" + sp(4) + "RR_tkn" + sp(4) + "Opcode\n" + dash + kTime +
                  "  MTS_RECV  1000      MTS_OPC_PCFG_SET_PORT_CFG");
    EXPECT_EQ(show(Rec(8).u32(0, 435).u32(4, 0xBCDEF012), 14, 0),
              kTime + "  MTS_SEND  bcdef012  MTS_OPC_PCFG_CLI_REQ");
    EXPECT_EQ(show(Rec(8).u32(0, 4660).u32(4, 7), 14, 0), kTime + "  MTS_SEND  7         4660");
}

TEST_F(HistoryLogsTest, SerdesControlLogKeepsItsOwnErrorRule) {
    const std::string dash = "----" + sp(28) + "------" + sp(18) + "-----------" + sp(9) + "-------\n";
    auto serdes = [](uint8_t action, int32_t error) {
        return Rec(12).u32(0, port_if(9)).u8(4, action).u32(8, static_cast<uint32_t>(error));
    };
    auto line = [](const std::string &action, const std::string &error) {
        return kTime + "  fc1/10  " + col(action, 20) + col(error, 20);
    };
    EXPECT_EQ(show(serdes(1, 0), 16, 1),
              "*************** Port Config Serdes Control Log ***************\n" + dash + "Time" +
                  sp(28) + "PortNo" + sp(18) + "Port Action" + sp(9) + "ErrCode\n" + dash +
                  line("Enable", "None"));
    struct Case {
        uint32_t event;
        uint8_t action;
        int32_t error;
        std::string expected;
    };
    const std::vector<Case> cases{
        {17, 2, 0, line("Disable", "None")},
        {18, 0, 0, line("Unrecognized", "None")},
        {16, 3, 0, line("Unrecognized", "None")},
        {17, 1, -0x4029000B, line("Enable", "port not present")},
        {18, 1, 0x4029000B, line("Enable", "Failure")},
        {16, 2, 5, line("Disable", "Failure")},
        {16, 2, -0x40290001, line("Disable", "Failure")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(show(serdes(c.action, c.error), c.event, 0), c.expected) << c.event;
    // The port-not-present text is the platform's; without one, the code.
    pcfg_sim::fail("syserr2str", 0);
    EXPECT_EQ(show(serdes(1, -0x4029000B), 16, 0), line("Enable", "Unknown (0x4029000b)"));
}

TEST_F(HistoryLogsTest, TimeColumnDropsTheWeekdayAndFollowsTheSecondsWord) {
    const Rec r = Rec(4);
    const hist_timestamp epoch{0, 0};
    const hist_timestamp late{0x7FFFFFFF, 123456789};
    EXPECT_EQ(show(r, 8, 0, &epoch), "Jan  1 00:00:00 1970  00000000  " + col("Enable TS Check", 44));
    EXPECT_EQ(show(r, 8, 0, &late), "Jan 19 03:14:07 2038  123456789  " + col("Enable TS Check", 44))
        << "the second word is at least eight digits wide";
}

TEST_F(HistoryLogsTest, PortNameFieldIsThirteenBytesWithATerminator) {
    const Rec r = Rec(8).u32(0, 0x02000001);
    EXPECT_EQ(show(r, 4, 0), kTime + "  0x02000001" + col("Offline", 20) + col("None", 20));
    const auto names = calls_named("snprintf_if_index_short");
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].args, (std::vector<int64_t>{1, 13, 0x02000001}));
}

}  // namespace
