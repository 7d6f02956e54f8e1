// Frames between a shell's platform calls and the card process (pcfg-card),
// one frame per SOCK_SEQPACKET message, and the body of every operation
// with its one description, from which both its encoder and its decoder
// are made: the card and the shell include this header alike.
//
// Every frame, request or answer, all numbers big-endian:
//    0 u16  magic 0x5046 ("PF")
//    2 u8   version kFrameVersion
//    3 u8   operation; an answer carries its request's operation | 0x80,
//           and | 0x40 while a fault is armed in the card
//    4 u32  length of the whole frame, header included (at most kMaxFrame)
//    8 ...  a Control request's u8 what, then the body of the operation,
//           exactly to the frame's end
// In a body: numbers as they are typed; a flag is one byte, 0 or 1; text is
// a u16 length and that many bytes; Bytes are a u32 length and that many
// bytes; a std::array is its elements one after another; Given<T> is a
// flag (whether the caller gave the argument) and T in any case;
// std::optional<T> is a flag and T when set; a std::vector is a u32 count
// and the elements, a ShortList a u8 count and the elements; an
// enumeration is one byte. A body that
// ends early, runs on, or holds anything else is malformed: the card ends
// that connection, a shell takes the card for gone.
//
// A card that will not serve a connection says why in one Refused frame
// (op Refused | 0x80, a Refusal body) instead of any answer, and closes it.
//
// Answers come in the order of the requests. A shell need not wait for an
// answer before its next request: it may post a drop or an unbind while no
// fault is armed (so the call cannot fail but for reasons the shell sees
// itself), and its hello, and read their answers before the next one. A
// history is answered in as many frames as it takes (`more` set in all but
// the last). A receive with nothing to deliver is answered when a message
// arrives or the wait of its options (word 2, in seconds) runs out; the
// connection sends nothing else meanwhile.
//
// Adding an operation: its Op (or Control), its request and answer bodies
// with their fields, its Operation line below, and its handler in the
// card's service (card_service.cpp), whose table the build checks.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "pcfg_sim.h"
#include "wire.h"

namespace pcfg_sim::link {

inline constexpr uint16_t kFrameMagic = 0x5046;
inline constexpr uint8_t kFrameVersion = 2;
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
    Refused,  // the card's alone: no shell asks for it
};
// The last operation a shell asks for.
inline constexpr uint8_t kLastOp = static_cast<uint8_t>(Op::Stop);

// What a Control request steers (its first body byte).
enum class Control : uint8_t {
    None = 0,  // not a Control request
    Silent,
    ClearScript,
    Script,
    Fail,
    ClearFaults,
    Reset,
    Advance,
    Now,
    PortCount,
    ClearLog,
    PortIfIndex,
};

// ------------------------------------------------------------ field kinds
struct Bytes {
    std::span<const uint8_t> data;
    bool operator==(const Bytes &o) const { return std::ranges::equal(data, o.data); }
};

// An argument the caller may leave out (a null pointer): on the wire always.
template <class T>
struct Given {
    bool given = false;
    T value{};
    bool operator==(const Given &) const = default;
};

template <class T>
struct ShortList {
    std::vector<T> items;
    bool operator==(const ShortList &) const = default;
};

// How a record declared elsewhere goes on the wire (the bodies below list
// their fields themselves).
template <class T>
struct Fields {
    template <class S, class F> static void of(S &s, F &&f) { T::fields(s, std::forward<F>(f)); }
};

template <class T> struct is_given : std::false_type {};
template <class T> struct is_given<Given<T>> : std::true_type {};
template <class T> struct is_optional : std::false_type {};
template <class T> struct is_optional<std::optional<T>> : std::true_type {};
template <class T> struct is_vector : std::false_type {};
template <class T> struct is_vector<std::vector<T>> : std::true_type {};
template <class T> struct is_short_list : std::false_type {};
template <class T> struct is_short_list<ShortList<T>> : std::true_type {};
template <class T> struct is_array : std::false_type {};
template <class T, size_t N> struct is_array<std::array<T, N>> : std::true_type {};

// Builds one frame: the header first, the length filled in by take().
class FrameWriter {
public:
    FrameWriter(uint8_t op, Control control) {
        w_.u16(kFrameMagic).u8(kFrameVersion).u8(op).u32(0);
        if (control != Control::None) w_.u8(static_cast<uint8_t>(control));
    }

    template <class T>
    FrameWriter &put(const T &v) {
        if constexpr (std::is_same_v<T, bool>) {
            w_.u8(v ? 1 : 0);
        } else if constexpr (std::is_same_v<T, uint8_t>) {
            w_.u8(v);
        } else if constexpr (std::is_same_v<T, uint32_t> || std::is_same_v<T, int32_t>) {
            w_.u32(static_cast<uint32_t>(v));
        } else if constexpr (std::is_same_v<T, uint64_t> || std::is_same_v<T, int64_t>) {
            w_.u64(static_cast<uint64_t>(v));
        } else if constexpr (std::is_enum_v<T>) {
            static_assert(sizeof(T) <= 4, "an enumeration goes as one byte");
            w_.u8(static_cast<uint8_t>(v));
        } else if constexpr (std::is_same_v<T, std::string_view> || std::is_same_v<T, std::string>) {
            const size_t n = std::min<size_t>(v.size(), 0xFFFF);
            w_.u16(static_cast<uint16_t>(n)).bytes({reinterpret_cast<const uint8_t *>(v.data()), n});
        } else if constexpr (std::is_same_v<T, Bytes>) {
            w_.u32(static_cast<uint32_t>(v.data.size())).bytes(v.data);
        } else if constexpr (is_array<T>::value) {
            for (const auto &e : v) put(e);
        } else if constexpr (is_given<T>::value) {
            put(v.given).put(v.value);
        } else if constexpr (is_optional<T>::value) {
            put(v.has_value());
            if (v) put(*v);
        } else if constexpr (is_vector<T>::value) {
            put(static_cast<uint32_t>(v.size()));
            for (const auto &e : v) put(e);
        } else if constexpr (is_short_list<T>::value) {
            put(static_cast<uint8_t>(v.items.size()));
            for (const auto &e : v.items) put(e);
        } else {
            Fields<T>::of(v, [&](const auto &...f) { (put(f), ...); });
        }
        return *this;
    }

    std::vector<uint8_t> take() {
        w_.patch_u32(4, static_cast<uint32_t>(w_.size()));
        return w_.take();
    }

private:
    card::Wire w_;
};

// Reads one frame, bounded by it; the first read past its end (or a flag
// that is not 0 or 1, or a list longer than the frame could hold) fails
// this and every later read.
class FrameReader {
public:
    // Checks the header against the bytes; ok() is false when it does not
    // fit (magic, version, length). A Control request's what is read too.
    explicit FrameReader(std::span<const uint8_t> frame) : b_(frame) {
        if (frame.size() < kFrameHeader || frame.size() > kMaxFrame ||
            card::be_at(frame, 0, 2) != kFrameMagic || frame[2] != kFrameVersion ||
            card::be_at(frame, 4, 4) != frame.size()) {
            ok_ = false;
            return;
        }
        op_ = frame[3];
        pos_ = kFrameHeader;
        if (op_ == static_cast<uint8_t>(Op::Control)) get(control_);
    }
    // The operation byte as sent (answer and fault bits included).
    uint8_t op() const { return op_; }
    // The operation and what it steers, as the card's service looks them up.
    Control control() const { return static_cast<Control>(control_); }
    bool ok() const { return ok_; }
    // True when every byte was read and nothing failed.
    bool done() const { return ok_ && pos_ == b_.size(); }

    template <class T>
    FrameReader &get(T &v) {
        if constexpr (std::is_same_v<T, bool>) {
            const uint8_t f = static_cast<uint8_t>(take(1));
            if (f > 1) ok_ = false;
            v = f == 1;
        } else if constexpr (std::is_same_v<T, uint8_t> || std::is_same_v<T, uint32_t> ||
                             std::is_same_v<T, int32_t> || std::is_same_v<T, uint64_t> ||
                             std::is_same_v<T, int64_t>) {
            v = static_cast<T>(take(sizeof(T)));
        } else if constexpr (std::is_enum_v<T>) {
            v = static_cast<T>(take(1));
        } else if constexpr (std::is_same_v<T, std::string_view> || std::is_same_v<T, std::string>) {
            const std::span<const uint8_t> s = span(take(2));
            v = T(reinterpret_cast<const char *>(s.data()), s.size());
        } else if constexpr (std::is_same_v<T, Bytes>) {
            v.data = span(take(4));
        } else if constexpr (is_array<T>::value) {
            for (auto &e : v) get(e);
        } else if constexpr (is_given<T>::value) {
            get(v.given).get(v.value);
        } else if constexpr (is_optional<T>::value) {
            bool set = false;
            get(set);
            v.reset();
            if (set && ok_) get(v.emplace());
        } else if constexpr (is_vector<T>::value) {
            list(v, take(4));
        } else if constexpr (is_short_list<T>::value) {
            list(v.items, take(1));
        } else {
            Fields<T>::of(v, [&](auto &...f) { (get(f), ...); });
        }
        return *this;
    }

private:
    template <class T>
    void list(std::vector<T> &items, uint64_t count) {
        items.clear();
        // Every element takes a byte at least: a count the frame cannot
        // hold is malformed, and nothing is reserved for it.
        if (count > b_.size() - pos_) ok_ = false;
        for (uint64_t i = 0; i < count && ok_; ++i) get(items.emplace_back());
    }
    std::span<const uint8_t> span(uint64_t n) {
        if (!ok_ || b_.size() - pos_ < n) {
            ok_ = false;
            return {};
        }
        const auto out = b_.subspan(pos_, n);
        pos_ += n;
        return out;
    }
    uint64_t take(size_t n) {
        const std::span<const uint8_t> s = span(n);
        return ok_ ? card::be_at(s, 0, n) : 0;
    }
    std::span<const uint8_t> b_;
    size_t pos_ = 0;
    uint8_t op_ = 0;
    uint8_t control_ = 0;
    bool ok_ = true;
};

// ------------------------------------------------------------------ bodies
// Each body lists its fields once, in their order on the wire.
struct Empty {
    template <class S, class F>
    static void fields(S &, F &&) {}
    bool operator==(const Empty &) const = default;
};

struct CallAnswer {  // a transport call's result and the error number it left
    int32_t result = 0;
    int32_t err = 0;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.result, s.err); }
    bool operator==(const CallAnswer &) const = default;
};

struct ResultAnswer {
    int32_t result = 0;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.result); }
    bool operator==(const ResultAnswer &) const = default;
};

struct ValueAnswer {  // a Control request's value
    int64_t value = 0;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.value); }
    bool operator==(const ValueAnswer &) const = default;
};

struct HelloRequest {
    uint32_t pid = 0;
    std::string_view shell;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.pid, s.shell); }
    bool operator==(const HelloRequest &) const = default;
};

// Why a card does not serve a connection.
enum class Refusal : uint8_t {
    OtherUser = 1,  // the connection is another user's
    Full,           // the card serves as many shells as it may, or has no descriptor left
};

struct RefusalBody {
    Refusal reason = Refusal::Full;
    std::string_view text;  // what the card says, for the shell to show
    template <class S, class F> static void fields(S &s, F &&f) { f(s.reason, s.text); }
    bool operator==(const RefusalBody &) const = default;
};

struct HelloAnswer {
    std::string_view segment;  // the card's event log
    uint32_t ports = 0;        // its front ports as it greets: the shell's first question saved
    template <class S, class F> static void fields(S &s, F &&f) { f(s.segment, s.ports); }
    bool operator==(const HelloAnswer &) const = default;
};

struct BindRequest {
    int32_t type = 0;
    int32_t sap = 0;
    Given<std::array<uint32_t, 6>> options;
    Given<std::string_view> name;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.type, s.sap, s.options, s.name); }
    bool operator==(const BindRequest &) const = default;
};

struct UnbindRequest {
    int32_t handle = 0;
    int32_t flags = 0;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.handle, s.flags); }
    bool operator==(const UnbindRequest &) const = default;
};

struct Address {
    uint32_t node = 0;
    uint32_t sap = 0;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.node, s.sap); }
    bool operator==(const Address &) const = default;
};

// A message the card hands over (id 0: none).
struct Message {
    uint64_t id = 0;
    uint32_t opcode = 0;
    uint32_t token = 0;
    bool null_payload = false;
    Bytes payload;
    template <class S, class F>
    static void fields(S &s, F &&f) { f(s.id, s.opcode, s.token, s.null_payload, s.payload); }
    bool operator==(const Message &) const = default;
};

struct SendRequest {
    int32_t handle = 0;
    Given<Address> dest;
    uint32_t opcode = 0;
    Given<Bytes> payload;
    bool keep = false;     // keep a record of the message sent
    int32_t flags = 0;
    int32_t reserved = 0;
    bool deliver = false;  // deliver the manager's answer with this one
    template <class S, class F>
    static void fields(S &s, F &&f) {
        f(s.handle, s.dest, s.opcode, s.payload, s.keep, s.flags, s.reserved, s.deliver);
    }
    bool operator==(const SendRequest &) const = default;
};

struct SendAnswer {
    int32_t result = 0;
    int32_t err = 0;
    uint64_t id = 0;     // of the message kept (0: none)
    uint32_t token = 0;
    std::optional<Message> answer;  // the manager's answer, delivered at once
    template <class S, class F>
    static void fields(S &s, F &&f) { f(s.result, s.err, s.id, s.token, s.answer); }
    bool operator==(const SendAnswer &) const = default;
};

struct ReceiveRequest {
    int32_t handle = 0;
    Given<std::array<uint32_t, 10>> options;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.handle, s.options); }
    bool operator==(const ReceiveRequest &) const = default;
};

struct ReceiveAnswer {
    int32_t result = 0;
    int32_t err = 0;
    Message message;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.result, s.err, s.message); }
    bool operator==(const ReceiveAnswer &) const = default;
};

struct DropRequest {
    int32_t handle = 0;
    uint64_t id = 0;  // the record's message (0: none)
    template <class S, class F> static void fields(S &s, F &&f) { f(s.handle, s.id); }
    bool operator==(const DropRequest &) const = default;
};

struct HistoryRequest {
    bool params = false;
    Address addr;
    uint32_t hist_id = 0;
    uint32_t instance = 0;
    uint32_t flags = 0;
    template <class S, class F>
    static void fields(S &s, F &&f) { f(s.params, s.addr, s.hist_id, s.instance, s.flags); }
    bool operator==(const HistoryRequest &) const = default;
};

struct HistoryRecord {
    uint32_t event_id = 0;
    uint32_t seconds = 0;
    uint32_t stamp = 0;
    Bytes record;
    template <class S, class F>
    static void fields(S &s, F &&f) { f(s.event_id, s.seconds, s.stamp, s.record); }
    bool operator==(const HistoryRecord &) const = default;
};

struct HistoryAnswer {
    int32_t result = 0;
    bool unknown = false;  // no such history
    bool more = false;     // another answer follows
    std::vector<HistoryRecord> records;
    template <class S, class F>
    static void fields(S &s, F &&f) { f(s.result, s.unknown, s.more, s.records); }
    bool operator==(const HistoryAnswer &) const = default;
};

struct ServiceRequest {
    uint32_t function = 0;
    Given<std::array<uint8_t, kServiceRecord>> record;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.function, s.record); }
    bool operator==(const ServiceRequest &) const = default;
};

struct ServiceAnswer {
    int32_t result = 0;
    std::array<uint8_t, kServiceRecord> record{};
    template <class S, class F> static void fields(S &s, F &&f) { f(s.result, s.record); }
    bool operator==(const ServiceAnswer &) const = default;
};

struct WantedRequest {  // whether the caller handed a record to fill
    bool wanted = false;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.wanted); }
    bool operator==(const WantedRequest &) const = default;
};

struct PortEntry {
    uint32_t if_index = 0;
    uint8_t port_index = 0;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.if_index, s.port_index); }
    bool operator==(const PortEntry &) const = default;
};

struct PortsAnswer {
    int32_t result = 0;
    ShortList<PortEntry> ports;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.result, s.ports); }
    bool operator==(const PortsAnswer &) const = default;
};

struct PortMapRequest {
    uint32_t if_index = 0;
    bool wanted = false;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.if_index, s.wanted); }
    bool operator==(const PortMapRequest &) const = default;
};

struct PortMapAnswer {
    int32_t result = 0;
    uint32_t port = 0;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.result, s.port); }
    bool operator==(const PortMapAnswer &) const = default;
};

struct FlagRequest {
    bool on = false;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.on); }
    bool operator==(const FlagRequest &) const = default;
};

struct NumberRequest {
    uint32_t number = 0;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.number); }
    bool operator==(const NumberRequest &) const = default;
};

struct PortIndexRequest {
    uint8_t port_index = 0;
    template <class S, class F> static void fields(S &s, F &&f) { f(s.port_index); }
    bool operator==(const PortIndexRequest &) const = default;
};

// The control interface's own records, as they go on the wire.
template <>
struct Fields<Reply> {
    template <class S, class F> static void of(S &s, F &&f) { f(s.kind, s.opcode, s.payload); }
};

template <>
struct Fields<ArmedFault> {
    template <class S, class F> static void of(S &s, F &&f) { f(s.call, s.result, s.err, s.nth, s.times); }
};

template <>
struct Fields<ShellInfo> {
    template <class S, class F> static void of(S &s, F &&f) { f(s.pid, s.queues, s.held, s.asker, s.name); }
};

template <>
struct Fields<CardStatus> {
    template <class S, class F>
    static void of(S &s, F &&f) {
        f(s.now, s.ports, s.handled, s.queues, s.held, s.silent, s.script, s.unlisted, s.faults, s.shells);
    }
};

// -------------------------------------------------------------- operations
template <Op O, class Req, class Ans, Control C = Control::None>
struct Operation {
    static constexpr Op op = O;
    static constexpr Control control = C;
    using Request = Req;
    using Answer = Ans;
};

using HelloOp = Operation<Op::Hello, HelloRequest, HelloAnswer>;
using BindOp = Operation<Op::Bind, BindRequest, CallAnswer>;
using UnbindOp = Operation<Op::Unbind, UnbindRequest, CallAnswer>;
using SendOp = Operation<Op::Send, SendRequest, SendAnswer>;
using ReceiveOp = Operation<Op::Receive, ReceiveRequest, ReceiveAnswer>;
using DropOp = Operation<Op::Drop, DropRequest, CallAnswer>;
using HistoryOp = Operation<Op::History, HistoryRequest, HistoryAnswer>;
using ServiceOp = Operation<Op::Service, ServiceRequest, ServiceAnswer>;
using PortsOp = Operation<Op::Ports, WantedRequest, PortsAnswer>;
using TotalOp = Operation<Op::Total, Empty, ResultAnswer>;
using PortMapOp = Operation<Op::PortMap, PortMapRequest, PortMapAnswer>;
using StatusOp = Operation<Op::Status, Empty, CardStatus>;
using StopOp = Operation<Op::Stop, Empty, Empty>;
// Sent by the card alone, as the answer of whatever the shell asked first.
using RefusedOp = Operation<Op::Refused, Empty, RefusalBody>;
// Steering the card; each answers a value (0 where it has none to give).
using SilentOp = Operation<Op::Control, FlagRequest, ValueAnswer, Control::Silent>;
using ClearScriptOp = Operation<Op::Control, Empty, ValueAnswer, Control::ClearScript>;
using ScriptOp = Operation<Op::Control, Reply, ValueAnswer, Control::Script>;
using FailOp = Operation<Op::Control, ArmedFault, ValueAnswer, Control::Fail>;
using ClearFaultsOp = Operation<Op::Control, Empty, ValueAnswer, Control::ClearFaults>;
// Reset: the front ports, answered with their number; Advance: seconds,
// answered with the time.
using ResetOp = Operation<Op::Control, NumberRequest, ValueAnswer, Control::Reset>;
using AdvanceOp = Operation<Op::Control, NumberRequest, ValueAnswer, Control::Advance>;
using NowOp = Operation<Op::Control, Empty, ValueAnswer, Control::Now>;
using PortCountOp = Operation<Op::Control, Empty, ValueAnswer, Control::PortCount>;
using ClearLogOp = Operation<Op::Control, Empty, ValueAnswer, Control::ClearLog>;
using PortIfIndexOp = Operation<Op::Control, PortIndexRequest, ValueAnswer, Control::PortIfIndex>;

template <class O>
std::vector<uint8_t> request_frame(const typename O::Request &body) {
    return FrameWriter(static_cast<uint8_t>(O::op), O::control).put(body).take();
}

template <class O>
std::vector<uint8_t> answer_frame(const typename O::Answer &body) {
    return FrameWriter(static_cast<uint8_t>(O::op) | kAnswerBit, Control::None).put(body).take();
}

}  // namespace pcfg_sim::link
