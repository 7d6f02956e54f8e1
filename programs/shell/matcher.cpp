#include "matcher.h"

#include <algorithm>

#include "command_table.h"
#include "line_reader.h"
#include "numbers.h"
#include "text.h"

namespace pcfg_shell {
namespace {

constexpr size_t kListedExpected = 4;
// A word's index plus one fits a slot mark: a line has at most half as many
// words as characters.
static_assert(kMaxLineLength / 2 + 1 < UINT16_MAX);

FrontPorts &front_ports() {
    static FrontPorts ports;
    return ports;
}

const Element *element_at(const MatchState &s) {
    const Syntax &syn = command_syntax(s.row);
    return s.pos < syn.count ? &syn.elems[s.pos] : nullptr;
}

// Adds the state and every state reachable from it without taking a word:
// optional parts opened or skipped, a <name...> left with no more words.
void close_over(MatchState s, std::vector<MatchState> &out) {
    const Syntax &syn = command_syntax(s.row);
    if (s.pos >= syn.count) {
        out.push_back(std::move(s));
        return;
    }
    const Element &e = syn.elems[s.pos];
    switch (e.kind) {
        case ElemKind::OptOpen: {
            MatchState skip = s;
            skip.pos = static_cast<uint8_t>(e.partner + 1);
            ++s.pos;
            close_over(std::move(s), out);
            close_over(std::move(skip), out);
            return;
        }
        case ElemKind::OptClose:
            ++s.pos;
            close_over(std::move(s), out);
            return;
        case ElemKind::Rest: {
            MatchState past = s;
            ++past.pos;
            out.push_back(std::move(s));
            close_over(std::move(past), out);
            return;
        }
        default:
            out.push_back(std::move(s));
            return;
    }
}

// A number element's reading of a word; a port may also be typed as its
// name ("fc1/5"), which `port_error` refuses when it is malformed.
NumberCheck read_number(const Element &e, std::string_view word, std::string &port_error) {
    const std::string_view digits =
        e.kind == ElemKind::Port ? port_digits(word, front_ports().names, port_error) : word;
    const Range r = range_of(e);
    return port_error.empty() ? parse_number(digits, r.lo, r.hi) : NumberCheck{};
}

SlotFill fill(size_t word_index, uint8_t elem) {
    return {static_cast<uint16_t>(word_index + 1), elem};
}

// The arguments of a complete state, read from the words that filled its
// slots (already checked when they were taken).
Args arguments(const MatchState &s, std::span<const std::string_view> words) {
    Args args;
    const Syntax &syn = command_syntax(s.row);
    for (size_t slot = 0; slot < kMaxSlots; ++slot) {
        const SlotFill f = s.slots[slot];
        if (f.word == 0) continue;
        const std::string_view word = words[f.word - 1];
        const Element &e = syn.elems[f.elem];
        std::string port_error;
        const int64_t number = takes_number(e) ? read_number(e, word, port_error).value : 0;
        args.slots[slot] = Arg{true, number, word};
    }
    if (s.rest_begin != SIZE_MAX) args.rest = words.subspan(s.rest_begin);
    return args;
}

// How each state took (or refused) one word.
struct Step {
    std::vector<MatchState> exact;     // keyword typed in full
    std::vector<MatchState> prefix;    // keyword shortened
    std::vector<std::string_view> prefix_words;
    std::vector<MatchState> argument;  // number or word
    std::string number_error;          // first number refused
};

Step take_word(const std::vector<MatchState> &states, std::string_view word, size_t index) {
    Step step;
    for (const MatchState &s : states) {
        const Element *e = element_at(s);
        if (e == nullptr) continue;
        MatchState next = s;
        ++next.pos;
        switch (e->kind) {
            case ElemKind::Keyword:
                if (same_word(e->text, word)) {
                    step.exact.push_back(std::move(next));
                } else if (starts_word(e->text, word)) {
                    step.prefix.push_back(std::move(next));
                    if (std::find(step.prefix_words.begin(), step.prefix_words.end(), e->text) ==
                        step.prefix_words.end())
                        step.prefix_words.push_back(e->text);
                }
                break;
            case ElemKind::Number:
            case ElemKind::Port: {
                std::string port_error;
                const NumberCheck n = read_number(*e, word, port_error);
                if (!port_error.empty()) {
                    if (step.number_error.empty()) step.number_error = std::move(port_error);
                    break;
                }
                if (n.error != NumberCheck::Error::None) {
                    if (step.number_error.empty())
                        step.number_error = number_error(e->text, word, n, range_of(*e).lo,
                                                         range_of(*e).hi);
                    break;
                }
                next.slots[e->slot] = fill(index, s.pos);
                step.argument.push_back(std::move(next));
                break;
            }
            case ElemKind::Word:
                next.slots[e->slot] = fill(index, s.pos);
                step.argument.push_back(std::move(next));
                break;
            case ElemKind::Rest:
                next.pos = s.pos;  // a <name...> takes every word that follows
                if (next.rest_begin == SIZE_MAX) next.rest_begin = index;
                step.argument.push_back(std::move(next));
                break;
            case ElemKind::OptOpen:
            case ElemKind::OptClose:
                break;
        }
    }
    return step;
}

std::string hint(std::span<const std::string_view> typed) {
    return cat({"(type ", quoted(cat({join_words(typed), " ?"})), " for the choices)"});
}

// The keyword a mistyped word most likely meant: the one nearest to it, when
// it is near enough and no other is as near.
std::string_view nearest_keyword(const std::vector<MatchState> &states, std::string_view word) {
    const size_t allowed = word.size() <= 4 ? 1 : 2;
    std::string_view best;
    size_t best_distance = allowed + 1;
    bool tie = false;
    for (const MatchState &s : states) {
        const Element *e = element_at(s);
        if (e == nullptr || e->kind != ElemKind::Keyword || e->text == best) continue;
        const size_t d = edit_distance(e->text, word);
        if (d < best_distance) {
            best = e->text;
            best_distance = d;
            tie = false;
        } else if (d == best_distance) {
            tie = true;
        }
    }
    return tie ? std::string_view() : best;
}

std::string refusal(const std::vector<MatchState> &states, const Step &step,
                    std::span<const std::string_view> words, size_t index) {
    const std::string_view word = words[index];
    const auto typed = words.first(index);
    if (!step.number_error.empty()) return step.number_error;
    if (step.prefix_words.size() > 1) {
        std::string list;
        for (std::string_view w : step.prefix_words) list.append(list.empty() ? "" : ", ").append(w);
        if (index == 0) return cat({"Ambiguous command ", quoted(word), ": ", list});
        return cat({"Ambiguous word ", quoted(word), " after ", quoted(join_words(typed)), ": ", list});
    }
    const std::string_view meant = nearest_keyword(states, word);
    const std::string did_you_mean = meant.empty() ? "" : cat({"; did you mean \"", meant, "\"?"});
    if (index == 0 && !meant.empty()) return cat({"Unknown command ", quoted(word), did_you_mean});
    if (index == 0)
        return cat({"Unknown command ", quoted(word), " (type \"help\" for the commands)"});
    const bool wants_more = std::any_of(states.begin(), states.end(),
                                        [](const MatchState &s) { return element_at(s) != nullptr; });
    if (!wants_more)
        return cat({"Unexpected word ", quoted(word), ": ", quoted(join_words(typed)),
                    " takes nothing more"});
    if (!meant.empty())
        return cat({"Unknown word ", quoted(word), " after ", quoted(join_words(typed)), did_you_mean});
    return cat({"Unknown word ", quoted(word), " after ", quoted(join_words(typed)), " ", hint(typed)});
}

std::string placeholder(const Element &e) {
    switch (e.kind) {
        case ElemKind::Keyword:
            return std::string(e.text);
        case ElemKind::Number:
        case ElemKind::Port: {
            const Range r = range_of(e);
            return cat({"<", std::to_string(r.lo), "-", std::to_string(r.hi), ">"});
        }
        case ElemKind::Rest:
            return cat({"<", e.text, ">..."});
        default:
            return cat({"<", e.text, ">"});
    }
}

std::string incomplete(const Match &match, std::span<const std::string_view> words) {
    std::vector<std::string> expected;
    for (const MatchState &s : match.states) {
        const Element *e = element_at(s);
        if (e == nullptr) continue;
        std::string name = e->kind == ElemKind::Keyword ? std::string(e->text)
                                                        : cat({"<", e->text, ">"});
        if (std::find(expected.begin(), expected.end(), name) == expected.end())
            expected.push_back(std::move(name));
    }
    std::string list;
    for (size_t i = 0; i < expected.size() && i < kListedExpected; ++i)
        list.append(i == 0 ? "" : ", ").append(expected[i]);
    if (expected.size() > kListedExpected) list += ", ...";
    return cat({"Incomplete command ", quoted(join_words(words)), ": expected ", list, " ",
                hint(words)});
}

}  // namespace

void use_front_ports(const FrontPorts &ports) { front_ports() = ports; }

Range range_of(const Element &e) {
    if (e.kind == ElemKind::Port) return {kFirstPort, front_ports().count};
    return {e.lo, e.hi};
}

Match match_words(std::span<const std::string_view> words, LastWord last) {
    Match match;
    for (size_t row = 0; row < command_count(); ++row)
        close_over(MatchState{static_cast<uint16_t>(row), 0, SIZE_MAX, {}}, match.states);
    for (size_t i = 0; i < words.size(); ++i) {
        Step step = take_word(match.states, words[i], i);
        // A keyword typed in full wins, then one shortened without doubt,
        // then a number or word.
        std::vector<MatchState> *taken = nullptr;
        const bool any_prefix = last == LastWord::AnyPrefix && i + 1 == words.size();
        if (!step.exact.empty())
            taken = &step.exact;
        else if (step.prefix_words.size() == 1 || (any_prefix && !step.prefix.empty()))
            taken = &step.prefix;
        else if (!step.argument.empty())
            taken = &step.argument;
        if (taken == nullptr) {
            match.error = refusal(match.states, step, words, i);
            match.states.clear();
            return match;
        }
        match.states.clear();
        for (MatchState &s : *taken) close_over(std::move(s), match.states);
    }
    return match;
}

const MatchState *complete_state(const Match &match) {
    const MatchState *best = nullptr;
    for (const MatchState &s : match.states)
        if (element_at(s) == nullptr && (best == nullptr || s.row < best->row)) best = &s;
    return best;
}

std::optional<Resolved> resolve(std::span<const std::string_view> words, std::string &error) {
    Match match = match_words(words);
    if (!match.error.empty()) {
        error = std::move(match.error);
        return std::nullopt;
    }
    const MatchState *done = complete_state(match);
    if (done == nullptr) {
        error = incomplete(match, words);
        return std::nullopt;
    }
    return Resolved{done->row, arguments(*done, words)};
}

std::vector<Choice> next_choices(const Match &match, std::string_view partial) {
    std::vector<Choice> out;
    auto add = [&out](std::string word, std::string_view help) {
        for (const Choice &c : out)
            if (c.word == word) return;
        out.push_back({std::move(word), std::string(help)});
    };
    for (const MatchState &s : match.states) {
        const Element *e = element_at(s);
        if (e == nullptr) continue;
        const std::string_view help = help_line(command_row(s.row).help, e->help);
        if (e->kind == ElemKind::Keyword) {
            if (starts_word(e->text, partial)) add(std::string(e->text), help);
        } else if (partial.empty() || !takes_number(*e) ||
                   parse_number(partial, range_of(*e).lo, range_of(*e).hi).error ==
                       NumberCheck::Error::None) {
            add(placeholder(*e), help);
        }
    }
    if (partial.empty())
        if (const MatchState *done = complete_state(match))
            add("<cr>", command_row(done->row).summary);
    return out;
}

}  // namespace pcfg_shell
