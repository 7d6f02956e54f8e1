// Decoders of the manager's configuration messages: set port configuration,
// port counters, port control, RDL labels and FL port services.
#include <numeric>

#include "support/fixture.h"
#include "support/logged_record.h"

using namespace pcfg_test;

namespace {

class DecodeManagerMsgsTest : public PcfgTest {};

uint32_t ifx(uint8_t port_index) { return pcfg_sim::if_index_of_port(port_index); }

struct TlvLine {
    uint8_t type;
    std::vector<uint8_t> value;
    const char *line;  // after the 6-space indent
};

// Every configuration type with a line of its own, then types without one.
const std::vector<TlvLine> kEveryType{
    {1, {1}, "CFG_TYPE_ADMIN_PORT_STATE, port_state:1\n"},
    {2, {0, 0, 0, 2}, "CFG_TYPE_ADMIN_PORT_MODE, mode:2\n"},
    {3, {0, 0, 0x3e, 0x80}, "CFG_TYPE_ADMIN_PORT_SPEED, speed:16000\n"},
    {7, {1, 4}, "CFG_TYPE_PHYSICAL_PORT_INDEX, phy_port_idx:260\n"},
    {8, {0, 0, 0, 100}, "CFG_TYPE_PORT_VSAN, vsan_id:100\n"},
    {9, {0x20, 0, 0, 0x25, 0xb5, 1, 2, 3}, "CFG_TYPE_PORT_WWN, 20 00 00 25 b5 01 02 03\n"},
    {10, {0, 1, 2, 3}, "CFG_TYPE_PORT_FCID, id:0x00010203\n"},
    {11, {2}, "CFG_TYPE_PORT_PARTICIPATING_MODE, mode:2\n"},
    {12, {2}, "CFG_TYPE_PORT_ENABLE_STATE, state:2\n"},
    {13, {1}, "CFG_TYPE_PORT_TRUNKING_MODE, mode:1\n"},
    {14, {0, 0, 0, 0x10}, "CFG_TYPE_TX_B2B_CREDIT 0x      10\n"},
    {15, {8, 0x40}, "CFG_TYPE_B2B_RX_DATA_FLD_SIZE, 0x00000840\n"},
    {16, {0x10, 0, 0, 0x0d, 0xec, 0xaa, 0xbb, 0xcc},
     "CFG_TYPE_FABRIC_NAME, 10 00 00 0d ec aa bb cc\n"},
    {18, {}, "CFG_TYPE_ADMIN_PORT_CREATED \n"},
    {19, {}, "CFG_TYPE_ADMIN_PORT_DELETED \n"},
    {22, {5}, "CFG_TYPE_PORT_ENCAP \n"},
    {25, {0, 0, 0, 0x20}, "CFG_TYPE_RX_B2B_CREDIT 0x00000020\n"},
    {26, {0, 0, 0, 8}, "CFG_TYPE_F_PORT_TX_B2B_CREDIT 0x00000008\n"},
    {27, {0, 0, 0, 1}, "CFG_TYPE_OPERATIONAL_PORT_MODE, mode:1\n"},
    {28, {0, 0, 0, 4}, "CFG_TYPE_RX_B2B_CREDIT_MULTIPLIER 0x00000004\n"},
    {35, {14}, "CFG_TYPE_PORT_BB_SCN, value:14\n"},
    {37, {0, 0, 1, 0}, "CFG_TYPE_RX_B2B_PERFORMANCE_BUFFERS 0x00000100\n"},
    {38, {10}, "CFG_TYPE_PORT_INGRESS_RATE, rate:0xa\n"},
    {43, {0, 0, 0, 0x40}, "CFG_TYPE_F_PORT_NEW_TX_B2B_CREDIT, 0x00000040\n"},
    {44, {1}, "CFG_TYPE_PORT_RATE_MODE, rate_mode=0x1\n"},
    {45, {0, 0, 0, 1}, "CFG_TYPE_PORT_OUT_OF_SERVICE, service state:0x1\n"},
    {49, {0, 0, 0, 7}, "CFG_TYPE_PORT_EPORT_PATH_INDEX_MAP, port_register :7   \n"},
    {99, {0, 0, 3, 0xe8}, "CFG_TYPE_PORT_MODE_F_PKT_TIMEOUT 0x000003e8\n"},
    {100, {0, 0, 7, 0xd0}, "CFG_TYPE_PORT_MODE_E_PKT_TIMEOUT 0x000007d0\n"},
    {101, {1, 0xff, 0xff, 0xff, 0, 0, 1, 0xf4},
     "CFG_TYPE_PORT_MODE_F_PKT_FORCE_TIMEOUT en=1 timeout = 0x000001f4\n"},
    {102, {0, 0, 0, 0, 0, 0, 0, 0x64},
     "CFG_TYPE_PORT_MODE_E_PKT_FORCE_TIMEOUT en=0 timeout = 0x00000064\n"},
    {147, {3}, "CFG_TYPE_PORT_SPEED_GROUP, mode:3\n"},
    {150, {1}, "CFG_TYPE_TX_CREDIT_QUEUE_TYPE, q_mode:1\n"},
    {160, {2}, "CFG_TYPE_PORT_XCVR_FREQ, freq_type:2\n"},
    {161, {0, 0, 0, 3}, "CFG_TYPE_PORT_IFG_FILL_WORD_8G, fillword:3\n"},
    {175, {0, 0, 0, 2}, "CFG_TYPE_PORT_FEC_STATE, fec_state:2\n"},
    {0, {}, "invalid cfg,tlv=0x0 CFG_TYPE_PORT_SPEED_GROUP:147\n"},
    {4, {0}, "invalid cfg,tlv=0x4 CFG_TYPE_PORT_SPEED_GROUP:147\n"},
    {5, {}, "invalid cfg,tlv=0x5 CFG_TYPE_PORT_SPEED_GROUP:147\n"},
    {6, {'a', 'b'}, "invalid cfg,tlv=0x6 CFG_TYPE_PORT_SPEED_GROUP:147\n"},
    {17, {}, "invalid cfg,tlv=0x11 CFG_TYPE_PORT_SPEED_GROUP:147\n"},
    {20, {}, "invalid cfg,tlv=0x14 CFG_TYPE_PORT_SPEED_GROUP:147\n"},
    {21, {}, "invalid cfg,tlv=0x15 CFG_TYPE_PORT_SPEED_GROUP:147\n"},
    {23, {}, "invalid cfg,tlv=0x17 CFG_TYPE_PORT_SPEED_GROUP:147\n"},
    {24, {}, "invalid cfg,tlv=0x18 CFG_TYPE_PORT_SPEED_GROUP:147\n"},
    {41, {0, 0, 0, 0x10}, "invalid cfg,tlv=0x29 CFG_TYPE_PORT_SPEED_GROUP:147\n"},
    {176, {}, "invalid cfg,tlv=0xb0 CFG_TYPE_PORT_SPEED_GROUP:147\n"},
    {200, {1, 2, 3}, "invalid cfg,tlv=0xc8 CFG_TYPE_PORT_SPEED_GROUP:147\n"},
};

// Values shorter than their type's width.
const std::vector<TlvLine> kShortValues{
    {175, {1}, "CFG_TYPE_PORT_FEC_STATE, fec_state:1\n"},  // as the FEC command sends it
    {2, {5}, "CFG_TYPE_ADMIN_PORT_MODE, mode:5\n"},
    {3, {0x1f, 0x40}, "CFG_TYPE_ADMIN_PORT_SPEED, speed:8000\n"},
    {10, {}, "CFG_TYPE_PORT_FCID, id:0x00000000\n"},
    {8, {0, 0, 0, 100, 0xff, 0xff}, "CFG_TYPE_PORT_VSAN, vsan_id:100\n"},  // longer: first 4
    {9, {0xaa, 0xbb, 0xcc}, "CFG_TYPE_PORT_WWN, aa bb cc 00 00 00 00 00\n"},
    {101, {1, 0, 0, 0, 0x12, 0x34},
     "CFG_TYPE_PORT_MODE_F_PKT_FORCE_TIMEOUT en=1 timeout = 0x12340000\n"},
    {102, {}, "CFG_TYPE_PORT_MODE_E_PKT_FORCE_TIMEOUT en=0 timeout = 0x00000000\n"},
};

// A request for port index 4 holding the TLVs, and its decode.
DecodeSample one_port_request(const char *name, const std::vector<TlvLine> &tlvs) {
    Be p;
    p.u8(0).u8(1).u32(ifx(4)).u8(static_cast<uint32_t>(tlvs.size()));
    std::string lines;
    for (const TlvLine &t : tlvs) {
        p.u8(t.type).u8(static_cast<uint32_t>(t.value.size())).raw(t.value);
        lines += std::string("      ") + t.line;
    }
    const std::string head = "     fsm_flag: 0, num_ports:1 port_cfg_payload_sz:" +
                             std::to_string(p.size() - 2) + "\n" +
                             "     port:5, if_index:1004000 num_cfg:" +
                             std::to_string(tlvs.size()) + "\n";
    return {name, show_set_port_cfg_handler, 395, kRequest, p, head + lines};
}

TEST_F(DecodeManagerMsgsTest, SetPortConfiguration) {
    check_samples({
        one_port_request("every configuration type", kEveryType),
        one_port_request("short values", kShortValues),
        {"three ports: known, unknown with no TLVs, the last port", show_set_port_cfg_handler,
         395, kRequest,
         Be().u8(1).u8(3)
             .u32(ifx(0)).u8(1).u8(12).u8(1).u8(1)
             .u32(kUnknownIfIndex).u8(0)
             .u32(ifx(47)).u8(2).u8(3).u8(4).u32(8000)
             .u8(9).u8(8).raw({0x21, 0, 0, 0x24, 0xff, 0x4c, 0x5a, 0x6b}),
         "     fsm_flag: 1, num_ports:3 port_cfg_payload_sz:34\n"
         "     port:1, if_index:1000000 num_cfg:1\n"
         "      CFG_TYPE_PORT_ENABLE_STATE, state:1\n"
         "\n"
         "     port:UNKNOWN, if_index:5000000 num_cfg:0\n"
         "\n"
         "     port:48, if_index:102f000 num_cfg:2\n"
         "      CFG_TYPE_ADMIN_PORT_SPEED, speed:8000\n"
         "      CFG_TYPE_PORT_WWN, 21 00 00 24 ff 4c 5a 6b\n"},
        {"no ports", show_set_port_cfg_handler, 395, kRequest, Be().u8(0).u8(0),
         "     fsm_flag: 0, num_ports:0 port_cfg_payload_sz:0\n"},
        {"reply: entry positions, not port numbers", show_set_port_cfg_handler, 395, kReply,
         Be().u8(0).u8(2).u32(ifx(4)).u32(0).u32(kUnknownIfIndex).u32(0x405),
         "     fsm_flag: 0, num_ports:2 port_cfg_payload_sz:16\n"
         "     port:0 if_index:1004000 status:0 \n"
         "     port:1 if_index:5000000 status:1029 \n"},
        {"kind 0 reads as a reply", show_set_port_cfg_handler, 395, 0,
         Be().u8(0).u8(1).u32(ifx(1)).u32(0xffffffff),
         "     fsm_flag: 0, num_ports:1 port_cfg_payload_sz:8\n"
         "     port:0 if_index:1001000 status:-1 \n"},
        {"reply promising more entries than it holds", show_set_port_cfg_handler, 395, kReply,
         Be().u8(0).u8(3).u32(ifx(2)).u32(0).u32(ifx(3)).u32(0).u32(ifx(4)),
         "     fsm_flag: 0, num_ports:3 port_cfg_payload_sz:20\n"
         "     port:0 if_index:1002000 status:0 \n"
         "     port:1 if_index:1003000 status:0 \n"
         "     SYSERR_PM_INVALID_MTS_MESSAGE\n"},
        {"a TLV running past the end", show_set_port_cfg_handler, 395, kRequest,
         Be().u8(0).u8(1).u32(ifx(4)).u8(2).u8(1).u8(1).u8(1).u8(2).u8(4).u16(0),
         "     fsm_flag: 0, num_ports:1 port_cfg_payload_sz:12\n"
         "     port:5, if_index:1004000 num_cfg:2\n"
         "      CFG_TYPE_ADMIN_PORT_STATE, port_state:1\n"
         "****No space left in request\n"
         "      SYSERR_PM_INVALID_MTS_MESSAGE\n"},
        {"more TLVs promised than present", show_set_port_cfg_handler, 395, kRequest,
         Be().u8(0).u8(2).u32(ifx(4)).u8(3).u8(18).u8(0).u8(13).u8(1).u8(2),
         "     fsm_flag: 0, num_ports:2 port_cfg_payload_sz:10\n"
         "     port:5, if_index:1004000 num_cfg:3\n"
         "      CFG_TYPE_ADMIN_PORT_CREATED \n"
         "      CFG_TYPE_PORT_TRUNKING_MODE, mode:2\n"
         "****No space left in request\n"
         "      SYSERR_PM_INVALID_MTS_MESSAGE\n"},
        {"a record ending inside a port entry", show_set_port_cfg_handler, 395, kRequest,
         Be().u8(0).u8(2).u32(ifx(4)).u8(0).u32(ifx(5)),
         "     fsm_flag: 0, num_ports:2 port_cfg_payload_sz:9\n"
         "     port:5, if_index:1004000 num_cfg:0\n"},
        {"too short for its header", show_set_port_cfg_handler, 395, kRequest, Be().u8(0),
         "     SYSERR_PM_INVALID_ARG\n"},
    });
}

TEST_F(DecodeManagerMsgsTest, PortCounters) {
    const std::vector<std::pair<uint32_t, const char *>> classes{
        {0, "SYSERR_PM_INVALID_ARG"},   {1, "MAC_STAT_CNTR_TYPE_ALL"},
        {2, "MAC_STAT_CNTR_TYPE_ALL"},  {3, "MAC_STAT_CNTR_TYPE_CLASS_2"},
        {4, "MAC_STAT_CNTR_TYPE_CLASS_3"}, {5, "MAC_STAT_CNTR_TYPE_CLASS_F"},
        {6, "MAC_STAT_CNTR_TYPE_CLASS_F"}, {7, "MAC_STAT_CNTR_TYPE_IF_ENTRY"},
        {8, "SYSERR_PM_INVALID_ARG"},   {0xffffffff, "SYSERR_PM_INVALID_ARG"}};
    const std::vector<std::pair<uint8_t, const char *>> sets{
        {0, "MAC_STAT_CNTR_TYPE_AGGR"}, {1, "MAC_STAT_CNTR_TYPE_CURR"}, {2, "UNKNOWN"}};
    std::vector<DecodeSample> samples;
    for (auto [aggr, set_name] : sets)
        for (auto [type, class_name] : classes)
            samples.push_back({"port counters", show_get_port_counters_handler, 3120, kRequest,
                               Be().u8(aggr).u32(type).u32(ifx(4)),
                               std::string("     aggr:") + set_name +
                                   " if_index:1004000 port:4  type_of_cntr: " + class_name +
                                   "\n"});
    samples.push_back({"unknown port", show_get_port_counters_handler, 3120, kRequest,
                       Be().u8(0).u32(1).u32(kUnknownIfIndex), ""});
    check_samples(samples);
}

TEST_F(DecodeManagerMsgsTest, PortControlLabelsAndFlPortServices) {
    check_samples({
        {"offline", show_control_handler, 398, kRequest, Be().u8(9).u32(ifx(4)).u8(4),
         "     LINK_CTRL_ACTION_LINK_OFFLINE,if_index:1004000 port:4\n"},
        {"reset, unknown port", show_control_handler, 398, kRequest,
         Be().u8(0).u32(kUnknownIfIndex).u8(5),
         "     LINK_CTRL_ACTION_LINK_RESET, if_index:5000000\n"},
        {"offline blocked", show_control_handler, 398, kRequest, Be().u8(0).u32(ifx(47)).u8(6),
         "     LINK_CTRL_ACTION_LINK_OFFLINE_BLOCKED, if_index:102f000 port:47\n"},
        {"action 7", show_control_handler, 398, kRequest, Be().u8(0).u32(ifx(4)).u8(7),
         " port:4\n"},
        {"action 3, unknown port", show_control_handler, 398, kRequest,
         Be().u8(0).u32(kUnknownIfIndex).u8(3), "\n"},
        {"RDL label", show_set_rdl_label_handler, 403, kRequest,
         Be().u8(3).u8(0x11).u8(0x22).u8(0x33).u8(0x44), "     version:0x11443322 slot:3\n"},
        {"version-2 RDL label", show_set_ver2_rdl_label_handler, 421, kRequest,
         Be().u8(2).u8(0x15).u8(1).u8(0xee).raw({0x20, 0, 0, 0x0d, 0xec, 1, 2, 3}).u32(0x01000000),
         "     slot:2 version:0x15 oui_index:1 clock_gran:16777216\n"
         "20 00 00 0d ec 01 02 03\n"},
        {"FL port services", show_fl_port_services_handler, 397, kRequest,
         Be().u8(1).u32(ifx(4)).u16(100).u32(0x1234).u32(0xffff).raw({0, 1, 2, 3})
             .raw({0, 0x0a, 0x0b, 0x0c}),
         "     port_cfg_fsm_flag:0x1, if_index:0x1004000, vsan:0x64 ox_id:0x1234\n"
         "     rx_id:0xffff, d_id:00 01 02 03 s_id:00 0a 0b 0c\n"},
    });
}

TEST_F(DecodeManagerMsgsTest, PrintWwnPrintsEightBytesWithoutIndent) {
    const uint8_t wwn[8] = {0x20, 0x01, 0x00, 0x0d, 0xec, 0xff, 0x80, 0x7f};
    EXPECT_EQ(out([&] { print_wwn(wwn); }), "20 01 00 0d ec ff 80 7f\n");
    EXPECT_EQ(out([] { print_wwn(nullptr); }), "");
}

TEST_F(DecodeManagerMsgsTest, ConfigurationTypeNames) {
    const std::vector<int> unnamed{0, 5, 24};
    for (int t = 0; t < PCFG_CFG_TYPE_NAMES_COUNT; ++t)
        EXPECT_EQ(tlv_cfg_type_names[t] == nullptr,
                  std::find(unnamed.begin(), unnamed.end(), t) != unnamed.end())
            << t;
    EXPECT_STREQ(tlv_cfg_type_names[12], "Port Enable");
    EXPECT_STREQ(tlv_cfg_type_names[28], "Port Rx B2B Multiplier");
}

}  // namespace
