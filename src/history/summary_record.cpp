// Summary rows of a logged set-port-configuration message (opcode 395).
//
// Logged message, big-endian:
//   12  u32  seq_no
//   16  u32  length   of the record, the 48-byte header included
//   24  u32  kind     1 request, 2 reply
//   48  ...  payload  length - 48 bytes
// Payload of a request: fsm_flag, num_ports and the port entries (see
// set_port_cfg_walk.h).
#include <array>
#include <cstdio>

#include "common/be_reader.h"
#include "common/cfg_types.h"
#include "common/names.h"
#include "common/set_port_cfg_walk.h"
#include "history/summary_names.h"
#include "history/summary_record.h"
#include "pcfg_platform.h"
#include "port_cfg_cli.h"

namespace pcfg::summary {

using namespace pcfg::out;

namespace {

constexpr size_t kLengthEnd = 20;  // the length field ends at byte 20
constexpr uint32_t kReply = 2;
constexpr uint32_t kAbsent32 = 0xFFFFFFFFu;

// The settings of a row, in the order of its columns' sources.
enum Source : uint8_t {
    kPortMode,
    kSpeed,
    kEnableState,
    kPerfBuffers,
    kRxB2bCredit,
    kRateMode,
    kEcB2bCredit,
    kMultiplier,  // recognised, not shown
    kFieldCount,
};

struct Setting {
    uint8_t cfg_type;
    uint8_t width;  // value bytes read: 4 (u32) or 1 (first byte)
    Source field;
};

constexpr std::array<Setting, 8> kSettings{{
    {kCfgAdminPortMode, 4, kPortMode},
    {kCfgAdminPortSpeed, 4, kSpeed},
    {kCfgPortEnableState, 1, kEnableState},
    {kCfgRxB2bPerformanceBuffers, 4, kPerfBuffers},
    {kCfgRxB2bCredit, 4, kRxB2bCredit},
    {kCfgPortRateMode, 1, kRateMode},
    {kCfgExtendedB2bCredit, 4, kEcB2bCredit},
    {kCfgRxB2bCreditMultiplier, 4, kMultiplier},  // recognised, not shown
}};

// What a field holds while no TLV has set it.
constexpr auto kAbsent = std::to_array<uint32_t>({
    kAbsent32, kAbsent32, 0, kAbsent32, kAbsent32, 0xFF, kAbsent32, kAbsent32,
});
static_assert(kAbsent.size() == kFieldCount);

struct Row {
    uint8_t port;
    std::array<uint32_t, kFieldCount> values;
};

constexpr Field kSeqNo = field<"seq_no", Type::Int>("%7d");
constexpr Field kPort = field<"port", Type::Int>("%5d");

// The named columns: "-" for a value no row names, and for one absent.
struct NameColumn {
    Field field;
    Source source;
    const char *(*name)(uint32_t value);
};
constexpr std::array<NameColumn, 4> kNameColumns{{
    {field<"speed", Type::NamedUint>("%8.8s"), kSpeed, [](uint32_t v) { return speed_name(v); }},
    {field<"enable_state", Type::NamedUint>("%10.10s"), kEnableState,
     [](uint32_t v) { return port_state_name(static_cast<uint8_t>(v)); }},
    {field<"port_mode", Type::NamedUint>("%11.11s"), kPortMode,
     [](uint32_t v) { return port_mode_name(v); }},
    {field<"rate_mode", Type::NamedUint>("%10.10s"), kRateMode,
     [](uint32_t v) { return rate_mode_name(static_cast<uint8_t>(v)); }},
}};

// The credit columns: "-" when absent, "Def" for 0, the number otherwise.
struct CreditColumn {
    Field field;
    Source source;
    const char *dash;
    const char *def;
};
constexpr std::array<CreditColumn, 3> kCreditColumns{{
    {field<"perf_buffers", Type::Int>("%5d"), kPerfBuffers, "    -", "  Def"},
    {field<"rx_b2b_credit", Type::Int>("%5d"), kRxB2bCredit, "    -", "  Def"},
    {field<"ec_b2b_credit", Type::Int>("%6d"), kEcB2bCredit, "     -", "   Def"},
}};

void print_row(uint32_t seq_no, const Row &row, Writer &w) {
    const auto &v = row.values;
    const Scope scope(w, nullptr);
    w.put(kSeqNo, seq_no);
    w.put(kPort, row.port + 1u);
    for (const NameColumn &c : kNameColumns) {
        const uint32_t value = v[c.source];
        if (value == kAbsent[c.source])
            w.absent(c.field, "-");
        else
            w.named(c.field, c.name(value), value);
    }
    for (const CreditColumn &c : kCreditColumns) {
        const uint32_t value = v[c.source];
        if (value == kAbsent32)
            w.absent(c.field, c.dash);
        else if (value == 0)
            w.shown_as(c.field, 0, c.def);
        else
            w.put(c.field, value);
    }
    w.text("\n");
}

// The rows of one record. An entry whose port the port map does not know,
// that has no TLV, whose TLV of a shown setting is shorter than the
// setting, or that carries no shown setting ends the record.
struct RowCollector {
    uint32_t seq_no;
    uint8_t port_filter;
    Writer &w;
    Row row{};
    bool recognised = false;

    bool entry(const PortEntry &e) {
        pm_idxmap_entry_t entry{};
        if (pm_idxmap_entry_by_if_index(e.if_index, &entry) != 0) return false;
        row = Row{static_cast<uint8_t>(entry.port), kAbsent};
        recognised = false;
        return e.num_cfg != 0;
    }
    bool tlv(uint8_t type, BeReader value) {
        const Setting *s = row_of(kSettings, &Setting::cfg_type, type);
        if (s == nullptr) return true;
        if (value.size() < s->width) return false;
        row.values[s->field] = s->width == 4 ? value.u32() : value.u8();
        recognised = true;
        return true;
    }
    bool entry_end() {
        if (!recognised) return false;
        if (port_filter == kNoFilter || port_filter == row.port) print_row(seq_no, row, w);
        return true;
    }
};

}  // namespace

void print_heading(Writer &w) noexcept {
    w.line("  SeqNo Port   Speed    En/Dis   PortMode  RateMode Perf  B2B EcB2B");
}

void print_record(const uint8_t *record, uint8_t port_filter, Writer &w) noexcept {
    if (record == nullptr) return;
    // The length field says how far the record may be read.
    const uint32_t length = static_cast<uint32_t>(BeReader(record, kLengthEnd).at(16).u32());
    BeReader rec(record, length);
    const uint32_t seq_no = rec.at(12).u32();
    const uint32_t kind = rec.at(24).u32();
    BeReader payload =
        length >= PCFG_LOGGED_MSG_HDR_LEN ? rec.at(PCFG_LOGGED_MSG_HDR_LEN) : BeReader();

    if (kind == kReply) return;
    payload.u8();  // fsm_flag
    const uint8_t num_ports = payload.u8();
    if (!payload.ok() || num_ports == 0) return;
    RowCollector rows{seq_no, port_filter, w};
    walk_port_entries(payload, num_ports, rows);
}

}  // namespace pcfg::summary
