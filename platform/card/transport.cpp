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
constexpr int kMaxQueues = 64;
constexpr int kFirstHandle = 3;

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
    // deque: an empty one allocates nothing, and the transport has 64 queues
    // of which a shell uses two.
    std::vector<uint64_t> pending;
};

struct Transport {
    std::array<Queue, kMaxQueues> queues;
    std::map<uint64_t, Message> messages;
    uint64_t next_id = 1;
    uint32_t next_token = 0x1000;
    int last_errno = 0;  // of calls without a valid handle (a failed bind)
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

uint64_t new_message(Message m) {
    const uint64_t id = tp().next_id++;
    tp().messages.emplace(id, std::move(m));
    return id;
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
    for (int slot = 0; slot < kMaxQueues; ++slot) {
        Queue &q = tp().queues[slot];
        if (q.bound) continue;
        q = Queue{};
        q.bound = true;
        q.owner = owner;
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
    for (uint64_t id : q->pending) tp().messages.erase(id);
    *q = Queue{};
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
    tp().messages.at(id).held = true;
    fill_record(msg, id);
    return 0;
}

int drop(Owner owner, int handle, mts_msg_t *msg) {
    if (owned(owner, handle) == nullptr) return fail_with(handle, kErrBadHandle);
    const std::optional<Fault> f = faults().meet(CallId::mts_drop);
    Message *m = message_of(msg);
    const bool ours = m != nullptr && m->queue == handle;
    if (ours) {
        tp().messages.erase(msg->opaque[0]);
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

Holdings holdings() {
    Holdings h;
    for (const Queue &q : tp().queues) h.queues += q.bound ? 1 : 0;
    for (const auto &[id, m] : tp().messages) h.held += m.held ? 1 : 0;
    return h;
}

Holdings holdings(Owner owner) {
    Holdings h;
    for (const Queue &q : tp().queues) h.queues += q.bound && q.owner == owner ? 1 : 0;
    for (const auto &[id, m] : tp().messages) h.held += m.held && m.owner == owner ? 1 : 0;
    return h;
}

void transport_reset() { tp() = Transport{}; }

void release(Owner owner) {
    std::erase_if(tp().messages, [owner](const auto &kv) { return kv.second.owner == owner; });
    for (Queue &q : tp().queues)
        if (q.bound && q.owner == owner) q = Queue{};
}

}  // namespace pcfg_sim::card
