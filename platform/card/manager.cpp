// The simulated port-configuration manager's front door: it counts and logs
// every request, applies the test script or its silence, and hands the
// request to the answer builder of its opcode. Requests and answers go into
// the event log as the card's manager logs them.
#include "manager.h"

#include <array>
#include <deque>

#include "card.h"
#include "manager_history.h"

namespace pcfg_sim::card {
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

void script_answer(Reply reply) { mgr().script.push_back(std::move(reply)); }

void clear_script() { mgr().script.clear(); }

void set_manager_silent(bool silent) { mgr().silent = silent; }

bool manager_silent() { return mgr().silent; }

std::vector<Reply> scripted_replies() { return {mgr().script.begin(), mgr().script.end()}; }

}  // namespace pcfg_sim::card
