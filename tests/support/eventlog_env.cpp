// Every run of the test suite keeps the simulated manager's event log in a
// shared-memory segment of its own (never the shell's), removed at the end
// of the run.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class EventLogSegment : public ::testing::Environment {
public:
    explicit EventLogSegment(std::string name) : name_(std::move(name)) {}
    void TearDown() override { shm_unlink(name_.c_str()); }

private:
    std::string name_;
};

const bool kRegistered = [] {
    char name[64];
    snprintf(name, sizeof name, "/pcfg_eventlog_test_%ld", static_cast<long>(getpid()));
    setenv("PCFG_SIM_EVENTLOG", name, 1);
    ::testing::AddGlobalTestEnvironment(new EventLogSegment(name));
    return true;
}();

}  // namespace
