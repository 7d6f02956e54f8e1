#include "line_editor.h"

#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <deque>

#include "completion.h"
#include "edit_library.h"
#include "editing_keys.h"
#include "file_completion.h"
#include "help.h"
#include "history_file.h"
#include "interrupts.h"
#include "line_reader.h"
#include "text.h"
#include "words.h"

namespace pcfg_shell {
namespace {

std::string too_long_text() {
    return cat({"Line too long: more than ", std::to_string(kMaxLineLength), " characters; not run"});
}

}  // namespace

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
    // The editor is handed keys, never raw bytes: a named key's bytes, a
    // printable ASCII character, or kInsertKey, which inserts the next of
    // `inserts` as a character, whatever it is.
    static constexpr wchar_t kInsertKey = 0x80;
    // A byte that is no UTF-8 character stands in the line as this plus the
    // byte (no UTF-8 text decodes to these), and leaves it as the byte.
    static constexpr wchar_t kEscapedByte = 0xDC00;
    // How long the rest of a key's bytes may take to arrive.
    static constexpr int kSequenceWaitMs = 300;
    static constexpr int kFailed = -1;
    static constexpr int kWoken = -2;
    static constexpr int kTimedOut = -3;

    std::unique_ptr<HistoryFile> file;
    bool keep_file = false;
    EditLine *el = nullptr;
    History *hist = nullptr;
    HistEvent event{};
    bool cancelled = false;
    bool quoting = false;             // the key before was Ctrl-V
    std::deque<unsigned char> bytes;  // read from the terminal, not yet made keys
    std::deque<wchar_t> keys;         // for the editor, in order
    std::deque<wchar_t> inserts;      // what kInsertKey inserts, in order

    static const EditLibrary &lib() { return edit_library(); }

    static Impl *of(EditLine *el) {
        void *self = nullptr;
        lib().el_get(el, EL_CLIENTDATA, &self);
        return static_cast<Impl *>(self);
    }
    // Characters of the line as the bytes they were typed as.
    static std::string narrow(const wchar_t *text, size_t count) {
        std::string out;
        for (size_t i = 0; i < count; ++i) {
            const auto c = static_cast<uint32_t>(text[i]);
            if (c >= kEscapedByte && c < kEscapedByte + 0x100) {
                out += static_cast<char>(c - kEscapedByte);
                continue;
            }
            const size_t len = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
            constexpr std::array<unsigned char, 5> kLead{0, 0, 0xC0, 0xE0, 0xF0};
            out += static_cast<char>(len == 1 ? c : kLead[len] | (c >> (6 * (len - 1))));
            for (size_t k = len - 1; k > 0; --k) out += static_cast<char>(0x80 | ((c >> (6 * (k - 1))) & 0x3F));
        }
        return out;
    }
    // The text before the cursor.
    static std::string typed(EditLine *el) {
        const LineInfoW *li = lib().el_wline(el);
        return narrow(li->buffer, static_cast<size_t>(li->cursor - li->buffer));
    }
    // Shows text below the line; the line is drawn again after it.
    void show(const std::string &text) {
        fputs("\n", out);
        fputs(text.c_str(), out);
        fflush(out);
    }

    static char *prompt_text(EditLine *el) { return of(el)->prompt.data(); }

    // The next byte from the terminal (or one read before and put back),
    // waiting at most `wait_ms` (-1: for ever) and not past a signal.
    int read_byte(int wait_ms) {
        if (!bytes.empty()) {
            const int b = bytes.front();
            bytes.pop_front();
            return b;
        }
        for (;;) {
            std::array<pollfd, 2> fds{{{STDIN_FILENO, POLLIN, 0}, {interrupts::wake_fd(), POLLIN, 0}}};
            const int ready = poll(fds.data(), fds[1].fd >= 0 ? 2 : 1, wait_ms);
            if (ready < 0 && errno != EINTR) return kFailed;
            if (ready == 0) return kTimedOut;
            if (ready < 0 || (fds[1].revents & POLLIN) != 0) return kWoken;
            if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
            unsigned char c = 0;
            const ssize_t n = read(STDIN_FILENO, &c, 1);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            return n == 1 ? c : kFailed;
        }
    }
    void put_back(std::string_view s) {
        for (size_t i = s.size(); i > 0; --i) bytes.push_front(static_cast<unsigned char>(s[i - 1]));
    }
    // The character a byte of 0x80 or more starts: its code point when it
    // and the bytes after it are UTF-8, else the byte escaped (the bytes
    // after it are read again).
    wchar_t character(unsigned char lead) {
        const size_t len = lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4 : 1;
        std::string s(1, static_cast<char>(lead));
        while (s.size() < len) {
            const int more = read_byte(kSequenceWaitMs);
            if (more < 0) break;
            if ((more & 0xC0) != 0x80) {
                bytes.push_front(static_cast<unsigned char>(more));
                break;
            }
            s += static_cast<char>(more);
        }
        const auto [code, used] = utf8_at(s);
        if (used != 0) return static_cast<wchar_t>(code);
        put_back(std::string_view(s).substr(1));
        return static_cast<wchar_t>(kEscapedByte + lead);
    }
    void insert(wchar_t c) {
        inserts.push_back(c);
        keys.push_back(kInsertKey);
    }
    // Reads one key and queues what it means for the editor; a negative
    // result when a signal came first or the input ended.
    int read_key() {
        const int b = read_byte(-1);
        if (b < 0) return b;
        if (b == 0) return 0;  // a NUL byte is no character of a line
        const auto byte = static_cast<unsigned char>(b);
        if (quoting) {  // Ctrl-V: the next character as it is
            quoting = false;
            keys.push_back(byte >= 0x80 ? character(byte) : static_cast<wchar_t>(byte));
            return 0;
        }
        if (byte >= 0x20 && byte < 0x7f) {
            keys.push_back(byte);
            return 0;
        }
        if (byte >= 0x80) {
            insert(character(byte));
            return 0;
        }
        std::string seq(1, static_cast<char>(byte));
        while (match_key(seq) == KeyMatch::Prefix) {
            const int more = read_byte(kSequenceWaitMs);
            if (more < 0) break;
            seq += static_cast<char>(more);
        }
        if (match_key(seq) == KeyMatch::Key) {
            for (const char c : seq) keys.push_back(static_cast<unsigned char>(c));
            quoting = seq == "\x16";
            return 0;
        }
        // No key: its first byte is a character, the rest is read again.
        insert(byte);
        put_back(std::string_view(seq).substr(1));
        return 0;
    }

    // The editor's next key, waiting for it or for a signal.
    static int read_char(EditLine *el, wchar_t *wc) {
        Impl *self = of(el);
        for (;;) {
            if (!self->keys.empty()) {
                *wc = self->keys.front();
                self->keys.pop_front();
                return 1;
            }
            if (interrupts::take_interrupt()) {
                self->keys = {L'\x05', L'\x03'};  // to the end of the line, then drop it
                continue;
            }
            if (interrupts::take_suspend()) {
                self->keys.push_back(L'\x1a');
                continue;
            }
            if (interrupts::ending()) return 0;
            if (interrupts::take_resize()) lib().el_resize(el);
            const int r = self->read_key();
            if (r == kFailed) return 0;
        }
    }

    static unsigned char on_insert(EditLine *el, int) {
        Impl *self = of(el);
        if (self->inserts.empty()) return CC_ERROR;
        const std::array<wchar_t, 2> text{self->inserts.front(), 0};
        self->inserts.pop_front();
        lib().el_winsertstr(el, text.data());
        return CC_REFRESH;
    }

    static unsigned char on_tab(EditLine *el, int) {
        Impl *self = of(el);
        const Choices choices = choices_after(typed(el));
        if (!choices.error.empty()) return CC_REFRESH_BEEP;
        if (choices.file) {
            const FileCompletion f = complete_file(choices.partial, choices.open_quote);
            if (!f.list.empty()) {
                self->show(format_choices({f.list, {}, {}}));
                return CC_REDISPLAY;
            }
            if (f.insert.empty()) return CC_REFRESH_BEEP;
            if (f.erase > 0) lib().el_deletestr(el, static_cast<int>(f.erase));
            return insert_text(el, f.insert);
        }
        const std::string add = completion(choices);
        if (!add.empty()) return insert_text(el, add);
        if (choices.list.empty()) return CC_REFRESH_BEEP;
        self->show(format_choices(choices));
        return CC_REDISPLAY;
    }
    static unsigned char insert_text(EditLine *el, const std::string &text) {
        std::wstring wide;
        for (const char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
        lib().el_winsertstr(el, wide.c_str());
        return CC_REFRESH;
    }

    // "?" lists what may follow; inside quotes it is a character.
    static unsigned char on_question(EditLine *el, int) {
        Impl *self = of(el);
        const std::string before = typed(el);
        if (split_line(before).open_quote != 0) return insert_text(el, "?");
        const Choices choices = choices_after(before);
        self->show(choices.error.empty() ? format_choices(choices) : cat({"% ", choices.error, "\n"}));
        return CC_REDISPLAY;
    }

    // Ctrl-C (the cursor moved to the end of the line before): "^C", and a
    // fresh prompt on the next line.
    static unsigned char on_cancel(EditLine *el, int) {
        Impl *self = of(el);
        self->cancelled = true;
        fputs("^C\n", self->out);
        fflush(self->out);
        return CC_NEWLINE;
    }

    // Ctrl-Z: the terminal as it was before the editor took it, the process
    // stopped; once continued, the editor's terminal again and the prompt
    // and the line shown as they were.
    static unsigned char on_suspend(EditLine *el, int) {
        Impl *self = of(el);
        fputs("\n", self->out);
        fflush(self->out);
        lib().el_set(el, EL_PREP_TERM, 0);
        interrupts::suspend_now();
        lib().el_set(el, EL_PREP_TERM, 1);
        return CC_REDISPLAY;
    }

    bool no_editing(const char *why) {
        fprintf(out, "pcfg: no line editing (%s); lines are read as typed\n", why);
        fflush(out);
        return false;
    }

    void start_history() {
        const EditLibrary &e = lib();
        hist = e.history_init();
        if (hist == nullptr) return;
        e.history(hist, &event, H_SETSIZE, static_cast<int>(kHistoryLines));
        e.history(hist, &event, H_SETUNIQUE, 1);
        std::string why;
        const std::string path = history_path(why);
        file = std::make_unique<HistoryFile>(path, out);
        keep_file = !path.empty();
        if (!keep_file) file->warn(why);
        else file->read_locked([&](const char *p) { e.history(hist, &event, H_LOAD, p); });
    }

    // Sets up the editor; false when libedit cannot be loaded or started
    // (said once).
    bool start_editing() {
        const EditLibrary &e = lib();
        if (!e.loaded()) return no_editing(e.why.c_str());
        start_history();
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
        e.el_wset(el, EL_ADDFN, L"pcfg-suspend", L"Suspend the shell", &Impl::on_suspend);
        e.el_wset(el, EL_ADDFN, L"pcfg-insert", L"Insert a character", &Impl::on_insert);
        for (const EditingKey &k : editing_keys()) {
            const std::wstring sends(k.sends.begin(), k.sends.end());
            const std::wstring function(k.function.begin(), k.function.end());
            e.el_wset(el, EL_BIND, sends.c_str(), function.c_str(), nullptr);
        }
        const std::array<wchar_t, 2> insert_key{kInsertKey, 0};
        e.el_wset(el, EL_BIND, insert_key.data(), L"pcfg-insert", nullptr);
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
        interrupts::catch_suspend(true);
        const wchar_t *text = lib().el_wgets(el, &count);
        interrupts::catch_suspend(false);
        if (cancelled) return Status::Interrupted;
        if (text == nullptr || count <= 0) {
            if (count < 0 && errno == EINTR && !interrupts::ending()) return Status::Interrupted;
            fputs("\n", out);  // Ctrl-D leaves the cursor after the prompt
            fflush(out);
            return Status::End;
        }
        line = narrow(text, static_cast<size_t>(count));
        if (!line.empty() && line.back() == '\n') line.pop_back();
        if (line.size() > kMaxLineLength) {
            line = too_long_text();
            return Status::Refused;
        }
        // The history keeps command lines: lines of printable ASCII.
        if (hist != nullptr && line.find_first_not_of(" \t") != std::string::npos &&
            unusable_character(line).empty()) {
            lib().history(hist, &event, H_ENTER, line.c_str());
            if (keep_file) file->append(line);
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
