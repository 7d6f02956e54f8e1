// One port's resource record (report request type 10): its fields, its
// force-timeout configuration per port mode, its static capabilities and
// its virtual links.
//
// Record pcft_rsrc_port_info_t, 912 bytes (big-endian):
//   0 update  1 valid_gi  2 ref_port  3 port_state  4..7 port_if_index
//   8 index_cfg_cmd  9 port_gi_cnt  10 port_gi  11 head_gi  12 tail_gi
//   13 port_li  14 link_inx_cnt  15 vlink_cnt  16..19 not printed
//   20..23 max_speed  24..27 min_speed  28..31 not printed  32..35 port_mode
//   36..39 not printed  40..55 four virtual-link entries of 4 bytes
//   56..59 service_state  60 force-timeout entry count  61..63 not printed
//   64..575 32 force-timeout entries of 16 bytes  576..911 static capabilities
// Force-timeout entry pcfg_port_fto_entry_t, 16 bytes:
//   0..3 port mode (i32)  4..7 not printed  8 timeout enabled
//   9..11 not printed  12..15 timeout in milliseconds
// Virtual-link entry pcfg_port_vlink_info_t, 4 bytes:
//   0 vl_gi_cnt  1 start_lane  2 num_lanes  3 vl_gi
// Static capabilities pcfg_port_cap_buf_t, 336 bytes:
//   0..7 cap_bits_1  8..11 max_speed code  12..15 min_speed code
//   16..19 not printed  20..79 fifteen 32-bit fields (see kCapFields)
//   80..187 six credit groups of nine u16 (cdt, perf, mult: min, max, def)
//   188..195 ec_rx_cdt_f, 196..203 ec_rx_cdt_e: four u16 (min, max, def, thr)
//   204..335 not printed
// 32-bit fields print as signed decimal unless the format is hexadecimal.
#include <array>
#include <cstdio>

#include "common/names.h"
#include "common/be_reader.h"
#include "print/printers.h"

using pcfg::BeReader;

namespace {

constexpr const char *kShort = "    ";
constexpr const char *kLong = "        ";

constexpr size_t kPortInfoLen = 912;
constexpr size_t kVlinkOffset = 40;
constexpr size_t kVlinkLen = 4;
constexpr int kVlinkRoom = 4;
constexpr size_t kFtoCountOffset = 60;
constexpr size_t kFtoOffset = 64;
constexpr size_t kFtoLen = 16;
constexpr int kFtoRoom = 32;
constexpr size_t kCapOffset = 576;
constexpr size_t kCapLen = 336;

// ------------------------------------------------------------------ names
struct SpeedName {
    uint32_t code;
    const char *max_name;
    const char *min_name;  // automatic maxima are written with a capital M
};

constexpr std::array<SpeedName, 13> kSpeedNames{{
    {0, "AUTO", "AUTO"},
    {10, "10", "10"},
    {100, "100", "100"},
    {1000, "1G", "1G"},
    {2000, "2G", "2G"},
    {4000, "4G", "4G"},
    {8000, "8G", "8G"},
    {10000, "10G", "10G"},
    {16000, "16G", "16G"},
    {4, "Auto_max_16G", "Auto_Max_16G"},
    {3, "Auto_max_8G", "Auto_Max_8G"},
    {2, "Auto_max_4G", "Auto_Max_4G"},
    {1, "Auto_max_2G", "Auto_max_2G"},
}};

const char *speed_name(uint32_t code, bool max) {
    const SpeedName *s = pcfg::row_of(kSpeedNames, &SpeedName::code, code);
    return s == nullptr ? "Unknown" : max ? s->max_name : s->min_name;
}

struct BitName {
    uint32_t bit;
    const char *name;
};

// Tested in this order: the first bit set names the connector.
constexpr std::array<BitName, 4> kConnectorNames{{
    {0x1, "SFP"}, {0x8, "SFP+"}, {0x2, "XFP"}, {0x4, "X2"},
}};

const char *connector_name(uint32_t type) {
    for (const BitName &c : kConnectorNames)
        if ((type & c.bit) != 0) return c.name;
    return "Unknwon";
}

constexpr std::array<pcfg::Named, 6> kPortModeNames{{
    {4, "PORT_MODE_E"}, {2, "PORT_MODE_SD"}, {32, "PORT_MODE_F"},
    {32768, "PORT_MODE_ST"}, {16384, "PORT_MODE_NP"}, {64, "PORT_MODE_FL"},
}};

const char *port_mode_name(int32_t mode) {
    return pcfg::name_of(kPortModeNames, static_cast<uint32_t>(mode), "UNKNOWN");
}

// ----------------------------------------------------------------- fields
enum class Kind { U8, I32, Hex32, Hex64, MaxSpeed, MinSpeed, Connector };

// One printed line: the prefix, the label, then the field at `offset` as
// its kind shows it.
struct Field {
    size_t offset;
    Kind kind;
    const char *label;
};

void print_field(const Field &f, const BeReader &rec, const char *prefix) {
    BeReader r = rec.at(f.offset);
    switch (f.kind) {
    case Kind::U8:
        printf("%s%s%d\n", prefix, f.label, r.u8());
        break;
    case Kind::I32:
        printf("%s%s%d\n", prefix, f.label, r.i32());
        break;
    case Kind::Hex32:
        printf("%s%s0x%x\n", prefix, f.label, static_cast<unsigned>(r.u32()));
        break;
    case Kind::Hex64:
        printf("%s%s0x%llx\n", prefix, f.label, static_cast<unsigned long long>(r.u64()));
        break;
    case Kind::MaxSpeed:
    case Kind::MinSpeed: {
        const uint32_t code = r.u32();
        printf("%s%s%s(0x%x)\n", prefix, f.label, speed_name(code, f.kind == Kind::MaxSpeed),
               static_cast<unsigned>(code));
        break;
    }
    case Kind::Connector: {
        const uint32_t type = r.u32();
        printf("%s%s%s(0x%x)\n", prefix, f.label, connector_name(type), static_cast<unsigned>(type));
        break;
    }
    }
}

constexpr std::array<Field, 17> kPortInfoFields{{
    {0, Kind::U8, "update            : "},
    {1, Kind::U8, "valid_gi          : "},
    {2, Kind::U8, "ref_port          : "},
    {3, Kind::U8, "port_state        : "},
    {4, Kind::Hex32, "port_if_index     : "},
    {8, Kind::U8, "index_cfg_cmd     : "},
    {9, Kind::U8, "port_gi_cnt       : "},
    {10, Kind::U8, "port_gi           : "},
    {11, Kind::U8, "head_gi           : "},
    {12, Kind::U8, "tail_gi           : "},
    {13, Kind::U8, "port_li           : "},
    {14, Kind::U8, "link_inx_cnt      : "},
    {15, Kind::U8, "vlink_cnt         : "},
    {20, Kind::I32, "max_speed         : "},
    {24, Kind::I32, "min_speed         : "},
    {32, Kind::I32, "port_mode         : "},
    {56, Kind::I32, "service_state     : "},
}};

constexpr std::array<Field, 18> kCapFields{{
    {0, Kind::Hex64, "cap_bits_1            :"},
    {8, Kind::MaxSpeed, "max_speed             :"},
    {12, Kind::MinSpeed, "min_speed             :"},
    {20, Kind::I32, "max_tx_bytes          :"},
    {24, Kind::I32, "max_rx_bytes          :"},
    {28, Kind::I32, "fc_ph_ver_hi          :"},
    {32, Kind::I32, "fc_ph_ver_lo          :"},
    {36, Kind::Connector, "connector_type        :"},
    {40, Kind::I32, "rx_data_field_sz_max  :"},
    {44, Kind::I32, "rx_data_field_sz_min  :"},
    {48, Kind::I32, "tx_data_field_sz_max  :"},
    {52, Kind::I32, "tx_data_field_sz_min  :"},
    {56, Kind::I32, "hold_time_max         :"},
    {60, Kind::I32, "hold_time_min         :"},
    {64, Kind::I32, "rdl_ver               :"},
    {68, Kind::Hex32, "cos_bit_map           :"},
    {72, Kind::I32, "bb_scn_max            :"},
    {76, Kind::I32, "min_shared_bw         :"},
}};

constexpr std::array<Field, 4> kVlinkFields{{
    {0, Kind::U8, "vl_gi_cnt                :"},
    {1, Kind::U8, "start_lane               :"},
    {2, Kind::U8, "num_lanes                :"},
    {3, Kind::U8, "vl_gi                    :"},
}};

// Credit groups: a heading, then cdt, perf and mult (min, max, def) lines.
struct CreditGroup {
    size_t offset;
    const char *heading;
};

constexpr std::array<CreditGroup, 6> kCreditGroups{{
    {80, "osm_mode_fl              :"},
    {98, "frm_mode_fl              :"},
    {116, "osm_mode_f               :"},
    {134, "frm_mode_f               :"},
    {152, "osm_mode_e               :"},
    {170, "frm_mode_e               :"},
}};

// Extended receive credits: min, max, def, thr.
constexpr std::array<CreditGroup, 2> kExtCredits{{
    {188, "ec_rx_cdt_f              :"},
    {196, "ec_rx_cdt_e              :"},
}};

void print_credit_group(const CreditGroup &g, const BeReader &cap) {
    BeReader r = cap.at(g.offset);
    std::array<uint16_t, 9> v{};
    for (uint16_t &x : v) x = r.u16();
    printf("%s%s\n", kShort, g.heading);
    printf("%s%scdt :(min:%.5d max:%.5d def:%.5d)\n%s%sperf:(min:%.5d max:%.5d def:%.5d)\n"
           "%s%smult:(min:%.5d max:%.5d def:%.5d)\n",
           kShort, kLong, v[0], v[1], v[2], kShort, kLong, v[3], v[4], v[5], kShort, kLong, v[6],
           v[7], v[8]);
}

void print_cap(std::span<const uint8_t> cap) {
    const BeReader r(cap);
    printf("%sport static capabilities  :\n", kShort);
    for (const Field &f : kCapFields) print_field(f, r, kLong);
    for (const CreditGroup &g : kCreditGroups) print_credit_group(g, r);
    for (const CreditGroup &g : kExtCredits) {
        BeReader e = r.at(g.offset);
        const uint16_t min = e.u16();
        const uint16_t max = e.u16();
        const uint16_t def = e.u16();
        const uint16_t thr = e.u16();
        printf("%s%s(min:%d max:%d def:%d thr:%d)\n", kShort, g.heading, min, max, def, thr);
    }
}

void print_vlink(std::span<const uint8_t> vlink) {
    const BeReader r(vlink);
    for (const Field &f : kVlinkFields) print_field(f, r, kLong);
}

void print_fto_entries(const BeReader &rec) {
    const uint8_t count = rec.at(kFtoCountOffset).u8();
    puts("force timeout configuaration         : ");
    printf("   num port_modes      : %d\n", count);
    printf("%s     %s    %s\n", "Port Mode", "timeout(en)", "timeout(ms)");
    printf("%s     %s    %s\n", "---------", "-----------", "----------");
    for (int i = 0; i < count && i < kFtoRoom; ++i) {
        BeReader e = rec.at(kFtoOffset + kFtoLen * static_cast<size_t>(i));
        const int32_t mode = e.i32();
        e.skip(4);
        const uint8_t enabled = e.u8();
        e.skip(3);
        const int32_t ms = e.i32();
        printf("%s     %d             %d\n", port_mode_name(mode), enabled, ms);
    }
    if (count > kFtoRoom) printf("(only %d of %d force-timeout entries exist)\n", kFtoRoom, count);
}

}  // namespace

void pcfg_rsrc_print_port_info_body(std::span<const uint8_t> body) noexcept {
    if (body.data() == nullptr) return;
    if (body.size() < kPortInfoLen) {
        printf("ERROR: Invalid body size %u expected size %u \n",
               static_cast<unsigned>(body.size()), static_cast<unsigned>(kPortInfoLen));
        return;
    }
    const BeReader rec(body.first(kPortInfoLen));
    for (const Field &f : kPortInfoFields) print_field(f, rec, kShort);
    print_fto_entries(rec);
    printf("\n\n");
    print_cap(body.subspan(kCapOffset, kCapLen));
    const uint8_t vlinks = rec.at(15).u8();
    for (int i = 0; i < vlinks && i < kVlinkRoom; ++i) {
        printf("%sport resource vlink info : %d\n", kShort, i);
        print_vlink(body.subspan(kVlinkOffset + kVlinkLen * static_cast<size_t>(i), kVlinkLen));
    }
    if (vlinks > kVlinkRoom)
        printf("%s(only %d of %d virtual links exist)\n", kShort, kVlinkRoom, vlinks);
}

// The exported printers trust their outside caller: the address holds a
// whole record.
extern "C" void pcfg_rsrc_print_port_info(const pcft_rsrc_port_info_t *info) noexcept {
    if (info == nullptr) return;
    pcfg_rsrc_print_port_info_body({reinterpret_cast<const uint8_t *>(info), kPortInfoLen});
}

extern "C" void print_port_cap_buf(const pcfg_port_cap_buf_t *cap) noexcept {
    if (cap == nullptr) return;
    print_cap({reinterpret_cast<const uint8_t *>(cap), kCapLen});
}

extern "C" void print_port_vlink_info(const pcfg_port_vlink_info_t *vlink) noexcept {
    if (vlink == nullptr) return;
    print_vlink({reinterpret_cast<const uint8_t *>(vlink), kVlinkLen});
}
