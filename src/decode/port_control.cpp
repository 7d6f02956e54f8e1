// Port control, opcode 398 (show_control_handler).
//
// Payload (big-endian, packed), 6 bytes:
//   0  u8  not read
//   1  u32 if_index
//   5  u8  action   link control action
#include <array>
#include <cstdio>

#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;

namespace {

struct LinkCtrlAction {
    uint8_t action;
    const char *text;  // after the indent, before the if_index; no newline
};

constexpr std::array<LinkCtrlAction, 3> kActions{{
    {4, "LINK_CTRL_ACTION_LINK_OFFLINE,if_index:"},
    {5, "LINK_CTRL_ACTION_LINK_RESET, if_index:"},
    {6, "LINK_CTRL_ACTION_LINK_OFFLINE_BLOCKED, if_index:"},
}};

}  // namespace

// Other actions print no text of their own; a known port adds its number.
extern "C" void show_control_handler(const pcfg_logged_msg_t *msg) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 6)) return;
    p.skip(1);
    const uint32_t if_index = p.u32();
    const uint8_t action = p.u8();
    for (const LinkCtrlAction &row : kActions)
        if (row.action == action)
            printf("%s%s%x", pcfg_show_indent, row.text, static_cast<unsigned>(if_index));
    if (const auto port = port_of(if_index)) printf(" port:%d", static_cast<int32_t>(*port));
    printf("\n");
}
