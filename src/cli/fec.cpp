// FEC state of one port (command 41), over the shell's own queue.
//
// The command sends one set-port-configuration request carrying a single
// FEC state TLV and waits for the reply to that very request, matched by
// its request/response token. The queue belongs to the shell: the command
// neither binds nor unbinds it.
//
// Request, opcode 395, 10 bytes, big-endian:
//   0 u8  fsm_flag  0          6 u8 num_cfg  1
//   1 u8  num_ports 1          7 u8 type     175 (FEC state)
//   2 u32 if_index             8 u8 len      1
//                              9 u8 value    the FEC state
//
// Reply: 0 u8 fsm_flag, 1 u8 num_ports, then 8-byte status entries
//   (u32 if_index, u32 status, 0 = success); only the first is read.
#include <array>
#include <iterator>
#include <cstdio>

#include "cli/commands.h"
#include "cli/exchange.h"
#include "common/be_reader.h"
#include "common/cfg_types.h"
#include "common/mts_session.h"
#include "common/params.h"

using namespace pcfg;
using namespace pcfg::out;

namespace {

constexpr uint32_t kRequestLen = 10;
constexpr int32_t kNoPort = -1;
constexpr uint32_t kReplyReadLen = 10;  // the flags and the first status entry

// The if_index of the front port with this port index; 0 when the card has
// no such front port (or no port was typed).
uint32_t if_index_of(const front_port_list &list, int32_t port_index) {
    for (size_t i = 0; i < list.count && i < std::size(list.entries); ++i)
        if (static_cast<int32_t>(list.entries[i].port_index) == port_index)
            return list.entries[i].if_index;
    return 0;
}

// Its conversation runs on the shell's queue and awaits the reply to its own
// request; the opcode is never asked for.
constexpr ExchangeRules kRules{kOpcSetPortCfg, SendFails::OnNonZero, true, kWaitFec,
                               OpcodeUse::Ignore, kReplyReadLen};

void print_failure(const ExchangeFailure &f, Writer &w) {
    switch (f.step) {
    case ExchangeStep::Send:
        w.fail(Fail::SendFailed, "mts send failed");
        return;
    case ExchangeStep::Receive:
        w.fail(Fail::Timeout, "Failed to receive reponse message from pcfg, timed out.");
        return;
    case ExchangeStep::Opcode:
        return;
    case ExchangeStep::NullPayload:
        w.fail(Fail::NullPayload, "mts recv: no payload\n");
        return;
    case ExchangeStep::ShortPayload:
        w.fail(Fail::ShortPayload, "mts recv: short payload (%u bytes)\n",
               static_cast<unsigned>(f.found));
        return;
    }
}

// The request as sent, and the reply's first status entry.
constexpr Field kSentIfIndex = field<"if_index", Type::Uint>("mts send: if_index = 0x%x, ");
constexpr Field kSentPort = field<"port_index", Type::Int>("port = %d, ");
constexpr Field kSentFec = field<"fec", Type::Int>("fec = %d\n");
constexpr Field kReplyIfIndex = field<"if_index", Type::Uint>("mts recv: if_index = 0x%x, ");
constexpr Field kReplyStatus = field<"status", Type::Int>("status = %d, ");
constexpr Field kReplyResult = field<"result", Type::Str>("%s\n");

int print_reply(const Answer &reply, Writer &w) {
    BeReader r(reply.payload, reply.size);
    r.skip(2);
    const uint32_t if_index = r.u32();
    const uint32_t status = r.u32();
    const Scope scope(w, "reply");
    w.put(kReplyIfIndex, if_index);
    w.put(kReplyStatus, status);
    w.str(kReplyResult, status == 0 ? "success" : "failure");
    return 0;
}

}  // namespace

template <>
void pcfg::run_command<PCFG_CMD_SET_FEC>(const cli_param_block &params, Writer &w) noexcept {
    const auto typed = token_number(params, PCFG_PARAM_PORT, Pick::Last);
    const int32_t port = typed ? port_index_of(*typed) : kNoPort;
    // The request carries the low 8 bits of what was typed.
    const auto fec =
        static_cast<uint8_t>(token_number(params, PCFG_PARAM_FEC, Pick::Last).value_or(0));

    front_port_list list{};
    if (get_front_port_if_index_list(&list) != 0) {
        w.fail(Fail::PlatformFailed, "getting if_index list failed\n");
        return;
    }
    // A port that is not a front port is not refused here: the request goes
    // out with if_index 0 and the manager's status tells the operator.
    const uint32_t if_index = if_index_of(list, port);

    std::array<uint8_t, kRequestLen> request{};
    BeWriter(request).u8(0).u8(1).u32(if_index).u8(1).u8(kCfgPortFecState).u8(1).u8(fec);

    converse(
        params.mts_handle, request, kRules,
        [&] {
            const Scope sent(w, "sent");
            w.put(kSentIfIndex, if_index);
            w.put(kSentPort, static_cast<uint32_t>(port));
            w.put(kSentFec, fec);
        },
        [&w](const ExchangeFailure &f) { print_failure(f, w); },
        [&w](const Answer &a) { return print_reply(a, w); });
}
