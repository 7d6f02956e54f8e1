#include "simulated_card.h"

#include "pcfg_sim.h"
#include "text.h"

namespace pcfg {

SimulatedCard::SimulatedCard(CardLink link, Clock clock, WallClock wall_clock)
    : link_(link), clock_(std::move(clock)), wall_clock_(std::move(wall_clock)), last_tick_(clock_()) {}

bool SimulatedCard::reach(const char *program, bool embedded) {
    return link_.connect == nullptr || embedded || link_.connect(program);
}

void SimulatedCard::keep_real_time() {
    const auto since_epoch = wall_clock_().time_since_epoch();
    const int64_t seconds = std::chrono::duration_cast<std::chrono::seconds>(since_epoch).count();
    pcfg_sim::use_real_time(seconds > 0 ? static_cast<uint64_t>(seconds) : 0);
}

// Whole seconds of real time since the last command pass on the card, at
// least one, so that counters grow while the operator watches (a shared
// card keeps its own time).
void SimulatedCard::before_command() {
    using std::chrono::seconds;
    const auto now = clock_();
    const auto whole = std::chrono::duration_cast<seconds>(now - last_tick_);
    uint32_t step = 1;
    if (whole.count() >= 1) {
        step = static_cast<uint32_t>(std::min<int64_t>(whole.count(), pcfg_sim::kLastSecond));
        last_tick_ += whole;
    }
    pcfg_sim::let_real_time_pass(step);
}

std::string SimulatedCard::greeting() {
    return pcfg_shell::cat({"pcfg: port-configuration commands on a simulated line card with ",
                            std::to_string(pcfg_sim::num_ports()), " front ports."});
}

std::optional<pcfg_shell::FrontPorts> SimulatedCard::front_ports() {
    const uint32_t count = pcfg_sim::num_ports();
    if (pcfg_sim::card_lost()) return std::nullopt;
    return pcfg_shell::FrontPorts{{"fc", pcfg_sim::slot()}, count};
}

// Only the card process goes away; a lost one is tried again when asked,
// on the same socket.
pcfg_shell::CardSide::Presence SimulatedCard::presence(bool try_again, std::string &said) {
    if (link_.connect == nullptr || !pcfg_sim::card_lost()) return Presence::Here;
    if (try_again) return link_.reconnect(said) ? Presence::Back : Presence::Gone;
    said = link_.gone();
    return Presence::Gone;
}

std::optional<uint32_t> SimulatedCard::clock() {
    const uint32_t now = pcfg_sim::now();
    if (pcfg_sim::card_lost()) return std::nullopt;
    return now;
}

std::optional<uint8_t> SimulatedCard::frame_version() {
    const std::optional<pcfg_sim::CardStatus> card = pcfg_sim::card_status();
    if (!card) return std::nullopt;
    return card->frame_version;
}

}  // namespace pcfg
