// Output filters, as switch CLIs have them: `| include REGEX`,
// `| exclude REGEX`, `| begin REGEX` and `| count` after any command, chained
// in the order typed. Regular expressions are POSIX extended ones, matched
// against each line without its newline.
#pragma once

#include <regex.h>

#include <array>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pcfg_shell {

struct FilterKind {
    std::string_view name;
    bool takes_regex;
    std::string_view help;
};
inline constexpr std::array<FilterKind, 4> kFilterKinds{{
    {"include", true, "Only the lines that match"},
    {"exclude", true, "Only the lines that do not match"},
    {"begin", true, "From the first line that matches on"},
    {"count", false, "Only the number of lines"},
}};
inline constexpr std::string_view kFilterHelp = "Filter the output (include, exclude, begin, count)";
inline constexpr std::string_view kRegexHelp = "POSIX extended regular expression";

// The filter kind a typed word names (shortened while unique), or null
// with the reason.
const FilterKind *filter_kind(std::string_view word, std::string &error);

class OutputFilter {
public:
    // The filters of a line, each given as its words after the '|'; null
    // with the one-line reason when one is malformed.
    static std::unique_ptr<OutputFilter> build(std::span<const std::vector<std::string>> filters,
                                               std::string &error);
    ~OutputFilter();
    OutputFilter(const OutputFilter &) = delete;
    OutputFilter &operator=(const OutputFilter &) = delete;

    // Where the lines that pass go.
    using Sink = void (*)(void *context, std::string_view text);
    void set_sink(Sink sink, void *context) {
        sink_ = sink;
        context_ = context;
    }
    // Output as written: whole lines pass or not; a line longer than the
    // buffer is judged in pieces.
    void write(std::string_view text);
    // The command has ended: judges an unfinished last line (ended with a
    // newline when it passes) and gives the counts.
    void finish();

private:
    struct Stage {
        const FilterKind *kind = nullptr;
        regex_t regex{};
        bool compiled = false;
        bool begun = false;  // begin: a line has matched
        size_t lines = 0;    // count
    };
    OutputFilter() = default;
    void judge(size_t first_stage, std::string_view line);

    std::vector<Stage> stages_;
    std::string pending_;
    Sink sink_ = nullptr;
    void *context_ = nullptr;
};

}  // namespace pcfg_shell
