// The report and counter exchanges: what they send, how they wait, and
// every failure with its exact text and its cleanup.
#include "cli/exchange.h"
#include "support/fixture.h"

using namespace pcfg_test;
using pcfg_sim::calls_named;
using pcfg_sim::Reply;

namespace {

class ExchangeTest : public PcfgTest {};

std::vector<uint8_t> g_body;  // what the last printer was given
int g_printed = 0;

void record_body(std::span<const uint8_t> body) {
    g_body.assign(body.begin(), body.end());
    ++g_printed;
}

pcfg_rsp_view g_view;
std::vector<uint8_t> g_view_bytes;
int record_view(const pcfg_rsp_view *view) {
    g_view = *view;
    g_view_bytes.assign(view->payload, view->payload + view->size);
    ++g_printed;
    return 0;
}

const std::array<uint8_t, 9> kCntrReq{0, 0, 0, 0, 1, 0x01, 0x00, 0x40, 0x00};

struct Outcome {
    int rc;
    std::string text;
};

Outcome report(int type, int port) {
    g_printed = 0;
    Outcome r{};
    r.text = capture_stdout([&] { r.rc = pcfg_mts_send_rcv_cli_req(type, port, record_body); });
    return r;
}

Outcome counters() {
    g_printed = 0;
    Outcome r{};
    r.text = capture_stdout([&] { r.rc = pcfg_mts_send_rcv_port_cntr(kCntrReq.data(), record_view); });
    return r;
}

TEST_F(ExchangeTest, ReportExchangeSendsBindsWaitsAndReleasesInOrder) {
    pcfg_sim::script_reply({Reply::Kind::Answer, 0, bytes({9, 9, 9, 9, 9, 9, 9, 9, 1, 2, 3})});
    const Outcome r = report(0x104, 0x1FF);  // low 8 bits of each are sent
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.text, "");
    EXPECT_EQ(g_body, bytes({1, 2, 3})) << "the printer gets the body from payload byte 8";
    EXPECT_EQ(call_names(),
              (std::vector<std::string>{"mts_bind", "mts_send", "mts_recv", "mts_opc_get",
                                        "mts_payload_get", "mts_payload_size", "mts_drop",
                                        "mts_unbind"}));
    const auto bind = calls_named("mts_bind").at(0);
    EXPECT_EQ(bind.args, (std::vector<int64_t>{2, -1, 1, 1}));
    EXPECT_EQ(bind.words, (std::vector<uint32_t>{1, 0, 0x400, 0, 0, 0xf}));
    EXPECT_EQ(bind.text, "Port Cfg CLI");
    const auto send = calls_named("mts_send").at(0);
    // handle, node, SAP, opcode, payload, length, no sent record, 0, 0
    EXPECT_EQ(std::vector<int64_t>(send.args.begin() + 1, send.args.end()),
              (std::vector<int64_t>{0xfe000000, 902, 435, 1, 8, 0, 0, 0}));
    EXPECT_EQ(send.payload, bytes({4, 0xFF, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(calls_named("mts_recv").at(0).words,
              (std::vector<uint32_t>{1, 0, 3, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(calls_named("mts_unbind").at(0).args.at(1), 0);
}

TEST_F(ExchangeTest, ReportExchangeFailuresPrintOneMessageAndCleanUp) {
    struct Case {
        const char *name;
        void (*arrange)();
        const char *text;
        bool received;
    };
    const std::vector<Case> cases{
        {"bind", [] { pcfg_sim::fail("mts_bind", -1, 24); },
         "Failed to get mts queue handle for LC Config Mgr CLI: 24", false},
        {"send", [] { pcfg_sim::fail("mts_send", -1, 113); },
         "Failed to send request to LC Port Cfg: 113", false},
        {"timeout", [] { pcfg_sim::script_reply({Reply::Kind::Silence, 0, {}}); },
         "Timed out waiting for response from LC Port Cfg", false},
        {"recv error", [] { pcfg_sim::fail("mts_recv", -1, 5); },
         "Error receiving response from LC Port Cfg: 5", false},
        {"opcode", [] { pcfg_sim::script_reply({Reply::Kind::Answer, 3120, bytes({0, 0, 0, 0, 0, 0, 0, 0})}); },
         "Received invalid opcode (3120) waiting for responsefrom LC Port Cfg", true},
        {"null", [] { pcfg_sim::script_reply({Reply::Kind::NullPayload, 0, {}}); },
         "LC Port Cfg passed back NULL pointer", true},
        {"short", [] { pcfg_sim::script_reply({Reply::Kind::Answer, 0, bytes({1, 2, 3, 4, 5, 6, 7})}); },
         "LC Port Cfg passed back short payload (7 bytes)", true},
    };
    for (const Case &c : cases) {
        pcfg_sim::reset();
        c.arrange();
        const Outcome r = report(1, 0);
        EXPECT_EQ(r.rc, 1) << c.name;
        EXPECT_EQ(r.text, c.text) << c.name;
        EXPECT_EQ(g_printed, 0) << c.name;
        EXPECT_EQ(pcfg_sim::open_queues(), 0) << c.name;
        EXPECT_EQ(pcfg_sim::held_messages(), 0) << c.name;
        EXPECT_EQ(calls_named("mts_drop").size(), c.received ? 1u : 0u) << c.name;
        const bool bound = std::string(c.name) != "bind";
        EXPECT_EQ(calls_named("mts_unbind").size(), bound ? 1u : 0u) << c.name;
        if (c.received) {
            const auto names = call_names();
            EXPECT_EQ(names.at(names.size() - 2), "mts_drop") << "released before the close";
        }
    }
}

TEST_F(ExchangeTest, ReportExchangeWithANullPrinterSucceedsQuietly) {
    std::string text = capture_stdout([] { EXPECT_EQ(pcfg_mts_send_rcv_cli_req(1, 0, nullptr), 0); });
    EXPECT_EQ(text, "");
    EXPECT_EQ(calls_named("mts_drop").size(), 1u);
}

TEST_F(ExchangeTest, ReportWithAnEmptyBodyReachesThePrinter) {
    pcfg_sim::script_reply({Reply::Kind::Answer, 0, bytes({1, 0, 0, 0, 0, 0, 0, 0})});
    const Outcome r = report(1, 0);
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(g_printed, 1);
    EXPECT_TRUE(g_body.empty());
}

TEST_F(ExchangeTest, CounterExchangeSendsTheRequestUnchangedAndPassesTheWholeAnswer) {
    const auto answer = bytes({0, 0, 0, 0, 7, 7, 7, 7, 7});
    pcfg_sim::script_reply({Reply::Kind::Answer, 0, answer});
    const Outcome r = counters();
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.text, "");
    EXPECT_EQ(g_view_bytes, answer);
    EXPECT_EQ(g_view.size, answer.size());
    const auto send = calls_named("mts_send").at(0);
    EXPECT_EQ(send.args.at(3), 3120);
    EXPECT_EQ(send.args.at(5), 9);
    EXPECT_EQ(send.payload, std::vector<uint8_t>(kCntrReq.begin(), kCntrReq.end()));
    EXPECT_EQ(calls_named("mts_recv").at(0).words,
              (std::vector<uint32_t>{1, 0, 3, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(ExchangeTest, CounterExchangeFailuresPrintOneMessageAndCleanUp) {
    struct Case {
        void (*arrange)();
        const char *text;
    };
    const std::vector<Case> cases{
        {[] { pcfg_sim::fail("mts_bind", -1, 24); },
         "pcfg_mts_send_rcv_port_cntr:Failed to get mts queue handle for LC Config Mgr CLI: 24"},
        {[] { pcfg_sim::fail("mts_send", -1, 113); },
         "pcfg_mts_send_rcv_port_cntr:Failed to send request to LC Port Cfg: 113"},
        {[] { pcfg_sim::set_manager_silent(true); },
         "Timed out waiting for response from LC Port Cfg Mgr"},
        {[] { pcfg_sim::fail("mts_recv", -1, 4); },
         "Error receiving response from LC Port Cfg Mgr: 4"},
        {[] { pcfg_sim::script_reply({Reply::Kind::Answer, 435, bytes({0, 0, 0, 0})}); },
         "Received invalid opcode (435) waiting for responsefrom LC Port Cfg Mgr"},
        {[] { pcfg_sim::script_reply({Reply::Kind::NullPayload, 0, {}}); },
         "LC Port Cfg Mgr passed back NULL pointer"},
        {[] { pcfg_sim::script_reply({Reply::Kind::Answer, 0, bytes({0, 0, 0})}); },
         "LC Port Cfg Mgr passed back short payload (3 bytes)"},
        {[] { pcfg_sim::script_reply({Reply::Kind::Answer, 0, bytes({0, 0, 0, 0x10, 1, 2})}); },
         "pcfg_mts_send_rcv_port_cntr:Get port counter error, code = 10\n"},
        {[] { pcfg_sim::script_reply({Reply::Kind::Answer, 0, bytes({0xBF, 0xD6, 0xFF, 0xF5})}); },
         "pcfg_mts_send_rcv_port_cntr:Get port counter error, code = bfd6fff5\n"},
    };
    for (const Case &c : cases) {
        pcfg_sim::reset();
        c.arrange();
        const Outcome r = counters();
        EXPECT_EQ(r.rc, 1) << c.text;
        EXPECT_EQ(r.text, c.text);
        EXPECT_EQ(g_printed, 0) << c.text;
        EXPECT_EQ(pcfg_sim::open_queues(), 0) << c.text;
        EXPECT_EQ(pcfg_sim::held_messages(), 0) << c.text;
    }
}

TEST_F(ExchangeTest, TimeoutTextRunsOnIntoTheNextOutput) {
    pcfg_sim::set_manager_silent(true);
    Params p(10);
    Params invalid(3);
    EXPECT_EQ(run(p) + run(invalid), "Timed out waiting for response from LC Port CfgInvalid cmd_id = 0x3\n");
}

}  // namespace
