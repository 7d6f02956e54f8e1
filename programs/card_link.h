// pcfg's link to the card: the running card on $PCFG_CARD or the default
// socket, started in the background when none runs there.
#pragma once

namespace pcfg_link {

// Connects this process's platform to the card, starting one when none
// runs. 0; else (said on standard error in one line) 1 when no card could
// be reached, 2 when none may be started on the path (it holds something
// else, or its folder is not this user's alone).
int link_to_card(const char *program);

}  // namespace pcfg_link
