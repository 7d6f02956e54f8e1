// Bad operator input in the shell, generated from the command table where it
// can be: every command cut short, lengthened and given numbers out of its
// range; bytes that are not text wherever they stand; words and lines too
// long; input that ends in the middle of a line. Each bad line gets exactly
// one line of explanation on the error stream, prints nothing, runs nothing,
// and never brings the shell down. (Single refused lines and their exact
// explanations: the transcript shell/refused.)
#include <algorithm>
#include <string>
#include <vector>

#include "matcher.h"
#include "support/shell_fixture.h"

namespace {

using namespace pcfg_test;
using pcfg_shell::ElemKind;
using pcfg_shell::Outcome;

class ShellInputTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        shell(true);
    }
    // Runs a line that must be refused with one line of explanation
    // (starting so), nothing printed and nothing run; returns the line.
    std::string expect_refused(std::string_view text, const std::string &starts) {
        sent_.clear();
        EXPECT_EQ(line(text), "");
        EXPECT_EQ(last_.kind, Outcome::Kind::Rejected);
        EXPECT_TRUE(sent_.empty()) << "the line ran";
        const std::string why = errors();
        EXPECT_TRUE(why.starts_with("% " + starts)) << why;
        EXPECT_EQ(std::count(why.begin(), why.end(), '\n'), 1) << why;
        EXPECT_TRUE(why.ends_with("\n")) << why;
        return why;
    }
};

// Numbers the range of `e` does not take, and what the explanation says of
// each: numbers no range takes, then those just beyond its ends.
std::vector<std::pair<std::string, std::string>> bad_numbers(const pcfg_shell::Element &elem) {
    const pcfg_shell::Range e = pcfg_shell::range_of(elem);  // a port's: the card's
    const std::string large = "too large, at most " + std::to_string(e.hi);
    std::vector<std::pair<std::string, std::string>> bad = {
        {"99999999999999999999999999", large}, {std::to_string(e.hi) + "0", large},
        {"0x", "not a number"}, {"-", "not a number"}, {"--1", "not a number"},
        {"+1", "not a number"}, {"0x-1", "not a number"}, {"0x1g", "junk \"g\" after the number"},
        {"12abc", "junk \"abc\" after the number"}, {"1e3", "junk \"e3\" after the number"},
        {"1.5", "junk \".5\" after the number"}};
    if (e.hi < INT64_MAX) bad.push_back({std::to_string(e.hi + 1), large});
    if (e.lo == 0) bad.push_back({"-1", "must not be negative"});
    else bad.push_back({std::to_string(e.lo - 1), "too small, at least " + std::to_string(e.lo)});
    return bad;
}

TEST_F(ShellInputTest, EveryCommandCutShortLengthenedOrGivenNumbersOutOfRange) {
    size_t numbers = 0;
    for (size_t row = 0; row < pcfg_shell::command_count(); ++row) {
        const auto elems = pcfg_shell::command_syntax(row).elements();
        const bool takes_rest = std::any_of(elems.begin(), elems.end(), [](const auto &e) {
            return e.kind == ElemKind::Rest;
        });
        for (bool optional_parts : {false, true}) {
            const Typed full = typed_in_full(row, optional_parts, [](const auto &e) { return e.lo; });
            // Every word boundary: the line runs (some prefixes are commands
            // of their own) or is refused with one line; a whole command is
            // refused only for its file.
            for (size_t n = 1; n <= full.size(); ++n) {
                SCOPED_TRACE(text_of(full, n));
                sent_.clear();
                const std::string shown = line(text_of(full, n)), why = errors();
                if (last_.kind != Outcome::Kind::Rejected) {
                    EXPECT_EQ(why, "");
                    continue;
                }
                EXPECT_EQ(shown, "");
                EXPECT_TRUE(sent_.empty());
                EXPECT_EQ(std::count(why.begin(), why.end(), '\n'), 1) << why;
                if (n == full.size()) {
                    EXPECT_NE(why.find(kNoFile), std::string::npos) << why;
                }
            }
            // A word too many (unless the command takes the rest of the
            // line): refused, and the line says which.
            if (!takes_rest) {
                const std::string why = expect_refused(text_of(full, full.size()) + " extra", "");
                EXPECT_NE(why.find("\"extra\""), std::string::npos) << why;
            }
            // Each number out of its range, the line refused by the number's name.
            for (size_t k = 0; k < full.size() && optional_parts; ++k) {
                const pcfg_shell::Element &e = *full[k].second;
                if (!pcfg_shell::takes_number(e)) continue;
                for (const auto &[value, why] : bad_numbers(e)) {
                    Typed t = full;
                    t[k].first = value;
                    SCOPED_TRACE(text_of(t, t.size()));
                    expect_refused(text_of(t, t.size()),
                                   "Bad " + std::string(e.text) + " \"" + value + "\": " + why);
                    ++numbers;
                }
            }
        }
    }
    EXPECT_GE(numbers, 150u);
}

TEST_F(ShellInputTest, BytesThatAreNotTextAreRefusedWhereverTheyStand) {
    const std::string good = "show port-config counters port 5";
    for (int byte = 0; byte < 256; ++byte) {
        if (byte == '\t' || (byte >= 0x20 && byte < 0x7f)) continue;
        for (size_t at : {size_t{0}, size_t{4}, size_t{17}, good.size()}) {
            if (byte == '\r' && at == good.size()) continue;  // a line ending, taken off
            std::string text = good;
            text.insert(at, 1, static_cast<char>(byte));
            char want[96];
            snprintf(want, sizeof want,
                     byte < 0x80 ? "Line holds the non-printable byte 0x%02x at column %zu; not run"
                                 : "Line holds the byte 0x%02x at column %zu, which is not UTF-8 "
                                   "text; not run",
                     static_cast<unsigned>(byte), at + 1);
            SCOPED_TRACE(want);
            expect_refused(text, want);
        }
    }
}

TEST_F(ShellInputTest, HugeWordsAreCutWhenQuotedAndLongLinesAreNotRun) {
    const std::string huge(4000, 'z'), shown = std::string(37, 'z') + "...";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {huge, "Unknown command \"" + shown + "\" (type"},
        {"show " + huge, "Unknown word \"" + shown + "\" after \"show\""},
        {"show port-config counters port 5 " + huge, "Unexpected word \"" + shown + "\":"},
        {"show port-config counters port " + huge, "Bad port \"" + shown + "\": not a number"},
        {std::string(4097, ' ') + "x", "Line too long: more than 4096 characters; not run\n"},
        {"raw 10 " + std::string(4090, '1'), "Line too long: more than 4096 characters; not run\n"},
    };
    for (const auto &[text, why] : cases) {
        SCOPED_TRACE(text.substr(0, 80));
        expect_refused(text, why);
    }
    // Leading zeros are still the number; a line of exactly the longest
    // length is read and run.
    line("show port-config counters port 0000000000000000000000000000005");
    line("show port-config events" + std::string(4096 - 23, ' '));
    EXPECT_EQ(sent_, (std::vector<std::string>{"cmd 28 12=5", "cmd 18"}));
    EXPECT_EQ(errors(), "");
}

}  // namespace
