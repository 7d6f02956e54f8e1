// The shell's side of the card's socket: one connection per process, one
// request at a time, every answer checked like any untrusted frame. When the
// card goes away the transport stays, with no manager behind it: queues
// bind, sends go nowhere, and a receive waits its limit and times out, as on
// a card whose manager died.
#include "card_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <deque>
#include <set>

#include "eventlog_segment.h"
#include "sim_state.h"

namespace pcfg_sim::detail {

bool g_card_client = false;

namespace {

// How long the card may take over an answer beyond the wait it was given;
// past that it is taken for dead.
constexpr int kAnswerGraceMs = 10000;
// Handles this process hands out itself once the card is gone.
constexpr int kFirstLocalHandle = 1000;
constexpr uint64_t kLocalRecord = 1ull << 63;
// What the service call gives while no card answers: "operation timed out".
constexpr int32_t kServiceGone = -0x40290008;

struct Delivered {
    uint64_t id;
    uint32_t opcode;
    uint32_t token;
    bool null_payload;
    std::vector<uint8_t> payload;
};

// A message as Send and Receive answers carry it.
Delivered read_message(FrameReader &r) {
    Delivered d{r.u64(), r.u32(), r.u32(), r.flag(), {}};
    const std::span<const uint8_t> payload = r.bytes();
    d.payload.assign(payload.begin(), payload.end());
    return d;
}

HeldMessage held_view(const Delivered &d) {
    return {d.id, d.opcode, d.token, d.null_payload, d.payload};
}

struct Link {
    int fd = -1;
    bool lost = false;
    std::string path;
    void (*on_lost)(const std::string &path) = nullptr;
    std::map<int, int> errnos;  // the error number each queue's last failure left
    int last_errno = 0;         // of the last failure on no queue
    std::set<int> local_queues; // bound after the card was lost
    int next_local = kFirstLocalHandle;
    uint64_t next_record = kLocalRecord;
    std::set<int> bound;       // queues bound in the card and not closed since
    std::deque<Op> posted;     // requests sent whose answers are still to come
    bool card_faults = true;   // a fault is armed in the card (as its last answer said)
    // Answers the card delivered with their requests, by queue, for the
    // shell's next receives.
    std::map<int, std::deque<Delivered>> delivered;
};

// The answer being read: untouched pages cost nothing, and a shell that
// starts for one command maps no buffer of its own.
uint8_t g_in[kMaxFrame + 1];

Link &link() {
    static Link l;
    return l;
}

void lose() {
    Link &l = link();
    if (l.lost) return;
    l.lost = true;
    if (l.fd >= 0) close(l.fd);
    l.fd = -1;
    if (l.on_lost != nullptr) l.on_lost(l.path);
}

int64_t ms_left(const timespec &deadline) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (deadline.tv_sec - now.tv_sec) * 1000 + (deadline.tv_nsec - now.tv_nsec) / 1000000;
}

std::optional<std::vector<uint8_t>> receive_answer(Op op, int wait_ms) {
    Link &l = link();
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += wait_ms / 1000;
    deadline.tv_nsec += (wait_ms % 1000) * 1000000L;
    for (;;) {
        pollfd p{l.fd, POLLIN, 0};
        const int64_t left = ms_left(deadline);
        const int r = poll(&p, 1, static_cast<int>(left > 0 ? left : 0));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;  // the card stopped answering
        const ssize_t n = recv(l.fd, g_in, sizeof g_in, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || static_cast<size_t>(n) > kMaxFrame) break;
        const std::span<const uint8_t> frame(g_in, static_cast<size_t>(n));
        FrameReader check(frame);
        const Op expected = l.posted.empty() ? op : l.posted.front();
        if (!check.ok() || (check.op() & ~kFaultsArmedBit) != (static_cast<uint8_t>(expected) | kAnswerBit))
            break;
        l.card_faults = (check.op() & kFaultsArmedBit) != 0;
        if (l.posted.empty()) return std::vector<uint8_t>(frame.begin(), frame.end());
        l.posted.pop_front();
        if (expected == Op::Hello) eventlog_use_segment(check.text());
        // The answer of a posted drop or unbind: nothing left to do.
    }
    lose();
    return std::nullopt;
}

// The platform calls that reach the card.
constexpr std::array<std::string_view, 10> kCardCalls{
    "mts_bind", "mts_unbind", "mts_send", "mts_recv", "mts_drop", "sdstub_show_hist_inst",
    "sse_call", "get_front_port_if_index_list", "get_total_lc_front_ports",
    "pm_idxmap_entry_by_if_index",
};

// Remembers what a call's answer says about the queue's error number.
int settle(int handle, int32_t result, int32_t err) {
    if (result < 0) {
        link().errnos[handle] = err;
        link().last_errno = err;
    }
    return result;
}

int local_failure(int handle, int err) { return settle(handle, -1, err); }

void wait_seconds(uint32_t seconds) {
    timespec t{static_cast<time_t>(seconds), 0};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

// Sends one frame; false (the card lost) when it could not.
bool send_frame(const std::vector<uint8_t> &request) {
    Link &l = link();
    if (l.lost) return false;
    ssize_t sent;
    do {
        sent = send(l.fd, request.data(), request.size(), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent == static_cast<ssize_t>(request.size())) return true;
    lose();
    return false;
}

// Sends a request whose answer is read later.
bool card_post(std::vector<uint8_t> request) {
    if (!send_frame(request)) return false;
    link().posted.push_back(static_cast<Op>(request[3]));
    return true;
}

}  // namespace

std::optional<std::vector<uint8_t>> card_exchange(std::vector<uint8_t> request,
                                                  uint32_t wait_seconds) {
    if (!send_frame(request)) return std::nullopt;
    return receive_answer(static_cast<Op>(request[3]),
                          static_cast<int>(wait_seconds) * 1000 + kAnswerGraceMs);
}

std::optional<std::vector<uint8_t>> card_next_answer(Op op) {
    if (link().lost) return std::nullopt;
    return receive_answer(op, kAnswerGraceMs);
}

bool card_lost() { return link().lost; }

bool answered_by_card(std::string_view call) {
    return std::find(kCardCalls.begin(), kCardCalls.end(), call) != kCardCalls.end();
}

int client_bind(int type, int sap, const uint32_t *options, const char *name) {
    Link &l = link();
    if (l.lost) {
        const int handle = l.next_local++;
        l.local_queues.insert(handle);
        l.errnos[handle] = 0;
        return handle;
    }
    FrameWriter w(Op::Bind);
    w.i32(type).i32(sap).flag(options != nullptr);
    for (size_t i = 0; i < 6; ++i) w.u32(options != nullptr ? options[i] : 0);
    w.flag(name != nullptr).text(name != nullptr ? name : "");
    const auto answer = card_exchange(w.take());
    if (!answer) return client_bind(type, sap, options, name);
    FrameReader r(*answer);
    const int32_t result = r.i32();
    const int32_t err = r.i32();
    if (result >= 0) {
        l.errnos[result] = 0;
        l.bound.insert(result);
    }
    return settle(-1, result, err);
}

int client_unbind(int handle, int flags) {
    Link &l = link();
    if (l.local_queues.erase(handle) > 0) return 0;
    // Answers delivered and never received go with the queue, as waiting
    // messages do.
    for (const Delivered &d : l.delivered[handle]) {
        mts_msg_t msg = transport_record(d.id);
        transport_mirror(&msg, handle, {d.id, d.opcode, d.token, d.null_payload, {}});
        client_drop(handle, &msg);
    }
    l.delivered.erase(handle);
    FrameWriter w(Op::Unbind);
    w.i32(handle).i32(flags);
    // A queue of this shell closes unless a fault says otherwise.
    if (!l.card_faults && l.bound.erase(handle) > 0) {
        card_post(w.take());
        return 0;
    }
    const auto answer = card_exchange(w.take());
    if (!answer) return local_failure(handle, kErrBadHandle);
    FrameReader r(*answer);
    const int32_t result = r.i32();
    if (result == 0) l.bound.erase(handle);
    return settle(handle, result, r.i32());
}

int client_send(int handle, const mts_addr_t *dest, uint32_t opcode, const void *payload,
                uint32_t length, mts_msg_t *sent, int flags, int reserved) {
    Link &l = link();
    const auto *bytes = static_cast<const uint8_t *>(payload);
    const std::span<const uint8_t> body =
        bytes != nullptr ? std::span<const uint8_t>(bytes, length) : std::span<const uint8_t>{};
    if (l.local_queues.count(handle) > 0) {
        // No manager: the message goes nowhere.
        if (sent != nullptr) transport_mirror(sent, handle, {l.next_record++, opcode, 0, false, body});
        return 0;
    }
    if (length > kMaxFrame - 64) return local_failure(handle, EMSGSIZE);
    FrameWriter w(Op::Send);
    w.i32(handle).flag(dest != nullptr).u32(dest != nullptr ? dest->node : 0)
        .u32(dest != nullptr ? dest->sap : 0).u32(opcode).flag(bytes != nullptr);
    w.bytes(bytes != nullptr ? body : std::span<const uint8_t>{});
    w.flag(sent != nullptr).i32(flags).i32(reserved).flag(true);
    const auto answer = card_exchange(w.take());
    if (!answer) return local_failure(handle, kErrUnreachable);
    FrameReader r(*answer);
    const int32_t result = r.i32();
    const int32_t err = r.i32();
    const uint64_t id = r.u64();
    const uint32_t token = r.u32();
    if (result == 0 && sent != nullptr && id != 0)
        transport_mirror(sent, handle, {id, opcode, token, false, body});
    if (r.flag()) {
        Delivered d = read_message(r);
        if (r.done()) l.delivered[handle].push_back(std::move(d));
    }
    return settle(handle, result, err);
}

int client_recv(int handle, mts_msg_t *msg, const uint32_t *options) {
    Link &l = link();
    const uint32_t wait = options != nullptr ? options[2] : 0;
    if (l.local_queues.count(handle) > 0) {
        if (msg == nullptr) return local_failure(handle, kErrBadHandle);
        wait_seconds(wait);
        return local_failure(handle, kErrNoMessage);
    }
    auto &ready = l.delivered[handle];
    const uint32_t token = options != nullptr ? options[3] : 0;
    const auto it = std::find_if(ready.begin(), ready.end(), [token](const Delivered &d) {
        return token == 0 || d.token == token;
    });
    if (it != ready.end()) {
        if (msg == nullptr) return local_failure(handle, kErrBadHandle);
        transport_mirror(msg, handle, held_view(*it));
        ready.erase(it);
        return 0;
    }
    FrameWriter w(Op::Receive);
    w.i32(handle).flag(options != nullptr);
    for (size_t i = 0; i < 10; ++i) w.u32(options != nullptr ? options[i] : 0);
    const auto answer = card_exchange(w.take(), wait);
    if (!answer) return local_failure(handle, ECONNRESET);
    FrameReader r(*answer);
    const int32_t result = r.i32();
    const int32_t err = r.i32();
    const Delivered got = read_message(r);
    if (result == 0 && msg != nullptr && got.id != 0) transport_mirror(msg, handle, held_view(got));
    return settle(handle, result, err);
}

int client_drop(int handle, mts_msg_t *msg) {
    const uint64_t id = transport_record_id(msg);
    if ((id & kLocalRecord) != 0 || link().local_queues.count(handle) > 0) {
        if (id == 0) return local_failure(handle, kErrBadHandle);
        transport_forget(msg);
        return 0;
    }
    FrameWriter w(Op::Drop);
    w.i32(handle).u64(id);
    // A message this shell holds on its queue is released unless a fault
    // says otherwise.
    if (!link().card_faults && link().bound.count(handle) > 0) {
        card_post(w.take());
        transport_forget(msg);
        return 0;
    }
    const auto answer = card_exchange(w.take());
    if (!answer) {
        transport_forget(msg);  // the card and what it held are gone
        return 0;
    }
    FrameReader r(*answer);
    const int32_t result = r.i32();
    const int32_t err = r.i32();
    if (result == 0) transport_forget(msg);
    return settle(handle, result, err);
}

int client_errno(int handle) {
    const auto it = link().errnos.find(handle);
    return it != link().errnos.end() ? it->second : link().last_errno;
}

int client_history(void *params, const mts_addr_t *addr, uint32_t hist_id, uint32_t instance,
                   uint32_t flags) {
    FrameWriter w(Op::History);
    w.flag(params != nullptr).u32(addr != nullptr ? addr->node : 0)
        .u32(addr != nullptr ? addr->sap : 0).u32(hist_id).u32(instance).u32(flags);
    auto answer = card_exchange(w.take());
    int32_t result = -1;
    uint32_t first = 1;
    while (answer) {
        FrameReader r(*answer);
        result = r.i32();
        if (r.flag()) history_unknown(hist_id, instance);
        const bool more = r.flag();
        const uint32_t count = r.u32();
        for (uint32_t i = 0; i < count && r.ok(); ++i) {
            const uint32_t event_id = r.u32();
            const hist_timestamp ts{r.u32(), r.u32()};
            const std::span<const uint8_t> record = r.bytes();
            if (!r.ok()) break;
            history_show_record(event_id, ts, record, first);
            first = 0;
        }
        if (!more) break;
        answer = card_next_answer(Op::History);
    }
    return result;
}

int32_t client_service(uint32_t function, void *record) {
    FrameWriter w(Op::Service);
    w.u32(function).flag(record != nullptr);
    std::array<uint8_t, kServiceRecord> copy{};
    if (record != nullptr) std::memcpy(copy.data(), record, copy.size());
    w.raw(copy);
    const auto answer = card_exchange(w.take());
    if (!answer) return kServiceGone;
    FrameReader r(*answer);
    const int32_t result = r.i32();
    const std::span<const uint8_t> filled = r.span(kServiceRecord);
    if (record != nullptr && r.done()) std::memcpy(record, filled.data(), filled.size());
    return result;
}

int client_port_list(front_port_list *list) {
    FrameWriter w(Op::Ports);
    const auto answer = card_exchange(w.flag(list != nullptr).take());
    if (!answer) return -1;
    FrameReader r(*answer);
    const int32_t result = r.i32();
    const uint8_t count = r.u8();
    if (result != 0 || list == nullptr) return result;
    std::memset(list, 0, sizeof *list);
    list->count = count;
    for (uint8_t i = 0; i < count; ++i) {
        list->entries[i].if_index = r.u32();
        list->entries[i].port_index = r.u8();
    }
    return r.done() ? 0 : -1;
}

int32_t client_total_ports() {
    FrameWriter w(Op::Total);
    const auto answer = card_exchange(w.take());
    if (!answer) return -1;
    FrameReader r(*answer);
    return r.i32();
}

int client_port_map(uint32_t if_index, pm_idxmap_entry_t *entry) {
    FrameWriter w(Op::PortMap);
    const auto answer = card_exchange(w.u32(if_index).flag(entry != nullptr).take());
    if (!answer) return -1;
    FrameReader r(*answer);
    const int32_t result = r.i32();
    const uint32_t port = r.u32();
    if (result == 0 && entry != nullptr) {
        std::memset(entry, 0, sizeof *entry);
        entry->if_index = if_index;
        entry->port = port;
    }
    return result;
}

int64_t client_control(Control what, std::span<const uint8_t> body, int64_t otherwise) {
    FrameWriter w(Op::Control);
    const auto answer = card_exchange(w.u8(static_cast<uint8_t>(what)).raw(body).take());
    if (!answer) return otherwise;
    FrameReader r(*answer);
    const int64_t value = r.i64();
    return r.done() ? value : otherwise;
}

}  // namespace pcfg_sim::detail

namespace pcfg_sim {

using namespace detail;

bool connect_card(const std::string &path, std::string_view name, std::string &why) {
    Link &l = link();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path) {
        why = "socket path too long";
        return false;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    if (connect(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) != 0) {
        why = std::strerror(errno);
        close(fd);
        return false;
    }
    l.fd = fd;
    l.path = path;
    g_card_client = true;
    set_call_log(false);
    // The hello's answer names the card's event log; it is read with the
    // first answer the shell waits for.
    FrameWriter w(Op::Hello);
    card_post(w.u32(static_cast<uint32_t>(getpid())).text(name).take());
    return true;
}

bool card_connected() { return card_client_active(); }

void on_card_lost(void (*tell)(const std::string &path)) { link().on_lost = tell; }

std::optional<CardStatus> card_status() {
    if (!card_client_active()) return std::nullopt;
    FrameWriter w(Op::Status);
    const auto answer = card_exchange(w.take());
    if (!answer) return std::nullopt;
    FrameReader r(*answer);
    CardStatus s;
    s.frame_version = (*answer)[2];
    s.now = r.u32();
    s.ports = r.u32();
    s.handled = r.u32();
    s.queues = r.u32();
    s.held = r.u32();
    s.silent = r.flag();
    const uint32_t scripted = r.u32();
    for (uint32_t i = 0; i < scripted && r.ok(); ++i) {
        Reply reply;
        reply.kind = static_cast<Reply::Kind>(r.u8());
        reply.opcode = r.u32();
        const std::span<const uint8_t> payload = r.bytes();
        reply.payload.assign(payload.begin(), payload.end());
        s.script.push_back(std::move(reply));
    }
    const uint32_t faults = r.u32();
    for (uint32_t i = 0; i < faults && r.ok(); ++i) {
        ArmedFault f;
        f.call = r.text();
        f.result = r.i64();
        f.err = r.i32();
        f.nth = r.u32();
        f.times = r.u32();
        s.faults.push_back(std::move(f));
    }
    const uint32_t shells = r.u32();
    for (uint32_t i = 0; i < shells && r.ok(); ++i) {
        ShellInfo info;
        info.pid = r.u32();
        info.queues = r.u32();
        info.held = r.u32();
        info.asker = r.flag();
        info.name = r.text();
        s.shells.push_back(std::move(info));
    }
    if (!r.done()) return std::nullopt;
    return s;
}

bool stop_card() {
    if (!card_client_active()) return false;
    FrameWriter w(Op::Stop);
    if (!card_exchange(w.take())) return false;
    // The card closes every connection as it ends.
    Link &l = link();
    pollfd p{l.fd, POLLIN, 0};
    for (int tries = 0; tries < 50; ++tries) {
        if (poll(&p, 1, 100) > 0 && recv(l.fd, g_in, sizeof g_in, 0) <= 0) break;
    }
    l.on_lost = nullptr;
    lose();
    return true;
}

}  // namespace pcfg_sim
