// The stand-in message transport: queues by handle, send and receive with
// request/response tokens, message records, and the simulated manager's
// address (node 0xfe000000, SAP 902).
//
// Time is simulated: a receive with nothing to deliver fails at once with
// error 62, as a real receive would once its wait limit ran out.
#include <algorithm>
#include <array>
#include <cerrno>
#include <map>
#include <vector>

#include "card_client.h"
#include "sim_state.h"

using namespace pcfg_sim;
using namespace pcfg_sim::detail;

namespace {

constexpr mts_addr_t kManager{0xfe000000u, 902u};
constexpr uint64_t kRecordMagic = 0x4d54534d5347ull;  // marks a record the transport filled
constexpr int kMaxQueues = 64;
constexpr int kFirstHandle = 3;

struct Message {
    uint32_t opcode = 0;
    uint32_t token = 0;
    bool null_payload = false;
    bool held = false;  // received or recorded as sent, not yet dropped
    int queue = -1;
    std::vector<uint8_t> payload;
};

struct Queue {
    bool bound = false;
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

// The address handed out for every empty payload: one byte that belongs to
// no message and is never to be read.
uint8_t g_empty_payload;

Queue *queue_of(int handle) {
    const int slot = handle - kFirstHandle;
    if (slot < 0 || slot >= kMaxQueues || !tp().queues[slot].bound) return nullptr;
    return &tp().queues[slot];
}

int fail_with(int handle, int err) {
    transport_set_errno(handle, err);
    return -1;
}

// The message a record names, if the record was filled by this transport
// and the message is still held.
Message *message_of(const mts_msg_t *msg) {
    if (msg == nullptr || msg->opaque[1] != kRecordMagic) return nullptr;
    auto it = tp().messages.find(msg->opaque[0]);
    return it != tp().messages.end() && it->second.held ? &it->second : nullptr;
}

void fill_record(mts_msg_t *msg, uint64_t id) {
    *msg = mts_msg_t{};
    msg->opaque[0] = id;
    msg->opaque[1] = kRecordMagic;
}

uint64_t new_message(Message m) {
    const uint64_t id = tp().next_id++;
    tp().messages.emplace(id, std::move(m));
    return id;
}

int64_t handle_arg(int handle) { return handle; }

struct OpcodeName {
    uint32_t opcode;
    const char *name;
};

constexpr std::array<OpcodeName, 21> kOpcodeNames{{
    {394, "MTS_OPC_PCFG_GET_PORT_CAPABILITIES"},
    {395, "MTS_OPC_PCFG_SET_PORT_CFG"},
    {397, "MTS_OPC_PCFG_FL_PORT_SERVICES"},
    {398, "MTS_OPC_PCFG_PORT_CONTROL"},
    {399, "MTS_OPC_PCFG_LINK_STATUS"},
    {403, "MTS_OPC_PCFG_SET_RDL_LABEL"},
    {409, "MTS_OPC_PCFG_CLEAR_PORT_COUNTERS"},
    {420, "MTS_OPC_PCFG_EXT_LINK_STATUS"},
    {421, "MTS_OPC_PCFG_SET_VER2_RDL_LABEL"},
    {425, "MTS_OPC_PCFG_GET_SFP_DIAG_INFO"},
    {435, "MTS_OPC_PCFG_CLI_REQ"},
    {436, "MTS_OPC_PCFG_SIG_LOSS_TIMER_CTRL"},
    {442, "MTS_OPC_PCFG_GET_PORT_MISC_INFO"},
    {513, "MTS_OPC_PCFG_CLEAR_FC_MAC_PORT_COUNTERS"},
    {3119, "MTS_OPC_PCFG_GET_AVG_COUNTERS"},
    {3120, "MTS_OPC_PCFG_GET_PORT_COUNTERS"},
    {3134, "MTS_OPC_PCFG_VERIFY_PORT_CREDIT"},
    {3144, "MTS_OPC_PCFG_MISC_CFG"},
    {3146, "MTS_OPC_PCFG_LCI_RESERVE"},
    {3187, "MTS_OPC_PCFG_GET_INTERVAL_AVG_COUNTERS"},
    {8188, "MTS_OPC_PCFG_VQI_LDI_MAP"},
}};

}  // namespace

namespace pcfg_sim::detail {

void transport_reset() {
    tp() = Transport{};
}

int transport_open_queues() {
    return static_cast<int>(std::count_if(tp().queues.begin(), tp().queues.end(),
                                          [](const Queue &q) { return q.bound; }));
}

int transport_held_messages() {
    return static_cast<int>(std::count_if(tp().messages.begin(), tp().messages.end(),
                                          [](const auto &kv) { return kv.second.held; }));
}

std::optional<std::span<const uint8_t>> held_payload_containing(const void *p) {
    // An address inside a message wins over one just past the end of
    // another: a caller may hand over the end of a message (nothing left to
    // read), never the bytes after it.
    if (p == &g_empty_payload) return std::span<const uint8_t>{};
    const auto addr = reinterpret_cast<uintptr_t>(p);
    std::optional<std::span<const uint8_t>> at_end;
    for (const auto &[id, m] : tp().messages) {
        if (!m.held || m.payload.empty()) continue;
        const auto base = reinterpret_cast<uintptr_t>(m.payload.data());
        if (addr < base || addr - base > m.payload.size()) continue;
        const auto rest = std::span<const uint8_t>(m.payload).subspan(addr - base);
        if (!rest.empty()) return rest;
        at_end = rest;
    }
    return at_end;
}

void transport_set_errno(int handle, int err) {
    if (Queue *q = queue_of(handle)) q->last_errno = err;
    tp().last_errno = err;
}

int transport_errno(int handle) {
    if (const Queue *q = queue_of(handle)) return q->last_errno;
    return tp().last_errno;
}

bool transport_deliverable(int handle, uint32_t token) {
    const Queue *q = queue_of(handle);
    return q != nullptr && std::any_of(q->pending.begin(), q->pending.end(), [token](uint64_t id) {
               return token == 0 || tp().messages.at(id).token == token;
           });
}

void transport_release_queue(int handle) {
    // Messages still held on a queue already closed go too.
    std::erase_if(tp().messages, [handle](const auto &kv) { return kv.second.queue == handle; });
    if (Queue *q = queue_of(handle)) *q = Queue{};
}

int transport_queue_messages(int handle) {
    return static_cast<int>(std::count_if(tp().messages.begin(), tp().messages.end(),
                                          [handle](const auto &kv) {
                                              return kv.second.held && kv.second.queue == handle;
                                          }));
}

std::optional<HeldMessage> transport_held(const mts_msg_t *msg) {
    const Message *m = message_of(msg);
    if (m == nullptr) return std::nullopt;
    return HeldMessage{msg->opaque[0], m->opcode, m->token, m->null_payload, m->payload};
}

void transport_mirror(mts_msg_t *msg, int handle, const HeldMessage &held) {
    Message m;
    m.opcode = held.opcode;
    m.token = held.token;
    m.null_payload = held.null_payload;
    m.held = true;
    m.queue = handle;
    m.payload.assign(held.payload.begin(), held.payload.end());
    tp().messages.insert_or_assign(held.id, std::move(m));
    fill_record(msg, held.id);
}

void transport_forget(mts_msg_t *msg) {
    if (message_of(msg) != nullptr) tp().messages.erase(msg->opaque[0]);
    *msg = mts_msg_t{};
}

uint32_t transport_last_token() { return tp().next_token - 1; }

mts_msg_t transport_record(uint64_t id) {
    mts_msg_t msg{};
    fill_record(&msg, id);
    return msg;
}

uint64_t transport_record_id(const mts_msg_t *msg) {
    return message_of(msg) != nullptr ? msg->opaque[0] : 0;
}

}  // namespace pcfg_sim::detail

extern "C" {

int mts_bind(int type, int sap, const uint32_t *options, const char *name) {
    if (card_client_active()) return client_bind(type, sap, options, name);
    card();  // the card starts on first use
    if (auto f = enter({"mts_bind", {type, sap, given(options), given(name)}, {},
                        words_of(options, 6), name != nullptr ? name : ""})) {
        tp().last_errno = f->err;
        return static_cast<int>(f->result);
    }
    for (int slot = 0; slot < kMaxQueues; ++slot) {
        Queue &q = tp().queues[slot];
        if (q.bound) continue;
        q = Queue{};
        q.bound = true;
        return slot + kFirstHandle;
    }
    return fail_with(-1, kErrTooMany);
}

int mts_unbind(int handle, int flags) {
    if (card_client_active()) return client_unbind(handle, flags);
    if (auto f = enter({"mts_unbind", {handle_arg(handle), flags}, {}, {}, {}}))
        return static_cast<int>(f->result);
    Queue *q = queue_of(handle);
    if (q == nullptr) return fail_with(-1, kErrBadHandle);
    // Messages still waiting on the queue go with it; held ones stay held
    // (a caller that closes a queue before dropping its messages leaks them).
    for (uint64_t id : q->pending) tp().messages.erase(id);
    *q = Queue{};
    return 0;
}

int mts_send(int handle, const mts_addr_t *dest, uint32_t opcode, const void *payload,
             uint32_t length, mts_msg_t *sent, int flags, int reserved) {
    if (card_client_active())
        return client_send(handle, dest, opcode, payload, length, sent, flags, reserved);
    const auto *bytes = static_cast<const uint8_t *>(payload);
    std::vector<uint8_t> body;
    if (bytes != nullptr) body.assign(bytes, bytes + length);
    Call call{"mts_send",
              {handle_arg(handle), dest != nullptr ? dest->node : 0, dest != nullptr ? dest->sap : 0,
               opcode, given(payload), length, given(sent), flags, reserved},
              body, {}, {}};
    if (auto f = enter(std::move(call))) {
        transport_set_errno(handle, f->err);
        return static_cast<int>(f->result);
    }
    Queue *q = queue_of(handle);
    if (q == nullptr) return fail_with(handle, kErrBadHandle);
    if (dest == nullptr || dest->node != kManager.node || dest->sap != kManager.sap)
        return fail_with(handle, kErrUnreachable);
    if (bytes == nullptr && length != 0) return fail_with(handle, EINVAL);

    const uint32_t token = tp().next_token++;
    if (sent != nullptr) {
        Message m;
        m.opcode = opcode;
        m.token = token;
        m.held = true;
        m.queue = handle;
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
        m.payload = std::move(answer->payload);
        q->pending.push_back(new_message(std::move(m)));
    }
    return 0;
}

int mts_recv(int handle, mts_msg_t *msg, const uint32_t *options) {
    if (card_client_active()) return client_recv(handle, msg, options);
    if (auto f = enter({"mts_recv", {handle_arg(handle), given(msg), given(options)}, {},
                        words_of(options, 10), {}})) {
        transport_set_errno(handle, f->err);
        return static_cast<int>(f->result);
    }
    Queue *q = queue_of(handle);
    if (q == nullptr || msg == nullptr) return fail_with(handle, kErrBadHandle);
    const uint32_t token = options != nullptr ? options[3] : 0;
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

int mts_errno_get(int handle) {
    if (auto f = enter({"mts_errno_get", {handle_arg(handle)}, {}, {}, {}}))
        return static_cast<int>(f->result);
    if (card_client_active()) return client_errno(handle);
    return transport_errno(handle);
}

uint32_t mts_opc_get(const mts_msg_t *msg) {
    if (auto f = enter({"mts_opc_get", {given(msg)}, {}, {}, {}}))
        return static_cast<uint32_t>(f->result);
    const Message *m = message_of(msg);
    return m != nullptr ? m->opcode : 0;
}

void *mts_payload_get(const mts_msg_t *msg) {
    if (enter({"mts_payload_get", {given(msg)}, {}, {}, {}})) return nullptr;
    Message *m = message_of(msg);
    if (m == nullptr || m->null_payload) return nullptr;
    // An empty payload still has an address: one past nothing, never read.
    return m->payload.empty() ? &g_empty_payload : m->payload.data();
}

uint32_t mts_payload_size(const mts_msg_t *msg) {
    if (auto f = enter({"mts_payload_size", {given(msg)}, {}, {}, {}}))
        return static_cast<uint32_t>(f->result);
    const Message *m = message_of(msg);
    return m != nullptr && !m->null_payload ? static_cast<uint32_t>(m->payload.size()) : 0;
}

int mts_drop(int handle, mts_msg_t *msg) {
    if (card_client_active()) return client_drop(handle, msg);
    if (auto f = enter({"mts_drop", {handle_arg(handle), given(msg)}, {}, {}, {}}))
        return static_cast<int>(f->result);
    Message *m = message_of(msg);
    if (m == nullptr || m->queue != handle) return fail_with(handle, kErrBadHandle);
    tp().messages.erase(msg->opaque[0]);
    *msg = mts_msg_t{};
    return 0;
}

uint32_t mts_rr_token_get(const mts_msg_t *sent) {
    if (auto f = enter({"mts_rr_token_get", {given(sent)}, {}, {}, {}}))
        return static_cast<uint32_t>(f->result);
    const Message *m = message_of(sent);
    return m != nullptr ? m->token : 0;
}

const char *mts_opc_name_get(uint32_t opcode) {
    if (enter({"mts_opc_name_get", {opcode}, {}, {}, {}})) return nullptr;
    for (const OpcodeName &row : kOpcodeNames)
        if (row.opcode == opcode) return row.name;
    return nullptr;
}

}  // extern "C"
