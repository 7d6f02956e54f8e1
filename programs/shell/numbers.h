// Numbers as the operator types them: decimal or 0x hex, a leading '-' for
// negative ones, checked against the range the command accepts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pcfg_shell {

struct NumberCheck {
    enum class Error { None, NotANumber, TrailingJunk, Negative, TooSmall, TooLarge };
    Error error = Error::None;
    int64_t value = 0;
    std::string_view junk;  // what follows the digits (TrailingJunk)
};

NumberCheck parse_number(std::string_view text, int64_t lo, int64_t hi);

// How the card names its front ports: <prefix><slot>/<port> ("fc1/5").
struct PortNames {
    std::string_view prefix = "fc";
    uint32_t slot = 1;
};

// A port as the card names it: the port's digits when the slot is this
// card's; anything not starting with the prefix is handed back as typed.
// Sets `error` when the name is malformed or of another slot.
std::string_view port_digits(std::string_view word, const PortNames &names, std::string &error);

// The one-line reason a number was refused: `Bad port "0": too small, at least 1`.
std::string number_error(std::string_view what, std::string_view text, const NumberCheck &check,
                         int64_t lo, int64_t hi);

}  // namespace pcfg_shell
