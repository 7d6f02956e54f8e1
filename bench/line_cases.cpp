#include "line_cases.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "log_mix.h"
#include "pcfg_sim.h"
#include "port_cfg_cli.h"
#include "support/params.h"

namespace pcfg_bench {
namespace {

constexpr size_t kRecords = 200;  // logged messages or history records per case

// ------------------------------------------------------------ decoders
struct DecodeInput {
    EventLogImage log;
};

template <uint32_t Opcode, uint32_t Kind>
DecodeInput &decode_input() {
    static DecodeInput in;
    return in;
}

template <uint32_t Opcode, uint32_t Kind>
void prepare_decode() {
    decode_input<Opcode, Kind>().log = busy_event_log_of(Opcode, Kind, kRecords);
}

template <uint32_t Opcode, uint32_t Kind, int (*Dispatch)(const pcfg_logged_msg_t *)>
void decode_all() {
    const EventLogImage &log = decode_input<Opcode, Kind>().log;
    for (size_t off : log.offsets)
        Dispatch(reinterpret_cast<const pcfg_logged_msg_t *>(log.bytes.data() + off));
}

template <uint32_t Opcode, uint32_t Kind>
LineCase decode_case(const char *name) {
    return {name, prepare_decode<Opcode, Kind>, decode_all<Opcode, Kind, eventlog_port_cfg_cli>,
            decode_all<Opcode, Kind, eventlog_port_cfg_cli_json>, false, kRecords};
}

// ------------------------------------------------------ manager answers
// The printers of the manager's answers, each behind its command on the
// simulated card: the exchange's platform calls are the platform's cost,
// the rest is the library's.
void no_input() {}

template <pcfg_cmd_id Cmd, int32_t Param = 0, int32_t (*Entry)(cli_param_block *) = port_cfg_cli_main>
void command() {
    pcfg_test::Params block(Cmd);
    if (Param != 0) block.num(Param, 5);
    Entry(block.block());
}

// A command's case: the text and the JSON of its answer.
template <pcfg_cmd_id Cmd, int32_t Param = 0>
LineCase command_case(const char *name) {
    return {name, no_input, command<Cmd, Param>, command<Cmd, Param, port_cfg_cli_main_json>, false, 1};
}



// ------------------------------------------------------ history records
constexpr uint32_t kHistory = 173u << 16;

struct HistRecord {
    uint32_t event;
    std::vector<uint8_t> bytes;  // host byte order
    hist_timestamp ts;
};

class Rec {
public:
    explicit Rec(size_t n) : b_(n, 0) {}
    Rec &u32(size_t off, uint32_t v) {
        std::memcpy(b_.data() + off, &v, 4);
        return *this;
    }
    Rec &u8(size_t off, uint8_t v) {
        b_[off] = v;
        return *this;
    }
    std::vector<uint8_t> take() { return std::move(b_); }

private:
    std::vector<uint8_t> b_;
};

uint32_t port_if(size_t i) { return pcfg_sim::if_index_of_port(static_cast<uint8_t>(i % 48)); }

// A history display of one log: records a few seconds apart.
template <typename Make>
std::vector<HistRecord> history(Make make) {
    std::vector<HistRecord> out;
    for (size_t i = 0; i < kRecords; ++i) {
        HistRecord r = make(i);
        r.ts = {1764950100u + static_cast<uint32_t>(i * 7), static_cast<uint32_t>(i * 13)};
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<HistRecord> g_hist;

template <int (*Formatter)(const void *, uint32_t, uint32_t, const hist_timestamp *, uint32_t)>
void show_history() {
    bool first = true;
    for (const HistRecord &r : g_hist) {
        Formatter(r.bytes.data(), static_cast<uint32_t>(r.bytes.size()), kHistory | r.event, &r.ts,
                  first ? 1 : 0);
        first = false;
    }
}

LineCase history_case(const char *name, void (*prepare)(), bool lines_are_records = true) {
    return {name, prepare, show_history<port_cfg_history_cli>, show_history<port_cfg_history_cli_json>,
            lines_are_records, kRecords};
}

constexpr std::array<int32_t, 4> kErrors{0, 0, 0x40290009, 0x4029000B};

void prepare_port_control() {
    g_hist = history([](size_t i) {
        constexpr std::array<uint32_t, 5> kEvents{1, 2, 5, 19, 20};
        return HistRecord{kEvents[i % 5],
                          Rec(8).u32(0, port_if(i)).u32(4, static_cast<uint32_t>(kErrors[i % 4])).take(),
                          {}};
    });
}

void prepare_link_events() {
    g_hist = history([](size_t i) {
        switch (i % 4) {
        case 0: return HistRecord{6, Rec(17).u32(0, port_if(i)).u32(4, 16000).u8(8, 1).u32(12, 0x40).take(), {}};
        case 1: return HistRecord{7, Rec(17).u32(0, port_if(i)).u8(8, 2).u8(9, 6).take(), {}};
        case 2: return HistRecord{21, Rec(17).u32(0, port_if(i)).u32(4, 8000).take(), {}};
        default: return HistRecord{23, Rec(17).u32(0, port_if(i)).u8(16, 1).take(), {}};
        }
    });
}

void prepare_mts() {
    g_hist = history([](size_t i) {
        constexpr std::array<uint32_t, 4> kOpcodes{3120, 395, 435, 399};
        return HistRecord{13 + static_cast<uint32_t>(i % 2),
                          Rec(8).u32(0, kOpcodes[i % 4]).u32(4, 0x1000u + static_cast<uint32_t>(i)).take(),
                          {}};
    });
}

void prepare_error() {
    g_hist = history([](size_t i) {
        constexpr std::array<uint8_t, 4> kTypes{3, 12, 25, 175};
        return HistRecord{0,
                          Rec(16).u32(0, port_if(i)).u8(4, kTypes[i % 4]).u32(8, 2).u32(12, 0x40290009).take(),
                          {}};
    });
}

void prepare_timestamp() {
    g_hist = history([](size_t i) {
        return HistRecord{8 + static_cast<uint32_t>(i % 3), Rec(4).u32(0, 0x0249f000u + static_cast<uint32_t>(i)).take(), {}};
    });
}

void prepare_serdes() {
    g_hist = history([](size_t i) {
        return HistRecord{16 + static_cast<uint32_t>(i % 3),
                          Rec(12).u32(0, port_if(i)).u8(4, static_cast<uint8_t>(1 + i % 2))
                              .u32(8, i % 5 == 0 ? static_cast<uint32_t>(-0x4029000B) : 0).take(),
                          {}};
    });
}

void prepare_event() {
    g_hist = history([](size_t i) {
        const char *text = i % 2 == 0 ? "port fc1/5: transceiver inserted, reading its identity"
                                       : "timestamp check enabled on every front port";
        std::vector<uint8_t> b(text, text + std::strlen(text) + 1);
        return HistRecord{12, std::move(b), {}};
    });
}

}  // namespace

const std::vector<LineCase> &line_cases() {
    static const std::vector<LineCase> cases{
        decode_case<395, 1>("decode 395 set port configuration request"),
        decode_case<395, 2>("decode 395 set port configuration reply"),
        decode_case<3120, 1>("decode 3120 port counters request"),
        decode_case<399, 1>("decode 399 link status"),
        decode_case<398, 1>("decode 398 port control"),
        decode_case<3119, 1>("decode 3119 average counters"),
        decode_case<409, 1>("decode 409 clear port counters"),
        decode_case<425, 1>("decode 425 transceiver diagnostics"),
        decode_case<394, 1>("decode 394 port capabilities"),
        command_case<PCFG_CMD_PORT_AGGR_CNTR, PCFG_PARAM_PORT>("counters display (port 5, 85 counters + TLVs)"),
        command_case<PCFG_CMD_RSRC_CARD>("resource tables (48 ports, buffer groups)"),
        command_case<PCFG_CMD_PORT_INFO, PCFG_PARAM_PORT>("port resource record (port 5)"),
        command_case<PCFG_CMD_CREDIT_TBL>("credit table (48 ports)"),
        history_case("history: Port Control Log", prepare_port_control),
        history_case("history: Link Events Log", prepare_link_events),
        history_case("history: MTS Event Log", prepare_mts),
        history_case("history: Error Log", prepare_error),
        history_case("history: Timestamp Log", prepare_timestamp),
        history_case("history: Serdes Control Log", prepare_serdes),
        history_case("history: Event Log", prepare_event, false),
    };
    return cases;
}

}  // namespace pcfg_bench
