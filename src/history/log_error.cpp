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

using namespace pcfg::out;

namespace {

constexpr uint8_t kCfgPortEnableState = 12;
constexpr uint32_t kEnable = 1;
constexpr uint32_t kDisable = 2;

constexpr Field kPort = field<"port", Type::Str>("  %-8s");
constexpr Field kType = field<"cfg_type", Type::NamedInt>("%-26s");
constexpr Field kValue = json_only<"value", Type::Uint>();
constexpr Field kError = field<"err_code", Type::NamedInt>("%-14s");

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

void error_log_heading(Writer &w) noexcept {
    w.line("*************** Port Config Error Log ***************");
    w.line("----                            ------  --------                  -------");
    w.line("Time                            PortNo  TLV Type                  ErrCode");
    w.line("----                            ------  --------                  -------");
}

int error_log_line(const HistLine &l, Writer &w) noexcept {
    char type_field[kTextSize];
    char error_field[kTextSize];
    const uint8_t type = l.record.u8(4);
    const uint32_t value = l.record.u32(8);
    const int32_t code = l.record.i32(12);
    const char *type_name = type_text(type, value, type_field);
    const char *error = error_text(code, error_field);
    Count n;
    n += print_port(w, kPort, l.record.u32(0));
    n += w.named(kType, type_name, type);
    n += w.put(kValue, value);
    n += print_error(w, kError, code, error);
    return n.n;
}

}  // namespace pcfg::history
