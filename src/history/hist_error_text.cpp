// Error columns of history lines.
#include <cstdio>
#include <cstring>

#include "history/hist_text.h"
#include "pcfg_platform.h"

namespace pcfg::history {

namespace {

// The serdes log records "port not present" as its negative code.
constexpr int32_t kPortNotPresent = 0x4029000B;

// The platform's text of a code, cut to the field's size; a numeric
// fallback when the platform has none. A text that fits is not copied.
const char *platform_text(int32_t code, std::span<char, kTextSize> field) {
    const char *text = syserr2str(code);
    if (text == nullptr) {
        snprintf(field.data(), field.size(), "Unknown (%#010x)", static_cast<unsigned>(code));
        return field.data();
    }
    if (strnlen(text, field.size()) < field.size()) return text;
    snprintf(field.data(), field.size(), "%.*s", static_cast<int>(kTextSize - 1), text);
    return field.data();
}

}  // namespace

const char *error_text(int32_t code, std::span<char, kTextSize> field) noexcept {
    return code == 0 ? "None" : platform_text(code, field);
}

int print_error(out::Writer &w, const out::Field &f, int32_t code, const char *text) noexcept {
    return w.named(f, text, static_cast<uint32_t>(code));
}

const char *serdes_error_text(int32_t code, std::span<char, kTextSize> field) noexcept {
    if (code == 0) return "None";
    if (code == -kPortNotPresent) return platform_text(kPortNotPresent, field);
    return "Failure";
}

}  // namespace pcfg::history
