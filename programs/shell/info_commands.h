// What the operator asks of the system rather than of the manager: the
// card's clock, and the versions of the shell, the library and the frames
// the card speaks.
#pragma once

#include "session.h"

namespace pcfg_shell {

Outcome show_clock(Session &, const Args &);
Outcome show_version(Session &, const Args &);

}  // namespace pcfg_shell
