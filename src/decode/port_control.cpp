// Port control, opcode 398 (show_control_handler).
//
// Payload (big-endian, packed), 6 bytes:
//   0  u8  not read
//   1  u32 if_index
//   5  u8  action   link control action
#include <array>

#include "common/names.h"
#include "decode/decode_common.h"

using pcfg::BeReader;
using namespace pcfg::decode;
using namespace pcfg::out;

namespace {

struct LinkCtrlAction {
    uint8_t action;
    const char *name;
    Field line;  // the action and the if_index after the indent; no newline
};

#define PCFG_ACTION(action, name, rest) \
    LinkCtrlAction { action, #name, indented<"if_index", Type::Uint>("%s" #name rest "%x") }
constexpr std::array<LinkCtrlAction, 3> kActions{{
    PCFG_ACTION(4, LINK_CTRL_ACTION_LINK_OFFLINE, ",if_index:"),
    PCFG_ACTION(5, LINK_CTRL_ACTION_LINK_RESET, ", if_index:"),
    PCFG_ACTION(6, LINK_CTRL_ACTION_LINK_OFFLINE_BLOCKED, ", if_index:"),
}};
#undef PCFG_ACTION

constexpr Field kAction = json_only<"action", Type::NamedUint>();
constexpr Field kIfIndex = json_only<"if_index", Type::Uint>();
constexpr Field kPort = field<"port", Type::Int>(" port:%d");

}  // namespace

// Other actions print no text of their own; a known port adds its number.
template <>
void pcfg::decode::decode<show_control_handler>(const pcfg_logged_msg_t *msg, Writer &w) noexcept {
    BeReader p = open_logged_msg(msg).payload;
    if (!has_fixed_part(p, 6, w)) return;
    p.skip(1);
    const uint32_t if_index = p.u32();
    const uint8_t action = p.u8();
    const LinkCtrlAction *row = pcfg::row_of(kActions, &LinkCtrlAction::action, action);
    w.named(kAction, row != nullptr ? row->name : nullptr, action);
    w.put(row != nullptr ? row->line : kIfIndex, if_index);
    if (const auto port = port_of(if_index)) w.put(kPort, *port);
    w.text("\n");
}

PCFG_TEXT_DECODER(show_control_handler)
