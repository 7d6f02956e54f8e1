// The simulated manager's history recorder.
#include "manager_history.h"

namespace pcfg_sim::detail {

void hist_on_mts(uint32_t, bool) {}
void hist_on_config(const SimPort &, uint8_t, uint32_t, int32_t) {}
void hist_on_admin(const SimPort &, bool) {}
void hist_on_link(const SimPort &, bool, uint8_t) {}

}  // namespace pcfg_sim::detail
