// Printers of the manager's own counts (report request types 1 and 6).
//
// Commands processed, type 1 body:  0..1 not read, 2..3 u16 count.
// Manager events, type 6 body:      0..1 u16 event count.
#include <cstdio>

#include "common/be_reader.h"
#include "print/printers.h"

using pcfg::BeReader;

namespace {

// Reads the u16 at offset off, or reports a body too short to hold it.
bool body_u16(std::span<const uint8_t> body, size_t off, uint16_t &out) {
    BeReader r(body);
    r.skip(off);
    out = r.u16();
    if (r.ok()) return true;
    printf("ERROR: Invalid body size %u expected size %u \n",
           static_cast<unsigned>(body.size()), static_cast<unsigned>(off + 2));
    return false;
}

}  // namespace

void pcfg_print_cmds_processed(std::span<const uint8_t> body) noexcept {
    uint16_t count;
    if (body_u16(body, 2, count)) printf("cmds processed: %d\n", count);
}

void pcfg_print_not_implemented(std::span<const uint8_t> body) noexcept {
    uint16_t events;
    if (body_u16(body, 0, events)) printf("Command not implemented yet, events=%d\n", events);
}
