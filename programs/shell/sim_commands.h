// Commands that steer the simulated line card, so that an operator can see
// the failure paths of the commands too.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "session.h"

namespace pcfg_shell {

Outcome sim_manager_silent(Session &, const Args &);
Outcome sim_manager_normal(Session &, const Args &);
Outcome sim_manager_wrong_opcode(Session &, const Args &);
Outcome sim_manager_null_payload(Session &, const Args &);
Outcome sim_manager_short_payload(Session &, const Args &);
Outcome sim_fail(Session &, const Args &);
Outcome sim_clear_faults(Session &, const Args &);
Outcome sim_reset(Session &, const Args &);
Outcome sim_advance(Session &, const Args &);
Outcome sim_status(Session &, const Args &);

// Platform calls of the line card that `sim fail` can make fail, with what
// a failure means (the platform's list of its calls). Calls that hand back
// an address or fill a text give null or leave the text alone, whatever
// result is asked for.
struct PlatformCall {
    std::string_view name;
    std::string_view what;
};
std::span<const PlatformCall> platform_calls();

// The platform call a typed name names, shortened while unique; empty with
// the reason when none or several.
std::string_view platform_call(std::string_view typed, std::string &error);

// The platform calls `sim fail` can make fail, for `help sim fail`.
void sim_fail_help();

}  // namespace pcfg_shell
