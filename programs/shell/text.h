// Small text helpers of the shell: quoting typed text in messages, keyword
// comparison, characters a command line may not hold.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pcfg_shell {

// Text made of parts, appended in order.
std::string cat(std::initializer_list<std::string_view> parts);

// Words joined by single spaces.
std::string join_words(std::span<const std::string_view> words);

// Typed text in double quotes for a message: bytes that cannot be shown
// as \xNN, shortened when long.
std::string quoted(std::string_view text);

// Keywords compare without regard to case.
bool same_word(std::string_view keyword, std::string_view typed);
bool starts_word(std::string_view keyword, std::string_view typed);

// Edits (insertions, deletions, substitutions, swaps of neighbours) that
// turn one word into the other, keywords compared without regard to case.
size_t edit_distance(std::string_view keyword, std::string_view typed);

// The UTF-8 character at the start of `s` (not empty): its code point and
// length, or length 0 when the bytes are no UTF-8 character.
std::pair<uint32_t, size_t> utf8_at(std::string_view s);

// Why a line cannot be a command line: the first character that is not
// printable ASCII, named as accurately as it can be (a control byte, a
// UTF-8 character with its code point, a byte that is not UTF-8); empty
// when every character is fine.
std::string unusable_character(std::string_view line);

// A time of the card (seconds since the epoch, unsigned 32-bit as the
// history's) as the shell shows it, in TZ: "2025-12-05 16:00:00 UTC".
std::string time_text(uint32_t seconds);

}  // namespace pcfg_shell
