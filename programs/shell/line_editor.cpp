#include "line_editor.h"

#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cwchar>

#include "completion.h"
#include "help.h"
#include "interrupts.h"
#include "line_reader.h"
#include "text.h"

#if PCFG_HAVE_LIBEDIT
#include <histedit.h>
#endif

namespace pcfg_shell {
namespace {

constexpr int kHistorySize = 1000;

std::string too_long_text() {
    return cat({"Line too long: more than ", std::to_string(kMaxLineLength), " characters; not run"});
}

}  // namespace

std::string history_file() {
    const char *home = getenv("HOME");
    if (home == nullptr || *home == '\0') return {};
    return cat({home, "/.pcfg_history"});
}

#if PCFG_HAVE_LIBEDIT

struct LineEditor::Impl {
    std::FILE *out = nullptr;
    std::string prompt;
    std::string history;
    EditLine *el = nullptr;
    History *hist = nullptr;
    HistEvent event{};
    std::mbstate_t mb{};
    bool cancelled = false;

    static Impl *of(EditLine *el) {
        void *self = nullptr;
        el_get(el, EL_CLIENTDATA, &self);
        return static_cast<Impl *>(self);
    }
    // The text before the cursor.
    static std::string typed(EditLine *el) {
        const LineInfo *li = el_line(el);
        return {li->buffer, static_cast<size_t>(li->cursor - li->buffer)};
    }
    // Shows text below the line; the line is drawn again after it.
    void show(const std::string &text) {
        fputs("\n", out);
        fputs(text.c_str(), out);
        fflush(out);
    }

    static char *prompt_text(EditLine *el) { return of(el)->prompt.data(); }

    // One character from the terminal, waiting for it or for a signal.
    static int read_char(EditLine *el, wchar_t *wc) {
        Impl *self = of(el);
        for (;;) {
            if (interrupts::take_interrupt()) {
                *wc = L'\x03';
                return 1;
            }
            if (interrupts::ending()) return 0;
            if (interrupts::take_resize()) el_resize(el);
            std::array<pollfd, 2> fds{{{STDIN_FILENO, POLLIN, 0}, {interrupts::wake_fd(), POLLIN, 0}}};
            if (poll(fds.data(), fds[1].fd >= 0 ? 2 : 1, -1) < 0 && errno != EINTR) return -1;
            if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
            char c = 0;
            const ssize_t n = read(STDIN_FILENO, &c, 1);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) return n == 0 ? 0 : -1;
            const size_t r = mbrtowc(wc, &c, 1, &self->mb);
            if (r == static_cast<size_t>(-2)) continue;  // more bytes of the character follow
            if (r == static_cast<size_t>(-1)) {
                self->mb = {};
                *wc = static_cast<wchar_t>(static_cast<unsigned char>(c));
            }
            return 1;
        }
    }

    static unsigned char on_tab(EditLine *el, int) {
        Impl *self = of(el);
        const Choices choices = choices_after(typed(el));
        if (!choices.error.empty()) return CC_REFRESH_BEEP;
        const std::string add = completion(choices);
        if (!add.empty()) {
            el_insertstr(el, add.c_str());
            return CC_REFRESH;
        }
        if (choices.list.empty()) return CC_REFRESH_BEEP;
        self->show(format_choices(choices));
        return CC_REDISPLAY;
    }

    static unsigned char on_question(EditLine *el, int) {
        Impl *self = of(el);
        const Choices choices = choices_after(typed(el));
        self->show(choices.error.empty() ? format_choices(choices) : cat({"% ", choices.error, "\n"}));
        return CC_REDISPLAY;
    }

    static unsigned char on_cancel(EditLine *el, int) {
        of(el)->cancelled = true;
        return CC_NEWLINE;
    }
};

LineEditor::LineEditor(std::FILE *out, std::string prompt) : impl_(std::make_unique<Impl>()) {
    Impl &m = *impl_;
    m.out = out;
    m.prompt = std::move(prompt);
    m.history = history_file();
    interrupts::install();
    m.hist = history_init();
    if (m.hist != nullptr) {
        history(m.hist, &m.event, H_SETSIZE, kHistorySize);
        history(m.hist, &m.event, H_SETUNIQUE, 1);
        if (!m.history.empty()) history(m.hist, &m.event, H_LOAD, m.history.c_str());
    }
    m.el = el_init("pcfg", stdin, out, out);
    if (m.el == nullptr) return;
    el_set(m.el, EL_CLIENTDATA, &m);
    el_set(m.el, EL_EDITOR, "emacs");
    el_set(m.el, EL_PROMPT, &Impl::prompt_text);
    el_set(m.el, EL_GETCFN, &Impl::read_char);
    if (m.hist != nullptr) el_set(m.el, EL_HIST, history, m.hist);
    el_set(m.el, EL_ADDFN, "pcfg-complete", "Complete the word", &Impl::on_tab);
    el_set(m.el, EL_ADDFN, "pcfg-choices", "List what may follow", &Impl::on_question);
    el_set(m.el, EL_ADDFN, "pcfg-cancel", "Drop the line", &Impl::on_cancel);
    el_set(m.el, EL_BIND, "^I", "pcfg-complete", nullptr);
    el_set(m.el, EL_BIND, "?", "pcfg-choices", nullptr);
    el_set(m.el, EL_BIND, "^C", "pcfg-cancel", nullptr);
}

LineEditor::~LineEditor() {
    if (impl_->el != nullptr) el_end(impl_->el);
    if (impl_->hist != nullptr) history_end(impl_->hist);
}

bool LineEditor::editing() { return true; }

LineEditor::Status LineEditor::next(std::string &line) {
    Impl &m = *impl_;
    line.clear();
    if (m.el == nullptr || interrupts::ending()) return Status::End;
    interrupts::forget();
    m.cancelled = false;
    int count = 0;
    const char *text = el_gets(m.el, &count);
    if (m.cancelled) return Status::Interrupted;
    if (text == nullptr || count <= 0) {
        if (count < 0 && errno == EINTR && !interrupts::ending()) return Status::Interrupted;
        fputs("\n", m.out);  // Ctrl-D leaves the cursor after the prompt
        fflush(m.out);
        return Status::End;
    }
    line.assign(text, static_cast<size_t>(count));
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (line.size() > kMaxLineLength) {
        line = too_long_text();
        return Status::Refused;
    }
    if (m.hist != nullptr && line.find_first_not_of(" \t") != std::string::npos) {
        history(m.hist, &m.event, H_ENTER, line.c_str());
        if (!m.history.empty()) history(m.hist, &m.event, H_SAVE, m.history.c_str());
    }
    return Status::Line;
}

#else  // without line editing

struct LineEditor::Impl {
    std::FILE *out = nullptr;
    std::string prompt;
    LineReader reader{stdin};
};

LineEditor::LineEditor(std::FILE *out, std::string prompt) : impl_(std::make_unique<Impl>()) {
    impl_->out = out;
    impl_->prompt = std::move(prompt);
    interrupts::install();
}

LineEditor::~LineEditor() = default;

bool LineEditor::editing() { return false; }

LineEditor::Status LineEditor::next(std::string &line) {
    Impl &m = *impl_;
    if (interrupts::ending()) return Status::End;
    interrupts::forget();
    fputs(m.prompt.c_str(), m.out);
    fflush(m.out);
    switch (m.reader.next(line)) {
        case LineReader::Status::Line:
            return Status::Line;
        case LineReader::Status::Interrupted:
            return Status::Interrupted;
        case LineReader::Status::TooLong:
            line = too_long_text();
            return Status::Refused;
        case LineReader::Status::Binary:
        case LineReader::Status::Endless:
        case LineReader::Status::End:
            break;
    }
    fputs("\n", m.out);
    fflush(m.out);
    return Status::End;
}

#endif

}  // namespace pcfg_shell
