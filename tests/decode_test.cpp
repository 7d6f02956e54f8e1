// Decoders of logged manager messages: the decoder table, its accessors and
// the dispatcher with its shared indent; the configuration messages (set port
// configuration, port counters, port control, RDL labels, FL port services);
// the query and counter messages (average counters, clear port counters, SFP
// diagnostics, port capabilities, link status, one port counter, line-card
// port information, the port capability query).
#include "support/library_units.h"
#include "support/fixture.h"
#include "support/golden.h"
#include "support/json_twin.h"
#include "support/logged_record.h"

using namespace pcfg_test;

namespace {

class DecodeTest : public PcfgTest {};

uint32_t ifx(uint8_t port_index) { return pcfg_sim::if_index_of_port(port_index); }

// What the dispatcher prints for the record, and its result; the JSON kept.
std::string dispatched(const std::vector<uint8_t> &rec) {
    const auto *msg = reinterpret_cast<const pcfg_logged_msg_t *>(rec.data());
    const std::string text = with_result([&] { return eventlog_port_cfg_cli(msg); });
    keep_json(text.substr(0, text.rfind("[rc ")), unlogged([&] { eventlog_port_cfg_cli_json(msg); }));
    return text;
}

// The table's rows in order and its accessors; which decoder each opcode
// reaches shows in the samples below, each run through the table too.
TEST_F(DecodeTest, TableRowsInOrderAndTheirLookup) {
    const uint32_t opcodes[] = {395, 398,  403, 421, 3120, 3119, 3187, 409,  513,  425,
                                397, 394,  399, 3134, 436, 442,  3144, 3146, 8188, 420};
    ASSERT_EQ(get_mts_filter_tbl_size(), 20);
    EXPECT_EQ(get_mts_filter_tbl_ptr(), &shm_mts_filter_tbl[0]);
    for (int i = 0; i < get_mts_filter_tbl_size(); ++i) {
        EXPECT_EQ(shm_mts_filter_tbl[i].opcode, opcodes[i]) << i;
        EXPECT_EQ(shm_mts_filter_tbl[i].reserved, 0u) << i;
        EXPECT_EQ(get_mts_filter_tbl_entry(shm_mts_filter_tbl[i].opcode), &shm_mts_filter_tbl[i]) << i;
    }
    for (uint32_t opcode : {0u, 435u, 396u, 0xffffffffu})
        EXPECT_EQ(get_mts_filter_tbl_entry(opcode), nullptr) << opcode;
}

TEST_F(DecodeTest, RecordsWithoutADecoderSilentDecodersAndBuginf) {
    EXPECT_EQ(with_result([] { return eventlog_port_cfg_cli(nullptr); }), "Unsupported MTS opc\n[rc -1]\n");
    for (uint32_t opcode : {435u, 0u, 8189u})
        EXPECT_EQ(dispatched(logged_record(opcode, kRequest, {1, 2, 3})), "Unsupported MTS opc\n[rc -1]\n")
            << opcode;
    for (uint32_t opcode : {3187u, 513u, 3134u, 436u, 442u, 3144u, 3146u, 8188u, 420u})
        EXPECT_EQ(dispatched(logged_record(opcode, kReply, {0, 1, 2, 3, 4})), "[rc 0]\n") << opcode;
    EXPECT_TRUE(pcfg_sim::calls().empty());
    for (uint32_t w : {0u, 1u, 0xdeadbeefu, 0xffffffffu})
        EXPECT_EQ(out([&] { EXPECT_EQ(pcfg_buginf_wrap(w), w); }), "");
}

// The dispatcher sets the indent to 5 spaces; a direct call keeps what the
// decoder before it left: 7 after SFP diagnostics, 6 after set port
// configuration, 7 after line-card port information.
TEST_F(DecodeTest, DispatchResetsTheIndentDirectCallsKeepIt) {
    const auto avg = logged_record(3119, kRequest, Bytes().u32(ifx(4)).u32(1));
    const auto direct = [&] { return decode(show_get_avg_counters_handler, avg); };
    Transcript t;
    t.add("SFP diagnostics dispatched", dispatched(logged_record(425, kRequest, Bytes().u32(ifx(4)))));
    t.add("average counters, direct", direct()).add("average counters, dispatched", dispatched(avg));
    dispatched(logged_record(395, kRequest, Bytes().u8(0).u8(1).u32(ifx(4)).u8(0)));
    t.add("direct, after set port configuration", direct());
    decode(show_lcp_get_port_info_handler,
           logged_record(0, kReply, Bytes().u32(ifx(4)).u32(1).u16(26).u16(0).u32(0).u32(0).u32(3)));
    t.add("direct, after line-card port information", direct());
    expect_golden("decode/indent", t.str());
}

using Tlvs = std::vector<std::pair<uint8_t, std::vector<uint8_t>>>;

// Every configuration type with a line of its own, then types without one.
const Tlvs kEveryType{
    {1, {1}}, {2, {0, 0, 0, 2}}, {3, {0, 0, 0x3e, 0x80}}, {7, {1, 4}}, {8, {0, 0, 0, 100}},
    {9, {0x20, 0, 0, 0x25, 0xb5, 1, 2, 3}}, {10, {0, 1, 2, 3}}, {11, {2}}, {12, {2}}, {13, {1}},
    {14, {0, 0, 0, 0x10}}, {15, {8, 0x40}}, {16, {0x10, 0, 0, 0x0d, 0xec, 0xaa, 0xbb, 0xcc}},
    {18, {}}, {19, {}}, {22, {5}}, {25, {0, 0, 0, 0x20}}, {26, {0, 0, 0, 8}}, {27, {0, 0, 0, 1}},
    {28, {0, 0, 0, 4}}, {35, {14}}, {37, {0, 0, 1, 0}}, {38, {10}}, {43, {0, 0, 0, 0x40}},
    {44, {1}}, {45, {0, 0, 0, 1}}, {49, {0, 0, 0, 7}}, {99, {0, 0, 3, 0xe8}},
    {100, {0, 0, 7, 0xd0}}, {101, {1, 0xff, 0xff, 0xff, 0, 0, 1, 0xf4}},
    {102, {0, 0, 0, 0, 0, 0, 0, 0x64}}, {147, {3}}, {150, {1}}, {160, {2}}, {161, {0, 0, 0, 3}},
    {175, {0, 0, 0, 2}},
    {0, {}}, {4, {0}}, {5, {}}, {6, {'a', 'b'}}, {17, {}}, {20, {}}, {21, {}}, {23, {}},
    {24, {}}, {41, {0, 0, 0, 0x10}}, {176, {}}, {200, {1, 2, 3}},
};

// Values shorter than their type's width (and one longer: its first 4 bytes).
const Tlvs kShortValues{
    {175, {1}},  // as the FEC command sends it
    {2, {5}}, {3, {0x1f, 0x40}}, {10, {}}, {8, {0, 0, 0, 100, 0xff, 0xff}}, {9, {0xaa, 0xbb, 0xcc}},
    {101, {1, 0, 0, 0, 0x12, 0x34}}, {102, {}},
};

// A request for port index 4 holding the TLVs.
DecodeSample one_port_request(const char *name, const Tlvs &tlvs) {
    Bytes p;
    p.u8(0).u8(1).u32(ifx(4)).u8(static_cast<uint32_t>(tlvs.size()));
    for (const auto &[type, value] : tlvs) p.u8(type).u8(static_cast<uint32_t>(value.size())).raw(value);
    return {name, show_set_port_cfg_handler, 395, kRequest, p};
}

TEST_F(DecodeTest, SetPortConfiguration) {
    const auto set_cfg = show_set_port_cfg_handler;
    check_samples("decode/manager_set_port_cfg", {
        one_port_request("every configuration type", kEveryType),
        one_port_request("short values", kShortValues),
        {"three ports: known, unknown with no TLVs, the last port", set_cfg, 395, kRequest,
         Bytes().u8(1).u8(3)
             .u32(ifx(0)).u8(1).u8(12).u8(1).u8(1)
             .u32(kUnknownIfIndex).u8(0)
             .u32(ifx(47)).u8(2).u8(3).u8(4).u32(8000)
             .u8(9).u8(8).raw({0x21, 0, 0, 0x24, 0xff, 0x4c, 0x5a, 0x6b})},
        {"no ports", set_cfg, 395, kRequest, Bytes().u8(0).u8(0)},
        {"reply: entry positions, not port numbers", set_cfg, 395, kReply,
         Bytes().u8(0).u8(2).u32(ifx(4)).u32(0).u32(kUnknownIfIndex).u32(0x405)},
        {"kind 0 reads as a reply", set_cfg, 395, 0, Bytes().u8(0).u8(1).u32(ifx(1)).u32(0xffffffff)},
        {"reply promising more entries than it holds", set_cfg, 395, kReply,
         Bytes().u8(0).u8(3).u32(ifx(2)).u32(0).u32(ifx(3)).u32(0).u32(ifx(4))},
        {"a TLV running past the end", set_cfg, 395, kRequest,
         Bytes().u8(0).u8(1).u32(ifx(4)).u8(2).u8(1).u8(1).u8(1).u8(2).u8(4).u16(0)},
        {"more TLVs promised than present", set_cfg, 395, kRequest,
         Bytes().u8(0).u8(2).u32(ifx(4)).u8(3).u8(18).u8(0).u8(13).u8(1).u8(2)},
        {"a record ending inside a port entry", set_cfg, 395, kRequest,
         Bytes().u8(0).u8(2).u32(ifx(4)).u8(0).u32(ifx(5))},
        {"too short for its header", set_cfg, 395, kRequest, Bytes().u8(0)},
    });
}

// Every counter set and class code, with those either side of the names.
TEST_F(DecodeTest, PortCounters) {
    std::vector<DecodeSample> samples;
    for (uint8_t aggr : {0, 1, 2})
        for (uint32_t type : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 0xffffffffu})
            samples.push_back({"set " + std::to_string(aggr) + ", class " + std::to_string(type),
                               show_get_port_counters_handler, 3120, kRequest,
                               Bytes().u8(aggr).u32(type).u32(ifx(4))});
    samples.push_back({"unknown port", show_get_port_counters_handler, 3120, kRequest,
                       Bytes().u8(0).u32(1).u32(kUnknownIfIndex)});
    check_samples("decode/manager_port_counters", samples);
}

TEST_F(DecodeTest, PortControlLabelsAndFlPortServices) {
    check_samples("decode/manager_control_labels_fl", {
        {"offline", show_control_handler, 398, kRequest, Bytes().u8(9).u32(ifx(4)).u8(4)},
        {"reset, unknown port", show_control_handler, 398, kRequest,
         Bytes().u8(0).u32(kUnknownIfIndex).u8(5)},
        {"offline blocked", show_control_handler, 398, kRequest, Bytes().u8(0).u32(ifx(47)).u8(6)},
        {"action 7", show_control_handler, 398, kRequest, Bytes().u8(0).u32(ifx(4)).u8(7)},
        {"action 3, unknown port", show_control_handler, 398, kRequest,
         Bytes().u8(0).u32(kUnknownIfIndex).u8(3)},
        {"RDL label", show_set_rdl_label_handler, 403, kRequest,
         Bytes().u8(3).u8(0x11).u8(0x22).u8(0x33).u8(0x44)},
        {"version-2 RDL label", show_set_ver2_rdl_label_handler, 421, kRequest,
         Bytes().u8(2).u8(0x15).u8(1).u8(0xee).raw({0x20, 0, 0, 0x0d, 0xec, 1, 2, 3}).u32(0x01000000)},
        {"FL port services", show_fl_port_services_handler, 397, kRequest,
         Bytes().u8(1).u32(ifx(4)).u16(100).u32(0x1234).u32(0xffff).raw({0, 1, 2, 3})
             .raw({0, 0x0a, 0x0b, 0x0c})},
    });
}

TEST_F(DecodeTest, PrintWwnAndConfigurationTypeNames) {
    const uint8_t wwn[8] = {0x20, 0x01, 0x00, 0x0d, 0xec, 0xff, 0x80, 0x7f};
    EXPECT_EQ(out([&] { print_wwn(wwn); }), "20 01 00 0d ec ff 80 7f\n") << "8 bytes, no indent";
    EXPECT_EQ(out([] { print_wwn(nullptr); }), "");
    const std::vector<int> unnamed{0, 5, 24};
    for (int t = 0; t < PCFG_CFG_TYPE_NAMES_COUNT; ++t)
        EXPECT_EQ(tlv_cfg_type_names[t] == nullptr,
                  std::find(unnamed.begin(), unnamed.end(), t) != unnamed.end())
            << t;
    EXPECT_STREQ(tlv_cfg_type_names[12], "Port Enable");
    EXPECT_STREQ(tlv_cfg_type_names[28], "Port Rx B2B Multiplier");
}

TEST_F(DecodeTest, CountersAndSinglePortQueries) {
    check_samples("decode/query_counters_and_ports", {
        {"average counters", show_get_avg_counters_handler, 3119, kRequest, Bytes().u32(ifx(4)).u32(3)},
        {"average counters, unknown port", show_get_avg_counters_handler, 3119, kRequest,
         Bytes().u32(kUnknownIfIndex).u32(0x80000000)},
        {"clear: unknown index left out", show_clear_port_counters_handler, 409, kRequest,
         Bytes().u8(0).u8(3).u32(ifx(4)).u32(kUnknownIfIndex).u32(ifx(7))},
        {"clear: no indexes", show_clear_port_counters_handler, 409, kRequest, Bytes().u8(1).u8(0)},
        {"clear: more indexes promised than present", show_clear_port_counters_handler, 409,
         kRequest, Bytes().u8(7).u8(3).u32(ifx(4)).u16(0x0100)},
        {"one port counter", show_get_one_port_counter_handler, 0, kRequest,
         Bytes().u8(1).u32(7).u32(ifx(4))},
        {"one port counter, unknown port", show_get_one_port_counter_handler, 0, kRequest,
         Bytes().u8(0).u32(1).u32(kUnknownIfIndex)},
        {"SFP diagnostics: 7 spaces", show_get_sfp_diag_info_handler, 425, kRequest, Bytes().u32(ifx(4))},
        {"port capabilities", show_get_port_capabilities_handler, 394, kRequest,
         Bytes().u16(0xffff).u32(ifx(4))},
        {"port capabilities, unknown port", show_get_port_capabilities_handler, 394, kRequest,
         Bytes().u16(0).u32(kUnknownIfIndex)},
    });
}

// Status and reason names with the codes either side of each table's end.
TEST_F(DecodeTest, LinkStatusNamesAndTheirBoundaries) {
    const std::vector<std::pair<int, int>> codes{{0, 0}, {1, 36}, {5, 37}, {6, 38}, {7, 39}, {255, 255}};
    std::vector<DecodeSample> samples;
    for (auto [status, reason] : codes)
        samples.push_back({"status " + std::to_string(status) + ", reason " + std::to_string(reason),
                           show_link_status_handler, 399, kRequest,
                           Bytes().u8(1).u32(ifx(4)).u8(status).u8(reason).u32(2).u32(16000)
                               .u8(3).u8(4).u8(1).u8(0)});
    samples.push_back({"unknown port", show_link_status_handler, 399, kRequest,
                       Bytes().u8(1).u32(kUnknownIfIndex).u8(1).u8(1).u32(2).u32(16000).u8(3)
                           .u8(4).u8(1).u8(0)});
    check_samples("decode/query_link_status", samples);
}

// A line-card element: type, 2 unread bytes, if_index, status, value.
Bytes element(uint16_t type, uint32_t if_index, uint32_t status, uint32_t value) {
    return Bytes().u16(type).u16(0xeeee).u32(if_index).u32(status).u32(value);
}

// A capability query with the first num_if ports and codes 1..num_tlv.
Bytes capability_query(uint16_t num_if, uint16_t num_tlv, uint16_t present_if,
                    uint16_t present_tlv) {
    Bytes p;
    p.u16(3).u16(num_if).u16(num_tlv).u16(0);
    for (uint16_t i = 0; i < present_if; ++i) p.u32(ifx(static_cast<uint8_t>(i)));
    for (uint16_t i = 1; i <= present_tlv; ++i) p.u16(i);
    return p;
}

TEST_F(DecodeTest, LineCardPortInformationAndCapabilityQueryRows) {
    const auto info = show_lcp_get_port_info_handler;
    const auto query = show_pcfg_query_port_capabilities_handler;
    check_samples("decode/query_port_info_and_capabilities", {
        {"every element type", info, 0, kReply,
         Bytes().u32(ifx(4)).u32(5)
             .raw(element(25, 0, 0, 0xffffffff)).raw(element(26, 0, 0, 32))
             .raw(element(34, ifx(7), 0, 120)).raw(element(38, 0, 1, 0))
             .raw(element(99, 0, 0xffffffff, 0))},
        {"negative count", info, 0, kReply,
         Bytes().u32(ifx(4)).u32(0xffffffff).raw(element(25, 0, 0, 1))},
        {"unknown port", info, 0, kReply,
         Bytes().u32(kUnknownIfIndex).u32(1).raw(element(25, 0, 0, 1))},
        {"more elements promised than present", info, 0, kReply,
         Bytes().u32(ifx(4)).u32(3).raw(element(26, 0, 0, 2)).u32(0)},
        {"seven indexes, no codes", query, 0, kRequest, capability_query(7, 0, 7, 0)},
        {"full rows", query, 0, kRequest, capability_query(6, 10, 6, 10)},
        {"twelve codes", query, 0, kRequest, capability_query(1, 12, 1, 12)},
        {"56 indexes allowed", query, 0, kRequest, capability_query(56, 0, 0, 0)},
        {"57 indexes refused", query, 0, kRequest, capability_query(57, 0, 57, 0)},
        {"indexes missing", query, 0, kRequest, capability_query(3, 1, 2, 0)},
        {"codes missing", query, 0, kRequest, capability_query(0, 11, 0, 10)},
    });
}

// A payload one byte short of a decoder's fixed part prints the one line.
TEST_F(DecodeTest, PayloadShorterThanTheFixedPart) {
    const std::vector<std::pair<pcfg_decoder_fn, size_t>> fixed{
        {show_set_port_cfg_handler, 2},        {show_get_port_counters_handler, 9},
        {show_control_handler, 6},             {show_set_rdl_label_handler, 5},
        {show_set_ver2_rdl_label_handler, 16}, {show_fl_port_services_handler, 23},
        {show_get_avg_counters_handler, 8},    {show_clear_port_counters_handler, 2},
        {show_get_sfp_diag_info_handler, 4},   {show_get_port_capabilities_handler, 6},
        {show_link_status_handler, 19},        {show_get_one_port_counter_handler, 9},
        {show_lcp_get_port_info_handler, 8},   {show_pcfg_query_port_capabilities_handler, 8},
    };
    for (auto [decoder, size] : fixed) {
        const auto rec = logged_record(0, kRequest, std::vector<uint8_t>(size - 1, 0));
        pcfg::decode::set_indent(5);
        EXPECT_EQ(decode(decoder, rec), "     SYSERR_PM_INVALID_ARG\n") << size;
        EXPECT_EQ(decode_cut(decoder, rec, 20), "     SYSERR_PM_INVALID_ARG\n")
            << "a length below 48 is an empty payload";
        EXPECT_EQ(out([&] { decoder(nullptr); }), "     SYSERR_PM_INVALID_ARG\n")
            << "no record reads as an empty one";
    }
}

}  // namespace
