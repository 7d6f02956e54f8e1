// The output calls a printer made (printf, puts, putchar), with every
// argument value already extracted, saved to a file and replayed. Replaying
// them is the floor the library's cost per line is measured against: the
// printf calls that produce the same text from values already at hand.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace pcfg_bench {

struct OutputArg {
    enum class Kind : uint8_t { Word, Text, Null } kind = Kind::Word;
    uint64_t word = 0;  // integers and characters, widened to 64 bits
    std::string text;   // %s arguments, copied (a printer's buffers die with it)
};

struct OutputCall {
    // Ctime: the one ctime call a history record's time text takes, made in
    // the floor too (args[0] holds the seconds).
    enum class Kind : uint8_t { Printf, Puts, Putchar, Ctime } kind = Kind::Printf;
    std::string format;  // printf format, or the puts text
    int character = 0;   // putchar
    std::vector<OutputArg> args;
};

using OutputCalls = std::vector<OutputCall>;

// One recording per case, in case order.
bool save_recordings(const std::string &path, const std::vector<OutputCalls> &cases);
bool load_recordings(const std::string &path, std::vector<OutputCalls> &cases);

// Replays the calls through the C library's printf, puts, putchar and ctime.
void replay(const OutputCalls &calls);

}  // namespace pcfg_bench
