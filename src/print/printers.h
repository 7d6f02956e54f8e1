// Printers handed to the exchanges. Each takes the answer it prints with its
// extent and never reads beyond it, and writes to the writer it is given
// (the text, or a JSON document); the exported one-argument printers of the
// public header print the text and trust their outside caller for the
// extent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/writer.h"
#include "port_cfg_cli.h"

using pcfg::out::Writer;

// Report answers (body = payload from byte 8).
void pcfg_print_cmds_processed(std::span<const uint8_t> body, Writer &w) noexcept;   // type 1
void pcfg_print_not_implemented(std::span<const uint8_t> body, Writer &w) noexcept;  // type 6
void pcfg_rsrc_show_all_body(std::span<const uint8_t> body, Writer &w) noexcept;     // types 4, 5
void pcfg_rsrc_print_port_info_body(std::span<const uint8_t> body, Writer &w) noexcept;  // type 10
void pcfg_print_ddm_info(std::span<const uint8_t> body, Writer &w) noexcept;         // type 11
void pcfg_print_credit_tbl(std::span<const uint8_t> body, Writer &w) noexcept;       // types 8, 9

// Port counter answers.
int pcfg_print_port_cntr(const pcfg_rsp_view *view, Writer &w) noexcept;

// Extent of a record at p that an outside caller vouches for: the bytes the
// record claims, cut where the address space ends.
inline size_t trusted_extent(const void *p, uint64_t claimed) noexcept {
    const uint64_t room = UINTPTR_MAX - reinterpret_cast<uintptr_t>(p);
    return static_cast<size_t>(claimed < room ? claimed : room);
}
