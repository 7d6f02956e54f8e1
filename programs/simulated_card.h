// The shell's card: the simulated line card, in the shell's process or the
// card process it shares with other shells. pcfg's main owns one; it is the
// one place the shell meets the simulator outside its `sim` and event-log
// commands.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "shell.h"

namespace pcfg {

class SimulatedCard final : public pcfg_shell::CardSide {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // `link_card` connects the process to the shared card (pcfg's own
    // start-up); without it the card runs inside the shell. Real time, of
    // which whole seconds pass on a card inside the shell between commands,
    // is read from `clock`.
    explicit SimulatedCard(bool (*link_card)(const char *program) = nullptr,
                           Clock clock = std::chrono::steady_clock::now);

    bool reach(const char *program, bool embedded) override;
    void keep_real_time() override;
    void before_command() override;
    std::string greeting() override;
    pcfg_shell::PortNames port_names() override;

private:
    bool (*link_card_)(const char *program);
    Clock clock_;
    std::chrono::steady_clock::time_point last_tick_;
};

}  // namespace pcfg
