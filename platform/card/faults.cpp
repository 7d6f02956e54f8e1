#include "faults.h"

#include <algorithm>
#include <string>

namespace pcfg_sim::card {

void Faults::arm(CallId call, int64_t result, int err, uint32_t nth, uint32_t times) {
    rules_.push_back({call, nth > 0 ? nth - 1 : 0, times, {result, err}});
}

std::optional<Fault> Faults::meet_armed(CallId call) {
    for (auto it = rules_.begin(); it != rules_.end(); ++it) {
        Rule &rule = *it;
        if (rule.call != call) continue;
        if (rule.countdown > 0) {
            --rule.countdown;
            continue;
        }
        const Fault fault = rule.fault;
        if (rule.times != 0 && --rule.times == 0) rules_.erase(it);
        return fault;
    }
    return std::nullopt;
}

std::vector<ArmedFault> Faults::armed() const {
    std::vector<ArmedFault> out;
    for (const Rule &r : rules_)
        out.push_back({std::string(platform_call(r.call).name), r.fault.result, r.fault.err,
                       r.countdown + 1, r.times});
    std::stable_sort(out.begin(), out.end(),
                     [](const ArmedFault &x, const ArmedFault &y) { return x.call < y.call; });
    return out;
}

std::vector<ArmedFault> merged(std::vector<ArmedFault> a, const std::vector<ArmedFault> &b) {
    a.insert(a.end(), b.begin(), b.end());
    std::stable_sort(a.begin(), a.end(),
                     [](const ArmedFault &x, const ArmedFault &y) { return x.call < y.call; });
    return a;
}

}  // namespace pcfg_sim::card
