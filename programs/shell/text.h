// Small text helpers of the shell: words of a line, quoting typed text in
// messages, keyword comparison.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pcfg_shell {

// The words of a line, split at spaces and tabs.
std::vector<std::string_view> split_words(std::string_view line);

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

}  // namespace pcfg_shell
