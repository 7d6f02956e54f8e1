// Transport conversations with the port-configuration manager.
//
// The manager's address, the bind and receive option words, and owners for
// the two transport resources a command can hold: a private queue (closed
// when its owner goes) and a message received or recorded on a queue
// (released when its owner goes). Declare the message after its queue: the
// message is then released before the queue is closed on every path.
#pragma once

#include <array>
#include <cstdint>

#include "pcfg_platform.h"

namespace pcfg {

// Transport opcodes this library sends or reads back.
enum : uint32_t {
    kOpcSetPortCfg = 395,
    kOpcReport = 435,
    kOpcPortCounters = 3120,
    kOpcIntervalCounters = 3187,
};

inline constexpr mts_addr_t kManagerAddr{0xfe000000u, 0x386u};
inline constexpr std::array<uint32_t, 6> kBindOptions MTS_CLIENT_BIND_OPTIONS;
inline constexpr const char *kBindName = "Port Cfg CLI";
inline constexpr int kErrTimedOut = 62;  // ETIME: the wait limit ran out
inline constexpr uint32_t kWaitExchange = 3;
inline constexpr uint32_t kWaitFec = 5;

// Receive options: ten words, word 0 = 1, word 2 = wait limit, word 3 = the
// request/response token of the awaited reply (0 for any message).
inline constexpr std::array<uint32_t, 10> recv_options(uint32_t wait,
                                                       uint32_t token = 0) noexcept {
    return {1, 0, wait, token, 0, 0, 0, 0, 0, 0};
}

// A private transport queue, bound on construction and closed on
// destruction.
class MtsQueue {
public:
    MtsQueue() noexcept
        : handle_(mts_bind(2, -1, kBindOptions.data(), kBindName)) {}
    ~MtsQueue() {
        if (handle_ != -1) mts_unbind(handle_, 0);
    }
    MtsQueue(const MtsQueue &) = delete;
    MtsQueue &operator=(const MtsQueue &) = delete;

    bool bound() const noexcept { return handle_ != -1; }
    int handle() const noexcept { return handle_; }

private:
    int handle_;
};

// A message record on a queue; released with mts_drop on destruction once
// the transport has filled it (received or recorded as sent).
class MtsMessage {
public:
    explicit MtsMessage(int handle) noexcept : handle_(handle) {}
    ~MtsMessage() {
        if (held_) mts_drop(handle_, &msg_);
    }
    MtsMessage(const MtsMessage &) = delete;
    MtsMessage &operator=(const MtsMessage &) = delete;

    // Waits for a message; on success the record is held until release.
    // Returns mts_recv's result.
    int receive(const std::array<uint32_t, 10> &options) noexcept {
        int rc = mts_recv(handle_, &msg_, options.data());
        held_ = (rc == 0);
        return rc;
    }
    // Sends on the queue and records the sent message, held until release.
    int send_recorded(const mts_addr_t &dest, uint32_t opcode, const void *payload,
                      uint32_t length) noexcept {
        int rc = mts_send(handle_, &dest, opcode, payload, length, &msg_, 0, 0);
        held_ = (rc == 0);
        return rc;
    }
    // Releases the message now instead of at the end of the scope.
    void release() noexcept {
        if (held_) mts_drop(handle_, &msg_);
        held_ = false;
    }

    const mts_msg_t *record() const noexcept { return &msg_; }
    uint32_t opcode() const noexcept { return mts_opc_get(&msg_); }
    const uint8_t *payload() const noexcept {
        return static_cast<const uint8_t *>(mts_payload_get(&msg_));
    }
    uint32_t payload_size() const noexcept { return mts_payload_size(&msg_); }

private:
    int handle_;
    bool held_ = false;
    mts_msg_t msg_{};
};

}  // namespace pcfg
