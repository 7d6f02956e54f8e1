// The simulated port-configuration manager: how it answers each opcode.
// Every answer builder takes the request payload and gives the answer
// payload, or no value when the manager does not answer that request.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pcfg_sim::detail {

using Answer = std::optional<std::vector<uint8_t>>;

// Opcode 435: the report request (answer = 8-byte header + body).
Answer answer_report(std::span<const uint8_t> request);

// Report bodies by request type; the port byte comes from the request.
std::vector<uint8_t> report_cmds_processed(uint8_t port);  // type 1
std::vector<uint8_t> report_events(uint8_t port);          // type 6

// Opcode 3187: byte counts of the listed ports over an interval.
Answer answer_interval_counters(std::span<const uint8_t> request);

// Opcode 395: set port configuration (answer = one status entry per port).
Answer answer_set_port_cfg(std::span<const uint8_t> request);

// Counts kept by the manager.
uint32_t manager_handled();
uint32_t history_event_count();

}  // namespace pcfg_sim::detail
