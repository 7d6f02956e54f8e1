// Request/answer exchanges with the port-configuration manager.
//
// Each call binds a private queue, sends one request to the manager, waits
// a bounded time, checks the answer, hands it to a printer while the answer
// is still held, then releases the answer and closes the queue. Every
// failure prints one message and gives 1; 0 means the answer reached the
// point of printing.
#pragma once

#include <cstdint>
#include <span>

#include "port_cfg_cli.h"

// Printer of a report answer: the body (payload from byte 8) and its extent.
using pcfg_body_printer = void (*)(std::span<const uint8_t> body);
// Printer of a port counter answer.
using pcfg_cntr_printer = int (*)(const pcfg_rsp_view *view);

inline constexpr uint32_t kPortCntrReqLen = 9;
inline constexpr uint32_t kReportReqLen = 8;
inline constexpr uint32_t kReportHdrLen = 8;

// Report request (opcode 435): the low 8 bits of req_type and port are sent.
int pcfg_mts_send_rcv_cli_req(int req_type, int port, pcfg_body_printer printer) noexcept;

// Port counter request (opcode 3120): request is a filled 9-byte port_cntr_req.
int pcfg_mts_send_rcv_port_cntr(const uint8_t *request, pcfg_cntr_printer printer) noexcept;
