// pcfg's link to the card: the running card on $PCFG_CARD or the default
// socket, started in the background when none runs there.
#pragma once

namespace pcfg_link {

// Connects this process's platform to the card, starting one when none
// runs. False, said on standard error in one line, when it has none: no card
// answers and none could be started (or none may be, the path holding
// something else or its folder not this user's alone), the card refused this
// user, it is full, or it did not answer in time.
bool link_to_card(const char *program);

}  // namespace pcfg_link
