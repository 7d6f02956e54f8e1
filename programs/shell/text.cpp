#include "text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

namespace pcfg_shell {
namespace {

constexpr size_t kQuoteMax = 40;

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Characters often pasted from documents in place of ASCII ones.
struct Lookalike {
    uint32_t code_point;
    std::string_view name;
};
constexpr std::array<Lookalike, 12> kLookalikes{{
    {0x00A0, "no-break space; type a space"},
    {0x2010, "hyphen; type \"-\""},
    {0x2011, "non-breaking hyphen; type \"-\""},
    {0x2012, "figure dash; type \"-\""},
    {0x2013, "en dash; type \"-\""},
    {0x2014, "em dash; type \"-\""},
    {0x2018, "left single quotation mark"},
    {0x2019, "right single quotation mark"},
    {0x201C, "left double quotation mark; type '\"'"},
    {0x201D, "right double quotation mark; type '\"'"},
    {0x2212, "minus sign; type \"-\""},
    {0xFEFF, "byte-order mark"},
}};

}  // namespace

std::pair<uint32_t, size_t> utf8_at(std::string_view s) {
    const auto b0 = static_cast<unsigned char>(s[0]);
    const size_t len = b0 >= 0xF0 && b0 <= 0xF4 ? 4 : b0 >= 0xE0 && b0 < 0xF0 ? 3 : b0 >= 0xC2 && b0 < 0xE0 ? 2 : 0;
    if (len == 0 || s.size() < len) return {0, 0};
    uint32_t cp = b0 & (0x7F >> len);
    for (size_t i = 1; i < len; ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if ((b & 0xC0) != 0x80) return {0, 0};
        cp = cp << 6 | (b & 0x3F);
    }
    constexpr std::array<uint32_t, 5> kLeast{0, 0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return {0, 0};
    return {cp, len};
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

size_t edit_distance(std::string_view keyword, std::string_view typed) {
    // Optimal string alignment distance over three rows.
    const size_t n = typed.size();
    std::vector<size_t> before(n + 1), prev(n + 1), cur(n + 1);
    for (size_t j = 0; j <= n; ++j) prev[j] = j;
    for (size_t i = 1; i <= keyword.size(); ++i) {
        cur[0] = i;
        for (size_t j = 1; j <= n; ++j) {
            const bool same = keyword[i - 1] == lower(typed[j - 1]);
            cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && keyword[i - 1] == lower(typed[j - 2]) &&
                keyword[i - 2] == lower(typed[j - 1]))
                cur[j] = std::min(cur[j], before[j - 2] + 1);
        }
        before.swap(prev);
        prev.swap(cur);
    }
    return prev[n];
}

std::string unusable_character(std::string_view line) {
    size_t column = 1;
    for (size_t i = 0; i < line.size(); ++column) {
        const auto c = static_cast<unsigned char>(line[i]);
        char text[160];
        if (c == '\t' || (c >= 0x20 && c < 0x7f)) {
            ++i;
            continue;
        }
        if (c < 0x80) {
            snprintf(text, sizeof text,
                     "Line holds the non-printable byte 0x%02x at column %zu; not run",
                     static_cast<unsigned>(c), column);
            return text;
        }
        const std::pair<uint32_t, size_t> character = utf8_at(line.substr(i));
        const uint32_t cp = character.first;
        const size_t len = character.second;
        if (len == 0) {
            snprintf(text, sizeof text,
                     "Line holds the byte 0x%02x at column %zu, which is not UTF-8 text; not run",
                     static_cast<unsigned>(c), column);
            return text;
        }
        const auto known = std::find_if(kLookalikes.begin(), kLookalikes.end(),
                                        [cp](const Lookalike &l) { return l.code_point == cp; });
        const std::string name =
            known != kLookalikes.end() ? cat({" (", known->name, ")"}) : std::string();
        snprintf(text, sizeof text,
                 "Line holds the character U+%04X%s at column %zu: commands are plain ASCII; "
                 "not run",
                 static_cast<unsigned>(cp), name.c_str(), column);
        return text;
    }
    return {};
}

std::string time_text(uint32_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    localtime_r(&t, &tm);  // in TZ, as the history's times
    char buf[64];
    strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S %Z", &tm);
    return buf;
}

}  // namespace pcfg_shell
