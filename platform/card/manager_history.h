// What the simulated manager writes into its history (history identifier
// 173) as the card runs. The answer builders and the card call these when
// something happens; the recorder turns each into a history record of the
// right log and instance:
//
//   instance 0  Error Log            event 0
//   instance 1  Port Control Log     events 1-5, 11
//   instance 2  Link Events Log      events 6, 7, 21, 22, 23
//   instance 3  Timestamp Log        events 8, 9, 10
//   instance 4  Event Log            event 12
//   instance 5  MTS Event Log        events 13, 14
//   instance 6  Serdes Control Log   events 16, 17, 18
//   instance 7  Port Control Log of bandwidth reservations, events 19, 20
#pragma once

#include <cstdint>
#include <string_view>

#include "card.h"

namespace pcfg_sim::card {

// A transport message the manager received (send == false) or sent; a
// reply carries the token of the request it answers.
void hist_on_mts(uint32_t opcode, bool send);
// One configuration TLV the manager applied (error 0) or refused (a
// platform error code): refusals go to the Error Log; an applied FEC state
// (175) reprograms the serdes and renegotiates FEC, an applied rate mode
// (44) reserves (1, full) or releases bandwidth, an applied participating
// mode (11) is a port action; other applied settings are noted in the Event
// Log. The enable state (12) itself is hist_on_admin's.
void hist_on_config(const SimPort &port, uint8_t cfg_type, uint32_t value, int32_t error);
// A port enabled or disabled by configuration: the port action and the
// serdes switched with it.
void hist_on_admin(const SimPort &port, bool enable);
// A link coming up (reason not recorded) or going down, with a link-status
// reason code.
void hist_on_link(const SimPort &port, bool up, uint8_t reason);

// A link reset the manager ran and how it ended (error 0: the link came
// back), with the serdes reset it made.
void hist_on_link_reset(const SimPort &port, int32_t error);
// A port taken offline, blocked (kept offline) or not.
void hist_on_offline(const SimPort &port, bool blocked);
// Timestamp checking switched on or off, and a new timestamp value.
void hist_on_ts_check(bool enable);
void hist_on_ts_value(uint32_t value);
// A text for the Event Log (cut to 127 characters).
void hist_on_text(std::string_view text);

// The history of the card's start-up: the manager starts, enables the ports
// and their serdes, the links come up, FEC is negotiated, a link reset is
// run, a setting is refused, timestamps are set.
void hist_on_card_start();

}  // namespace pcfg_sim::card
