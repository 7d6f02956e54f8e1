// The report and counter exchanges: what they send, how they wait, what
// reaches the printer.
#include "support/library_units.h"
#include "support/fixture.h"
#include "support/golden.h"

using namespace pcfg_test;
using pcfg_sim::Reply;

namespace {

class ExchangeTest : public PcfgTest {};

std::vector<uint8_t> g_body;  // what the last printer was given
int g_printed = 0;

void record_body(std::span<const uint8_t> body, Writer &) {
    g_body.assign(body.begin(), body.end());
    ++g_printed;
}

std::vector<uint8_t> g_view_bytes;  // the payload the last view showed
int record_view(const pcfg_rsp_view *view, Writer &) {
    g_view_bytes.assign(view->payload, view->payload + view->size);
    ++g_printed;
    return 0;
}

const std::array<uint8_t, 9> kCntrReq{0, 0, 0, 0, 1, 0x01, 0x00, 0x40, 0x00};

std::string report(int type, int port, pcfg_body_printer printer = record_body) {
    g_printed = 0;
    return with_result([&] { return pcfg_mts_send_rcv_cli_req(type, port, printer); });
}

std::string counters() {
    g_printed = 0;
    return with_result([] { return pcfg_mts_send_rcv_port_cntr(kCntrReq.data(), record_view); });
}

void answer(uint32_t opcode, std::initializer_list<int> payload) {
    pcfg_sim::script_reply({Reply::Kind::Answer, opcode, bytes(payload)});
}

// Bind, send (the low 8 bits of type and port), receive, release in order;
// the printer gets the body from payload byte 8.
TEST_F(ExchangeTest, ReportExchangeSendsBindsWaitsAndReleasesInOrder) {
    answer(0, {9, 9, 9, 9, 9, 9, 9, 9, 1, 2, 3});
    EXPECT_EQ(report(0x104, 0x1FF), "[rc 0]\n");
    EXPECT_EQ(g_body, bytes({1, 2, 3}));
    expect_golden("cli/exchange_report_calls", calls_text());
    // A null printer: the answer is taken and released quietly.
    pcfg_sim::clear_calls();
    EXPECT_EQ(report(1, 0, nullptr), "[rc 0]\n");
    EXPECT_EQ(pcfg_sim::calls_named("mts_drop").size(), 1u);
    // An empty body still reaches the printer.
    answer(0, {1, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(report(1, 0), "[rc 0]\n");
    EXPECT_EQ(g_printed, 1);
    EXPECT_TRUE(g_body.empty());
}

TEST_F(ExchangeTest, CounterExchangeSendsTheRequestUnchangedAndPassesTheWholeAnswer) {
    const auto whole = bytes({0, 0, 0, 0, 7, 7, 7, 7, 7});
    pcfg_sim::script_reply({Reply::Kind::Answer, 0, whole});
    EXPECT_EQ(counters(), "[rc 0]\n");
    EXPECT_EQ(g_view_bytes, whole);
    expect_golden("cli/exchange_counter_calls", calls_text());
    // A null printer: the answer is taken and released quietly.
    pcfg_sim::clear_calls();
    EXPECT_EQ(with_result([] { return pcfg_mts_send_rcv_port_cntr(kCntrReq.data(), nullptr); }),
              "[rc 0]\n");
    EXPECT_EQ(pcfg_sim::calls_named("mts_drop").size(), 1u);
}

// A failure status in the answer: one line, no printer (every failure of
// the exchange itself is in the fault sweep's transcripts).
TEST_F(ExchangeTest, CounterAnswerWithAFailureStatus) {
    for (const auto &[payload, shown] :
         {std::pair{bytes({0, 0, 0, 0x10, 1, 2}), "10"}, {bytes({0xBF, 0xD6, 0xFF, 0xF5}), "bfd6fff5"}}) {
        pcfg_sim::script_reply({Reply::Kind::Answer, 0, payload});
        EXPECT_EQ(counters(), "pcfg_mts_send_rcv_port_cntr:Get port counter error, code = " +
                                  std::string(shown) + "\n[rc 1]\n");
        EXPECT_EQ(g_printed, 0);
    }
}

}  // namespace
