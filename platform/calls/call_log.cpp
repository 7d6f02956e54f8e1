#include "call_log.h"

#include <type_traits>

#include "pcfg_platform.h"

namespace pcfg_sim::platform {
namespace {

// The call log is kept for inspection; a long shell session keeps only the
// most recent calls.
constexpr size_t kMaxLoggedCalls = 1u << 16;

std::vector<Call> &call_log() {
    static std::vector<Call> log;
    return log;
}

bool g_call_log_on = true;

}  // namespace

bool log_on() { return g_call_log_on; }

void log(CallId id, Logged &&call) {
    auto &log = call_log();
    if (log.size() >= kMaxLoggedCalls) log.erase(log.begin(), log.begin() + kMaxLoggedCalls / 2);
    log.push_back({std::string(platform_call(id).name), std::move(call.args), std::move(call.payload),
                   std::move(call.words), std::move(call.text)});
}

card::Faults &local_faults() {
    static card::Faults f;
    return f;
}

}  // namespace pcfg_sim::platform

namespace pcfg_sim {

const std::vector<Call> &calls() { return platform::call_log(); }

std::vector<Call> calls_named(std::string_view name) {
    std::vector<Call> out;
    for (const Call &c : platform::call_log())
        if (c.name == name) out.push_back(c);
    return out;
}

void clear_calls() { platform::call_log().clear(); }
void set_call_log(bool on) { platform::g_call_log_on = on; }

}  // namespace pcfg_sim

// The list names every platform call pcfg_platform.h declares, and nothing else.
static_assert(pcfg_sim::kPlatformCalls.size() == PCFG_PLATFORM_CALL_COUNT,
              "pcfg_calls.h does not list every call of pcfg_platform.h");
#define PCFG_CALL_DECLARED(name, where, fails, what) \
    static_assert(std::is_function_v<decltype(::name)>, #name " is not declared in pcfg_platform.h");
PCFG_PLATFORM_CALLS(PCFG_CALL_DECLARED)
#undef PCFG_CALL_DECLARED
