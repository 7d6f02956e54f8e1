// Descriptors 0, 1 and 2 are open before the program opens anything: one
// left closed by the caller is opened on /dev/null. Otherwise the next file
// opened (the event log's segment, a saved log) would take its number, and
// output meant for the closed stream would be written into that file, or
// input read from it.
#pragma once

namespace pcfg_shell {

void keep_standard_descriptors_open();

}  // namespace pcfg_shell
