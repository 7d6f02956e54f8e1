#include "line_editor.h"

#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cwchar>

#include "completion.h"
#include "edit_library.h"
#include "help.h"
#include "interrupts.h"
#include "line_reader.h"
#include "text.h"

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

struct LineEditor::Impl {
    std::FILE *out = nullptr;
    std::string prompt;
    LineReader reader{stdin};  // plain lines, when nothing edits them

    // A prompt, then a plain line.
    Status plain(std::string &line) {
        fputs(prompt.c_str(), out);
        fflush(out);
        switch (reader.next(line)) {
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
        fputs("\n", out);
        fflush(out);
        return Status::End;
    }

#if PCFG_HAVE_LIBEDIT
    std::string history;
    EditLine *el = nullptr;
    History *hist = nullptr;
    HistEvent event{};
    std::mbstate_t mb{};
    bool cancelled = false;

    static const EditLibrary &lib() { return edit_library(); }

    static Impl *of(EditLine *el) {
        void *self = nullptr;
        lib().el_get(el, EL_CLIENTDATA, &self);
        return static_cast<Impl *>(self);
    }
    // The text before the cursor.
    static std::string typed(EditLine *el) {
        const LineInfo *li = lib().el_line(el);
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
            if (interrupts::take_resize()) lib().el_resize(el);
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
            lib().el_insertstr(el, add.c_str());
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

    bool no_editing(const char *why) {
        fprintf(out, "pcfg: no line editing (%s); lines are read as typed\n", why);
        fflush(out);
        return false;
    }

    // Sets up the editor; false when libedit cannot be loaded or started
    // (said once).
    bool start_editing() {
        const EditLibrary &e = lib();
        if (!e.loaded()) return no_editing(e.why.c_str());
        history = history_file();
        hist = e.history_init();
        if (hist != nullptr) {
            e.history(hist, &event, H_SETSIZE, kHistorySize);
            e.history(hist, &event, H_SETUNIQUE, 1);
            if (!history.empty()) e.history(hist, &event, H_LOAD, history.c_str());
        }
        el = e.el_init("pcfg", stdin, out, out);
        if (el == nullptr) {
            stop_editing();
            return no_editing("libedit could not start on this terminal");
        }
        e.el_set(el, EL_CLIENTDATA, this);
        e.el_set(el, EL_EDITOR, "emacs");
        e.el_set(el, EL_PROMPT, &Impl::prompt_text);
        e.el_set(el, EL_GETCFN, &Impl::read_char);
        if (hist != nullptr) e.el_set(el, EL_HIST, e.history, hist);
        // Added with wide names: libedit keeps them as given, where it would
        // copy narrow ones and never free the copies.
        e.el_wset(el, EL_ADDFN, L"pcfg-complete", L"Complete the word", &Impl::on_tab);
        e.el_wset(el, EL_ADDFN, L"pcfg-choices", L"List what may follow", &Impl::on_question);
        e.el_wset(el, EL_ADDFN, L"pcfg-cancel", L"Drop the line", &Impl::on_cancel);
        e.el_set(el, EL_BIND, "^I", "pcfg-complete", nullptr);
        e.el_set(el, EL_BIND, "?", "pcfg-choices", nullptr);
        e.el_set(el, EL_BIND, "^C", "pcfg-cancel", nullptr);
        return true;
    }

    void stop_editing() {
        if (el != nullptr) lib().el_end(el);
        if (hist != nullptr) lib().history_end(hist);
        el = nullptr;
        hist = nullptr;
    }

    // An edited line.
    Status edited(std::string &line) {
        cancelled = false;
        int count = 0;
        const char *text = lib().el_gets(el, &count);
        if (cancelled) return Status::Interrupted;
        if (text == nullptr || count <= 0) {
            if (count < 0 && errno == EINTR && !interrupts::ending()) return Status::Interrupted;
            fputs("\n", out);  // Ctrl-D leaves the cursor after the prompt
            fflush(out);
            return Status::End;
        }
        line.assign(text, static_cast<size_t>(count));
        if (!line.empty() && line.back() == '\n') line.pop_back();
        if (line.size() > kMaxLineLength) {
            line = too_long_text();
            return Status::Refused;
        }
        if (hist != nullptr && line.find_first_not_of(" \t") != std::string::npos) {
            lib().history(hist, &event, H_ENTER, line.c_str());
            if (!history.empty()) lib().history(hist, &event, H_SAVE, history.c_str());
        }
        return Status::Line;
    }
#endif
};

LineEditor::LineEditor(std::FILE *out, std::string prompt) : impl_(std::make_unique<Impl>()) {
    impl_->out = out;
    impl_->prompt = std::move(prompt);
    interrupts::install();
#if PCFG_HAVE_LIBEDIT
    editing_ = impl_->start_editing();
#endif
}

LineEditor::~LineEditor() {
#if PCFG_HAVE_LIBEDIT
    if (editing_) impl_->stop_editing();
#endif
}

bool LineEditor::editing() {
#if PCFG_HAVE_LIBEDIT
    return edit_library().loaded();
#else
    return false;
#endif
}

LineEditor::Status LineEditor::next(std::string &line) {
    line.clear();
    if (interrupts::ending()) return Status::End;
    interrupts::forget();
#if PCFG_HAVE_LIBEDIT
    if (editing_) return impl_->edited(line);
#endif
    return impl_->plain(line);
}

}  // namespace pcfg_shell
