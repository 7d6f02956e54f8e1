// Commands on the manager's event log of transport messages: show it
// decoded, save it to a file, decode a saved log file, clear it.
#pragma once

#include "session.h"

namespace pcfg_shell {

Outcome eventlog_show(Session &, const Args &);
// Saves to a new file; eventlog_save_over replaces one that exists.
Outcome eventlog_save(Session &, const Args &);
Outcome eventlog_save_over(Session &, const Args &);
Outcome eventlog_decode_file(Session &, const Args &);
// The same, each record as the library's line of JSON.
Outcome eventlog_decode_file_json(Session &, const Args &);
// Empties the log (a damaged or foreign segment is replaced by a new one).
Outcome eventlog_clear(Session &, const Args &);

}  // namespace pcfg_shell
