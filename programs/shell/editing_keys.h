// The keys that edit a line on the operator's terminal, one row for each
// sequence a terminal sends: the key's name, the line editor's function it
// runs (libedit's name, or one of the shell's own "pcfg-" functions) and
// what that does. A typed key is one of these or a character of the line,
// never both: every other byte, and every sequence that is not one of these
// in full, goes into the line as the characters it holds (the line is then
// refused at Enter, as the same line read from a pipe would be).
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace pcfg_shell {

struct EditingKey {
    std::string_view sends;     // the bytes the terminal sends
    std::string_view key;       // the key, as the operator knows it
    std::string_view function;  // the editor function it runs
    std::string_view what;      // what it does
};

std::span<const EditingKey> editing_keys();

// How a sequence of bytes read from the terminal stands to the keys.
enum class KeyMatch { Key, Prefix, None };
KeyMatch match_key(std::string_view bytes);

}  // namespace pcfg_shell
