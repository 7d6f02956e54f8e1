#include "log_mix.h"

#include <array>

#include "pcfg_sim.h"

namespace pcfg_bench {
namespace {

enum : uint32_t { kRequest = 1, kReply = 2 };

// Small deterministic generator: the same log on every run and host.
class Draw {
public:
    explicit Draw(uint32_t seed) : s_(seed * 2654435761u + 1u) {}
    uint32_t next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return s_;
    }
    uint32_t below(uint32_t n) { return next() % n; }

private:
    uint32_t s_;
};

class Out {
public:
    explicit Out(std::vector<uint8_t> &b) : b_(b) {}
    Out &u8(uint32_t v) {
        b_.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    Out &u16(uint32_t v) { return u8(v >> 8).u8(v); }
    Out &u32(uint32_t v) { return u16(v >> 16).u16(v & 0xFFFFu); }
    Out &zeros(size_t n) {
        b_.insert(b_.end(), n, 0);
        return *this;
    }

private:
    std::vector<uint8_t> &b_;
};

uint32_t some_port(Draw &d) {
    // Nine in ten messages name a port of the card; the rest an interface
    // the port map does not know (a port channel, a removed module).
    if (d.below(10) == 9) return 0x04000000u | d.below(64);
    return pcfg_sim::if_index_of_port(static_cast<uint8_t>(d.below(pcfg_sim::num_ports())));
}

void port_counters_request(Out o, Draw &d) {
    o.u8(d.below(2)).u32(1 + d.below(7)).u32(some_port(d));
}

// The answer: status, a word, the counter record (688 bytes).
void port_counters_answer(Out o, Draw &d) {
    o.u32(0).u32(0).zeros(8);
    for (int k = 0; k < 85; ++k) {
        const uint32_t v = d.below(4) == 0 ? 0 : d.next();
        o.u32(0).u32(v);
    }
}

void cfg_tlv(Out &o, Draw &d) {
    switch (d.below(8)) {
    case 0: o.u8(1).u8(1).u8(1 + d.below(2)); break;           // admin state
    case 1: o.u8(2).u8(4).u32(0x20); break;                    // port mode
    case 2: o.u8(3).u8(4).u32(16000); break;                   // speed
    case 3: o.u8(12).u8(1).u8(1); break;                       // enable state
    case 4: o.u8(25).u8(4).u32(64); break;                     // receive credit
    case 5: o.u8(44).u8(1).u8(2); break;                       // rate mode
    case 6: o.u8(175).u8(4).u32(d.below(2)); break;            // FEC state
    default: o.u8(9).u8(8).u32(0x20000025u).u32(d.next()); break;  // port WWN
    }
}

void set_port_cfg_request(Out o, Draw &d) {
    const uint32_t ports = d.below(8) == 0 ? 2 + d.below(3) : 1;
    o.u8(1).u8(ports);
    for (uint32_t p = 0; p < ports; ++p) {
        const uint32_t tlvs = 1 + d.below(3);
        o.u32(some_port(d)).u8(tlvs);
        for (uint32_t t = 0; t < tlvs; ++t) cfg_tlv(o, d);
    }
}

void set_port_cfg_reply(Out o, Draw &d) {
    const uint32_t ports = d.below(8) == 0 ? 2 + d.below(3) : 1;
    o.u8(1).u8(ports);
    for (uint32_t p = 0; p < ports; ++p) o.u32(some_port(d)).u32(d.below(16) == 0 ? 0x40290009u : 0);
}

void link_status(Out o, Draw &d) {
    const bool up = d.below(2) == 0;
    o.u8(1).u32(some_port(d)).u8(up ? 1 : 2).u8(up ? 1 : 6 + d.below(3)).u32(up ? 0x20 : 0)
        .u32(up ? 16000 : 0).u8(1).u8(2).u8(up ? 1 : 0).u8(0);
}

void port_control(Out o, Draw &d) { o.u8(0).u32(some_port(d)).u8(3 + d.below(4)); }

void avg_counters(Out o, Draw &d) { o.u32(some_port(d)).u32(d.below(2)); }

void clear_counters(Out o, Draw &d) {
    const uint32_t n = 1 + d.below(2);
    o.u8(d.below(2)).u8(n);
    for (uint32_t i = 0; i < n; ++i) o.u32(some_port(d));
}

void sfp_diag(Out o, Draw &d) { o.u32(some_port(d)); }

void capabilities(Out o, Draw &d) { o.u16(0).u32(some_port(d)); }

// Messages whose decoders print nothing: a port and a few words.
void quiet(Out o, Draw &d) { o.u32(some_port(d)).u32(d.next()).u32(d.next()).u32(0); }

// The library's own report request, which the manager logs too.
void report_request(Out o, Draw &d) { o.u8(1 + d.below(10)).u8(d.below(48)).zeros(6); }

using Payload = void (*)(Out, Draw &);

struct Source {
    MixRow row;
    Payload payload;
};

const std::array<Source, 20> kSources{{
    {{3120, kRequest, 18, "port counters request"}, port_counters_request},
    {{3120, kReply, 13, "port counters answer (688-byte record)"}, port_counters_answer},
    {{395, kRequest, 12, "set port configuration, 1-4 ports, 1-3 TLVs each"}, set_port_cfg_request},
    {{395, kReply, 12, "set port configuration status"}, set_port_cfg_reply},
    {{399, kRequest, 8, "link status"}, link_status},
    {{398, kRequest, 4, "port control"}, port_control},
    {{3119, kRequest, 6, "average counters"}, avg_counters},
    {{3187, kRequest, 8, "interval average counters (not shown)"}, quiet},
    {{409, kRequest, 2, "clear port counters"}, clear_counters},
    {{425, kRequest, 3, "transceiver diagnostics"}, sfp_diag},
    {{394, kRequest, 2, "port capabilities"}, capabilities},
    {{3134, kRequest, 2, "verify port credit (not shown)"}, quiet},
    {{3144, kRequest, 2, "miscellaneous configuration (not shown)"}, quiet},
    {{436, kRequest, 1, "signal-loss timer (not shown)"}, quiet},
    {{442, kRequest, 1, "port miscellaneous information (not shown)"}, quiet},
    {{3146, kRequest, 1, "LCI reserve (not shown)"}, quiet},
    {{8188, kRequest, 1, "VQI/LDI map (not shown)"}, quiet},
    {{420, kRequest, 1, "extended link status (not shown)"}, quiet},
    {{513, kRequest, 1, "clear FC MAC counters (not shown)"}, quiet},
    {{435, kRequest, 2, "report request (no decoder)"}, report_request},
}};

const Source &pick(Draw &d) {
    uint32_t r = d.below(100);
    for (const Source &s : kSources) {
        if (r < s.row.weight) return s;
        r -= s.row.weight;
    }
    return kSources[0];
}

void append(EventLogImage &log, const Source &s, uint32_t seq, Draw &d) {
    const size_t start = log.bytes.size();
    log.offsets.push_back(start);
    Out o(log.bytes);
    o.u32(1764950400u + seq / 64).u32(s.row.kind == kRequest ? 0x101u : 0xfe000000u)
        .u32(s.row.kind == kRequest ? 0x1001u : 902u).u32(seq).u32(0).u32(0)
        .u32(s.row.kind).u32(s.row.opcode).zeros(16);
    s.payload(o, d);
    const auto length = static_cast<uint32_t>(log.bytes.size() - start);
    for (int i = 0; i < 4; ++i)
        log.bytes[start + 16 + static_cast<size_t>(i)] = static_cast<uint8_t>(length >> (24 - 8 * i));
}

}  // namespace

const std::vector<MixRow> &busy_mix() {
    static const std::vector<MixRow> rows = [] {
        std::vector<MixRow> out;
        for (const Source &s : kSources) out.push_back(s.row);
        return out;
    }();
    return rows;
}

EventLogImage busy_event_log(size_t records, uint32_t seed) {
    EventLogImage log;
    log.bytes.reserve(records * 200);
    log.offsets.reserve(records);
    Draw d(seed);
    for (size_t i = 0; i < records; ++i) append(log, pick(d), static_cast<uint32_t>(i + 1), d);
    return log;
}

EventLogImage busy_event_log_of(uint32_t opcode, uint32_t kind, size_t records, uint32_t seed) {
    EventLogImage log;
    Draw d(seed);
    uint32_t seq = 0;
    while (log.offsets.size() < records) {
        const Source &s = pick(d);
        ++seq;
        if (s.row.opcode != opcode || (kind != 0 && s.row.kind != kind)) {
            // Keep the draws in step with the full mix.
            std::vector<uint8_t> scratch;
            s.payload(Out(scratch), d);
            continue;
        }
        append(log, s, seq, d);
    }
    return log;
}

}  // namespace pcfg_bench
