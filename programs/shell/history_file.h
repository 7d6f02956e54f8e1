// The line history kept across sessions, in one file that every shell of
// the user shares: each entered line is appended under a lock, and the file
// keeps the newest kHistoryLines lines, so shells that run side by side
// keep all their lines. The file holds libedit's history format (a header
// line, then one line each with blanks, backslashes and bytes that are not
// printable ASCII as octal escapes), so the line editor loads it as it is.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace pcfg_shell {

inline constexpr size_t kHistoryLines = 1000;
inline constexpr std::string_view kHistoryHeader = "_HiStOrY_V2_";

// Where the history is kept: .pcfg_history in $HOME, or in the home folder
// of the user database when HOME is unset; empty (and why) without either.
std::string history_path(std::string &why);

class HistoryFile {
public:
    // `warnings` gets one line, the first time the file cannot be written.
    HistoryFile(std::string path, std::FILE *warnings) : path_(std::move(path)), warnings_(warnings) {}

    // Runs `load` while no other shell writes the file (false when it cannot
    // be opened for that).
    template <typename Load>
    bool read_locked(Load load) {
        const int fd = open_locked(false);
        if (fd < 0) return false;
        load(path_.c_str());
        unlock(fd);
        return true;
    }
    // Appends a line; false (warned once) when the file cannot be written.
    bool append(std::string_view line);
    // Says once why the history is not kept.
    void warn(const std::string &why);

private:
    int open_locked(bool write);
    void unlock(int fd);

    std::string path_;
    std::FILE *warnings_;
    std::string why_;  // why the last open failed
    bool warned_ = false;
};

// A line as the file holds it (without its newline).
std::string history_encoded(std::string_view line);

}  // namespace pcfg_shell
