#include "backend.h"

#include <memory>

#include "remote_card.h"
#include "this_card.h"

namespace pcfg_sim::platform {
namespace {

// The one choice: made by the first call that reaches the card, or by
// connect_card before it.
card::CardAccess *g_card = nullptr;
// The card process, once connected: this process's card to its end (the
// platform calls of other objects' destructors included), unless the card
// is lost and another takes its place.
card::CardAccess *g_remote = nullptr;

}  // namespace

card::CardAccess &backend() {
    if (g_card == nullptr) g_card = &card::this_process_card();
    return *g_card;
}

}  // namespace pcfg_sim::platform

namespace pcfg_sim {

Reach connect_card(const std::string &path, std::string_view name, std::string &why) {
    link::Connected connected = link::connect_card(path, name);
    why = std::move(connected.why);
    if (connected.how != Reach::Connected) return connected.how;
    delete platform::g_remote;  // a lost card, with what it held
    platform::g_remote = connected.card.release();
    platform::g_card = platform::g_remote;
    // A shell on the shared card runs for a long time: no call log.
    set_call_log(false);
    return Reach::Connected;
}

}  // namespace pcfg_sim
