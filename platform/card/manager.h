// The simulated port-configuration manager: how it answers each opcode.
// Every answer builder takes the request payload and gives the answer
// payload, or no value when the manager does not answer that request.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "pcfg_sim.h"

namespace pcfg_sim::card {

using Answer = std::optional<std::vector<uint8_t>>;

// Opcode 435: the report request (answer = 8-byte header + body).
Answer answer_report(std::span<const uint8_t> request);

// Report bodies by request type; the port byte comes from the request.
std::vector<uint8_t> report_cmds_processed(uint8_t port);  // type 1
std::vector<uint8_t> report_events(uint8_t port);          // type 6
std::vector<uint8_t> report_rsrc_card(uint8_t port);       // type 4
std::vector<uint8_t> report_rsrc_port(uint8_t port);       // type 5
std::vector<uint8_t> report_credit_tbl(uint8_t port);      // type 8
std::vector<uint8_t> report_credit_tbl_hw(uint8_t port);   // type 9
std::vector<uint8_t> report_port_info(uint8_t port);       // type 10
std::vector<uint8_t> report_ddm_info(uint8_t port);        // type 11

// Opcode 3120: the port counter request (answer = status + counters).
Answer answer_port_counters(std::span<const uint8_t> request);

// Opcode 3187: byte counts of the listed ports over an interval.
Answer answer_interval_counters(std::span<const uint8_t> request);

// Opcode 395: set port configuration (answer = one status entry per port).
Answer answer_set_port_cfg(std::span<const uint8_t> request);

// Counts kept by the manager.
uint32_t manager_handled();
bool manager_silent();
// Answers scripted and not yet given, next first.
size_t script_length();
std::vector<Reply> scripted_replies();
uint32_t history_event_count();

}  // namespace pcfg_sim::card
