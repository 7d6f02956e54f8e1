// The history formatter's port-name field: one static buffer of 13 bytes
// plus a terminator, shared by the calls of the formatter (they never
// overlap).
#include <cstring>

#include "history/hist_text.h"
#include "pcfg_platform.h"

namespace pcfg::history {

namespace {
constexpr size_t kNameSize = 13;
char g_port_name[kNameSize + 1];
}  // namespace

const char *port_name(uint32_t if_index) noexcept {
    std::memset(g_port_name, 0, sizeof g_port_name);
    snprintf_if_index_short(g_port_name, kNameSize, if_index);
    g_port_name[kNameSize] = '\0';
    return g_port_name;
}

int print_port(out::Writer &w, const out::Field &name, uint32_t if_index) noexcept {
    static constexpr out::Field kIfIndex = out::json_only<"if_index", out::Type::Uint>();
    out::Count n;
    n += w.str(name, port_name(if_index));
    n += w.put(kIfIndex, if_index);
    return n.n;
}

}  // namespace pcfg::history
