// Bad operator input in the shell: every command of the command table cut
// short, lengthened, given numbers out of its range, bytes that are not
// text, lines too long, files that cannot be read or written, and input
// that ends in the middle of a line. Each bad line gets exactly one line of
// explanation on the error stream, prints nothing, runs nothing, and never
// brings the shell down.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "command_table.h"
#include "shell.h"
#include "support/fixture.h"

namespace {

using namespace pcfg_test;
using pcfg_shell::ElemKind;
using pcfg_shell::Outcome;

constexpr const char *kNoFile = "/nonexistent-pcfg-dir/log.bin";

class ShellInputTest : public PcfgTest {
protected:
    void SetUp() override {
        PcfgTest::SetUp();
        errors_ = open_memstream(&err_buf_, &err_size_);
        pcfg_shell::Options o;
        o.errors = errors_;
        o.clock = [] { return std::chrono::steady_clock::time_point{}; };
        o.entry = [this](cli_param_block *) { return ++library_calls_, 0; };
        shell_ = std::make_unique<pcfg_shell::Shell>(std::move(o));
    }
    void TearDown() override {
        shell_.reset();
        fclose(errors_);
        free(err_buf_);
        PcfgTest::TearDown();
    }

    struct Seen {
        Outcome outcome;
        std::string output;
        std::string errors;
        int library_calls;
    };
    Seen line(std::string_view text) {
        Seen s;
        library_calls_ = 0;
        s.output = out([&] { s.outcome = shell_->run_line(text); });
        s.errors = errors();
        s.library_calls = library_calls_;
        return s;
    }
    std::string errors() {
        fflush(errors_);
        std::string text(err_buf_ + err_seen_, err_size_ - err_seen_);
        err_seen_ = err_size_;
        return text;
    }

    // A refused line: one line of explanation starting so, nothing else.
    void expect_refused(const Seen &s, std::string_view starts) {
        EXPECT_EQ(s.outcome.kind, Outcome::Kind::Rejected);
        EXPECT_EQ(s.output, "");
        EXPECT_EQ(s.library_calls, 0);
        EXPECT_TRUE(s.errors.starts_with("% " + std::string(starts))) << s.errors;
        EXPECT_EQ(std::count(s.errors.begin(), s.errors.end(), '\n'), 1) << s.errors;
        EXPECT_TRUE(s.errors.ends_with("\n")) << s.errors;
    }

    std::unique_ptr<pcfg_shell::Shell> shell_;
    int library_calls_ = 0;

private:
    FILE *errors_ = nullptr;
    char *err_buf_ = nullptr;
    size_t err_size_ = 0;
    size_t err_seen_ = 0;
};

// The words of a command row typed in full: numbers at the low end of their
// range, words naming a file that does not exist, optional parts typed or
// left out. Each word remembers the syntax element it fills.
struct Typed {
    std::vector<std::string> words;
    std::vector<const pcfg_shell::Element *> elems;
    std::string text() const {
        std::string t;
        for (const std::string &w : words) t += (t.empty() ? "" : " ") + w;
        return t;
    }
};

Typed typed_in_full(size_t row, bool optional_parts) {
    Typed t;
    const pcfg_shell::Syntax &syn = pcfg_shell::command_syntax(row);
    for (size_t i = 0; i < syn.count; ++i) {
        const pcfg_shell::Element &e = syn.elems[i];
        std::string word;
        switch (e.kind) {
            case ElemKind::OptOpen:
                if (!optional_parts) i = e.partner;
                continue;
            case ElemKind::OptClose:
            case ElemKind::Rest:
                continue;
            case ElemKind::Keyword: word = e.text; break;
            case ElemKind::Number: word = std::to_string(e.lo); break;
            case ElemKind::Word: word = kNoFile; break;
        }
        t.words.push_back(word);
        t.elems.push_back(&e);
    }
    return t;
}

// Numbers no range of the shell takes, whatever the range.
const std::vector<std::pair<std::string, std::string>> kNeverNumbers = {
    {"99999999999999999999999999", "too large, at most "},
    {"0x", "not a number"},
    {"-", "not a number"},
    {"--1", "not a number"},
    {"+1", "not a number"},
    {"0x1g", "junk \"g\" after the number"},
    {"12abc", "junk \"abc\" after the number"},
    {"1e3", "junk \"e3\" after the number"},
    {"1.5", "junk \".5\" after the number"},
    {"0x-1", "not a number"},
};

TEST_F(ShellInputTest, EveryNumberOutOfItsRangeIsRefusedByName) {
    size_t checked = 0;
    for (size_t row = 0; row < pcfg_shell::command_count(); ++row) {
        const Typed full = typed_in_full(row, true);
        for (size_t k = 0; k < full.words.size(); ++k) {
            const pcfg_shell::Element &e = *full.elems[k];
            if (e.kind != ElemKind::Number) continue;
            std::vector<std::pair<std::string, std::string>> bad = kNeverNumbers;
            bad.push_back({std::to_string(e.hi) + "0", "too large, at most "});
            if (e.hi < INT64_MAX) bad.push_back({std::to_string(e.hi + 1), "too large, at most "});
            if (e.lo > 0) bad.push_back({std::to_string(e.lo - 1), "too small, at least "});
            if (e.lo == 0) bad.push_back({"-1", "must not be negative"});
            if (e.lo < 0) bad.push_back({std::to_string(e.lo - 1), "too small, at least "});
            for (const auto &[value, why] : bad) {
                Typed t = full;
                t.words[k] = value;
                SCOPED_TRACE(t.text());
                expect_refused(line(t.text()), "Bad " + std::string(e.text) + " \"" + value +
                                                   "\": " + why);
                ++checked;
            }
        }
    }
    EXPECT_GE(checked, 150u);
}

TEST_F(ShellInputTest, EveryCommandCutShortOrLengthenedGetsOneLine) {
    for (size_t row = 0; row < pcfg_shell::command_count(); ++row) {
        for (bool optional_parts : {false, true}) {
            const Typed full = typed_in_full(row, optional_parts);
            const auto elems = pcfg_shell::command_syntax(row).elements();
            const bool takes_rest = std::any_of(elems.begin(), elems.end(), [](const auto &e) {
                return e.kind == ElemKind::Rest;
            });
            // Every word boundary: the line runs (some prefixes are commands
            // of their own) or is refused with one line.
            for (size_t n = 1; n <= full.words.size(); ++n) {
                Typed cut = full;
                cut.words.resize(n);
                SCOPED_TRACE(cut.text());
                const Seen s = line(cut.text());
                if (s.outcome.kind == Outcome::Kind::Rejected) {
                    EXPECT_EQ(s.output, "");
                    EXPECT_EQ(s.library_calls, 0);
                    EXPECT_EQ(std::count(s.errors.begin(), s.errors.end(), '\n'), 1) << s.errors;
                } else {
                    EXPECT_EQ(s.errors, "");
                }
                if (n == full.words.size() && s.outcome.kind == Outcome::Kind::Rejected) {
                    EXPECT_NE(s.errors.find(kNoFile), std::string::npos)
                        << "a whole command is refused only for its file: " << s.errors;
                }
            }
            if (takes_rest) continue;  // a word more is one of its words
            // A word too many: refused, and the line says which.
            Typed longer = full;
            longer.words.push_back("extra");
            SCOPED_TRACE(longer.text());
            const Seen s = line(longer.text());
            expect_refused(s, "");
            EXPECT_NE(s.errors.find("\"extra\""), std::string::npos) << s.errors;
        }
    }
}

TEST_F(ShellInputTest, BytesThatAreNotTextAreRefusedWhereverTheyStand) {
    const std::string good = "show port-config counters port 5";
    for (int byte = 0; byte < 256; ++byte) {
        const auto c = static_cast<char>(byte);
        if (byte == '\t' || (byte >= 0x20 && byte < 0x7f)) continue;
        for (size_t at : {size_t{0}, size_t{4}, size_t{17}, good.size()}) {
            std::string text = good;
            text.insert(at, 1, c);
            if (byte == '\r' && at == good.size()) continue;  // a line ending, taken off
            SCOPED_TRACE(std::to_string(byte) + " at " + std::to_string(at));
            char want[64];
            snprintf(want, sizeof want, "Line holds the non-printable byte 0x%02x at column %zu",
                     static_cast<unsigned>(byte), at + 1);
            expect_refused(line(text), want);
        }
    }
}

TEST_F(ShellInputTest, UnknownWordsHugeWordsAndLongLines) {
    const std::string huge_word(4000, 'z');
    const std::string shown = std::string(37, 'z') + "...";  // a long word is cut when quoted
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"zzz", "Unknown command \"zzz\""},
        {huge_word, "Unknown command \"" + shown + "\""},
        {"show " + huge_word, "Unknown word \"" + shown + "\" after \"show\""},
        {"show port-config counters port 5 " + huge_word, "Unexpected word \"" + shown},
        {"show port-config counters port " + huge_word, "Bad port \"" + shown},
        {"s", "Ambiguous command \"s\": show, sim"},
        {"show port-config ???", "Nothing starting with \"??\" may follow \"show port-config\""},
        {"zzz ?", "Unknown command \"zzz\""},
        {"?? ", "No command starts with \"?\""},
        {"show port-config counters port 300 ?", "Bad port \"300\": too large, at most 255"},
        {std::string(4097, ' ') + "x", "Line too long: more than 4096 characters; not run"},
        {"raw 10 " + std::string(4090, '1'), "Line too long"},
        {"raw 10 12=" + std::string(40, '9'), "Bad value \"" + std::string(40, '9')},
        {"raw 10 12==5", "Bad value \"=5\": not a number (token 1)"},
        {"raw -2147483649", "Bad cmd-id \"-2147483649\": too small, at least -2147483648"},
        {"raw 10 -2147483649=1", "Bad parameter id \"-2147483649\": too small"},
        {"raw 10 4294967296=1", "Bad parameter id \"4294967296\": too large"},
        {"sim fail mts_recv -1 4096", "Bad errno \"4096\": too large, at most 4095"},
        {"sim fail mts_recv -1 5 0", "Bad nth \"0\": too small, at least 1"},
        {"sim fail MTS_RECV", "Unknown platform call \"MTS_RECV\""},
        {"sim advance 31622400 1", "Unexpected word \"1\""},
        {"help zzz", "Unknown command \"zzz\""},
        {"decode-log /", "Cannot read \"/\": not a saved event-log file"},
        {"decode-log /dev/zero", "Cannot read \"/dev/zero\": not a saved event-log file"},
        {std::string("decode-log ") + kNoFile,
         std::string("Cannot read \"") + kNoFile + "\": No such file or directory"},
        {std::string("event-log save ") + kNoFile,
         std::string("Cannot write \"") + kNoFile + "\": No such file or directory"},
        {"event-log save /", "Cannot write \"/\": Is a directory"},
    };
    for (const auto &[text, why] : cases) {
        SCOPED_TRACE(text.substr(0, 80));
        expect_refused(line(text), why);
    }
    // Leading zeros are still the number; a line of exactly the longest
    // length is read and run.
    EXPECT_EQ(line("show port-config counters port 0000000000000000000000000000005").library_calls,
              1);
    const std::string longest = "show port-config events" + std::string(4096 - 23, ' ');
    ASSERT_EQ(longest.size(), 4096u);
    const Seen s = line(longest);
    EXPECT_EQ(s.outcome.kind, Outcome::Kind::Done);
    EXPECT_EQ(s.library_calls, 1);
}

TEST_F(ShellInputTest, InputEndingInTheMiddleOfALineRunsNothing) {
    const std::string command = "debug port-config fec port 3 state 1";
    for (size_t cut = 1; cut < command.size(); ++cut) {
        const std::string input = "show port-config events\n" + command.substr(0, cut);
        FILE *in = tmpfile();
        ASSERT_NE(in, nullptr);
        fwrite(input.data(), 1, input.size(), in);
        rewind(in);
        library_calls_ = 0;
        int status = -1;
        EXPECT_EQ(out([&] { status = shell_->run_stream(in); }), "");
        fclose(in);
        const std::string err = errors();
        SCOPED_TRACE(input);
        EXPECT_EQ(library_calls_, 1) << "only the whole line runs";
        EXPECT_EQ(status, 1);
        EXPECT_EQ(err, "% line 2: Input ended in the middle of a line; \"" +
                           command.substr(0, cut) + "\" was not run\n");
    }
}

}  // namespace
