// Resource tables of the line card (report request types 4 and 5): the
// index table, one row per port, then the buffer-group table.
//
// Body pcfg_rsrc_all_info_t (big-endian):
//   0..1    index table offset, u16, counted from body offset 20
//   2..5    not read
//   6..7    buffer-group table offset, u16, counted from body offset 20
//   8       index entry count, u8
//   9..11   not read
//   12..15  buffer group count, i32 (0 or less: no group)
//   16..19  not read
//   20..    data area holding both tables at their offsets
// Index entry pcfg_rsrc_index_entry_t, 12 bytes:
//   0 port (from 0)  1 link index  2..3 global index  4..5 local index
//   6 virtual link   7 total lanes  8..11 if_index
// Buffer group entry pcfg_rsrc_buf_grp_entry_t, 12 bytes:
//   0..1 max buffers  2..3 available buffers  4..7 first port  8..11 last port
//   (ports from 0)
//
// Rows that do not lie wholly inside the body are not printed; one error
// line says so after the rows that are.
#include <cstdio>
#include <iterator>

#include "common/be_reader.h"
#include "print/printers.h"

using pcfg::BeReader;
using namespace pcfg::out;

// Row formats as the exported tables give them; the rows print field by
// field (kIndexRow, kGroupRow below), checked against these while compiling.
#define PCFG_INDEX_ROW " %02d   | %08X | %04d   | %02d    | %02d    | %d    | %d\n"
#define PCFG_BUF_GRP_ROW " %02d   | %2d - %2d  |  %4d   |  %2d \n"

// Title, rule, two column-header lines, row format.
extern "C" const char *const pcfg_rsrc_index_hdr[5] = {
    "               Index information                        ",
    "--------------------------------------------------------",
    " Port | IfIndex  | Global | Local | Link  | Virt | Total",
    " Num  | (Hex)    | Index  | Index | Index | Link | Lanes",
    PCFG_INDEX_ROW,
};

extern "C" const char *const pcfg_rsrc_buf_grp_hdr[5] = {
    "Buffer Groups information           ",
    "-----------------------------------------------",
    " Buf  | Ports    | Max     | Avail  ",
    " Grp  | Grp      | Buffers | Buffers",
    PCFG_BUF_GRP_ROW,
};

namespace {

enum Hdr { kTitle, kRule, kCols1, kCols2, kRow, kHdrLines };
static_assert(std::size(pcfg_rsrc_index_hdr) == kHdrLines &&
              std::size(pcfg_rsrc_buf_grp_hdr) == kHdrLines);

constexpr size_t kHeaderLen = 20;
constexpr size_t kEntryLen = 12;

// The columns of an index row, in the order the row shows them.
constexpr Field kIndexRow[] = {
    field<"port", Type::Int>(" %02d   | "),       field<"if_index", Type::Uint>("%08X | "),
    field<"global_index", Type::Int>("%04d   | "), field<"local_index", Type::Int>("%02d    | "),
    field<"link_index", Type::Int>("%02d    | "),  field<"virtual_link", Type::Int>("%d    | "),
    field<"total_lanes", Type::Int>("%d\n"),
};
// The columns of a buffer-group row.
constexpr Field kGroupRow[] = {
    field<"group", Type::Int>(" %02d   | "),      field<"first_port", Type::Int>("%2d - "),
    field<"last_port", Type::Int>("%2d  |  "),    field<"max_buffers", Type::Int>("%4d   |  "),
    field<"avail_buffers", Type::Int>("%2d \n"),
};

// The row's columns make exactly the exported row format.
template <size_t N>
constexpr bool makes(const Field (&row)[N], const char *format) {
    size_t at = 0;
    for (const Field &f : row)
        for (const char *p = f.text; *p != '\0'; ++p, ++at)
            if (format[at] != *p) return false;
    return format[at] == '\0';
}
static_assert(makes(kIndexRow, PCFG_INDEX_ROW) && makes(kGroupRow, PCFG_BUF_GRP_ROW));

constexpr Field kIndexCount = json_only<"index_count", Type::Int>();
constexpr Field kGroupCount = json_only<"group_count", Type::Int>();

struct Header {
    uint16_t index_off;
    uint16_t group_off;
    uint8_t index_count;
    int32_t group_count;
};

// Reads the fixed header; false when the body is too short to hold it.
bool read_header(BeReader r, Header &h) {
    h.index_off = r.u16();
    r.skip(4);
    h.group_off = r.u16();
    h.index_count = r.u8();
    r.skip(3);
    h.group_count = r.i32();
    r.skip(4);
    return r.ok();
}

void print_index_row(uint64_t, BeReader e, Writer &w) {
    const uint8_t port = e.u8();
    const uint8_t link = e.u8();
    const uint16_t global = e.u16();
    const uint16_t local = e.u16();
    const uint8_t vlink = e.u8();
    const uint8_t lanes = e.u8();
    const uint32_t if_index = e.u32();
    const uint32_t values[] = {port + 1u, if_index, global, local, link, vlink, lanes};
    for (size_t i = 0; i < std::size(kIndexRow); ++i) w.put(kIndexRow[i], values[i]);
}

void print_group_row(uint64_t k, BeReader e, Writer &w) {
    const uint16_t max_bufs = e.u16();
    const uint16_t avail = e.u16();
    const uint32_t first = e.u32();
    const uint32_t last = e.u32();
    const uint32_t values[] = {static_cast<uint32_t>(k + 1), first + 1u, last + 1u, max_bufs, avail};
    for (size_t i = 0; i < std::size(kGroupRow); ++i) w.put(kGroupRow[i], values[i]);
}

// Prints `count` entries from body offset `start`; offsets are 64-bit so
// that no count can wrap them.
void print_rows(std::span<const uint8_t> body, uint64_t start, uint64_t count,
                void (*row)(uint64_t, BeReader, Writer &), const char *key, Writer &w) {
    bool beyond = false;
    {
        const Scope rows(w, key, true);
        for (uint64_t k = 0; k < count; ++k) {
            const uint64_t off = start + kEntryLen * k;
            if (off + kEntryLen > body.size()) {
                beyond = true;
                break;
            }
            const Scope one(w, nullptr);
            row(k, BeReader(body.subspan(static_cast<size_t>(off), kEntryLen)), w);
        }
    }
    if (beyond)
        w.fail(Fail::BeyondBody, "ERROR: table exceeds response (%u bytes)\n",
               static_cast<unsigned>(body.size()));
}

// Bytes a body claims: its header and the end of the farther table.
uint64_t claimed_extent(const Header &h) {
    const uint64_t index_end = kHeaderLen + h.index_off + uint64_t{kEntryLen} * h.index_count;
    const uint64_t groups = h.group_count > 0 ? static_cast<uint64_t>(h.group_count) : 0;
    const uint64_t group_end = kHeaderLen + h.group_off + kEntryLen * groups;
    return index_end > group_end ? index_end : group_end;
}

void print_heading(const char *const *hdr, Writer &w) {
    for (int line : {kTitle, kRule, kCols1, kCols2, kRule}) w.line(hdr[line]);
}

}  // namespace

void pcfg_rsrc_show_all_body(std::span<const uint8_t> body, Writer &w) noexcept {
    if (body.data() == nullptr) return;
    Header h{};
    if (!read_header(BeReader(body), h)) {
        w.fail(Fail::ShortBody, "ERROR: Invalid body size %u expected size %u \n",
               static_cast<unsigned>(body.size()), static_cast<unsigned>(kHeaderLen));
        return;
    }
    const char *const *ix = pcfg_rsrc_index_hdr;
    print_heading(ix, w);
    w.put(kIndexCount, h.index_count);
    {
        const Scope index(w, "index_table");
        print_rows(body, kHeaderLen + h.index_off, h.index_count, print_index_row, "rows", w);
    }
    w.line(ix[kRule]);
    w.text("\n");

    const char *const *bg = pcfg_rsrc_buf_grp_hdr;
    w.text("     Global ");
    print_heading(bg, w);
    w.put(kGroupCount, static_cast<uint32_t>(h.group_count));
    {
        const Scope groups(w, "group_table");
        if (h.group_count > 0)
            print_rows(body, kHeaderLen + h.group_off, static_cast<uint64_t>(h.group_count),
                       print_group_row, "rows", w);
    }
    w.line(bg[kRule]);
    w.text("\n");
}

// An outside caller hands a bare address: the body is trusted to hold what
// its own header claims.
extern "C" void pcfg_rsrc_show_all(const pcfg_rsrc_all_info_t *info) noexcept {
    if (info == nullptr) return;
    const auto *p = reinterpret_cast<const uint8_t *>(info);
    Header h{};
    read_header(BeReader(p, kHeaderLen), h);
    pcfg_rsrc_show_all_body({p, trusted_extent(p, claimed_extent(h))}, text_writer());
}
