// The manager's buffer-credit tables (report types 8 and 9): the credits it
// configured per port, and the same table as programmed in hardware (on the
// simulated card the two agree).
//
// Body:
//   0..1047     card-wide area, zero
//   1048..1051  port count (u32)  1052..1055 first port index (u32)
//   1056..      one 312-byte record per port index, from 0 to the card's
//               highest; indexes the card lacks are zero but for their number
// Port record: credit entry (12), virtual links (i8), 1 zero, four
//   virtual-link records of 62 bytes, classes of service (i8), 1 zero, four
//   class-of-service entries (12 each).
// Virtual-link record: credit entry (12), classes of service (i8), 1 zero,
//   four class-of-service entries.
// Credit entry: number, 1 zero, b2b, mult, prox, shar, ded (u16 each).
// Port byte 255 asks for every port; a port the card lacks gets count 0.
#include <algorithm>

#include "manager.h"
#include "port_resources.h"
#include "wire.h"

namespace pcfg_sim::card {
namespace {

constexpr size_t kCardAreaLen = 1048;
constexpr uint8_t kAllPorts = 255;
constexpr size_t kRoom = 4;
constexpr size_t kEntryLen = 12;
constexpr size_t kVlRecordLen = 62;

void entry(Wire &w, const Credit &c) {
    w.u8(c.number).u8(0).u16(c.b2b).u16(c.mult).u16(c.prox).u16(c.shar).u16(c.ded);
}

void cos_entries(Wire &w, const std::vector<Credit> &cos) {
    w.u8(static_cast<uint8_t>(cos.size())).u8(0);
    for (size_t j = 0; j < kRoom; ++j) {
        if (j < cos.size())
            entry(w, cos[j]);
        else
            w.zeros(kEntryLen);
    }
}

void port_record(Wire &w, const PortResources &r) {
    entry(w, r.credit);
    w.u8(static_cast<uint8_t>(r.vlinks.size())).u8(0);
    for (size_t k = 0; k < kRoom; ++k) {
        if (k < r.vlinks.size()) {
            entry(w, r.vlinks[k].credit);
            cos_entries(w, r.vlinks[k].cos);
        } else {
            w.zeros(kVlRecordLen);
        }
    }
    cos_entries(w, r.cos);
}

std::vector<uint8_t> credit_table(uint8_t port) {
    // Records for port indexes 0 up to the highest the card has: none on a
    // card without ports.
    uint32_t records = 0;
    for (const SimPort &p : state().ports) records = std::max<uint32_t>(records, p.port_index + 1u);
    const bool all = port == kAllPorts;
    const bool known = port_by_index(port) != nullptr;
    Wire w;
    w.zeros(kCardAreaLen);
    w.u32(all ? records : known ? 1 : 0).u32(all ? 0 : port);
    for (uint32_t idx = 0; idx < records; ++idx) {
        PortResources r;
        r.credit.number = static_cast<uint8_t>(idx);
        if (const SimPort *p = port_by_index(static_cast<uint8_t>(idx))) r = port_resources(*p);
        port_record(w, r);
    }
    return w.take();
}

}  // namespace

std::vector<uint8_t> report_credit_tbl(uint8_t port) { return credit_table(port); }
std::vector<uint8_t> report_credit_tbl_hw(uint8_t port) { return credit_table(port); }

}  // namespace pcfg_sim::card
