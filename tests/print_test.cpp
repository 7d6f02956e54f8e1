// Response printers: the port counters display (counter-name table, the 85
// counters of the record, every path of the extra-counter TLV walk; answers
// reach it through the counter exchange, exactly sized), digital diagnostics
// (every check of its single TLV), the buffer-credit table, the resource
// tables and a port's resource record. Bodies are exactly sized, so a read
// past them is caught by the sanitizers.
#include "support/library_units.h"
#include "support/bytes.h"
#include "support/fixture.h"
#include "support/golden.h"
#include "support/json_twin.h"

using namespace pcfg_test;
using pcfg_sim::Reply;
using pcfg_sim::Tlv;

namespace {

class PrintTest : public PcfgTest {
protected:
    // Current counters of port 1, answered with `payload`; `arm` sets up
    // the platform's failures before each run (as text, then as JSON).
    std::string show(const std::vector<uint8_t> &payload, const std::function<void()> &arm = [] {},
                     pcfg_cmd_id cmd = PCFG_CMD_PORT_CUR_CNTR) {
        std::string text;
        for (const auto entry : {port_cfg_cli_main, port_cfg_cli_main_json}) {
            arm();
            pcfg_sim::script_reply({Reply::Kind::Answer, 0, payload});
            Params params(cmd);
            const auto run = [&] { entry(params.num(PCFG_PARAM_PORT, 1).block()); };
            entry == port_cfg_cli_main ? void(text = out(run)) : keep_json(text, unlogged(run));
        }
        return text;
    }
};

// What the printer prints for the body, its JSON kept as the document of
// the printer's command.
std::string print(pcfg_body_printer printer, const std::vector<uint8_t> &b) {
    using namespace pcfg::out;
    static constexpr Field kCommand = json_only<"command", Type::Str>();
    static constexpr Field kCmdId = json_only<"cmd_id", Type::Int>();
    const pcfg_cmd_id id = printer == pcfg_rsrc_show_all_body          ? PCFG_CMD_RSRC_CARD
                           : printer == pcfg_rsrc_print_port_info_body ? PCFG_CMD_PORT_INFO
                                                                       : PCFG_CMD_CREDIT_TBL;
    const pcfg_cmd_info &cmd =
        *std::find_if(std::begin(pcfg_cmd_list), std::end(pcfg_cmd_list), [&](auto &c) { return c.id == id; });
    const std::string text = capture_stdout([&] { printer(b, text_writer()); });
    keep_json(text, json_of([&](Writer &w) {
                  w.str(kCommand, cmd.name);
                  w.put(kCmdId, cmd.id);
                  printer(b, w);
              }));
    return text;
}

// A counter answer: status 0, the record, then the TLV array if any.
Bytes answer(const std::vector<Tlv> &tlvs = {}, bool with_array = false) {
    Bytes p(696);
    if (with_array || !tlvs.empty()) p.raw(pcfg_sim::encode_tlv_array(tlvs));
    return p;
}

std::vector<uint8_t> value(uint32_t status, uint64_t v) {
    return Bytes(16).u32(0, 0xAAAAAAAA).u32(4, status).u64(8, v).bytes();
}

std::vector<uint8_t> fec(uint32_t status, uint64_t corrected, uint64_t uncorrected) {
    return Bytes(24).u32(4, status).u64(8, corrected).u64(16, uncorrected).bytes();
}

// One line per row: the offset, then the name with its padding up to "|".
TEST_F(PrintTest, CounterTableNamesArePaddedTo40WithOffsetsOfTheirRow) {
    std::string rows;
    for (uint32_t k = 0; k < 85; ++k) {
        const fc_if_counter_entry_t &row = fcIfAllCounters_tab[k];
        ASSERT_NE(row.name, nullptr) << k;
        char line[64];
        snprintf(line, sizeof line, "%3u %s|\n", static_cast<unsigned>(row.offset), row.name);
        rows += line;
    }
    expect_golden("print/counter_names", rows);
    EXPECT_EQ(fcIfAllCounters_tab[85].name, nullptr);
    EXPECT_EQ(fcIfAllCounters_tab[85].offset, 0u);
}

TEST_F(PrintTest, EveryCounterTlvTypeAndEveryFaultPrintsItsOwnLine) {
    const std::vector<Tlv> tlvs{
        {80, value(0, 3)},       {130, value(42, 9)},      {131, value(0x4029000B, 1)},
        {132, value(0, 11)},     {133, value(0, 12)},      {134, value(0, 0)},
        {135, value(7, 0)},      {134, value(0, 5)},       {161, value(0, 1764950400)},
        {161, value(0x99, 0)},   {168, fec(0, 0, 7)},      {168, fec(0, 4, 0)},
        {168, fec(0x4029000D, 1, 1)}, {168, fec(1, 1, 1)}, {168, value(0, 1)},
        {80, std::vector<uint8_t>(12)}, {100, value(0, 1)}, {81, value(0, 1)},
        {129, value(0, 1)},      {136, value(0, 1)},       {160, value(0, 1)},
        {162, value(0, 1)},      {167, value(0, 1)},
    };
    // Both accessors get the array at payload offset 696 and the constant 1;
    // the walk starts at 0.
    Transcript t;
    t.add("output", show(answer(tlvs))).add("TLV calls", calls_text("tlv_aligned_array_get_num_tlvs") +
                                                          calls_text("tlv_aligned_array_get_next_tlv"));
    expect_golden("print/counter_tlvs", t.str());
}

// Non-zero counters print by name in table order; a short record, an empty
// array and failing accessors.
TEST_F(PrintTest, RecordArrayAndAccessorFaults) {
    Transcript t;
    t.add("all zero: the header alone", show(answer()));
    Bytes p = answer();  // the first counter at payload offset 16, the last at 688
    p.u64(16, 5).u64(16 + 8 * 84, UINT64_MAX).u64(8, 0xFFFF).u64(4, 0xFFFFFFFF);
    t.add("the first counter and the last (20 digits)", show(p));
    pcfg_sim::clear_calls();
    t.add("a byte short", show(Bytes(695)));
    EXPECT_TRUE(pcfg_sim::calls_named("tlv_aligned_array_get_num_tlvs").empty());
    t.add("an empty array", show(answer({}, true)));
    pcfg_sim::clear_calls();
    t.add("the count fails",
          show(answer({{80, value(0, 3)}}), [] { pcfg_sim::fail("tlv_aligned_array_get_num_tlvs", -3); }));
    EXPECT_TRUE(pcfg_sim::calls_named("tlv_aligned_array_get_next_tlv").empty());
    // The failed call leaves the walk position, so the third call fetches the
    // second TLV.
    pcfg_sim::clear_calls();
    t.add("the second fetch fails",
          show(answer({{80, value(0, 1)}, {80, value(0, 2)}, {80, value(0, 3)}}),
               [] { pcfg_sim::fail("tlv_aligned_array_get_next_tlv", -1, 0, 2); }));
    EXPECT_EQ(pcfg_sim::calls_named("tlv_aligned_array_get_next_tlv").size(), 3u);
    // An accessor that reports success without placing the value inside the
    // answer counts as a failed fetch.
    t.add("a fetch outside the answer", show(answer({{80, value(0, 1)}}),
                                             [] { pcfg_sim::fail("tlv_aligned_array_get_next_tlv", 0, 0, 1); }));
    expect_golden("print/counter_faults", t.str());
}

std::vector<uint8_t> ddm_value(uint32_t status, uint32_t alarm = 0x10, uint32_t warn = 0xABCDEF01) {
    return Bytes(24).u32(0, alarm).u32(8, warn).u32(12, 1).u32(16, status).u32(20, 0x01000000).bytes();
}

// The last case: the array claims more than the answer holds.
TEST_F(PrintTest, DiagnosticsOfTheSingleTlv) {
    const auto array = [](std::vector<Tlv> tlvs) { return pcfg_sim::encode_tlv_array(tlvs); };
    std::vector<uint8_t> cut = array({{79, ddm_value(0)}});
    cut.resize(cut.size() - 4);
    const std::pair<const char *, std::vector<uint8_t>> cases[] = {
        {"flags", array({{79, ddm_value(0)}})}, {"two", array({{79, ddm_value(0)}, {79, ddm_value(0)}})},
        {"none", array({})}, {"empty body", {}}, {"type", array({{80, ddm_value(0)}})},
        {"size", array({{79, std::vector<uint8_t>(16)}})},
        {"named status", array({{79, ddm_value(0x4029000C)}})},
        {"unnamed status", array({{79, ddm_value(0x77)}})}, {"fetch fails", array({{79, ddm_value(0)}})},
        {"cut", cut},
    };
    Transcript t;
    for (const auto &[name, body] : cases) {
        const bool fetch_fails = std::string(name) == "fetch fails";
        t.add(name, show(Bytes(8).raw(body), [&] {
                  pcfg_sim::reset();
                  if (fetch_fails) pcfg_sim::fail("tlv_aligned_array_get_next_tlv", -1);
              }, PCFG_CMD_PORT_DDM_INFO));
    }
    expect_golden("print/ddm", t.str());
}

// A credit table of `records` port records, printing `count` from `first`.
Bytes credit_table(size_t records, uint32_t first, uint32_t count, size_t size = 0) {
    Bytes p(size != 0 ? size : 1056 + 312 * records);
    if (p.bytes().size() >= 1056) p.u32(1048, count).u32(1052, first);
    return p;
}

// One credit entry at `at`: number, b2b, mult, prox, shar, ded.
void entry(Bytes &p, size_t at, int number, int b2b, int mult, int prox, int shar, int ded) {
    p.u8(at, number).u8(at + 1, 0xEE).u16(at + 2, b2b).u16(at + 4, mult).u16(at + 6, prox);
    p.u16(at + 8, shar).u16(at + 10, ded);
}

std::string credits(const std::vector<uint8_t> &body) { return print(pcfg_print_credit_tbl, body); }

TEST_F(PrintTest, CreditTable) {
    Bytes p = credit_table(7, 4, 3);
    const size_t r4 = 1056 + 312 * 4, r5 = r4 + 312, r6 = r5 + 312;
    entry(p, r4, 9, 64, 2, 8, 16, 64);  // its own entry number, not its position
    p.u8(r4 + 12, 2);
    entry(p, r4 + 14, 0, 4, 99, 0, 0, 4);
    entry(p, r4 + 76, 1, 20, 99, 2, 4, 20);
    p.u8(r4 + 76 + 12, 3);
    entry(p, r4 + 76 + 14, 2, 8, 99, 1, 2, 8);
    entry(p, r4 + 76 + 26, 3, 12, 99, 1, 2, 12);
    entry(p, r4 + 76 + 38, 6, 1, 99, 0, 0, 1);
    p.u8(r4 + 262, 2);  // port-level classes are not shown beside virtual links
    entry(p, r4 + 264, 7, 7, 7, 7, 7, 7);
    entry(p, r5, 5, 32, 1, 0, 16, 32);
    p.u8(r5 + 262, 2);
    entry(p, r5 + 264, 2, 8, 99, 0, 4, 8);
    entry(p, r5 + 276, 3, 24, 99, 0, 12, 24);
    entry(p, r6, 6, 32, 1, 0, 16, 32);
    p.u8(r6 + 12, 0xFF).u8(r6 + 262, 3);  // a negative virtual-link count shows no rows
    Transcript t;
    t.add("virtual links and classes of service", credits(p));
    // Counts beyond the record's room, records beyond the body.
    Bytes q = credit_table(2, 0, 2);
    q.u8(1056 + 12, 5).u8(1056 + 14 + 62 * 3 + 12, 6);  // five links, the fourth has six classes
    q.u8(1056 + 312 + 262, 127);                         // port 2: 127 port-level classes
    t.add("counts beyond the record's room", credits(q));
    t.add("none to print", credits(credit_table(3, 1, 0)));
    t.add("three from the third of three records", credits(credit_table(3, 2, 3)));
    t.add("first beyond every record", credits(credit_table(3, 0xFFFFFFFF, 2)));
    t.add("body a byte short", credits(credit_table(0, 0, 0, 1055)));
    t.add("empty body", credits({}));
    expect_golden("print/credits", t.str());
}

// Two index rows and two buffer groups, the tables at offsets `index_at` and
// `group_at` of the data area (by default the index table first and the
// group entries unaligned); rows that do not fit in `size` bytes are left out.
Bytes tables(uint8_t index_count, int32_t group_count, size_t size = 74, uint16_t index_at = 4,
             uint16_t group_at = 30) {
    Bytes p(size);
    p.u16(0, index_at).u16(6, group_at).u8(8, index_count).u32(12, static_cast<uint32_t>(group_count));
    auto index = [&](size_t at, int port, int link, int gi, int li, int vl, int lanes, uint32_t ifx) {
        if (at + 12 <= size) p.u8(at, port).u8(at + 1, link).u16(at + 2, gi).u16(at + 4, li)
                                 .u8(at + 6, vl).u8(at + 7, lanes).u32(at + 8, ifx);
    };
    auto group = [&](size_t at, int credits, int size_b, uint32_t first, uint32_t last) {
        if (at + 12 <= size) p.u16(at, credits).u16(at + 2, size_b).u32(at + 4, first).u32(at + 8, last);
    };
    index(20 + index_at, 0, 3, 16, 5, 4, 1, 0x0100A000);
    index(32 + index_at, 47, 7, 1234, 23, 0, 2, 0x012FF000);
    group(20 + group_at, 2400, 2112, 0, 7);
    group(32 + group_at, 12, 3, 40, 47);
    return p;
}

std::string exported(const Bytes &body) {
    const auto *all = reinterpret_cast<const pcfg_rsrc_all_info_t *>(body.bytes().data());
    return capture_stdout([&] { pcfg_rsrc_show_all(all); });
}

TEST_F(PrintTest, ResourceTablesAndRowsBeyondTheBody) {
    Transcript t;
    const Bytes body = tables(2, 2);
    t.add("two rows each", print(pcfg_rsrc_show_all_body, body));
    // The exported printer trusts the extent the body's own header claims.
    t.add("two rows each, exported printer", exported(body));
    t.add("the group table first, exported printer", exported(tables(2, 2, 68, 24, 0)));
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
    const auto *record = reinterpret_cast<const pcfg_port_cap_buf_t *>(cap.data());
    return capture_stdout([&] { print_port_cap_buf(record); });
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

TEST_F(PrintTest, CapabilitiesSpeedAndConnectorNames) {
    Transcript t;
    t.add("every field distinct", cap_text(capabilities()));
    t.add("no record", out([] { print_port_cap_buf(nullptr); }));
    for (uint32_t code : {0u, 10u, 100u, 1000u, 2000u, 4000u, 8000u, 10000u, 16000u, 4u, 3u, 2u, 1u, 5u,
                          32000u, 0xFFFFFFFFu})
        t.add("speed " + std::to_string(code),
              lines_with(cap_text(Bytes(336).u32(8, code).u32(12, code)), "_speed"));
    for (uint32_t type : {0x1u, 0x9u, 0x8u, 0xCu, 0x6u, 0x2u, 0x4u, 0x0u, 0xF0u})
        t.add("connector " + std::to_string(type),
              lines_with(cap_text(Bytes(336).u32(36, type)), "connector_type"));
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
        p.u32(64 + 16 * i, static_cast<uint32_t>(modes[i % 8])).u8(72 + 16 * i, i % 2)
            .u32(76 + 16 * i, 100 * i);
    for (size_t k = 0; k < 4; ++k)
        p.u8(40 + 4 * k, 1).u8(41 + 4 * k, k).u8(42 + 4 * k, 2).u8(43 + 4 * k, 200 + k);
    return p;
}

TEST_F(PrintTest, PortRecord) {
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
