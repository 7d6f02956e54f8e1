#include "line_reader.h"

#include <cerrno>

namespace pcfg_shell {

bool LineReader::skip_rest() {
    skipping_ = false;
    for (size_t skipped = 0; skipped < kMaxSkipped; ++skipped) {
        const int c = getc(in_);
        if (c == '\n' || c == EOF) return true;
    }
    return false;
}

LineReader::Status LineReader::next(std::string &line) {
    line.clear();
    if (stopped_) return Status::End;
    if (skipping_ && !skip_rest()) {
        stopped_ = true;
        return Status::Endless;
    }
    for (;;) {
        const int c = getc(in_);
        if (c == EOF) {
            if (ferror(in_) && errno == EINTR) {
                clearerr(in_);
                return Status::Interrupted;
            }
            if (line.empty()) return Status::End;
            break;
        }
        if (c == '\n') break;
        if (c == '\0') {
            ++number_;
            column_ = line.size() + 1;
            stopped_ = true;
            return Status::Binary;
        }
        if (line.size() == kMaxLineLength) {
            ++number_;
            skipping_ = true;
            line.clear();
            return Status::TooLong;
        }
        line.push_back(static_cast<char>(c));
    }
    ++number_;
    return Status::Line;
}

}  // namespace pcfg_shell
