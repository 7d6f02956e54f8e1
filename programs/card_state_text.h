// The simulated manager's mode, its scripted answers and the armed faults,
// as `sim status` in the shell and `pcfg-card status` show them. It knows
// the simulator, so it stands beside the shell's core, as the shell's card
// (simulated_card.h) does.
#pragma once

#include <vector>

#include "pcfg_sim.h"

namespace pcfg_shell {

// "manager           answers every request", then a line per scripted answer
// and one for those the card left out of its answer.
void print_manager_mode(bool silent, const std::vector<pcfg_sim::Reply> &script, uint32_t unlisted = 0);
// "armed faults      2", then a line per fault.
void print_armed_faults(const std::vector<pcfg_sim::ArmedFault> &faults);

}  // namespace pcfg_shell
