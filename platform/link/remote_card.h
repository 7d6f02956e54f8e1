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

// A connection to the card process, or why there is none.
struct Connected {
    std::unique_ptr<card::CardAccess> card;  // null unless how is Connected
    Reach how = Reach::NoCard;
    std::string why;
};

// Connects to the card listening on `path`, as a shell called `name`, and
// waits for its greeting: within kConnectSeconds, or the attempt is given
// up (TimedOut).
Connected connect_card(const std::string &path, std::string_view name);

}  // namespace pcfg_sim::link
