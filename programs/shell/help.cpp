#include "help.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "command_table.h"
#include "completion.h"
#include "matcher.h"
#include "output_filter.h"
#include "text.h"

namespace pcfg_shell {
namespace {

// A left column wider than this stands on a line of its own.
constexpr size_t kMaxColumn = 46;

// Appends the words of `text` from column `column` on, lines broken before
// kScreenWidth and continued at column `indent`.
void append_wrapped(std::string &out, std::string_view text, size_t column, size_t indent) {
    bool first = true;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find(' ', start), text.size());
        const std::string_view word = text.substr(start, end - start);
        if (!first && column + 1 + word.size() > kScreenWidth) {
            out.append("\n").append(indent, ' ');
            column = indent;
        } else if (!first) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        first = false;
        start = end + 1;
    }
    out += '\n';
}

}  // namespace

std::string two_columns(const Lines &lines, size_t indent) {
    size_t width = 0;
    for (const auto &[left, right] : lines)
        if (left.size() <= kMaxColumn) width = std::max(width, left.size());
    const size_t at = indent + width + 2;  // where the right column starts
    std::string out;
    for (const auto &[left, right] : lines) {
        out.append(indent, ' ').append(left);
        if (left.size() > width) out.append("\n").append(at, ' ');
        else out.append(at - indent - left.size(), ' ');
        append_wrapped(out, right, at, at);
    }
    return out;
}

namespace {

void print_two_columns(const Lines &lines, size_t indent) {
    fputs(two_columns(lines, indent).c_str(), stdout);
}

void print_rows(const std::vector<size_t> &rows) {
    Lines lines;
    for (size_t row : rows)
        lines.emplace_back(display_syntax(command_syntax(row)), std::string(command_row(row).summary));
    print_two_columns(lines, 2);
}

// Each word of one command with its help line.
void print_words(size_t row) {
    const CommandRow &r = command_row(row);
    Lines lines;
    for (const Element &e : command_syntax(row).elements()) {
        std::string help(help_line(r.help, e.help));
        switch (e.kind) {
            case ElemKind::Keyword:
                lines.emplace_back(std::string(e.text), help);
                break;
            case ElemKind::Number:
            case ElemKind::Port:
                lines.emplace_back(cat({"<", e.text, ">"}),
                                   cat({help, " (", std::to_string(range_of(e).lo), " to ",
                                        std::to_string(range_of(e).hi), ")"}));
                break;
            case ElemKind::Word:
                lines.emplace_back(cat({"<", e.text, ">"}), help);
                break;
            case ElemKind::Rest:
                lines.emplace_back(cat({"<", e.text, ">..."}), help);
                break;
            case ElemKind::OptOpen:
            case ElemKind::OptClose:
                break;
        }
    }
    print_two_columns(lines, 6);
    if (r.more_help != nullptr) r.more_help();
}

}  // namespace

std::string wrapped(std::string_view text, size_t indent) {
    std::string out(indent, ' ');
    append_wrapped(out, text, indent, indent);
    return out;
}

std::string display_syntax(const Syntax &syntax) {
    std::string out;
    bool space = false;
    for (const Element &e : syntax.elements()) {
        if (space && e.kind != ElemKind::OptClose) out += ' ';
        space = e.kind != ElemKind::OptOpen;
        switch (e.kind) {
            case ElemKind::Keyword:
                out += e.text;
                break;
            case ElemKind::Number:
            case ElemKind::Port:
            case ElemKind::Word:
                out += cat({"<", e.text, ">"});
                break;
            case ElemKind::Rest:
                out += cat({"<", e.text, ">..."});
                break;
            case ElemKind::OptOpen:
                out += '[';
                break;
            case ElemKind::OptClose:
                out += ']';
                break;
        }
    }
    return out;
}

Outcome run_help(Session &, const Args &args) {
    if (args.rest.empty()) {
        fputs(wrapped("Commands (words may be shortened while they stay unique; numbers are decimal "
                      "or 0x hex):",
                      0)
                  .c_str(),
              stdout);
        std::vector<size_t> rows(command_count());
        for (size_t i = 0; i < rows.size(); ++i) rows[i] = i;
        print_rows(rows);
        std::string filters;
        for (const FilterKind &k : kFilterKinds)
            filters.append(filters.empty() ? "" : ",").append(" | ").append(k.name).append(k.takes_regex ? " REGEX" : "");
        fputs(wrapped(cat({"\"help <words>\" describes the commands that start with the words; \"?\" at "
                           "the end of a line lists what may follow. Output filters after any command, "
                           "chained:", filters, "; last, | json prints the answer as JSON."}),
                      0)
                  .c_str(),
              stdout);
        return Outcome::done();
    }
    const Match match = match_words(args.rest, LastWord::AnyPrefix);
    if (!match.error.empty()) return Outcome::rejected(match.error);
    std::vector<size_t> rows;
    for (const MatchState &s : match.states) rows.push_back(s.row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    print_rows(rows);
    if (rows.size() == 1) print_words(rows.front());
    return Outcome::done();
}

std::string format_choices(const Choices &choices) {
    Lines lines;
    for (const Choice &c : choices.list) lines.emplace_back(c.word, c.help);
    return two_columns(lines, 2);
}

Outcome print_choices(std::string_view typed) {
    const Choices choices = choices_after(typed);
    if (!choices.error.empty()) return Outcome::rejected(choices.error);
    fputs(format_choices(choices).c_str(), stdout);
    return Outcome::done();
}

}  // namespace pcfg_shell
