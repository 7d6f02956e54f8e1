// The shell's card: the simulated line card, in the shell's process or the
// card process it shares with other shells. pcfg's main owns one; it is the
// one place the shell meets the simulator outside its `sim` and event-log
// commands.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "card_side.h"

namespace pcfg {

// How pcfg reaches the card process it shares; none: the card runs inside
// the shell.
struct CardLink {
    // Before the first command, starting a card when none runs; false (said
    // on standard error) when none could be reached.
    bool (*connect)(const char *program) = nullptr;
    // The line that says the card was lost.
    std::string (*gone)() = nullptr;
    // After the card was lost, starting none: true when a card answers
    // again; `said` tells the operator which.
    bool (*reconnect)(std::string &said) = nullptr;
};

// The link to the card process every shell of the user shares: on
// $PCFG_CARD or the default socket, started there when none runs
// (simulated_card_link.cpp, linked into pcfg alone).
CardLink shared_card_link();

class SimulatedCard final : public pcfg_shell::CardSide {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    using WallClock = std::function<std::chrono::system_clock::time_point()>;

    // Real time, of which whole seconds pass on a card inside the shell
    // between commands, is read from `clock`; an operator's session starts
    // such a card at the time of day `wall_clock` gives.
    explicit SimulatedCard(CardLink link = {}, Clock clock = std::chrono::steady_clock::now,
                           WallClock wall_clock = std::chrono::system_clock::now);

    bool reach(const char *program, bool embedded) override;
    void keep_real_time() override;
    void before_command() override;
    std::string greeting() override;
    std::optional<pcfg_shell::FrontPorts> front_ports() override;
    Presence presence(bool try_again, std::string &said) override;
    std::optional<uint32_t> clock() override;
    std::optional<uint8_t> frame_version() override;

private:
    CardLink link_;
    Clock clock_;
    WallClock wall_clock_;
    std::chrono::steady_clock::time_point last_tick_;
};

}  // namespace pcfg
