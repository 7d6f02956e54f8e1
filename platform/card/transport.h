// The card's message transport: queues by handle, messages with
// request/response tokens, and the simulated manager's address (node
// 0xfe000000, SAP 902). Every queue and message belongs to whoever bound or
// holds it: a shell connected to the card process (its connection), or the
// process the card runs in. This is where what each of them holds is
// counted, and where it all goes when a shell goes away.
//
// Time is the caller's: a receive with nothing to deliver fails at once with
// error 62, as a real receive does once its wait limit ran out; the card
// process makes a receive that may wait do so before it asks.
//
// A shell holds a bounded share (the bounds below): a bind or a send that
// would take it past one fails with kErrNoResources and does nothing, so
// one shell cannot take what the others need. The process the card runs in
// is one owner alone and is bounded by the transport's size only.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "pcfg_platform.h"

namespace pcfg_sim::card {

// Who holds a queue or a message: a shell of the card process (its
// connection's number, from 0), or the process the card answers itself.
using Owner = int;
inline constexpr Owner kThisProcess = -1;

// Transport error numbers the card sets.
enum : int {
    kErrBadHandle = 9,     // EBADF
    kErrNoMessage = 62,    // ETIME: the wait limit ran out
    kErrUnreachable = 113, // EHOSTUNREACH
    kErrTooMany = 24,      // EMFILE: every queue of the transport is bound
    kErrNoResources = 105, // ENOBUFS: the caller holds its share already
};

// What one shell may hold at a time.
inline constexpr int kQueuesPerClient = 4;       // queues bound (a shell binds two)
inline constexpr int kMessagesPerClient = 64;    // messages held or waiting on its queues
inline constexpr size_t kMessageBytesPerClient = 512 * 1024;  // and their payload bytes
// Shells a card serves at once (the card process refuses the next), and the
// queues of the transport: every shell finds its share.
inline constexpr int kMaxClients = 64;
inline constexpr int kMaxQueues = kMaxClients * kQueuesPerClient;

// The transport's platform calls, for `owner`. Each meets the fault armed
// in the card for its call first (a release still releases: mts_unbind and
// mts_drop are releases, pcfg_calls.h); a queue handle must be one `owner`
// bound, else the call fails with kErrBadHandle and meets no fault.
// The arguments the card has no use for (a queue's type, name and options,
// the flags) are not passed.
int bind(Owner owner);
int unbind(Owner owner, int handle);
int send(Owner owner, int handle, const mts_addr_t *dest, uint32_t opcode, const void *payload,
         uint32_t length, mts_msg_t *sent);
// Takes the oldest waiting message with the token (0: any).
int recv(Owner owner, int handle, mts_msg_t *msg, uint32_t token);
int drop(Owner owner, int handle, mts_msg_t *msg);
// The error number the last failing call on a queue left (its own, or the
// transport's for a handle that names no queue).
int last_errno(int handle);

// Whether `owner` bound the queue and has not closed it.
bool owns(Owner owner, int handle);
// Whether a receive on the queue would find a message (token 0: any).
bool deliverable(int handle, uint32_t token);
// The request/response token of the last message sent.
uint32_t last_token();

// A held message as a record names it.
struct HeldMessage {
    uint64_t id = 0;
    uint32_t opcode = 0;
    uint32_t token = 0;
    bool null_payload = false;
    std::span<const uint8_t> payload;
};
std::optional<HeldMessage> held(const mts_msg_t *msg);
// The payload of a held message that contains address p, if any: the
// platform's accessors never read past the message they were handed.
std::optional<std::span<const uint8_t>> held_payload_containing(const void *p);

// Looks for the payload that contains an address, one payload at a time.
// An address inside a payload wins over one just past the end of another:
// a caller may hand over the end of a message (nothing left to read), never
// the bytes after it.
class PayloadSearch {
public:
    explicit PayloadSearch(const void *p) : addr_(reinterpret_cast<uintptr_t>(p)) {}
    // True when the address is inside this payload (the search is over).
    bool inside(std::span<const uint8_t> payload) {
        const auto base = reinterpret_cast<uintptr_t>(payload.data());
        if (payload.empty() || addr_ < base || addr_ - base > payload.size()) return false;
        found_ = payload.subspan(addr_ - base);
        return !found_->empty();
    }
    std::optional<std::span<const uint8_t>> found() const { return found_; }

private:
    uintptr_t addr_;
    std::optional<std::span<const uint8_t>> found_;
};

// Message records: the transport fills mts_msg_t with a message's id.
void fill_record(mts_msg_t *msg, uint64_t id);
// The id a record filled by a transport names (0: none).
uint64_t record_id(const mts_msg_t *msg);

// Queues open and messages held, of everyone or of one owner; of an owner
// also every message it has in the transport (held, or waiting on its
// queues) and their payload bytes, which its bounds count.
struct Holdings {
    int queues = 0;
    int held = 0;
    int messages = 0;
    size_t bytes = 0;
};
Holdings holdings();
Holdings holdings(Owner owner);

// Everything starts afresh: no queue, no message.
void transport_reset();
// An owner went away: its queues close, and every message it held or that
// waited on its queues goes.
void release(Owner owner);

}  // namespace pcfg_sim::card
