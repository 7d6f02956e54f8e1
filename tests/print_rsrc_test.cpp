// Resource tables and a port's resource record: golden outputs, the name
// tables, and bodies whose counts or size do not fit. Bodies are exactly
// sized, so a read past them is caught by the sanitizers.
#include "print/printers.h"
#include "support/fixture.h"
#include "support/golden.h"
#include "support/bytes.h"

using namespace pcfg_test;

namespace {

class PrintRsrcTest : public PcfgTest {
protected:
    std::string print(void (*printer)(std::span<const uint8_t>), const std::vector<uint8_t> &b) {
        return out([&] { printer(b); });
    }
};

// Tables at offsets 4 and 30 of the data area (unaligned group entries).
Bytes tables(uint8_t index_count, int32_t group_count, size_t size = 74) {
    Bytes p(size);
    p.u16(0, 4).u16(6, 30).u8(8, index_count).u32(12, static_cast<uint32_t>(group_count));
    auto index = [&](size_t at, int port, int link, int gi, int li, int vl, int lanes, uint32_t ifx) {
        if (at + 12 <= size) p.u8(at, port).u8(at + 1, link).u16(at + 2, gi).u16(at + 4, li)
                                 .u8(at + 6, vl).u8(at + 7, lanes).u32(at + 8, ifx);
    };
    index(24, 0, 3, 16, 5, 4, 1, 0x0100A000);
    index(36, 47, 7, 1234, 23, 0, 2, 0x012FF000);
    if (size >= 74) p.u16(50, 2400).u16(52, 2112).u32(54, 0).u32(58, 7);
    if (size >= 74) p.u16(62, 12).u16(64, 3).u32(66, 40).u32(70, 47);
    return p;
}

TEST_F(PrintRsrcTest, ResourceTablesAndRowsBeyondTheBody) {
    Transcript t;
    const Bytes body = tables(2, 2);
    t.add("two rows each", print(pcfg_rsrc_show_all_body, body));
    // The exported printer trusts the extent the body's own header claims.
    t.add("two rows each, exported printer", out([&] {
              pcfg_rsrc_show_all(reinterpret_cast<const pcfg_rsrc_all_info_t *>(body.bytes().data()));
          }));
    t.add("no rows", print(pcfg_rsrc_show_all_body, tables(0, 0)));
    t.add("a negative group count", print(pcfg_rsrc_show_all_body, tables(0, -1)));
    t.add("groups beyond the body", print(pcfg_rsrc_show_all_body, tables(2, INT32_MAX)));
    t.add("the second index row cut", print(pcfg_rsrc_show_all_body, tables(2, 0, 47)));
    t.add("a byte short of the header", print(pcfg_rsrc_show_all_body, Bytes(19)));
    t.add("no body", out([] { pcfg_rsrc_show_all(nullptr); }));
    expect_golden("print/rsrc_tables", t.str());
}

// Capabilities: every field distinct; credit group g holds 100g+1 .. 100g+9.
Bytes capabilities(size_t at = 0, size_t size = 336) {
    Bytes p(size);
    p.u64(at, 0x8000000000000001ull).u32(at + 8, 3).u32(at + 12, 3).u32(at + 20, 2112);
    p.u32(at + 24, 0xFFFFFFFE).u32(at + 28, 32).u32(at + 32, 9).u32(at + 36, 9);
    const uint32_t rest[] = {2112, 256, 2048, 128, 100000, 1000, 1, 0xc, 15, 0};
    for (size_t i = 0; i < 10; ++i) p.u32(at + 40 + 4 * i, rest[i]);
    for (size_t g = 0; g < 6; ++g)
        for (size_t i = 0; i < 9; ++i) p.u16(at + 80 + 18 * g + 2 * i, 100 * g + i + 1);
    p.u16(at + 80, 32);
    const uint16_t ext[] = {1, 2, 3, 4, 5, 6, 7, 65535};
    for (size_t i = 0; i < 8; ++i) p.u16(at + 188 + 2 * i, ext[i]);
    return p;
}

std::string cap_text(const std::vector<uint8_t> &cap) {
    return capture_stdout([&] { print_port_cap_buf(reinterpret_cast<const pcfg_port_cap_buf_t *>(cap.data())); });
}

// The lines of a text that hold `what`.
std::string lines_with(const std::string &text, const std::string &what) {
    std::string out;
    for (size_t at = 0, end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        if (text.find(what, at) < end) out += text.substr(at, end + 1 - at);
    }
    return out;
}

TEST_F(PrintRsrcTest, CapabilitiesSpeedAndConnectorNames) {
    Transcript t;
    t.add("every field distinct", cap_text(capabilities()));
    t.add("no record", out([] { print_port_cap_buf(nullptr); }));
    for (uint32_t code : {0u, 10u, 100u, 1000u, 2000u, 4000u, 8000u, 10000u, 16000u, 4u, 3u, 2u, 1u, 5u,
                          32000u, 0xFFFFFFFFu})
        t.add("speed " + std::to_string(code), lines_with(cap_text(Bytes(336).u32(8, code).u32(12, code)), "_speed"));
    for (uint32_t type : {0x1u, 0x9u, 0x8u, 0xCu, 0x6u, 0x2u, 0x4u, 0x0u, 0xF0u})
        t.add("connector " + std::to_string(type), lines_with(cap_text(Bytes(336).u32(36, type)), "connector_type"));
    expect_golden("print/rsrc_capabilities", t.str());
}

// A port record: fields 1..11 in the byte fields, given counts.
Bytes port_record(uint8_t vlinks, uint8_t ftos) {
    Bytes p = capabilities(576, 912);
    for (size_t i = 0; i < 4; ++i) p.u8(i, i + 1);
    p.u32(4, 0x0100B000);
    for (size_t i = 8; i < 15; ++i) p.u8(i, i - 3);
    p.u8(15, vlinks).u32(20, 0xFFFFFFFF).u32(24, 2000).u32(32, 32).u32(56, 1).u8(60, ftos);
    const int32_t modes[] = {4, 2, 32, 32768, 16384, 64, 6, -1};
    for (size_t i = 0; i < 32; ++i)
        p.u32(64 + 16 * i, static_cast<uint32_t>(modes[i % 8])).u8(72 + 16 * i, i % 2).u32(76 + 16 * i, 100 * i);
    for (size_t k = 0; k < 4; ++k) p.u8(40 + 4 * k, 1).u8(41 + 4 * k, k).u8(42 + 4 * k, 2).u8(43 + 4 * k, 200 + k);
    return p;
}

TEST_F(PrintRsrcTest, PortRecord) {
    Transcript t;
    t.add("no virtual links or force time-outs", print(pcfg_rsrc_print_port_info_body, port_record(0, 0)));
    const Bytes rec = port_record(2, 8);
    t.add("two virtual links, eight force time-outs", print(pcfg_rsrc_print_port_info_body, rec));
    t.add("the same, exported printer", out([&] {
              pcfg_rsrc_print_port_info(reinterpret_cast<const pcft_rsrc_port_info_t *>(rec.bytes().data()));
          }));
    t.add("the second virtual link", out([&] {
              print_port_vlink_info(reinterpret_cast<const pcfg_port_vlink_info_t *>(rec.bytes().data() + 44));
          }));
    t.add("counts above the record's room", print(pcfg_rsrc_print_port_info_body, port_record(255, 200)));
    t.add("a byte short", print(pcfg_rsrc_print_port_info_body, Bytes(911)));
    t.add("empty body", print(pcfg_rsrc_print_port_info_body, {}));
    t.add("no record", out([] {
              pcfg_rsrc_print_port_info(nullptr);
              print_port_vlink_info(nullptr);
          }));
    expect_golden("print/rsrc_port_record", t.str());
}

}  // namespace
