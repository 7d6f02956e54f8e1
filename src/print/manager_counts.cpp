// Printers of the manager's own counts (report request types 1 and 6).
//
// Commands processed, type 1 body:  0..1 not read, 2..3 u16 count.
// Manager events, type 6 body:      0..1 u16 event count.
#include <cstdio>

#include "common/be_reader.h"
#include "print/printers.h"

using pcfg::BeReader;
using namespace pcfg::out;

namespace {

constexpr Field kProcessed = field<"cmds_processed", Type::Int>("cmds processed: %d\n");
constexpr Field kEvents =
    field<"events", Type::Int>("Command not implemented yet, events=%d\n");

// Prints the u16 at offset off, or reports a body too short to hold it.
void body_u16(std::span<const uint8_t> body, size_t off, const Field &f, Writer &w) {
    BeReader r(body);
    r.skip(off);
    const uint16_t v = r.u16();
    if (r.ok()) {
        w.put(f, v);
        return;
    }
    w.fail(Fail::ShortBody, "ERROR: Invalid body size %u expected size %u \n",
           static_cast<unsigned>(body.size()), static_cast<unsigned>(off + 2));
}

}  // namespace

void pcfg_print_cmds_processed(std::span<const uint8_t> body, Writer &w) noexcept {
    body_u16(body, 2, kProcessed, w);
}

void pcfg_print_not_implemented(std::span<const uint8_t> body, Writer &w) noexcept {
    body_u16(body, 0, kEvents, w);
}
