// Shell commands on the manager's event log of transport messages (log 2).
#pragma once

#include "session.h"

namespace pcfg_shell {

// Empties the log (a damaged or foreign segment is replaced by a new one).
Outcome clear_event_log(Session &, const Args &);

}  // namespace pcfg_shell
