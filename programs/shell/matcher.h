// Matches the words of a command line against every row of the command
// table at once, word by word, the way a switch CLI reads a line: keywords
// may be shortened while unique, numbers are checked against their range,
// and the first word that fits no command is named in the error.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "numbers.h"
#include "session.h"

namespace pcfg_shell {

// Which word filled an argument slot, and the element of the row that took
// it. States are copied for every word of the line, so they keep these
// small marks; the arguments themselves are read once the row is chosen.
struct SlotFill {
    uint16_t word = 0;  // index of the word plus one; 0 when the slot is not given
    uint8_t elem = 0;   // position of the element in the row's syntax
};

// A row still in the running, and where in its syntax the words have got.
struct MatchState {
    uint16_t row = 0;
    uint8_t pos = 0;          // next element; the syntax's count when complete
    size_t rest_begin = SIZE_MAX;  // first word a <name...> took
    std::array<SlotFill, kMaxSlots> slots{};
};

struct Match {
    std::vector<MatchState> states;  // after the words, optional parts opened or skipped
    std::string error;               // set when a word fits no command
};

// The card's front ports, for <port> arguments: their names ("fc1/5") and
// their range. The shell gives them before each line (the default: fc1/1
// to fc1/255).
void use_front_ports(const FrontPorts &ports);

// The numbers an element takes: its syntax's range, or for a port the
// ports of the card.
struct Range {
    int64_t lo = 0;
    int64_t hi = 0;
};
Range range_of(const Element &e);

// How the last word matches a keyword it starts: only while it stays
// unique, or every keyword it starts ("help s" describes show and sim).
enum class LastWord { Unique, AnyPrefix };
Match match_words(std::span<const std::string_view> words, LastWord last = LastWord::Unique);

// The first row (in table order) the words name in full.
const MatchState *complete_state(const Match &match);

// The command a line's words name, with its arguments; otherwise the
// one-line reason. The arguments point into `words`.
struct Resolved {
    size_t row = 0;
    Args args;
};
std::optional<Resolved> resolve(std::span<const std::string_view> words, std::string &error);

// What may follow the words, for "?": keywords starting with `partial`,
// placeholders of numbers and words, and "<cr>" when the line is complete.
struct Choice {
    std::string word;
    std::string help;
};
std::vector<Choice> next_choices(const Match &match, std::string_view partial);

}  // namespace pcfg_shell
