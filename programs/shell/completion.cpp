#include "completion.h"

#include <algorithm>

#include "output_filter.h"
#include "sim_commands.h"
#include "text.h"
#include "words.h"

namespace pcfg_shell {
namespace {

constexpr std::string_view kEnd = "<cr>";
constexpr std::string_view kPipe = "|";
constexpr std::string_view kCallHint = "<call>";  // the platform call `sim fail` takes
constexpr std::string_view kFileHint = "<file>";

// What may follow the words of a filter (after its '|').
void filter_choices(const std::vector<std::string> &words, Choices &out) {
    if (words.empty()) {
        for (const FilterKind &k : kFilterKinds)
            if (starts_word(k.name, out.partial)) out.list.push_back({std::string(k.name), std::string(k.help)});
        if (out.list.empty())
            out.error = cat({"Unknown filter ", quoted(out.partial), " after \"|\": ", filter_names()});
        return;
    }
    const FilterKind *kind = filter_kind(words.front(), out.error);
    if (kind == nullptr) return;
    if (kind->takes_regex && words.size() == 1) {
        out.list.push_back({"<regex>", std::string(kRegexHelp)});
        return;
    }
    if (!kind->takes_regex && (words.size() > 1 || !out.partial.empty())) {
        out.error = cat({"\"| ", kind->name, "\" takes nothing more"});
        return;
    }
    if (out.partial.empty()) {
        out.list.push_back({std::string(kEnd), "Run the command"});
        out.list.push_back({std::string(kPipe), filter_help()});
    }
}

// The platform call of `sim fail` is one of the stand-in's list: its names
// are offered, as keywords are, in place of the hint.
void offer_call_names(Choices &out) {
    const auto hint = std::find_if(out.list.begin(), out.list.end(),
                                   [](const Choice &c) { return c.word == kCallHint; });
    if (hint == out.list.end()) return;
    std::vector<Choice> names;
    for (const PlatformCall &c : platform_calls())
        if (c.name.starts_with(out.partial)) names.push_back({std::string(c.name), std::string(c.what)});
    out.list.insert(out.list.erase(hint), names.begin(), names.end());
}

}  // namespace

Choices choices_after(std::string_view typed) {
    Choices out;
    LineWords line = split_line(typed);
    if (!line.error.empty() && line.open_quote == 0) {
        out.error = std::move(line.error);
        return out;
    }
    std::vector<std::string> &last = line.parts.back();
    if (line.ends_in_word) {
        out.partial = std::move(last.back());
        last.pop_back();
    }
    const std::vector<std::string_view> words = views_of(line.command());
    const Match match = match_words(words);
    if (!match.error.empty()) {
        out.error = match.error;
        return out;
    }
    if (line.parts.size() > 1) {
        if (line.open_quote != 0)
            out.error = std::move(line.error);
        else if (complete_state(match) == nullptr)
            out.error = cat({"Incomplete command ", quoted(join_words(words)), " before \"|\""});
        else
            filter_choices(last, out);
        return out;
    }
    out.list = next_choices(match, out.partial);
    out.file = std::any_of(out.list.begin(), out.list.end(), [](const Choice &c) { return c.word == kFileHint; });
    if (line.open_quote != 0 && !out.file) {
        out.error = std::move(line.error);
        return out;
    }
    out.open_quote = line.open_quote;
    offer_call_names(out);
    if (out.partial.empty() && complete_state(match) != nullptr)
        out.list.push_back({std::string(kPipe), filter_help()});
    if (out.list.empty() && words.empty())
        out.error = cat({"No command starts with ", quoted(out.partial)});
    else if (out.list.empty())
        out.error = cat({"Nothing starting with ", quoted(out.partial), " may follow ",
                         quoted(join_words(words))});
    return out;
}

std::string completion(const Choices &choices) {
    std::string shared;
    size_t keywords = 0;
    for (const Choice &c : choices.list) {
        if (c.word.starts_with('<') || c.word == kPipe) continue;
        shared = keywords++ == 0 ? c.word : shared.substr(0, [&] {
            size_t n = 0;
            while (n < shared.size() && n < c.word.size() && shared[n] == c.word[n]) ++n;
            return n;
        }());
    }
    if (keywords == 0 || shared.size() < choices.partial.size()) return {};
    std::string add = shared.substr(choices.partial.size());
    if (keywords == 1) add += ' ';
    return add;
}

}  // namespace pcfg_shell
