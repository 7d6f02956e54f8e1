// pcfg's link to the card: the running card on $PCFG_CARD or the default
// socket, started in the background when none runs there, and reached again
// after it was lost.
#pragma once

#include <string>

namespace pcfg_link {

// Connects this process's platform to the card, starting one when none
// runs. False (said on standard error) when no card could be reached.
bool link_to_card(const char *program);
// The line that says the card was lost, and how to start one.
std::string gone_line();
// Connects again to the card's socket after the card was lost, starting
// none: true when a card answers there. `said` is the line that tells the
// operator so, or that the card is still gone and why.
bool relink(std::string &said);

}  // namespace pcfg_link
