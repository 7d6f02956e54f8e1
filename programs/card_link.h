// pcfg's link to the card: the running card on $PCFG_CARD or the default
// socket, started in the background when none runs there.
#pragma once

namespace pcfg_link {

// Connects this process's platform to the card, starting one when none
// runs. False (said on standard error) when no card could be reached.
bool link_to_card(const char *program);

}  // namespace pcfg_link
