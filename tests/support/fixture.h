// Base of every test: a fresh simulated card before, and after the test the
// invariants every command keeps: no open queue, no held message, and no
// heap use by the library beyond what the test allows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pcfg_sim.h"
#include "port_cfg_cli.h"
#include "support/capture.h"
#include "support/heap_count.h"
#include "support/params.h"

namespace pcfg_test {

class PcfgTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs a command through the entry point and returns what it printed.
    std::string run(Params &params);
    std::string run(Params &&params) { return run(params); }
    // Output of any piece of library code.
    std::string out(const std::function<void()> &body) { return capture_stdout(body); }

    // The library may allocate this many buffers during the test (each
    // freed again before the test ends).
    size_t allowed_allocations_ = 0;
};

// What `call` printed, then "[rc <its result>]" right where the printing
// stopped.
std::string with_result(const std::function<int()> &call);

// The platform calls of the log, by name only, in order.
std::vector<std::string> call_names();

// Bytes from a list of numbers, for payloads written out in tests.
std::vector<uint8_t> bytes(std::initializer_list<int> values);

}  // namespace pcfg_test
