// pcfg-card's socket: listens on a SOCK_SEQPACKET Unix socket, takes shells
// of this user only and as many as the card serves (kMaxClients), hands
// their frames to the card and sends the answers, wakes receives whose wait
// ran out; ends on SIGTERM, SIGINT or SIGHUP, or when a shell asks, and
// removes its socket and lock (card_place.h).
//
// A connection the card will not serve (another user's, one too many, one
// it has no descriptor for) gets a Refused frame saying why, and is closed;
// a shell that leaves more answers unread than its bounds allow
// (card_service.h) is cut off. Each is one line in the card's log.
#pragma once

#include <functional>
#include <string>

namespace pcfg_card {

// Runs the card on `path` until it is told to end; `ready` is called once it
// listens, with the log PATH.log opened for it when `with_log` (else -1).
// The exit status: 0; 2 when the path or its folder is refused, 1 when a
// card already runs there or the socket cannot be made (said on standard
// error).
int serve_card(const std::string &path, const std::function<void(int log)> &ready, bool with_log = false);

}  // namespace pcfg_card
