// Error Log (event 0): a configuration TLV the manager refused.
//
// Record, host byte order:
//    0  u32  if_index   port
//    4  u8   cfg_type   configuration type of the failed TLV
//    8  u32  value      the TLV's value; read only for the port enable state
//   12  u32  error      platform error code, 0 for none
#include <cstdio>

#include "history/hist_logs.h"
#include "history/hist_text.h"
#include "port_cfg_cli.h"

namespace pcfg::history {

namespace {

constexpr uint8_t kCfgPortEnableState = 12;
constexpr uint32_t kEnable = 1;
constexpr uint32_t kDisable = 2;

void type_text(uint8_t type, uint32_t value, std::span<char, kTextSize> out) {
    const char *name = type < PCFG_CFG_TYPE_NAMES_COUNT ? tlv_cfg_type_names[type] : nullptr;
    if (name == nullptr) {
        snprintf(out.data(), out.size(), "Unknown (%#010x)", static_cast<unsigned>(type));
        return;
    }
    if (type == kCfgPortEnableState && value == kDisable)
        snprintf(out.data(), out.size(), "Port Disable");
    else if (type == kCfgPortEnableState && value != kEnable)
        snprintf(out.data(), out.size(), "%s: 0x%x", name, static_cast<unsigned>(value & 0xFFu));
    else
        snprintf(out.data(), out.size(), "%s", name);
}

}  // namespace

void error_log_heading() noexcept {
    puts("*************** Port Config Error Log ***************");
    printf("----%28s------%2s--------%18s-------\n", " ", " ", " ");
    printf("Time%28sPortNo%2sTLV Type%18sErrCode\n", " ", " ", " ");
    printf("----%28s------%2s--------%18s-------\n", " ", " ", " ");
}

int error_log_line(const HistLine &l) noexcept {
    char type[kTextSize];
    char error[kTextSize];
    type_text(l.record.u8(4), l.record.u32(8), type);
    error_text(l.record.i32(12), error);
    return printf("%-22s%08lu  %-8s%-26s%-14s", l.time, l.second, port_name(l.record.u32(0)),
                  type, error);
}

}  // namespace pcfg::history
