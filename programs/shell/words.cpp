#include "words.h"

namespace pcfg_shell {
namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

LineWords split_line(std::string_view line) {
    LineWords out;
    out.parts.emplace_back();
    std::string word;
    bool in_word = false;  // a word has started (an empty "" counts)
    size_t quote_at = std::string_view::npos;
    char quote = 0;  // the quote that opened at quote_at
    auto end_word = [&] {
        if (in_word) out.parts.back().push_back(std::move(word));
        word.clear();
        in_word = false;
    };
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quote_at != std::string_view::npos) {
            if (c == quote) {
                quote_at = std::string_view::npos;
            } else if (quote == '"' && c == '\\' && i + 1 < line.size() &&
                       (line[i + 1] == '"' || line[i + 1] == '\\')) {
                word += line[++i];
            } else {
                word += c;
            }
        } else if (blank(c)) {
            end_word();
        } else if (c == '|') {
            end_word();
            out.parts.emplace_back();
        } else if (c == '"' || c == '\'') {
            quote_at = i;
            quote = c;
            in_word = true;
        } else {
            word += c;
            in_word = true;
        }
    }
    out.ends_in_word = in_word;
    if (quote_at != std::string_view::npos) {
        const std::string shown = quote == '"' ? "'\"'" : "\"'\"";
        out.error = "Unterminated quote: the " + shown + " at column " + std::to_string(quote_at + 1) +
                    " has no closing " + shown;
        out.open_quote = quote;
    }
    end_word();
    return out;
}

std::vector<std::string_view> views_of(const std::vector<std::string> &words) {
    return {words.begin(), words.end()};
}

}  // namespace pcfg_shell
