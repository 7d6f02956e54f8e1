// The stand-in platform as a client of the card process: the platform calls
// that reach the card go over its socket as frames (card_frame.h); the rest
// are answered in the shell's own process.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "card_frame.h"
#include "pcfg_platform.h"

namespace pcfg_sim::detail {

// True once this process connected to a card (and still after the card was
// lost: the transport then has no manager behind it).
extern bool g_card_client;
inline bool card_client_active() { return g_card_client; }

// One request and its answer; no value when the card is gone (then lost
// for good, and the shell told once). `wait_seconds` is how long the card
// may hold the answer back (a receive's wait).
std::optional<std::vector<uint8_t>> card_exchange(std::vector<uint8_t> request,
                                                  uint32_t wait_seconds = 0);
// Further answers of one request (a history shown in several frames).
std::optional<std::vector<uint8_t>> card_next_answer(Op op);
bool card_lost();

int client_bind(int type, int sap, const uint32_t *options, const char *name);
int client_unbind(int handle, int flags);
int client_send(int handle, const mts_addr_t *dest, uint32_t opcode, const void *payload,
                uint32_t length, mts_msg_t *sent, int flags, int reserved);
int client_recv(int handle, mts_msg_t *msg, const uint32_t *options);
int client_drop(int handle, mts_msg_t *msg);
int client_errno(int handle);
int client_history(void *params, const mts_addr_t *addr, uint32_t hist_id, uint32_t instance,
                   uint32_t flags);
int32_t client_service(uint32_t function, void *record);
int client_port_list(front_port_list *list);
int32_t client_total_ports();
int client_port_map(uint32_t if_index, pm_idxmap_entry_t *entry);

// Whether the card answers a platform call (and so keeps its faults), or
// the shell's own process does.
bool answered_by_card(std::string_view call);

// A Control request; its value, or `otherwise` when the card is gone.
int64_t client_control(Control what, std::span<const uint8_t> body, int64_t otherwise = 0);

}  // namespace pcfg_sim::detail
