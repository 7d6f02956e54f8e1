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

#include "common/be_reader.h"
#include "common/names.h"
#include "print/printers.h"

using pcfg::BeReader;
using namespace pcfg::out;

namespace {

// The two indents of the record's lines.
#define SHORT "    "
#define LONG "        "

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
// How a field's bytes are read (and named).
enum class Read { U8, I32, U32, U64, MaxSpeed, MinSpeed, Connector };

// One printed line: the field at `offset`, read as `read`.
struct Line {
    size_t offset;
    Read read;
    Field field;
};

void print_line(const Line &l, const BeReader &rec, Writer &w) {
    BeReader r = rec.at(l.offset);
    switch (l.read) {
    case Read::U8: w.put(l.field, r.u8()); return;
    case Read::I32: w.put(l.field, r.u32()); return;
    case Read::U32: w.put(l.field, r.u32()); return;
    case Read::U64: w.put(l.field, r.u64()); return;
    case Read::MaxSpeed:
    case Read::MinSpeed: {
        const uint32_t code = r.u32();
        w.named(l.field, speed_name(code, l.read == Read::MaxSpeed), code);
        return;
    }
    case Read::Connector: {
        const uint32_t type = r.u32();
        w.named(l.field, connector_name(type), type);
        return;
    }
    }
}

#define PCFG_U8(off, key, label) Line{off, Read::U8, field<key, Type::Int>(label "%d\n")}
#define PCFG_I32(off, key, label) Line{off, Read::I32, field<key, Type::Int>(label "%d\n")}
#define PCFG_HEX(off, key, label) Line{off, Read::U32, field<key, Type::Uint>(label "0x%x\n")}

constexpr std::array<Line, 17> kPortInfoLines{{
    PCFG_U8(0, "update", SHORT "update            : "),
    PCFG_U8(1, "valid_gi", SHORT "valid_gi          : "),
    PCFG_U8(2, "ref_port", SHORT "ref_port          : "),
    PCFG_U8(3, "port_state", SHORT "port_state        : "),
    PCFG_HEX(4, "port_if_index", SHORT "port_if_index     : "),
    PCFG_U8(8, "index_cfg_cmd", SHORT "index_cfg_cmd     : "),
    PCFG_U8(9, "port_gi_cnt", SHORT "port_gi_cnt       : "),
    PCFG_U8(10, "port_gi", SHORT "port_gi           : "),
    PCFG_U8(11, "head_gi", SHORT "head_gi           : "),
    PCFG_U8(12, "tail_gi", SHORT "tail_gi           : "),
    PCFG_U8(13, "port_li", SHORT "port_li           : "),
    PCFG_U8(14, "link_inx_cnt", SHORT "link_inx_cnt      : "),
    PCFG_U8(15, "vlink_cnt", SHORT "vlink_cnt         : "),
    PCFG_I32(20, "max_speed", SHORT "max_speed         : "),
    PCFG_I32(24, "min_speed", SHORT "min_speed         : "),
    PCFG_I32(32, "port_mode", SHORT "port_mode         : "),
    PCFG_I32(56, "service_state", SHORT "service_state     : "),
}};

constexpr std::array<Line, 18> kCapLines{{
    {0, Read::U64, field<"cap_bits_1", Type::U64>(LONG "cap_bits_1            :0x%llx\n")},
    {8, Read::MaxSpeed, field<"max_speed", Type::NamedUint>(LONG "max_speed             :%s(0x%x)\n")},
    {12, Read::MinSpeed, field<"min_speed", Type::NamedUint>(LONG "min_speed             :%s(0x%x)\n")},
    PCFG_I32(20, "max_tx_bytes", LONG "max_tx_bytes          :"),
    PCFG_I32(24, "max_rx_bytes", LONG "max_rx_bytes          :"),
    PCFG_I32(28, "fc_ph_ver_hi", LONG "fc_ph_ver_hi          :"),
    PCFG_I32(32, "fc_ph_ver_lo", LONG "fc_ph_ver_lo          :"),
    {36, Read::Connector,
     field<"connector_type", Type::NamedUint>(LONG "connector_type        :%s(0x%x)\n")},
    PCFG_I32(40, "rx_data_field_sz_max", LONG "rx_data_field_sz_max  :"),
    PCFG_I32(44, "rx_data_field_sz_min", LONG "rx_data_field_sz_min  :"),
    PCFG_I32(48, "tx_data_field_sz_max", LONG "tx_data_field_sz_max  :"),
    PCFG_I32(52, "tx_data_field_sz_min", LONG "tx_data_field_sz_min  :"),
    PCFG_I32(56, "hold_time_max", LONG "hold_time_max         :"),
    PCFG_I32(60, "hold_time_min", LONG "hold_time_min         :"),
    PCFG_I32(64, "rdl_ver", LONG "rdl_ver               :"),
    PCFG_HEX(68, "cos_bit_map", LONG "cos_bit_map           :"),
    PCFG_I32(72, "bb_scn_max", LONG "bb_scn_max            :"),
    PCFG_I32(76, "min_shared_bw", LONG "min_shared_bw         :"),
}};

constexpr std::array<Line, 4> kVlinkLines{{
    PCFG_U8(0, "vl_gi_cnt", LONG "vl_gi_cnt                :"),
    PCFG_U8(1, "start_lane", LONG "start_lane               :"),
    PCFG_U8(2, "num_lanes", LONG "num_lanes                :"),
    PCFG_U8(3, "vl_gi", LONG "vl_gi                    :"),
}};
#undef PCFG_U8
#undef PCFG_I32
#undef PCFG_HEX

// Credit groups: a heading, then cdt, perf and mult lines of min, max, def.
struct CreditGroup {
    size_t offset;
    const char *key;
    const char *heading;
};

constexpr std::array<CreditGroup, 6> kCreditGroups{{
    {80, "osm_mode_fl", SHORT "osm_mode_fl              :"},
    {98, "frm_mode_fl", SHORT "frm_mode_fl              :"},
    {116, "osm_mode_f", SHORT "osm_mode_f               :"},
    {134, "frm_mode_f", SHORT "frm_mode_f               :"},
    {152, "osm_mode_e", SHORT "osm_mode_e               :"},
    {170, "frm_mode_e", SHORT "frm_mode_e               :"},
}};

// The lines of a credit group: each its name, then min, max and def.
struct CreditLine {
    const char *key;
    Field min, max, def;
};
constexpr Field kMax = field<"max", Type::Int>(" max:%.5d");
constexpr Field kDef = field<"def", Type::Int>(" def:%.5d)\n");
constexpr std::array<CreditLine, 3> kCreditLines{{
    {"cdt", field<"min", Type::Int>(SHORT LONG "cdt :(min:%.5d"), kMax, kDef},
    {"perf", field<"min", Type::Int>(SHORT LONG "perf:(min:%.5d"), kMax, kDef},
    {"mult", field<"min", Type::Int>(SHORT LONG "mult:(min:%.5d"), kMax, kDef},
}};

// Extended receive credits: min, max, def, thr.
constexpr std::array<CreditGroup, 2> kExtCredits{{
    {188, "ec_rx_cdt_f", SHORT "ec_rx_cdt_f              :"},
    {196, "ec_rx_cdt_e", SHORT "ec_rx_cdt_e              :"},
}};
constexpr std::array<Field, 4> kExtLine{{
    field<"min", Type::Int>("(min:%d"), field<"max", Type::Int>(" max:%d"),
    field<"def", Type::Int>(" def:%d"), field<"thr", Type::Int>(" thr:%d)\n"),
}};

void print_credit_group(const CreditGroup &g, const BeReader &cap, Writer &w) {
    BeReader r = cap.at(g.offset);
    const Scope group(w, g.key);
    w.line(g.heading);
    for (const CreditLine &l : kCreditLines) {
        const Scope line(w, l.key);
        w.put(l.min, r.u16());
        w.put(l.max, r.u16());
        w.put(l.def, r.u16());
    }
}

void print_cap(std::span<const uint8_t> cap, Writer &w) {
    const BeReader r(cap);
    const Scope caps(w, "capabilities");
    w.line(SHORT "port static capabilities  :");
    for (const Line &l : kCapLines) print_line(l, r, w);
    for (const CreditGroup &g : kCreditGroups) print_credit_group(g, r, w);
    for (const CreditGroup &g : kExtCredits) {
        BeReader e = r.at(g.offset);
        const Scope group(w, g.key);
        w.text(g.heading);
        for (const Field &f : kExtLine) w.put(f, e.u16());
    }
}

void print_vlink(std::span<const uint8_t> vlink, Writer &w) {
    const BeReader r(vlink);
    for (const Line &l : kVlinkLines) print_line(l, r, w);
}

constexpr Field kFtoCount = field<"count", Type::Int>("   num port_modes      : %d\n");
constexpr Field kFtoMode = field<"port_mode", Type::NamedInt>("%s     ");
constexpr Field kFtoEnabled = field<"enabled", Type::Int>("%d             ");
constexpr Field kFtoTimeout = field<"timeout_ms", Type::Int>("%d\n", Unit::Ms);
constexpr Field kVlinkNumber = field<"vlink", Type::Int>(SHORT "port resource vlink info : %d\n");

void print_fto_entries(const BeReader &rec, Writer &w) {
    const uint8_t count = rec.at(kFtoCountOffset).u8();
    const Scope fto(w, "force_timeout");
    w.line("force timeout configuaration         : ");
    w.put(kFtoCount, count);
    w.line("Port Mode     timeout(en)    timeout(ms)");
    w.line("---------     -----------    ----------");
    {
        const Scope entries(w, "entries", true);
        for (int i = 0; i < count && i < kFtoRoom; ++i) {
            BeReader e = rec.at(kFtoOffset + kFtoLen * static_cast<size_t>(i));
            const int32_t mode = e.i32();
            e.skip(4);
            const uint8_t enabled = e.u8();
            e.skip(3);
            const uint32_t ms = e.u32();
            const Scope entry(w, nullptr);
            w.named(kFtoMode, port_mode_name(mode), static_cast<uint32_t>(mode));
            w.put(kFtoEnabled, enabled);
            w.put(kFtoTimeout, ms);
        }
    }
    if (count > kFtoRoom)
        w.fail(Fail::BeyondRecord, "(only %d of %d force-timeout entries exist)\n", kFtoRoom,
               count);
}

}  // namespace

void pcfg_rsrc_print_port_info_body(std::span<const uint8_t> body, Writer &w) noexcept {
    if (body.data() == nullptr) return;
    if (body.size() < kPortInfoLen) {
        w.fail(Fail::ShortBody, "ERROR: Invalid body size %u expected size %u \n",
               static_cast<unsigned>(body.size()), static_cast<unsigned>(kPortInfoLen));
        return;
    }
    const BeReader rec(body.first(kPortInfoLen));
    for (const Line &l : kPortInfoLines) print_line(l, rec, w);
    print_fto_entries(rec, w);
    w.text("\n\n");
    print_cap(body.subspan(kCapOffset, kCapLen), w);
    const uint8_t vlinks = rec.at(15).u8();
    {
        const Scope list(w, "vlinks", true);
        for (int i = 0; i < vlinks && i < kVlinkRoom; ++i) {
            const Scope one(w, nullptr);
            w.put(kVlinkNumber, static_cast<uint32_t>(i));
            print_vlink(body.subspan(kVlinkOffset + kVlinkLen * static_cast<size_t>(i), kVlinkLen), w);
        }
    }
    if (vlinks > kVlinkRoom)
        w.fail(Fail::BeyondRecord, SHORT "(only %d of %d virtual links exist)\n", kVlinkRoom,
               vlinks);
}

// The exported printers trust their outside caller: the address holds a
// whole record.
extern "C" void pcfg_rsrc_print_port_info(const pcft_rsrc_port_info_t *info) noexcept {
    if (info == nullptr) return;
    pcfg_rsrc_print_port_info_body({reinterpret_cast<const uint8_t *>(info), kPortInfoLen},
                                   text_writer());
}

extern "C" void print_port_cap_buf(const pcfg_port_cap_buf_t *cap) noexcept {
    if (cap == nullptr) return;
    print_cap({reinterpret_cast<const uint8_t *>(cap), kCapLen}, text_writer());
}

extern "C" void print_port_vlink_info(const pcfg_port_vlink_info_t *vlink) noexcept {
    if (vlink == nullptr) return;
    print_vlink({reinterpret_cast<const uint8_t *>(vlink), kVlinkLen}, text_writer());
}
