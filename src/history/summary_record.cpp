// Summary rows of a logged set-port-configuration message (opcode 395).
//
// Logged message, big-endian:
//   12  u32  seq_no
//   16  u32  length   of the record, the 48-byte header included
//   24  u32  kind     1 request, 2 reply
//   48  ...  payload  length - 48 bytes
// Payload of a request:
//    0  u8   fsm_flag
//    1  u8   num_ports
//    2  ...  num_ports port entries, back to back:
//              0  u32  if_index
//              4  u8   num_cfg
//              5  ...  num_cfg TLVs {u8 type, u8 len, len value bytes}
#include <array>
#include <cstdio>

#include "common/be_reader.h"
#include "history/summary_names.h"
#include "history/summary_record.h"
#include "pcfg_platform.h"

namespace pcfg::summary {

namespace {

constexpr size_t kHeaderLen = 48;
constexpr size_t kLengthEnd = 20;  // the length field ends at byte 20
constexpr uint32_t kReply = 2;
constexpr int32_t kEntryHead = 5;  // if_index and num_cfg
constexpr int32_t kTlvHead = 2;    // type and len
constexpr uint32_t kAbsent32 = 0xFFFFFFFFu;

// The settings of a row, in the order of its columns' sources.
enum Field : uint8_t {
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
    Field field;
};

constexpr std::array<Setting, 8> kSettings{{
    {2, 4, kPortMode},      // CFG_TYPE_ADMIN_PORT_MODE
    {3, 4, kSpeed},         // CFG_TYPE_ADMIN_PORT_SPEED
    {12, 1, kEnableState},  // CFG_TYPE_PORT_ENABLE_STATE
    {37, 4, kPerfBuffers},  // CFG_TYPE_RX_B2B_PERFORMANCE_BUFFERS
    {25, 4, kRxB2bCredit},  // CFG_TYPE_RX_B2B_CREDIT
    {44, 1, kRateMode},     // CFG_TYPE_PORT_RATE_MODE
    {41, 4, kEcB2bCredit},  // extended B2B credit
    {28, 4, kMultiplier},   // CFG_TYPE_RX_B2B_CREDIT_MULTIPLIER
}};

// What a field holds while no TLV has set it.
constexpr std::array<uint32_t, kFieldCount> kAbsent{
    kAbsent32, kAbsent32, 0, kAbsent32, kAbsent32, 0xFF, kAbsent32, kAbsent32,
};

struct Row {
    uint8_t port;
    std::array<uint32_t, kFieldCount> values;
};

const Setting *setting_of(uint8_t cfg_type) {
    for (const Setting &s : kSettings)
        if (s.cfg_type == cfg_type) return &s;
    return nullptr;
}

// A credit column: "-" when absent, "Def" for 0, the number otherwise.
void print_credit(uint32_t value, int width) {
    if (value == kAbsent32)
        printf("%*.*s", width, width, "-");
    else if (value == 0)
        printf("%*.*s", width, width, "Def");
    else
        printf("%*d", width, static_cast<int32_t>(value));
}

void print_row(uint32_t seq_no, const Row &row) {
    const auto &v = row.values;
    printf("%7d%5d%8.8s%10.10s%11.11s%10.10s", static_cast<int32_t>(seq_no), row.port + 1,
           speed_name(v[kSpeed]), port_state_name(static_cast<uint8_t>(v[kEnableState])),
           port_mode_name(v[kPortMode]), rate_mode_name(static_cast<uint8_t>(v[kRateMode])));
    print_credit(v[kPerfBuffers], 5);
    print_credit(v[kRxB2bCredit], 5);
    print_credit(v[kEcB2bCredit], 6);
    putchar('\n');
}

// One port entry: its row, if it has one. False when the rest of the record
// is to be skipped. The remaining count stays signed so that an overrun is
// caught; the reader bounds every read besides.
bool walk_entry(BeReader &payload, int32_t &remaining, uint32_t seq_no, uint8_t port_filter) {
    if (remaining < kEntryHead) return false;
    const uint32_t if_index = payload.u32();
    const uint8_t num_cfg = payload.u8();
    if (!payload.ok()) return false;

    pm_idxmap_entry_t entry{};
    if (pm_idxmap_entry_by_if_index(if_index, &entry) != 0) return false;
    Row row{static_cast<uint8_t>(entry.port), kAbsent};
    if (num_cfg == 0) return false;

    remaining -= kEntryHead;
    bool recognised = false;
    for (unsigned k = 0; k < num_cfg; ++k) {
        if (remaining < kTlvHead) return false;
        const uint8_t type = payload.u8();
        const uint8_t len = payload.u8();
        if (!payload.ok() || kTlvHead + len > remaining) return false;
        BeReader value = payload.sub(len);
        if (!payload.ok()) return false;
        if (const Setting *s = setting_of(type)) {
            if (len < s->width) return false;
            row.values[s->field] = s->width == 4 ? value.u32() : value.u8();
            recognised = true;
        }
        remaining -= kTlvHead + len;
    }
    if (!recognised) return false;
    if (port_filter == kNoFilter || port_filter == row.port) print_row(seq_no, row);
    return true;
}

}  // namespace

void print_record(const uint8_t *record, uint8_t port_filter) noexcept {
    if (record == nullptr) return;
    // The length field says how far the record may be read.
    const uint32_t length = static_cast<uint32_t>(BeReader(record, kLengthEnd).at(16).u32());
    BeReader rec(record, length);
    const uint32_t seq_no = rec.at(12).u32();
    const uint32_t kind = rec.at(24).u32();
    BeReader payload = length >= kHeaderLen ? rec.at(kHeaderLen) : BeReader();

    if (kind == kReply) return;
    payload.u8();  // fsm_flag
    const uint8_t num_ports = payload.u8();
    if (!payload.ok() || num_ports == 0) return;
    int32_t remaining = static_cast<int32_t>(payload.remaining());
    for (unsigned k = 0; k < num_ports; ++k)
        if (!walk_entry(payload, remaining, seq_no, port_filter)) return;
}

}  // namespace pcfg::summary
