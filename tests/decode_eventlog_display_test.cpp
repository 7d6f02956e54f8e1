// The stand-in platform's event-log display: the manager's log of the
// running card, a log saved to a file, and damaged logs.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "pcfg_platform.h"
#include "support/fixture.h"
#include "support/golden.h"
#include "support/logged_record.h"

using namespace pcfg_test;

namespace {

class EventLogDisplayTest : public PcfgTest {
protected:
    void TearDown() override {
        std::remove(path_.c_str());
        PcfgTest::TearDown();
    }

    // A set-port-configuration request and reply, then a report exchange.
    void fill_log() {
        const uint32_t port4 = pcfg_sim::if_index_of_port(4);
        // As the FEC command sends it: one port, one 1-byte FEC state TLV.
        const std::vector<uint8_t> fec_request =
            Bytes().u8(0).u8(1).u32(port4).u8(1).u8(175).u8(1).u8(1);
        pcfg_sim::script_reply(
            {pcfg_sim::Reply::Kind::Answer, 0, Bytes().u8(0).u8(1).u32(port4).u32(0)});
        const uint32_t options[6] = MTS_CLIENT_BIND_OPTIONS;
        const int q = mts_bind(2, -1, options, "test");
        const mts_addr_t manager{0xfe000000u, 902};
        ASSERT_EQ(mts_send(q, &manager, 395, fec_request.data(),
                           static_cast<uint32_t>(fec_request.size()), nullptr, 0, 0),
                  0);
        mts_unbind(q, 0);
        run(Params(PCFG_CMD_CMDS_PROCESSED));
    }

    std::vector<uint8_t> saved_bytes() {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    const std::string path_ =
        ::testing::TempDir() + "pcfg_event_log_" + std::to_string(getpid()) + ".bin";
};

// Offsets of the records in the saved log: 58, 58, 56 and 60 bytes long.
const std::vector<size_t> kRecordStarts{0, 58, 116, 172};
constexpr size_t kLogSize = 232;

TEST_F(EventLogDisplayTest, TheManagersLogShownAndSavedDecodesTheSame) {
    EXPECT_EQ(out([] { pcfg_sim::show_event_log(); }), "event-log: no records\n");
    fill_log();
    expect_golden("platform/event_log_decoded", out([] { pcfg_sim::show_event_log(); }));
    EXPECT_EQ(out([&] { EXPECT_TRUE(pcfg_sim::save_event_log(path_)); }),
              "event-log: 4 records saved to " + path_ + "\n");
    pcfg_sim::clear_event_log();
    pcfg_sim::LogDecodeResult r;
    expect_golden("platform/event_log_decoded", out([&] { r = pcfg_sim::decode_log_file(path_); }));
    EXPECT_EQ(r.records, 4u);
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(saved_bytes().size(), kLogSize);
}

TEST_F(EventLogDisplayTest, DamagedLogsStopAtTheDamagedRecord) {
    fill_log();
    out([&] { pcfg_sim::save_event_log(path_); });
    const std::vector<uint8_t> good = saved_bytes();
    ASSERT_EQ(good.size(), kLogSize);

    auto with_length = [&](size_t record, uint32_t length) {
        std::vector<uint8_t> d = good;
        for (int i = 0; i < 4; ++i)
            d[kRecordStarts[record] + 16 + i] = static_cast<uint8_t>(length >> (24 - 8 * i));
        return d;
    };
    struct Damage {
        const char *name;
        std::vector<uint8_t> data;
        size_t records;
    };
    std::vector<uint8_t> garbage_after = good;
    garbage_after.insert(garbage_after.end(), {1, 2, 3, 4, 5});
    const std::vector<Damage> damages{
        {"length below the header", with_length(1, 20), 1},
        {"length 0", with_length(1, 0), 1},
        {"length past the end", with_length(1, 0xffffffff), 1},
        {"cut inside the last record", std::vector<uint8_t>(good.begin(), good.end() - 1), 3},
        {"bytes after the last record", garbage_after, 4},
    };
    Transcript t;
    for (const Damage &d : damages) {
        pcfg_sim::LogDecodeResult r;
        t.add(d.name, out([&] { r = pcfg_sim::decode_log_bytes(d.data); }));
        EXPECT_EQ(r.records, d.records) << d.name;
        EXPECT_FALSE(r.complete) << d.name;
    }
    expect_golden("platform/event_log_damaged", t.str());

    // Every cut of the log, from an exactly sized copy: the whole records
    // before the cut decode, and the cut is reported unless it falls between
    // records.
    for (size_t cut = 0; cut < good.size(); ++cut) {
        const std::vector<uint8_t> part(good.begin(), good.begin() + static_cast<long>(cut));
        pcfg_sim::LogDecodeResult r;
        out([&] { r = pcfg_sim::decode_log_bytes(part); });
        // Records that end at or before the cut.
        size_t whole = 0;
        while (whole < kRecordStarts.size() &&
               (whole + 1 < kRecordStarts.size() ? kRecordStarts[whole + 1] : kLogSize) <= cut)
            ++whole;
        const bool boundary =
            std::find(kRecordStarts.begin(), kRecordStarts.end(), cut) != kRecordStarts.end();
        EXPECT_EQ(r.records, whole) << cut;
        EXPECT_EQ(r.complete, boundary) << cut;
    }
}

TEST_F(EventLogDisplayTest, UnreadableAndUnwritableFiles) {
    pcfg_sim::LogDecodeResult r;
    EXPECT_EQ(out([&] { r = pcfg_sim::decode_log_file("/nonexistent/log.bin"); }),
              "decode-log: cannot read /nonexistent/log.bin: No such file or directory\n");
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(out([] { EXPECT_FALSE(pcfg_sim::save_event_log("/nonexistent/log.bin")); }),
              "event-log: cannot write /nonexistent/log.bin: No such file or directory\n");
    EXPECT_EQ(out([&] { r = pcfg_sim::decode_log_bytes({}); }), "");
    EXPECT_TRUE(r.complete);
}

}  // namespace
