// The card's side of its socket: each frame is checked to its last byte
// before anything runs, then served by one handler per operation on the
// card in this process, for the queues of the shell that sent it only.
#include "card_service.h"

#include <algorithm>
#include <cstdio>

#include "card.h"
#include "eventlog_segment.h"
#include "manager.h"
#include "transport.h"

namespace pcfg_sim::link {
namespace {

using Result = CardService::Result;
using Client = CardService::Client;

// What shells may leave armed in the card: scripted answers and faults.
constexpr size_t kMaxScripted = 256;
constexpr size_t kMaxFaults = 256;
// History records per answer frame: well inside the frame limit.
constexpr size_t kHistoryBytesPerFrame = kMaxFrame / 2;
// What a status answer may take of a frame (its header and a few words
// left over).
constexpr size_t kStatusBytes = kMaxFrame - 64;

// The transport's bounds a shell can reach, each told once in the log.
enum Bound : unsigned { QueuesBound = 1, MessagesBound = 2 };

// One frame being served.
struct Served {
    const CardService &service;
    Client &client;
    int id;  // the shell's connection: the owner of its queues and messages
    uint64_t now_ms;
    uint8_t op;   // the frame's operation and size, for a malformed one's log line
    size_t size;
};

Result malformed(uint8_t op, size_t size) {
    Result out;
    out.close = true;
    char why[96];
    snprintf(why, sizeof why, "malformed frame (operation %u, %zu bytes)", static_cast<unsigned>(op), size);
    out.why = why;
    return out;
}

template <class O>
Result answer(const typename O::Answer &body) {
    Result out;
    out.answers.push_back(answer_frame<O>(body));
    return out;
}

// A call that failed at one of the shell's bounds: the answer, with a line
// for the log the first time.
Result bounded(Served &s, Result out, int result, int err, Bound bound) {
    if (result >= 0 || err != card::kErrNoResources || (s.client.bounds_logged & bound) != 0) return out;
    s.client.bounds_logged |= bound;
    char why[160];
    if (bound == QueuesBound)
        snprintf(why, sizeof why, "holds its %d queues; its binds fail until it closes one",
                 card::kQueuesPerClient);
    else
        snprintf(why, sizeof why,
                 "holds its %d messages or %zu KiB of them; its sends fail until it drops some",
                 card::kMessagesPerClient, card::kMessageBytesPerClient / 1024);
    out.why = why;
    return out;
}

// A call on a queue that is not the shell's fails as on no queue at all.
bool not_owned(const Served &s, int32_t handle) { return !card::owns(s.id, handle); }
int32_t error_of(int result, int handle) { return result < 0 ? card::last_errno(handle) : 0; }

Message message_of(const std::optional<card::HeldMessage> &m) {
    if (!m) return {};
    return {m->id, m->opcode, m->token, m->null_payload, {m->payload}};
}

ReceiveAnswer receive(Served &s, int handle, const Given<std::array<uint32_t, 10>> &options) {
    s.client.wait_handle = -1;
    mts_msg_t msg{};
    const int result = card::recv(s.id, handle, &msg, options.given ? options.value[3] : 0);
    return {result, error_of(result, handle), message_of(result == 0 ? card::held(&msg) : std::nullopt)};
}

// ------------------------------------------------------------ the handlers
Result hello(Served &s, const HelloRequest &r) {
    s.client.name = std::string(r.shell);
    const std::string segment = card::eventlog_segment_name();
    return answer<HelloOp>({segment, static_cast<uint32_t>(card::state().ports.size())});
}

Result bind(Served &s, const BindRequest &) {
    const int result = card::bind(s.id);
    const int32_t err = error_of(result, -1);
    return bounded(s, answer<BindOp>({result, err}), result, err, QueuesBound);
}

Result unbind(Served &s, const UnbindRequest &r) {
    if (not_owned(s, r.handle)) return answer<UnbindOp>({-1, card::kErrBadHandle});
    const int result = card::unbind(s.id, r.handle);
    return answer<UnbindOp>({result, error_of(result, r.handle)});
}

Result send(Served &s, const SendRequest &r) {
    if (not_owned(s, r.handle)) return answer<SendOp>({-1, card::kErrBadHandle, 0, 0, {}});
    static const uint8_t kNothing = 0;
    const std::span<const uint8_t> payload = r.payload.value.data;
    const mts_addr_t dest{r.dest.value.node, r.dest.value.sap};
    mts_msg_t sent{};
    const uint8_t *bytes = r.payload.given ? (payload.empty() ? &kNothing : payload.data()) : nullptr;
    const int result = card::send(s.id, r.handle, r.dest.given ? &dest : nullptr, r.opcode, bytes,
                                  static_cast<uint32_t>(payload.size()), r.keep ? &sent : nullptr);
    const std::optional<card::HeldMessage> kept = r.keep && result == 0 ? card::held(&sent) : std::nullopt;
    SendAnswer a{result, error_of(result, r.handle), kept ? kept->id : 0, kept ? kept->token : 0, {}};
    // The manager answered at once: the answer goes with this one (while no
    // fault is armed, which a receive in the shell's own time might meet),
    // and the shell's receive takes it there.
    const uint32_t token = card::last_token();
    mts_msg_t got{};
    if (r.deliver && result == 0 && !card::faults().any() && card::deliverable(r.handle, token) &&
        card::recv(s.id, r.handle, &got, token) == 0)
        a.answer = message_of(card::held(&got));
    return bounded(s, answer<SendOp>(a), a.result, a.err, MessagesBound);
}

Result receive(Served &s, const ReceiveRequest &r) {
    if (not_owned(s, r.handle)) return answer<ReceiveOp>({-1, card::kErrBadHandle, {}});
    const uint32_t wait = r.options.given ? r.options.value[2] : 0;
    const uint32_t token = r.options.given ? r.options.value[3] : 0;
    if (wait > 0 && !card::deliverable(r.handle, token)) {
        s.client.wait_handle = r.handle;
        s.client.wait_options = r.options;
        Result out;
        out.waiting = true;
        out.until_ms = s.now_ms + uint64_t{wait} * 1000;
        return out;
    }
    return answer<ReceiveOp>(receive(s, r.handle, r.options));
}

Result drop(Served &s, const DropRequest &r) {
    if (not_owned(s, r.handle)) return answer<DropOp>({-1, card::kErrBadHandle});
    mts_msg_t msg{};
    card::fill_record(&msg, r.id);
    const int result = card::drop(s.id, r.handle, &msg);
    return answer<DropOp>({result, error_of(result, r.handle)});
}

Result history(Served &, const HistoryRequest &r) {
    const card::HistoryLookup found = card::history_lookup(r.hist_id, r.instance);
    const std::deque<card::HistRecord> none;
    const std::deque<card::HistRecord> &records = found.records != nullptr ? *found.records : none;
    Result out;
    auto next = records.begin();
    do {
        HistoryAnswer a{found.result, found.unknown, false, {}};
        size_t bytes = 0;
        for (; next != records.end(); ++next) {
            if (!a.records.empty() && bytes + next->bytes.size() >= kHistoryBytesPerFrame) break;
            bytes += next->bytes.size() + 16;
            a.records.push_back({next->event_id, next->ts.seconds, next->ts.second_word, {next->bytes}});
        }
        a.more = next != records.end();
        out.answers.push_back(answer_frame<HistoryOp>(a));
    } while (next != records.end());
    return out;
}

Result service(Served &, const ServiceRequest &r) {
    std::array<uint8_t, kServiceRecord> record = r.record.value;
    const int32_t result = card::service(r.function, r.record.given ? record.data() : nullptr);
    return answer<ServiceOp>({result, record});
}

Result ports(Served &, const WantedRequest &r) {
    front_port_list list{};
    const int result = card::port_list(r.wanted ? &list : nullptr);
    PortsAnswer a{result, {}};
    for (uint8_t i = 0; result == 0 && r.wanted && i < list.count; ++i)
        a.ports.items.push_back({list.entries[i].if_index, list.entries[i].port_index});
    return answer<PortsOp>(a);
}

Result total(Served &, const Empty &) { return answer<TotalOp>({card::total_ports()}); }

Result port_map(Served &, const PortMapRequest &r) {
    pm_idxmap_entry_t entry{};
    const int result = card::port_map(r.if_index, r.wanted ? &entry : nullptr);
    return answer<PortMapOp>({result, result == 0 ? entry.port : 0});
}

// The card's status within one frame: scripted answers that would take it
// past the limit are left out and counted (shells and faults are bounded
// well inside it).
Result status(Served &s, const Empty &) {
    CardStatus status = card::status();
    for (const auto &[id, shell] : s.service.clients()) {
        const card::Holdings h = card::holdings(id);
        status.shells.push_back({shell.pid, static_cast<uint32_t>(h.queues), static_cast<uint32_t>(h.held),
                                 id == s.id, shell.name});
    }
    std::vector<Reply> script = std::move(status.script);
    status.script.clear();
    size_t bytes = answer_frame<StatusOp>(status).size();
    for (Reply &r : script) {
        bytes += 9 + r.payload.size();  // its kind, opcode and payload
        if (bytes > kStatusBytes) break;
        status.script.push_back(std::move(r));
    }
    status.unlisted = static_cast<uint32_t>(script.size() - status.script.size());
    return answer<StatusOp>(status);
}

Result stop(Served &, const Empty &) {
    Result out = answer<StopOp>({});
    out.stop = true;
    return out;
}

// The steering of the card by a `sim` command.
template <class O>
Result value(int64_t v) {
    return answer<O>({v});
}

Result silent(Served &, const FlagRequest &r) {
    card::set_manager_silent(r.on);
    return value<SilentOp>(0);
}

Result clear_script(Served &, const Empty &) {
    card::clear_script();
    return value<ClearScriptOp>(0);
}

Result script(Served &s, const Reply &r) {
    if (static_cast<uint8_t>(r.kind) > static_cast<uint8_t>(Reply::Kind::Silence))
        return malformed(s.op, s.size);
    if (card::script_length() >= kMaxScripted || r.payload.size() > kMaxScriptedPayload)
        return value<ScriptOp>(-1);
    card::script_answer(r);
    return value<ScriptOp>(0);
}

Result fail(Served &, const ArmedFault &r) {
    const std::optional<CallId> call = call_named(r.call);
    // The card keeps the faults of the calls it answers only.
    if (!call || !answered_by_card(*call) || card::faults().size() >= kMaxFaults) return value<FailOp>(-1);
    card::faults().arm(*call, r.result, r.err, r.nth, r.times);
    return value<FailOp>(0);
}

Result clear_faults(Served &, const Empty &) {
    card::faults().clear();
    return value<ClearFaultsOp>(0);
}

Result reset(Served &, const NumberRequest &r) {
    card::restart(r.number);
    return value<ResetOp>(static_cast<int64_t>(card::state().ports.size()));
}

Result advance(Served &, const NumberRequest &r) {
    if (r.number <= card::seconds_left()) card::advance(r.number);
    return value<AdvanceOp>(card::state().now);
}

Result now(Served &, const Empty &) { return value<NowOp>(card::state().now); }

Result port_count(Served &, const Empty &) {
    return value<PortCountOp>(static_cast<int64_t>(card::state().ports.size()));
}

Result clear_log(Served &, const Empty &) {
    card::eventlog_reset();
    return value<ClearLogOp>(0);
}

Result port_if_index(Served &, const PortIndexRequest &r) {
    const card::SimPort *p = card::port_by_index(r.port_index);
    return value<PortIfIndexOp>(p != nullptr ? p->if_index : 0);
}

// -------------------------------------------------------------- the table
struct Handler {
    Op op;
    Control control;
    Result (*serve)(Served &, FrameReader &);
};

template <class O, Result (*handle)(Served &, const typename O::Request &)>
Result decoded(Served &s, FrameReader &r) {
    typename O::Request request{};
    if (!r.get(request).done()) return malformed(s.op, s.size);
    return handle(s, request);
}

template <class O, Result (*handle)(Served &, const typename O::Request &)>
constexpr Handler row() {
    return {O::op, O::control, &decoded<O, handle>};
}

constexpr Handler kHandlers[] = {
    row<HelloOp, hello>(),
    row<BindOp, bind>(),
    row<UnbindOp, unbind>(),
    row<SendOp, send>(),
    row<ReceiveOp, receive>(),
    row<DropOp, drop>(),
    row<HistoryOp, history>(),
    row<ServiceOp, service>(),
    row<PortsOp, ports>(),
    row<TotalOp, total>(),
    row<PortMapOp, port_map>(),
    row<StatusOp, status>(),
    row<StopOp, stop>(),
    row<SilentOp, silent>(),
    row<ClearScriptOp, clear_script>(),
    row<ScriptOp, script>(),
    row<FailOp, fail>(),
    row<ClearFaultsOp, clear_faults>(),
    row<ResetOp, reset>(),
    row<AdvanceOp, advance>(),
    row<NowOp, now>(),
    row<PortCountOp, port_count>(),
    row<ClearLogOp, clear_log>(),
    row<PortIfIndexOp, port_if_index>(),
};

constexpr bool served(Op op, Control control) {
    return std::count_if(std::begin(kHandlers), std::end(kHandlers), [&](const Handler &h) {
               return h.op == op && h.control == control;
           }) == 1;
}

// Every operation and every steering of the card has its one handler.
constexpr bool every_operation_served() {
    for (uint8_t op = 1; op <= kLastOp; ++op)
        if (op != static_cast<uint8_t>(Op::Control) && !served(static_cast<Op>(op), Control::None))
            return false;
    for (uint8_t c = 1; c <= static_cast<uint8_t>(Control::PortIfIndex); ++c)
        if (!served(Op::Control, static_cast<Control>(c))) return false;
    return std::size(kHandlers) == kLastOp - 1 + static_cast<size_t>(Control::PortIfIndex);
}
static_assert(every_operation_served(), "an operation of frames.h has no handler, or two");

// Every answer tells whether a fault is armed: a shell posts its drops and
// unbinds without waiting only while none is.
Result with_fault_flag(Result r) {
    if (card::faults().any())
        for (auto &frame : r.answers) frame[3] |= kFaultsArmedBit;
    return r;
}

}  // namespace

CardService::CardService(uint64_t now_ms, bool wall_clock) : tick_ms_(now_ms) {
    card::eventlog_serve_shared();
    CardConfig config;
    config.keep_event_log = true;  // the card starts on the log it finds,
    config.log_start_up = true;    // logging its start-up into an empty one
    config.real_time = wall_clock;
    card::start(config);
}

void CardService::open(int client, uint32_t pid) { clients_[client] = Client{pid, {}, -1, {}, 0}; }

void CardService::close(int client) {
    if (clients_.erase(client) > 0) card::release(client);
}

void CardService::catch_up(uint64_t now_ms) {
    if (now_ms < tick_ms_ + 1000) return;
    const uint64_t whole = (now_ms - tick_ms_) / 1000;
    tick_ms_ += whole * 1000;
    if (const uint64_t step = std::min<uint64_t>(whole, card::seconds_left()); step > 0)
        card::advance(static_cast<uint32_t>(step));
}

CardService::Result CardService::wake(int client, uint64_t now_ms) {
    const auto it = clients_.find(client);
    if (it == clients_.end() || it->second.wait_handle < 0) return {};
    catch_up(now_ms);
    Served s{*this, it->second, client, now_ms, static_cast<uint8_t>(Op::Receive), 0};
    const Given<std::array<uint32_t, 10>> options = it->second.wait_options;
    return with_fault_flag(answer<ReceiveOp>(receive(s, it->second.wait_handle, options)));
}

CardService::Result CardService::take(int client, std::span<const uint8_t> frame, uint64_t now_ms) {
    FrameReader r(frame);
    const auto it = clients_.find(client);
    if (it == clients_.end() || !r.ok()) return malformed(r.op(), frame.size());
    catch_up(now_ms);
    const auto row = std::find_if(std::begin(kHandlers), std::end(kHandlers), [&](const Handler &h) {
        return static_cast<uint8_t>(h.op) == r.op() && h.control == r.control();
    });
    if (row == std::end(kHandlers)) return malformed(r.op(), frame.size());
    Served s{*this, it->second, client, now_ms, r.op(), frame.size()};
    return with_fault_flag(row->serve(s, r));
}

}  // namespace pcfg_sim::link
