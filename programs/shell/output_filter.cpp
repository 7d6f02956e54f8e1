#include "output_filter.h"

#include <span>

#include "text.h"

namespace pcfg_shell {
namespace {

// A line is judged once this much of it is buffered, in pieces beyond.
constexpr size_t kMaxPending = 64 * 1024;

}  // namespace

std::string filter_names() {
    std::string out;
    for (size_t i = 0; i < kFilterKinds.size(); ++i)
        out.append(i == 0 ? "" : i + 1 == kFilterKinds.size() ? " or " : ", ").append(kFilterKinds[i].name);
    return out;
}

std::string filter_help() {
    std::string out = "Filter the output (";
    for (const FilterKind &k : kFilterKinds) out.append(&k == kFilterKinds.data() ? "" : ", ").append(k.name);
    return out + ")";
}

const FilterKind *filter_kind(std::string_view word, std::string &error) {
    const FilterKind *found = nullptr;
    std::string names;
    for (const FilterKind &k : kFilterKinds) {
        if (same_word(k.name, word)) return &k;
        if (!starts_word(k.name, word)) continue;
        names.append(names.empty() ? "" : ", ").append(k.name);
        found = found == nullptr ? &k : nullptr;
        if (found == nullptr) {
            error = cat({"Ambiguous filter ", quoted(word), ": ", names});
            return nullptr;
        }
    }
    if (found == nullptr && error.empty())
        error = cat({"Unknown filter ", quoted(word), " after \"|\": ", filter_names()});
    return found;
}

std::unique_ptr<OutputFilter> OutputFilter::build(std::span<const std::vector<std::string>> filters,
                                                  std::string &error) {
    std::unique_ptr<OutputFilter> out(new OutputFilter);
    out->stages_.reserve(filters.size());
    for (const std::vector<std::string> &words : filters) {
        if (words.empty()) {
            error = cat({"Nothing after \"|\": ", filter_names()});
            return nullptr;
        }
        Stage &stage = out->stages_.emplace_back();
        stage.kind = filter_kind(words.front(), error);
        if (stage.kind == nullptr) return nullptr;
        const std::string name(stage.kind->name);
        if (!stage.kind->takes_regex) {
            if (words.size() > 1) {
                error = cat({"Unexpected word ", quoted(words[1]), ": \"| ", name, "\" takes nothing more"});
                return nullptr;
            }
            continue;
        }
        if (words.size() < 2) {
            error = cat({"Incomplete filter \"| ", name, "\": expected a regular expression"});
            return nullptr;
        }
        // The words after the filter's name, joined by single blanks.
        std::string pattern = words[1];
        for (size_t i = 2; i < words.size(); ++i) pattern.append(" ").append(words[i]);
        const int rc = regcomp(&stage.regex, pattern.c_str(), REG_EXTENDED | REG_NOSUB);
        if (rc != 0) {
            char why[128];
            regerror(rc, &stage.regex, why, sizeof why);
            error = cat({"Bad regular expression ", quoted(pattern), " after \"| ", name, "\": ", why});
            return nullptr;
        }
        stage.compiled = true;
    }
    return out;
}

OutputFilter::~OutputFilter() {
    for (Stage &s : stages_)
        if (s.compiled) regfree(&s.regex);
}

void OutputFilter::write(std::string_view text) {
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        const size_t take = nl == std::string_view::npos ? text.size() : nl + 1;
        pending_.append(text.substr(0, take));
        text.remove_prefix(take);
        if (pending_.back() == '\n' || pending_.size() >= kMaxPending) {
            judge(0, pending_);
            pending_.clear();
        }
    }
}

void OutputFilter::finish() {
    if (!pending_.empty()) {
        pending_ += '\n';
        judge(0, pending_);
        pending_.clear();
    }
    for (size_t i = 0; i < stages_.size(); ++i) {
        if (stages_[i].kind->act != FilterAct::Count) continue;
        const size_t n = stages_[i].lines;
        judge(i + 1, cat({std::to_string(n), n == 1 ? " line\n" : " lines\n"}));
    }
}

// Passes a line (with its newline) through the stages from `first_stage`.
void OutputFilter::judge(size_t first_stage, std::string_view line) {
    std::string text(line.substr(0, line.size() - (line.ends_with('\n') ? 1 : 0)));
    for (size_t i = first_stage; i < stages_.size(); ++i) {
        Stage &s = stages_[i];
        const bool match = s.compiled && regexec(&s.regex, text.c_str(), 0, nullptr, 0) == 0;
        switch (s.kind->act) {
            case FilterAct::Include:
            case FilterAct::Exclude:
                if (match != (s.kind->act == FilterAct::Include)) return;
                break;
            case FilterAct::Begin:
                s.begun = s.begun || match;
                if (!s.begun) return;
                break;
            case FilterAct::Count:
                ++s.lines;
                return;
            case FilterAct::NoMore:
                break;
        }
    }
    if (sink_ != nullptr) sink_(context_, line);
}

bool OutputFilter::stops_at_pages() const {
    for (const Stage &s : stages_)
        if (s.kind->act == FilterAct::NoMore) return false;
    return true;
}

}  // namespace pcfg_shell
