// What a command of the shell gets and gives: the arguments of its line, the
// running shell it may use, and the outcome it reports.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "card_side.h"
#include "port_cfg_cli.h"
#include "syntax.h"

namespace pcfg_shell {

// One number or word of a command line, in the slot its syntax gives it.
struct Arg {
    bool given = false;
    int64_t number = 0;
    std::string_view word;  // the word as typed (numbers too)
};

struct Args {
    std::array<Arg, kMaxSlots> slots{};
    std::span<const std::string_view> rest;  // the words a <name...> took

    bool given(size_t slot) const { return slots[slot].given; }
    int64_t number(size_t slot) const { return slots[slot].number; }
    std::string_view word(size_t slot) const { return slots[slot].word; }
};

// How a command line ended.
struct Outcome {
    enum class Kind { Done, Rejected, Exit };
    Kind kind = Kind::Done;
    std::string error;  // why a line was rejected: one line, no newline

    static Outcome done() { return {}; }
    static Outcome rejected(std::string why) { return {Kind::Rejected, std::move(why)}; }
    static Outcome exit() { return {Kind::Exit, {}}; }
};

// The library's JSON dispatcher of logged messages.
using LoggedJson = int (*)(const pcfg_logged_msg_t *msg);

// The running shell, as its commands see it.
class Session {
public:
    virtual ~Session() = default;
    // The shell's own transport queue (byte 40 of every parameter block).
    virtual int32_t queue_handle() const = 0;
    // Lets time pass on the card, hands the block to the library's command
    // entry point, and leaves standard output at the start of a line.
    virtual void run_library(cli_param_block &block) = 0;
    // True while a line that ends in "| json" runs.
    virtual bool json_output() const = 0;
    // The loaded library's JSON dispatcher of logged messages; null when the
    // library has none (one from before version 1.1).
    virtual LoggedJson logged_json() const = 0;
    // Lines of a page on the operator's terminal (0: output never stops).
    virtual void set_terminal_length(unsigned lines) = 0;
    // The card the shell runs on.
    virtual CardSide &card() = 0;
};

// Shell commands that need nothing but their outcome, or the session.
inline Outcome run_exit(Session &, const Args &) { return Outcome::exit(); }
inline Outcome run_terminal_length(Session &session, const Args &args) {
    session.set_terminal_length(static_cast<unsigned>(args.number(0)));
    return Outcome::done();
}

}  // namespace pcfg_shell
