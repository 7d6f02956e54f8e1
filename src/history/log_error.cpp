// Error Log (event 0): a configuration TLV the manager refused.
//
// Record, host byte order:
//    0  u32  if_index   port
//    4  u8   cfg_type   configuration type of the failed TLV
//    8  u32  value      the TLV's value; read only for the port enable state
//   12  u32  error      platform error code, 0 for none
#include <cstdio>
#include <cstring>

#include "history/hist_logs.h"
#include "history/hist_text.h"
#include "port_cfg_cli.h"

namespace pcfg::history {

namespace {

constexpr uint8_t kCfgPortEnableState = 12;
constexpr uint32_t kEnable = 1;
constexpr uint32_t kDisable = 2;

// The type column; texts that need building are made in `field`.
const char *type_text(uint8_t type, uint32_t value, std::span<char, kTextSize> field) {
    const char *name = type < PCFG_CFG_TYPE_NAMES_COUNT ? tlv_cfg_type_names[type] : nullptr;
    if (name == nullptr) {
        snprintf(field.data(), field.size(), "Unknown (%#010x)", static_cast<unsigned>(type));
        return field.data();
    }
    if (type == kCfgPortEnableState && value == kDisable) return "Port Disable";
    if (type == kCfgPortEnableState && value != kEnable) {
        snprintf(field.data(), field.size(), "%s: 0x%x", name, static_cast<unsigned>(value & 0xFFu));
        return field.data();
    }
    if (strnlen(name, field.size()) < field.size()) return name;
    snprintf(field.data(), field.size(), "%s", name);  // cut to the field
    return field.data();
}

}  // namespace

void error_log_heading() noexcept {
    puts("*************** Port Config Error Log ***************");
    printf("----%28s------%2s--------%18s-------\n", " ", " ", " ");
    printf("Time%28sPortNo%2sTLV Type%18sErrCode\n", " ", " ", " ");
    printf("----%28s------%2s--------%18s-------\n", " ", " ", " ");
}

int error_log_line(const HistLine &l) noexcept {
    char type_field[kTextSize];
    char error_field[kTextSize];
    const char *type = type_text(l.record.u8(4), l.record.u32(8), type_field);
    const char *error = error_text(l.record.i32(12), error_field);
    return printf("  %-8s%-26s%-14s", port_name(l.record.u32(0)), type, error);
}

}  // namespace pcfg::history
