#include "remote_card.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "eventlog_segment.h"
#include "frames.h"

namespace pcfg_sim::link {
namespace {

using card::HeldMessage;

// How long the card may take over an answer beyond the wait it was given;
// past that it is taken for dead.
constexpr int kAnswerGraceMs = 10000;
// How long a connection may take, its greeting answered: a card whose
// queue of connections stays full, or that takes a connection and never
// answers, is given up.
constexpr int kConnectLimitMs = kConnectSeconds * 1000;
// How often a connection to a card whose queue is full is tried again.
constexpr long kConnectRetryNs = 10 * 1000000L;
// Handles this process hands out itself once the card is gone.
constexpr int kFirstLocalHandle = 1000;
constexpr uint64_t kLocalRecord = 1ull << 63;
// What the service call gives while no card answers: "operation timed out".
constexpr int32_t kServiceGone = -0x40290008;

// The answer being read: untouched pages cost nothing, and a shell that
// starts for one command maps no buffer of its own.
uint8_t g_in[kMaxFrame + 1];

int64_t ms_left(const timespec &deadline) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (deadline.tv_sec - now.tv_sec) * 1000 + (deadline.tv_nsec - now.tv_nsec) / 1000000;
}

timespec deadline_in(int ms) {
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += ms / 1000;
    deadline.tv_nsec += (ms % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    return deadline;
}

void wait_seconds(uint32_t seconds) {
    timespec t{static_cast<time_t>(seconds), 0};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

// The connection: frames out, answers in, in the order of the requests.
class Connection {
public:
    explicit Connection(int fd) : fd_(fd) {}
    ~Connection() {
        if (fd_ >= 0) close(fd_);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    bool lost() const { return lost_; }
    // Whether the card is gone, without waiting: its end of the socket
    // closed (answers still to be read do not count).
    bool probe() {
        pollfd p{fd_, POLLRDHUP, 0};
        constexpr short kClosed = POLLHUP | POLLRDHUP | POLLERR | POLLNVAL;
        if (!lost_ && poll(&p, 1, 0) > 0 && (p.revents & kClosed) != 0) lose();
        return lost_;
    }
    // Whether a fault is armed in the card, as its last answer said.
    bool card_faults() const { return card_faults_; }
    // The front ports the card had as it greeted this connection, given
    // once: a shell's first question about them costs no exchange, later
    // ones ask the card (a reset may have changed them since).
    std::optional<uint32_t> take_greeted_ports() { return std::exchange(greeted_ports_, std::nullopt); }

    // One request and its answer (the answer's views point into the frame
    // read, valid until the next). `wait_seconds` is how long the card may
    // hold the answer back (a receive's wait). No value when the card is
    // gone (then lost for good).
    template <class O>
    std::optional<typename O::Answer> exchange(const typename O::Request &request,
                                               uint32_t wait_seconds = 0) {
        if (!send_frame(request_frame<O>(request))) return std::nullopt;
        return answer<O>(static_cast<int>(wait_seconds) * 1000 + kAnswerGraceMs);
    }
    // A further answer of the last request (a history shown in several frames).
    template <class O>
    std::optional<typename O::Answer> next_answer() {
        if (lost_) return std::nullopt;
        return answer<O>(kAnswerGraceMs);
    }
    // Sends a request whose answer is read before the next one's.
    template <class O>
    void post(const typename O::Request &request) {
        if (send_frame(request_frame<O>(request))) posted_.push_back(O::op);
    }

    // Greets the card as a shell called `name` and reads its first frame
    // before `deadline`: the card's answer (its event log is this
    // process's from then on), or why it will not serve this connection.
    Reach greet(std::string_view name, const timespec &deadline, std::string &why) {
        const std::vector<uint8_t> hello = request_frame<HelloOp>({static_cast<uint32_t>(getpid()), name});
        // A card that refuses may have closed the connection already: its
        // refusal is read all the same.
        if (send(fd_, hello.data(), hello.size(), MSG_NOSIGNAL) < 0 && errno != EPIPE &&
            errno != ECONNRESET) {
            why = std::strerror(errno);
            return Reach::NoCard;
        }
        bool reset = false;
        for (;;) {
            pollfd p{fd_, POLLIN, 0};
            const int64_t left = ms_left(deadline);
            const int r = poll(&p, 1, static_cast<int>(left > 0 ? left : 0));
            if (r < 0 && errno == EINTR) continue;
            if (r == 0) {
                why = "no answer within " + std::to_string(kConnectSeconds) + " seconds";
                return Reach::TimedOut;
            }
            const ssize_t n = recv(fd_, g_in, sizeof g_in, 0);
            if (n < 0 && errno == EINTR) continue;
            // A card that closed the connection with the greeting unread
            // leaves a reset, told once, before its refusal.
            if (n < 0 && errno == ECONNRESET && !reset) {
                reset = true;
                continue;
            }
            const std::span<const uint8_t> frame(g_in, n > 0 ? static_cast<size_t>(n) : 0);
            FrameReader r1(frame), r2(frame);
            HelloAnswer answer;
            RefusalBody refusal;
            const uint8_t op = static_cast<uint8_t>(r1.op() & ~kFaultsArmedBit);
            if (r1.ok() && op == (static_cast<uint8_t>(Op::Hello) | kAnswerBit) && r1.get(answer).done()) {
                card_faults_ = (r1.op() & kFaultsArmedBit) != 0;
                card::eventlog_use_segment(std::string(answer.segment));
                greeted_ports_ = answer.ports;
                return Reach::Connected;
            }
            if (r2.ok() && op == (static_cast<uint8_t>(Op::Refused) | kAnswerBit) && r2.get(refusal).done()) {
                why = std::string(refusal.text);
                return refusal.reason == Refusal::OtherUser ? Reach::OtherUser : Reach::Full;
            }
            why = n <= 0 ? "it closed the connection unanswered" : "its answer is no card's";
            return Reach::NoCard;
        }
    }

    // Ends the connection once the card closes it (it was asked to end).
    void await_close() {
        pollfd p{fd_, POLLIN, 0};
        for (int tries = 0; tries < 50; ++tries)
            if (poll(&p, 1, 100) > 0 && recv(fd_, g_in, sizeof g_in, 0) <= 0) break;
        lose();
    }

private:
    void lose() {
        if (lost_) return;
        lost_ = true;
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

    // Sends one frame; false (the card lost) when it could not.
    bool send_frame(const std::vector<uint8_t> &frame) {
        if (lost_) return false;
        ssize_t sent;
        do {
            sent = send(fd_, frame.data(), frame.size(), MSG_NOSIGNAL);
        } while (sent < 0 && errno == EINTR);
        if (sent == static_cast<ssize_t>(frame.size())) return true;
        lose();
        return false;
    }

    template <class O>
    std::optional<typename O::Answer> answer(int wait_ms) {
        FrameReader r(receive(O::op, wait_ms));
        typename O::Answer a{};
        if (lost_ || !r.get(a).done()) {
            lose();
            return std::nullopt;
        }
        return a;
    }

    // The answer of an operation, after those of the requests posted before
    // it; an empty frame when the card is lost.
    std::span<const uint8_t> receive(Op op, int wait_ms) {
        const timespec deadline = deadline_in(wait_ms);
        while (!lost_) {
            pollfd p{fd_, POLLIN, 0};
            const int64_t left = ms_left(deadline);
            const int r = poll(&p, 1, static_cast<int>(left > 0 ? left : 0));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) break;  // the card stopped answering
            const ssize_t n = recv(fd_, g_in, sizeof g_in, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0 || static_cast<size_t>(n) > kMaxFrame) break;
            const std::span<const uint8_t> frame(g_in, static_cast<size_t>(n));
            FrameReader check(frame);
            const Op expected = posted_.empty() ? op : posted_.front();
            const uint8_t answer_op = static_cast<uint8_t>(expected) | kAnswerBit;
            if (!check.ok() || (check.op() & ~kFaultsArmedBit) != answer_op) break;
            card_faults_ = (check.op() & kFaultsArmedBit) != 0;
            if (posted_.empty()) return frame;
            posted_.pop_front();
            // The answer of a posted drop or unbind: nothing left to do.
        }
        lose();
        return {};
    }

    int fd_;
    bool lost_ = false;
    bool card_faults_ = true;
    std::optional<uint32_t> greeted_ports_;
    std::deque<Op> posted_;  // requests sent whose answers are still to come
};

// A message the card handed over, kept here so that the accessors read it
// in this process.
struct Mirror {
    int queue = -1;
    uint32_t opcode = 0;
    uint32_t token = 0;
    bool null_payload = false;
    std::vector<uint8_t> payload;
};

class RemoteCard final : public card::CardAccess {
public:
    explicit RemoteCard(int fd) : link_(fd) {}

    Reach greet(std::string_view name, const timespec &deadline, std::string &why) {
        return link_.greet(name, deadline, why);
    }
    int bind(int type, int sap, const uint32_t *options, const char *name) override {
        if (link_.lost()) {
            const int handle = next_local_++;
            local_queues_.insert(handle);
            errnos_[handle] = 0;
            return handle;
        }
        BindRequest request{type, sap, {options != nullptr, {}}, {name != nullptr, name != nullptr ? name : ""}};
        if (options != nullptr) std::copy_n(options, 6, request.options.value.begin());
        const auto answer = link_.exchange<BindOp>(request);
        if (!answer) return bind(type, sap, options, name);
        if (answer->result >= 0) {
            errnos_[answer->result] = 0;
            bound_.insert(answer->result);
        }
        return settle(-1, answer->result, answer->err);
    }

    int unbind(int handle, int flags) override {
        if (local_queues_.erase(handle) > 0) return 0;
        // Answers delivered and never received go with the queue, as waiting
        // messages do.
        release_delivered(handle);
        const UnbindRequest request{handle, flags};
        // The card closes a queue of this shell whatever a fault makes the
        // call report: without one armed the shell need not wait to know.
        if (!link_.card_faults() && bound_.erase(handle) > 0) {
            link_.post<UnbindOp>(request);
            return 0;
        }
        const auto answer = link_.exchange<UnbindOp>(request);
        bound_.erase(handle);
        if (!answer) return local_failure(handle, card::kErrBadHandle);
        return settle(handle, answer->result, answer->err);
    }

    int send(int handle, const mts_addr_t *dest, uint32_t opcode, const void *payload,
             uint32_t length, mts_msg_t *sent, int flags, int reserved) override {
        const auto *bytes = static_cast<const uint8_t *>(payload);
        const std::span<const uint8_t> body =
            bytes != nullptr ? std::span<const uint8_t>(bytes, length) : std::span<const uint8_t>{};
        if (local_queues_.count(handle) > 0) {
            // No manager: the message goes nowhere.
            if (sent != nullptr)
                mirror(sent, next_record_++, {handle, opcode, 0, false, {body.begin(), body.end()}});
            return 0;
        }
        if (length > kMaxFrame - 64) return local_failure(handle, EMSGSIZE);
        SendRequest request{handle, {dest != nullptr, {}}, opcode, {bytes != nullptr, {body}},
                            sent != nullptr, flags, reserved, true};
        if (dest != nullptr) request.dest.value = {dest->node, dest->sap};
        const auto answer = link_.exchange<SendOp>(request);
        if (!answer) return local_failure(handle, card::kErrUnreachable);
        if (answer->result == 0 && sent != nullptr && answer->id != 0)
            mirror(sent, answer->id, {handle, opcode, answer->token, false, {body.begin(), body.end()}});
        if (const std::optional<Message> &m = answer->answer)
            delivered_[handle].push_back({m->id, {handle, m->opcode, m->token, m->null_payload,
                                                  {m->payload.data.begin(), m->payload.data.end()}}});
        return settle(handle, answer->result, answer->err);
    }

    int recv(int handle, mts_msg_t *msg, const uint32_t *options) override {
        const uint32_t wait = options != nullptr ? options[2] : 0;
        if (local_queues_.count(handle) > 0) {
            if (msg == nullptr) return local_failure(handle, card::kErrBadHandle);
            wait_seconds(wait);
            return local_failure(handle, card::kErrNoMessage);
        }
        auto &ready = delivered_[handle];
        const uint32_t token = options != nullptr ? options[3] : 0;
        const auto it = std::find_if(ready.begin(), ready.end(), [token](const Delivered &d) {
            return token == 0 || d.mirror.token == token;
        });
        if (it != ready.end()) {
            if (msg == nullptr) return local_failure(handle, card::kErrBadHandle);
            mirror(msg, it->id, std::move(it->mirror));
            ready.erase(it);
            return 0;
        }
        ReceiveRequest request{handle, {options != nullptr, {}}};
        if (options != nullptr) std::copy_n(options, 10, request.options.value.begin());
        const auto answer = link_.exchange<ReceiveOp>(request, wait);
        if (!answer) return local_failure(handle, ECONNRESET);
        const Message &m = answer->message;
        if (answer->result == 0 && msg != nullptr && m.id != 0)
            mirror(msg, m.id, {handle, m.opcode, m.token, m.null_payload,
                               {m.payload.data.begin(), m.payload.data.end()}});
        return settle(handle, answer->result, answer->err);
    }

    int drop(int handle, mts_msg_t *msg) override {
        const uint64_t id = card::record_id(msg);
        const auto kept = mirrors_.find(id);
        // The card releases a message it handed to this queue whatever a
        // fault makes the call report; so is its copy here.
        const bool ours = kept != mirrors_.end() && kept->second.queue == handle;
        if ((id & kLocalRecord) != 0 || local_queues_.count(handle) > 0) {
            if (!ours) return local_failure(handle, card::kErrBadHandle);
            forget(msg);
            return 0;
        }
        const DropRequest request{handle, id};
        if (ours) forget(msg);
        if (!link_.card_faults() && bound_.count(handle) > 0 && ours) {
            link_.post<DropOp>(request);
            return 0;
        }
        const auto answer = link_.exchange<DropOp>(request);
        // Without an answer, the card and what it held are gone.
        if (!answer) return ours ? 0 : local_failure(handle, card::kErrBadHandle);
        return settle(handle, answer->result, answer->err);
    }

    int last_errno(int handle) override {
        const auto it = errnos_.find(handle);
        return it != errnos_.end() ? it->second : last_errno_;
    }

    std::optional<HeldMessage> held(const mts_msg_t *msg) override {
        const auto it = mirrors_.find(card::record_id(msg));
        if (it == mirrors_.end()) return std::nullopt;
        const Mirror &m = it->second;
        return HeldMessage{it->first, m.opcode, m.token, m.null_payload, m.payload};
    }

    std::optional<std::span<const uint8_t>> held_payload_containing(const void *p) override {
        card::PayloadSearch search(p);
        for (const auto &[id, m] : mirrors_)
            if (search.inside(m.payload)) break;
        return search.found();
    }

    int history(bool params, const mts_addr_t *addr, uint32_t hist_id, uint32_t instance,
                uint32_t flags, card::HistoryShow &show) override {
        const Address at{addr != nullptr ? addr->node : 0, addr != nullptr ? addr->sap : 0};
        const HistoryRequest request{params, at, hist_id, instance, flags};
        int result = -1;
        for (auto answer = link_.exchange<HistoryOp>(request); answer;
             answer = link_.next_answer<HistoryOp>()) {
            result = answer->result;
            if (answer->unknown) show.unknown(hist_id, instance);
            for (const HistoryRecord &r : answer->records)
                show.record(r.event_id, {r.seconds, r.stamp}, r.record.data);
            if (!answer->more) break;
        }
        return result;
    }

    int32_t service(uint32_t function, void *record) override {
        ServiceRequest request{function, {record != nullptr, {}}};
        if (record != nullptr) std::memcpy(request.record.value.data(), record, kServiceRecord);
        const auto answer = link_.exchange<ServiceOp>(request);
        if (!answer) return kServiceGone;
        if (record != nullptr) std::memcpy(record, answer->record.data(), kServiceRecord);
        return answer->result;
    }

    int port_list(front_port_list *list) override {
        const auto answer = link_.exchange<PortsOp>({list != nullptr});
        if (!answer) return -1;
        if (answer->result != 0 || list == nullptr) return answer->result;
        std::memset(list, 0, sizeof *list);
        list->count = static_cast<uint8_t>(answer->ports.items.size());
        for (size_t i = 0; i < answer->ports.items.size(); ++i)
            list->entries[i] = {answer->ports.items[i].if_index, answer->ports.items[i].port_index, {}};
        return 0;
    }

    int32_t total_ports() override {
        const auto answer = link_.exchange<TotalOp>({});
        return answer ? answer->result : -1;
    }

    int port_map(uint32_t if_index, pm_idxmap_entry_t *entry) override {
        const auto answer = link_.exchange<PortMapOp>({if_index, entry != nullptr});
        if (!answer) return -1;
        if (answer->result == 0 && entry != nullptr) {
            std::memset(entry, 0, sizeof *entry);
            entry->if_index = if_index;
            entry->port = answer->port;
        }
        return answer->result;
    }

    // A shared card is reset with its number of ports only, and keeps the
    // default slot and its real time.
    void reset(const CardConfig &config) override { restart(config.num_ports); }
    uint32_t restart(uint32_t ports) override { return value<ResetOp>({ports}); }
    // The card process keeps real time itself.
    void use_real_time(uint64_t) override {}
    void let_real_time_pass(uint32_t) override {}
    uint32_t advance(uint32_t seconds) override { return value<AdvanceOp>({seconds}); }
    uint32_t now() override { return value<NowOp>({}); }
    uint32_t num_ports() override {
        if (const std::optional<uint32_t> greeted = link_.take_greeted_ports()) return *greeted;
        return value<PortCountOp>({});
    }
    uint32_t slot() override { return CardConfig{}.slot; }
    uint32_t if_index_of_port(uint8_t port_index) override { return value<PortIfIndexOp>({port_index}); }
    bool set_timestamps(uint8_t, const Timestamps &) override { return false; }
    void script_reply(const Reply &reply) override { value<ScriptOp>(reply); }
    void clear_script() override { value<ClearScriptOp>({}); }
    void set_manager_silent(bool silent) override { value<SilentOp>({silent}); }
    void fail(CallId call, int64_t result, int err, uint32_t nth, uint32_t times) override {
        value<FailOp>({std::string(platform_call(call).name), result, err, nth, times});
    }
    void clear_faults() override { value<ClearFaultsOp>({}); }
    void clear_event_log() override { value<ClearLogOp>({}); }
    // The card's history and event log are the card's to keep.
    void clear_history() override {}
    void log_message(uint32_t, uint32_t, std::span<const uint8_t>) override {}

    std::optional<CardStatus> status() override {
        std::optional<CardStatus> s = link_.exchange<StatusOp>({});
        if (s) s->frame_version = kFrameVersion;  // the answer's (a frame of another is refused)
        return s;
    }

    bool stop() override {
        if (!link_.exchange<StopOp>({})) return false;
        link_.await_close();  // the card closes every connection as it ends
        return true;
    }

    bool lost() override { return link_.probe(); }

private:
    struct Delivered {
        uint64_t id;
        Mirror mirror;
    };

    template <class O>
    uint32_t value(const typename O::Request &request) {
        const auto answer = link_.exchange<O>(request);
        return answer ? static_cast<uint32_t>(answer->value) : 0;
    }

    // Remembers what a call's answer says about the queue's error number.
    int settle(int handle, int32_t result, int32_t err) {
        if (result < 0) {
            errnos_[handle] = err;
            last_errno_ = err;
        }
        return result;
    }
    int local_failure(int handle, int err) { return settle(handle, -1, err); }

    void mirror(mts_msg_t *msg, uint64_t id, Mirror m) {
        mirrors_.insert_or_assign(id, std::move(m));
        card::fill_record(msg, id);
    }
    void forget(mts_msg_t *msg) {
        mirrors_.erase(card::record_id(msg));
        *msg = mts_msg_t{};
    }
    // Answers delivered to a queue and never received are dropped in the card.
    void release_delivered(int handle) {
        const auto it = delivered_.find(handle);
        if (it == delivered_.end()) return;
        std::vector<Delivered> left = std::move(it->second);
        delivered_.erase(it);
        for (Delivered &d : left) {
            mts_msg_t msg{};
            mirror(&msg, d.id, std::move(d.mirror));
            drop(handle, &msg);
        }
    }

    Connection link_;
    std::map<int, int> errnos_;  // the error number each queue's last failure left
    int last_errno_ = 0;         // of the last failure on no queue
    std::set<int> local_queues_; // bound after the card was lost
    int next_local_ = kFirstLocalHandle;
    uint64_t next_record_ = kLocalRecord;
    std::set<int> bound_;        // queues bound in the card and not closed since
    std::map<uint64_t, Mirror> mirrors_;
    // Answers the card delivered with their requests, by queue, for the
    // shell's next receives.
    std::map<int, std::vector<Delivered>> delivered_;
};

}  // namespace

Connected connect_card(const std::string &path, std::string_view name) {
    Connected out;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path) {
        out.why = "socket path too long";
        return out;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        out.why = std::strerror(errno);
        return out;
    }
    // Owned from here: the card's connection closes it.
    auto remote = std::make_unique<RemoteCard>(fd);
    // A connection to a card whose queue of connections is full fails at
    // once; it is tried again until the time limit.
    const timespec deadline = deadline_in(kConnectLimitMs);
    int failed;
    while ((failed = connect(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof addr)) != 0 &&
           (errno == EINTR || errno == EAGAIN) && ms_left(deadline) > 0) {
        const timespec pause{0, kConnectRetryNs};
        nanosleep(&pause, nullptr);
    }
    if (failed != 0) {
        out.how = errno == EAGAIN ? Reach::TimedOut : Reach::NoCard;
        out.why = errno == EAGAIN ? "its queue of connections stayed full for " +
                                        std::to_string(kConnectSeconds) + " seconds"
                                  : std::strerror(errno);
        return out;
    }
    // From here the connection waits as the transport's calls say it may.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    out.how = remote->greet(name, deadline, out.why);
    if (out.how == Reach::Connected) out.card = std::move(remote);
    return out;
}

}  // namespace pcfg_sim::link
