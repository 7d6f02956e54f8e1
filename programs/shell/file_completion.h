// Tab on a file argument (`event-log save <file>`, `decode-log <file>`):
// the names in the folder the typed part names, as a shell completes them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "matcher.h"

namespace pcfg_shell {

struct FileCompletion {
    size_t erase = 0;          // characters before the cursor to take away first
    std::string insert;        // then the text to add
    std::vector<Choice> list;  // or, when nothing can be added, the names that fit
};

// `typed` is the word so far (without an opening quote); `quote` the quote
// open before it, or 0. A name that needs quoting gets a single quote
// opened before it when none is.
FileCompletion complete_file(std::string_view typed, char quote);

}  // namespace pcfg_shell
