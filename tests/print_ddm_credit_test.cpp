// Digital diagnostics (every check of its single TLV) and the buffer-credit
// table (virtual links, classes of service, counts beyond the record's room,
// records beyond the body).
#include "print/printers.h"
#include "support/fixture.h"
#include "support/golden.h"
#include "support/bytes.h"

using namespace pcfg_test;
using pcfg_sim::Reply;
using pcfg_sim::Tlv;

namespace {

class PrintDdmCreditTest : public PcfgTest {};

std::vector<uint8_t> ddm_value(uint32_t status, uint32_t alarm = 0x10, uint32_t warn = 0xABCDEF01) {
    return Bytes(24).u32(0, alarm).u32(8, warn).u32(12, 1).u32(16, status).u32(20, 0x01000000).bytes();
}

TEST_F(PrintDdmCreditTest, DiagnosticsOfTheSingleTlv) {
    std::vector<uint8_t> cut = pcfg_sim::encode_tlv_array({{79, ddm_value(0)}});
    cut.resize(cut.size() - 4);  // the array claims more than the answer holds
    struct Case {
        const char *name;
        std::vector<uint8_t> body;
        void (*arrange)();
    };
    const std::vector<Case> cases{
        {"flags", pcfg_sim::encode_tlv_array({{79, ddm_value(0)}}), nullptr},
        {"two", pcfg_sim::encode_tlv_array({{79, ddm_value(0)}, {79, ddm_value(0)}}), nullptr},
        {"none", pcfg_sim::encode_tlv_array({}), nullptr},
        {"empty body", {}, nullptr},
        {"type", pcfg_sim::encode_tlv_array({{80, ddm_value(0)}}), nullptr},
        {"size", pcfg_sim::encode_tlv_array({{79, std::vector<uint8_t>(16)}}), nullptr},
        {"named status", pcfg_sim::encode_tlv_array({{79, ddm_value(0x4029000C)}}), nullptr},
        {"unnamed status", pcfg_sim::encode_tlv_array({{79, ddm_value(0x77)}}), nullptr},
        {"fetch fails", pcfg_sim::encode_tlv_array({{79, ddm_value(0)}}),
         [] { pcfg_sim::fail("tlv_aligned_array_get_next_tlv", -1); }},
        {"cut", cut, nullptr},
    };
    Transcript t;
    for (const Case &c : cases) {
        pcfg_sim::reset();
        if (c.arrange != nullptr) c.arrange();
        pcfg_sim::script_reply({Reply::Kind::Answer, 0, Bytes(8).raw(c.body)});
        t.add(c.name, run(Params(34).num(PCFG_PARAM_PORT, 1)));
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

std::string credits(const std::vector<uint8_t> &body) {
    return capture_stdout([&] { pcfg_print_credit_tbl(body); });
}

TEST_F(PrintDdmCreditTest, CreditTableWithVirtualLinksAndClassesOfService) {
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
    expect_golden("print/credit_vlinks_and_classes", credits(p));
}

TEST_F(PrintDdmCreditTest, CreditCountsAndRecordsBeyondWhatExists) {
    Transcript t;
    Bytes p = credit_table(2, 0, 2);
    p.u8(1056 + 12, 5).u8(1056 + 14 + 62 * 3 + 12, 6);  // five links, the fourth has six classes
    p.u8(1056 + 312 + 262, 127);                         // port 2: 127 port-level classes
    t.add("counts beyond the record's room", credits(p));
    t.add("none to print", credits(credit_table(3, 1, 0)));
    t.add("three from the third of three records", credits(credit_table(3, 2, 3)));
    t.add("first beyond every record", credits(credit_table(3, 0xFFFFFFFF, 2)));
    t.add("body a byte short", credits(credit_table(0, 0, 0, 1055)));
    t.add("empty body", credits({}));
    expect_golden("print/credit_beyond", t.str());
}

}  // namespace
