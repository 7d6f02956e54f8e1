// What the simulated manager writes into its history (history identifier
// 173) as the card runs. The answer builders call these when something
// happens on the card; the history recorder turns each into a history
// record of the right log and instance.
#pragma once

#include <cstdint>

#include "sim_state.h"

namespace pcfg_sim::detail {

// A transport message the manager received (send == false) or sent.
void hist_on_mts(uint32_t opcode, bool send);
// One configuration TLV the manager applied (error 0) or refused.
void hist_on_config(const SimPort &port, uint8_t cfg_type, uint32_t value, int32_t error);
// A port enabled or disabled by configuration.
void hist_on_admin(const SimPort &port, bool enable);
// A link coming up or going down, with a link-status reason code.
void hist_on_link(const SimPort &port, bool up, uint8_t reason);

}  // namespace pcfg_sim::detail
