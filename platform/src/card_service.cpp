// The card's side of its socket: each frame is checked to the last byte
// before anything runs, then served by the very platform calls an embedded
// card answers (so faults and the manager behave alike), on the queues of
// the shell that sent it only.
#include "pcfg_card.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <optional>

#include "card_frame.h"
#include "eventlog_segment.h"
#include "manager.h"
#include "sim_state.h"

namespace pcfg_sim {

using namespace detail;

namespace {

constexpr uint32_t kLastSecond = 0x7fffffffu;  // simulated time stays below 2^31
// What shells may leave armed in the card: scripted answers and faults.
constexpr size_t kMaxScripted = 256;
constexpr size_t kMaxFaults = 256;
// History records per answer frame: well inside the frame limit.
constexpr size_t kHistoryBytesPerFrame = kMaxFrame / 2;

FrameWriter answer(Op op) { return FrameWriter(static_cast<uint8_t>(static_cast<uint8_t>(op) | kAnswerBit)); }

std::vector<uint8_t> status_answer(Op op, int result, int err) {
    return answer(op).i32(result).i32(err).take();
}

// Reads an optional block of option words.
std::vector<uint32_t> option_words(FrameReader &r, size_t n) {
    const bool given = r.flag();
    std::vector<uint32_t> words(n);
    for (uint32_t &w : words) w = r.u32();
    if (!given) words.clear();
    return words;
}

const uint32_t *words_or_null(const std::vector<uint32_t> &w) { return w.empty() ? nullptr : w.data(); }

CardService::Result malformed(const FrameReader &r, size_t size) {
    CardService::Result out;
    out.close = true;
    char why[96];
    snprintf(why, sizeof why, "malformed frame (operation %u, %zu bytes)",
             static_cast<unsigned>(r.op()), size);
    out.why = why;
    return out;
}

CardService::Result just(std::vector<uint8_t> frame) {
    CardService::Result out;
    out.answers.push_back(std::move(frame));
    return out;
}

// The steering of the card by a `sim` command, read to its last byte
// before it acts; its value, or none when the body is malformed.
uint32_t start_time(bool wall_clock) {
    return wall_clock ? static_cast<uint32_t>(std::min<time_t>(time(nullptr), kLastSecond)) : 0;
}

std::optional<int64_t> control(FrameReader &r, bool wall_clock) {
    const auto what = static_cast<Control>(r.u8());
    switch (what) {
        case Control::Silent: {
            const bool silent = r.flag();
            if (!r.done()) return std::nullopt;
            set_manager_silent(silent);
            return 0;
        }
        case Control::Script: {
            const uint8_t kind = r.u8();
            const uint32_t opcode = r.u32();
            const std::span<const uint8_t> payload = r.bytes();
            if (!r.done() || kind > static_cast<uint8_t>(Reply::Kind::Silence)) return std::nullopt;
            if (script_length() >= kMaxScripted) return -1;
            script_reply({static_cast<Reply::Kind>(kind), opcode, {payload.begin(), payload.end()}});
            return 0;
        }
        case Control::Fail: {
            const std::string call = r.text();
            const int64_t result = r.i64();
            const int err = r.i32();
            const uint32_t nth = r.u32();
            const uint32_t times = r.u32();
            if (!r.done()) return std::nullopt;
            if (fault_rules_armed() >= kMaxFaults) return -1;
            fail(call, result, err, nth, times);
            return 0;
        }
        case Control::Reset: {
            const uint32_t ports = r.u32();
            if (!r.done()) return std::nullopt;
            CardConfig config;
            config.log_start_up = true;
            config.keep_queues = true;
            config.start_time = start_time(wall_clock);
            if (ports > 0) config.num_ports = ports;
            reset(config);
            return num_ports();
        }
        case Control::Advance: {
            const uint32_t seconds = r.u32();
            if (!r.done()) return std::nullopt;
            if (seconds <= kLastSecond - pcfg_sim::now()) advance(seconds);
            return pcfg_sim::now();
        }
        case Control::PortIfIndex: {
            const uint8_t port = r.u8();
            if (!r.done()) return std::nullopt;
            return if_index_of_port(port);
        }
        case Control::ClearScript:
        case Control::ClearFaults:
        case Control::Now:
        case Control::Ports:
        case Control::ClearLog:
            break;
    }
    if (!r.done()) return std::nullopt;
    switch (what) {
        case Control::ClearScript:
            clear_script();
            return 0;
        case Control::ClearFaults:
            clear_faults();
            return 0;
        case Control::Now:
            return pcfg_sim::now();
        case Control::Ports:
            return num_ports();
        case Control::ClearLog:
            clear_event_log();
            return 0;
        default:
            return std::nullopt;
    }
}

void history_answers(FrameReader &r, CardService::Result &out) {
    const bool has_params = r.flag();
    const mts_addr_t addr{r.u32(), r.u32()};
    const uint32_t hist_id = r.u32();
    const uint32_t instance = r.u32();
    const uint32_t flags = r.u32();
    if (!r.done()) return;
    uint8_t params = 0;
    const std::deque<HistRecord> *records = nullptr;
    bool unknown = false;
    const int result = history_lookup(has_params ? &params : nullptr, &addr, hist_id, instance,
                                      flags, records, unknown);
    auto next = records != nullptr ? records->begin() : std::deque<HistRecord>::const_iterator{};
    const auto end = records != nullptr ? records->end() : next;
    do {
        size_t bytes = 0;
        auto last = next;
        while (last != end && (last == next || bytes + last->bytes.size() < kHistoryBytesPerFrame))
            bytes += last++->bytes.size() + 16;
        FrameWriter w = answer(Op::History);
        w.i32(result).flag(unknown).flag(last != end);
        w.u32(static_cast<uint32_t>(last - next));
        for (; next != last; ++next)
            w.u32(next->event_id).u32(next->ts.seconds).u32(next->ts.second_word).bytes(next->bytes);
        out.answers.push_back(w.take());
    } while (next != end);
}

// Every answer tells whether a fault is armed: a shell posts its drops and
// unbinds without waiting only while none is.
CardService::Result with_fault_flag(CardService::Result r) {
    if (faults_armed())
        for (auto &answer : r.answers) answer[3] |= kFaultsArmedBit;
    return r;
}

}  // namespace

CardService::CardService(uint64_t now_ms, bool wall_clock) : tick_ms_(now_ms), wall_clock_(wall_clock) {
    CardConfig config;
    config.keep_event_log = true;  // the card starts on the log it finds,
    config.log_start_up = true;    // logging its start-up into an empty one
    config.start_time = start_time(wall_clock);
    reset(config);
    set_call_log(false);
}

void CardService::open(int client, uint32_t pid) { clients_[client] = Client{pid, {}, {}, {}, {}}; }

void CardService::close(int client) {
    const auto it = clients_.find(client);
    if (it == clients_.end()) return;
    const std::set<int> bound = std::move(it->second.bound);
    clients_.erase(it);
    for (int handle : bound) {
        const bool reused = std::any_of(clients_.begin(), clients_.end(), [handle](const auto &kv) {
            return kv.second.queues.count(handle) > 0;
        });
        if (!reused) transport_release_queue(handle);
    }
}

bool CardService::owns(const Client &c, int handle) const { return c.queues.count(handle) > 0; }

void CardService::catch_up(uint64_t now_ms) {
    if (now_ms < tick_ms_ + 1000) return;
    const uint64_t whole = (now_ms - tick_ms_) / 1000;
    tick_ms_ += whole * 1000;
    const uint64_t room = kLastSecond - pcfg_sim::now();
    if (const uint64_t step = std::min(whole, room); step > 0) advance(static_cast<uint32_t>(step));
}

std::vector<uint8_t> CardService::receive(Client &c, int handle, const uint32_t *options) {
    c.waiting = Waiting{};
    mts_msg_t msg{};
    const int result = mts_recv(handle, &msg, options);
    FrameWriter w = answer(Op::Receive);
    w.i32(result).i32(result < 0 ? transport_errno(handle) : 0);
    const std::optional<HeldMessage> held = result == 0 ? transport_held(&msg) : std::nullopt;
    if (held)
        w.u64(held->id).u32(held->opcode).u32(held->token).flag(held->null_payload).bytes(held->payload);
    else
        w.u64(0).u32(0).u32(0).flag(false).bytes({});
    return w.take();
}

CardService::Result CardService::wake(int client, uint64_t now_ms) {
    const auto it = clients_.find(client);
    if (it == clients_.end() || it->second.waiting.handle < 0) return {};
    catch_up(now_ms);
    Client &c = it->second;
    const std::vector<uint32_t> options = c.waiting.options;
    return with_fault_flag(just(receive(c, c.waiting.handle, words_or_null(options))));
}

CardService::Result CardService::take(int client, std::span<const uint8_t> frame, uint64_t now_ms) {
    const auto it = clients_.find(client);
    if (it == clients_.end()) return malformed(FrameReader(frame), frame.size());
    catch_up(now_ms);
    return with_fault_flag(serve(it->second, client, frame, now_ms));
}

CardService::Result CardService::serve(Client &c, int client, std::span<const uint8_t> frame,
                                       uint64_t now_ms) {
    FrameReader r(frame);
    if (!r.ok() || r.op() == 0 || r.op() > kLastOp) return malformed(r, frame.size());
    const auto op = static_cast<Op>(r.op());
    Result out;
    switch (op) {
        case Op::Hello: {
            r.u32();
            std::string name = r.text();
            if (!r.done()) break;
            c.name = std::move(name);
            return just(answer(op).text(eventlog_segment_name()).take());
        }
        case Op::Bind: {
            const int type = r.i32();
            const int sap = r.i32();
            const std::vector<uint32_t> options = option_words(r, 6);
            const bool has_name = r.flag();
            const std::string name = r.text();
            if (!r.done()) break;
            const int before = transport_open_queues();
            const int result = mts_bind(type, sap, words_or_null(options), has_name ? name.c_str() : nullptr);
            // A queue of its own only when the transport really bound one
            // (a fault may hand out any number).
            if (result >= 0 && transport_open_queues() == before + 1) {
                c.queues.insert(result);
                c.bound.insert(result);
            }
            return just(answer(op).i32(result).i32(result < 0 ? transport_errno(-1) : 0).take());
        }
        case Op::Unbind: {
            const int handle = r.i32();
            const int flags = r.i32();
            if (!r.done()) break;
            if (!owns(c, handle)) return just(status_answer(op, -1, kErrBadHandle));
            const int result = mts_unbind(handle, flags);
            if (result == 0) c.queues.erase(handle);
            return just(status_answer(op, result, result < 0 ? transport_errno(handle) : 0));
        }
        case Op::Send: {
            const int handle = r.i32();
            const bool has_dest = r.flag();
            const mts_addr_t dest{r.u32(), r.u32()};
            const uint32_t opcode = r.u32();
            const bool has_payload = r.flag();
            const std::span<const uint8_t> payload = r.bytes();
            const bool keep = r.flag();
            const int flags = r.i32();
            const int reserved = r.i32();
            const bool deliver = r.flag();
            if (!r.done()) break;
            FrameWriter w = answer(op);
            if (!owns(c, handle))
                return just(w.i32(-1).i32(kErrBadHandle).u64(0).u32(0).flag(false).take());
            static const uint8_t kNothing = 0;
            mts_msg_t sent{};
            const int result =
                mts_send(handle, has_dest ? &dest : nullptr, opcode,
                         has_payload ? (payload.empty() ? &kNothing : payload.data()) : nullptr,
                         static_cast<uint32_t>(payload.size()), keep ? &sent : nullptr, flags, reserved);
            const std::optional<HeldMessage> held = keep && result == 0 ? transport_held(&sent) : std::nullopt;
            w.i32(result).i32(result < 0 ? transport_errno(handle) : 0);
            w.u64(held ? held->id : 0).u32(held ? held->token : 0);
            // The manager answered at once: the answer goes with this one
            // (while no fault is armed, which a receive in the shell's own
            // time might meet), and the shell's receive takes it there.
            mts_msg_t got{};
            const uint32_t token = transport_last_token();
            const std::array<uint32_t, 10> take_it{1, 0, 0, token, 0, 0, 0, 0, 0, 0};
            const std::optional<HeldMessage> answered =
                deliver && result == 0 && !faults_armed() && transport_deliverable(handle, token) &&
                        mts_recv(handle, &got, take_it.data()) == 0
                    ? transport_held(&got)
                    : std::nullopt;
            w.flag(answered.has_value());
            if (answered)
                w.u64(answered->id).u32(answered->opcode).u32(answered->token)
                    .flag(answered->null_payload).bytes(answered->payload);
            return just(w.take());
        }
        case Op::Receive: {
            const int handle = r.i32();
            const std::vector<uint32_t> options = option_words(r, 10);
            if (!r.done()) break;
            if (!owns(c, handle))
                return just(answer(op).i32(-1).i32(kErrBadHandle).u64(0).u32(0).u32(0).flag(false).bytes({}).take());
            const uint32_t wait = options.empty() ? 0 : options[2];
            const uint32_t token = options.empty() ? 0 : options[3];
            if (wait > 0 && !transport_deliverable(handle, token)) {
                c.waiting = Waiting{handle, options};
                out.waiting = true;
                out.until_ms = now_ms + uint64_t{wait} * 1000;
                return out;
            }
            return just(receive(c, handle, words_or_null(options)));
        }
        case Op::Drop: {
            const int handle = r.i32();
            const uint64_t id = r.u64();
            if (!r.done()) break;
            if (!owns(c, handle)) return just(status_answer(op, -1, kErrBadHandle));
            mts_msg_t msg = transport_record(id);
            const int result = mts_drop(handle, &msg);
            return just(status_answer(op, result, result < 0 ? transport_errno(handle) : 0));
        }
        case Op::History:
            history_answers(r, out);
            if (!r.done()) break;
            return out;
        case Op::Service: {
            const uint32_t function = r.u32();
            const bool has_record = r.flag();
            const std::span<const uint8_t> given = r.span(kServiceRecord);
            if (!r.done()) break;
            std::array<uint8_t, kServiceRecord> record{};
            std::copy(given.begin(), given.end(), record.begin());
            const int32_t result = sse_call(function, has_record ? record.data() : nullptr);
            return just(answer(op).i32(result).raw(record).take());
        }
        case Op::Ports: {
            const bool wanted = r.flag();
            if (!r.done()) break;
            front_port_list list{};
            const int result = get_front_port_if_index_list(wanted ? &list : nullptr);
            const uint8_t count = result == 0 && wanted ? list.count : 0;
            FrameWriter w = answer(op);
            w.i32(result).u8(count);
            for (uint8_t i = 0; i < count; ++i) w.u32(list.entries[i].if_index).u8(list.entries[i].port_index);
            return just(w.take());
        }
        case Op::Total:
            if (!r.done()) break;
            return just(answer(op).i32(get_total_lc_front_ports()).take());
        case Op::PortMap: {
            const uint32_t if_index = r.u32();
            const bool wanted = r.flag();
            if (!r.done()) break;
            pm_idxmap_entry_t entry{};
            const int result = pm_idxmap_entry_by_if_index(if_index, wanted ? &entry : nullptr);
            return just(answer(op).i32(result).u32(result == 0 ? entry.port : 0).take());
        }
        case Op::Control: {
            const std::optional<int64_t> value = control(r, wall_clock_);
            if (!value) break;
            return just(answer(op).u64(static_cast<uint64_t>(*value)).take());
        }
        case Op::Status: {
            if (!r.done()) break;
            FrameWriter w = answer(op);
            w.u32(pcfg_sim::now()).u32(num_ports()).u32(manager_requests_handled());
            w.u32(static_cast<uint32_t>(open_queues())).u32(static_cast<uint32_t>(held_messages()));
            w.flag(manager_silent());
            const std::vector<Reply> script = scripted_replies();
            w.u32(static_cast<uint32_t>(script.size()));
            for (const Reply &reply : script)
                w.u8(static_cast<uint8_t>(reply.kind)).u32(reply.opcode).bytes(reply.payload);
            const std::vector<ArmedFault> faults = armed_faults();
            w.u32(static_cast<uint32_t>(faults.size()));
            for (const ArmedFault &f : faults)
                w.text(f.call).u64(static_cast<uint64_t>(f.result)).i32(f.err).u32(f.nth).u32(f.times);
            w.u32(static_cast<uint32_t>(clients_.size()));
            for (const auto &[id, shell] : clients_) {
                uint32_t held = 0;
                for (int h : shell.queues) held += static_cast<uint32_t>(transport_queue_messages(h));
                w.u32(shell.pid).u32(static_cast<uint32_t>(shell.queues.size())).u32(held);
                w.flag(id == client).text(shell.name);
            }
            return just(w.take());
        }
        case Op::Stop:
            if (!r.done()) break;
            out = just(answer(op).take());
            out.stop = true;
            return out;
    }
    return malformed(r, frame.size());
}

}  // namespace pcfg_sim
