// Frames between a shell's stand-in platform and the card process
// (pcfg-card), one frame per SOCK_SEQPACKET message.
//
// Every frame, request or answer, all numbers big-endian:
//    0 u16  magic 0x5046 ("PF")
//    2 u8   version 1
//    3 u8   operation; an answer carries its request's operation | 0x80,
//           and | 0x40 while a fault is armed in the card
//    4 u32  length of the whole frame, header included (at most kMaxFrame)
//    8 ...  body of the operation, exactly length - 8 bytes
// Text is a u16 length and that many bytes; bytes are a u32 length and that
// many bytes; a flag is one byte, 0 or 1. A body that ends early, runs on
// or holds anything else is malformed: the card ends that connection.
//
// Operation     request body                            answer body
// Hello    1    u32 pid, text shell name                text event-log segment name
// Bind     2    i32 type, i32 sap, flag + 6 u32 options,  i32 result, i32 errno
//               flag + text name
// Unbind   3    i32 handle, i32 flags                   i32 result, i32 errno
// Send     4    i32 handle, flag + u32 node, u32 sap,   i32 result, i32 errno,
//               u32 opcode, flag + bytes payload,       u64 record id, u32 token
//               flag keep a sent record, i32 flags,     (id 0: no record), flag answered
//               i32 reserved, flag deliver the answer   + the answer as Receive gives it
//               with this one                           from its id on
// Receive  5    i32 handle, flag + 10 u32 options       i32 result, i32 errno, u64 id,
//                                                       u32 opcode, u32 token,
//                                                       flag null payload, bytes payload
// Drop     6    i32 handle, u64 record id (0: none)     i32 result, i32 errno
// History  7    flag params, u32 node, u32 sap,         i32 result, flag no such history,
//                                                       flag more, u32 count,
//               u32 history id, u32 instance, u32 flags count x (u32 event id, u32 seconds,
//                                                       u32 stamp, bytes record)
//               (answers follow one another while "more" is set)
// Service  8    u32 function, flag + 32 bytes record    i32 result, 32 bytes record
// Ports    9    flag list wanted                        i32 result, u8 count,
//                                                       count x (u32 if_index, u8 port index)
// Total    10   (empty)                                 i32 result
// PortMap  11   u32 if_index, flag entry wanted         i32 result, u32 port
// Control  12   u8 what, then by what (kControl*)       i64 value
// Status   13   (empty)                                 u32 time, u32 ports, u32 handled,
//                                                       u32 queues, u32 held, flag silent,
//                                                       u32 n, n x (u8 kind, u32 opcode,
//                                                       bytes payload) scripted answers,
//                                                       u32 n, n x (text call, i64 result,
//                                                       i32 errno, u32 nth, u32 times)
//                                                       armed faults, u32 shells,
//                                                       shells x (u32 pid, u32 queues,
//                                                       u32 held, flag asker, text name)
// Stop     14   (empty)                                 (empty); the card then ends
//
// Answers come in the order of the requests. A shell need not wait for an
// answer before its next request: it may post a drop or an unbind while no
// fault is armed (so the call cannot fail but for reasons the shell sees
// itself), and its hello, and read their answers before the next one.
//
// A receive with nothing to deliver is answered when a message arrives or
// the wait of its options (word 2, in seconds) runs out; the connection
// sends nothing else meanwhile.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "wire.h"

namespace pcfg_sim::detail {

inline constexpr uint16_t kFrameMagic = 0x5046;
inline constexpr uint8_t kFrameVersion = 1;
inline constexpr size_t kFrameHeader = 8;
inline constexpr size_t kMaxFrame = 128 * 1024;
inline constexpr uint8_t kAnswerBit = 0x80;
inline constexpr uint8_t kFaultsArmedBit = 0x40;
inline constexpr uint8_t kOpMask = 0x3F;
inline constexpr size_t kServiceRecord = 32;  // sse_call's timestamp record

enum class Op : uint8_t {
    Hello = 1,
    Bind,
    Unbind,
    Send,
    Receive,
    Drop,
    History,
    Service,
    Ports,
    Total,
    PortMap,
    Control,
    Status,
    Stop,
};
inline constexpr uint8_t kLastOp = static_cast<uint8_t>(Op::Stop);

// What a Control request steers, and its further body.
enum class Control : uint8_t {
    Silent = 1,   // flag silent
    ClearScript,  // (empty)
    Script,       // u8 kind, u32 opcode, bytes payload
    Fail,         // text call, i64 result, i32 errno, u32 nth, u32 times
    ClearFaults,  // (empty)
    Reset,        // u32 front ports (0: the default)
    Advance,      // u32 seconds; answers the new time
    Now,          // answers the time
    Ports,        // answers the number of front ports
    ClearLog,     // (empty)
    PortIfIndex,  // u8 port index; answers its if_index (0: none)
};
inline constexpr uint8_t kLastControl = static_cast<uint8_t>(Control::PortIfIndex);

// Builds one frame: the header first, the length filled in by take().
class FrameWriter {
public:
    explicit FrameWriter(uint8_t op) {
        w_.u16(kFrameMagic).u8(kFrameVersion).u8(op).u32(0);
    }
    explicit FrameWriter(Op op) : FrameWriter(static_cast<uint8_t>(op)) {}
    FrameWriter &u8(uint8_t v) { return w_.u8(v), *this; }
    FrameWriter &u32(uint32_t v) { return w_.u32(v), *this; }
    FrameWriter &i32(int32_t v) { return w_.u32(static_cast<uint32_t>(v)), *this; }
    FrameWriter &u64(uint64_t v) { return w_.u64(v), *this; }
    FrameWriter &flag(bool v) { return w_.u8(v ? 1 : 0), *this; }
    FrameWriter &text(std::string_view s) {
        const size_t n = s.size() < 0xFFFF ? s.size() : 0xFFFF;
        w_.u16(static_cast<uint16_t>(n));
        return w_.bytes({reinterpret_cast<const uint8_t *>(s.data()), n}), *this;
    }
    FrameWriter &bytes(std::span<const uint8_t> b) {
        w_.u32(static_cast<uint32_t>(b.size()));
        return w_.bytes(b), *this;
    }
    FrameWriter &raw(std::span<const uint8_t> b) { return w_.bytes(b), *this; }
    size_t size() const { return w_.size(); }
    std::vector<uint8_t> take() {
        w_.patch_u32(4, static_cast<uint32_t>(w_.size()));
        return w_.take();
    }

private:
    Wire w_;
};

// Reads one frame's body, bounded by the frame; the first read past its end
// (or a flag that is not 0 or 1) fails this and every later read.
class FrameReader {
public:
    // Checks the header against the bytes; ok() is false when it does not
    // fit (magic, version, length) or names no known operation.
    explicit FrameReader(std::span<const uint8_t> frame) : b_(frame) {
        if (frame.size() < kFrameHeader || frame.size() > kMaxFrame ||
            be_at(frame, 0, 2) != kFrameMagic || frame[2] != kFrameVersion ||
            be_at(frame, 4, 4) != frame.size()) {
            ok_ = false;
            return;
        }
        op_ = frame[3];
        pos_ = kFrameHeader;
    }
    uint8_t op() const { return op_; }
    bool ok() const { return ok_; }
    // True when every byte was read and nothing failed.
    bool done() const { return ok_ && pos_ == b_.size(); }

    uint8_t u8() { return static_cast<uint8_t>(take(1)); }
    uint16_t u16() { return static_cast<uint16_t>(take(2)); }
    uint32_t u32() { return static_cast<uint32_t>(take(4)); }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    uint64_t u64() { return take(8); }
    int64_t i64() { return static_cast<int64_t>(u64()); }
    bool flag() {
        const uint8_t v = u8();
        if (v > 1) ok_ = false;
        return v == 1;
    }
    std::string text() {
        const std::span<const uint8_t> s = span(u16());
        return {reinterpret_cast<const char *>(s.data()), s.size()};
    }
    std::span<const uint8_t> bytes() { return span(u32()); }
    std::span<const uint8_t> span(size_t n) {
        if (!ok_ || b_.size() - pos_ < n) {
            ok_ = false;
            return {};
        }
        const auto out = b_.subspan(pos_, n);
        pos_ += n;
        return out;
    }

private:
    uint64_t take(size_t n) {
        const std::span<const uint8_t> s = span(n);
        return ok_ ? be_at(s, 0, n) : 0;
    }
    std::span<const uint8_t> b_;
    size_t pos_ = 0;
    uint8_t op_ = 0;
    bool ok_ = true;
};

}  // namespace pcfg_sim::detail
