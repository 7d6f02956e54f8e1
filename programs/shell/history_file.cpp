#include "history_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "text.h"

namespace pcfg_shell {
namespace {

// Another shell holds the lock for one append; this is long past that.
constexpr int kLockTries = 100;
constexpr useconds_t kLockPause = 10000;
// A file beyond this is read from its end only (lines are at most 4096
// characters, 16 KB when escaped).
constexpr off_t kMaxRead = off_t{32} << 20;

// Whole-buffer writes at an offset; false on the first error.
bool write_at(int fd, std::string_view text, off_t at) {
    while (!text.empty()) {
        const ssize_t n = pwrite(fd, text.data(), text.size(), at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text.remove_prefix(static_cast<size_t>(n));
        at += n;
    }
    return true;
}

// The file's lines after its header (its tail, when it is huge).
std::vector<std::string> lines_of(int fd, off_t size, bool &headed) {
    const off_t from = size > kMaxRead ? size - kMaxRead : 0;
    std::string text(static_cast<size_t>(size - from), '\0');
    const ssize_t n = pread(fd, text.data(), text.size(), from);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t nl = text.find('\n', start);
        const size_t end = nl == std::string::npos ? text.size() : nl;
        lines.emplace_back(text, start, end - start);
        start = end + 1;
    }
    headed = from == 0 && !lines.empty() && lines.front() == kHistoryHeader;
    if (headed || from != 0) lines.erase(lines.begin(), lines.begin() + (lines.empty() ? 0 : 1));
    return lines;
}

}  // namespace

std::string history_path(std::string &why) {
    const char *home = getenv("HOME");
    std::string dir = home != nullptr ? home : "";
    if (dir.empty())
        if (const passwd *pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) dir = pw->pw_dir;
    if (dir.empty()) {
        why = "no home folder (HOME is unset and the user database names none)";
        return {};
    }
    return dir + "/.pcfg_history";
}

std::string history_encoded(std::string_view line) {
    std::string out;
    for (const char ch : line) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            out += "\\\\";
        } else if (c > ' ' && c < 0x7f) {
            out += ch;
        } else {
            char esc[5];
            snprintf(esc, sizeof esc, "\\%03o", static_cast<unsigned>(c));
            out += esc;
        }
    }
    return out;
}

int HistoryFile::open_locked(bool write) {
    const int fd = open(path_.c_str(), (write ? O_RDWR | O_CREAT : O_RDONLY) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                        0600);
    if (fd < 0) {
        why_ = std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
        why_ = "not a regular file of this user";
        close(fd);
        return -1;
    }
    for (int tries = 0; flock(fd, write ? LOCK_EX | LOCK_NB : LOCK_SH | LOCK_NB) != 0; ++tries) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || tries == kLockTries) {
            why_ = errno == EWOULDBLOCK ? "another process keeps it locked" : std::strerror(errno);
            close(fd);
            return -1;
        }
        usleep(kLockPause);
    }
    return fd;
}

void HistoryFile::unlock(int fd) { close(fd); }  // the lock goes with the descriptor

bool HistoryFile::append(std::string_view line) {
    const int fd = open_locked(true);
    if (fd < 0) {
        warn(why_);
        return false;
    }
    struct stat st {};
    bool headed = false;
    const bool sized = fstat(fd, &st) == 0;
    std::vector<std::string> lines = sized ? lines_of(fd, st.st_size, headed) : std::vector<std::string>{};
    const std::string entry = history_encoded(line) + "\n";
    bool written = false;
    if (sized && headed && lines.size() < kHistoryLines) {
        // The common case: one line at the end (after a line a crash cut short).
        char last = '\n';
        const bool open_end = pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n';
        written = write_at(fd, open_end ? "\n" + entry : entry, st.st_size);
    } else if (sized) {
        // A new file, or one past its bound: rewritten in place, under the
        // lock, with the newest lines.
        std::string text = cat({kHistoryHeader, "\n"});
        const size_t keep = kHistoryLines - 1;
        for (size_t i = lines.size() > keep ? lines.size() - keep : 0; i < lines.size(); ++i)
            if (!lines[i].empty()) text.append(lines[i]).append("\n");
        text += entry;
        written = write_at(fd, text, 0) && ftruncate(fd, static_cast<off_t>(text.size())) == 0;
    }
    if (!written) why_ = std::strerror(errno != 0 ? errno : EIO);
    unlock(fd);
    if (!written) warn(why_);
    return written;
}

void HistoryFile::warn(const std::string &why) {
    if (warned_ || warnings_ == nullptr) return;
    warned_ = true;
    if (path_.empty())
        fprintf(warnings_, "pcfg: the line history is not kept: %s\n", why.c_str());
    else
        fprintf(warnings_, "pcfg: the line history is not kept in %s: %s\n", path_.c_str(), why.c_str());
    fflush(warnings_);
}

}  // namespace pcfg_shell
