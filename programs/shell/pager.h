// Output of an interactive session on the operator's terminal: output taller
// than a page stops at "--More--" until a key is pressed (space: the next
// page, Enter: one more line, q: the rest of the command's output is
// dropped; the command itself runs to its end), and Ctrl-C while a command
// runs drops the rest of its output too. Only for a session whose input and
// output are both the terminal; never for piped or redirected output.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace pcfg_shell {

inline constexpr unsigned kMaxTerminalLength = 512;

class Pager {
public:
    // Shows output on the terminal `screen`, reads keys from `keys` (the
    // same terminal).
    Pager(int keys, int screen) : keys_(keys), screen_(screen) {}

    // Lines a screen holds: 0 for no stops; unset, the terminal's height.
    void set_length(unsigned lines) { length_ = static_cast<int>(lines); }
    // A command starts: its output stops at page ends unless `stops` is
    // false (`| no-more`).
    void start(bool stops);
    // Writes a command's output through `put`, stopping at page ends and
    // dropping what follows a `q` or a Ctrl-C. Whether output was dropped
    // since the command started.
    bool write(std::string_view text, const std::function<void(std::string_view)> &put);
    // The command ended: whether a Ctrl-C came while it ran (the terminal
    // then shows "^C" after its last output).
    bool finish();
    // Whether the output shown so far ends at the start of a line.
    bool at_line_start() const { return column_ == 0; }

private:
    enum class Key { Page, Line, Quit };
    void measure();
    Key wait_for_key(const std::function<void(std::string_view)> &put);

    int keys_;
    int screen_;
    bool stops_ = false;
    int length_ = -1;   // -1: the terminal's height
    size_t page_ = 0;   // rows a page shows before it stops (0: no stops)
    size_t width_ = 0;  // columns of the terminal (0: unknown)
    size_t rows_ = 0;   // rows shown since the last stop
    size_t column_ = 0;
    bool row_start_ = true;  // the next character starts a row
    size_t allowed_ = 0;     // rows the operator asked for before the next stop
    bool dropping_ = false;
    bool interrupted_ = false;
};

}  // namespace pcfg_shell
