#include "numbers.h"

#include "text.h"

namespace pcfg_shell {
namespace {

// Magnitudes beyond this are too large for any range of the shell; digits
// past it are still consumed so that junk after them is reported as such.
constexpr uint64_t kMagnitudeCap = uint64_t{1} << 62;

int digit_value(char c, bool hex) {
    if (c >= '0' && c <= '9') return c - '0';
    if (hex && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

NumberCheck parse_number(std::string_view text, int64_t lo, int64_t hi) {
    using Error = NumberCheck::Error;
    NumberCheck out;
    size_t i = 0;
    const bool negative = i < text.size() && text[i] == '-';
    if (negative) ++i;
    const bool hex = text.substr(i, 2) == "0x" || text.substr(i, 2) == "0X";
    if (hex) i += 2;
    const unsigned base = hex ? 16 : 10;
    const size_t first_digit = i;
    uint64_t magnitude = 0;
    bool capped = false;
    for (; i < text.size(); ++i) {
        const int d = digit_value(text[i], hex);
        if (d < 0) break;
        if (magnitude > kMagnitudeCap)
            capped = true;
        else
            magnitude = magnitude * base + static_cast<unsigned>(d);
    }
    if (i == first_digit) {
        out.error = Error::NotANumber;
        return out;
    }
    if (i < text.size()) {
        out.error = Error::TrailingJunk;
        out.junk = text.substr(i);
        return out;
    }
    if (negative && lo >= 0 && magnitude != 0) {
        out.error = Error::Negative;
        return out;
    }
    if (capped || magnitude > kMagnitudeCap) {
        out.error = negative ? Error::TooSmall : Error::TooLarge;
        return out;
    }
    out.value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    if (out.value < lo) out.error = Error::TooSmall;
    if (out.value > hi) out.error = Error::TooLarge;
    return out;
}

std::string_view port_digits(std::string_view word, const PortNames &names, std::string &error) {
    const size_t after = names.prefix.size();
    if (word.size() < after || !starts_word(names.prefix, word.substr(0, after))) return word;
    const size_t slash = word.find('/');
    const std::string slot = std::to_string(names.slot);
    if (slash == std::string_view::npos) {
        error = cat({"Bad port ", quoted(word), ": expected a number or ", names.prefix, slot, "/<port>"});
        return {};
    }
    const NumberCheck s = parse_number(word.substr(after, slash - after), 0, UINT32_MAX);
    if (s.error != NumberCheck::Error::None || s.value != names.slot) {
        error = cat({"Bad port ", quoted(word), ": the card is in slot ", slot, " (", names.prefix, slot, "/<port>)"});
        return {};
    }
    return word.substr(slash + 1);
}

std::string number_error(std::string_view what, std::string_view text, const NumberCheck &check,
                         int64_t lo, int64_t hi) {
    using Error = NumberCheck::Error;
    const std::string head = cat({"Bad ", what, " ", quoted(text), ": "});
    switch (check.error) {
        case Error::NotANumber:
            return cat({head, "not a number"});
        case Error::TrailingJunk:
            return cat({head, "junk ", quoted(check.junk), " after the number"});
        case Error::Negative:
            return cat({head, "must not be negative"});
        case Error::TooSmall:
            return cat({head, "too small, at least ", std::to_string(lo)});
        case Error::TooLarge:
            return cat({head, "too large, at most ", std::to_string(hi)});
        case Error::None:
            break;
    }
    return cat({head, "accepted"});
}

}  // namespace pcfg_shell
