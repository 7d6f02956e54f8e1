// Buffer-credit table (report request types 8 and 9): per port its credit
// figures, then those of its virtual links and classes of service.
//
// Body pcfg_credit_tbl_t (big-endian):
//   0..1047     not read
//   1048..1051  port count, u32: records to print
//   1052..1055  first port index, u32: array index of the first of them
//   1056..      port credit records, 312 bytes each, indexed by port
// Credit entry pcfg_credit_entry_t, 12 bytes:
//   0 number (port from 0, virtual link or class of service)  1 not read
//   2..3 b2b  4..5 mult (ports only)  6..7 prox  8..9 shar  10..11 ded
// Port credit record pcfg_port_credit_t, 312 bytes:
//   0..11 the port's credit entry  12 virtual-link count (i8)  13 not read
//   14..261 four virtual-link records of 62 bytes
//   262 port-level class-of-service count (i8)  263 not read
//   264..311 four class-of-service entries of 12 bytes
// Virtual-link credit record pcfg_vl_credit_t, 62 bytes:
//   0..11 the link's credit entry  12 class-of-service count (i8)
//   13 not read  14..61 four class-of-service entries of 12 bytes
// Records are packed; counts above the four entries a record has room for
// print the entries that exist and one line that says so.
#include <cstdio>

#include "common/be_reader.h"
#include "print/printers.h"

using pcfg::BeReader;
using namespace pcfg::out;

namespace {

constexpr size_t kCountOffset = 1048;
constexpr size_t kRecordsOffset = 1056;
constexpr uint64_t kPortRecordLen = 312;
constexpr size_t kEntryLen = 12;
constexpr size_t kVlOffset = 14;
constexpr size_t kVlLen = 62;
constexpr size_t kVlCosOffset = 14;
constexpr size_t kPortCosCountOffset = 262;
constexpr size_t kPortCosOffset = 264;
constexpr int kRoom = 4;

constexpr const char *kRule = "-----------------------------------------------------------------";

struct Entry {
    uint8_t number;
    uint16_t b2b, mult, prox, shar, ded;
};

Entry read_entry(BeReader r) {
    Entry e{};
    e.number = r.u8();
    r.skip(1);
    e.b2b = r.u16();
    e.mult = r.u16();
    e.prox = r.u16();
    e.shar = r.u16();
    e.ded = r.u16();
    return e;
}

// A row of the table: its number's column (port, virtual link or class of
// service), the multiplier of a port, then the credits.
constexpr Field kPortNumber = field<"port", Type::Int>("%4d  |      |       |");
constexpr Field kVlNumber = field<"vl", Type::Int>("      |%4d  |       |        |");
constexpr Field kCosNumber = field<"cos", Type::Int>("      |      |%5d  |        |");
constexpr Field kMult = field<"mult", Type::Int>("%6d  |");
constexpr Field kB2b = field<"b2b", Type::Int>("%6d  |");
constexpr Field kProx = field<"prox", Type::Int>("%6d  |");
constexpr Field kShar = field<"shar", Type::Int>("%6d  |");
constexpr Field kDed = field<"ded", Type::Int>("%6d\n");
constexpr Field kVlCount = json_only<"vl_count", Type::Int>();
constexpr Field kCosCount = json_only<"cos_count", Type::Int>();
constexpr Field kCount = json_only<"count", Type::Uint>();
constexpr Field kFirst = json_only<"first_index", Type::Uint>();

void print_row(const Field &number, int shown_number, const Entry &e, bool with_mult, Writer &w) {
    w.put(number, static_cast<uint32_t>(shown_number));
    if (with_mult) w.put(kMult, e.mult);
    w.put(kB2b, e.b2b);
    w.put(kProx, e.prox);
    w.put(kShar, e.shar);
    w.put(kDed, e.ded);
}

void print_room_note(int count, Writer &w) {
    if (count > kRoom)
        w.fail(Fail::BeyondRecord, "      (only %d of %d entries exist)\n", kRoom, count);
}

// Class-of-service rows: `count` entries from offset `first` of `rec`.
void print_cos_rows(const BeReader &rec, size_t first, int count, Writer &w) {
    {
        const Scope rows(w, "cos", true);
        for (int j = 0; j < count && j < kRoom; ++j) {
            const Scope row(w, nullptr);
            const Entry e = read_entry(rec.at(first + kEntryLen * static_cast<size_t>(j)));
            print_row(kCosNumber, e.number, e, false, w);
        }
    }
    print_room_note(count, w);
}

void print_port_record(const BeReader &rec, Writer &w) {
    const Entry port = read_entry(rec.at(0));
    print_row(kPortNumber, port.number + 1, port, true, w);
    const int vls = rec.at(kEntryLen).i8();
    w.put(kVlCount, static_cast<uint32_t>(vls));
    if (vls > 0) {
        {
            const Scope rows(w, "vls", true);
            for (int k = 0; k < vls && k < kRoom; ++k) {
                const Scope row(w, nullptr);
                const BeReader vl = rec.at(kVlOffset + kVlLen * static_cast<size_t>(k)).sub(kVlLen);
                const Entry e = read_entry(vl.at(0));
                print_row(kVlNumber, e.number, e, false, w);
                const int cos = vl.at(kEntryLen).i8();
                w.put(kCosCount, static_cast<uint32_t>(cos));
                if (cos > 0) print_cos_rows(vl, kVlCosOffset, cos, w);
            }
        }
        print_room_note(vls, w);
    } else if (vls == 0) {
        const int cos = rec.at(kPortCosCountOffset).i8();
        w.put(kCosCount, static_cast<uint32_t>(cos));
        if (cos > 0) print_cos_rows(rec, kPortCosOffset, cos, w);
    }
    w.line(kRule);
}

}  // namespace

void pcfg_print_credit_tbl(std::span<const uint8_t> body, Writer &w) noexcept {
    if (body.data() == nullptr) return;
    BeReader head = BeReader(body).at(kCountOffset);
    const uint32_t count = head.u32();
    const uint32_t first = head.u32();
    if (!head.ok()) {
        w.fail(Fail::ShortBody, "ERROR: Invalid body size %u expected size %u \n",
               static_cast<unsigned>(body.size()), static_cast<unsigned>(kRecordsOffset));
        return;
    }
    w.put(kCount, count);
    w.put(kFirst, first);
    w.line("port  |  vl  |  cos  |  mult  |   b2b  |  prox  |  shar  |  ded");
    w.line(kRule);
    {
        const Scope ports(w, "ports", true);
        // Offsets in 64 bits: no first index or count can wrap them.
        for (uint64_t i = first; i < uint64_t{first} + count; ++i) {
            const uint64_t off = kRecordsOffset + kPortRecordLen * i;
            if (off + kPortRecordLen > body.size()) break;
            const Scope port(w, nullptr);
            print_port_record(BeReader(body.subspan(static_cast<size_t>(off), kPortRecordLen)), w);
        }
    }
    const uint64_t end = kRecordsOffset + kPortRecordLen * (uint64_t{first} + count);
    if (count > 0 && end > body.size())
        w.fail(Fail::BeyondBody, "ERROR: port records beyond response (first %u count %u)\n",
               static_cast<unsigned>(first), static_cast<unsigned>(count));
}
