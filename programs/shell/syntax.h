// Syntax of one row of the command table, parsed at compile time.
//
//   keyword          a literal word: lower-case letters, digits and '-',
//                    starting with a letter; the operator may shorten it
//                    while it stays unique
//   <name:lo-hi>     a number from lo to hi, typed decimal or 0x hex
//                    (e.g. <state:0-255>, <result:-2147483648-2147483647>)
//   <name:port>      a front port: its number, from kFirstPort to the card's
//                    last port (kLastPort at most), or its name as the card
//                    gives it ("fc1/5"; FrontPorts in card_side.h)
//   <name>           any one word (e.g. <file>)
//   <name...>        all remaining words, none or more (last element only)
//   [ ... ]          an optional part; parts may nest
//
// Every element that takes a word (all but the brackets) has one line of
// help in its row. Numbers and words fill the row's argument slots in the
// order they are written.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string_view>

namespace pcfg_shell {

enum class ElemKind : uint8_t { Keyword, Number, Port, Word, Rest, OptOpen, OptClose };

// Front ports are counted from 1.
inline constexpr int64_t kFirstPort = 1;
inline constexpr int64_t kLastPort = 255;

struct Element {
    ElemKind kind = ElemKind::Keyword;
    std::string_view text;  // the keyword, or the argument's name
    int64_t lo = 0;         // range of a number (or a port)
    int64_t hi = 0;
    uint8_t slot = 0;     // argument slot of a number or word
    uint8_t partner = 0;  // of an opening bracket: the index of its closing one
    uint8_t help = 0;     // line of the row's help text that describes it
};

inline constexpr size_t kMaxElements = 24;
inline constexpr size_t kMaxSlots = 8;

struct Syntax {
    std::array<Element, kMaxElements> elems{};
    uint8_t count = 0;
    uint8_t words = 0;  // elements that take words: the row's help lines
    uint8_t slots = 0;  // argument slots used
    bool valid = false;

    constexpr std::span<const Element> elements() const { return {elems.data(), count}; }
};

// Whether an element takes a number (a port is one too).
constexpr bool takes_number(const Element &e) { return e.kind == ElemKind::Number || e.kind == ElemKind::Port; }

namespace syntax_detail {

constexpr bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

constexpr bool is_keyword(std::string_view w) {
    if (w.empty() || !is_lower(w.front())) return false;
    for (char c : w)
        if (!is_lower(c) && !is_digit(c) && c != '-') return false;
    return true;
}

// A signed decimal number that fits 64 bits.
constexpr bool parse_int(std::string_view s, int64_t &out) {
    size_t i = 0;
    const bool negative = !s.empty() && s.front() == '-';
    if (negative) ++i;
    if (i == s.size()) return false;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (!is_digit(s[i]) || v > (std::numeric_limits<int64_t>::max() - 9) / 10) return false;
        v = v * 10 + (s[i] - '0');
    }
    out = negative ? -v : v;
    return true;
}

// "lo-hi": the separator is the first '-' that follows a digit.
constexpr bool parse_range(std::string_view s, int64_t &lo, int64_t &hi) {
    for (size_t i = 1; i < s.size(); ++i)
        if (s[i] == '-' && is_digit(s[i - 1]))
            return parse_int(s.substr(0, i), lo) && parse_int(s.substr(i + 1), hi) && lo <= hi;
    return false;
}

}  // namespace syntax_detail

// The elements of a syntax text; `valid` is false when the text breaks the
// rules above (the command table checks every row at compile time).
constexpr Syntax parse_syntax(std::string_view text) {
    using namespace syntax_detail;
    Syntax s;
    std::array<uint8_t, kMaxElements> open{};
    size_t depth = 0;
    bool rest_seen = false;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ') {
            ++i;
            continue;
        }
        if (s.count == kMaxElements) return s;
        if (c == '[') {
            if (rest_seen) return s;
            open[depth++] = s.count;
            s.elems[s.count].kind = ElemKind::OptOpen;
            ++s.count;
            ++i;
            continue;
        }
        if (c == ']') {
            if (depth == 0) return s;
            const uint8_t o = open[--depth];
            if (o + 1 == s.count) return s;  // an empty optional part
            s.elems[o].partner = s.count;
            s.elems[s.count].kind = ElemKind::OptClose;
            ++s.count;
            ++i;
            continue;
        }
        size_t j = i;
        while (j < text.size() && text[j] != ' ' && text[j] != '[' && text[j] != ']') ++j;
        const std::string_view w = text.substr(i, j - i);
        i = j;
        if (rest_seen) return s;  // nothing follows <name...>
        Element e;
        if (w.front() == '<') {
            if (w.size() < 3 || w.back() != '>') return s;
            const std::string_view inner = w.substr(1, w.size() - 2);
            const size_t colon = inner.find(':');
            if (colon != std::string_view::npos && inner.substr(colon + 1) == "port") {
                e.kind = ElemKind::Port;
                e.text = inner.substr(0, colon);
                e.lo = kFirstPort;
                e.hi = kLastPort;
            } else if (colon != std::string_view::npos) {
                e.kind = ElemKind::Number;
                e.text = inner.substr(0, colon);
                if (!parse_range(inner.substr(colon + 1), e.lo, e.hi)) return s;
            } else if (inner.ends_with("...")) {
                e.kind = ElemKind::Rest;
                e.text = inner.substr(0, inner.size() - 3);
                rest_seen = true;
            } else {
                e.kind = ElemKind::Word;
                e.text = inner;
            }
            if (!is_keyword(e.text)) return s;  // names follow the keyword rules
            if (e.kind != ElemKind::Rest) {
                if (s.slots == kMaxSlots) return s;
                e.slot = s.slots++;
            }
        } else {
            if (!is_keyword(w)) return s;
            e.kind = ElemKind::Keyword;
            e.text = w;
        }
        e.help = s.words++;
        s.elems[s.count++] = e;
    }
    if (depth != 0 || s.count == 0 || s.elems[0].kind != ElemKind::Keyword) return s;
    s.valid = true;
    return s;
}

// Help texts hold one line per element, each ending in '\n'.
constexpr size_t help_line_count(std::string_view help) {
    size_t n = 0;
    size_t start = 0;
    for (size_t i = 0; i < help.size(); ++i) {
        if (help[i] != '\n') continue;
        if (i == start) return 0;  // an empty line
        ++n;
        start = i + 1;
    }
    return start == help.size() ? n : 0;
}

constexpr std::string_view help_line(std::string_view help, size_t index) {
    size_t start = 0;
    for (size_t i = 0; i < help.size(); ++i) {
        if (help[i] != '\n') continue;
        if (index-- == 0) return help.substr(start, i - start);
        start = i + 1;
    }
    return {};
}

}  // namespace pcfg_shell
