// The simulated port-configuration manager's front door: it counts and logs
// every request, applies the test script or its silence, and hands the
// request to the answer builder of its opcode. Requests and answers go into
// the event log as the card's manager logs them.
#include "manager.h"

#include <array>
#include <deque>

#include "card_client.h"
#include "manager_history.h"
#include "sim_state.h"

namespace pcfg_sim {
namespace detail {
namespace {

struct ManagerState {
    std::deque<Reply> script;
    bool silent = false;
    uint32_t handled = 0;
};

ManagerState &mgr() {
    static ManagerState m;
    return m;
}

struct OpcodeHandler {
    uint32_t opcode;
    Answer (*answer)(std::span<const uint8_t> request);
};

constexpr std::array<OpcodeHandler, 4> kHandlers{{
    {395, answer_set_port_cfg},
    {435, answer_report},
    {3120, answer_port_counters},
    {3187, answer_interval_counters},
}};

Answer answer_by_opcode(uint32_t opcode, std::span<const uint8_t> request) {
    for (const OpcodeHandler &h : kHandlers)
        if (h.opcode == opcode) return h.answer(request);
    return std::nullopt;  // the manager ignores opcodes it does not serve
}

}  // namespace

void manager_reset() { mgr() = ManagerState{}; }

uint32_t manager_handled() { return mgr().handled; }

size_t script_length() { return mgr().script.size(); }

std::optional<ManagerAnswer> manager_receive(uint32_t opcode, std::span<const uint8_t> request) {
    ManagerState &m = mgr();
    if (!m.silent || !m.script.empty()) ++m.handled;  // a silent manager handles nothing
    eventlog_append(kLogRequest, opcode, request);
    hist_on_mts(opcode, false);

    std::optional<ManagerAnswer> out;
    if (!m.script.empty()) {
        Reply r = std::move(m.script.front());
        m.script.pop_front();
        if (r.kind == Reply::Kind::Silence) return std::nullopt;
        out = ManagerAnswer{r.opcode != 0 ? r.opcode : opcode,
                            r.kind == Reply::Kind::NullPayload, std::move(r.payload)};
    } else if (m.silent) {
        return std::nullopt;
    } else if (Answer a = answer_by_opcode(opcode, request)) {
        out = ManagerAnswer{opcode, false, std::move(*a)};
    } else {
        return std::nullopt;
    }
    if (!out->null_payload) eventlog_append(kLogReply, out->opcode, out->payload);
    hist_on_mts(out->opcode, true);
    return out;
}

}  // namespace detail

void script_reply(Reply reply) {
    if (detail::card_client_active()) {
        detail::Wire body;
        body.u8(static_cast<uint8_t>(reply.kind)).u32(reply.opcode);
        body.u32(static_cast<uint32_t>(reply.payload.size())).bytes(reply.payload);
        detail::client_control(detail::Control::Script, body.take());
        return;
    }
    detail::mgr().script.push_back(std::move(reply));
}

void clear_script() {
    if (detail::card_client_active()) {
        detail::client_control(detail::Control::ClearScript, {});
        return;
    }
    detail::mgr().script.clear();
}

void set_manager_silent(bool silent) {
    if (detail::card_client_active()) {
        detail::client_control(detail::Control::Silent, detail::Wire().u8(silent ? 1 : 0).take());
        return;
    }
    detail::mgr().silent = silent;
}

uint32_t manager_requests_handled() {
    if (detail::card_client_active()) return card_status().value_or(CardStatus{}).handled;
    return detail::mgr().handled;
}

bool manager_silent() {
    if (detail::card_client_active()) return card_status().value_or(CardStatus{}).silent;
    return detail::mgr().silent;
}

std::vector<Reply> scripted_replies() {
    if (detail::card_client_active()) return card_status().value_or(CardStatus{}).script;
    return {detail::mgr().script.begin(), detail::mgr().script.end()};
}

}  // namespace pcfg_sim
