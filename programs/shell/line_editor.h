// Reading command lines from the operator's terminal. With line editing
// (libedit, loaded when the editor starts): the line is edited with the keys
// of editing_keys.h, and every other byte typed or pasted is a character of
// the line; earlier lines are recalled and kept across sessions (see
// history_file.h); Tab completes a word from the command table or a file
// name, "?" lists what may follow at once and gives the line back, Ctrl-C
// drops the line, Ctrl-Z suspends the shell, Ctrl-D on an empty line leaves. Without it (a build for a target that lacks the library, or
// a machine where it cannot be loaded, which the editor says once): a
// prompt and plain lines.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace pcfg_shell {

class LineEditor {
public:
    enum class Status { Line, Interrupted, Refused, End };

    // Reads standard input (a terminal); prompts and listings go to `out`.
    LineEditor(std::FILE *out, std::string prompt);
    ~LineEditor();
    LineEditor(const LineEditor &) = delete;
    LineEditor &operator=(const LineEditor &) = delete;

    // The next line (Refused: a line too long, `line` says why).
    Status next(std::string &line);
    // Whether lines are edited here (the library can be loaded).
    static bool editing();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
    bool editing_ = false;
};

}  // namespace pcfg_shell
