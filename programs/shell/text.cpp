#include "text.h"

#include <cstdio>

namespace pcfg_shell {
namespace {

constexpr size_t kQuoteMax = 40;

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string_view> split_words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && blank(line[i])) ++i;
        const size_t start = i;
        while (i < line.size() && !blank(line[i])) ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::string cat(std::initializer_list<std::string_view> parts) {
    size_t size = 0;
    for (std::string_view p : parts) size += p.size();
    std::string out;
    out.reserve(size);
    for (std::string_view p : parts) out.append(p);
    return out;
}

std::string join_words(std::span<const std::string_view> words) {
    std::string out;
    for (std::string_view w : words) {
        if (!out.empty()) out += ' ';
        out += w;
    }
    return out;
}

std::string quoted(std::string_view text) {
    std::string shown;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7f) {
            shown += ch;
        } else {
            char esc[5];
            snprintf(esc, sizeof esc, "\\x%02x", static_cast<unsigned>(c));
            shown += esc;
        }
        if (shown.size() > kQuoteMax) break;
    }
    if (shown.size() > kQuoteMax) shown.replace(kQuoteMax - 3, std::string::npos, "...");
    return cat({"\"", shown, "\""});
}

bool starts_word(std::string_view keyword, std::string_view typed) {
    if (typed.size() > keyword.size()) return false;
    for (size_t i = 0; i < typed.size(); ++i)
        if (lower(typed[i]) != keyword[i]) return false;
    return true;
}

bool same_word(std::string_view keyword, std::string_view typed) {
    return typed.size() == keyword.size() && starts_word(keyword, typed);
}

}  // namespace pcfg_shell
