#include "support/fixture.h"

#include <clocale>
#include <cstdlib>
#include <ctime>

namespace pcfg_test {

void PcfgTest::SetUp() {
    setenv("TZ", "UTC0", 1);
    tzset();
    pcfg_sim::reset();
    heap_reset();
}

void PcfgTest::TearDown() {
    EXPECT_EQ(pcfg_sim::open_queues(), 0) << "a transport queue was left open";
    EXPECT_EQ(pcfg_sim::held_messages(), 0) << "a message was left held";
    EXPECT_LE(library_allocations(), allowed_allocations_) << "the library used the heap";
    EXPECT_EQ(library_outstanding(), 0) << "the library leaked heap memory";
}

std::string PcfgTest::run(Params &params) {
    int32_t rc = -1;
    std::string text = capture_stdout([&] { rc = port_cfg_cli_main(params.block()); });
    EXPECT_EQ(rc, 0);
    return text;
}

std::string with_result(const std::function<int()> &call) {
    int rc = -1;
    const std::string text = capture_stdout([&] { rc = call(); });
    return text + "[rc " + std::to_string(rc) + "]\n";
}

std::vector<std::string> call_names() {
    std::vector<std::string> names;
    for (const auto &c : pcfg_sim::calls()) names.push_back(c.name);
    return names;
}

std::vector<uint8_t> bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) out.push_back(static_cast<uint8_t>(v));
    return out;
}

}  // namespace pcfg_test
