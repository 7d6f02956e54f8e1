// Decoders of the manager's query and counter messages: average counters,
// clear port counters, SFP diagnostics, port capabilities, link status, one
// port counter, line-card port information and the port capability query.
#include <cstdio>

#include "decode/decode_common.h"
#include "support/fixture.h"
#include "support/logged_record.h"

using namespace pcfg_test;

namespace {

class DecodeQueryMsgsTest : public PcfgTest {};

uint32_t ifx(uint8_t port_index) { return pcfg_sim::if_index_of_port(port_index); }

TEST_F(DecodeQueryMsgsTest, CounterMessages) {
    check_samples({
        {"average counters", show_get_avg_counters_handler, 3119, kRequest,
         Be().u32(ifx(4)).u32(3), "     if_index:0x1004000 flags:0x3 port:4\n"},
        {"average counters, unknown port", show_get_avg_counters_handler, 3119, kRequest,
         Be().u32(kUnknownIfIndex).u32(0x80000000),
         "     if_index:0x5000000 flags:0x80000000\n"},
        {"clear: unknown index left out", show_clear_port_counters_handler, 409, kRequest,
         Be().u8(0).u8(3).u32(ifx(4)).u32(kUnknownIfIndex).u32(ifx(7)),
         "     Aggr:MAC_STAT_CNTR_TYPE_AGGR NoOfCntrs:3\n"
         "      if_index:0x1004000 port:4  if_index:0x1007000 port:7 \n"},
        {"clear: no indexes", show_clear_port_counters_handler, 409, kRequest, Be().u8(1).u8(0),
         "     Aggr:MAC_STAT_CNTR_TYPE_CURR NoOfCntrs:0\n     \n"},
        {"clear: more indexes promised than present", show_clear_port_counters_handler, 409,
         kRequest, Be().u8(7).u8(3).u32(ifx(4)).u16(0x0100),
         "     Aggr:UNKNOWN NoOfCntrs:3\n"
         "      if_index:0x1004000 port:4 \n"
         "     SYSERR_PM_INVALID_MTS_MESSAGE\n"},
        {"one port counter", show_get_one_port_counter_handler, 0, kRequest,
         Be().u8(1).u32(7).u32(ifx(4)),
         "     aggr:MAC_STAT_CNTR_TYPE_CURR if_index:1004000 port:4\n"},
        {"one port counter, unknown port", show_get_one_port_counter_handler, 0, kRequest,
         Be().u8(0).u32(1).u32(kUnknownIfIndex), ""},
    });
}

TEST_F(DecodeQueryMsgsTest, SinglePortQueries) {
    check_samples({
        {"SFP diagnostics: 7 spaces", show_get_sfp_diag_info_handler, 425, kRequest,
         Be().u32(ifx(4)), "       if_index:0x1004000\n"},
        {"port capabilities", show_get_port_capabilities_handler, 394, kRequest,
         Be().u16(0xffff).u32(ifx(4)), "     if_index:1004000 port:4\n"},
        {"port capabilities, unknown port", show_get_port_capabilities_handler, 394, kRequest,
         Be().u16(0).u32(kUnknownIfIndex), "     if_index:5000000\n"},
    });
}

// Link status lines for a status and a reason code.
std::string link_status_text(int status, const char *status_name, int reason,
                             const char *reason_name) {
    char buf[512];
    snprintf(buf, sizeof buf,
             "     port:4 num_ports:1 if_index:0x1004000\n"
             "     link_status_reason:%s (%d), speed:16000\n"
             "     link_status:%s (%d), port_mode_determined:0x2\n"
             "     oper_speed:16000, port_module_type:3, port_tx_type:4"
             "     flogi_needed:1, tl_port_init:0\n",
             reason_name, reason, status_name, status);
    return buf;
}

TEST_F(DecodeQueryMsgsTest, LinkStatusNamesAndTheirBoundaries) {
    struct Codes {
        int status;
        const char *status_name;
        int reason;
        const char *reason_name;
    };
    const std::vector<Codes> codes{
        {0, "LINK_STATUS_NONE", 0, "LINK_STATUS_REASON_NONE"},
        {1, "LINK_STATUS_SUCCESS", 36, "LINK_STATUS_REASON_LINK_RESET_SUCCESS"},
        {5, "LINK_STATUS_PMON_ERROR_DISABLE", 37, "LINK_STATUS_REASON_PORT_DISABLE"},
        {6, "LINK_STATUS_PMON_FLAPPORT", 38, "LINK_STATUS_REASON_LINK_RESET_FAILED"},
        {7, "UNKNOWN", 39, "UNKNOWN"},
        {255, "UNKNOWN", 255, "UNKNOWN"},
    };
    std::vector<DecodeSample> samples;
    for (const Codes &c : codes)
        samples.push_back({"link status", show_link_status_handler, 399, kRequest,
                           Be().u8(1).u32(ifx(4)).u8(c.status).u8(c.reason).u32(2).u32(16000)
                               .u8(3).u8(4).u8(1).u8(0),
                           link_status_text(c.status, c.status_name, c.reason, c.reason_name)});
    samples.push_back({"link status, unknown port", show_link_status_handler, 399, kRequest,
                       Be().u8(1).u32(kUnknownIfIndex).u8(1).u8(1).u32(2).u32(16000).u8(3)
                           .u8(4).u8(1).u8(0),
                       ""});
    check_samples(samples);
}

// A line-card element: type, 2 unread bytes, if_index, status, value.
Be element(uint16_t type, uint32_t if_index, uint32_t status, uint32_t value) {
    return Be().u16(type).u16(0xeeee).u32(if_index).u32(status).u32(value);
}

TEST_F(DecodeQueryMsgsTest, LineCardPortInformation) {
    check_samples({
        {"every element type", show_lcp_get_port_info_handler, 0, kReply,
         Be().u32(ifx(4)).u32(5)
             .raw(element(25, 0, 0, 0xffffffff)).raw(element(26, 0, 0, 32))
             .raw(element(34, ifx(7), 0, 120)).raw(element(38, 0, 1, 0))
             .raw(element(99, 0, 0xffffffff, 0)),
         "     if_index:0x1004000, port:4\n"
         "      TLV_TYPE_FC_PORT_TX_B2B_USAGE_INFO, Tx Credits avaialable: 4294967295\n"
         "       status:0\n"
         "      TLV_TYPE_FC_PORT_RX_B2B_USAGE_INFO, Rx credits available:32\n"
         "       status:0\n"
         "      TLV_TYPE_COMMON_BUF_POOL_DATA, if_index:0x1007000 buf_avail:120\n"
         "       status:0\n"
         "      TLV_TYPE_CFG_PORT_VSAN, NOP for tlv=0x26\n"
         "       status:1\n"
         "      SYSERR_PM_INVALID_CFG_TYPE, invalid cfg, tlv=0x63\n"
         "       status:-1\n"},
        {"negative count", show_lcp_get_port_info_handler, 0, kReply,
         Be().u32(ifx(4)).u32(0xffffffff).raw(element(25, 0, 0, 1)),
         "     if_index:0x1004000, port:4\n"},
        {"unknown port", show_lcp_get_port_info_handler, 0, kReply,
         Be().u32(kUnknownIfIndex).u32(1).raw(element(25, 0, 0, 1)), "     if_index:0x5000000\n"},
        {"more elements promised than present", show_lcp_get_port_info_handler, 0, kReply,
         Be().u32(ifx(4)).u32(3).raw(element(26, 0, 0, 2)).u32(0),
         "     if_index:0x1004000, port:4\n"
         "      TLV_TYPE_FC_PORT_RX_B2B_USAGE_INFO, Rx credits available:2\n"
         "       status:0\n"
         "      SYSERR_PM_INVALID_MTS_MESSAGE\n"},
    });
}

// A capability query with the first num_if ports and codes 1..num_tlv.
Be capability_query(uint16_t num_if, uint16_t num_tlv, uint16_t present_if,
                    uint16_t present_tlv) {
    Be p;
    p.u16(3).u16(num_if).u16(num_tlv).u16(0);
    for (uint16_t i = 0; i < present_if; ++i) p.u32(ifx(static_cast<uint8_t>(i)));
    for (uint16_t i = 1; i <= present_tlv; ++i) p.u16(i);
    return p;
}

TEST_F(DecodeQueryMsgsTest, PortCapabilityQueryRows) {
    const std::string head7 = "     mod_num:3 num_if:7 num_tlv:";
    const std::string row6 =
        "     0x01000000 0x01001000 0x01002000 0x01003000 0x01004000 0x01005000\n";
    check_samples({
        {"seven indexes, no codes", show_pcfg_query_port_capabilities_handler, 0, kRequest,
         capability_query(7, 0, 7, 0),
         head7 + "0\n     if_index list:\n" + row6 + "     0x01006000     tlv list:\n\n"},
        {"full rows", show_pcfg_query_port_capabilities_handler, 0, kRequest,
         capability_query(6, 10, 6, 10),
         "     mod_num:3 num_if:6 num_tlv:10\n     if_index list:\n" + row6 +
             "     tlv list:\n"
             "     0x01 0x02 0x03 0x04 0x05 0x06 0x07 0x08 0x09 0x0a\n\n"},
        {"twelve codes", show_pcfg_query_port_capabilities_handler, 0, kRequest,
         capability_query(1, 12, 1, 12),
         "     mod_num:3 num_if:1 num_tlv:12\n     if_index list:\n"
         "     0x01000000     tlv list:\n"
         "     0x01 0x02 0x03 0x04 0x05 0x06 0x07 0x08 0x09 0x0a\n"
         "     0x0b 0x0c\n"},
        {"56 indexes allowed", show_pcfg_query_port_capabilities_handler, 0, kRequest,
         capability_query(56, 0, 0, 0),
         "     mod_num:3 num_if:56 num_tlv:0\n     if_index list:\n"
         "     SYSERR_PM_INVALID_MTS_MESSAGE\n"},
        {"57 indexes refused", show_pcfg_query_port_capabilities_handler, 0, kRequest,
         capability_query(57, 0, 57, 0), "     PCFG_RSRC_ERR_MCQ_REQ_PARAM\n"},
        {"indexes missing", show_pcfg_query_port_capabilities_handler, 0, kRequest,
         capability_query(3, 1, 2, 0),
         "     mod_num:3 num_if:3 num_tlv:1\n     if_index list:\n"
         "     0x01000000 0x01001000\n     SYSERR_PM_INVALID_MTS_MESSAGE\n"},
        {"codes missing", show_pcfg_query_port_capabilities_handler, 0, kRequest,
         capability_query(0, 11, 0, 10),
         "     mod_num:3 num_if:0 num_tlv:11\n     if_index list:\n     tlv list:\n"
         "     0x01 0x02 0x03 0x04 0x05 0x06 0x07 0x08 0x09 0x0a\n"
         "     SYSERR_PM_INVALID_MTS_MESSAGE\n"},
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
