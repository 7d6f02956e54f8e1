// The card's message transport (transport.h).
#include "transport.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>
#include <vector>

#include "card.h"

namespace pcfg_sim::card {
namespace {

// The releases give their fault's result and release all the same.
static_assert(platform_call(CallId::mts_unbind).fails == Failure::Release);
static_assert(platform_call(CallId::mts_drop).fails == Failure::Release);

constexpr mts_addr_t kManager{0xfe000000u, 902u};
constexpr uint64_t kRecordMagic = 0x4d54534d5347ull;  // marks a record a transport filled
constexpr int kFirstHandle = 3;
static_assert(kMaxQueues >= kMaxClients * kQueuesPerClient, "every shell finds its share of queues");

struct Message {
    uint32_t opcode = 0;
    uint32_t token = 0;
    bool null_payload = false;
    bool held = false;  // received or recorded as sent, not yet dropped
    int queue = -1;
    Owner owner = kThisProcess;
    std::vector<uint8_t> payload;
};

struct Queue {
    bool bound = false;
    Owner owner = kThisProcess;
    int last_errno = 0;
    // Message ids waiting to be received, oldest first. A vector, not a
    // deque: an empty one allocates nothing, and a shell uses two queues.
    std::vector<uint64_t> pending;
};

struct Transport {
    std::array<Queue, kMaxQueues> queues;
    std::map<uint64_t, Message> messages;
    uint64_t next_id = 1;
    uint32_t next_token = 0x1000;
    int last_errno = 0;  // of calls without a valid handle (a failed bind)
    // What everyone holds, and each owner (an owner holding nothing has
    // no entry).
    Holdings all;
    std::map<Owner, Holdings> by_owner;
};

Transport &tp() {
    static Transport t;
    return t;
}

Queue *queue_of(int handle) {
    const int slot = handle - kFirstHandle;
    if (slot < 0 || slot >= kMaxQueues || !tp().queues[slot].bound) return nullptr;
    return &tp().queues[slot];
}

Queue *owned(Owner owner, int handle) {
    Queue *q = queue_of(handle);
    return q != nullptr && q->owner == owner ? q : nullptr;
}

void set_errno(int handle, int err) {
    if (Queue *q = queue_of(handle)) q->last_errno = err;
    tp().last_errno = err;
}

int fail_with(int handle, int err) {
    set_errno(handle, err);
    return -1;
}

int failed(int handle, const Fault &f) {
    set_errno(handle, f.err);
    return static_cast<int>(f.result);
}

// The message a record names, if the record was filled by this transport
// and the message is still held.
Message *message_of(const mts_msg_t *msg) {
    const uint64_t id = record_id(msg);
    if (id == 0) return nullptr;
    auto it = tp().messages.find(id);
    return it != tp().messages.end() && it->second.held ? &it->second : nullptr;
}

// Counts a change in what an owner holds, here and in the total.
void count(Owner owner, int queues, int held, int messages, int64_t bytes) {
    for (Holdings *h : {&tp().all, &tp().by_owner[owner]}) {
        h->queues += queues;
        h->held += held;
        h->messages += messages;
        h->bytes = static_cast<size_t>(static_cast<int64_t>(h->bytes) + bytes);
    }
    const Holdings &h = tp().by_owner[owner];
    if (h.queues == 0 && h.messages == 0) tp().by_owner.erase(owner);
}

void count_message(const Message &m, int sign) {
    count(m.owner, 0, m.held ? sign : 0, sign, sign * static_cast<int64_t>(m.payload.size()));
}

uint64_t new_message(Message m) {
    const uint64_t id = tp().next_id++;
    count_message(m, 1);
    tp().messages.emplace(id, std::move(m));
    return id;
}

void erase_message(uint64_t id) {
    const auto it = tp().messages.find(id);
    if (it == tp().messages.end()) return;
    count_message(it->second, -1);
    tp().messages.erase(it);
}

void close_queue(Queue &q) {
    count(q.owner, -1, 0, 0, 0);
    q = Queue{};
}

// Whether a shell may take `messages` more messages with `bytes` of payload
// (the process the card runs in is not bounded).
bool within_share(Owner owner, int messages, size_t bytes) {
    if (owner == kThisProcess) return true;
    const Holdings h = holdings(owner);
    return h.messages + messages <= kMessagesPerClient && h.bytes + bytes <= kMessageBytesPerClient;
}

}  // namespace

void fill_record(mts_msg_t *msg, uint64_t id) {
    *msg = mts_msg_t{};
    msg->opaque[0] = id;
    msg->opaque[1] = kRecordMagic;
}

uint64_t record_id(const mts_msg_t *msg) {
    return msg != nullptr && msg->opaque[1] == kRecordMagic ? msg->opaque[0] : 0;
}

int bind(Owner owner) {
    if (auto f = faults().meet(CallId::mts_bind)) return failed(-1, *f);
    if (owner != kThisProcess && holdings(owner).queues >= kQueuesPerClient)
        return fail_with(-1, kErrNoResources);
    for (int slot = 0; slot < kMaxQueues; ++slot) {
        Queue &q = tp().queues[slot];
        if (q.bound) continue;
        q = Queue{};
        q.bound = true;
        q.owner = owner;
        count(owner, 1, 0, 0, 0);
        return slot + kFirstHandle;
    }
    return fail_with(-1, kErrTooMany);
}

int unbind(Owner owner, int handle) {
    Queue *q = owned(owner, handle);
    if (q == nullptr) return fail_with(handle, kErrBadHandle);
    const std::optional<Fault> f = faults().meet(CallId::mts_unbind);
    // Messages still waiting on the queue go with it; held ones stay held
    // (a caller that closes a queue before dropping its messages leaks them).
    for (uint64_t id : q->pending) erase_message(id);
    close_queue(*q);
    return f ? failed(handle, *f) : 0;
}

int send(Owner owner, int handle, const mts_addr_t *dest, uint32_t opcode, const void *payload,
         uint32_t length, mts_msg_t *sent) {
    Queue *q = owned(owner, handle);
    if (q == nullptr) return fail_with(handle, kErrBadHandle);
    if (auto f = faults().meet(CallId::mts_send)) return failed(handle, *f);
    if (dest == nullptr || dest->node != kManager.node || dest->sap != kManager.sap)
        return fail_with(handle, kErrUnreachable);
    const auto *bytes = static_cast<const uint8_t *>(payload);
    if (bytes == nullptr && length != 0) return fail_with(handle, EINVAL);
    // Room for the message kept and the manager's answer.
    if (!within_share(owner, sent != nullptr ? 2 : 1, sent != nullptr ? length : 0))
        return fail_with(handle, kErrNoResources);
    std::vector<uint8_t> body;
    if (bytes != nullptr) body.assign(bytes, bytes + length);

    const uint32_t token = tp().next_token++;
    if (sent != nullptr) {
        Message m;
        m.opcode = opcode;
        m.token = token;
        m.held = true;
        m.queue = handle;
        m.owner = owner;
        m.payload = body;
        fill_record(sent, new_message(std::move(m)));
    }
    std::optional<ManagerAnswer> answer = manager_receive(opcode, body);
    if (answer) {
        Message m;
        m.opcode = answer->opcode;
        m.token = token;
        m.null_payload = answer->null_payload;
        m.queue = handle;
        m.owner = owner;
        m.payload = std::move(answer->payload);
        q->pending.push_back(new_message(std::move(m)));
    }
    return 0;
}

int recv(Owner owner, int handle, mts_msg_t *msg, uint32_t token) {
    Queue *q = owned(owner, handle);
    if (q == nullptr) return fail_with(handle, kErrBadHandle);
    if (auto f = faults().meet(CallId::mts_recv)) return failed(handle, *f);
    if (msg == nullptr) return fail_with(handle, kErrBadHandle);
    auto it = std::find_if(q->pending.begin(), q->pending.end(), [token](uint64_t id) {
        return token == 0 || tp().messages.at(id).token == token;
    });
    if (it == q->pending.end()) return fail_with(handle, kErrNoMessage);
    const uint64_t id = *it;
    q->pending.erase(it);
    Message &m = tp().messages.at(id);
    m.held = true;
    count(m.owner, 0, 1, 0, 0);
    fill_record(msg, id);
    return 0;
}

int drop(Owner owner, int handle, mts_msg_t *msg) {
    if (owned(owner, handle) == nullptr) return fail_with(handle, kErrBadHandle);
    const std::optional<Fault> f = faults().meet(CallId::mts_drop);
    Message *m = message_of(msg);
    const bool ours = m != nullptr && m->queue == handle;
    if (ours) {
        erase_message(msg->opaque[0]);
        *msg = mts_msg_t{};
    }
    if (f) return failed(handle, *f);
    return ours ? 0 : fail_with(handle, kErrBadHandle);
}

int last_errno(int handle) {
    if (const Queue *q = queue_of(handle)) return q->last_errno;
    return tp().last_errno;
}

bool owns(Owner owner, int handle) { return owned(owner, handle) != nullptr; }

bool deliverable(int handle, uint32_t token) {
    const Queue *q = queue_of(handle);
    return q != nullptr && std::any_of(q->pending.begin(), q->pending.end(), [token](uint64_t id) {
               return token == 0 || tp().messages.at(id).token == token;
           });
}

uint32_t last_token() { return tp().next_token - 1; }

std::optional<HeldMessage> held(const mts_msg_t *msg) {
    const Message *m = message_of(msg);
    if (m == nullptr) return std::nullopt;
    return HeldMessage{msg->opaque[0], m->opcode, m->token, m->null_payload, m->payload};
}

std::optional<std::span<const uint8_t>> held_payload_containing(const void *p) {
    PayloadSearch search(p);
    for (const auto &[id, m] : tp().messages)
        if (m.held && search.inside(m.payload)) break;
    return search.found();
}

Holdings holdings() { return tp().all; }

Holdings holdings(Owner owner) {
    const auto it = tp().by_owner.find(owner);
    return it != tp().by_owner.end() ? it->second : Holdings{};
}

void transport_reset() { tp() = Transport{}; }

void release(Owner owner) {
    std::erase_if(tp().messages, [owner](const auto &kv) {
        if (kv.second.owner == owner) count_message(kv.second, -1);
        return kv.second.owner == owner;
    });
    for (Queue &q : tp().queues)
        if (q.bound && q.owner == owner) close_queue(q);
}

}  // namespace pcfg_sim::card
