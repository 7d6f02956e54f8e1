// The card every platform call that reaches the card goes to: chosen once,
// when the process starts. The card in this process unless the process
// connected to the card process first (pcfg_sim::connect_card; a card
// process connected again after one was lost takes its place); nothing
// else asks which one it is.
#pragma once

#include "card_access.h"

namespace pcfg_sim::platform {

card::CardAccess &backend();

// The payload of a message held in this process that contains address p
// (the address of every empty payload included), if any: the platform's
// accessors never read past the message they were handed.
std::optional<std::span<const uint8_t>> held_payload_containing(const void *p);

}  // namespace pcfg_sim::platform
