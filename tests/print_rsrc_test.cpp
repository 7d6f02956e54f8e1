// Resource tables and a port's resource record: golden outputs, the name
// tables, and bodies whose counts or size do not fit. Bodies are exactly
// sized, so a read past them is caught by the sanitizers.
#include "print/printers.h"
#include "support/fixture.h"
#include "support/payload.h"

using namespace pcfg_test;

namespace {

class PrintRsrcTest : public PcfgTest {
protected:
    std::string print(void (*printer)(std::span<const uint8_t>), const std::vector<uint8_t> &b) {
        return out([&] { printer(b); });
    }
};

const std::string kIndexHead =
    "               Index information                        \n"
    "--------------------------------------------------------\n"
    " Port | IfIndex  | Global | Local | Link  | Virt | Total\n"
    " Num  | (Hex)    | Index  | Index | Index | Link | Lanes\n"
    "--------------------------------------------------------\n";
const std::string kIndexEnd = "--------------------------------------------------------\n\n";
const std::string kGroupHead =
    "     Global Buffer Groups information           \n"
    "-----------------------------------------------\n"
    " Buf  | Ports    | Max     | Avail  \n"
    " Grp  | Grp      | Buffers | Buffers\n"
    "-----------------------------------------------\n";
const std::string kGroupEnd = "-----------------------------------------------\n\n";

// Tables at offsets 4 and 30 of the data area (unaligned group entries).
Payload tables(uint8_t index_count, int32_t group_count, size_t size = 74) {
    Payload p(size);
    p.u16(0, 4).u16(6, 30).u8(8, index_count).u32(12, static_cast<uint32_t>(group_count));
    auto index = [&](size_t at, int port, int link, int gi, int li, int vl, int lanes, uint32_t ifx) {
        if (at + 12 <= size) p.u8(at, port).u8(at + 1, link).u16(at + 2, gi).u16(at + 4, li)
                                 .u8(at + 6, vl).u8(at + 7, lanes).u32(at + 8, ifx);
    };
    index(24, 0, 3, 16, 5, 4, 1, 0x0100A000);
    index(36, 47, 7, 1234, 23, 0, 2, 0x012FF000);
    if (size >= 74) p.u16(50, 2400).u16(52, 2112).u32(54, 0).u32(58, 7);
    if (size >= 74) p.u16(62, 12).u16(64, 3).u32(66, 40).u32(70, 47);
    return p;
}

const std::string kTwoIndexRows =
    " 01   | 0100A000 | 0016   | 05    | 03    | 4    | 1\n"
    " 48   | 012FF000 | 1234   | 23    | 07    | 0    | 2\n";
const std::string kTwoGroupRows =
    " 01   |  1 -  8  |  2400   |  2112 \n"
    " 02   | 41 - 48  |    12   |   3 \n";

TEST_F(PrintRsrcTest, ResourceTablesGolden) {
    const std::string golden = kIndexHead + kTwoIndexRows + kIndexEnd + kGroupHead + kTwoGroupRows + kGroupEnd;
    const Payload body = tables(2, 2);
    EXPECT_EQ(print(pcfg_rsrc_show_all_body, body), golden);
    // The exported printer trusts the extent the body's own header claims.
    EXPECT_EQ(out([&] {
                  pcfg_rsrc_show_all(reinterpret_cast<const pcfg_rsrc_all_info_t *>(body.bytes().data()));
              }),
              golden);
    EXPECT_EQ(print(pcfg_rsrc_show_all_body, tables(0, 0)), kIndexHead + kIndexEnd + kGroupHead + kGroupEnd);
    EXPECT_EQ(print(pcfg_rsrc_show_all_body, tables(0, -1)), kIndexHead + kIndexEnd + kGroupHead + kGroupEnd);
}

TEST_F(PrintRsrcTest, RowsBeyondTheBodyAreNotPrinted) {
    EXPECT_EQ(print(pcfg_rsrc_show_all_body, tables(2, INT32_MAX)),
              kIndexHead + kTwoIndexRows + kIndexEnd + kGroupHead + kTwoGroupRows + "ERROR: table exceeds response (74 bytes)\n" + kGroupEnd);
    EXPECT_EQ(print(pcfg_rsrc_show_all_body, tables(2, 0, 47)),
              kIndexHead + " 01   | 0100A000 | 0016   | 05    | 03    | 4    | 1\n" +
                  "ERROR: table exceeds response (47 bytes)\n" + kIndexEnd + kGroupHead + kGroupEnd);
    EXPECT_EQ(print(pcfg_rsrc_show_all_body, Payload(19)), "ERROR: Invalid body size 19 expected size 20 \n");
    EXPECT_EQ(out([] { pcfg_rsrc_show_all(nullptr); }), "");
}

// Capabilities: every field distinct; credit group g holds 100g+1 .. 100g+9.
Payload capabilities(size_t at = 0, size_t size = 336) {
    Payload p(size);
    p.u64(at, 0x8000000000000001ull).u32(at + 8, 3).u32(at + 12, 3).u32(at + 20, 2112);
    p.u32(at + 24, 0xFFFFFFFE).u32(at + 28, 32).u32(at + 32, 9).u32(at + 36, 9);
    const uint32_t rest[] = {2112, 256, 2048, 128, 100000, 1000, 1, 0xc, 15, 0};
    for (size_t i = 0; i < 10; ++i) p.u32(at + 40 + 4 * i, rest[i]);
    for (size_t g = 0; g < 6; ++g)
        for (size_t i = 0; i < 9; ++i) p.u16(at + 80 + 18 * g + 2 * i, 100 * g + i + 1);
    p.u16(at + 80, 32);
    const uint16_t ext[] = {1, 2, 3, 4, 5, 6, 7, 65535};
    for (size_t i = 0; i < 8; ++i) p.u16(at + 188 + 2 * i, ext[i]);
    return p;
}

std::string credit_group(const char *heading, int g, int first) {
    char buf[256];
    snprintf(buf, sizeof buf,
             "    %s:\n            cdt :(min:%.5d max:%.5d def:%.5d)\n"
             "            perf:(min:%.5d max:%.5d def:%.5d)\n            mult:(min:%.5d max:%.5d def:%.5d)\n",
             heading, first, 100 * g + 2, 100 * g + 3, 100 * g + 4, 100 * g + 5, 100 * g + 6,
             100 * g + 7, 100 * g + 8, 100 * g + 9);
    return buf;
}

const std::string kCapGolden =
    "    port static capabilities  :\n"
    "        cap_bits_1            :0x8000000000000001\n"
    "        max_speed             :Auto_max_8G(0x3)\n"
    "        min_speed             :Auto_Max_8G(0x3)\n"
    "        max_tx_bytes          :2112\n"
    "        max_rx_bytes          :-2\n"
    "        fc_ph_ver_hi          :32\n"
    "        fc_ph_ver_lo          :9\n"
    "        connector_type        :SFP(0x9)\n"
    "        rx_data_field_sz_max  :2112\n"
    "        rx_data_field_sz_min  :256\n"
    "        tx_data_field_sz_max  :2048\n"
    "        tx_data_field_sz_min  :128\n"
    "        hold_time_max         :100000\n"
    "        hold_time_min         :1000\n"
    "        rdl_ver               :1\n"
    "        cos_bit_map           :0xc\n"
    "        bb_scn_max            :15\n"
    "        min_shared_bw         :0\n" +
    credit_group("osm_mode_fl              ", 0, 32) + credit_group("frm_mode_fl              ", 1, 101) +
    credit_group("osm_mode_f               ", 2, 201) + credit_group("frm_mode_f               ", 3, 301) +
    credit_group("osm_mode_e               ", 4, 401) + credit_group("frm_mode_e               ", 5, 501) +
    "    ec_rx_cdt_f              :(min:1 max:2 def:3 thr:4)\n"
    "    ec_rx_cdt_e              :(min:5 max:6 def:7 thr:65535)\n";

std::string cap_text(const std::vector<uint8_t> &cap) {
    return capture_stdout([&] { print_port_cap_buf(reinterpret_cast<const pcfg_port_cap_buf_t *>(cap.data())); });
}

TEST_F(PrintRsrcTest, CapabilitiesGolden) {
    EXPECT_EQ(cap_text(capabilities()), kCapGolden);
    EXPECT_EQ(out([] { print_port_cap_buf(nullptr); }), "");
}

TEST_F(PrintRsrcTest, SpeedAndConnectorNames) {
    struct Case { uint32_t code; const char *max_name, *min_name; };
    const Case speeds[] = {
        {0, "AUTO", "AUTO"}, {10, "10", "10"}, {100, "100", "100"}, {1000, "1G", "1G"},
        {2000, "2G", "2G"}, {4000, "4G", "4G"}, {8000, "8G", "8G"}, {10000, "10G", "10G"},
        {16000, "16G", "16G"}, {4, "Auto_max_16G", "Auto_Max_16G"}, {3, "Auto_max_8G", "Auto_Max_8G"},
        {2, "Auto_max_4G", "Auto_Max_4G"}, {1, "Auto_max_2G", "Auto_max_2G"}, {5, "Unknown", "Unknown"},
        {32000, "Unknown", "Unknown"}, {0xFFFFFFFF, "Unknown", "Unknown"},
    };
    for (const Case &c : speeds) {
        const std::string text = cap_text(Payload(336).u32(8, c.code).u32(12, c.code));
        char expect[160];
        snprintf(expect, sizeof expect, "        max_speed             :%s(0x%x)\n        min_speed             :%s(0x%x)\n",
                 c.max_name, c.code, c.min_name, c.code);
        EXPECT_NE(text.find(expect), std::string::npos) << c.code;
    }
    const std::pair<uint32_t, const char *> connectors[] = {
        {0x1, "SFP"}, {0x9, "SFP"}, {0x8, "SFP+"}, {0xC, "SFP+"}, {0x6, "XFP"},
        {0x2, "XFP"}, {0x4, "X2"}, {0x0, "Unknwon"}, {0xF0, "Unknwon"},
    };
    for (auto [type, name] : connectors) {
        char expect[96];
        snprintf(expect, sizeof expect, "        connector_type        :%s(0x%x)\n", name, type);
        EXPECT_NE(cap_text(Payload(336).u32(36, type)).find(expect), std::string::npos) << type;
    }
}

// A port record: fields 1..11 in the byte fields, given counts.
Payload port_record(uint8_t vlinks, uint8_t ftos) {
    Payload p = capabilities(576, 912);
    for (size_t i = 0; i < 4; ++i) p.u8(i, i + 1);
    p.u32(4, 0x0100B000);
    for (size_t i = 8; i < 15; ++i) p.u8(i, i - 3);
    p.u8(15, vlinks).u32(20, 0xFFFFFFFF).u32(24, 2000).u32(32, 32).u32(56, 1).u8(60, ftos);
    const int32_t modes[] = {4, 2, 32, 32768, 16384, 64, 6, -1};
    for (size_t i = 0; i < 32; ++i)
        p.u32(64 + 16 * i, static_cast<uint32_t>(modes[i % 8])).u8(72 + 16 * i, i % 2).u32(76 + 16 * i, 100 * i);
    for (size_t k = 0; k < 4; ++k) p.u8(40 + 4 * k, 1).u8(41 + 4 * k, k).u8(42 + 4 * k, 2).u8(43 + 4 * k, 200 + k);
    return p;
}

std::string fields(int vlinks, int ftos) {
    return "    update            : 1\n    valid_gi          : 2\n    ref_port          : 3\n"
           "    port_state        : 4\n    port_if_index     : 0x100b000\n    index_cfg_cmd     : 5\n"
           "    port_gi_cnt       : 6\n    port_gi           : 7\n    head_gi           : 8\n"
           "    tail_gi           : 9\n    port_li           : 10\n    link_inx_cnt      : 11\n"
           "    vlink_cnt         : " + std::to_string(vlinks) + "\n    max_speed         : -1\n"
           "    min_speed         : 2000\n    port_mode         : 32\n    service_state     : 1\n"
           "force timeout configuaration         : \n   num port_modes      : " + std::to_string(ftos) +
           "\nPort Mode     timeout(en)    timeout(ms)\n---------     -----------    ----------\n";
}

TEST_F(PrintRsrcTest, PortRecordGolden) {
    EXPECT_EQ(print(pcfg_rsrc_print_port_info_body, port_record(0, 0)), fields(0, 0) + "\n\n" + kCapGolden);
    const Payload rec = port_record(2, 8);
    const std::string golden = fields(2, 8) +
                               "PORT_MODE_E     0             0\n"
                               "PORT_MODE_SD     1             100\n"
                               "PORT_MODE_F     0             200\n"
                               "PORT_MODE_ST     1             300\n"
                               "PORT_MODE_NP     0             400\n"
                               "PORT_MODE_FL     1             500\n"
                               "UNKNOWN     0             600\n"
                               "UNKNOWN     1             700\n\n\n" +
                               kCapGolden +
                               "    port resource vlink info : 0\n"
                               "        vl_gi_cnt                :1\n        start_lane               :0\n"
                               "        num_lanes                :2\n        vl_gi                    :200\n"
                               "    port resource vlink info : 1\n"
                               "        vl_gi_cnt                :1\n        start_lane               :1\n"
                               "        num_lanes                :2\n        vl_gi                    :201\n";
    EXPECT_EQ(print(pcfg_rsrc_print_port_info_body, rec), golden);
    EXPECT_EQ(out([&] { pcfg_rsrc_print_port_info(reinterpret_cast<const pcft_rsrc_port_info_t *>(rec.bytes().data())); }),
              golden);
    EXPECT_EQ(out([&] { print_port_vlink_info(reinterpret_cast<const pcfg_port_vlink_info_t *>(rec.bytes().data() + 44)); }),
              "        vl_gi_cnt                :1\n        start_lane               :1\n"
              "        num_lanes                :2\n        vl_gi                    :201\n");
}

TEST_F(PrintRsrcTest, CountsAboveTheRecordsRoomPrintWhatExists) {
    const std::string text = print(pcfg_rsrc_print_port_info_body, port_record(255, 200));
    EXPECT_NE(text.find("UNKNOWN     1             3100\n(only 32 of 200 force-timeout entries exist)\n\n\n"),
              std::string::npos);
    EXPECT_NE(text.find("vl_gi                    :203\n    (only 4 of 255 virtual links exist)\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 40), "    (only 4 of 255 virtual links exist)\n");
}

TEST_F(PrintRsrcTest, ShortOrMissingPortRecord) {
    EXPECT_EQ(print(pcfg_rsrc_print_port_info_body, Payload(911)), "ERROR: Invalid body size 911 expected size 912 \n");
    EXPECT_EQ(print(pcfg_rsrc_print_port_info_body, {}), "");
    EXPECT_EQ(out([] {
                  pcfg_rsrc_print_port_info(nullptr);
                  print_port_vlink_info(nullptr);
              }),
              "");
}

}  // namespace
