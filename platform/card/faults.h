// Faults armed in a platform: the nth call of a platform call (counted from
// the arming) and those after it, up to a number of calls, fail with a
// given result and error number. The card keeps the faults of the calls it
// answers; the platform calls keep those of the calls answered in the
// calling process (pcfg_calls.h says which are which).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "pcfg_calls.h"
#include "pcfg_sim.h"

namespace pcfg_sim::card {

struct Fault {
    int64_t result;
    int err;
};

class Faults {
public:
    // The call `nth` (counted from 1) of `call` from now on fails, and the
    // `times` - 1 calls after it (0: every call from there on).
    void arm(CallId call, int64_t result, int err, uint32_t nth, uint32_t times);
    // Counts one call of `call`: the fault it meets, if any.
    std::optional<Fault> meet(CallId call) {
        if (rules_.empty()) return std::nullopt;
        return meet_armed(call);
    }
    void clear() { rules_.clear(); }
    bool any() const { return !rules_.empty(); }
    size_t size() const { return rules_.size(); }
    // The faults not yet used up, by call name (in the order they were
    // armed for one call).
    std::vector<ArmedFault> armed() const;

private:
    struct Rule {
        CallId call;
        uint32_t countdown;  // calls to let through first
        uint32_t times;      // failing calls left (0 = no end)
        Fault fault;
    };
    std::optional<Fault> meet_armed(CallId call);
    std::vector<Rule> rules_;
};

// Two lists of armed faults as one, by call name.
std::vector<ArmedFault> merged(std::vector<ArmedFault> a, const std::vector<ArmedFault> &b);

}  // namespace pcfg_sim::card
