// The operator shell on the simulated card, for tests: its error stream
// kept in memory, its clock held by the test, and, when recording, the
// blocks it would hand to the library kept as text instead of run.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "command_table.h"
#include "shell.h"
#include "simulated_card.h"
#include "support/fixture.h"
#include "support/read_until.h"

namespace pcfg_test {

// Valgrind gives a child process of the suite its own exit status (the
// child's reports are silenced: its heap is the parent's) and its own pace:
// tests that judge a child's status or timing do not run under it.
inline bool under_valgrind() {
    const char *preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::string_view(preload).find("vgpreload") != std::string_view::npos;
}

// The words of command row `row` typed in full, its optional parts typed or
// left out: each number as `number` picks it, each word naming a file that
// does not exist. Each word remembers the syntax element it fills.
using Typed = std::vector<std::pair<std::string, const pcfg_shell::Element *>>;
inline constexpr const char *kNoFile = "/nonexistent-pcfg-dir/log.bin";

inline Typed typed_in_full(size_t row, bool optional_parts,
                           const std::function<int64_t(const pcfg_shell::Element &)> &number) {
    using pcfg_shell::ElemKind;
    Typed t;
    const pcfg_shell::Syntax &syn = pcfg_shell::command_syntax(row);
    for (size_t i = 0; i < syn.count; ++i) {
        const pcfg_shell::Element &e = syn.elems[i];
        if (e.kind == ElemKind::OptOpen && !optional_parts) i = e.partner;
        if (e.kind == ElemKind::Keyword) t.push_back({std::string(e.text), &e});
        if (pcfg_shell::takes_number(e)) t.push_back({std::to_string(number(e)), &e});
        if (e.kind == ElemKind::Word) t.push_back({kNoFile, &e});
    }
    return t;
}

// The first `words` words of a typed command as one line.
inline std::string text_of(const Typed &t, size_t words) {
    std::string text;
    for (size_t k = 0; k < words && k < t.size(); ++k) text += (k == 0 ? "" : " ") + t[k].first;
    return text;
}

class ShellTest : public PcfgTest {
protected:
    void SetUp() override {
        PcfgTest::SetUp();
        errors_ = open_memstream(&err_buf_, &err_size_);
    }
    void TearDown() override {
        shell_.reset();
        card_.reset();
        fclose(errors_);
        free(err_buf_);
        PcfgTest::TearDown();
    }

    // A fresh shell (one at a time: each owns standard output); `json`:
    // the library it runs has JSON entry points.
    pcfg_shell::Shell &shell(bool recording = false, bool json = true) {
        shell_.reset();
        card_ = std::make_unique<pcfg::SimulatedCard>(pcfg::CardLink{}, [this] { return now_; });
        pcfg_shell::Options o{.errors = errors_,
                              .card = card_.get(),
                              .json_entry = json ? port_cfg_cli_main_json : nullptr,
                              .logged_json = json ? eventlog_port_cfg_cli_json : nullptr};
        if (recording)
            o.entry = [this](cli_param_block *b) {
                EXPECT_EQ(b->mts_handle, shell_->queue_handle());
                return sent_.push_back(block_of(*b)), 0;
            };
        shell_.reset();
        shell_ = std::make_unique<pcfg_shell::Shell>(std::move(o));
        return *shell_;
    }
    std::string line(std::string_view text) {
        return out([&] { last_ = shell_->run_line(text); });
    }
    // Standard output of a line, then its error text.
    std::string line_and_errors(std::string_view text) {
        const std::string shown = line(text);  // before the errors it writes
        return shown + errors();
    }
    // Standard output of the lines of `input` read as a stream; `status` is
    // the shell's exit status.
    std::string stream(const std::string &input, int &status) {
        FILE *in = tmpfile();
        if (in == nullptr) {
            ADD_FAILURE() << "no temporary file";
            return "";
        }
        fwrite(input.data(), 1, input.size(), in);
        rewind(in);
        const std::string shown = out([&] { status = shell_->run_stream(in); });
        fclose(in);
        return shown;
    }
    // The block a recorded line hands to the library (as block_of shows
    // it), or how many it handed.
    std::string sent_for(const std::string &text) {
        sent_.clear();
        EXPECT_EQ(line_and_errors(text), "") << text;
        if (sent_.size() != 1) return "blocks sent: " + std::to_string(sent_.size()) + "\n";
        return sent_[0] + "\n";
    }
    // Error text written since the last look.
    std::string errors() {
        fflush(errors_);
        std::string text(err_buf_ + err_seen_, err_size_ - err_seen_);
        err_seen_ = err_size_;
        return text;
    }

    // The block the library was handed, as "cmd <id>" and then each token as
    // <id>=<value>, or <id> alone when it has no value; the token list must
    // end in a null pointer.
    static std::string block_of(const cli_param_block &b) {
        EXPECT_EQ(b.tokens[b.token_count], nullptr);
        std::string s = "cmd " + std::to_string(b.cmd_id);
        for (size_t i = 0; i < b.token_count; ++i) {
            const cli_param_token *t = b.tokens[i];
            s += " " + std::to_string(t->param_id);
            if (t->value != nullptr) s += "=" + std::to_string(*static_cast<const uint32_t *>(t->value));
        }
        return s;
    }

    std::chrono::steady_clock::time_point now_{};
    std::vector<std::string> sent_;
    pcfg_shell::Outcome last_;
    std::unique_ptr<pcfg::SimulatedCard> card_;  // its clock is now_
    std::unique_ptr<pcfg_shell::Shell> shell_;

private:
    FILE *errors_ = nullptr;
    char *err_buf_ = nullptr;
    size_t err_size_ = 0;
    size_t err_seen_ = 0;
};

}  // namespace pcfg_test
