#include "editing_keys.h"

#include <array>

namespace pcfg_shell {
namespace {

// Ctrl-C, Ctrl-\ and Ctrl-Z reach the shell as signals; their bytes are
// here for a terminal that sends them as keys.
constexpr std::array<EditingKey, 43> kKeys{{
    {"\r", "Enter", "ed-newline", "run the line"},
    {"\n", "Ctrl-J", "ed-newline", "run the line"},
    {"\t", "Tab", "pcfg-complete", "complete the word, or list the choices"},
    {"?", "?", "pcfg-choices", "list what may follow (inside quotes: the character ?)"},
    {"\x01", "Ctrl-A", "ed-move-to-beg", "to the start of the line"},
    {"\x1b[H", "Home", "ed-move-to-beg", "to the start of the line"},
    {"\x1bOH", "Home", "ed-move-to-beg", "to the start of the line"},
    {"\x1b[1~", "Home", "ed-move-to-beg", "to the start of the line"},
    {"\x05", "Ctrl-E", "ed-move-to-end", "to the end of the line"},
    {"\x1b[F", "End", "ed-move-to-end", "to the end of the line"},
    {"\x1bOF", "End", "ed-move-to-end", "to the end of the line"},
    {"\x1b[4~", "End", "ed-move-to-end", "to the end of the line"},
    {"\x02", "Ctrl-B", "ed-prev-char", "one character left"},
    {"\x1b[D", "Left", "ed-prev-char", "one character left"},
    {"\x1bOD", "Left", "ed-prev-char", "one character left"},
    {"\x06", "Ctrl-F", "ed-next-char", "one character right"},
    {"\x1b[C", "Right", "ed-next-char", "one character right"},
    {"\x1bOC", "Right", "ed-next-char", "one character right"},
    {"\x1b" "b", "Alt-B", "ed-prev-word", "one word left"},
    {"\x1b" "f", "Alt-F", "em-next-word", "one word right"},
    {"\x7f", "Backspace", "em-delete-prev-char", "delete the character left of the cursor"},
    {"\x08", "Ctrl-H", "em-delete-prev-char", "delete the character left of the cursor"},
    {"\x1b[3~", "Delete", "ed-delete-next-char", "delete the character at the cursor"},
    {"\x04", "Ctrl-D", "em-delete-or-list",
     "delete the character at the cursor; on an empty line: leave the shell"},
    {"\x17", "Ctrl-W", "ed-delete-prev-word", "delete the word left of the cursor"},
    {"\x1b\x7f", "Alt-Backspace", "ed-delete-prev-word", "delete the word left of the cursor"},
    {"\x1b" "d", "Alt-D", "em-delete-next-word", "delete the word right of the cursor"},
    {"\x0b", "Ctrl-K", "ed-kill-line", "delete to the end of the line"},
    {"\x15", "Ctrl-U", "em-kill-line", "delete the whole line"},
    {"\x19", "Ctrl-Y", "em-yank", "insert the text deleted last"},
    {"\x14", "Ctrl-T", "ed-transpose-chars", "swap the two characters left of the cursor"},
    {"\x10", "Ctrl-P", "ed-prev-history", "the line before in the history"},
    {"\x1b[A", "Up", "ed-prev-history", "the line before in the history"},
    {"\x1bOA", "Up", "ed-prev-history", "the line before in the history"},
    {"\x0e", "Ctrl-N", "ed-next-history", "the line after in the history"},
    {"\x1b[B", "Down", "ed-next-history", "the line after in the history"},
    {"\x1bOB", "Down", "ed-next-history", "the line after in the history"},
    {"\x12", "Ctrl-R", "em-inc-search-prev", "search the history backwards as you type"},
    {"\x16", "Ctrl-V", "ed-quoted-insert", "take the next key as a character"},
    {"\x0c", "Ctrl-L", "ed-clear-screen", "clear the screen, then show the line again"},
    {"\x03", "Ctrl-C", "pcfg-cancel", "drop the line; a fresh prompt on a new line"},
    {"\x1c", "Ctrl-\\", "pcfg-cancel", "drop the line; a fresh prompt on a new line"},
    {"\x1a", "Ctrl-Z", "pcfg-suspend", "suspend the shell; \"fg\" shows the line again"},
}};

}  // namespace

std::span<const EditingKey> editing_keys() { return kKeys; }

KeyMatch match_key(std::string_view bytes) {
    KeyMatch found = KeyMatch::None;
    for (const EditingKey &k : kKeys) {
        if (k.sends == bytes) return KeyMatch::Key;
        if (k.sends.starts_with(bytes)) found = KeyMatch::Prefix;
    }
    return found;
}
}  // namespace pcfg_shell
