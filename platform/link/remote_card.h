// The card process as the platform calls reach it: one connection to its
// socket per process, one request at a time, every answer checked like any
// untrusted frame. When the card goes away the transport stays, with no
// manager behind it: queues bind, sends go nowhere, and a receive waits its
// limit and times out, as on a card whose manager died.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "card_access.h"

namespace pcfg_sim::link {

// Connects to the card listening on `path`, as a shell called `name`; none
// (and why) when no card answers there.
std::unique_ptr<card::CardAccess> connect_card(const std::string &path, std::string_view name,
                                               std::string &why);

}  // namespace pcfg_sim::link
