// What may follow a half-typed line, for "?" and for Tab: the command
// table's keywords and <placeholder> hints, the output filters after '|'.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "matcher.h"

namespace pcfg_shell {

struct Choices {
    std::vector<Choice> list;  // what may follow, in table order
    std::string partial;       // the word being typed, if any
    std::string error;         // the text before it names nothing
    bool file = false;         // the word being typed names a file
    char open_quote = 0;       // the quote the word being typed opened (a file's only)
};
Choices choices_after(std::string_view typed);

// What Tab adds to the typed text: the rest of the one keyword that fits
// and a blank, or the longest start that every fitting keyword shares;
// empty when nothing can be added (the choices are then listed).
std::string completion(const Choices &choices);

}  // namespace pcfg_shell
