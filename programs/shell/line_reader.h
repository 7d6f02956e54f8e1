// Reads command lines from a stream without trusting it: a line is at most
// kMaxLineLength bytes (a longer one is refused as soon as it passes the
// limit, and its rest skipped as it streams), a NUL byte ends the reading
// (the input is not text), and so does a line that has no end within
// kMaxSkipped bytes (endless input). The last line is a line even without
// its newline.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace pcfg_shell {

inline constexpr size_t kMaxLineLength = 4096;
inline constexpr size_t kMaxSkipped = size_t{1} << 20;

class LineReader {
public:
    enum class Status {
        Line,         // a line, its newline removed
        TooLong,      // a line past the limit; its rest is skipped by the next read
        Binary,       // a NUL byte: no more is read
        Endless,      // no line end within kMaxSkipped bytes: no more is read
        Interrupted,  // a signal interrupted the read; the line so far is dropped
        End,          // no more input
    };

    explicit LineReader(std::FILE *in) : in_(in) {}

    Status next(std::string &line);
    // Number of the line read last, counted from 1.
    size_t line_number() const { return number_; }
    // Column of the NUL byte that made the input binary, counted from 1.
    size_t column() const { return column_; }

private:
    // Skips the rest of a line refused as too long; false when it is endless.
    bool skip_rest();

    std::FILE *in_;
    size_t number_ = 0;
    size_t column_ = 0;
    bool skipping_ = false;
    bool stopped_ = false;
};

}  // namespace pcfg_shell
