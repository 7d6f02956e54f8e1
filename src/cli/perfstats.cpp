// Bandwidth statistics of the front ports (command 40).
//
// The command binds a private queue, asks the manager for the byte counts of
// every front port over an averaging interval, and prints one line of rates
// per port. The request and answer headers are printed on every run. Its
// conversation differs from the report exchange: any non-zero send result
// fails, the answer's opcode is not checked but shown, and a missing
// payload ends the command silently.
//
// Request, opcode 3187, big-endian:
//   0  u16  num_ports   front ports listed (at most 64)
//   2  u16  interval    averaging interval in seconds, low 16 bits
//   4  u32  if_index    one per front port, in list order
//
// Answer, big-endian:
//   0  u32  status      0 = success
//   4  u16  (not read)
//   6  u16  num_ports   records that follow
//   8  52 bytes per port:
//        0 (4, not read)   4 u32 if_index   8 (20, not read)
//       28 u64 in_bytes   36 (8, not read)  44 u64 out_bytes
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#include "cli/commands.h"
#include "cli/exchange.h"
#include "common/be_reader.h"
#include "common/mts_session.h"
#include "common/params.h"

using namespace pcfg;
using namespace pcfg::out;

namespace {

constexpr const char *kOp = "port_cfg_show_perfstats";

constexpr ExchangeRules kRules{kOpcIntervalCounters, SendFails::OnNonZero, false, kWaitExchange,
                               OpcodeUse::Read, 0};

// A missing or short answer ends the command without a word.
void print_failure(const ExchangeFailure &f, Writer &w) {
    if (f.step == ExchangeStep::Send)
        w.fail(Fail::SendFailed, "mts_send failed\n");
    else if (f.step == ExchangeStep::Receive)
        w.fail(Fail::ReceiveFailed, "mts_recv failed\n");
}

constexpr uint32_t kDefaultInterval = 300;
constexpr uint32_t kMaxInterval = 0xFFFF;  // the request carries 16 bits
constexpr int kMaxRequestPorts = 64;  // the warning text spells it out
constexpr size_t kReqHdrLen = 4;
constexpr size_t kReqCapacity = kReqHdrLen + 4 * kMaxRequestPorts;
static_assert(kReqCapacity == 260);
constexpr size_t kRecordLen = 52;
constexpr size_t kNameLen = 30;

// Units of a rate, each 1000 times the previous one.
constexpr std::array<const char *, 4> kUnits{"B", "K", "M", "G"};

struct Scaled {
    double value;
    const char *unit;
};

// Divides by 1000 step by step, each step on the previous quotient, and
// stops before the first quotient below 1; "G" takes whatever is left.
Scaled scale(double rate) {
    double value = rate;
    for (size_t i = 0; i + 1 < kUnits.size(); ++i) {
        const double next = value / 1000.0;
        if (next < 1.0) return {value, kUnits[i]};
        value = next;
    }
    return {value, kUnits.back()};
}

// The request buffer, the one heap block the library takes; freed when its
// owner goes.
class RequestBuffer {
public:
    RequestBuffer() noexcept : data_(static_cast<uint8_t *>(malloc(kReqCapacity))) {}
    ~RequestBuffer() { free(data_); }
    RequestBuffer(const RequestBuffer &) = delete;
    RequestBuffer &operator=(const RequestBuffer &) = delete;

    bool allocated() const noexcept { return data_ != nullptr; }
    std::span<uint8_t> bytes() noexcept { return {data_, kReqCapacity}; }

private:
    uint8_t *data_;
};

// One per-port record of the answer.
struct PortRecord {
    uint32_t if_index;
    uint64_t in_bytes;
    uint64_t out_bytes;
};

PortRecord read_record(BeReader rec) {
    PortRecord r{};
    rec.skip(4);
    r.if_index = rec.u32();
    rec.skip(20);
    r.in_bytes = rec.u64();
    rec.skip(8);
    r.out_bytes = rec.u64();
    return r;
}

// A rate as the text shows it: the value in its unit.
struct RateFields {
    const char *key;
    Field value, unit;
};
constexpr RateFields kIn{"in", field<"value", Type::Real>("in = %.2lf"), field<"unit", Type::Str>("(%s) ")};
constexpr RateFields kOut{"out", field<"value", Type::Real>("out = %.2lf"),
                          field<"unit", Type::Str>("(%s), ")};
constexpr RateFields kTotal{"total", field<"value", Type::Real>("total = %.2lf"),
                            field<"unit", Type::Str>("(%s)\n")};
constexpr Field kPortName = field<"name", Type::Str>("%s, ");
constexpr Field kIfIndex = json_only<"if_index", Type::Uint>();
constexpr Field kInBytes = json_only<"in_bytes", Type::U64>(Unit::Bytes);
constexpr Field kOutBytes = json_only<"out_bytes", Type::U64>(Unit::Bytes);

void print_rate(const RateFields &f, double rate, Writer &w) {
    const Scaled s = scale(rate);
    const Scope scope(w, f.key);
    w.real(f.value, s.value);
    w.str(f.unit, s.unit);
}

void print_port_line(const PortRecord &r, uint32_t interval, Writer &w) {
    std::array<char, kNameLen> name{};
    snprintf_if_index_short(name.data(), name.size(), r.if_index);
    name.back() = '\0';
    const double seconds = static_cast<double>(static_cast<int32_t>(interval));
    const double in_rate = static_cast<double>(r.in_bytes) / seconds;
    const double out_rate = static_cast<double>(r.out_bytes) / seconds;
    w.str(kPortName, name.data());
    w.put(kIfIndex, r.if_index);
    w.put(kInBytes, r.in_bytes);
    w.put(kOutBytes, r.out_bytes);
    print_rate(kIn, in_rate, w);
    print_rate(kOut, out_rate, w);
    print_rate(kTotal, in_rate + out_rate, w);
}

constexpr Field kRespStatus = field<"status", Type::Int>("resp_payload: status    = %d\n");
constexpr Field kRespPorts = field<"num_ports", Type::Int>("resp_payload: num_ports = %d\n");
constexpr Field kRespOpcode = field<"opcode", Type::Int>("resp_payload: opcode    = %d\n");
constexpr Field kRespSize =
    field<"payload_bytes", Type::Int>("resp_payload: payload sz= %d\n", Unit::Bytes);

// Prints the answer: its header lines, then one line per record it holds.
void print_answer(const uint8_t *payload, uint32_t size, uint32_t opcode, uint32_t interval,
                  Writer &w) {
    BeReader r(payload, size);
    const uint32_t status = r.u32();
    r.skip(2);
    const uint16_t num_ports = r.u16();
    if (!r.ok()) {
        w.fail(Fail::ShortPayload, "resp too short from port-cfg\nresp_payload: payload sz= %d\n",
               static_cast<int>(size));
        return;
    }
    if (status != 0) {
        w.fail(Fail::ManagerStatus,
               "resp failure from port-cfg\nresp_payload: status    = %d\n"
               "resp_payload: num_ports = %d\nresp_payload: payload sz= %d\n",
               static_cast<int32_t>(status), num_ports, static_cast<int>(size));
        return;
    }
    w.text("\nresp success from port-cfg\n");
    w.put(kRespStatus, status);
    w.put(kRespPorts, num_ports);
    w.put(kRespOpcode, opcode);
    w.put(kRespSize, size);

    int shown = 0;
    {
        const Scope ports(w, "ports", true);
        for (; shown < num_ports && r.has(kRecordLen); ++shown) {
            const Scope port(w, nullptr);
            print_port_line(read_record(r.sub(kRecordLen)), interval, w);
        }
    }
    if (shown < num_ports)
        w.fail(Fail::BeyondBody, "resp_payload: only %d of %d port records present\n", shown,
               num_ports);
}

constexpr Field kReqPorts = field<"num_ports", Type::Int>("req_payload: num_ports = %d\n");
constexpr Field kReqInterval =
    field<"interval_seconds", Type::Int>("req_payload: interval  = %d\n", Unit::Seconds);
constexpr Field kReqSize =
    field<"payload_bytes", Type::Int>("req_payload: payload sz= %d\n", Unit::Bytes);

}  // namespace

extern "C" const char *rate_unit(double rate) noexcept { return scale(rate).unit; }

extern "C" double rate_value(double rate) noexcept { return scale(rate).value; }

template <>
void pcfg::run_command<PCFG_CMD_PERFSTATS>(const cli_param_block &params, Writer &w) noexcept {
    const uint32_t interval =
        token_number(params, PCFG_PARAM_INTERVAL, Pick::Last).value_or(kDefaultInterval);
    // A zero interval would divide by zero, and one past 16 bits would ask
    // the manager for another interval than the rates are divided by.
    if (interval == 0 || interval > kMaxInterval) {
        w.fail(Fail::InvalidArgument, "%s: invalid interval %u\n", kOp,
               static_cast<unsigned>(interval));
        return;
    }

    MtsQueue queue;
    if (!queue.bound()) {
        print_bind_failure("port_cfg_show_perfstats:", w);
        return;
    }
    front_port_list list{};
    if (get_front_port_if_index_list(&list) != 0) {
        w.fail(Fail::PlatformFailed, "%s: get_front_port_if_index_list failed\n", kOp);
        return;
    }
    int num_ports = list.count;
    RequestBuffer request;
    uint32_t length = 0;
    {
        const Scope request_scope(w, "request");
        if (num_ports > kMaxRequestPorts) {
            w.fail(Fail::BeyondRecord, "%s: %d front ports, only the first 64 requested\n", kOp,
                   num_ports);
            num_ports = kMaxRequestPorts;
        }
        if (!request.allocated()) {
            w.fail(Fail::NoMemory, "%s: request allocation failed\n", kOp);
            return;
        }
        const auto interval16 = static_cast<uint16_t>(interval);
        BeWriter bw(request.bytes());
        bw.u16(static_cast<uint16_t>(num_ports)).u16(interval16);
        for (int i = 0; i < num_ports; ++i) bw.u32(list.entries[i].if_index);
        length = static_cast<uint32_t>(bw.offset());

        w.put(kReqPorts, static_cast<uint32_t>(num_ports));
        w.put(kReqInterval, interval16);
        w.put(kReqSize, length);
    }
    const Scope response(w, "response");
    converse(queue.handle(), request.bytes().first(length), kRules, kNothingAfterSend,
             [&w](const ExchangeFailure &f) { print_failure(f, w); },
             [interval, &w](const Answer &a) {
                 print_answer(a.payload, a.size, a.opcode, interval, w);
                 return 0;
             });
}
