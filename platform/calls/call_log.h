// What the platform calls keep for inspection and steering in the calling
// process: the call log (pcfg_sim::platform), and the faults armed for the
// calls answered here. The calls the card answers meet their faults in the
// card (card_access.h); which call is which is the list's (pcfg_calls.h),
// checked here while compiling.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "faults.h"
#include "pcfg_calls.h"
#include "pcfg_sim.h"

namespace pcfg_sim::platform {

// A call's record for the log, without its name (the list's).
struct Logged {
    std::vector<int64_t> args;
    std::vector<uint8_t> payload = {};
    std::vector<uint32_t> words = {};
    std::string text = {};
};

bool log_on();
void log(CallId id, Logged &&call);
card::Faults &local_faults();

// A call the card answers: logged (its record made only when the log is
// kept); its faults are met in the card.
template <CallId id, class Make>
void note(Make &&make) {
    static_assert(answered_by_card(id), "the list says this call is answered in the calling process");
    if (log_on()) log(id, make());
}

// A call answered in this process: logged, and the fault it meets, if any.
template <CallId id, class Make>
std::optional<card::Fault> enter(Make &&make) {
    static_assert(!answered_by_card(id), "the list says the card answers this call");
    if (log_on()) log(id, make());
    return local_faults().meet(id);
}

// Small helpers for a call's record.
inline int64_t given(const void *p) { return p != nullptr ? 1 : 0; }
inline std::vector<uint32_t> words_of(const uint32_t *p, size_t n) {
    return p != nullptr ? std::vector<uint32_t>(p, p + n) : std::vector<uint32_t>{};
}

}  // namespace pcfg_sim::platform
