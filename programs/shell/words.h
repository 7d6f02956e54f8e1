// A command line cut into words, as the operator types them: blanks
// separate words; a double-quoted part keeps blanks and '|' and takes \" and
// \\ as the quote and the backslash (other backslashes stay as typed); a
// single-quoted part keeps every character as typed up to the next single
// quote; an unquoted '|' ends the command and starts an output filter.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pcfg_shell {

struct LineWords {
    // The command's words, then those of each filter after its '|'.
    std::vector<std::vector<std::string>> parts;
    // The text ends inside a word (no blank after its last word); for
    // completion and "?".
    bool ends_in_word = false;
    // Why the line cannot be cut into words (an open quote), or empty.
    std::string error;
    // The quote left open at the end of the text, or 0; the word it opened
    // is the last one, as typed so far.
    char open_quote = 0;

    const std::vector<std::string> &command() const { return parts.front(); }
};

LineWords split_line(std::string_view line);

// Views of words, for matching.
std::vector<std::string_view> views_of(const std::vector<std::string> &words);

}  // namespace pcfg_shell
