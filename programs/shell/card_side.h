// The card the shell runs on, as the shell's core sees it. The program's
// main supplies it (and alone knows the simulated card); a shell given none
// runs on a card that needs nothing of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "numbers.h"
#include "syntax.h"

namespace pcfg_shell {

// The card's front ports as the matcher takes them: how the card names
// them, and how many it has (numbered from 1).
struct FrontPorts {
    PortNames names;
    uint32_t count = kLastPort;
};

class CardSide {
public:
    virtual ~CardSide() = default;
    // Reaches the card before the first command: `embedded` asks for a card
    // inside the shell. False (said on standard error) when none answers.
    virtual bool reach(const char * /*program*/, bool /*embedded*/) { return true; }
    // The operator's session: the card keeps real time.
    virtual void keep_real_time() {}
    // Before each command that reaches the library: time passes on the card.
    virtual void before_command() {}
    // The first line that greets the operator (none: no such line).
    virtual std::string greeting() { return {}; }
    // The card's front ports (none: the card does not answer).
    virtual std::optional<FrontPorts> front_ports() { return FrontPorts{}; }

    // Whether the card answers. Before each line the shell lets a card that
    // went away be tried again (`try_again`); after a command it only asks.
    // Unless the card is Here, `said` is the line that tells the operator:
    // the card answers again (Back: a new card, which holds nothing of this
    // shell), or it is Gone and how to start one.
    enum class Presence { Here, Back, Gone };
    virtual Presence presence(bool /*try_again*/, std::string & /*said*/) { return Presence::Here; }

    // The card's time in seconds since the epoch (none: it does not answer).
    virtual std::optional<uint32_t> clock() { return std::nullopt; }
    // The version of the frames the card speaks: 0 for a card inside the
    // shell; none when it does not answer.
    virtual std::optional<uint8_t> frame_version() { return std::nullopt; }
};

}  // namespace pcfg_shell
