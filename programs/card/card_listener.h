// pcfg-card's socket: listens on a SOCK_SEQPACKET Unix socket, takes shells
// of this user only, hands their frames to the card and sends the answers,
// wakes receives whose wait ran out; ends on SIGTERM, SIGINT or SIGHUP, or
// when a shell asks, and removes its socket.
#pragma once

#include <functional>
#include <string>

namespace pcfg_card {

// Runs the card on `path` until it is told to end; `ready` is called once it
// listens. The exit status: 0, or 1 when it could not start (said on
// standard error: a card already runs there, or the socket cannot be made).
int serve_card(const std::string &path, const std::function<void()> &ready);

}  // namespace pcfg_card
