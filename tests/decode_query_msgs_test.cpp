// Decoders of the manager's query and counter messages: average counters,
// clear port counters, SFP diagnostics, port capabilities, link status, one
// port counter, line-card port information and the port capability query.
#include "decode/decode_common.h"
#include "support/fixture.h"
#include "support/logged_record.h"

using namespace pcfg_test;

namespace {

class DecodeQueryMsgsTest : public PcfgTest {};

uint32_t ifx(uint8_t port_index) { return pcfg_sim::if_index_of_port(port_index); }

TEST_F(DecodeQueryMsgsTest, CountersAndSinglePortQueries) {
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
TEST_F(DecodeQueryMsgsTest, LinkStatusNamesAndTheirBoundaries) {
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

TEST_F(DecodeQueryMsgsTest, LineCardPortInformationAndCapabilityQueryRows) {
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
TEST_F(DecodeQueryMsgsTest, PayloadShorterThanTheFixedPart) {
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
