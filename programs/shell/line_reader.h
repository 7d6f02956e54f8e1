// Reads command lines from a stream without trusting it: a line is at most
// kMaxLineLength bytes (longer ones are read to their end and refused), and
// input that ends in the middle of a line is told apart from a whole line.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace pcfg_shell {

inline constexpr size_t kMaxLineLength = 4096;

class LineReader {
public:
    enum class Status {
        Line,          // a whole line, its newline removed
        TooLong,       // a line longer than the limit, skipped to its end
        Unterminated,  // the input ended inside this line
        End,           // no more input
    };

    explicit LineReader(std::FILE *in) : in_(in) {}

    Status next(std::string &line);
    // Number of the line read last, counted from 1.
    size_t line_number() const { return number_; }

private:
    std::FILE *in_;
    size_t number_ = 0;
};

}  // namespace pcfg_shell
