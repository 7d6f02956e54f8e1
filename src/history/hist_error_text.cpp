// Error columns of history lines.
#include <cstdio>

#include "history/hist_text.h"
#include "pcfg_platform.h"

namespace pcfg::history {

namespace {

// The serdes log records "port not present" as its negative code.
constexpr int32_t kPortNotPresent = 0x4029000B;

// The platform's text of a code, cut to the field; a numeric fallback when
// the platform has none.
void platform_text(int32_t code, std::span<char, kTextSize> out) {
    const char *text = syserr2str(code);
    if (text != nullptr)
        snprintf(out.data(), out.size(), "%.*s", static_cast<int>(kTextSize - 1), text);
    else
        snprintf(out.data(), out.size(), "Unknown (%#010x)", static_cast<unsigned>(code));
}

}  // namespace

void error_text(int32_t code, std::span<char, kTextSize> out) noexcept {
    if (code == 0)
        snprintf(out.data(), out.size(), "None");
    else
        platform_text(code, out);
}

void serdes_error_text(int32_t code, std::span<char, kTextSize> out) noexcept {
    if (code == 0)
        snprintf(out.data(), out.size(), "None");
    else if (code == -kPortNotPresent)
        platform_text(kPortNotPresent, out);
    else
        snprintf(out.data(), out.size(), "Failure");
}

}  // namespace pcfg::history
