// The library's commands. Each command's operation is bound to its
// identifier in the file that defines the operation:
//
//     template <>
//     void pcfg::run_command<PCFG_CMD_EVENTS>(const cli_param_block &params, Writer &w) noexcept
//
// An operation takes the shell's parameter block and reports its outcome
// only as printed output, through the writer it is given: the text, or the
// command's JSON document. The dispatcher's table has a row for every
// identifier of the public header's list; one that no file binds is an
// undefined hidden symbol, and the library does not link.
#pragma once

#include "common/writer.h"
#include "port_cfg_cli.h"

namespace pcfg {

using out::Writer;

template <pcfg_cmd_id Id>
__attribute__((visibility("hidden"))) void run_command(const cli_param_block &params,
                                                       Writer &w) noexcept;

}  // namespace pcfg
