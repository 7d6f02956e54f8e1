// Decoders of the manager's configuration messages: set port configuration,
// port counters, port control, RDL labels and FL port services.
#include "support/fixture.h"
#include "support/logged_record.h"

using namespace pcfg_test;

namespace {

class DecodeManagerMsgsTest : public PcfgTest {};

uint32_t ifx(uint8_t port_index) { return pcfg_sim::if_index_of_port(port_index); }

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

TEST_F(DecodeManagerMsgsTest, SetPortConfiguration) {
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
TEST_F(DecodeManagerMsgsTest, PortCounters) {
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

TEST_F(DecodeManagerMsgsTest, PortControlLabelsAndFlPortServices) {
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

TEST_F(DecodeManagerMsgsTest, PrintWwnAndConfigurationTypeNames) {
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

}  // namespace
