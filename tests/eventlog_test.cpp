// The stand-in's shared-memory event log: numbering, reading by opcode,
// outliving its writer, rolling off, and damaged or foreign segments.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "pcfg_platform.h"
#include "support/library_units.h"
#include "support/fixture.h"

using namespace pcfg_test;

namespace {

class EventLogTest : public PcfgTest {
protected:
    void TearDown() override {
        pcfg_sim::clear_event_log();  // a damaged segment is replaced for the next test
        PcfgTest::TearDown();
    }
};

uint32_t be(const std::vector<uint8_t> &b, size_t off) { return pcfg::BeReader(b).at(off).u32(); }

// Reads the log as a reader does, the records of `opcode` (0: all): each as
// "<seq_no>:<opcode>", with "+" where the read said more would follow. The
// last record read is kept in `last`.
std::vector<std::string> reads(uint32_t opcode, std::vector<uint8_t> *last = nullptr) {
    const uint32_t params[7] = {1, 1, 0, 0, 0, 0, 0};
    std::vector<std::string> out;
    if (init_shm_eventlog(params) != 0) return {"not read"};
    uint32_t more = 0;
    const void *rec = nullptr;
    while (shm_eventlog_read_rec(2, &more, &rec, 0, -1, 0, opcode) == 0) {
        const auto *b = static_cast<const uint8_t *>(rec);
        pcfg::BeReader head(b, 48);
        out.push_back(std::to_string(head.at(12).u32()) + ":" + std::to_string(head.at(28).u32()) +
                      (more != 0 ? "+" : ""));
        if (last != nullptr) last->assign(b, b + head.at(16).u32());
    }
    return out;
}
using Reads = std::vector<std::string>;

// The segment as raw shared memory. Layout of the stand-in's segment:
// 0 magic, 4 version, 24 head (u64), 32 tail (u64), 40 count, ring from 64
// (entry: u32 length, then the logged message).
class RawSegment {
public:
    RawSegment() {
        fd_ = shm_open(pcfg_sim::event_log_segment().c_str(), O_RDWR, 0);
        EXPECT_GE(fd_, 0);
        map_ = static_cast<uint8_t *>(
            mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0));
        EXPECT_NE(map_, MAP_FAILED);
    }
    ~RawSegment() {
        munmap(map_, kSize);
        close(fd_);
    }
    template <typename T> void put(size_t off, T v) { std::memcpy(map_ + off, &v, sizeof v); }
    template <typename T> T get(size_t off) const {
        T v;
        std::memcpy(&v, map_ + off, sizeof v);
        return v;
    }
    int fd() const { return fd_; }
    // Where the oldest entry starts (ring positions only grow).
    size_t oldest() const { return 64 + get<uint64_t>(24) % (kSize - 64); }

    static constexpr size_t kSize = 1u << 20;

private:
    int fd_ = -1;
    uint8_t *map_ = nullptr;
};

// A record: 12 seq_no, 16 length, 24 kind, 28 opcode, 48 payload.
TEST_F(EventLogTest, MessagesAreNumberedFromOneAfterAClearAndReadByOpcode) {
    pcfg_sim::log_message(1, 395, {0, 1, 2});
    pcfg_sim::log_message(2, 395, {});
    pcfg_sim::clear_event_log();
    pcfg_sim::log_message(1, 435, {7, 0, 0, 0, 0, 0, 0, 0});
    pcfg_sim::log_message(2, 435, {9});
    const auto log = pcfg_sim::event_log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].size(), 56u);
    EXPECT_EQ(log[0][48], 7);
    EXPECT_EQ((std::vector<uint32_t>{be(log[0], 12), be(log[0], 16), be(log[0], 24), be(log[0], 28),
                                     be(log[1], 12), be(log[1], 24)}),
              (std::vector<uint32_t>{1, 56, 1, 435, 2, 2}));
    // Reading filters by opcode and says whether more follow.
    pcfg_sim::clear_event_log();
    for (uint32_t opcode : {395u, 435u, 395u, 3120u, 395u, 435u}) pcfg_sim::log_message(1, opcode, {});
    EXPECT_EQ(reads(395), (Reads{"1:395+", "3:395+", "5:395"}));
    EXPECT_EQ(reads(3120), Reads{"4:3120"});
    EXPECT_EQ(reads(0), (Reads{"1:395+", "2:435+", "3:395+", "4:3120+", "5:395+", "6:435"}));
    EXPECT_EQ(reads(398), Reads{});
    uint32_t more = 0;
    const void *rec = nullptr;
    EXPECT_EQ(shm_eventlog_read_rec(1, &more, &rec, 0, -1, 0, 395), -1) << "only log 2";
}

TEST_F(EventLogTest, TheLogOutlivesTheProcessThatWroteIt) {
    pcfg_sim::log_message(1, 395, {1});
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {  // another run of the card: it keeps the log and adds to it
        pcfg_sim::reset({.keep_event_log = true});
        pcfg_sim::log_message(1, 395, {2});
        _exit(pcfg_sim::event_log().size() == 2 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(reads(395), (Reads{"1:395+", "2:395"}));
    pcfg_sim::reset();
    EXPECT_TRUE(pcfg_sim::event_log().empty()) << "a fresh card starts a fresh log";
}

TEST_F(EventLogTest, TheOldestMessagesRollOff) {
    const std::vector<uint8_t> big(60000, 0xA5);
    for (int i = 0; i < 20; ++i) pcfg_sim::log_message(1, 395, big);
    const auto log = pcfg_sim::event_log();
    ASSERT_EQ(log.size(), 17u);  // 17 entries of 60052 bytes fit in the ring
    EXPECT_EQ(be(log.front(), 12), 4u);
    EXPECT_EQ(be(log.back(), 12), 20u);
    EXPECT_EQ(log.back()[48 + 59999], 0xA5);
    EXPECT_EQ(reads(395).size(), 17u);

    testing::internal::CaptureStderr();
    pcfg_sim::log_message(1, 395, std::vector<uint8_t>(70000));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("not logged"), std::string::npos);
    EXPECT_EQ(pcfg_sim::event_log().size(), 17u);
}

TEST_F(EventLogTest, DamagedOrForeignSegmentsAreReportedAndNotUsed) {
    using Damage = void (*)(RawSegment &);
    const std::tuple<const char *, Damage, const char *> cases[] = {  // what, damage, report
        {"foreign magic", [](RawSegment &s) { s.put<uint32_t>(0, 0x12345678); }, "not an event log"},
        {"other version", [](RawSegment &s) { s.put<uint32_t>(4, 2); }, "another version"},
        {"head beyond tail", [](RawSegment &s) { s.put<uint64_t>(24, s.get<uint64_t>(32) + 4); },
         "ring positions out of range"},
        {"tail beyond the ring",
         [](RawSegment &s) { s.put<uint64_t>(32, s.get<uint64_t>(24) + RawSegment::kSize); },
         "ring positions out of range"},
        {"count", [](RawSegment &s) { s.put<uint32_t>(40, 1000); }, "record count"},
        {"entry length", [](RawSegment &s) { s.put<uint32_t>(s.oldest(), 0x7FFFFFFF); },
         "does not fit"},
        {"entry shorter than a header", [](RawSegment &s) { s.put<uint32_t>(s.oldest(), 20); },
         "does not fit"},
        {"message length field", [](RawSegment &s) { s.put<uint8_t>(s.oldest() + 4 + 19, 0x99); },
         "says it has"},
        {"size", [](RawSegment &s) { EXPECT_EQ(ftruncate(s.fd(), 4096), 0); }, "bytes, expected"},
        {"no bytes", [](RawSegment &s) { EXPECT_EQ(ftruncate(s.fd(), 0), 0); }, "0 bytes, expected"},
        {"mode", [](RawSegment &s) { EXPECT_EQ(fchmod(s.fd(), 0666), 0); }, "with mode 0666, not"},
    };
    for (const auto &[what, damage, why] : cases) {
        pcfg_sim::clear_event_log();
        pcfg_sim::log_message(1, 395, {0, 1});
        pcfg_sim::log_message(1, 395, {0, 2});
        {
            RawSegment raw;
            damage(raw);
        }
        testing::internal::CaptureStderr();
        EXPECT_EQ(reads(395), Reads{"not read"}) << what;
        EXPECT_EQ(run(Params(PCFG_CMD_SUMMARY_ALL).bare(30)), "Unable to init_shm_eventlog.\n") << what;
        pcfg_sim::log_message(1, 395, {0, 3});
        const std::string report = testing::internal::GetCapturedStderr();
        EXPECT_EQ(report.rfind("event log " + pcfg_sim::event_log_segment() + ": ", 0), 0u)
            << what << ": " << report;
        EXPECT_NE(report.find(why), std::string::npos) << what << ": " << report;
        EXPECT_NE(report.find("not read"), std::string::npos) << what << ": " << report;

        // Clearing replaces the segment; the log works again.
        pcfg_sim::clear_event_log();
        pcfg_sim::log_message(1, 395, {0, 4});
        EXPECT_EQ(reads(395), Reads{"1:395"}) << what;
    }
}

// A log of another user's under the user's name is neither read nor
// replaced; the user's own logs carry the user id in their names.
TEST_F(EventLogTest, AnotherUsersSegmentIsLeftAlone) {
    const std::string name = pcfg_sim::event_log_segment();
    unsetenv("PCFG_SIM_EVENTLOG");
    EXPECT_EQ(pcfg_sim::event_log_segment(), "/pcfg_eventlog-" + std::to_string(geteuid()) + "-embedded");
    setenv("PCFG_SIM_EVENTLOG", name.c_str(), 1);
    if (geteuid() != 0) GTEST_SKIP() << "giving the segment to another user needs root";
    pcfg_sim::log_message(1, 395, {0, 1});
    EXPECT_EQ(fchown(RawSegment().fd(), 65534, 65534), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(reads(395), Reads{"not read"});
    pcfg_sim::clear_event_log();
    const std::string report = testing::internal::GetCapturedStderr();
    struct stat st {};
    EXPECT_TRUE(fstat(RawSegment().fd(), &st) == 0 && st.st_uid == 65534) << "left as it was";
    EXPECT_NE(report.find("segment of user 65534 with mode 0600, not this user's"), std::string::npos) << report;
    EXPECT_NE(report.find("not this user's: left as it is"), std::string::npos) << report;
    EXPECT_EQ(fchown(RawSegment().fd(), geteuid(), getegid()), 0);
}

// Logs fillers until the next entry starts `before_end` bytes before the
// end of the ring.
void fill_until(uint64_t before_end) {
    RawSegment raw;
    const uint64_t cap = RawSegment::kSize - 64, largest = 60052, smallest = 52;
    uint64_t need = (cap - raw.get<uint64_t>(32) % cap + cap - before_end) % cap;
    if (need != 0 && need < smallest) need += cap;
    while (need > 0) {
        uint64_t entry = std::min(need, largest);
        if (need - entry != 0 && need - entry < smallest) entry = need - smallest;
        pcfg_sim::log_message(1, 3120, std::vector<uint8_t>(entry - smallest, 0x11));
        need -= entry;
    }
}

TEST_F(EventLogTest, MessagesWrappingRoundTheRingReadBackWhole) {
    std::vector<uint8_t> marked(60000);
    for (size_t i = 0; i < marked.size(); ++i) marked[i] = static_cast<uint8_t>(i * 7);
    for (uint64_t before_end : {30002u, 2u}) {  // the message, or its length word, wraps
        pcfg_sim::clear_event_log();
        fill_until(before_end);
        pcfg_sim::log_message(1, 395, marked);
        std::vector<uint8_t> record;
        const Reads read = reads(395, &record);  // after the fillers
        ASSERT_EQ(read.size(), 1u);
        EXPECT_FALSE(read[0].ends_with("+"));
        EXPECT_EQ(std::vector<uint8_t>(record.begin() + 48, record.end()), marked) << before_end;
        EXPECT_EQ(pcfg_sim::event_log().back(), record);
    }
}

TEST_F(EventLogTest, AnUnusableSegmentNameIsReported) {
    const std::string name = pcfg_sim::event_log_segment();
    setenv("PCFG_SIM_EVENTLOG", "no-slash", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(reads(0), Reads{"not read"});
    const std::string report = testing::internal::GetCapturedStderr();
    setenv("PCFG_SIM_EVENTLOG", name.c_str(), 1);
    EXPECT_NE(report.find("not a usable shared-memory name"), std::string::npos) << report;
    pcfg_sim::log_message(1, 395, {});
    EXPECT_EQ(reads(0), Reads{"1:395"});
}

}  // namespace
