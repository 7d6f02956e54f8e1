// Output filters, as switch CLIs have them: `| include REGEX`,
// `| exclude REGEX`, `| begin REGEX`, `| count` and `| no-more` (the output
// does not stop at page ends) after any command, chained in the order typed.
// Regular expressions are POSIX extended ones, matched against each line
// without its newline. A new filter is a row of kFilterKinds and a case of
// OutputFilter::judge.
#pragma once

#include <regex.h>

#include <array>
#include <cstdint>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pcfg_shell {

enum class FilterAct : uint8_t { Include, Exclude, Begin, Count, NoMore };

struct FilterKind {
    std::string_view name;
    FilterAct act;
    bool takes_regex;
    std::string_view help;
};
inline constexpr std::array<FilterKind, 5> kFilterKinds{{
    {"include", FilterAct::Include, true, "Only the lines that match"},
    {"exclude", FilterAct::Exclude, true, "Only the lines that do not match"},
    {"begin", FilterAct::Begin, true, "From the first line that matches on"},
    {"count", FilterAct::Count, false, "Only the number of lines"},
    {"no-more", FilterAct::NoMore, false, "Do not stop at page ends (--More--)"},
}};
inline constexpr std::string_view kRegexHelp = "POSIX extended regular expression";

// The filters' names, "include, exclude, ... or no-more".
std::string filter_names();
// What '|' does: "Filter the output (include, exclude, ...)".
std::string filter_help();

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
    // Whether the output may stop at page ends (no `| no-more`).
    bool stops_at_pages() const;

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
